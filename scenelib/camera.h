// Cameras and lights. They carry no matrix: their transforms move their
// points (position and target) directly.
#pragma once
#include <cstdint>
#include <cstdio>

#include "allocator.h"
#include "color.h"
#include "geometry.h"

class MScene;

class MCamera {
 public:
  char* name = nullptr;
  int32_t active = 0;
  MVector3 position{1, 1, 1};
  MVector3 target{0, 0, 0};
  MVector3 sky{0, 0, 1};
  MVector3 right{1.3333333333333333, 0, 0};  // the 4:3 aspect ratio in its length
  MVector3 up{0, 0, 1};
  double roll_angle = 0.0;
  double near_plane = 0.0;
  double far_plane = 10000.0;
  double fov = 46.5354096201139;  // a 50 mm lens on 43 mm film
  double lens = 50.0;
  double film_size = 43.0;

  explicit MCamera(const char* name);
  ~MCamera();
  MCamera(const MCamera&) = delete;
  MCamera& operator=(const MCamera&) = delete;

  char* get_name() const { return name; }
  void set_name(const char* n);
  int MakeDefaultCam(const MVector3& left, const MVector3& right_corner);
  void Scale(const MVector3& s);
  void RotateDeg(const MVector3& a);
  void Translate(const MVector3& t);
  void Print(FILE* fp, int a = 0, int b = 0);

  KV_SHARED_HEAP
};

enum MLight_Types : int32_t { POINTLIGHT = 0, SPOTLIGHT = 1, DIRECTIONALLIGHT = 2, AREALIGHT = 3 };

#define MLIGHT_NAME_LEN 1024

class MLight {
 public:
  char* name = nullptr;
  int32_t active = 1;
  int32_t type = POINTLIGHT;
  MColor color{1, 1, 1, 1};
  double intensity = 1.0;
  MVector3 position{1, 1, 1};
  int32_t attenuation = 0;
  double inner = 0.0;
  double outer = 0.0;
  int32_t shadow_cast = 1;
  int32_t shadow_type = 0;
  int32_t shadow_local = 0;
  double shadow_bias = 1.0;
  double shadow_filter = 3.0;
  int32_t shadow_map_size = 512;
  double ray_bias = 1.0;
  MVector3 target{0, 0, 0};
  double hotspot = 1.0;
  double falloff = 50.0;
  double roll = 0.0;
  double aspect = 1.0;
  int32_t cone_style = 0;
  int32_t projector = 0;
  char bitmap_name[MLIGHT_NAME_LEN];

  explicit MLight(const char* name);
  ~MLight();
  MLight(const MLight&) = delete;
  MLight& operator=(const MLight&) = delete;

  char* get_name() const { return name; }
  void set_name(const char* n);
  void Scale(const MVector3& s);
  void RotateDeg(const MVector3& a);
  void Translate(const MVector3& t);
  void Print(FILE* fp, int a = 0, int b = 0);

  KV_SHARED_HEAP
};
