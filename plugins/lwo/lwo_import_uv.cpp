// Texture coordinates of LWOB objects: the UVCV chunk some writers add and
// the UV side file (<object>.uv) of older tools. Their polygons follow the
// object's, corner by corner, so they are flipped as the faces are.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "lwo_import_parts.h"

namespace lwoimp {
namespace {

constexpr double kUVTolerance = 0.001;

// Numbers of a text file read the way scanf reads them: across line ends,
// with whole lines skipped where the file has lines of no interest.
class NumberReader {
 public:
  explicit NumberReader(FILE* f) : in_(f) {}
  bool Int(long* out) {
    if (!Word()) return false;
    char* end = nullptr;
    const long v = std::strtol(p_, &end, 10);
    if (end == p_) return false;
    *out = v;
    p_ = end;
    return true;
  }
  bool Float(double* out) {
    if (!Word()) return false;
    const char* next = m_scan_double(p_, line_end_, out);
    if (!next) return false;
    p_ = const_cast<char*>(next);
    return true;
  }
  // The rest of the current line.
  void RestOfLine() { p_ = nullptr; }
  void SkipLine() {
    if (!p_) Fetch();
    p_ = nullptr;
  }

 private:
  bool Fetch() {
    size_t n = 0;
    char* l = in_.Next(&n);
    if (!l) return false;
    p_ = l;
    line_end_ = l + n;
    return true;
  }
  // Moves to the start of the next word, fetching lines as needed.
  bool Word() {
    for (;;) {
      if (!p_ && !Fetch()) return false;
      while (*p_ == ' ' || *p_ == '\t') ++p_;
      if (*p_) return true;
      p_ = nullptr;
    }
  }
  MLineReader in_;
  char* p_ = nullptr;
  const char* line_end_ = nullptr;
};

// One texture polygon whose corners are in file order.
void AddTexturePolygon(MMesh_P* mesh, MGridWeld& weld, const std::vector<MVector3>& corners, int mat) {
  std::vector<int32_t> idx(corners.size());
  const size_t n = corners.size();
  for (size_t i = 0; i < n; ++i) idx[n - 1 - i] = weld.Add(corners[i]);
  mesh->uvf_a->Add(idx.data(), static_cast<int>(n), mat);
}

void StartUV(MMesh_P* mesh) {
  mesh->RemoveUV();
  mesh->UseUV();
  mesh->mapping_type = UV_MAP;
}

}  // namespace

bool ReadUVSideFile(Context& ctx, MMesh_P* mesh, const std::string& object_path) {
  const MPathParts parts = m_split_path(object_path.c_str());
  const std::string path = m_join_path(parts.dir, parts.fname, ".uv");
  MFileView probe;
  if (!probe.Open(path.c_str())) return false;
  probe.Close();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  ctx.log.write("UV file %s\n", path.c_str());
  NumberReader in(f);
  long version = 0, points = 0, faces = 0;
  bool ok = in.Int(&version) && in.Int(&points);
  if (ok) {
    in.RestOfLine();
    if (version > 1) in.SkipLine();
    in.SkipLine();
    ok = in.Int(&faces) && faces == mesh->Get_Face_Count();
  }
  if (!ok) {
    std::fclose(f);
    ctx.run.Warn("%s does not fit %s: no texture coordinates read", path.c_str(), object_path.c_str());
    return false;
  }
  StartUV(mesh);
  MGridWeld weld(mesh->uv_a, kUVTolerance);
  std::vector<MVector3> corners;
  for (long i = 0; i < faces; ++i) {
    long number = 0, count = 0;
    const int fi = static_cast<int>(i);
    if (!in.Int(&number) || !in.Int(&count) || count != mesh->Get_VertexperFace_Count(fi)) break;
    corners.clear();
    bool good = true;
    for (long c = 0; c < count && good; ++c) {
      double u = 0, v = 0;
      long ignored = 0;
      good = in.Float(&u) && in.Float(&v) && in.Int(&ignored);
      corners.emplace_back(u, v, 0.0);
    }
    if (!good) break;
    AddTexturePolygon(mesh, weld, corners, mesh->Get_Face_MatId(fi));
  }
  std::fclose(f);
  ctx.log.write("UVVertices: %d\n", mesh->Get_UVVertex_Count());
  ctx.log.write("UVFaces: %d\n", mesh->Get_UVFace_Count());
  if (mesh->Get_UVFace_Count() < faces)
    ctx.run.Warn("%s ends after %d of %ld texture polygons", path.c_str(), mesh->Get_UVFace_Count(), faces);
  return true;
}

void ReadUVCV(Context& ctx, MMesh_P* mesh, MBinReader d) {
  // A second chunk goes on where the first ended.
  mesh->UseUV();
  mesh->mapping_type = UV_MAP;
  MGridWeld weld(mesh->uv_a, kUVTolerance);
  std::vector<MVector3> corners;
  const int faces = mesh->Get_Face_Count();
  while (d.Left() >= 8 && mesh->Get_UVFace_Count() < faces) {
    d.U32();
    const size_t n = d.FitCount(d.U32(), 12);
    corners.clear();
    for (size_t i = 0; i < n; ++i) {
      const float u = d.F32(), v = d.F32();
      d.U32();
      corners.emplace_back(std::isfinite(u) ? u : 0.0, std::isfinite(v) ? v : 0.0, 0.0);
    }
    if (!d.Ok()) break;
    AddTexturePolygon(mesh, weld, corners, mesh->Get_Face_MatId(mesh->Get_UVFace_Count()));
  }
  ctx.log.write("UVVertices: %d\n", mesh->Get_UVVertex_Count());
  ctx.log.write("UVFaces: %d\n", mesh->Get_UVFace_Count());
}

void CompleteUVFaces(MMesh_P* mesh) {
  const int faces = mesh->Get_Face_Count();
  int zero = -1;
  std::vector<int32_t> idx;
  auto zeros = [&](int n) {
    if (zero < 0) zero = mesh->uv_a->Add(MVector3(0, 0, 0));
    idx.assign(static_cast<size_t>(n), zero);
  };
  for (int i = 0; i < faces; ++i) {
    const int n = mesh->Get_VertexperFace_Count(i);
    if (i < mesh->Get_UVFace_Count()) {
      if (mesh->Get_IUVFace(i).count == n) continue;
      zeros(n);
      MIPolygon p(0);
      for (int32_t v : idx) p.Add(v);
      p.Set_MatId(mesh->Get_Face_MatId(i));
      mesh->Set_UVFace_Array(i, p);
      continue;
    }
    zeros(n);
    mesh->uvf_a->Add(idx.data(), n, mesh->Get_Face_MatId(i));
  }
}

}  // namespace lwoimp
