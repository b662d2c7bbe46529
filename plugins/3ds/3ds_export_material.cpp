// Surfaces become material entries: colours, shading, transparency and the
// map slots filled from the texture layers.
#include <cmath>
#include <string>

#include "3ds_export.h"
#include "format_run.h"

namespace k3ds {
namespace {

// One map or mask to write; layer texture and manipulator.
struct MapUse {
  const MSrf_Texture* texture = nullptr;
  const MSrf_Mix* mix = nullptr;
  const MSrf_ColorMix* tints = nullptr;  // colour manipulators: their tints
  bool intensity = false;
};

enum Slot { kTexture1, kTexture2, kOpacity, kBump, kSpecular, kShininess, kSelfIllum, kReflection, kSlots };
const uint16_t kMapIds[kSlots] = {kMatTexMap, kMatTex2Map, kMatOpacMap, kMatBumpMap, kMatSpecMap, kMatShinMap, kMatSelfIllumMap, kMatReflMap};
const uint16_t kMaskIds[kSlots] = {kMatTexMask, kMatTex2Mask, kMatOpacMask, kMatBumpMask, kMatSpecMask, kMatShinMask, kMatSelfIllumMask, kMatReflMask};

const char* ProceduralName(int type) {
  switch (type) {
    case BUMP: return "DENTS_I.SXP";
    case CHECKER: return "CHECK_I.SXP";
    case NOISE: return "NOISE_I.SXP";
    case WOOD: return "WOOD_I.SXP";
    default: return "MARBLE_I.SXP";
  }
}

uint16_t TextureFlags(const MSrf_2DTexture& t, bool alpha_source) {
  uint16_t f = 0;
  if (t.tile_u || t.tile_v) {
    if (t.alpha_source == ALPHA_UPPERLEFTPIXELIMAGE) f |= kMapDecal;  // tile and decal
  } else {
    f |= kMapDecal | kMapNoTile;
  }
  if (t.filter_type == EWA) f |= kMapSummedArea;
  if (t.invert) f |= kMapNegative;
  if (t.mirror) f |= kMapMirror;
  if (t.alpha_source == DISABLED) f |= kMapIgnoreAlpha;
  if (alpha_source) f |= kMapAlphaSource;
  return f;
}

class MaterialWriter {
 public:
  MaterialWriter(Chunk& entry, const MaterialContext& ctx) : entry_(entry), ctx_(ctx) {}

  void Map(uint16_t id, const MapUse& u, bool bump = false) {
    const MSrf_Texture& t = *u.texture;
    const bool bitmap = t.kind == _2DBITMAP;
    if (!bitmap && u.intensity) return;  // intensity maps and masks need a bitmap
    std::string name;
    if (bitmap) {
      name = ctx_.NewMapName(t.bitmap.file_name);
    } else {
      name = ProceduralName(t.procedure.type);
    }
    if (name.size() > kMapNameLen) {
      // Cutting would name a file that is not there; the map alone goes
      // (maps that are copied or converted were given a name that fits).
      ctx_.log.write("%s\n", ErrorMessage(kStringTooLong));
      ctx_.log.write("Map file name %s too long, map left out\n", name.c_str());
      kvpf::ReportWarning("map %s left out: a 3DS map name holds %zu characters", name.c_str(), kMapNameLen);
      return;
    }
    Chunk& m = entry_.Add(id);
    PutShortOf(m, kIntPercentage, Percent(u.mix->value));
    Writer(&m.Add(kMatMapName).data).String(name.c_str(), kMapNameLen);
    if (bitmap) {
      const MSrf_2DTexture& b = t.bitmap;
      Writer(&m.Add(kMatMapTiling).data).Word(TextureFlags(b, u.intensity && u.mix->color_source == IMG_ALPHA));
      PutFloat(m, kMatMapTexBlur, b.blur);
      PutFloat(m, kMatMapUScale, b.uv_scale.x);
      PutFloat(m, kMatMapVScale, b.uv_scale.y);
      PutFloat(m, kMatMapUOffset, b.uv_offset.x);
      PutFloat(m, kMatMapVOffset, b.uv_offset.y);
      PutFloat(m, kMatMapAng, b.uv_rotation);
      static const MSrf_ColorMix kPlain;  // black, white, red, green, blue
      const MSrf_ColorMix& c = u.tints ? *u.tints : kPlain;
      const MColor* tint[5] = {&c.tint_black, &c.tint_white, &c.tint_red, &c.tint_green, &c.tint_blue};
      const uint16_t tint_ids[5] = {kMatMapCol1, kMatMapCol2, kMatMapRCol, kMatMapGCol, kMatMapBCol};
      for (int i = 0; i < 5; ++i) {
        Writer w(&m.Add(tint_ids[i]).data);
        PutByteColor(w, *tint[i]);
      }
    }
    if (bump) PutShortOf(m, kMatBumpPercent, Percent(u.mix->value));
  }

