// Materials: MSurface and its records (colour channels, texture layers with
// their manipulators, environment mappings, opacity, highlights, shading).
// All records are fixed size with fixed name buffers.
#pragma once
#include <cstdint>
#include <cstdio>

#include "allocator.h"
#include "color.h"
#include "geometry.h"
#include "mlist.h"

#define MSRF_NAME_LEN 1024

enum MSrf_ColorSource : int32_t { IMG_RGB, IMG_ALPHA };
enum MSrf_MixSource : int32_t { MIX_NO, MIX_TINT_RGB, MIX_TINT_ALPHA };
enum MSrf_3DTextureType : int32_t { BUMP, CHECKER, CLOUDS, FLOOR, GRID, MARBLE, NOISE, NOISE3D, WAVES, WOOD };
enum MSrf_FilterType : int32_t { POINT_SAMPLE, BLINEAR, MIP, EWA };
enum MSrf_AlphaSource : int32_t {
  DISABLED,
  ALPHAIMAGE,
  ALPHACOLOR,
  ALPHA_UPPERLEFTPIXELIMAGE,
  ALPHA_LOWERLEFTPIXELIMAGE,
  GRAYSCALE_TO_ALPHA,
  MAX_RGB_TO_ALPHA,
  MIN_RGB_TO_ALPHA,
  R_TO_ALPHA,
  G_TO_ALPHA,
  B_TO_ALPHA
};
enum MSrf_TintMode : int32_t { TINT_DISABLED, TINT_RGB, TINT_ALPHA, TINT_LUMATINT, TINT_RGBTINT, TINT_ALPHATINT };
enum MSrf_TextureKind : int32_t { _2DBITMAP, _3DPROCEDURE };
enum MSrf_HighlightModel : int32_t { PHONG, BLINN };
enum MSrf_CubicType : int32_t { AUTO, BITMAP };
enum MSrf_ShadingType : int32_t { SHADE_FLAT, SHADE_GOURAUD, SHADE_PHONG, SHADE_METAL, SHADE_BLINN };

// Dump names of the enumerations ("?" when out of range).
const char* MSrf_ColorSourceName(int v);
const char* MSrf_MixSourceName(int v);
const char* MSrf_3DTextureTypeName(int v);
const char* MSrf_FilterTypeName(int v);
const char* MSrf_AlphaSourceName(int v);
const char* MSrf_TintModeName(int v);
const char* MSrf_TextureKindName(int v);
const char* MSrf_HighlightModelName(int v);
const char* MSrf_CubicTypeName(int v);
const char* MSrf_ShadingTypeName(int v);

// Copies at most MSRF_NAME_LEN - 1 characters and terminates.
void msrf_copy_name(char* dst, const char* src);

// Readers multiply a diffuse map by the diffuse colour: the colour an exporter
// writes under a map is white where it would be black, so the map shows.
MColor m_color_under_map(const MColor& c);

class MSrf_Mix {
 public:
  int32_t enabled = 0;
  double value = 1.0;
  int32_t color_source = 0;
  int32_t mix_source = 0;
  void Print(FILE*, int, int, int) {}  // a bare mix has nothing of its own to show
};

