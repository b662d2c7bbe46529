// The offscreen renderer: a scene drawn with OpenGL through OSMesa (software,
// no display) into an RGBA picture, with its materials, texture maps and
// smooth normals, seen through its first camera or a fitted view; pictures
// written as PNG through the image conversion library, and contact sheets of
// many pictures with their labels. Shared by korvane-cli and the window
// program's preview; it knows nothing of windows or plug-ins.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "geometry.h"

class MObj3d;
class MScene;

namespace kvrender {

enum class CameraMode { kFirst, kFit };
enum class View { kFront, kTop, kIso };

struct RenderOptions {
  int width = 512, height = 512;
  CameraMode camera = CameraMode::kFit;
  // The side a fitted view looks from (z is up): front looks along +y, top
  // down -z, iso from front, right and above.
  View view = View::kIso;
  // Samples per pixel side: 2 draws 2 x 2 samples per pixel and averages
  // them (smooth edges); 1 draws each pixel once.
  int supersample = 2;
  // Shown where nothing is drawn, with alpha 0 unless opaque_background.
  uint8_t background[3] = {128, 128, 128};
  bool opaque_background = false;
  // 0: every triangle. Else a SceneDrawer drawing a scene again draws about
  // this many, an even share of each surface's (a moving view's quick frame).
  long max_triangles = 0;
};

// The camera a picture is drawn through, in scene coordinates.
struct ViewCamera {
  MVector3 eye{0, -10, 0};
  MVector3 target{0, 0, 0};
  MVector3 up{0, 0, 1};
  double fov_y_deg = 30;  // the full vertical angle
  double near_plane = 0.01, far_plane = 100;
};

// RGBA, 8 bits a channel, the top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  uint8_t* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// False when the library was built without OSMesa: RenderScene then fails.
bool Available();

// The box around everything the scene draws (objects' matrices applied,
// hidden meshes left out); false when it draws nothing.
bool DrawnBounds(MScene* scene, MVector3* lo, MVector3* hi);

// The camera options and the scene give: the scene's first camera (its
// field of view taken across the picture's width) or the view fitted
// around the drawn bounds; near and far planes enclose the bounds.
ViewCamera ChooseCamera(MScene* scene, const RenderOptions& options);

// A view circling the centre of the box lo .. hi (z up): yaw degrees about
// the z axis (0 looks from the front as View::kFront; yaw 45 with pitch
// 35.26 is the iso view), pitch degrees above the horizon (held within
// -89 .. 89 so that up stays defined), zoom the distance as a multiple of
// the fitted one (1: the box's sphere fills the picture; held within
// 0.05 .. 20). aspect is the picture's width over its height.
struct Orbit {
  double yaw_deg = 45, pitch_deg = 35.26438968, zoom = 1;
};
ViewCamera OrbitCamera(const MVector3& lo, const MVector3& hi, double aspect, const Orbit& orbit);

// Draws the scene into out. False and the reason in error (no offscreen
// context, a size out of range); used (may be null) gets the camera.
bool RenderScene(MScene* scene, const RenderOptions& options, Picture* out, std::string* error,
                 ViewCamera* used = nullptr);
// The same through a given camera.
bool RenderSceneFrom(MScene* scene, const RenderOptions& options, const ViewCamera& camera, Picture* out,
                     std::string* error);

// A scene made ready once and drawn many times (the window program's
// preview): its triangles gathered and handed to OpenGL once, the offscreen
// context, its buffer and the texture maps kept between pictures. Prepare
// again whenever the scene changes; the drawer keeps no pointer into it.
class SceneDrawer {
 public:
  SceneDrawer();
  ~SceneDrawer();
  SceneDrawer(const SceneDrawer&) = delete;
  SceneDrawer& operator=(const SceneDrawer&) = delete;

  // Gathers what the scene draws (null: nothing); the meshes of the listed
  // objects in highlight are drawn tinted.
  void Prepare(MScene* scene, const std::vector<const MObj3d*>& highlight = {});
  // False when the prepared scene draws nothing; else its box.
  bool Bounds(MVector3* lo, MVector3* hi) const;
  long Triangles() const;
  // Drawn in the last picture (fewer than Triangles() when thinned).
  long LastTriangles() const;
  // As RenderSceneFrom, of the prepared scene.
  bool Draw(const RenderOptions& options, const ViewCamera& camera, Picture* out, std::string* error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// PNG through the image conversion library; the file appears whole or not
// at all. False and the reason in error.
bool WritePng(const Picture& picture, const std::string& path, std::string* error);

// Text in a 5 x 7 pixel font (each font pixel scale x scale), left top at
// (x, y); characters outside printable ASCII drawn as '?'. Clipped.
void DrawText(Picture* picture, int x, int y, const std::string& text, const uint8_t rgba[4], int scale = 1);
// The width DrawText needs for text.
int TextWidth(const std::string& text, int scale = 1);

// One picture of a contact sheet with its label below it.
struct SheetTile {
  std::string label;
  Picture picture;  // empty: nothing could be drawn ("no picture" is shown)
};

// Tiles of tile_w x tile_h in rows of columns (0: as square a sheet as the
// count allows), each picture put over an opaque tile, its label under it
// (cut with "..." when too long). An opaque sheet.
Picture ContactSheet(const std::vector<SheetTile>& tiles, int tile_w, int tile_h, int columns = 0);

}  // namespace kvrender
