// Meshes and what belongs to them: normals, texture coordinates, the
// material list, materials and their texture files. Every count read from
// the file is held against what its data block can still hold before
// anything is allocated for it.
#include <cstdio>
#include <cstring>

#include "x_import.h"

namespace kvx {

namespace {

char kDefault[] = "DEFAULT";
// Plug-in-wide and not reset between imports: names stay unique over a
// batch of files converted in one process.
int g_unnamed_meshes = 0;
int g_unnamed_materials = 0;

std::string Unnamed(int* counter) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "mat_%d", (*counter)++);
  return buf;
}

// Reads n floats; false when the block ends first.
bool Floats(XData& d, double* out, int n) {
  for (int i = 0; i < n; ++i)
    if (!d.Float(&out[i])) return false;
  return true;
}

}  // namespace

bool XSceneReader::ReadMesh(int obj, const MMatrix& world, MeshState* ms) {
  const XObject& o = x_.object(obj);
  const std::string name = o.name.empty() ? Unnamed(&g_unnamed_meshes) : o.name;
  const char* path = run_.path().c_str();
  log_.write("->Mesh\n");
  log_.write("\t %s\n", name.c_str());
  XData d = x_.Data(obj);
  uint32_t nv = 0;
  if (!d.Int(&nv)) {
    run_.Warn("%s: mesh %s has no vertex count; left out", path, name.c_str());
    return false;
  }
  if (nv > d.MaxValues() / 3 || nv > 0x7FFFFFFFu) {
    run_.Warn("%s: mesh %s states %u vertices, more than its data holds; left out", path, name.c_str(), nv);
    return false;
  }
  MMesh_P* m = new MMesh_P(name.c_str());
  m->v_a->Reserve(static_cast<int>(nv));
  for (uint32_t i = 0; i < nv; ++i) {
    double p[3];
    if (!Floats(d, p, 3)) {
      run_.Warn("%s: mesh %s ends after %u of its %u vertices; left out", path, name.c_str(), i, nv);
      delete m;
      return false;
    }
    m->v_a->Add(MVector3(p[0], p[1], p[2]));
  }
  uint32_t nf = 0;
  if (!d.Int(&nf) || nf > d.MaxValues()) {
    run_.Warn("%s: mesh %s has no sound face count; left out", path, name.c_str());
    delete m;
    return false;
  }
  m->f_a->Reserve(static_cast<int>(nf));
  ms->face_map.assign(nf, -1);
  uint32_t rejected = 0, read = 0;
  for (; read < nf; ++read) {
    uint32_t nc = 0;
    if (!d.Int(&nc) || nc > d.MaxValues()) break;
    corners_.resize(nc);
    bool ok = nc >= 3;
    uint32_t c = 0;
    for (; c < nc; ++c) {
      uint32_t v;
      if (!d.Int(&v)) break;
      if (v >= nv) ok = false;
      corners_[c] = static_cast<int32_t>(v);
    }
    if (c < nc) break;
    if (ok)
      ms->face_map[read] = m->f_a->Add(corners_.data(), static_cast<int>(nc), 0);
    else
      ++rejected;
  }
  if (read < nf) run_.Warn("%s: mesh %s ends after %u of its %u faces", path, name.c_str(), read, nf);
  if (rejected)
    run_.Warn("%s: mesh %s: %u faces with fewer than three corners or a vertex past the %u vertices left out", path,
              name.c_str(), rejected, nv);
  m->surface_refs->Append(my_strdup(kDefault));
  m->transformation.Set_LocalMatrix(world);
  ms->mesh = m;
  ms->file_vertices = nv;
  return true;
}

void XSceneReader::FinishMesh(MeshState* ms) {
  MMesh_P* m = ms->mesh;
  ms->mesh = nullptr;
  if (!m) return;
  if (m->Get_Face_Count() == 0) {
    run_.Warn("%s: mesh %s has no faces; left out", run_.path().c_str(), m->get_name() ? m->get_name() : "");
    delete m;
    return;
  }
  scene_->objects->Append(m);
  ++meshes_;
}

