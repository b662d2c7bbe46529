#include "surface.h"

#include <cstring>

namespace {

// Tab characters for one dump level; deep nesting is capped, never overrun.
struct Indent {
  char s[33];
  explicit Indent(int n) {
    if (n < 0) n = 0;
    if (n > 32) n = 32;
    std::memset(s, '\t', static_cast<size_t>(n));
    s[n] = 0;
  }
};

const char* pick(const char* const* names, int count, int v) { return v >= 0 && v < count ? names[v] : "?"; }

const char* vec(const MVector3& v) { return v.Print(); }

}  // namespace

void msrf_copy_name(char* dst, const char* src) {
  if (!src) src = "";
  size_t n = std::strlen(src);
  if (n > MSRF_NAME_LEN - 1) n = MSRF_NAME_LEN - 1;
  std::memmove(dst, src, n);
  dst[n] = 0;
}

MColor m_color_under_map(const MColor& c) {
  // Below half a step of an 8-bit channel every reader sees black.
  constexpr double kBlack = 0.5 / 255.0;
  if (c.r < kBlack && c.g < kBlack && c.b < kBlack) return MColor(1, 1, 1, c.a);
  return c;
}

#define NAMES(fn, ...)                                              \
  const char* fn(int v) {                                           \
    static const char* const names[] = {__VA_ARGS__};               \
    return pick(names, static_cast<int>(sizeof names / sizeof *names), v); \
  }

NAMES(MSrf_ColorSourceName, "IMG_RGB", "IMG_ALPHA")
NAMES(MSrf_MixSourceName, "MIX_NO", "MIX_TINT_RGB", "MIX_TINT_ALPHA")
NAMES(MSrf_3DTextureTypeName, "BUMP", "CHECKER", "CLOUDS", "FLOOR", "GRID", "MARBLE", "NOISE", "NOISE3D", "WAVES", "WOOD")
NAMES(MSrf_FilterTypeName, "POINT_SAMPLE", "BLINEAR", "MIP", "EWA")
NAMES(MSrf_AlphaSourceName, "DISABLED", "ALPHAIMAGE", "ALPHACOLOR", "ALPHA_UPPERLEFTPIXELIMAGE",
      "ALPHA_LOWERLEFTPIXELIMAGE", "GRAYSCALE_TO_ALPHA", "MAX_RGB_TO_ALPHA", "MIN_RGB_TO_ALPHA", "R_TO_ALPHA",
      "G_TO_ALPHA", "B_TO_ALPHA")
NAMES(MSrf_TintModeName, "TINT_DISABLED", "TINT_RGB", "TINT_ALPHA", "TINT_LUMATINT", "TINT_RGBTINT",
      "TINT_ALPHATINT")
NAMES(MSrf_TextureKindName, "_2DBITMAP", "_3DPROCEDURE")
NAMES(MSrf_HighlightModelName, "PHONG", "BLINN")
NAMES(MSrf_CubicTypeName, "AUTO", "BITMAP")
NAMES(MSrf_ShadingTypeName, "SHADE_FLAT", "SHADE_GOURAUD", "SHADE_PHONG", "SHADE_METAL", "SHADE_BLINN")

static void print_mix_header(FILE* fp, const MSrf_Mix& m, const char* t) {
  std::fprintf(fp, "%sEnabled: %d\n", t, m.enabled);
  std::fprintf(fp, "%sValue: %.3lf\n", t, m.value);
  std::fprintf(fp, "%sColor Source: %s\n", t, MSrf_ColorSourceName(m.color_source));
  std::fprintf(fp, "%sMix Source: %s\n", t, MSrf_MixSourceName(m.mix_source));
}

void MSrf_ColorMix::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  print_mix_header(fp, *this, t);
  std::fprintf(fp, "%sTint Black Color: %s\n", t, tint_black.Print());
  std::fprintf(fp, "%sTint White Color: %s\n", t, tint_white.Print());
  std::fprintf(fp, "%sTint Red Color: %s\n", t, tint_red.Print());
  std::fprintf(fp, "%sTint Green Color: %s\n", t, tint_green.Print());
  std::fprintf(fp, "%sTint Blue Color: %s\n", t, tint_blue.Print());
  std::fprintf(fp, "%sWight: %s\n", t, weight.Print());
  std::fprintf(fp, "%sBias: %s\n", t, bias.Print());
}