class MSrf_ColorMix : public MSrf_Mix {
 public:
  MColor tint_black{0, 0, 0, 1};
  MColor tint_white{1, 1, 1, 1};
  MColor tint_red{1, 0, 0, 1};
  MColor tint_green{0, 1, 0, 1};
  MColor tint_blue{0, 0, 1, 1};
  MColor weight{1, 1, 1, 1};
  MColor bias{0, 0, 0, 1};
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_ColorIntensityMix : public MSrf_Mix {
 public:
  MSrf_ColorIntensityMix() { value = 0.0; }  // every mix field starts at 0 here
  double weight = 1.0;
  double bias = 0.0;
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_3DTexture {
 public:
  int32_t type = MARBLE;
  MVector3 scale{1, 1, 1};
  MVector3 rotate{0, 0, 0};
  MVector3 translate{0, 0, 0};
  int32_t use_worldspace = 0;
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_2DTexture {
 public:
  char file_name[MSRF_NAME_LEN];
  int32_t filter_type = MIP;
  double blur = 0.0;
  int32_t invert = 0;
  int32_t mirror = 0;
  int32_t alpha_source = ALPHAIMAGE;
  MColor alpha_color{1, 1, 1, 1};
  MColor alpha_tolerance{0, 0, 0, 1};
  int32_t tile_u = 1;
  int32_t tile_v = 1;
  MVector3 uv_crop_start{0, 0, 0};
  MVector3 uv_crop_end{1, 1, 0};
  MVector3 uv_scale{1, 1, 0};
  double uv_rotation = 0.0;
  MVector3 uv_offset{0, 0, 0};

  explicit MSrf_2DTexture(const char* name = "default.gif") { msrf_copy_name(file_name, name); }
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_Texture {
 public:
  char name[MSRF_NAME_LEN];
  int32_t enabled = 1;
  int32_t kind = _3DPROCEDURE;
  MSrf_2DTexture bitmap{"default.gif"};
  MSrf_3DTexture procedure;

  explicit MSrf_Texture(const char* n = "def_txt") { msrf_copy_name(name, n); }
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_TextureLayer {
 public:
  int32_t enabled = 0;
  MSrf_Texture texture{"def_txt"};
  MSrf_ColorMix diffuse_color;
  MSrf_ColorMix ambient_color;
  MSrf_ColorMix specular_color;
  MSrf_ColorMix luminous_color;
  MSrf_ColorIntensityMix diffuse_intensity;
  MSrf_ColorIntensityMix ambient_intensity;
  MSrf_ColorIntensityMix specular_intensity;
  MSrf_ColorIntensityMix luminous_intensity;
  MSrf_ColorIntensityMix opacity_intensity;
  MSrf_ColorIntensityMix bump_intensity;
  MSrf_Texture mask{"def_txt"};
  MSrf_ColorIntensityMix mask_manipulator;

  void Print(FILE* fp, int a, int b, int indent);
  KV_SHARED_HEAP
};

class MSrf_TextureLayers {
 public:
  MList* layers;  // owned MSrf_TextureLayer*

  MSrf_TextureLayers();
  ~MSrf_TextureLayers();
  MSrf_TextureLayers(const MSrf_TextureLayers&) = delete;
  MSrf_TextureLayers& operator=(const MSrf_TextureLayers&) = delete;

  int Add(MSrf_TextureLayer* layer);  // ownership passes to the list
  MSrf_TextureLayer* Get(int i);
  int Get_Count() const { return layers ? layers->count : 0; }
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_PlanarEnvMapping {
 public:
  int32_t enabled = 0;
  int32_t type = 1;
  double strength = 1.0;
  int32_t filter_type = MIP;
  char map[MSRF_NAME_LEN];

  MSrf_PlanarEnvMapping() { msrf_copy_name(map, "default.gif"); }
  void Print(FILE* fp, int a, int b, int indent);
};

// The colour mix's `enabled` switches the mapping.
class MSrf_SphereEnvMapping : public MSrf_ColorMix {
 public:
  MSrf_Texture texture{"def_txt"};
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_CubicEnvMapping {
 public:
  int32_t enabled = 0;
  int32_t type = BITMAP;
  double strength = 1.0;
  int32_t filter_type = MIP;
  char maps[6][MSRF_NAME_LEN];  // Front, Back, Left, Right, Top, Bottom

  MSrf_CubicEnvMapping() {
    for (auto& m : maps) msrf_copy_name(m, "default.gif");
  }
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_EnvMapping {
 public:
  MSrf_PlanarEnvMapping planar;
  MSrf_SphereEnvMapping sphere;
  MSrf_CubicEnvMapping cubic;
  MSrf_Texture mask{"def_txt"};
  MSrf_ColorIntensityMix mask_manipulator;
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_Color {
 public:
  MColor ambient{1, 1, 1, 1};
  MColor diffuse{1, 1, 1, 1};
  MColor luminous{1, 1, 1, 1};
  MColor specular{1, 1, 1, 1};
  int32_t lock_ambient = 0;
  int32_t lock_luminous = 0;
  int32_t lock_specular = 0;
  double ambient_intensity = 0.3;
  double diffuse_intensity = 0.6;
  double luminous_intensity = 0.0;
  double specular_intensity = 0.9;
  double reflection_intensity = 0.0;

  int Init(double r, double g, double b);
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_OpRef {
 public:
  double surface_opacity = 1.0;
  double reflected_opacity = 1.0;
  int32_t edge_opacity_enabled = 0;
  double edge_opacity = 1.0;
  double edge_opacity_exponent = 0.0;
  double index_of_refraction = 1.0;
  int32_t add_fresnel = 1;
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_Spec {
 public:
  int32_t highlight_model = PHONG;
  double color_bias = 0.0;
  double phong_size = 0.7;
  int32_t refraction_index = 8;
  double roughness = 0.2;
  void Print(FILE* fp, int a, int b, int indent);
};

class MSrf_Attributes {
 public:
  int32_t shading_type = SHADE_PHONG;
  int32_t wireframe_shader = 0;
  double wireframe_width = 0.01;
  double blur = 0.0;
  int32_t use_soften = 0;
  int32_t use_twosided = 0;
  int32_t use_facemap = 0;
  void Print(FILE* fp, int a, int b, int indent);
};

class MSurface {
 public:
  char name[MSRF_NAME_LEN];
  MSrf_Color color;
  MSrf_TextureLayers layers;
  MSrf_EnvMapping env;
  MSrf_OpRef opref;
  MSrf_Spec spec;
  MSrf_Attributes attributes;

  explicit MSurface(const char* n) { msrf_copy_name(name, n); }
  char* get_name() { return name; }
  void Print(FILE* fp, int a = 0, int b = 0, int indent = 0);

  KV_SHARED_HEAP
};

class MSrf_Mult {
 public:
  int32_t i = 0;
  double d = 0.0;
};
