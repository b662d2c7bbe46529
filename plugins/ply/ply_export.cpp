// PLY export: every mesh and solid of the scene merged into one vertex and
// one face element, n-gons kept, in ASCII or binary of either byte order.
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "ply_format.h"
#include "ply_options.h"

namespace {

const char kTitle[] = "PLY Export Plugin 1.0";
const char kHelp[] =
    "PLY Export Plugin 1.0\n\nExports *.ply, polygon files in ASCII or binary\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\tSubDir: "
    "adds import filename as sub dir to full export file name\n\nSpecific Settings:\n\n\tFormat: 0 ASCII, 1 "
    "binary little endian, 2 binary big endian\n\n";

// A PLY vertex has one position, normal and texture coordinate: corners
// whose layers index different combinations become different vertices.
struct CornerKey {
  int32_t v, n, t;
  bool operator==(const CornerKey& o) const { return v == o.v && n == o.n && t == o.t; }
};
struct CornerHash {
  size_t operator()(const CornerKey& k) const {
    return (static_cast<size_t>(k.v) * 0x9E3779B97F4A7C15ull) ^ (static_cast<size_t>(k.n) * 0xC2B2AE3D27D4EB4Full) ^
           static_cast<size_t>(k.t);
  }
};

struct Model {
  bool normals = true, uvs = true;  // every written mesh has them
  std::vector<float> vertices;      // per vertex: x y z [nx ny nz] [s t]
  std::vector<int32_t> faces;       // per face: its corner count, then the corners
  long face_count = 0;
  int max_corners = 0;
  size_t Stride() const { return 3 + (normals ? 3 : 0) + (uvs ? 2 : 0); }
  long VertexCount() const { return static_cast<long>(vertices.size() / Stride()); }
};

bool HasLayer(MMesh_P* m, int used, MFaceArray* faces) { return used && faces && faces->count >= m->Get_Face_Count(); }

void AddMesh(Model& model, const MExportMesh& e, kvpf::ExportRun& run) {
  MMesh_P* m = e.mesh;
  const char* listed = e.object->get_name() ? e.object->get_name() : "";
  run.log().write("Working on: %s\n", listed);
  run.LoseWalkChanges(e);
  run.LoseMaterials(e);
  run.Lose(listed, KV_LOSS_NAME_DROPPED);
  if (e.object != e.source) run.Lose(listed, KV_LOSS_HIERARCHY_FLATTENED);
  const bool normals = model.normals && HasLayer(m, m->NormalsUsed(), m->nf_a);
  const bool uvs = model.uvs && HasLayer(m, m->UVUsed(), m->uvf_a);
  if (m->NormalsUsed() && !normals) run.Lose(listed, KV_LOSS_NORMALS_DROPPED);
  if (m->UVUsed() && !uvs) run.Lose(listed, KV_LOSS_UVS_DROPPED);
  std::unordered_map<CornerKey, int32_t, CornerHash> made;
  // Positions alone: the mesh's own vertices, in their order.
  std::vector<int32_t> direct;
  const bool plain = !model.normals && !model.uvs;
  if (plain) direct.assign(static_cast<size_t>(m->Get_Vertex_Count()), -1);
  long short_faces = 0;
  for (int i = 0; i < m->Get_Face_Count(); ++i) {
    const MIPolygon& f = (*m->f_a)[i];
    if (f.count < 3) {
      ++short_faces;
      continue;
    }
    model.faces.push_back(f.count);
    if (f.count > model.max_corners) model.max_corners = f.count;
    ++model.face_count;
    for (int k = 0; k < f.count; ++k) {
      CornerKey key{f[k], normals ? (*m->nf_a)[i][k] : -1, uvs ? (*m->uvf_a)[i][k] : -1};
      int32_t* slot;
      if (plain) {
        slot = &direct[static_cast<size_t>(key.v)];
      } else {
        slot = &made.try_emplace(key, -1).first->second;
      }
      if (*slot < 0) {
        *slot = static_cast<int32_t>(model.VertexCount());
        MVector3 p = e.matrix.Transform((*m->v_a)[key.v]);
        model.vertices.insert(model.vertices.end(), {float(p.x), float(p.y), float(p.z)});
        if (model.normals) {
          MVector3 n = normals ? vect_normalize(e.matrix.NTransform((*m->nv_a)[key.n])) : MVector3();
          model.vertices.insert(model.vertices.end(), {float(n.x), float(n.y), float(n.z)});
        }
        if (model.uvs) {
          MVector3 t = uvs ? (*m->uv_a)[key.t] : MVector3();
          model.vertices.insert(model.vertices.end(), {float(t.x), float(t.y)});
        }
      }
      model.faces.push_back(*slot);
    }
  }
  run.Lose(listed, KV_LOSS_FACES_DROPPED, short_faces);
}

void WriteHeader(MTextWriter& out, const Model& model, int format) {
  static const char* const kFormats[] = {"ascii", "binary_little_endian", "binary_big_endian"};
  out.Line("ply");
  out.Printf("format %s 1.0\n", kFormats[format]);
  out.Line("comment written by Korvane");
  out.Printf("element vertex %ld\n", model.VertexCount());
  out.Line("property float x\nproperty float y\nproperty float z");
  if (model.normals) out.Line("property float nx\nproperty float ny\nproperty float nz");
  if (model.uvs) out.Line("property float s\nproperty float t");
  out.Printf("element face %ld\n", model.face_count);
  out.Printf("property list %s int vertex_indices\n", model.max_corners > 255 ? "uint" : "uchar");
  out.Line("end_header");
}

void WriteAscii(MTextWriter& out, const Model& model) {
  char buf[40];
  const size_t stride = model.Stride();
  for (size_t i = 0; i < model.vertices.size(); i += stride) {
    for (size_t k = 0; k < stride; ++k) {
      if (k) out.Put(' ');
      out.Put(buf, static_cast<size_t>(m_format_shortest(model.vertices[i + k], buf)));
    }
    out.EndLine();
  }
  for (size_t i = 0; i < model.faces.size();) {
    const int32_t n = model.faces[i++];
    out.Int(n);
    for (int32_t k = 0; k < n; ++k) {
      out.Put(' ');
      out.Int(model.faces[i++]);
    }
    out.EndLine();
  }
}

void WriteBinary(MOutputFile& f, const Model& model, MByteOrder order) {
  std::vector<uint8_t> block;
  MBinWriter w(&block, order);
  auto flush = [&](bool last) {
    if (block.size() >= (1u << 16) || (last && !block.empty())) f.Write(block.data(), block.size()), block.clear();
  };
  for (float v : model.vertices) {
    w.F32(v);
    flush(false);
  }
  const bool wide = model.max_corners > 255;
  for (size_t i = 0; i < model.faces.size();) {
    const int32_t n = model.faces[i++];
    if (wide) w.U32(static_cast<uint32_t>(n));
    else w.U8(static_cast<uint8_t>(n));
    for (int32_t k = 0; k < n; ++k) w.I32(model.faces[i++]);
    flush(false);
  }
  flush(true);
}

int ExportPly(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  PlyExportOption* o = static_cast<PlyExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle);
  run.AccountLosses();
  if (o->format < 0 || o->format > 2) {
    run.Fail("ply_format %d is none of 0 (ASCII), 1 (binary little endian), 2 (binary big endian)", o->format);
    return run.Finish();
  }
  MOutputFile* f = run.Open();
  if (!f) return 0;
  if (cb) cb->msg1("Mesh");
  Model model;
  MExportWalkOptions walk;
  walk.triangulate = false;
  // Normals and texture coordinates are written when every mesh has them.
  MExportWalkOptions quiet = walk;
  quiet.report_objects = false;
  ForEachExportMesh(scene, nullptr, quiet, [&](const MExportMesh& e) {
    model.normals &= HasLayer(e.mesh, e.mesh->NormalsUsed(), e.mesh->nf_a);
    model.uvs &= HasLayer(e.mesh, e.mesh->UVUsed(), e.mesh->uvf_a);
  });
  ForEachExportMesh(scene, cb, walk, [&](const MExportMesh& e) { AddMesh(model, e, run); });
  {
    MTextWriter out(*f, 1);  // PLY header lines end in LF
    WriteHeader(out, model, o->format);
    if (o->format == 0) WriteAscii(out, model);
  }
  if (o->format != 0) WriteBinary(*f, model, o->format == 2 ? MByteOrder::kBig : MByteOrder::kLittle);
  run.LoseCameras(scene);
  run.LoseLights(scene);
  run.LoseMaps(scene);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new PlyExportOption(argc, argv);
  return new PlyExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return kvpf::OptionKeyFields(static_cast<PlyExportOption*>(base)->Keys(), out, max);
}

kvpf::ExportClassDesc ply_export_desc(kvpf::ExportClassInfo{
    "PLY (*.ply)", 0x71A4E2C5u, kvpf::PluginTexts{"PLY", kHelp}, NewOptions, ExportPly, OptionFields});

PluginClassDesc* const kClasses[] = {&ply_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("PLY Export Lib", kClasses)