void MSrf_ColorIntensityMix::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  print_mix_header(fp, *this, in.s);
  std::fprintf(fp, "%sWight: %.3lf\n", in.s, weight);
  std::fprintf(fp, "%sBias: %.3lf\n", in.s, bias);
}

void MSrf_3DTexture::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%s3DTexture:\n", t);
  std::fprintf(fp, "%sType: %s\n", t, MSrf_3DTextureTypeName(type));
  std::fprintf(fp, "%sUse Worldspace: %d\n", t, use_worldspace);
  std::fprintf(fp, "%sScale: %s\n", t, vec(scale));
  std::fprintf(fp, "%sRotate: %s\n", t, vec(rotate));
  std::fprintf(fp, "%sTranslate: %s\n", t, vec(translate));
}

void MSrf_2DTexture::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%s2DTexture:\n", t);
  std::fprintf(fp, "%sFile Name: %s\n", t, file_name);
  std::fprintf(fp, "%sFilter Type: %s\n", t, MSrf_FilterTypeName(filter_type));
  std::fprintf(fp, "%sBlur: %.3lf\n", t, blur);
  std::fprintf(fp, "%sInvert: %d\n", t, invert);
  std::fprintf(fp, "%sMirror: %d\n", t, mirror);
  std::fprintf(fp, "%sTile U: %d\n", t, tile_u);
  std::fprintf(fp, "%sTile V: %d\n", t, tile_v);
  std::fprintf(fp, "%sUV Scale: %s\n", t, vec(uv_scale));
  std::fprintf(fp, "%sUV Rotation: %.3lf\n", t, uv_rotation);
  std::fprintf(fp, "%sUV Offset: %s\n", t, vec(uv_offset));
  std::fprintf(fp, "%sUV Crop Start: %s\n", t, vec(uv_crop_start));
  std::fprintf(fp, "%sUV Crop End: %s\n", t, vec(uv_crop_end));
  std::fprintf(fp, "%sAlpha Source: %s\n", t, MSrf_AlphaSourceName(alpha_source));
  std::fprintf(fp, "%sAlpha Color: %s\n", t, alpha_color.Print());
  std::fprintf(fp, "%sAlpha Tolerance: %s\n", t, alpha_tolerance.Print());
}

void MSrf_Texture::Print(FILE* fp, int a, int b, int indent) {
  if (!fp) return;
  Indent in(indent);
  std::fprintf(fp, "%sEnabled: %d\n", in.s, enabled);
  std::fprintf(fp, "%sTexture Type: %s\n", in.s, MSrf_TextureKindName(kind));
  std::fprintf(fp, "%sName: %s\n", in.s, name);
  if (kind == _3DPROCEDURE)
    procedure.Print(fp, a, b, indent + 1);
  else
    bitmap.Print(fp, a, b, indent + 1);
}

void MSrf_TextureLayer::Print(FILE* fp, int a, int b, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%sEnabled: %d\n", t, enabled);
  struct {
    MSrf_ColorMix* m;
    const char* label;
  } colors[] = {{&diffuse_color, "%sDiffuse Color Map Manipulator:\n"},
                {&ambient_color, "%sAmbient Color Map Manipulator:\n"},
                {&specular_color, "%sSpecular Color Map Manipulator:\n"},
                {&luminous_color, "%sLuminous Color Map Manipulator:\n"}};
  for (auto& c : colors)
    if (c.m->enabled) {
      std::fprintf(fp, c.label, t);
      c.m->Print(fp, a, b, indent + 1);
    }
  struct {
    MSrf_ColorIntensityMix* m;
    const char* label;
  } intens[] = {{&diffuse_intensity, "%sDiffuse Intensity Map Manipulator:\n"},
                {&ambient_intensity, "%sAmbient Intensity Map Manipulator:\n"},
                {&specular_intensity, "%sSpecular Intensity Map Manipulator:\n"},
                {&luminous_intensity, "%sLuminous Intensity Map Manipulator:\n"},
                {&opacity_intensity, "%sOpacity Intensity Map Manipulator:\n"},
                {&bump_intensity, "%sBump Intensity Map Manipulator:\n"}};
  for (auto& c : intens)
    if (c.m->enabled) {
      std::fprintf(fp, c.label, t);
      c.m->Print(fp, a, b, indent + 1);
    }
  std::fprintf(fp, "%sTexture:\n", t);
  texture.Print(fp, a, b, indent + 1);
  if (mask_manipulator.enabled) {
    std::fprintf(fp, "%sMask Manipulator:\n", t);
    mask_manipulator.Print(fp, a, b, indent + 1);
    std::fprintf(fp, "%sTexture Mask:\n", t);
    mask.Print(fp, a, b, indent + 1);
  }
}

