// LightWave object files: LWOB (LightWave 5.6) or LWO2 (LightWave 6.x) of
// one mesh in world coordinates, with its surfaces; LWO2 also with texture
// coordinates, image clips and the colour image block of each surface.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "lwo_chunks.h"
#include "lwo_export_parts.h"
#include "lwo_iff.h"

namespace lwoexp {
namespace {

const char kDefaultSurface[] = "Default";
constexpr size_t kNameMax = 1023;
constexpr size_t kPathMax = 4095;
// 89 degrees: LightWave smooths across edges below this angle.
constexpr float kSmoothingAngle = 1.5533430576324463f;

// A value of 0..1 in a field of 0..max, the way the reader divides it back.
uint16_t Fixed(double v, double scale, double max) {
  if (!(v > 0)) return 0;  // also NaN
  const double w = std::round(v * scale);
  return static_cast<uint16_t>(w > max ? max : w);
}

float Float(double v) { return std::isfinite(v) ? static_cast<float>(v) : 0.0f; }

// What the faces of the mesh are written with: a surface index per face
// into the written names, "Default" added for faces without a usable one.
struct Surfaces {
  std::vector<std::string> names;
  std::vector<uint16_t> of_face;
};

Surfaces FaceSurfaces(MMesh_P* m) {
  Surfaces s;
  std::unordered_map<std::string, int> index;
  std::vector<int> of_ref;
  for (int i = 0; i < m->surface_refs->count; ++i) {
    const std::string name = ref_name_or_empty(m->surface_refs, i);
    if (name.empty()) {
      of_ref.push_back(-1);
      continue;
    }
    auto [it, fresh] = index.emplace(name, static_cast<int>(s.names.size()));
    if (fresh) s.names.push_back(name);
    of_ref.push_back(it->second);
  }
  int fallback = -1;
  const int nf = m->Get_Face_Count();
  s.of_face.resize(static_cast<size_t>(nf));
  for (int i = 0; i < nf; ++i) {
    const int mat = m->Get_Face_MatId(i);
    int k = mat >= 0 && mat < static_cast<int>(of_ref.size()) ? of_ref[static_cast<size_t>(mat)] : -1;
    if (k < 0 || k > 0xFFFF) {
      if (fallback < 0) {
        auto [it, fresh] = index.emplace(kDefaultSurface, static_cast<int>(s.names.size()));
        if (fresh) s.names.push_back(kDefaultSurface);
        fallback = it->second;
      }
      k = fallback;
    }
    s.of_face[static_cast<size_t>(i)] = static_cast<uint16_t>(k);
  }
  return s;
}

// A face is written when it has corners and all of them exist.
bool Writable(MMesh_P* m, int face) {
  const MIPolygon& f = m->Get_IFace(face);
  if (f.count <= 0) return false;
  const int nv = m->Get_Vertex_Count();
  for (int c = 0; c < f.count; ++c)
    if (f.data[c] < 0 || f.data[c] >= nv) return false;
  return true;
}

MMesh_P* CopyMesh(MMesh_P* m) {
  MMesh_P* c = new MMesh_P(m->get_name());
  *c->v_a = *m->v_a;
  *c->f_a = *m->f_a;
  if (m->NormalsUsed()) {
    c->UseNormals();
    *c->nv_a = *m->nv_a;
    *c->nf_a = *m->nf_a;
  }
  if (m->UVUsed()) {
    c->UseUV();
    *c->uv_a = *m->uv_a;
    *c->uvf_a = *m->uvf_a;
  }
  m->CopyAttributes(*c);
  return c;
}

int MaxCorners(MMesh_P* m) {
  int n = 0;
  for (int i = 0; i < m->Get_Face_Count(); ++i) n = std::max(n, m->Get_VertexperFace_Count(i));
  return n;
}

class Writer {
 public:
  Writer(const ObjectFile& in, std::vector<uint8_t>* out) : in_(in), iff_(out) {}
  bool Write(std::string* error);

 private:
  void Points();
  void Names(uint32_t id);
  void Layer();
  void TextureMap();
  void PolygonsLwob();
  void PolygonsLwo2();
  void Clips();
  void Surface(const std::string& name);
  void SurfaceLwob(MSurface* s);
  void SurfaceLwo2(MSurface* s);
  void Amount(uint32_t id, double v);
  void Block(const MSrf_TextureLayer& layer, uint32_t clip);

