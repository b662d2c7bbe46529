// Global settings, background, fog, cameras and lights as editor chunks.
#include <cmath>

#include "3ds_export.h"

namespace k3ds {

void PutMeshSet(Chunk& editor, const MSceneOptions& o) {
  PutFloat(editor, kMasterScale, o.master_scale);
  PutFloat(editor, kLoShadowBias, o.shadow_bias);
  PutShortOf(editor, kShadowMapSize, o.shadow_map_size);
  PutFloat(editor, kShadowFilter, o.shadow_filter);
  PutFloat(editor, kRayBias, o.ray_bias);
  {
    Chunk& amb = editor.Add(kAmbientLight);
    const MColor c = Scaled(o.ambient_color, o.ambient_intensity);
    PutFloatColor(amb, c, kColorF);
    PutFloatColor(amb, c, kLinColorF);
  }
  Writer w(&editor.Add(kOConsts).data);
  PutVector(w, MVector3(0, 0, 0));
}

void PutBackground(Chunk& editor, const MBackGround& b, const MaterialContext& ctx) {
  int in_use = 0;
  std::string bitmap;
  if (b.type == BCKG_SOLID || b.type == BCKG_GRADIENT) in_use = b.type;
  if (b.type == BCKG_TEXTURE && b.texture.enabled && b.texture.kind == _2DBITMAP) {
    bitmap = ctx.NewMapName(b.texture.bitmap.file_name);
    if (bitmap.size() > kMapNameLen) {
      ctx.log.write("%s\n", ErrorMessage(kStringTooLong));
      ctx.log.write("Map file name %s too long, background left out\n", bitmap.c_str());
      bitmap.clear();
    } else {
      in_use = BCKG_TEXTURE;
    }
  }
  Writer(&editor.Add(kBitMap).data).String(bitmap.c_str(), kMapNameLen);
  PutFloatColor(editor.Add(kSolidBgnd), b.solid_color);
  {
    Chunk& g = editor.Add(kVGradient);
    Writer(&g.data).Float(static_cast<float>(1.0 - b.mid_pos));
    // Stored bottom first.
    PutFloatColor(g, b.bottom_color);
    PutFloatColor(g, b.mid_color);
    PutFloatColor(g, b.top_color);
  }
  if (in_use == BCKG_TEXTURE) editor.Add(kUseBitMap);
  if (in_use == BCKG_SOLID) editor.Add(kUseSolidBgnd);
  if (in_use == BCKG_GRADIENT) editor.Add(kUseVGradient);
}

void PutAtmosphere(Chunk& editor, const MFog& f) {
  {
    Chunk& fog = editor.Add(kFog);
    Writer w(&fog.data);
    // Defaults of an unused fog record.
    w.Float(f.enabled ? static_cast<float>(f.near_plane) : 0.0f);
    w.Float(f.enabled ? static_cast<float>(f.near_density * 100.0) : 0.0f);
    w.Float(f.enabled ? static_cast<float>(f.far_plane) : 1000.0f);
    w.Float(f.enabled ? static_cast<float>(f.far_density * 100.0) : 100.0f);
    PutFloatColor(fog, f.enabled ? f.color : MColor(0, 0, 0, 1));
    if (f.enabled && f.fog_background) fog.Add(kFogBgnd);
  }
  {
    Chunk& layered = editor.Add(kLayerFog);
    Writer w(&layered.data);
    w.Float(0.0f);
    w.Float(100.0f);
    w.Float(50.0f);
    w.Long(0);
    PutFloatColor(layered, MColor(0, 0, 0, 1));
  }
  {
    Chunk& cue = editor.Add(kDistanceCue);
    Writer w(&cue.data);
    w.Float(0.0f);
    w.Float(0.0f);
    w.Float(1000.0f);
    w.Float(100.0f);
  }
  if (f.enabled) editor.Add(kUseFog);
}

void PutCamera(Chunk& editor, MCamera& c, const std::string& name) {
  Chunk& obj = editor.Add(kNamedObject);
  Writer(&obj.data).String(name.c_str(), 10);
  Chunk& cam = obj.Add(kNCamera);
  Writer w(&cam.data);
  PutVector(w, c.position);
  PutVector(w, c.target);
  w.Float(static_cast<float>(c.roll_angle));
  // A field of view the lens formula cannot take keeps the 50 mm lens.
  const bool fov_ok = c.fov > 0 && std::isfinite(c.fov);
  w.Float(fov_ok ? static_cast<float>(2400.0 / c.fov) : 50.0f);
  Writer r(&cam.Add(kCamRanges).data);
  r.Float(static_cast<float>(c.near_plane));
  r.Float(static_cast<float>(c.far_plane));
}

bool PutLight(Chunk& editor, MLight& l, const std::string& name, const MaterialContext& ctx) {
  if (l.type != POINTLIGHT && l.type != SPOTLIGHT) return false;
  // The projector name is settled first: it is logged before the chunks.
  std::string projector;
  if (l.type == SPOTLIGHT && l.projector) {
    projector = ctx.NewMapName(l.bitmap_name);
    if (projector.size() > kMapNameLen) {
      ctx.log.write("%s\n", ErrorMessage(kStringTooLong));
      ctx.log.write("Map file name %s too long, projector left out\n", projector.c_str());
      projector.clear();
    }
  }
  Chunk& obj = editor.Add(kNamedObject);
  Writer(&obj.data).String(name.c_str(), 10);
  Chunk& light = obj.Add(kNDirectLight);
  {
    Writer w(&light.data);
    PutVector(w, l.position);
  }
  PutFloatColor(light, l.color);
  PutFloat(light, kDlOuterRange, l.outer);
  PutFloat(light, kDlInnerRange, l.inner);
  PutFloat(light, kDlMultiplier, l.intensity);
  if (!l.active) light.Add(kDlOff);
  if (l.attenuation) light.Add(kDlAttenuate);
  if (l.type != SPOTLIGHT) return true;

  Chunk& spot = light.Add(kDlSpotlight);
  {
    Writer w(&spot.data);
    PutVector(w, l.target);
    w.Float(static_cast<float>(l.hotspot));
    w.Float(static_cast<float>(l.falloff));
  }
  PutFloat(spot, kDlSpotRoll, l.roll);
  if (l.aspect != 1.0) PutFloat(spot, kDlSpotAspect, l.aspect);
  if (l.shadow_cast) spot.Add(kDlShadowed);
  if (l.shadow_type == 1) spot.Add(kDlRaytrace);
  PutFloat(spot, kDlRayBias, l.ray_bias);
  if (l.shadow_local) {
    Writer w(&spot.Add(kDlLocalShadow2).data);
    w.Float(static_cast<float>(l.shadow_bias));
    w.Float(static_cast<float>(l.shadow_filter));
    w.Short(static_cast<int16_t>(std::fmax(-32768.0, std::fmin(32767.0, l.shadow_map_size))));
  }
  if (l.cone_style == 1) spot.Add(kDlSpotRectangular);
  spot.Add(kDlSeeCone);
  if (!projector.empty()) Writer(&spot.Add(kDlSpotProjector).data).String(projector.c_str(), kMapNameLen);
  return true;
}

}  // namespace k3ds
