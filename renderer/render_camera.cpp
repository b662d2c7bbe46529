// The camera a picture is drawn through: the scene's first camera, or a view
// from one side fitted around what the scene draws.
#include <algorithm>
#include <cmath>

#include "camera.h"
#include "mscene.h"
#include "render_private.h"

namespace kvrender {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFitFovY = 30;

MVector3 ViewDirection(View view) {  // from the target towards the eye
  switch (view) {
    case View::kFront: return MVector3(0, -1, 0);
    case View::kTop: return MVector3(0, 0, 1);
    case View::kIso: break;
  }
  return vect_normalize(MVector3(1, -1, 1));
}

// Near and far planes around a sphere seen from eye.
void EncloseSphere(ViewCamera* cam, const MVector3& centre, double radius) {
  const double d = (centre - cam->eye).Length();
  const double r = radius > 0 ? radius * 1.05 : 1.0;
  cam->far_plane = d + r;
  cam->near_plane = std::max(d - r, cam->far_plane * 1e-4);
}

// An up vector not along the line of sight.
MVector3 UpFor(const MVector3& wanted, const MVector3& sight) {
  const MVector3 s = vect_normalize(sight);
  const MVector3 candidates[] = {wanted, MVector3(0, 0, 1), MVector3(0, 1, 0)};
  for (const MVector3& u : candidates) {
    if (u.Length() < 1e-12) continue;
    if (vect_cross(vect_normalize(u), s).Length() > 1e-3) return vect_normalize(u);
  }
  return MVector3(1, 0, 0);
}

// Looking along -dir at a sphere, from as far as makes it fill the
// picture's shorter side, times zoom.
ViewCamera FitAround(const MVector3& centre, double radius, double aspect, const MVector3& dir, const MVector3& up,
                     double zoom = 1) {
  ViewCamera cam;
  cam.fov_y_deg = kFitFovY;
  const double half_y = kFitFovY * kPi / 360;
  const double half = std::min(half_y, std::atan(std::tan(half_y) * aspect));
  const double r = radius > 0 ? radius : 1.0;
  const double distance = r / std::sin(half) * 1.02 * zoom;
  cam.target = centre;
  cam.eye = centre + dir * distance;
  cam.up = UpFor(up, dir);
  EncloseSphere(&cam, centre, r);
  return cam;
}

}  // namespace

ViewCamera ChooseCamera(MScene* scene, const RenderOptions& options) {
  ViewCamera cam;
  MVector3 lo(-1, -1, -1), hi(1, 1, 1);
  DrawnBounds(scene, &lo, &hi);
  const MVector3 centre = (lo + hi) / 2.0;
  const double radius = (hi - lo).Length() / 2;
  const double aspect = options.height > 0 ? static_cast<double>(options.width) / options.height : 1.0;

  MCamera* first = scene && scene->cameras ? static_cast<MCamera*>(scene->cameras->GetAt(0)) : nullptr;
  if (options.camera == CameraMode::kFirst && first && (first->target - first->position).Length() > 0) {
    cam.eye = first->position;
    cam.target = first->target;
    cam.up = UpFor(first->sky, cam.target - cam.eye);
    // The camera's angle spans the picture's width.
    double fov_x = first->fov > 0 && first->fov < 179 ? first->fov : 45.0;
    cam.fov_y_deg = 2 * std::atan(std::tan(fov_x * kPi / 360) / aspect) * 180 / kPi;
    EncloseSphere(&cam, centre, radius);
    return cam;
  }

  const MVector3 dir = ViewDirection(options.view);
  return FitAround(centre, radius, aspect, dir, options.view == View::kTop ? MVector3(0, 1, 0) : MVector3(0, 0, 1));
}

ViewCamera OrbitCamera(const MVector3& lo, const MVector3& hi, double aspect, const Orbit& orbit) {
  const double pitch = std::clamp(std::isfinite(orbit.pitch_deg) ? orbit.pitch_deg : 0.0, -89.0, 89.0) * kPi / 180;
  const double yaw = (std::isfinite(orbit.yaw_deg) ? orbit.yaw_deg : 0.0) * kPi / 180;
  const double zoom = std::clamp(std::isfinite(orbit.zoom) ? orbit.zoom : 1.0, 0.05, 20.0);
  const MVector3 dir(std::sin(yaw) * std::cos(pitch), -std::cos(yaw) * std::cos(pitch), std::sin(pitch));
  return FitAround((lo + hi) / 2.0, (hi - lo).Length() / 2, aspect > 0 ? aspect : 1.0, dir, MVector3(0, 0, 1), zoom);
}

bool RenderScene(MScene* scene, const RenderOptions& options, Picture* out, std::string* error, ViewCamera* used) {
  const ViewCamera cam = ChooseCamera(scene, options);
  if (used) *used = cam;
  return RenderSceneFrom(scene, options, cam, out, error);
}

}  // namespace kvrender
