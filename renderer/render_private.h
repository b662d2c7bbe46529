// What the renderer's parts share: the scene gathered into arrays ready to
// draw, and the look of each material.
#pragma once
#include <string>
#include <vector>

#include "render.h"

class MObj3d;
class MScene;
class MSurface;

namespace kvrender {

// The triangles of one surface (or of none: surface -1), three corners
// each, in scene coordinates.
struct DrawBatch {
  int surface = -1;
  bool highlighted = false;
  std::vector<float> xyz;     // 9 per triangle
  std::vector<float> normal;  // 9 per triangle, unit length
  std::vector<float> uv;      // 6 per triangle where the meshes are mapped, else empty
};

struct SceneGeometry {
  std::vector<DrawBatch> batches;
  MVector3 lo, hi;
  bool empty = true;
};

// Corners whose faces bend less than this share their normal where the
// scene gives none.
constexpr double kSmoothingAngle = 60.0;

// Everything the scene draws; bounds_only leaves the batches empty. The
// meshes of the listed objects in highlight (may be null) go into batches
// of their own, marked highlighted.
SceneGeometry CollectGeometry(MScene* scene, bool bounds_only, const std::vector<const MObj3d*>* highlight = nullptr);

// How a surface is drawn: OpenGL's material colours, and the map file found
// on disk (empty: none).
struct MaterialLook {
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
  float specular[4] = {0, 0, 0, 1};
  float shininess = 0;  // OpenGL's exponent, 0 .. 128
  float alpha = 1;
  std::string map_path;
  std::string map_name;  // as the model names it
};
// surface may be null (faces without a material): a light grey.
MaterialLook LookOf(MScene* scene, MSurface* surface);

}  // namespace kvrender
