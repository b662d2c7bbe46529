// The main window's preview pane: empty before an import, the scene drawn
// after it, and a new picture for an orbit drag, a wheel step, a modifier
// pass and a selection of objects.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "gui_main_window.h"
#include "gui_preview.h"
#include "gui_support.h"
#include "gui_test_util.h"
#include "render.h"
#include "test_support.h"

using namespace kvguitest;

namespace {

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    CancelPrompts();
  }
  void TearDown() override { kvgui::SetPromptAnswer(nullptr); }
};

// Pixels that are not the pane's background.
int Drawn(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int n = 0;
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) {
      const QRgb c = rgb.pixel(x, y);
      const auto* bg = kvgui::PreviewPane::kBackground;
      n += std::abs(qRed(c) - bg[0]) > 8 || std::abs(qGreen(c) - bg[1]) > 8 || std::abs(qBlue(c) - bg[2]) > 8;
    }
  return n;
}

// The cube imported through the hand-over road, the window's layout
// settled round the filled counters.
void LoadCube(kvgui::MainWindow& w) {
  w.Receive(Sample("cube.raw"));
  QTRY_VERIFY(w.preview()->HasScene());
  QTest::qWait(400);  // past the whole frame drawn once a resize rests
  // The first frame opens the renderer, which may take longer under load.
  QTRY_VERIFY_WITH_TIMEOUT(w.preview()->AtRest(), 10000);
  // Past the set-up frames, after which the triangles are drawn in their
  // kept order: the cube's shared edges may then shade a pixel apart from
  // the first frame's.
  kvgui::PreviewPane* p = w.preview();
  for (int i = 0; i < 3; ++i) {
    p->SetOrbit(p->orbit());
    p->DrawNow();
  }
}

// The frame drawn now, moving or not, of everything asked for; a copy (the
// pane's own frame lives over its next picture's pixels).
QImage Now(kvgui::PreviewPane* p) {
  QApplication::processEvents();
  p->DrawNow();
  return p->Frame().copy();
}

// The frame once the view rests, every triangle at 2 x 2 samples: a loaded
// machine may deliver a resize late, and with it a moving frame.
QImage Settled(kvgui::PreviewPane* p) {
  QElapsedTimer clock;
  clock.start();
  QApplication::processEvents();
  while (!p->AtRest() && clock.elapsed() < 10000) QTest::qWait(10);
  return Now(p);
}

// How many pixels of two frames of one size differ.
int Changed(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

TEST_F(PreviewTest, EmptyUntilImportThenTheSceneShadedUntilClear) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  kvgui::MainWindow w(PluginDir());
  w.resize(900, 600);
  w.show();
  kvgui::PreviewPane* p = w.preview();
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->HasScene());
  EXPECT_TRUE(Settled(p).isNull());
  // The empty pane: its background and the "no scene" text only.
  const QImage empty = p->grab().toImage();
  EXPECT_GT(Drawn(empty), 0);
  EXPECT_LT(Drawn(empty), empty.width() * empty.height() / 20);

  LoadCube(w);
  const QImage shaded = Settled(p);
  ASSERT_FALSE(shaded.isNull()) << p->LastError().toStdString();
  EXPECT_EQ(shaded.size(), p->size() * p->devicePixelRatio());
  EXPECT_GT(Drawn(shaded), shaded.width() * shaded.height() / 20);
  // What is painted on screen is that frame.
  EXPECT_GT(Drawn(p->grab().toImage()), shaded.width() * shaded.height() / 20);

  QTest::mouseClick(Control<QPushButton>(&w, 1010), Qt::LeftButton);
  EXPECT_FALSE(p->HasScene());
  EXPECT_TRUE(Settled(p).isNull());
}

TEST_F(PreviewTest, DragOrbitsWheelZoomsDoubleClickFits) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  kvgui::MainWindow w(PluginDir());
  w.resize(900, 600);
  w.show();
  kvgui::PreviewPane* p = w.preview();
  LoadCube(w);
  const QImage fitted = Settled(p);
  const kvrender::Orbit start = p->orbit();

  // A drag to the right and down: turned about z and seen from higher.
  const QPoint a(60, 60), b(140, 90);
  QTest::mousePress(p, Qt::LeftButton, {}, a);
  QTest::mouseMove(p, b);
  const long before_release = p->FramesDrawn();
  QImage moving = Now(p);
  EXPECT_GT(p->FramesDrawn(), before_release);
  EXPECT_FALSE(moving.isNull());
  QTest::mouseRelease(p, Qt::LeftButton, {}, b);
  EXPECT_LT(p->orbit().yaw_deg, start.yaw_deg);
  EXPECT_GT(p->orbit().pitch_deg, start.pitch_deg);
  const QImage turned = Settled(p);
  EXPECT_GT(Changed(fitted, turned), fitted.width() * fitted.height() / 100);
  EXPECT_GT(Drawn(turned), 0);
  // At rest every triangle is drawn, whatever share the moving frames drew.
  EXPECT_EQ(p->LastFrameTriangles(), p->SceneTriangles());

  // A wheel step towards the user zooms in.
  QWheelEvent wheel(QPointF(50, 50), p->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(p, &wheel);
  EXPECT_LT(p->orbit().zoom, 1);
  const QImage closer = Settled(p);
  EXPECT_GT(Drawn(closer), Drawn(turned));

  // A double click gives the fitted view back.
  QTest::mouseDClick(p, Qt::LeftButton, {}, a);
  EXPECT_DOUBLE_EQ(p->orbit().yaw_deg, start.yaw_deg);
  EXPECT_EQ(Changed(fitted, Settled(p)), 0);
}

TEST_F(PreviewTest, FollowsTheSelectionAndTheModifierPasses) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  kvgui::MainWindow w(PluginDir());
  w.resize(900, 600);
  w.show();
  kvgui::PreviewPane* p = w.preview();
  LoadCube(w);
  const QImage plain = Settled(p);

  // A selected object is tinted; none selected, the plain picture again.
  auto* list = Control<QListWidget>(&w, 1057);
  list->item(0)->setSelected(true);
  const QImage one = Settled(p);
  EXPECT_GT(Changed(plain, one), 50);
  list->clearSelection();
  EXPECT_EQ(Changed(plain, Settled(p)), 0);

  // Everything scaled twice in Modify Objects: the view stays, the cube grows.
  list->selectAll();
  const QImage all = Settled(p);
  WhenModal("dlg_146", [&](QWidget* d) {
    Control<QCheckBox>(d, 1070)->click();
    for (int id : {1071, 1072, 1073}) Control<QLineEdit>(d, id)->setText("2");
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1055), Qt::LeftButton);
  EXPECT_EQ(list->selectedItems().size(), list->count());  // the selection outlives the pass
  const QImage scaled = Settled(p);
  EXPECT_GT(Drawn(scaled), Drawn(all) * 3 / 2);

  // Modify Scene moving it aside: another picture.
  WhenModal("dlg_147", [&](QWidget* d) {
    Control<QCheckBox>(d, 1078)->click();
    Control<QLineEdit>(d, 1079)->setText("1");
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1056), Qt::LeftButton);
  EXPECT_GT(Changed(scaled, Settled(p)), scaled.width() * scaled.height() / 100);
}

}  // namespace