static void delete_layer(void* p) { delete static_cast<MSrf_TextureLayer*>(p); }

MSrf_TextureLayers::MSrf_TextureLayers() : layers(new MList(delete_layer)) {}
MSrf_TextureLayers::~MSrf_TextureLayers() { delete layers; }

int MSrf_TextureLayers::Add(MSrf_TextureLayer* layer) {
  if (!layer) return 0;
  layers->Append(layer);
  return 1;
}

MSrf_TextureLayer* MSrf_TextureLayers::Get(int i) { return static_cast<MSrf_TextureLayer*>(layers->GetAt(i)); }

void MSrf_TextureLayers::Print(FILE* fp, int a, int b, int indent) {
  if (!fp) return;
  Indent in(indent);
  std::fprintf(fp, "%sTexture Layers (%d):\n", in.s, Get_Count());
  for (int i = 0; i < Get_Count(); ++i) {
    std::fprintf(fp, "%sLayer: %d\n", in.s, i);
    if (MSrf_TextureLayer* l = Get(i)) l->Print(fp, a, b, indent + 1);
  }
}

void MSrf_PlanarEnvMapping::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%sMSrf_PlanarEnvMapping:\n", t);
  std::fprintf(fp, "%sType %s\n", t, MSrf_CubicTypeName(type));  // 1: from a bitmap
  std::fprintf(fp, "%sStrength: %.3lf\n", t, strength);
  std::fprintf(fp, "%sFilter Type %s\n", t, MSrf_FilterTypeName(filter_type));
  // The indent is a narrow string: "%s", never the wide "%S".
  std::fprintf(fp, "%sMap %s\n", t, map);
}

void MSrf_SphereEnvMapping::Print(FILE* fp, int a, int b, int indent) {
  if (!fp) return;
  Indent in(indent);
  std::fprintf(fp, "%sMSrf_SphereEnvMapping:\n", in.s);
  MSrf_ColorMix::Print(fp, a, b, indent + 1);
  texture.Print(fp, a, b, indent + 1);
}

static const char* const kCubeFaces[6] = {"Front ", "Back  ", "Left  ", "Right ", "Top   ", "Bottom"};

void MSrf_CubicEnvMapping::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%sMSrf_CubicEnvMapping:\n", t);
  std::fprintf(fp, "%sType %s\n", t, MSrf_CubicTypeName(type));
  std::fprintf(fp, "%sStrength: %.3lf\n", t, strength);
  if (type == BITMAP) {
    std::fprintf(fp, "%sFilter Type %s\n", t, MSrf_FilterTypeName(filter_type));
    for (int i = 0; i < 6; ++i) std::fprintf(fp, "%s%s %s\n", t, kCubeFaces[i], maps[i]);
  }
}

void MSrf_EnvMapping::Print(FILE* fp, int a, int b, int indent) {
  if (!fp) return;
  Indent in(indent);
  std::fprintf(fp, "%sMSrf_EnvMapping:\n", in.s);
  if (planar.enabled) planar.Print(fp, a, b, indent + 1);
  if (sphere.enabled) sphere.Print(fp, a, b, indent + 1);
  if (cubic.enabled) cubic.Print(fp, a, b, indent + 1);
  if (mask_manipulator.enabled) {
    std::fprintf(fp, "%sMask Manipulator:\n", in.s);
    mask_manipulator.Print(fp, a, b, indent + 1);
    std::fprintf(fp, "%sTexture Mask:\n", in.s);
    mask.Print(fp, a, b, indent + 1);
  }
}

