// The scene-wide records: options, background and fog.
#pragma once
#include <cstdint>
#include <cstdio>

#include "color.h"
#include "surface.h"

class MSceneOptions {
 public:
  double master_scale = 1.0;
  int32_t active_camera = 0;
  double gamma = 2.2;
  int32_t shadow_type = 0;
  double shadow_bias = 1.0;
  double shadow_filter = 3.0;
  int32_t shadow_map_size = 512;
  double ray_bias = 1.0;
  MColor ambient_color{1, 1, 1, 1};
  double ambient_intensity = 0.2;

  void Print(FILE* fp, int a = 0, int b = 0);
};

enum MBackGround_Types : int32_t { BCKG_NO = 0, BCKG_SOLID = 1, BCKG_GRADIENT = 2, BCKG_TEXTURE = 3 };

class MBackGround {
 public:
  int32_t type = BCKG_NO;
  MColor solid_color{0, 0, 0, 1};
  MColor top_color{0, 0, 0, 1};
  MColor mid_color{0, 0, 0, 1};
  MColor bottom_color{0, 0, 0, 1};
  double top_pos = 0.0;
  double mid_pos = 0.5;
  double bottom_pos = 1.0;
  MSrf_Texture texture{"def_txt"};

  void Print(FILE* fp, int a = 0, int b = 0);
};

class MFog {
 public:
  int32_t enabled = 0;
  MColor color{0, 0, 0, 1};
  int32_t fog_background = 1;
  double near_plane = 0.0;
  double near_density = 0.0;
  double far_plane = 10000.0;
  double far_density = 1.0;

  void Print(FILE* fp, int a = 0, int b = 0);
};
