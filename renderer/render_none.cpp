// Built without OSMesa: the renderer says so instead of drawing.
#include "render_private.h"

namespace kvrender {

bool Available() { return false; }

bool RenderSceneFrom(MScene*, const RenderOptions&, const ViewCamera&, Picture*, std::string* error) {
  if (error) *error = "this build cannot render (built without OSMesa)";
  return false;
}

struct SceneDrawer::State {
  SceneGeometry geometry;
};

SceneDrawer::SceneDrawer() : state_(std::make_unique<State>()) {}
SceneDrawer::~SceneDrawer() = default;

void SceneDrawer::Prepare(MScene* scene, const std::vector<const MObj3d*>&) {
  state_->geometry = CollectGeometry(scene, true);
}

bool SceneDrawer::Bounds(MVector3* lo, MVector3* hi) const {
  if (state_->geometry.empty) return false;
  *lo = state_->geometry.lo;
  *hi = state_->geometry.hi;
  return true;
}

long SceneDrawer::Triangles() const { return 0; }
long SceneDrawer::LastTriangles() const { return 0; }

bool SceneDrawer::Draw(const RenderOptions& o, const ViewCamera& c, Picture* out, std::string* error) {
  return RenderSceneFrom(nullptr, o, c, out, error);
}

}  // namespace kvrender
