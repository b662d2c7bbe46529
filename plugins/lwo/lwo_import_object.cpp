// LightWave objects, both generations: the chunk walk into one polygon mesh
// (every layer of an LWO2 file with its own point and polygon numbering),
// then surfaces, texture coordinates and normals.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "lwo_chunks.h"
#include "lwo_iff.h"
#include "lwo_import_parts.h"

namespace lwoimp {

std::string SlashPath(std::string p) {
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

namespace {

using lwo::Chunk;
using lwo::ChunkWalker;

const char kDefaultSurface[] = "Default";
constexpr long kPolygonProgressStep = 1 << 16;

// One POLS chunk: file polygon i became mesh face map[i] (-1: left out).
struct PolyBlock {
  std::vector<int32_t> map;
};

// A texture vertex map, applied once the surfaces have named the one to use.
struct UVMap {
  std::string name;
  MBinReader entries;
  int dim = 2;
  int point_base = 0;
  int point_count = 0;
  int block = -1;  // discontinuous maps: the polygons their entries name
  bool discontinuous = false;
};

inline double Finite(float v) { return std::isfinite(v) ? static_cast<double>(v) : 0.0; }

class ObjectReader {
 public:
  ObjectReader(Context& ctx, const std::string& path, int layer)
      : ctx_(ctx), log_(ctx.log), path_(path), wanted_layer_(layer) {}
  ObjectReader(const ObjectReader&) = delete;
  ObjectReader& operator=(const ObjectReader&) = delete;
  ~ObjectReader() { delete mesh_; }

  MMesh_P* Read(const MFileView& file, std::string* error);

 private:
  void Walk(const MBinReader& body, size_t file_size);
  void SelectLayer(const MBinReader& body);
  void Layer(MBinReader d);
  void Points(MBinReader d);
  void Polygons(MBinReader d);
  void AddPolygon(int mat);
  void PolygonTags(MBinReader d);
  void VertexMap(MBinReader d, bool discontinuous);
  void Names(MBinReader d);
  void UseTextureMap(const std::vector<SurfaceInfo>& surfaces);
  void ApplyMap(const UVMap& m);
  void ApplyDiscontinuousMap(const UVMap& m);
  void DefaultSurface();
  void MakeSurfaces();
  void Smooth(const std::vector<SurfaceInfo>& surfaces);
  void ReportProblems();

  Context& ctx_;
  LogFile& log_;
  std::string path_;
  int wanted_layer_;
  // Only the layer of this number is read (-1: all); skipping_ is set while
  // the walk is in another layer.
  int selected_layer_ = -1;
  bool skipping_ = false;
  MMesh_P* mesh_ = nullptr;
  bool lwo2_ = false;
  // The current layer's points are mesh vertices point_base_ ..
  // point_base_ + point_count_ - 1; its last POLS chunk is current_block_.
  int point_base_ = 0;
  int point_count_ = 0;
  int current_block_ = -1;
  std::vector<PolyBlock> blocks_;
  std::vector<int32_t> corners_;
  std::vector<UVMap> maps_;
  std::vector<MBinReader> surfs_;
  std::vector<MBinReader> uvcv_;
  std::vector<Clip> clips_;
  long polygons_read_ = 0;
  long bad_polygons_ = 0;
  long bad_tags_ = 0;
  long bad_map_entries_ = 0;
  long bad_numbers_ = 0;
  bool cut_short_ = false;
};

MMesh_P* ObjectReader::Read(const MFileView& file, std::string* error) {
  lwo::Form form;
  if (!lwo::ReadForm(file.Reader(MByteOrder::kBig), &form)) {
    log_.write("No LightWave File\n");
    *error = path_ + " is not a LightWave object (no IFF FORM)";
    return nullptr;
  }
  if (form.type == lwo::kLWOB) {
    log_.write("LW 5.6 file\n");
  } else if (form.type == lwo::kLWO2) {
    log_.write("LW 6.x file\n");
    lwo2_ = true;
  } else if (form.type == lwo::kLXOB) {
    log_.write("LXOB objects (LightWave 11 and later) are not supported\n");
    *error = path_ + " is an LXOB object of a later LightWave, which is not supported";
    return nullptr;
  } else {
    log_.write("No LightWave Object File\n");
    *error = path_ + " is an IFF file of type " + lwo::IdText(form.type) + ", not a LightWave object";
    return nullptr;
  }
  cut_short_ = form.truncated;
  const clock_t start = std::clock();
  const MPathParts parts = m_split_path(path_.c_str());
  mesh_ = new MMesh_P(parts.fname.c_str());
  ctx_.object_dir = parts.dir;
  mesh_->mapping_type = NONE;
  log_.write("Working on: %s\n", mesh_->get_name());
  Walk(form.body, file.size());

  // Surfaces, then the texture map they name, then the side files of LWOB.
  std::vector<SurfaceInfo> surfaces;
  for (const MBinReader& s : surfs_) surfaces.push_back(ReadSurface(ctx_, s, lwo2_, clips_));
  log_.write("Materials: %d\n", ctx_.scene->surfaces->count);
  UseTextureMap(surfaces);
  // The vertex maps give a texture face per face; the older sources may
  // fall short.
  const bool mapped = mesh_->UVUsed();
  for (const MBinReader& d : uvcv_) ReadUVCV(ctx_, mesh_, d);
  if (!lwo2_ && !mesh_->UVUsed()) {
    if (ctx_.cb) ctx_.cb->msg3("Load Seperate UV File ...");
    ReadUVSideFile(ctx_, mesh_, path_);
  }
  if (mesh_->UVUsed() && !mapped) CompleteUVFaces(mesh_);
  DefaultSurface();
  MakeSurfaces();
  // Everything of the file is in the mesh now: its pages and the polygon
  // maps leave memory before the smoothing needs its own.
  file.Release(file.data(), file.size());
  std::vector<PolyBlock>().swap(blocks_);
  std::vector<UVMap>().swap(maps_);
  Smooth(surfaces);
  log_.write("%.3f seconds\n", static_cast<double>(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC * 0.001);
  ReportProblems();
  MMesh_P* m = mesh_;
  mesh_ = nullptr;
  ctx_.scene->objects->Append(m);
  return m;
}

// A scene may load one layer of a file; a number the file has no layer of
// loads them all.
void ObjectReader::SelectLayer(const MBinReader& body) {
  if (wanted_layer_ < 0 || !lwo2_) return;
  ChunkWalker walk(body, ChunkWalker::kLongLength);
  Chunk c;
  while (walk.Next(&c)) {
    if (c.id != lwo::kLAYR) continue;
    MBinReader d = c.data;
    if (d.Left() >= 2 && d.U16() == wanted_layer_) {
      selected_layer_ = wanted_layer_;
      skipping_ = true;  // what comes before the first layer is not in it
      return;
    }
  }
}

// Chunks that belong to a layer.
inline bool InLayer(uint32_t id) {
  return id == lwo::kPNTS || id == lwo::kPOLS || id == lwo::kPTAG || id == lwo::kVMAP || id == lwo::kVMAD;
}

void ObjectReader::Walk(const MBinReader& body, size_t file_size) {
  SelectLayer(body);
  ChunkWalker walk(body, ChunkWalker::kLongLength);
  Chunk c;
  while (walk.Next(&c)) {
    log_.write("-> %s (0x%0X)\n", lwo::IdText(c.id).c_str(), static_cast<unsigned>(c.length + lwo::kChunkHeader));
    if (ctx_.cb) ctx_.cb->progress1(static_cast<long>(12 + c.offset), static_cast<long>(file_size));
    if (skipping_ && InLayer(c.id)) continue;
    switch (c.id) {
      case lwo::kLAYR: if (lwo2_) Layer(c.data); break;
      case lwo::kPNTS: Points(c.data); break;
      case lwo::kPOLS: Polygons(c.data); break;
      case lwo::kPTAG: if (lwo2_) PolygonTags(c.data); break;
      case lwo::kVMAP: if (lwo2_) VertexMap(c.data, false); break;
      case lwo::kVMAD: if (lwo2_) VertexMap(c.data, true); break;
      case lwo::kSRFS:
      case lwo::kTAGS: Names(c.data); break;
      case lwo::kSURF: surfs_.push_back(c.data); break;
      case lwo::kCLIP: if (lwo2_) clips_.push_back(ReadClip(ctx_, c.data)); break;
      case lwo::kUVCV: uvcv_.push_back(c.data); break;
      default: break;  // UVIM, BBOX, DESC, ... carry nothing the scene holds
    }
  }
  if (walk.Truncated() || walk.Leftover()) cut_short_ = true;
}

void ObjectReader::Layer(MBinReader d) {
  if (selected_layer_ >= 0) skipping_ = d.U16() != selected_layer_;
  point_base_ = mesh_->Get_Vertex_Count();
  point_count_ = 0;
  current_block_ = -1;
}

void ObjectReader::Points(MBinReader d) {
  size_t n = d.Left() / 12;
  const size_t room = static_cast<size_t>(INT_MAX / 2 - mesh_->Get_Vertex_Count());
  if (n > room) n = room;
  MVertexArray* va = mesh_->v_a;
  va->Reserve(va->count + static_cast<int>(n));
  for (size_t i = 0; i < n; ++i) {
    const float a = d.F32(), b = d.F32(), c = d.F32();
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) ++bad_numbers_;
    va->Add(MVector3(Finite(a), Finite(c), Finite(b)));
  }
  point_count_ += static_cast<int>(n);
  log_.write("Vertices: %d\n", mesh_->Get_Vertex_Count());
}

// The corners gathered in corners_ (file order) as a face, flipped.
void ObjectReader::AddPolygon(int mat) {
  PolyBlock& block = blocks_.back();
  ++polygons_read_;
  const size_t n = corners_.size();
  for (size_t i = 0; i < n; ++i) {
    if (corners_[i] < 0 || corners_[i] >= point_count_) {
      ++bad_polygons_;
      block.map.push_back(-1);
      return;
    }
  }
  if (n == 0) {
    block.map.push_back(-1);
    return;
  }
  std::reverse(corners_.begin(), corners_.end());
  for (int32_t& v : corners_) v += point_base_;
  block.map.push_back(mesh_->f_a->Add(corners_.data(), static_cast<int>(n), mat));
}

void ObjectReader::Polygons(MBinReader d) {
  blocks_.emplace_back();
  current_block_ = static_cast<int>(blocks_.size()) - 1;
  if (lwo2_) {
    const uint32_t type = d.U32();
    if (type != lwo::kFACE && type != lwo::kPTCH) {
      log_.write("Type CURV or PACH not yet supported\n");
      return;
    }
    // Patches are read as their cage polygons.
    log_.write(type == lwo::kFACE ? "FACE \n" : "PTCH \n");
  }
  while (d.Left() >= 2) {
    const uint16_t head = d.U16();
    const int n = lwo2_ ? (head & lwo::kCornerMask) : head;
    corners_.clear();
    for (int i = 0; i < n && d.Ok(); ++i)
      corners_.push_back(static_cast<int32_t>(lwo2_ ? lwo::ReadVX(d) : d.U16()));
    int mat = -1;
    if (!lwo2_) {
      const int surface = d.I16();
      // A negative surface number announces detail polygons: their count
      // follows, and they come next as polygons of their own.
      if (surface < 0) d.U16();
      mat = std::abs(surface) - 1;
    }
    if (!d.Ok()) {
      cut_short_ = true;  // the last polygon runs past its chunk
      break;
    }
    AddPolygon(mat);
    if (ctx_.cb && polygons_read_ % kPolygonProgressStep == 0)
      ctx_.cb->progress3(static_cast<long>(d.Pos()), static_cast<long>(d.Size()));
  }
  log_.write("Faces: %d\n", mesh_->Get_Face_Count());
}

void ObjectReader::PolygonTags(MBinReader d) {
  const uint32_t type = d.U32();
  if (type != lwo::kSURF) {
    log_.write("Type PART or SMGP not yet supported\n");
    return;
  }
  log_.write("SURF \n");
  if (current_block_ < 0) {
    bad_tags_ += static_cast<long>(d.Left() / 4);
    return;
  }
  const std::vector<int32_t>& map = blocks_[static_cast<size_t>(current_block_)].map;
  while (d.Left() >= 4) {
    const uint32_t poly = lwo::ReadVX(d);
    const uint16_t tag = d.U16();
    if (!d.Ok()) break;
    if (poly >= map.size() || map[poly] < 0) {
      ++bad_tags_;
      continue;
    }
    // A tag past the name list is caught with the other bad surfaces.
    mesh_->Set_Face_MatId(map[poly], tag);
  }
}

void ObjectReader::VertexMap(MBinReader d, bool discontinuous) {
  const uint32_t type = d.U32();
  const int dim = d.U16();
  std::string name = lwo::ReadS0(d, kNameMax);
  if (type != lwo::kTXUV || dim < 2 || !d.Ok()) {
    log_.write(discontinuous ? "VMAD of type %s not supported\n" : "Type MNVW, MORF, SPOT, RGBA not yet supported\n",
               lwo::IdText(type).c_str());
    return;
  }
  log_.write(discontinuous ? "TXUV (VMAD)\n" : "TXUV\n");
  log_.write("%s\n", name.c_str());
  UVMap m;
  m.name = std::move(name);
  m.entries = d;
  m.dim = dim;
  m.point_base = point_base_;
  m.point_count = point_count_;
  m.block = current_block_;
  m.discontinuous = discontinuous;
  maps_.push_back(std::move(m));
}

void ObjectReader::Names(MBinReader d) {
  while (d.Left() > 0) {
    std::string s = lwo::ReadS0(d, kNameMax);
    mesh_->surface_refs->Append(my_strdup(s.c_str()));
  }
  log_.write("Surfaces: %d\n", mesh_->surface_refs->count);
}

// Of several texture maps the one a texture block names is used, else the
// first; a map is given per layer, so every chunk of that name counts.
void ObjectReader::UseTextureMap(const std::vector<SurfaceInfo>& surfaces) {
  if (maps_.empty()) return;
  const std::string* chosen = nullptr;
  for (const SurfaceInfo& s : surfaces) {
    if (s.uv_map.empty()) continue;
    for (const UVMap& m : maps_)
      if (m.name == s.uv_map) chosen = &m.name;
    if (chosen) break;
  }
  if (!chosen) {
    for (const UVMap& m : maps_)
      if (!m.discontinuous) {
        chosen = &m.name;
        break;
      }
  }
  if (!chosen) chosen = &maps_.front().name;
  log_.write("UV map: %s\n", chosen->c_str());
  mesh_->UseUV();
  mesh_->mapping_type = UV_MAP;
  const int nv = mesh_->Get_Vertex_Count();
  MVertexArray* uv = mesh_->uv_a;
  uv->Reserve(nv);
  for (int i = 0; i < nv; ++i) uv->Add(MVector3(0, 0, 0));
  for (const UVMap& m : maps_)
    if (!m.discontinuous && m.name == *chosen) ApplyMap(m);
  // The texture faces are the position faces.
  MFaceArray* faces = mesh_->f_a;
  mesh_->uvf_a->Reserve(faces->count);
  for (int i = 0; i < faces->count; ++i) mesh_->uvf_a->Add(faces->data[i]);
  for (const UVMap& m : maps_)
    if (m.discontinuous && m.name == *chosen) ApplyDiscontinuousMap(m);
}

void ObjectReader::ApplyMap(const UVMap& m) {
  MBinReader d = m.entries;
  const size_t extra = static_cast<size_t>(m.dim - 2) * 4;
  while (d.Left() >= 2 + 8) {
    const uint32_t p = lwo::ReadVX(d);
    const float u = d.F32(), v = d.F32();
    d.Skip(extra);
    if (!d.Ok()) break;
    if (p >= static_cast<uint32_t>(m.point_count)) {
      ++bad_map_entries_;
      continue;
    }
    mesh_->Set_UVVertex_Array(m.point_base + static_cast<int>(p), MVector3(Finite(u), Finite(v), 0));
  }
}

// A point that takes other texture coordinates on some polygons: those
// corners get a texture vertex of their own.
void ObjectReader::ApplyDiscontinuousMap(const UVMap& m) {
  MBinReader d = m.entries;
  const size_t extra = static_cast<size_t>(m.dim - 2) * 4;
  const std::vector<int32_t>* map = m.block >= 0 ? &blocks_[static_cast<size_t>(m.block)].map : nullptr;
  while (d.Left() >= 4 + 8) {
    const uint32_t p = lwo::ReadVX(d);
    const uint32_t poly = lwo::ReadVX(d);
    const float u = d.F32(), v = d.F32();
    d.Skip(extra);
    if (!d.Ok()) break;
    if (!map || p >= static_cast<uint32_t>(m.point_count) || poly >= map->size() || (*map)[poly] < 0) {
      ++bad_map_entries_;
      continue;
    }
    const int face = (*map)[poly];
    const int point = m.point_base + static_cast<int>(p);
    const MIPolygon& f = mesh_->Get_IFace(face);
    for (int c = 0; c < f.count; ++c) {
      if (f.data[c] != point) continue;
      mesh_->Get_IUVFace(face).data[c] = mesh_->uv_a->Add(MVector3(Finite(u), Finite(v), 0));
    }
  }
}

// Faces without a surface, or with a number past the name list, take the
// surface "Default".
void ObjectReader::DefaultSurface() {
  const int names = mesh_->surface_refs->count;
  const int nf = mesh_->Get_Face_Count();
  int fallback = -1;
  long moved = 0;
  for (int i = 0; i < nf; ++i) {
    const int mat = mesh_->Get_Face_MatId(i);
    if (mat >= 0 && mat < names) continue;
    if (fallback < 0) {
      fallback = mesh_->GetIndexMaterialbyName(kDefaultSurface);
      if (fallback < 0) {
        mesh_->surface_refs->Append(my_strdup(kDefaultSurface));
        fallback = names;
      }
    }
    mesh_->Set_Face_MatId(i, fallback);
    ++moved;
  }
  if (moved) log_.write("%ld faces without a valid surface go to %s\n", moved, kDefaultSurface);
  if (mesh_->UVUsed()) {
    for (int i = 0; i < nf && i < mesh_->Get_UVFace_Count(); ++i) mesh_->Get_IUVFace(i).mat_id = mesh_->Get_Face_MatId(i);
  }
}

void ObjectReader::MakeSurfaces() {
  for (int i = 0; i < mesh_->surface_refs->count; ++i) {
    const char* name = ref_name_or_empty(mesh_->surface_refs, i);
    if (!ctx_.scene->GetMaterialbyName(name)) ctx_.scene->surfaces->Append(new MSurface(name));
  }
}

void ObjectReader::Smooth(const std::vector<SurfaceInfo>& surfaces) {
  if (ctx_.cb) ctx_.cb->msg3("Smoothing ...");
  const int n = mesh_->surface_refs->count;
  std::vector<double> angles(static_cast<size_t>(n > 0 ? n : 1), 0.0);
  for (int i = 0; i < n; ++i) {
    const std::string name = ref_name_or_empty(mesh_->surface_refs, i);
    double a = 0.0;
    auto own = std::find_if(surfaces.begin(), surfaces.end(), [&](const SurfaceInfo& s) { return s.name == name; });
    if (own != surfaces.end()) {
      a = own->smoothing;
    } else if (auto it = ctx_.smoothing.find(name); it != ctx_.smoothing.end()) {
      a = it->second;
    }
    // No smoothing angle means flat faces, not normals of zero length.
    angles[static_cast<size_t>(i)] = a > 0 ? a : std::numeric_limits<double>::quiet_NaN();
  }
  mesh_->SetFile(log_.Get_FILE());
  mesh_->NormalSmooth(ctx_.cb ? ctx_.cb->progress3 : nullptr, angles.data(), n);
  mesh_->UnSetFile();
  if (ctx_.cb) ctx_.cb->msg3("");
}

void ObjectReader::ReportProblems() {
  const char* p = path_.c_str();
  if (cut_short_) ctx_.run.Warn("%s is cut short or holds a chunk longer than its file: read as far as it goes", p);
  if (bad_polygons_) ctx_.run.Warn("%s: %ld polygons name points their layer does not have: left out", p, bad_polygons_);
  if (bad_tags_) ctx_.run.Warn("%s: %ld surface tags name polygons that do not exist: ignored", p, bad_tags_);
  if (bad_map_entries_)
    ctx_.run.Warn("%s: %ld texture coordinates name points or polygons that do not exist: ignored", p, bad_map_entries_);
  if (bad_numbers_) ctx_.run.Warn("%s: %ld points with coordinates that are no numbers: read as 0", p, bad_numbers_);
}

}  // namespace

MMesh_P* ImportObject(Context& ctx, const std::string& path, const MFileView& file, std::string* error, int layer) {
  ObjectReader reader(ctx, path, layer);
  return reader.Read(file, error);
}

MMesh_P* ImportObjectFile(Context& ctx, const std::string& path, std::string* error, int layer) {
  MFileView file;
  if (!file.Open(path.c_str())) {
    ctx.log.write("File %s not found\n", path.c_str());
    *error = "cannot read " + path + ": " + std::strerror(file.error());
    return nullptr;
  }
  return ImportObject(ctx, path, file, error, layer);
}

}  // namespace lwoimp