  const ObjectFile& in_;
  lwo::IffWriter iff_;
  MMesh_P* mesh_ = nullptr;     // what is written: the source, or a copy made for writing
  std::unique_ptr<MMesh_P> own_;
  Surfaces surfaces_;
  bool uv_ = false;
  std::string uv_name_;
  std::vector<std::string> clip_names_;  // clip k + 1 is made from map clip_names_[k]
};

bool Writer::Write(std::string* error) {
  MMesh_P* src = in_.mesh;
  mesh_ = src;
  const bool lwo2 = in_.version == 1;
  const int corner_limit = lwo2 ? lwo::kCornerMask : 0xFFFF;
  if (MaxCorners(src) > corner_limit) {
    // Polygons of more corners than the format counts are written as
    // triangles.
    own_.reset(src->Triangulate(nullptr));
    if (own_) mesh_ = own_.get();
  }
  if (!lwo2 && static_cast<uint32_t>(mesh_->Get_Vertex_Count()) > lwo::kLwobMaxPoints) {
    *error = std::string("object ") + (src->get_name() ? src->get_name() : "") + " has " +
             std::to_string(mesh_->Get_Vertex_Count()) +
             " points; a LightWave 5.6 object holds at most 65535 (-lwo_version=1 writes LightWave 6 objects)";
    return false;
  }
  if (lwo2 && static_cast<uint32_t>(mesh_->Get_Vertex_Count()) > lwo::kVXMax) {
    *error = std::string("object ") + (src->get_name() ? src->get_name() : "") + " has more points than an LWO2 file can number";
    return false;
  }
  if (lwo2 && mesh_->UVUsed()) {
    // One shared index for positions and texture coordinates, made on a
    // copy: the scene stays as it was.
    std::unique_ptr<MMesh_P> work(CopyMesh(mesh_));
    if (in_.log) work->SetFile(in_.log->Get_FILE());
    MMesh_P* opt = work->UV_OptimizeMesh(nullptr);
    work->UnSetFile();
    if (opt) {
      own_.reset(opt);
      mesh_ = opt;
      uv_ = mesh_->Get_UVVertex_Count() > 0;
    } else if (in_.log) {
      in_.log->write("UV optimisation failed: no texture coordinates written\n");
    }
  }
  uv_name_ = "uv_map" + std::to_string(in_.walk_index);
  surfaces_ = FaceSurfaces(mesh_);

  const size_t form = iff_.BeginChunk(lwo::kFORM);
  iff_.Id(lwo2 ? lwo::kLWO2 : lwo::kLWOB);
  if (lwo2) {
    Names(lwo::kTAGS);
    Layer();
    Points();
    if (uv_) TextureMap();
    PolygonsLwo2();
    if (uv_) Clips();
    for (const std::string& s : surfaces_.names) Surface(s);
  } else {
    Points();
    Names(lwo::kSRFS);
    PolygonsLwob();
    for (const std::string& s : surfaces_.names) Surface(s);
  }
  iff_.EndChunk(form);
  if (iff_.Overflow()) {
    *error = std::string("object ") + (src->get_name() ? src->get_name() : "") + " is too large for a LightWave object file";
    return false;
  }
  return true;
}

void Writer::Points() {
  const size_t c = iff_.BeginChunk(lwo::kPNTS);
  MBinWriter& w = iff_.w();
  const int n = mesh_->Get_Vertex_Count();
  for (int i = 0; i < n; ++i) {
    const MVector3 p = in_.matrix.Transform(mesh_->Get_Vertex(i));
    w.F32(Float(p.x));
    w.F32(Float(p.z));
    w.F32(Float(p.y));
  }
  iff_.EndChunk(c);
}

void Writer::Names(uint32_t id) {
  const size_t c = iff_.BeginChunk(id);
  for (const std::string& s : surfaces_.names) iff_.S0(s.c_str(), kNameMax);
  iff_.EndChunk(c);
}

void Writer::Layer() {
  const size_t c = iff_.BeginChunk(lwo::kLAYR);
  MBinWriter& w = iff_.w();
  w.U16(0);
  w.U16(0);
  for (int i = 0; i < 3; ++i) w.F32(0.0f);
  iff_.S0("", 0);
  iff_.EndChunk(c);
}

void Writer::TextureMap() {
  const size_t c = iff_.BeginChunk(lwo::kVMAP);
  MBinWriter& w = iff_.w();
  iff_.Id(lwo::kTXUV);
  w.U16(2);
  iff_.S0(uv_name_.c_str(), kNameMax);
  const int n = std::min(mesh_->Get_UVVertex_Count(), mesh_->Get_Vertex_Count());
  for (int i = 0; i < n; ++i) {
    const MVector3& t = mesh_->Get_UVVertex(i);
    iff_.VX(static_cast<uint32_t>(i));
    w.F32(Float(t.x));
    w.F32(Float(t.y));
  }
  iff_.EndChunk(c);
}

void Writer::PolygonsLwob() {
  const size_t c = iff_.BeginChunk(lwo::kPOLS);
  MBinWriter& w = iff_.w();
  const int nf = mesh_->Get_Face_Count();
  for (int i = 0; i < nf; ++i) {
    if (!Writable(mesh_, i)) continue;
    const MIPolygon& f = mesh_->Get_IFace(i);
    w.U16(static_cast<uint16_t>(f.count));
    for (int k = f.count - 1; k >= 0; --k) w.U16(static_cast<uint16_t>(f.data[k]));
    // Surface numbers are 1-based and signed.
    const int s = surfaces_.of_face[static_cast<size_t>(i)] + 1;
    w.I16(static_cast<int16_t>(s > 0x7FFF ? 0x7FFF : s));
  }
  iff_.EndChunk(c);
}

void Writer::PolygonsLwo2() {
  size_t c = iff_.BeginChunk(lwo::kPOLS);
  MBinWriter& w = iff_.w();
  iff_.Id(lwo::kFACE);
  const int nf = mesh_->Get_Face_Count();
  std::vector<int> written;
  written.reserve(static_cast<size_t>(nf));
  for (int i = 0; i < nf; ++i) {
    if (!Writable(mesh_, i)) continue;
    const MIPolygon& f = mesh_->Get_IFace(i);
    w.U16(static_cast<uint16_t>(f.count & lwo::kCornerMask));
    for (int k = f.count - 1; k >= 0; --k) iff_.VX(static_cast<uint32_t>(f.data[k]));
    written.push_back(i);
  }
  iff_.EndChunk(c);
  c = iff_.BeginChunk(lwo::kPTAG);
  iff_.Id(lwo::kSURF);
  for (size_t k = 0; k < written.size(); ++k) {
    iff_.VX(static_cast<uint32_t>(k));
    w.U16(surfaces_.of_face[static_cast<size_t>(written[k])]);
  }
  iff_.EndChunk(c);
}

// One clip per map file the scene names, numbered from 1.
void Writer::Clips() {
  MMapList* maps = in_.scene ? in_.scene->maps : nullptr;
  const int n = maps ? maps->Get_Count_Maps() : 0;
  for (int i = 0; i < n; ++i) {
    MMap* m = maps->GetMap(i);
    if (!m || !m->name[0]) continue;
    if (std::find(clip_names_.begin(), clip_names_.end(), m->name) != clip_names_.end()) continue;
    clip_names_.push_back(m->name);
    const char* renamed = in_.images ? in_.images->GetNewMapName(m->name, 0, "") : m->name;
    std::string path = std::string("Images/") + (renamed ? renamed : "");
    std::replace(path.begin(), path.end(), '\\', '/');
    const size_t c = iff_.BeginChunk(lwo::kCLIP);
    iff_.w().U32(static_cast<uint32_t>(clip_names_.size()));
    const size_t s = iff_.BeginSub(lwo::kSTIL);
    iff_.S0(path.c_str(), kPathMax);
    iff_.EndSub(s);
    iff_.EndChunk(c);
  }
}

// A SURF chunk: the name (LWO2: and an empty source name), then the values.
void Writer::Surface(const std::string& name) {
  std::unique_ptr<MSurface> fresh;
  MSurface* s = in_.scene ? in_.scene->GetMaterialbyName(name.c_str()) : nullptr;
  if (!s) s = (fresh = std::make_unique<MSurface>(name.c_str())).get();
  const size_t c = iff_.BeginChunk(lwo::kSURF);
  iff_.S0(name.c_str(), kNameMax);
  if (in_.version == 1) {
    iff_.S0("", 0);
    SurfaceLwo2(s);
  } else {
    SurfaceLwob(s);
  }
  iff_.EndChunk(c);
}

void Writer::SurfaceLwob(MSurface* s) {
  MBinWriter& w = iff_.w();
  auto sub_word = [&](uint32_t id, uint16_t v) {
    const size_t k = iff_.BeginSub(id);
    w.U16(v);
    iff_.EndSub(k);
  };
  size_t k = iff_.BeginSub(lwo::kCOLR);
  const MColor& d = s->color.diffuse;
  w.U8(static_cast<uint8_t>(Fixed(d.r, 255.0, 255.0)));
  w.U8(static_cast<uint8_t>(Fixed(d.g, 255.0, 255.0)));
  w.U8(static_cast<uint8_t>(Fixed(d.b, 255.0, 255.0)));
  w.U8(0);
  iff_.EndSub(k);
  // The reader divides the amounts by 256 and glossiness by 1024 (and
  // multiplies that by 10 into the shininess); these are the inverses, held
  // to the field's range.
  sub_word(lwo::kDIFF, Fixed(s->color.diffuse_intensity, 256.0, 255.0));
  sub_word(lwo::kSPEC, Fixed(s->color.specular_intensity, 256.0, 255.0));
  sub_word(lwo::kGLOS, Fixed(s->spec.phong_size / 10.0, 1024.0, 65535.0));
  sub_word(lwo::kTRAN, Fixed(1.0 - s->opref.surface_opacity, 256.0, 255.0));
  sub_word(lwo::kREFL, Fixed(1.0 - s->opref.reflected_opacity, 256.0, 255.0));
  if (mesh_->NormalsUsed()) {
    sub_word(lwo::kFLAG, 4);
    k = iff_.BeginSub(lwo::kSMAN);
    w.F32(kSmoothingAngle);
    iff_.EndSub(k);
  }
}

// A float and its envelope (none).
void Writer::Amount(uint32_t id, double v) {
  const size_t k = iff_.BeginSub(id);
  iff_.w().F32(Float(v));
  iff_.VX(0);
  iff_.EndSub(k);
}

void Writer::SurfaceLwo2(MSurface* s) {
  MBinWriter& w = iff_.w();
  MSrf_TextureLayer* layer = s->layers.Get(0);
  uint32_t clip = 0;  // the image block's clip, 0 for none
  if (uv_ && layer && layer->diffuse_color.enabled) {
    auto it = std::find(clip_names_.begin(), clip_names_.end(), layer->texture.bitmap.file_name);
    if (it != clip_names_.end()) clip = static_cast<uint32_t>(it - clip_names_.begin()) + 1;
  }
  size_t k = iff_.BeginSub(lwo::kCOLR);
  // Readers multiply the image by the base colour.
  const MColor d = clip ? m_color_under_map(s->color.diffuse) : s->color.diffuse;
  w.F32(Float(d.r));
  w.F32(Float(d.g));
  w.F32(Float(d.b));
  iff_.VX(0);
  iff_.EndSub(k);
  Amount(lwo::kDIFF, s->color.diffuse_intensity);
  Amount(lwo::kSPEC, s->color.specular_intensity);
  // The reader multiplies glossiness by 10 into the shininess.
  Amount(lwo::kGLOS, s->spec.phong_size / 10.0);
  Amount(lwo::kTRAN, 1.0 - s->opref.surface_opacity);
  Amount(lwo::kREFL, 1.0 - s->opref.reflected_opacity);
  if (s->color.luminous_intensity != 0.0) Amount(lwo::kLUMI, s->color.luminous_intensity);
  if (mesh_->NormalsUsed()) {
    k = iff_.BeginSub(lwo::kSMAN);
    w.F32(kSmoothingAngle);
    iff_.EndSub(k);
  }
  if (clip) Block(*layer, clip);
}

void Writer::Block(const MSrf_TextureLayer& layer, uint32_t clip) {
  MBinWriter& w = iff_.w();
  const size_t blok = iff_.BeginSub(lwo::kBLOK);
  const size_t imap = iff_.BeginSub(lwo::kIMAP);
  w.U16(lwo::kBlockOrdinal);  // the ordinal string "\x80" and its NUL
  size_t k = iff_.BeginSub(lwo::kCHAN);
  iff_.Id(lwo::kCOLR);
  iff_.EndSub(k);
  k = iff_.BeginSub(lwo::kOPAC);
  w.U16(0);  // normal blending
  w.F32(Float(layer.diffuse_color.value));
  iff_.VX(0);
  iff_.EndSub(k);
  k = iff_.BeginSub(lwo::kENAB);
  w.U16(1);
  iff_.EndSub(k);
  k = iff_.BeginSub(lwo::kNEGA);
  w.U16(0);
  iff_.EndSub(k);
  iff_.EndSub(imap);
  k = iff_.BeginSub(lwo::kPROJ);
  w.U16(lwo::kProjectionUV);
  iff_.EndSub(k);
  k = iff_.BeginSub(lwo::kIMAG);
  iff_.VX(clip);
  iff_.EndSub(k);
  k = iff_.BeginSub(lwo::kVMAP);
  iff_.S0(uv_name_.c_str(), kNameMax);
  iff_.EndSub(k);
  iff_.EndSub(blok);
}

}  // namespace

bool WriteObjectFile(const ObjectFile& in, std::vector<uint8_t>* out, std::string* error) {
  Writer w(in, out);
  return w.Write(error);
}

}  // namespace lwoexp
