// MD2 export: one single-frame Quake 2 model per material of every mesh, all
// quantised on one grid that spans the whole scene, so that the pieces line
// up when loaded together.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "export_walk.h"
#include "format_run.h"
#include "korvanelib.h"
#include "mdl_options.h"
#include "plugin_framework.h"
#include "quake_format.h"

namespace {

using namespace quake;

const char kTitle[] = "Quake Export Plugin 1.0";
const char kHelp[] =
    "Quake Export Plugin 1.0\n\nExports *.md2 (Quake 2): one single-frame model per material of every mesh,\n"
    "each file named after its mesh and material number.\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n"
    "\tSubDir: adds import filename as sub dir to full export file name\n\n"
    "Map Conversion:\n\n\tthe skin names follow the image handler's extension and conversion settings\n\n";
// Longest file name stem of a piece, so that the name stays within what a
// file system takes.
constexpr size_t kMaxStem = 200;

// Frame vertex bytes: byte = (p + g) * n * 127 + 128 per axis, with g the
// negated centre and n = 2 / the longest side of the scene box, decoded by
// byte * scale + translate.
class Grid {
 public:
  // false when the box is too large for the header's floats.
  bool Set(const MVector3& lo, const MVector3& hi) {
    const MVector3 d = hi - lo;
    const double longest = std::max(d.x, std::max(d.y, d.z));
    // A box of no size gets the scale of a box of size 2.
    n_ = longest > 0.0 && std::isfinite(longest) ? 2.0 / longest : 1.0;
    const MVector3 c = (lo + hi) * -0.5;
    g_[0] = c.x;
    g_[1] = c.y;
    g_[2] = c.z;
    for (int a = 0; a < 3; ++a) {
      scale_[a] = static_cast<float>(1.0 / (127.0 * n_));
      translate_[a] = static_cast<float>(-g_[a] - 128.0 * static_cast<double>(scale_[a]));
      if (!std::isnormal(scale_[a]) || !std::isfinite(translate_[a])) return false;
    }
    return true;
  }
  // Rounded half away from the centre, so that a box's corners land on
  // bytes that centre on 128 again when the file is read and written anew.
  uint8_t Byte(int axis, double p) const {
    const double x = std::round((p + g_[axis]) * n_ * 127.0);
    return static_cast<uint8_t>(std::clamp(x + 128.0, 0.0, 255.0));
  }
  const float* scale() const { return scale_; }
  const float* translate() const { return translate_; }

 private:
  double n_ = 1.0;
  double g_[3] = {};
  float scale_[3] = {};
  float translate_[3] = {};
};

class Box {
 public:
  void Add(const MVector3& p) {
    if (empty_) {
      lo_ = hi_ = p;
      empty_ = false;
      return;
    }
    lo_ = MVector3(std::min(lo_.x, p.x), std::min(lo_.y, p.y), std::min(lo_.z, p.z));
    hi_ = MVector3(std::max(hi_.x, p.x), std::max(hi_.y, p.y), std::max(hi_.z, p.z));
  }
  bool empty() const { return empty_; }
  const MVector3& lo() const { return lo_; }
  const MVector3& hi() const { return hi_; }