void XSceneReader::ReadNormals(int obj, MeshState* ms) {
  log_.write("->MeshNormals\n");
  if (ms->normals) return;
  ms->normals = true;
  MMesh_P* m = ms->mesh;
  XData d = x_.Data(obj);
  uint32_t nn = 0, nfn = 0;
  if (!d.Int(&nn) || nn > d.MaxValues() / 3) {
    log_.write("\tnormal count beyond the data: normals left out\n");
    return;
  }
  m->UseNormals();
  m->nv_a->Reserve(static_cast<int>(nn));
  bool ok = true;
  for (uint32_t i = 0; i < nn && ok; ++i) {
    double p[3];
    ok = Floats(d, p, 3);
    if (ok) m->nv_a->Add(MVector3(p[0], p[1], p[2]));
  }
  const size_t faces = ms->face_map.size();
  ok = ok && d.Int(&nfn) && nfn == faces;
  if (ok) m->nf_a->Reserve(m->Get_Face_Count());
  for (uint32_t i = 0; i < nfn && ok; ++i) {
    uint32_t nc = 0;
    ok = d.Int(&nc) && nc <= d.MaxValues();
    const int target = ok ? ms->face_map[i] : -1;
    if (ok && target >= 0) ok = static_cast<int>(nc) == m->Get_VertexperFace_Count(target);
    if (!ok) break;
    corners_.resize(nc);
    for (uint32_t c = 0; c < nc && ok; ++c) {
      uint32_t v;
      ok = d.Int(&v) && v < nn;
      corners_[c] = static_cast<int32_t>(v);
    }
    if (ok && target >= 0) m->nf_a->Add(corners_.data(), static_cast<int>(nc), 0);
  }
  if (!ok) {
    // Normals only half attached would mislead every later step.
    log_.write("\tnormal faces do not match the %zu faces: normals left out\n", faces);
    m->RemoveNormals();
  }
}

void XSceneReader::ReadTexCoords(int obj, MeshState* ms) {
  log_.write("->MeshUV\n");
  if (ms->texcoords) return;
  ms->texcoords = true;
  MMesh_P* m = ms->mesh;
  XData d = x_.Data(obj);
  uint32_t nt = 0;
  if (!d.Int(&nt) || nt != ms->file_vertices || nt > d.MaxValues() / 2) {
    log_.write("\t%u texture coordinates for %u vertices: left out\n", nt, ms->file_vertices);
    return;
  }
  m->UseUV();
  m->uv_a->Reserve(static_cast<int>(nt));
  for (uint32_t i = 0; i < nt; ++i) {
    double uv[2];
    if (!Floats(d, uv, 2)) {
      log_.write("\ttexture coordinates cut short: left out\n");
      m->RemoveUV();
      return;
    }
    // The file's v runs down the image.
    m->uv_a->Add(MVector3(uv[0], 1.0 - uv[1], 0));
  }
  const int nf = m->Get_Face_Count();
  m->uvf_a->Reserve(nf);
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = m->Get_IFace(i);
    m->uvf_a->Add(f.data, f.count, f.mat_id);
  }
}

void XSceneReader::ReadMaterialList(int obj, const MMatrix& world, MeshState* ms, int depth) {
  log_.write("->MaterialList\n");
  if (ms->materials) return;
  ms->materials = true;
  MMesh_P* m = ms->mesh;
  XData d = x_.Data(obj);
  uint32_t nmat = 0, nidx = 0;
  std::vector<uint32_t> idx;
  if (d.Int(&nmat) && d.Int(&nidx)) {
    const size_t faces = ms->face_map.size();
    size_t n = nidx < faces ? nidx : faces;
    if (n > d.MaxValues()) n = d.MaxValues();
    idx.reserve(n);
    uint32_t v;
    while (idx.size() < n && d.Int(&v)) idx.push_back(v);
  }
  const int refs_before = m->surface_refs->count;
  Children(obj, Kind::kMaterialList, world, ms, nullptr, depth);
  const uint32_t found = static_cast<uint32_t>(m->surface_refs->count - refs_before);
  if (idx.empty()) return;
  // Material k of the list is surface reference k + 1 (0 is DEFAULT); an
  // index past the materials there are takes the first; a single index
  // holds for every face.
  for (size_t i = 0; i < ms->face_map.size(); ++i) {
    const int face = ms->face_map[i];
    if (face < 0) continue;
    uint32_t k;
    if (idx.size() == 1)
      k = idx[0];
    else if (i < idx.size())
      k = idx[i];
    else
      continue;
    const int id = k < found ? static_cast<int>(k) + refs_before : (found ? refs_before : 0);
    m->Set_Face_MatId(face, id);
  }
  (void)nmat;
}

