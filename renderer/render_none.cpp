// Built without OSMesa: the renderer says so instead of drawing.
#include "render_private.h"

namespace kvrender {

bool Available() { return false; }

bool RenderSceneFrom(MScene*, const RenderOptions&, const ViewCamera&, Picture*, std::string* error) {
  if (error) *error = "this build cannot render (built without OSMesa)";
  return false;
}

}  // namespace kvrender
