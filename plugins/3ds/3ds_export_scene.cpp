// Global settings, background, fog, cameras and lights as editor chunks.
#include <cmath>

#include "3ds_export.h"

namespace k3ds {

void PutMeshSet(Chunk& editor, const MSceneOptions& o) {
  PutFloat(editor, 0x0100, o.master_scale);
  PutFloat(editor, 0x1400, o.shadow_bias);
  PutShortOf(editor, 0x1420, o.shadow_map_size);
  PutFloat(editor, 0x1450, o.shadow_filter);
  PutFloat(editor, 0x1460, o.ray_bias);
  {
    Chunk& amb = editor.Add(0x2100);
    const MColor c = Scaled(o.ambient_color, o.ambient_intensity);
    PutFloatColor(amb, c, 0x0010);
    PutFloatColor(amb, c, 0x0013);
  }
  Writer w(&editor.Add(0x1500).data);
  PutVector(w, MVector3(0, 0, 0));
}

void PutBackground(Chunk& editor, const MBackGround& b, const MaterialContext& ctx) {
  int in_use = 0;
  std::string bitmap;
  if (b.type == BCKG_SOLID || b.type == BCKG_GRADIENT) in_use = b.type;
  if (b.type == BCKG_TEXTURE && b.texture.enabled && b.texture.kind == _2DBITMAP) {
    bitmap = ctx.NewMapName(b.texture.bitmap.file_name);
    if (bitmap.size() > 12) {
      ctx.log.write("%s\n", ErrorMessage(kStringTooLong));
      ctx.log.write("Map file name %s too long, background left out\n", bitmap.c_str());
      bitmap.clear();
    } else {
      in_use = BCKG_TEXTURE;
    }
  }
  Writer(&editor.Add(0x1100).data).String(bitmap.c_str(), 12);
  PutFloatColor(editor.Add(0x1200), b.solid_color);
  {
    Chunk& g = editor.Add(0x1300);
    Writer(&g.data).Float(static_cast<float>(1.0 - b.mid_pos));
    // Stored bottom first.
    PutFloatColor(g, b.bottom_color);
    PutFloatColor(g, b.mid_color);
    PutFloatColor(g, b.top_color);
  }
  if (in_use == BCKG_TEXTURE) editor.Add(0x1101);
  if (in_use == BCKG_SOLID) editor.Add(0x1201);
  if (in_use == BCKG_GRADIENT) editor.Add(0x1301);
}

void PutAtmosphere(Chunk& editor, const MFog& f) {
  {
    Chunk& fog = editor.Add(0x2200);
    Writer w(&fog.data);
    // Defaults of an unused fog record.
    w.Float(f.enabled ? static_cast<float>(f.near_plane) : 0.0f);
    w.Float(f.enabled ? static_cast<float>(f.near_density * 100.0) : 0.0f);
    w.Float(f.enabled ? static_cast<float>(f.far_plane) : 1000.0f);
    w.Float(f.enabled ? static_cast<float>(f.far_density * 100.0) : 100.0f);
    PutFloatColor(fog, f.enabled ? f.color : MColor(0, 0, 0, 1));
    if (f.enabled && f.fog_background) fog.Add(0x2210);
  }
  {
    Chunk& layered = editor.Add(0x2302);
    Writer w(&layered.data);
    w.Float(0.0f);
    w.Float(100.0f);
    w.Float(50.0f);
    w.Long(0);
    PutFloatColor(layered, MColor(0, 0, 0, 1));
  }
  {
    Chunk& cue = editor.Add(0x2300);
    Writer w(&cue.data);
    w.Float(0.0f);
    w.Float(0.0f);
    w.Float(1000.0f);
    w.Float(100.0f);
  }
  if (f.enabled) editor.Add(0x2201);
}

void PutCamera(Chunk& editor, MCamera& c, const std::string& name) {
  Chunk& obj = editor.Add(0x4000);
  Writer(&obj.data).String(name.c_str(), 10);
  Chunk& cam = obj.Add(0x4700);
  Writer w(&cam.data);
  PutVector(w, c.position);
  PutVector(w, c.target);
  w.Float(static_cast<float>(c.roll_angle));
  // A field of view the lens formula cannot take keeps the 50 mm lens.
  const bool fov_ok = c.fov > 0 && std::isfinite(c.fov);
  w.Float(fov_ok ? static_cast<float>(2400.0 / c.fov) : 50.0f);
  Writer r(&cam.Add(0x4720).data);
  r.Float(static_cast<float>(c.near_plane));
  r.Float(static_cast<float>(c.far_plane));
}

bool PutLight(Chunk& editor, MLight& l, const std::string& name, const MaterialContext& ctx) {
  if (l.type != POINTLIGHT && l.type != SPOTLIGHT) return false;
  // The projector name is settled first: it is logged before the chunks.
  std::string projector;
  if (l.type == SPOTLIGHT && l.projector) {
    projector = ctx.NewMapName(l.bitmap_name);
    if (projector.size() > 12) {
      ctx.log.write("%s\n", ErrorMessage(kStringTooLong));
      ctx.log.write("Map file name %s too long, projector left out\n", projector.c_str());
      projector.clear();
    }
  }
  Chunk& obj = editor.Add(0x4000);
  Writer(&obj.data).String(name.c_str(), 10);
  Chunk& light = obj.Add(0x4600);
  {
    Writer w(&light.data);
    PutVector(w, l.position);
  }
  PutFloatColor(light, l.color);
  PutFloat(light, 0x465A, l.outer);
  PutFloat(light, 0x4659, l.inner);
  PutFloat(light, 0x465B, l.intensity);
  if (!l.active) light.Add(0x4620);
  if (l.attenuation) light.Add(0x4625);
  if (l.type != SPOTLIGHT) return true;

  Chunk& spot = light.Add(0x4610);
  {
    Writer w(&spot.data);
    PutVector(w, l.target);
    w.Float(static_cast<float>(l.hotspot));
    w.Float(static_cast<float>(l.falloff));
  }
  PutFloat(spot, 0x4656, l.roll);
  if (l.aspect != 1.0) PutFloat(spot, 0x4657, l.aspect);
  if (l.shadow_cast) spot.Add(0x4630);
  if (l.shadow_type == 1) spot.Add(0x4627);
  PutFloat(spot, 0x4658, l.ray_bias);
  if (l.shadow_local) {
    Writer w(&spot.Add(0x4641).data);
    w.Float(static_cast<float>(l.shadow_bias));
    w.Float(static_cast<float>(l.shadow_filter));
    w.Short(static_cast<int16_t>(std::fmax(-32768.0, std::fmin(32767.0, l.shadow_map_size))));
  }
  if (l.cone_style == 1) spot.Add(0x4651);
  spot.Add(0x4650);
  if (!projector.empty()) Writer(&spot.Add(0x4653).data).String(projector.c_str(), 12);
  return true;
}

}  // namespace k3ds