MSurface* XSceneReader::ReadMaterial(int obj, MeshState* ms) {
  const XObject& o = x_.object(obj);
  std::string name = o.name;
  if (name.empty())
    do name = Unnamed(&g_unnamed_materials);
    while (scene_->GetMaterialbyName(name.c_str()));
  log_.write("->Material\n");
  log_.write("\t %s\n", name.c_str());
  ms->mesh->surface_refs->Append(my_strdup(name.c_str()));
  if (scene_->GetMaterialbyName(name.c_str())) return nullptr;
  XData d = x_.Data(obj);
  // faceColor rgba, power, specular rgb, emissive rgb; what is missing stays 0.
  double v[11] = {};
  int got = 0;
  while (got < 11 && d.Float(&v[got])) ++got;
  if (got < 11)
    run_.Warn("%s: material %s holds %d of its 11 values", run_.path().c_str(), name.c_str(), got);
  MSurface* s = new MSurface(name.c_str());
  s->color.ambient = MColor(v[0], v[1], v[2]);
  s->color.diffuse = MColor(v[0], v[1], v[2]);
  s->color.ambient_intensity = s->color.diffuse_intensity = 1.0;
  s->color.specular = MColor(v[5], v[6], v[7]);
  s->color.specular_intensity = 1.0;
  s->color.luminous_intensity = (v[8] + v[9] + v[10]) / 3.0;
  s->opref.surface_opacity = v[3];
  s->spec.phong_size = v[4] * 0.01;
  scene_->surfaces->Append(s);
  return s;
}

void XSceneReader::ReadTextureFile(int obj, MSurface* s) {
  log_.write("->TextureFile\n");
  XData d = x_.Data(obj);
  std::string file;
  if (!d.String(&file)) {
    run_.Warn("%s: a texture file of material %s has no name", run_.path().c_str(), s->get_name());
    return;
  }
  // Windows paths: the folder is dropped; the search paths find the file.
  for (char& c : file)
    if (c == '/') c = '\\';
  const size_t slash = file.find_last_of('\\');
  const std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
  if (base.empty()) return;
  MSrf_TextureLayer* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  std::string tex = std::string(s->get_name()) + "_texture";
  if (layers_ < 65535) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", layers_);
    tex += hex;
  }
  msrf_copy_name(layer->texture.name, tex.c_str());
  layer->texture.enabled = 1;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, base.c_str());
  layer->diffuse_color.enabled = 1;
  layer->diffuse_color.value = 1.0;
  layer->diffuse_color.color_source = IMG_RGB;
  layer->diffuse_color.mix_source = MIX_NO;
  scene_->maps->AddMap(layer->texture.bitmap.file_name);
  s->layers.Add(layer);
  // The map gives the colour; the surface stays opaque.
  s->color.ambient = MColor(0, 0, 0);
  s->color.diffuse = MColor(0, 0, 0);
  s->color.ambient_intensity = s->color.diffuse_intensity = 1.0;
  s->color.specular = MColor(0, 0, 0);
  s->color.specular_intensity = 0;
  s->color.luminous_intensity = 0;
  s->opref.surface_opacity = 1.0;
  s->spec.phong_size = 0;
  ++layers_;
}

}  // namespace kvx