 private:
  Chunk& entry_;
  const MaterialContext& ctx_;
};

struct Transparency {
  double transparency, falloff;
  bool falloff_on;
};

Transparency TransparencyOf(const MSrf_OpRef& op) {
  if (op.edge_opacity_enabled && op.edge_opacity_exponent >= 0.6)
    return {1 - op.surface_opacity, 1 - op.edge_opacity, true};
  if (op.edge_opacity_enabled) return {1 - op.edge_opacity, 1 - op.surface_opacity, false};
  return {1 - op.surface_opacity, 0, true};
}

int ShadingOf(int type) {
  switch (type) {
    case SHADE_FLAT: return 1;
    case SHADE_GOURAUD: return 2;
    case SHADE_METAL: return 4;
    default: return 3;  // Phong, Blinn
  }
}

void PutColor(Chunk& entry, uint16_t id, const MColor& c) {
  Chunk& ch = entry.Add(id);
  {
    Writer w(&ch.Add(kColor24).data);
    PutByteColor(w, c);
  }
  Writer w(&ch.Add(kLinColor24).data);
  PutByteColor(w, c);
}

bool HasDiffuseMap(MSurface& s) {
  for (int i = 0; i < s.layers.Get_Count(); ++i) {
    const MSrf_TextureLayer* l = s.layers.Get(i);
    if (l && l->diffuse_color.enabled && l->texture.kind == _2DBITMAP) return true;
  }
  return false;
}

}  // namespace

std::string MaterialContext::NewMapName(const char* file) const {
  const char* n = image_handler.GetWrittenMapName(maps, file, 0, "");
  std::string out = n ? n : "";
  log.write("old map file %s to new map file %s\n", file, out.c_str());
  return out;
}

void PutMaterial(Chunk& editor, MSurface& s, const std::string& name, const MaterialContext& ctx) {
  Chunk& e = editor.Add(kMatEntry);
  Writer(&e.Add(kMatName).data).String(name.c_str(), 16);

  const MSrf_Color& col = s.color;
  const MColor diffuse = Scaled(col.diffuse, col.diffuse_intensity);
  PutColor(e, kMatAmbient, col.lock_ambient ? diffuse : Scaled(col.ambient, col.ambient_intensity));
  PutColor(e, kMatDiffuse, HasDiffuseMap(s) ? m_color_under_map(diffuse) : diffuse);
  PutColor(e, kMatSpecular, col.lock_specular ? col.diffuse : col.specular);
  PutPercent(e, kMatShininess, s.spec.phong_size);
  PutPercent(e, kMatShin2Pct, col.specular_intensity);
  const Transparency tr = TransparencyOf(s.opref);
  PutPercent(e, kMatTransparency, tr.transparency);
  {
    double f = std::round(tr.falloff * 100.0);  // half away from zero
    PutShortOf(e.Add(kMatXpFall), kIntPercentage, std::isfinite(f) ? static_cast<long>(std::fabs(std::fmin(f, 1e6))) : 0);
    if (tr.falloff < 0) e.Add(kMatXpFallIn);
  }
  const MSrf_Attributes& at = s.attributes;
  PutPercent(e, kMatRefBlur, at.blur);
  PutShortOf(e, kMatShading, at.wireframe_shader ? 0 : ShadingOf(at.shading_type));
  PutPercent(e, kMatSelfIlPct, col.luminous_intensity);
  if (at.use_twosided) e.Add(kMatTwoSide);
  PutFloat(e, kMatWireSize, at.wireframe_shader ? at.wireframe_width : 1.0);
  if (tr.falloff_on) e.Add(kMatUseXpFall);
  if (at.wireframe_shader) e.Add(kMatWire);
  if (at.use_facemap) e.Add(kMatFaceMap);
  if (at.use_soften) e.Add(kMatPhongSoft);

  // Each slot takes the first layer whose manipulator for it is on.
  MapUse map[kSlots], mask[kSlots];
  auto fill = [&](Slot slot, const MSrf_TextureLayer& l, const MSrf_Mix& mix, const MSrf_ColorMix* tints) {
    if (map[slot].texture) return false;
    map[slot] = MapUse{&l.texture, &mix, tints, tints == nullptr};
    if (l.mask_manipulator.enabled) mask[slot] = MapUse{&l.mask, &l.mask_manipulator, nullptr, true};
    return true;
  };
  for (int i = 0; i < s.layers.Get_Count(); ++i) {
    const MSrf_TextureLayer* l = s.layers.Get(i);
    if (!l) continue;
    if (l->diffuse_color.enabled && !fill(kTexture1, *l, l->diffuse_color, &l->diffuse_color))
      fill(kTexture2, *l, l->diffuse_color, &l->diffuse_color);
    if (l->specular_color.enabled) fill(kSpecular, *l, l->specular_color, &l->specular_color);
    if (l->opacity_intensity.enabled) fill(kOpacity, *l, l->opacity_intensity, nullptr);
    if (l->bump_intensity.enabled) fill(kBump, *l, l->bump_intensity, nullptr);
    if (l->specular_intensity.enabled) fill(kShininess, *l, l->specular_intensity, nullptr);
    if (l->luminous_intensity.enabled) fill(kSelfIllum, *l, l->luminous_intensity, nullptr);
  }

  const MSrf_EnvMapping& env = s.env;
  bool auto_reflection = false, flat_mirror = false;
  double auto_amount = 0;
  if (env.sphere.enabled && env.sphere.texture.enabled && env.sphere.texture.kind == _2DBITMAP) {
    map[kReflection] = MapUse{&env.sphere.texture, &env.sphere, &env.sphere, false};
  } else if (env.cubic.enabled) {
    auto_reflection = true;
    auto_amount = env.cubic.strength;
  } else if (col.reflection_intensity > 0) {
    auto_reflection = flat_mirror = true;
    auto_amount = col.reflection_intensity;
  }
  if (env.mask_manipulator.enabled) mask[kReflection] = MapUse{&env.mask, &env.mask_manipulator, nullptr, true};

  MaterialWriter w(e, ctx);
  for (int slot = 0; slot < kSlots; ++slot) {
    if (map[slot].texture) w.Map(kMapIds[slot], map[slot], slot == kBump);
    if (slot == kReflection && auto_reflection) PutShortOf(e.Add(kMatReflMap), kIntPercentage, Percent(auto_amount));
    if (mask[slot].texture) w.Map(kMaskIds[slot], mask[slot]);
  }
  if (auto_reflection) {
    Writer r(&e.Add(kMatAcubic).data);
    r.Byte(0);
    r.Byte(0);
    r.Word(flat_mirror ? 0x11 : 0x01);
    r.Long(0);
    r.Long(0);
  }
}

}  // namespace k3ds
