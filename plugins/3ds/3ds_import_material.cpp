// Material entries become surfaces with texture layers.
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "3ds_import.h"
#include "korvanelib.h"

namespace imp3ds {
namespace {


struct MapParams {
  std::string file;
  double amount = 1.0;
  uint16_t flags = 0;
  double blur = 0.0;
  double u_scale = 1.0, v_scale = 1.0, u_offset = 0.0, v_offset = 0.0, rotation = 0.0;
  MColor tint[5] = {MColor(0, 0, 0, 1), MColor(1, 1, 1, 1), MColor(1, 0, 0, 1), MColor(0, 1, 0, 1),
                    MColor(0, 0, 1, 1)};

  bool Present() const { return !file.empty(); }
  // 1 tile, 2 decal, 3 both.
  int Tiling() const { return (flags & k3ds::kMapDecal) ? ((flags & k3ds::kMapNoTile) ? 2 : 3) : 1; }
  // 0 RGB, 1 alpha, 2 RGB luma tint, 3 alpha tint, 4 RGB tint.
  int TintMode() const {
    if (flags & k3ds::kMapTint) return (flags & k3ds::kMapAlphaSource) ? 3 : 2;
    if (flags & k3ds::kMapRgbTint) return 4;
    return (flags & k3ds::kMapAlphaSource) ? 1 : 0;
  }
};

MapParams ReadMap(const k3ds::Chunk* map, k3ds::ErrorList& err) {
  MapParams p;
  if (!map) return p;
  if (map->Find(kIntPercentage) || map->Find(kFloatPercentage)) p.amount = ReadPercent(*map, err);
  if (const k3ds::Chunk* f = map->Find(kMatMapName)) p.file = ChunkName(*f, err, MSRF_NAME_LEN - 1);
  if (const k3ds::Chunk* f = map->Find(kMatMapTiling)) {
    k3ds::Reader r(*f, &err);
    p.flags = r.Word();
  }
  ReadFloatOf(*map, kMatMapTexBlur, &p.blur, err);
  ReadFloatOf(*map, kMatMapUScale, &p.u_scale, err);
  ReadFloatOf(*map, kMatMapVScale, &p.v_scale, err);
  ReadFloatOf(*map, kMatMapUOffset, &p.u_offset, err);
  ReadFloatOf(*map, kMatMapVOffset, &p.v_offset, err);
  ReadFloatOf(*map, kMatMapAng, &p.rotation, err);
  const uint16_t tints[5] = {kMatMapCol1, kMatMapCol2, kMatMapRCol, kMatMapGCol, kMatMapBCol};
  for (int i = 0; i < 5; ++i)
    if (const k3ds::Chunk* t = map->Find(tints[i])) {
      k3ds::Reader r(*t, &err);
      double red = r.Byte() / 255.0, green = r.Byte() / 255.0, blue = r.Byte() / 255.0;
      p.tint[i].Init_RGB(red, green, blue, 1.0);
    }
  if (map->id == kMatBumpMap) {
    int32_t bump = 0;
    if (map->Find(kMatBumpPercent)) {
      ReadShortOf(*map, kMatBumpPercent, &bump, err);
      p.amount = bump * 0.01;
    }
  }
  return p;
}

std::string Upper(const std::string& s) {
  std::string u = s;
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// File name without folders, upper case.
std::string BaseUpper(const std::string& file) {
  size_t cut = file.find_last_of("/\\:");
  return Upper(cut == std::string::npos ? file : file.substr(cut + 1));
}

std::string ExtUpper(const std::string& file) {
  std::string base = BaseUpper(file);
  size_t dot = base.rfind('.');
  return dot == std::string::npos ? std::string() : base.substr(dot);
}

bool IsBitmapExt(const std::string& ext) {
  // The formats of 3D Studio itself, and PNG that later programs write into
  // .3ds files and the map conversion reads.
  for (const char* e : {".TGA", ".GIF", ".JPG", ".CEL", ".FLC", ".FLI", ".TIF", ".BMP", ".PNG"})
    if (ext == e) return true;
  return false;
}

int ProcedureKind(const std::string& base, int def) {
  if (base == "MARBLE_I.SXP" || base == "MARBL2_I.SXP") return MARBLE;
  if (base == "WOOD_I.SXP") return WOOD;
  if (base == "NOISE_I.SXP") return NOISE;
  if (base == "CHECK_I.SXP") return CHECKER;
  if (base == "DENTS_I.SXP" || base == "DENTS2_I.SXP") return BUMP;
  return def;
}

// Fills a texture (of a layer, mask or reflection) from a map; bitmap file
// names are collected for the map list.
void SetTexture(MSrf_Texture& t, const MapParams& p, const char* surface, std::vector<std::string>& maps) {
  msrf_copy_name(t.name, NextTextureName(surface).c_str());
  const std::string ext = ExtUpper(p.file);
  if (IsBitmapExt(ext)) {
    t.enabled = 1;
    t.kind = _2DBITMAP;
    MSrf_2DTexture& b = t.bitmap;
    msrf_copy_name(b.file_name, p.file.c_str());
    maps.push_back(p.file);
    b.filter_type = (p.flags & k3ds::kMapSummedArea) ? EWA : MIP;
    b.blur = p.blur;
    b.invert = (p.flags & k3ds::kMapNegative) ? 1 : 0;
    b.mirror = (p.flags & k3ds::kMapMirror) ? 1 : 0;
    const int tiling = p.Tiling();
    b.tile_u = b.tile_v = (tiling == 1 || tiling == 3) ? 1 : 0;
    b.alpha_source = (p.flags & k3ds::kMapIgnoreAlpha) ? DISABLED : ALPHAIMAGE;
    if (tiling == 2 || tiling == 3) b.alpha_source = ALPHA_UPPERLEFTPIXELIMAGE;
    b.uv_scale = MVector3(p.u_scale, p.v_scale, 0);
    b.uv_rotation = p.rotation;
    b.uv_offset = MVector3(p.u_offset, p.v_offset, 0);
  } else if (ext == ".SXP") {
    t.enabled = 1;
    t.kind = _3DPROCEDURE;
    t.procedure.type = ProcedureKind(BaseUpper(p.file), t.procedure.type);
  } else {
    // Animation lists (.ifl) and unknown files cannot be shown.
    t.enabled = 0;
  }
}

void SetColorMix(MSrf_ColorMix& mix, const MapParams& p) {
  mix.enabled = 1;
  mix.value = p.amount;
  switch (p.TintMode()) {
    case 1: mix.color_source = IMG_ALPHA; mix.mix_source = MIX_NO; break;
    case 2: mix.color_source = IMG_RGB; mix.mix_source = MIX_TINT_ALPHA; break;
    case 3: mix.color_source = IMG_ALPHA; mix.mix_source = MIX_TINT_ALPHA; break;
    case 4: mix.color_source = IMG_RGB; mix.mix_source = MIX_TINT_RGB; break;
    default: mix.color_source = IMG_RGB; mix.mix_source = MIX_NO; break;
  }
  mix.tint_black = p.tint[0];
  mix.tint_white = p.tint[1];
  mix.tint_red = p.tint[2];
  mix.tint_green = p.tint[3];
  mix.tint_blue = p.tint[4];
}

void SetIntensityMix(MSrf_ColorIntensityMix& mix, const MapParams& p) {
  mix.enabled = 1;
  mix.value = p.amount;
  if (p.TintMode() == 1) mix.color_source = IMG_ALPHA;
}

enum Channel { kDiffuseColor, kSpecularColor, kBumpIntensity, kSpecularIntensity, kLuminousIntensity, kOpacity };

struct Slot {
  uint16_t map, mask;
  Channel channel;
};

// The order in which maps become layers.
const Slot kSlots[] = {
    {kMatTexMap, kMatTexMask, kDiffuseColor},      {kMatTex2Map, kMatTex2Mask, kDiffuseColor},
    {kMatSpecMap, kMatSpecMask, kSpecularColor},     {kMatBumpMap, kMatBumpMask, kBumpIntensity},
    {kMatShinMap, kMatShinMask, kSpecularIntensity}, {kMatSelfIllumMap, kMatSelfIllumMask, kLuminousIntensity},
    {kMatOpacMap, kMatOpacMask, kOpacity},
};

struct MaterialMaps {
  MapParams map[7], mask[7];
  MapParams reflection, reflection_mask;
  bool auto_reflection = false;
  bool flat_mirror = false;
};

}  // namespace

void ImportMaterial(Context& ctx, const k3ds::Chunk& e, const std::string& name) {
  k3ds::ErrorList& err = ctx.err;
  MSurface* s = new MSurface(name.c_str());
  MSrf_Color& col = s->color;
  ReadColor(e.Find(kMatAmbient), &col.ambient, err);
  ReadColor(e.Find(kMatDiffuse), &col.diffuse, err);
  ReadColor(e.Find(kMatSpecular), &col.specular, err);
  col.ambient_intensity = 1.0;
  col.diffuse_intensity = 1.0;
  col.specular_intensity = ReadPercentOf(e, kMatShin2Pct, 0.0, err);
  col.luminous_intensity = ReadPercentOf(e, kMatSelfIlPct, 0.0, err);
  col.lock_luminous = 1;
  s->spec.phong_size = ReadPercentOf(e, kMatShininess, 0.0, err);

  int32_t shading = 3;
  ReadShortOf(e, kMatShading, &shading, err);
  const bool wire = e.Find(kMatWire) != nullptr;
  if (wire) shading = 0;
  MSrf_Attributes& at = s->attributes;
  at.shading_type = shading == 1 ? SHADE_FLAT : shading == 2 ? SHADE_GOURAUD : shading == 4 ? SHADE_METAL : SHADE_PHONG;
  at.wireframe_shader = wire ? 1 : 0;
  double wire_size = 1.0;
  ReadFloatOf(e, kMatWireSize, &wire_size, err);
  at.wireframe_width = wire_size;
  at.blur = ReadPercentOf(e, kMatRefBlur, 0.0, err);
  at.use_soften = e.Find(kMatPhongSoft) ? 1 : 0;
  at.use_twosided = e.Find(kMatTwoSide) ? 1 : 0;
  at.use_facemap = e.Find(kMatFaceMap) ? 1 : 0;

  double transparency = ReadPercentOf(e, kMatTransparency, 0.0, err);
  if (e.Find(kMatXpFallIn)) transparency = -transparency;  // falloff inside
  const double falloff = ReadPercentOf(e, kMatXpFall, 0.0, err);
  MSrf_OpRef& op = s->opref;
  op.surface_opacity = op.reflected_opacity = 1.0 - std::fabs(transparency);
  if (falloff > 0) {
    op.edge_opacity_enabled = 1;
    if (e.Find(kMatUseXpFall)) {
      op.edge_opacity = 1.0 - falloff;
      op.edge_opacity_exponent = 0.6;
    } else {
      op.surface_opacity = 1.0 - falloff;
      op.reflected_opacity = 0.5;
      op.edge_opacity = 1.0 - std::fabs(transparency);
      op.edge_opacity_exponent = 0.5;
    }
  }

  MaterialMaps mm;
  for (int i = 0; i < 7; ++i) {
    mm.map[i] = ReadMap(e.Find(kSlots[i].map), err);
    mm.mask[i] = ReadMap(e.Find(kSlots[i].mask), err);
  }
  mm.reflection = ReadMap(e.Find(kMatReflMap), err);
  mm.reflection_mask = ReadMap(e.Find(kMatReflMask), err);
  if (const k3ds::Chunk* ar = e.Find(kMatAcubic)) {
    k3ds::Reader r(*ar, &err);
    r.Byte();
    r.Byte();
    const uint16_t flags = r.Word();
    mm.auto_reflection = true;
    mm.flat_mirror = (flags & 0x11) == 0x11;
  }
  if (Failed(ctx, "GetMaterialByName3ds", name.c_str())) {
    delete s;
    return;
  }

  std::vector<std::string> maps;
  for (int i = 0; i < 7; ++i) {
    const MapParams& p = mm.map[i];
    if (!p.Present()) continue;
    MSrf_TextureLayer* layer = new MSrf_TextureLayer;
    layer->enabled = 1;
    switch (kSlots[i].channel) {
      case kDiffuseColor: SetColorMix(layer->diffuse_color, p); break;
      case kSpecularColor: SetColorMix(layer->specular_color, p); break;
      case kBumpIntensity: SetIntensityMix(layer->bump_intensity, p); break;
      case kSpecularIntensity: SetIntensityMix(layer->specular_intensity, p); break;
      case kLuminousIntensity: SetIntensityMix(layer->luminous_intensity, p); break;
      case kOpacity: SetIntensityMix(layer->opacity_intensity, p); break;
    }
    SetTexture(layer->texture, p, s->name, maps);
    if (mm.mask[i].Present()) {
      SetTexture(layer->mask, mm.mask[i], s->name, maps);
      layer->mask_manipulator.enabled = 1;
      layer->mask_manipulator.value = 1.0;
    }
    s->layers.Add(layer);
  }

  MSrf_EnvMapping& env = s->env;
  if (mm.auto_reflection) {
    if (mm.flat_mirror) {
      col.reflection_intensity = mm.reflection.amount;
    } else {
      env.cubic.enabled = 1;
      env.cubic.type = AUTO;
      env.cubic.strength = mm.reflection.amount;
    }
  } else if (mm.reflection.Present()) {
    env.sphere.enabled = 1;
    env.sphere.value = mm.reflection.amount;
    SetTexture(env.sphere.texture, mm.reflection, s->name, maps);
  }
  if (mm.reflection_mask.Present()) {
    SetTexture(env.mask, mm.reflection_mask, s->name, maps);
    env.mask_manipulator.enabled = 1;
    env.mask_manipulator.value = 1.0;
  }

  for (const std::string& m : maps) ctx.scene->maps->AddMap(m.c_str());
  ctx.scene->surfaces->Append(s);
}

}  // namespace imp3ds
