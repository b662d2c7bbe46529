#include "camera.h"

#include <cmath>
#include <cstring>

#include "mscene.h"

MCamera::MCamera(const char* n) : name(my_strdup(n ? n : "")) {}
MCamera::~MCamera() { my_free(name); }

void MCamera::set_name(const char* n) {
  my_free(name);
  name = my_strdup(n ? n : "");
}

int MCamera::MakeDefaultCam(const MVector3& left, const MVector3& right_corner) {
  double m = std::fmax(right_corner.x, std::fmax(right_corner.y, right_corner.z));
  position = MVector3(2 * m, 2 * m, 2 * m);
  target = (left + right_corner) / 2.0;
  if (position == target) position = position + target + MVector3(1, 1, 1);
  return 1;
}

// One matrix operation (Scale, RotateDeg or Translate) built alone and applied
// to a camera's or light's points.
using MatrixOp = void (MMatrix::*)(const MVector3&);
static void move_points(MatrixOp op, const MVector3& v, MVector3& position, MVector3& target) {
  MMatrix m(1);
  (m.*op)(v);
  position = m.Transform(position);
  target = m.Transform(target);
}

void MCamera::Scale(const MVector3& s) { move_points(&MMatrix::Scale, s, position, target); }
void MCamera::RotateDeg(const MVector3& a) { move_points(&MMatrix::RotateDeg, a, position, target); }
void MCamera::Translate(const MVector3& t) { move_points(&MMatrix::Translate, t, position, target); }

void MCamera::Print(FILE* fp, int, int) {
  if (!fp) return;
  std::fprintf(fp, "Camera Name : %s\n", name);
  std::fprintf(fp, "Position    : %s\n", position.Print());
  std::fprintf(fp, "Target      : %s\n", target.Print());
  std::fprintf(fp, "Sky         : %s\n", sky.Print());
  std::fprintf(fp, "Right       : %s\n", right.Print());
  std::fprintf(fp, "Up          : %s\n", up.Print());
  std::fprintf(fp, "RollAngle   : %.3lf\n", roll_angle);
  std::fprintf(fp, "Near        : %.3lf\n", near_plane);
  std::fprintf(fp, "Far         : %.3lf\n", far_plane);
  std::fprintf(fp, "FOV         : %.3lf\n", fov);
  std::fprintf(fp, "Lens        : %.3lf\n", lens);
  std::fprintf(fp, "FilmSize    : %.3lf\n", film_size);
}

MLight::MLight(const char* n) : name(my_strdup(n ? n : "")) { std::strcpy(bitmap_name, "default.gif"); }
MLight::~MLight() { my_free(name); }

void MLight::set_name(const char* n) {
  my_free(name);
  name = my_strdup(n ? n : "");
}

void MLight::Scale(const MVector3& s) { move_points(&MMatrix::Scale, s, position, target); }
void MLight::RotateDeg(const MVector3& a) { move_points(&MMatrix::RotateDeg, a, position, target); }
void MLight::Translate(const MVector3& t) { move_points(&MMatrix::Translate, t, position, target); }

void MLight::Print(FILE* fp, int, int) {
  if (!fp) return;
  static const char* const kinds[] = {"POINTLIGHT\n", "SPOTLIGHT\n", "DIRECTIONALLIGHT\n", "AREALIGHT\n"};
  std::fprintf(fp, "Light Name : %s\n", name);
  std::fprintf(fp, "active     : %d\n", active);
  if (type >= 0 && type < 4) std::fputs(kinds[type], fp);
  std::fprintf(fp, "Color      : %s\n", color.Print());
  std::fprintf(fp, "Intensity  : %.3lf\n", intensity);
  std::fprintf(fp, "Position   : %s\n", position.Print());
  std::fprintf(fp, "Attenuation: %d\n", attenuation);
  if (attenuation) {
    std::fprintf(fp, "Inner      : %.3lf\n", inner);
    std::fprintf(fp, "\xD4uter      : %.3lf\n", outer);  // the label's first byte is Windows-1252 0xD4
  }
  std::fprintf(fp, "Shadow:\n");
  std::fprintf(fp, "Cast  : %d\n", shadow_cast);
  std::fprintf(fp, "Type  : %d\n", shadow_type);
  std::fprintf(fp, "Local : %d\n", shadow_local);
  std::fprintf(fp, "Bias : %.3lf\n", shadow_bias);
  std::fprintf(fp, "Filter : %.3lf\n", shadow_filter);
  std::fprintf(fp, "MapSize : %d\n", shadow_map_size);
  std::fprintf(fp, "RayBias : %.3lf\n", ray_bias);
  if (type >= SPOTLIGHT && type <= AREALIGHT) std::fprintf(fp, "Target     : %s\n", target.Print());
  if (type == SPOTLIGHT) {
    std::fprintf(fp, "Hotspot    : %.3lf\n", hotspot);
    std::fprintf(fp, "Falloff    : %.3lf\n", falloff);
    std::fprintf(fp, "Roll       : %.3lf\n", roll);
    std::fprintf(fp, "Aspect     : %.3lf\n", aspect);
    std::fprintf(fp, "ConeStyle  : %d\n", cone_style);
    std::fprintf(fp, "Projector  : %d\n", projector);
    if (projector) std::fprintf(fp, "Bitmap Name: %s\n", bitmap_name);
  }
}

void MMake_Default_Cam(MScene* scene) {
  if (!scene || !scene->cameras || scene->cameras->count != 0) return;
  MCamera* cam = new MCamera("def_cam");
  cam->MakeDefaultCam(scene->bound_left, scene->bound_right);
  scene->cameras->Append(cam);
}

void MMake_Default_Light(MScene* scene) {
  if (!scene || !scene->lights || scene->lights->count != 0) return;
  MCamera* cam = scene->cameras ? static_cast<MCamera*>(scene->cameras->GetAt(0)) : nullptr;
  MVector3 p = cam ? cam->position : MVector3(1, 1, 1);
  MVector3 t = cam ? cam->target : MVector3(0, 0, 0);
  double r = (p - t).Length();
  struct {
    const char* name;
    double angle;
    double intensity;
  } rig[] = {{"def_light1", 1.0471975511965976, 0.8},
             {"def_light2", 3.141592653589793, 0.7},
             {"def_light3", 5.235987755982989, 0.6}};
  for (auto& l : rig) {
    MLight* light = new MLight(l.name);
    light->position = MVector3(t.x + r * std::cos(l.angle), t.y + r * std::sin(l.angle), p.z);
    light->intensity = l.intensity;
    scene->lights->Append(light);
  }
}
