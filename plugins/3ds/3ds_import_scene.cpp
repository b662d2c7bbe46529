// Global settings, background, fog, cameras and lights.
#include <cmath>
#include <cstring>

#include "3ds_import.h"
#include "korvanelib.h"

namespace imp3ds {
namespace {

bool IsColorChunk(uint16_t id) { return id >= kColorF && id <= kLinColorF; }

MColor ColorOfChunk(const k3ds::Chunk& c, k3ds::ErrorList& err) {
  k3ds::Reader r(c, &err);
  MColor out(0, 0, 0, 1);
  if (c.id == kColorF || c.id == kLinColorF) {
    float v[3];
    r.Vector(v);
    out.Init_RGB(v[0], v[1], v[2], 1.0);
  } else {
    double red = r.Byte() / 255.0, green = r.Byte() / 255.0, blue = r.Byte() / 255.0;
    out.Init_RGB(red, green, blue, 1.0);
  }
  return out;
}

}  // namespace

void ImportGlobals(Context& ctx, const k3ds::Chunk& ed) {
  // Values of a file that leaves the chunks out.
  double scale = 1.0, bias = 1.0, ray_bias = 1.0, filter = 3.0;
  int32_t map_size = 512;
  MColor ambient(0, 0, 0, 1);
  ReadFloatOf(ed, kMasterScale, &scale, ctx.err);
  ReadFloatOf(ed, kLoShadowBias, &bias, ctx.err);
  ReadFloatOf(ed, kRayBias, &ray_bias, ctx.err);
  ReadShortOf(ed, kShadowMapSize, &map_size, ctx.err);
  ReadFloatOf(ed, kShadowFilter, &filter, ctx.err);
  ReadColor(ed.Find(kAmbientLight), &ambient, ctx.err);
  if (Failed(ctx, "GetMeshSet3ds")) return;
  MSceneOptions& o = ctx.scene->options;
  o.master_scale = scale;
  o.shadow_bias = bias;
  o.ray_bias = ray_bias;
  o.shadow_map_size = map_size;
  o.shadow_filter = filter;
  o.ambient_color = ambient;
  o.ambient_intensity = 1.0;
  o.gamma = 1.8;
}

void ImportBackground(Context& ctx, const k3ds::Chunk& ed) {
  std::string bitmap;
  MColor solid(0, 0, 0, 1);
  MColor grad[3] = {MColor(0, 0, 0, 1), MColor(0, 0, 0, 1), MColor(0, 0, 0, 1)};
  double pos = 0.5;
  if (const k3ds::Chunk* b = ed.Find(kBitMap)) bitmap = ChunkName(*b, ctx.err, MSRF_NAME_LEN - 1);
  ReadColor(ed.Find(kSolidBgnd), &solid, ctx.err);
  if (const k3ds::Chunk* g = ed.Find(kVGradient)) {
    k3ds::Reader r(*g, &ctx.err);
    pos = r.Float();
    int n = 0;
    for (const k3ds::Chunk& k : g->kids)
      if (IsColorChunk(k.id) && n < 3) grad[n++] = ColorOfChunk(k, ctx.err);
  }
  int use = ed.Find(kUseBitMap) ? 3 : ed.Find(kUseSolidBgnd) ? 1 : ed.Find(kUseVGradient) ? 2 : 0;
  if (Failed(ctx, "GetBackground3ds")) return;
  MBackGround& bg = ctx.scene->background;
  switch (use) {
    case 1:
      bg.type = BCKG_SOLID;
      bg.solid_color = solid;
      break;
    case 2:
      // Stored bottom to top; the scene lists its gradient top first.
      bg.type = BCKG_GRADIENT;
      bg.top_color = grad[2];
      bg.mid_color = grad[1];
      bg.bottom_color = grad[0];
      bg.top_pos = 1.0;
      bg.mid_pos = 1.0 - pos;
      bg.bottom_pos = 0.0;
      break;
    case 3:
      bg.type = BCKG_TEXTURE;
      msrf_copy_name(bg.texture.name, "bgnd_texture");
      bg.texture.enabled = 1;
      bg.texture.kind = _2DBITMAP;
      msrf_copy_name(bg.texture.bitmap.file_name, bitmap.c_str());
      ctx.scene->maps->AddMap(bitmap.c_str());
      break;
    default:
      bg.type = BCKG_NO;
      break;
  }
}

void ImportAtmosphere(Context& ctx, const k3ds::Chunk& ed) {
  if (!ed.Find(kUseFog)) return;  // distance cue and layered fog are not taken
  double near_plane = 0.0, near_density = 0.0, far_plane = 10000.0, far_density = 100.0;
  MColor color(0, 0, 0, 1);
  int fog_bg = 0;
  if (const k3ds::Chunk* f = ed.Find(kFog)) {
    k3ds::Reader r(*f, &ctx.err);
    near_plane = r.Float();
    near_density = r.Float();
    far_plane = r.Float();
    far_density = r.Float();
    ReadColor(f, &color, ctx.err);
    fog_bg = f->Find(kFogBgnd) ? 1 : 0;
  }
  if (Failed(ctx, "GetAtmosphere3ds")) return;
  MFog& fog = ctx.scene->fog;
  fog.enabled = 1;
  fog.color = color;
  fog.fog_background = fog_bg;
  fog.near_plane = near_plane;
  fog.near_density = near_density * 0.01;
  fog.far_plane = far_plane;
  fog.far_density = far_density * 0.01;
}

void ImportCamera(Context& ctx, const k3ds::Chunk& c, const std::string& name) {
  k3ds::Reader r(c, &ctx.err);
  float p[3], t[3];
  r.Vector(p);
  r.Vector(t);
  float bank = r.Float(), lens = r.Float();
  MCamera* cam = new MCamera(name.c_str());
  cam->position = MVector3(p[0], p[1], p[2]);
  cam->target = MVector3(t[0], t[1], t[2]);
  cam->roll_angle = bank;
  if (const k3ds::Chunk* rng = c.Find(kCamRanges)) {
    k3ds::Reader rr(*rng, &ctx.err);
    cam->near_plane = rr.Float();
    cam->far_plane = rr.Float();
  }
  if (Failed(ctx, "GetCameraByName3ds", name.c_str())) {
    delete cam;
    return;
  }
  // The lens of a 3D Studio camera is 2400 / field of view; a lens of 0 or
  // one that gives no usable angle keeps the camera's default view.
  const double fov = lens != 0 && std::isfinite(lens) ? 2400.0 / lens : 0.0;
  if (fov > 0 && fov < 180 && std::isfinite(fov)) {
    cam->fov = fov;
    cam->film_size = 100.0 * std::tan(0.4014257279586958);
    cam->lens = (cam->film_size / 2) / std::tan(fov * M_PI / 360.0);
  }
  ctx.scene->cameras->Append(cam);
}

void ImportLight(Context& ctx, const k3ds::Chunk& c, const std::string& name) {
  k3ds::Reader r(c, &ctx.err);
  float p[3];
  r.Vector(p);
  MLight* l = new MLight(name.c_str());
  const k3ds::Chunk* spot = c.Find(kDlSpotlight);
  l->type = spot ? SPOTLIGHT : POINTLIGHT;
  l->position = MVector3(p[0], p[1], p[2]);
  ReadColor(&c, &l->color, ctx.err);
  ReadFloatOf(c, kDlMultiplier, &l->intensity, ctx.err);
  ReadFloatOf(c, kDlInnerRange, &l->inner, ctx.err);
  ReadFloatOf(c, kDlOuterRange, &l->outer, ctx.err);
  l->active = c.Find(kDlOff) ? 0 : 1;
  l->attenuation = c.Find(kDlAttenuate) ? 1 : 0;
  std::string projector;
  if (spot) {
    k3ds::Reader sr(*spot, &ctx.err);
    float t[3];
    sr.Vector(t);
    l->target = MVector3(t[0], t[1], t[2]);
    l->hotspot = sr.Float();
    l->falloff = sr.Float();
    ReadFloatOf(*spot, kDlSpotRoll, &l->roll, ctx.err);
    ReadFloatOf(*spot, kDlSpotAspect, &l->aspect, ctx.err);
    l->cone_style = spot->Find(kDlSpotRectangular) ? 1 : 0;
    l->shadow_cast = spot->Find(kDlShadowed) ? 1 : 0;
    l->shadow_type = spot->Find(kDlRaytrace) ? 1 : 0;
    if (const k3ds::Chunk* ls = spot->Find(kDlLocalShadow2)) {
      k3ds::Reader lr(*ls, &ctx.err);
      l->shadow_local = 1;
      l->shadow_bias = lr.Float();
      l->shadow_filter = lr.Float();
      l->shadow_map_size = lr.Short();
    }
    ReadFloatOf(*spot, kDlRayBias, &l->ray_bias, ctx.err);
    if (const k3ds::Chunk* pj = spot->Find(kDlSpotProjector)) {
      l->projector = 1;
      projector = ChunkName(*pj, ctx.err, MLIGHT_NAME_LEN - 1);
      std::snprintf(l->bitmap_name, sizeof l->bitmap_name, "%s", projector.c_str());
    }
  }
  if (Failed(ctx, spot ? "GetSpotlightByName3ds" : "GetOmnilightByName3ds", name.c_str())) {
    delete l;
    return;
  }
  if (l->projector) ctx.scene->maps->AddMap(projector.c_str());
  ctx.scene->lights->Append(l);
}

}  // namespace imp3ds
