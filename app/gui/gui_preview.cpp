#include "gui_preview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace kvgui {

namespace {

constexpr double kDegreesPerPixel = 0.4;
// Frames of a moving view aim at this time. The cost of a frame under a
// software renderer is in its triangles, not its pixels, so a moving view
// draws an even share of them, kFewestQuick at the least, and a resting
// view all of them.
constexpr double kQuickFrameMs = 33;
constexpr long kFewestQuick = 20000, kFirstQuick = 250000;
// The first frames after the scene is gathered carry one-time costs (the
// context, the maps, the move into OpenGL's buffers): they time nothing.
constexpr int kSetUpFrames = 2;
constexpr int kRestMs = 250;  // after the last wheel step or resize

}  // namespace

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent) {
  setObjectName("preview");
  setMinimumSize(200, 160);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::OpenHandCursor);
  setToolTip("Drag to turn the view, wheel to zoom, double-click to fit");
  draw_timer_ = new QTimer(this);
  draw_timer_->setSingleShot(true);
  draw_timer_->setInterval(0);
  connect(draw_timer_, &QTimer::timeout, this, &PreviewPane::DrawFrame);
  rest_timer_ = new QTimer(this);
  rest_timer_->setSingleShot(true);
  rest_timer_->setInterval(kRestMs);
  connect(rest_timer_, &QTimer::timeout, this, [this] {
    if (!dragging_) Schedule(false);
  });
}

PreviewPane::~PreviewPane() = default;

void PreviewPane::ShowScene(MScene* scene, const std::vector<const MObj3d*>& highlight) {
  drawer_.Prepare(scene, highlight);
  frames_since_prepare_ = 0;
  quick_triangles_ = kFirstQuick;
  has_scene_ = scene != nullptr;
  if (!has_scene_) {
    draw_timer_->stop();
    frame_ = QImage();
    picture_ = kvrender::Picture();
    error_.clear();
    update();
    return;
  }
  FitView();
}

void PreviewPane::SceneChanged(MScene* scene, const std::vector<const MObj3d*>& highlight) {
  if (!has_scene_ || !scene) {
    ShowScene(scene, highlight);
    return;
  }
  drawer_.Prepare(scene, highlight);
  frames_since_prepare_ = 0;
  Schedule(false);
}

void PreviewPane::SetOrbit(const kvrender::Orbit& orbit) {
  orbit_ = orbit;
  Schedule(false);
}

void PreviewPane::FitView() {
  if (!drawer_.Bounds(&lo_, &hi_)) lo_ = MVector3(-1, -1, -1), hi_ = MVector3(1, 1, 1);
  orbit_ = kvrender::Orbit();
  Schedule(false);
}

bool PreviewPane::AtRest() const { return !moving_ && !rest_timer_->isActive(); }

void PreviewPane::Schedule(bool moving) {
  if (!has_scene_) return;
  moving_ = moving;  // the latest request decides
  if (!draw_timer_->isActive()) draw_timer_->start();
}

void PreviewPane::DrawNow() {
  if (!draw_timer_->isActive()) return;
  draw_timer_->stop();
  DrawFrame();
}

void PreviewPane::DrawFrame() {
  if (!has_scene_) return;
  const double dpr = devicePixelRatioF();
  kvrender::RenderOptions o;
  o.width = std::max(1, static_cast<int>(std::lround(width() * dpr)));
  o.height = std::max(1, static_cast<int>(std::lround(height() * dpr)));
  o.supersample = moving_ ? 1 : 2;
  o.max_triangles = moving_ ? quick_triangles_ : 0;
  std::copy_n(kBackground, 3, o.background);
  o.opaque_background = true;
  const kvrender::ViewCamera cam = kvrender::OrbitCamera(lo_, hi_, double(o.width) / o.height, orbit_);
  QElapsedTimer clock;
  clock.start();
  kvrender::Picture next;
  std::string why;
  if (!drawer_.Draw(o, cam, &next, &why)) {
    error_ = QString::fromStdString(why);
    frame_ = QImage();
    update();
    return;
  }
  error_.clear();
  last_ms_ = clock.nsecsElapsed() / 1e6;
  if (++frames_since_prepare_ > kSetUpFrames && moving_ && last_ms_ > 0) {
    // The next quick frame's share, in proportion to this one's time.
    const double drawn = static_cast<double>(std::max(drawer_.LastTriangles(), kFewestQuick));
    const double next = drawn * std::clamp(kQuickFrameMs / last_ms_, 0.5, 2.0);
    quick_triangles_ = std::clamp(static_cast<long>(next), kFewestQuick, std::max(kFewestQuick, drawer_.Triangles()));
  }
  ++frames_;
  picture_ = std::move(next);
  frame_ = QImage(picture_.rgba.data(), picture_.width, picture_.height, picture_.width * 4, QImage::Format_RGBA8888);
  update();
  emit frameDrawn();
}

void PreviewPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor background(kBackground[0], kBackground[1], kBackground[2]);
  if (!frame_.isNull()) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), frame_);
    return;
  }
  p.fillRect(rect(), background);
  p.setPen(QColor(220, 220, 220));
  p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, has_scene_ ? error_ : QString("no scene"));
}

void PreviewPane::resizeEvent(QResizeEvent*) {
  if (!has_scene_) return;
  Schedule(true);
  rest_timer_->start();
}

void PreviewPane::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !has_scene_) return;
  dragging_ = true;
  last_pos_ = e->position().toPoint();
  setCursor(Qt::ClosedHandCursor);
}

void PreviewPane::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const QPoint pos = e->position().toPoint();
  const QPoint d = pos - last_pos_;
  last_pos_ = pos;
  // Dragging right turns the scene to the right; down shows it from higher.
  Turn(-d.x() * kDegreesPerPixel, d.y() * kDegreesPerPixel);
}

void PreviewPane::Turn(double yaw_deg, double pitch_deg) {
  orbit_.yaw_deg = std::fmod(orbit_.yaw_deg + yaw_deg, 360.0);
  orbit_.pitch_deg = std::clamp(orbit_.pitch_deg + pitch_deg, -89.0, 89.0);
  Schedule(true);
}

void PreviewPane::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  setCursor(Qt::OpenHandCursor);
  Schedule(false);
}

void PreviewPane::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && has_scene_) FitView();
}

void PreviewPane::wheelEvent(QWheelEvent* e) {
  if (!has_scene_) return;
  const double steps = e->angleDelta().y() / 120.0;
  if (steps == 0) return;
  orbit_.zoom = std::clamp(orbit_.zoom * std::pow(0.85, steps), 0.05, 20.0);
  Schedule(true);
  rest_timer_->start();
  e->accept();
}

}  // namespace kvgui
