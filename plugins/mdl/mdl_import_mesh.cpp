// The mesh both readers end in: positions of one frame, texture coordinates
// scaled by the skin size, triangles with their corners reversed, and the
// surface "skin_mat" with the skin as its texture.
#include "mdl_import_parts.h"

namespace kvmdl {
namespace {

char kSkinMat[] = "skin_mat";

bool InRange(const int (&idx)[3], size_t count) {
  for (int i : idx)
    if (i < 0 || static_cast<size_t>(i) >= count) return false;
  return true;
}

void AddSkinTexture(MScene* scene, MSurface* surface, const std::string& file) {
  auto* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  std::string name = std::string(surface->get_name()) + "_texture";
  msrf_copy_name(layer->texture.name, name.c_str());
  layer->texture.enabled = 1;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, file.c_str());
  layer->diffuse_color.enabled = 1;
  layer->diffuse_color.value = 1.0;
  layer->diffuse_color.color_source = IMG_RGB;
  layer->diffuse_color.mix_source = MIX_NO;
  scene->maps->AddMap(file.c_str());
  surface->layers.Add(layer);

  MSrf_Color& c = surface->color;
  c.ambient.Init_RGB(0, 0, 0, c.ambient.a);
  c.diffuse.Init_RGB(0, 0, 0, c.diffuse.a);
  c.specular.Init_RGB(0, 0, 0, c.specular.a);
  c.ambient_intensity = 1.0;
  c.diffuse_intensity = 1.0;
  c.luminous_intensity = 0.0;
  c.specular_intensity = 0.0;
  surface->opref.surface_opacity = 1.0;
  surface->spec.phong_size = 0.0;
}

}  // namespace

void Step(Context& ctx, int percent) {
  MessageCallBack1* cb = ctx.run.cb();
  if (cb && cb->progress1) cb->progress1(percent, 100);
}

bool BlockFits(int64_t offset, int64_t count, uint64_t size, uint64_t file_size) {
  if (offset < 0 || count < 0) return false;
  const uint64_t start = static_cast<uint64_t>(offset);
  if (start > file_size) return false;
  // count and size come from 32-bit fields: the product cannot overflow.
  return static_cast<uint64_t>(count) * size <= file_size - start;
}

void ReadPose(Context& ctx, MBinReader& in, size_t vertices, const float (&scale)[3], const float (&translate)[3],
              Model* model) {
  LogFile& log = ctx.log();
  const bool logging = log.Get_FILE() != nullptr;
  model->positions.resize(vertices);
  for (size_t i = 0; i < vertices; ++i) {
    double p[3];
    for (int a = 0; a < 3; ++a) p[a] = in.U8() * static_cast<double>(scale[a]) + translate[a];
    in.Skip(1);  // normal index: the normals are smoothed anew
    model->positions[i] = MVector3(p[0], p[1], p[2]);
    if (logging) log.write("\t %d <%.3lf,%.3lf,%.3lf>\n", static_cast<int>(i), p[0], p[1], p[2]);
  }
}

bool BuildMesh(Context& ctx, const Model& model) {
  const size_t nv = model.positions.size();
  const size_t nst = model.st.size();
  const bool uv = nst > 0;
  // A triangle without its corners is left out; one whose texture
  // coordinates are missing keeps its place with the last coordinate.
  std::vector<const Triangle*> usable;
  usable.reserve(model.triangles.size());
  size_t off_skin = 0;
  for (const Triangle& t : model.triangles) {
    if (!InRange(t.v, nv)) continue;
    usable.push_back(&t);
    if (uv && !InRange(t.st, nst)) ++off_skin;
  }
  const size_t dropped = model.triangles.size() - usable.size();
  if (usable.empty()) {
    ctx.run.Fail("%s: none of its %zu triangles names vertices within the %zu of the frame", ctx.path(),
                 model.triangles.size(), nv);
    return false;
  }
  if (dropped > 0)
    ctx.run.Warn("%s: %zu of %zu triangles name vertices past the %zu of the frame and were left out", ctx.path(),
                 dropped, model.triangles.size(), nv);
  if (off_skin > 0)
    ctx.run.Warn("%s: %zu of %zu triangles name texture coordinates past the %zu of the file; they take the last one",
                 ctx.path(), off_skin, usable.size(), nst);

  const std::string name = m_split_path(ctx.path()).fname;
  MMesh_P* mesh = new MMesh_P(name.c_str());
  ctx.scene->objects->Append(mesh);
  MSurface* surface = new MSurface(kSkinMat);
  ctx.scene->surfaces->Append(surface);
  mesh->surface_refs->Append(my_strdup(kSkinMat));

  mesh->v_a->Reserve(static_cast<int>(nv));
  for (const MVector3& p : model.positions) mesh->v_a->Add(p);
  if (uv) {
    mesh->UseUV();
    mesh->uv_a->Reserve(static_cast<int>(nst));
    const double w = model.skin_width, h = model.skin_height;
    for (const TexCoord& c : model.st) mesh->uv_a->Add(MVector3(c.s / w, 1.0 - c.t / h, 0.0));
  }
  mesh->f_a->Reserve(static_cast<int>(usable.size()));
  if (uv) mesh->uvf_a->Reserve(static_cast<int>(usable.size()));
  for (const Triangle* t : usable) {
    const int32_t f[3] = {t->v[2], t->v[1], t->v[0]};
    mesh->f_a->Add(f, 3, 0);
    if (uv) {
      int32_t g[3];
      for (int k = 0; k < 3; ++k) {
        const int s = t->st[2 - k];
        g[k] = s >= 0 && static_cast<size_t>(s) < nst ? s : static_cast<int32_t>(nst - 1);
      }
      mesh->uvf_a->Add(g, 3, 0);
    }
  }
  mesh->NormalSmooth(nullptr, 89.0);
  if (!model.skin_file.empty()) AddSkinTexture(ctx.scene, surface, model.skin_file);
  if (model.dump && ctx.log().Get_FILE()) mesh->Dump(ctx.log().Get_FILE());
  return true;
}

}  // namespace kvmdl