int MSrf_Color::Init(double r, double g, double b) {
  ambient.Init_RGB(r, g, b, 1.0);
  diffuse.Init_RGB(r, g, b, 1.0);
  luminous.Init_RGB(r, g, b, 1.0);
  specular.Init_RGB(r, g, b, 1.0);
  ambient_intensity = 0.3;
  diffuse_intensity = 0.4;
  luminous_intensity = 0.0;
  specular_intensity = 0.7;
  reflection_intensity = 0.0;
  return 0;
}

void MSrf_Color::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%sMSrf_Color:\n", t);
  std::fprintf(fp, "%sAmbient : %s, intensity %.3lf\n", t, ambient.Print(), ambient_intensity);
  std::fprintf(fp, "%sDiffuse : %s, intensity %.3lf\n", t, diffuse.Print(), diffuse_intensity);
  std::fprintf(fp, "%sSpecular : %s, intensity %.3lf\n", t, specular.Print(), specular_intensity);
  std::fprintf(fp, "%sLuminous : %s, intensity %.3lf\n", t, luminous.Print(), luminous_intensity);
  if (lock_ambient) std::fprintf(fp, "%sLock Ambient Color\n", t);
  if (lock_specular) std::fprintf(fp, "%sLock Specular Color\n", t);
  if (lock_luminous) std::fprintf(fp, "%sLock Luminous Color\n", t);
  std::fprintf(fp, "%sRaytraced Reflections Intensity: %.3lf\n", t, reflection_intensity);
}

void MSrf_OpRef::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%sMSrf_OpRef:\n", t);
  std::fprintf(fp, "%sSurface Opactity: %.3lf\n", t, surface_opacity);
  std::fprintf(fp, "%sReflected Opactity: %.3lf\n", t, reflected_opacity);
  std::fprintf(fp, "%sEnable Edge Opacity: %d\n", t, edge_opacity_enabled);
  if (edge_opacity_enabled) {
    std::fprintf(fp, "%sEdge Opactity: %.3lf\n", t, edge_opacity);
    std::fprintf(fp, "%sEdge Opactity Exponent: %.3lf\n", t, edge_opacity_exponent);
  }
  std::fprintf(fp, "%sIndex of Refraction: %.3lf\n", t, index_of_refraction);
  std::fprintf(fp, "%sAdd Fresnel: %d\n", t, add_fresnel);
}

void MSrf_Spec::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%sMSrf_Spec:\n", t);
  std::fprintf(fp, "%sHighlight Model: %s\n", t, MSrf_HighlightModelName(highlight_model));
  std::fprintf(fp, "%sColor_Bias: %.3lf\n", t, color_bias);
  std::fprintf(fp, "%sPhong size: %.3lf\n", t, phong_size);
  std::fprintf(fp, "%sRefraction Index: %d\n", t, refraction_index);
  std::fprintf(fp, "%sRoughness: %.3lf\n", t, roughness);
}

void MSrf_Attributes::Print(FILE* fp, int, int, int indent) {
  if (!fp) return;
  Indent in(indent);
  const char* t = in.s;
  std::fprintf(fp, "%sMSrf_Attributes:\n", t);
  std::fprintf(fp, "%sShading Type: %s\n", t, MSrf_ShadingTypeName(shading_type));
  std::fprintf(fp, "%sWireframe Shader: %d\n", t, wireframe_shader);
  std::fprintf(fp, "%sWireframe Width: %.3lf\n", t, wireframe_width);
  std::fprintf(fp, "%sBlur: %.3lf\n", t, blur);
  std::fprintf(fp, "%sUse Soften: %d\n", t, use_soften);
  std::fprintf(fp, "%sUse TwoSided: %d\n", t, use_twosided);
  std::fprintf(fp, "%sUse FaceMap: %d\n", t, use_facemap);
}

void MSurface::Print(FILE* fp, int a, int b, int indent) {
  if (!fp) return;
  Indent in(indent);
  std::fprintf(fp, "%sName : %s\n", in.s, name);
  color.Print(fp, a, b, indent + 1);
  layers.Print(fp, a, b, indent + 1);
  env.Print(fp, a, b, indent + 1);
  opref.Print(fp, a, b, indent + 1);
  spec.Print(fp, a, b, indent + 1);
  attributes.Print(fp, a, b, indent + 1);
}