 private:
  bool empty_ = true;
  MVector3 lo_, hi_;
};

// The index of the standard normal closest in direction to n.
uint8_t NormalIndex(const MVector3& n) {
  int best = 0;
  double best_dot = -std::numeric_limits<double>::infinity();
  for (int i = 0; i < kNormalCount; ++i) {
    const double d = n.x * kNormals[i][0] + n.y * kNormals[i][1] + n.z * kNormals[i][2];
    if (d > best_dot) {
      best_dot = d;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

short TexelOf(double v) {
  const double x = std::round(v * kMd2ExportSkinSize);
  return static_cast<short>(std::clamp(x, -32768.0, 32767.0));
}

struct Piece {
  MMesh_P* mesh;
  const MMatrix& matrix;
  const char* surface_name;  // null: the scene's first surface
};

class Writer {
 public:
  Writer(MScene* scene, Md2ExportOption* o, kvpf::ExportRun& run) : scene_(scene), o_(o), run_(run) {}

  bool SetGrid() {
    Box box;
    MExportWalkOptions walk;
    walk.report_objects = false;
    walk.triangulate = false;  // a triangulation keeps every vertex: the box is the same
    ForEachExportMesh(scene_, run_.cb(), walk, [&](const MExportMesh& m) {
      const int n = m.mesh->Get_Vertex_Count();
      for (int i = 0; i < n; ++i) box.Add(m.matrix.Transform(m.mesh->Get_Vertex(i)));
    });
    if (box.empty()) return true;
    if (grid_.Set(box.lo(), box.hi())) return true;
    run_.Fail("the scene (from %g to %g) is too large for the floats of an MD2 frame",
              std::min(box.lo().x, std::min(box.lo().y, box.lo().z)),
              std::max(box.hi().x, std::max(box.hi().y, box.hi().z)));
    return false;
  }

  // Every material of the mesh as a piece of its own; faces whose material
  // names no surface reference go into pieces of the scene's first surface.
  void WriteMesh(const MExportMesh& m) {
    MMesh_P* mesh = m.mesh;
    MList* refs = mesh->surface_refs;
    const int nrefs = refs ? refs->count : 0;
    if (m.source->get_type() == TSOLID) {
      WritePiece(Piece{mesh, m.matrix, nrefs > 0 ? static_cast<const char*>(refs->GetAt(0)) : nullptr});
      return;
    }
    std::set<int> others;
    for (int i = 0; i < mesh->Get_Face_Count(); ++i) {
      const int id = mesh->Get_Face_MatId(i);
      if (id < 0 || id >= nrefs) others.insert(id);
    }
    std::vector<int> ids;
    for (int j = 0; j < nrefs; ++j) ids.push_back(j);
    ids.insert(ids.end(), others.begin(), others.end());
    MessageCallBack1* cb = run_.cb();
    for (int id : ids) {
      if (run_.Failed()) return;
      MMesh_P* piece = mesh->SplitSurface(cb ? cb->progress3 : nullptr, id);
      if (!piece) continue;
      WritePiece(Piece{piece, m.matrix, id < nrefs ? static_cast<const char*>(refs->GetAt(id)) : nullptr});
      delete piece;
    }
  }

  const std::vector<std::string>& written() const { return written_; }

 private:
  std::string FileFor(const char* piece_name) {
    const char* clean = m_unifymeshname(piece_name ? piece_name : "", 1);
    std::string stem = clean ? clean : "";
    if (stem.size() > kMaxStem) stem.resize(kMaxStem);
    if (stem.empty()) stem = run_.base().empty() ? std::string("model") : run_.base();
    // Two meshes whose names clean to the same text must not share a file.
    if (used_.count(stem)) {
      // Appended piece by piece: GCC's -O3 -Wrestrict misreads "_" + string.
      auto numbered = [&stem](int n) {
        std::string s = stem;
        s += '_';
        s += std::to_string(n);
        return s;
      };
      int k = 2;
      while (used_.count(numbered(k))) ++k;
      stem = numbered(k);
    }
    used_.insert(stem);
    return run_.dir() + stem + "." + (o_->Get_Ext() ? o_->Get_Ext() : "md2");
  }

  std::string SkinName(const char* surface_name) {
    MSurface* s = surface_name ? scene_->GetMaterialbyName(surface_name) : nullptr;
    if (!s && scene_->surfaces && scene_->surfaces->count > 0) s = static_cast<MSurface*>(scene_->surfaces->GetAt(0));
    if (!s) return "";
    MSrf_TextureLayer* layer = s->layers.Get(0);
    if (!layer || !layer->diffuse_color.enabled || !layer->texture.bitmap.file_name[0]) return "";
    std::string name = o_->image_handler.GetNewMapName(layer->texture.bitmap.file_name, 0, "");
    if (name.size() >= kMd2SkinNameSize) {
      run_.Warn("the skin name %s is cut to %zu characters", name.c_str(), kMd2SkinNameSize - 1);
      name.resize(kMd2SkinNameSize - 1);
    }
    return name;
  }

  // One normal per vertex: the corner normals of the mesh where it has
  // them, else the faces' own, summed and turned into table indices.
  std::vector<uint8_t> NormalIndices(MMesh_P* m, const MMatrix& M, const std::vector<int>& faces) {
    const int nv = m->Get_Vertex_Count();
    std::vector<MVector3> sum(static_cast<size_t>(nv), MVector3(0, 0, 0));
    const bool corners = m->NormalsUsed() && m->Get_NFace_Count() == m->Get_Face_Count();
    for (int f : faces) {
      const MIPolygon& p = m->Get_IFace(f);
      MVector3 a = M.Transform(m->Get_Vertex(p.data[0]));
      MVector3 b = M.Transform(m->Get_Vertex(p.data[1]));
      MVector3 c = M.Transform(m->Get_Vertex(p.data[2]));
      const MVector3 face = vect_cross(b - a, c - a);
      const MIPolygon* np = corners ? m->Get_INFace_p(f) : nullptr;
      for (int k = 0; k < 3; ++k) {
        MVector3 n = face;
        if (np && np->count > k && np->data[k] >= 0 && np->data[k] < m->Get_NVertex_Count())
          n = vect_normalize(M.NTransform(m->Get_NVertex(np->data[k])));
        sum[static_cast<size_t>(p.data[k])] = sum[static_cast<size_t>(p.data[k])] + n;
      }
    }
    std::vector<uint8_t> out(static_cast<size_t>(nv));
    for (int i = 0; i < nv; ++i) out[static_cast<size_t>(i)] = NormalIndex(sum[static_cast<size_t>(i)]);
    return out;
  }

  void WritePiece(const Piece& piece) {
    MMesh_P* m = piece.mesh;
    const char* name = m->get_name() ? m->get_name() : "";
    LogFile& log = run_.log();
    log.write("Writing %s:\n", name);
    const int nv = m->Get_Vertex_Count();
    // Triangles whose corners all name vertices; faces of more corners are
    // only met when triangulation gave nothing, and give their first three.
    std::vector<int> faces;
    for (int i = 0; i < m->Get_Face_Count(); ++i) {
      const MIPolygon& p = m->Get_IFace(i);
      if (p.count < 3) continue;
      if (std::all_of(p.data, p.data + 3, [nv](int32_t v) { return v >= 0 && v < nv; })) faces.push_back(i);
    }
    if (faces.empty()) return;
    const bool uv = m->UVUsed() && m->Get_UVVertex_Count() > 0 && m->Get_UVFace_Count() == m->Get_Face_Count();
    const int nst = uv ? m->Get_UVVertex_Count() : 1;
    if (nv > kMd2MaxIndexed || nst > kMd2MaxIndexed) {
      run_.Fail("%s: %d vertices and %d texture coordinates; an MD2 file indexes at most %d of each", name, nv, nst,
                kMd2MaxIndexed);
      return;
    }
    const uint64_t bytes = kMd2HeaderSize + kMd2SkinNameSize + kMd2TexCoordSize * static_cast<uint64_t>(nst) +
                           kMd2TriangleSize * faces.size() + kMd2FrameHeadSize + kFrameVertexSize * nv + 4;
    if (bytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
      run_.Fail("%s: %zu triangles do not fit the 32-bit offsets of an MD2 file", name, faces.size());
      return;
    }
    if (nv > kQuake2MaxVertices || faces.size() > static_cast<size_t>(kQuake2MaxTriangles))
      run_.Warn("%s: %d vertices and %zu triangles; Quake 2 itself loads at most %d and %d", name, nv, faces.size(),
                kQuake2MaxVertices, kQuake2MaxTriangles);

    const std::string skin = SkinName(piece.surface_name);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(bytes));
    MBinWriter w(&out);
    int32_t h[kMd2HeaderInts] = {};
    h[kMd2Ident] = static_cast<int32_t>(kMd2Magic);
    h[kMd2VersionField] = kMd2Version;
    h[kMd2SkinWidth] = h[kMd2SkinHeight] = kMd2ExportSkinSize;
    h[kMd2FrameSize] = static_cast<int32_t>(kMd2FrameHeadSize + kFrameVertexSize * static_cast<size_t>(nv));
    h[kMd2NumSkins] = skin.empty() ? 0 : 1;
    h[kMd2NumVertices] = nv;
    h[kMd2NumTexCoords] = nst;
    h[kMd2NumTriangles] = static_cast<int32_t>(faces.size());
    h[kMd2NumGlCommands] = 1;
    h[kMd2NumFrames] = 1;
    w.Zeros(kMd2HeaderSize);
    LogMd2Header(log, h);

    h[kMd2OfsSkins] = static_cast<int32_t>(w.Pos());
    if (!skin.empty()) w.FixedString(skin.c_str(), kMd2SkinNameSize);
    h[kMd2OfsTexCoords] = static_cast<int32_t>(w.Pos());
    if (uv) {
      for (int i = 0; i < nst; ++i) {
        const MVector3& t = m->Get_UVVertex(i);
        w.I16(TexelOf(t.x));
        w.I16(TexelOf(1.0 - t.y));
      }
    } else {
      w.I16(0);
      w.I16(0);
    }
    h[kMd2OfsTriangles] = static_cast<int32_t>(w.Pos());
    for (int f : faces) {
      const MIPolygon& p = m->Get_IFace(f);
      for (int k = 2; k >= 0; --k) w.I16(static_cast<int16_t>(p.data[k]));
      const MIPolygon* t = uv ? m->Get_IUVFace_p(f) : nullptr;
      for (int k = 2; k >= 0; --k) {
        const int s = t && t->count > k ? t->data[k] : 0;
        w.I16(static_cast<int16_t>(s >= 0 && s < nst ? s : 0));
      }
    }
    h[kMd2OfsFrames] = static_cast<int32_t>(w.Pos());
    for (int a = 0; a < 3; ++a) w.F32(grid_.scale()[a]);
    for (int a = 0; a < 3; ++a) w.F32(grid_.translate()[a]);
    w.FixedString(kMd2ExportFrameName, kFrameNameSize);
    const std::vector<uint8_t> normals = NormalIndices(m, piece.matrix, faces);
    for (int i = 0; i < nv; ++i) {
      const MVector3 p = piece.matrix.Transform(m->Get_Vertex(i));
      w.U8(grid_.Byte(0, p.x));
      w.U8(grid_.Byte(1, p.y));
      w.U8(grid_.Byte(2, p.z));
      w.U8(normals[static_cast<size_t>(i)]);
    }
    // No GL commands, only the 0 that ends their list: readers that want
    // every block to end inside the file refuse frames that end it.
    h[kMd2OfsGlCommands] = static_cast<int32_t>(w.Pos());
    w.U32(0);
    h[kMd2OfsEnd] = static_cast<int32_t>(w.Pos());
    for (size_t i = 0; i < kMd2HeaderInts; ++i) w.PatchU32(4 * i, static_cast<uint32_t>(h[i]));

    const std::string path = FileFor(name);
    MOutputFile* f = run_.Open(path);
    if (!f) return;
    f->Write(out.data(), out.size());
    written_.push_back(path);
  }

  MScene* scene_;
  Md2ExportOption* o_;
  kvpf::ExportRun& run_;
  Grid grid_;
  std::set<std::string> used_;
  std::vector<std::string> written_;
};

int ExportMd2(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  Md2ExportOption* o = static_cast<Md2ExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle);
  if (FILE* log = run.log().Get_FILE()) {
    o->image_handler.Print(log);
    std::fputs("\n", log);
  }
  Writer writer(scene, o, run);
  if (cb && cb->msg1) cb->msg1("Meshes ...");
  if (cb && cb->progress1) cb->progress1(0, 8);
  if (!writer.SetGrid()) return 0;
  ForEachExportMesh(scene, cb, MExportWalkOptions{}, [&](const MExportMesh& m) {
    if (!run.Failed()) writer.WriteMesh(m);
  });
  if (!run.Failed() && writer.written().empty()) run.Fail("the scene holds no triangles to write");
  if (!run.Failed()) {
    if (cb && cb->msg1) cb->msg1("Maps ...");
    if (cb && cb->progress1) cb->progress1(7, 8);
    run.ProcessMaps(o->image_handler, scene->maps);
  }
  if (!run.Finish()) return 0;
  kvpf::SetWrittenPath(writer.written().front().c_str());
  return 1;
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new Md2ExportOption(argc, argv);
  return new Md2ExportOption();
}

int OptionFields(Base_FileOption* o, KvOptionField* out, int max) {
  if (max < 1) return 0;
  out[0] = kvpf::ImageHandlerField(&static_cast<Md2ExportOption*>(o)->image_handler);
  return 1;
}

kvpf::ExportClassDesc md2_export_desc(kvpf::ExportClassInfo{
    "Quake2 (*.md2)", 0x7C340BC0u, kvpf::PluginTexts{"MD2", kHelp}, NewOptions, ExportMd2, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&md2_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("MD2 Export Lib", kClasses)
