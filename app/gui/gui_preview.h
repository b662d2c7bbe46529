// The preview pane of the main window: the scene drawn by the offscreen
// renderer behind korvane-cli render and shown as a picture. A drag with the
// left button orbits round the scene's centre, the wheel zooms, a double
// click fits the view again. Frames are drawn once the event loop is idle
// (the latest view only); while the view moves they draw an even share of
// the triangles when all of them are slow, and all once it rests.
#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <vector>

#include "render.h"

class MObj3d;
class MScene;
class QTimer;

namespace kvgui {

class PreviewPane : public QWidget {
  Q_OBJECT
 public:
  // What the pane shows where the scene draws nothing.
  static constexpr uint8_t kBackground[3] = {88, 92, 104};

  explicit PreviewPane(QWidget* parent = nullptr);
  ~PreviewPane() override;

  // A new scene (null: none), seen in the fitted iso view. The scene is read
  // here and never again: the pane keeps its own copy of what it draws.
  void ShowScene(MScene* scene, const std::vector<const MObj3d*>& highlight = {});
  // The same scene after a change (a modifier pass, another selection of
  // objects, drawn tinted): the view stays where it is, so the change shows.
  void SceneChanged(MScene* scene, const std::vector<const MObj3d*>& highlight = {});

  bool HasScene() const { return has_scene_; }
  const kvrender::Orbit& orbit() const { return orbit_; }
  void SetOrbit(const kvrender::Orbit& orbit);
  // Turns the view as a drag does (degrees), a quick frame to follow.
  void Turn(double yaw_deg, double pitch_deg);
  // Drawn in the last frame, and in the scene.
  long LastFrameTriangles() const { return drawer_.LastTriangles(); }
  long SceneTriangles() const { return drawer_.Triangles(); }
  // Fits the view round the scene as it is now, from the iso side.
  void FitView();

  // The last frame drawn (null without a scene), of the pane's size.
  const QImage& Frame() const { return frame_; }
  // Draws the frame that waits, now (tests and timing).
  void DrawNow();
  long FramesDrawn() const { return frames_; }
  // No moving frame is asked for and none waits for the view to rest.
  bool AtRest() const;
  double LastFrameMs() const { return last_ms_; }
  QString LastError() const { return error_; }

 signals:
  void frameDrawn();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  // Asks for a frame: a quick one while the view moves, else a whole one.
  void Schedule(bool moving);
  void DrawFrame();

  kvrender::SceneDrawer drawer_;
  bool has_scene_ = false;
  MVector3 lo_, hi_;  // the box the view circles
  kvrender::Orbit orbit_;
  kvrender::Picture picture_;
  QImage frame_;  // over picture_'s pixels
  QString error_;

  QTimer* draw_timer_ = nullptr;
  QTimer* rest_timer_ = nullptr;  // a whole frame once the wheel rests
  bool moving_ = false;
  bool dragging_ = false;
  QPoint last_pos_;
  long frames_ = 0;
  double last_ms_ = 0;
  long quick_triangles_ = 0;  // drawn in a frame of a moving view
  int frames_since_prepare_ = 0;
};

}  // namespace kvgui
