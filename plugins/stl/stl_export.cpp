// STL export: every mesh and solid of the scene as triangles with facet
// normals, in one binary file (the default) or one ASCII solid per object.
#include <cstring>
#include <string>
#include <vector>

#include <strings.h>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "stl_format.h"
#include "stl_options.h"

namespace {

const char kTitle[] = "STL Export Plugin 1.0";
const char kHelp[] =
    "STL Export Plugin 1.0\n\nExports *.stl, stereolithography triangles with facet normals\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\tSubDir: "
    "adds import filename as sub dir to full export file name\n\nSpecific Settings:\n\n\tBinary STL: binary file "
    "(else ASCII)\n\n";

// The facets split quads themselves: no triangulated copy of a quad mesh.
MExportWalkOptions Walk() {
  MExportWalkOptions walk;
  walk.writer_splits_quads = true;
  return walk;
}

// One triangle in world space with its facet normal.
struct Facet {
  MVector3 normal, c[3];
};

// Calls fn for every triangle of the mesh (faces of fewer than three
// corners are counted in *short_faces and left out).
template <class Fn>
void ForEachFacet(const MExportMesh& e, long* short_faces, Fn fn) {
  MMesh_P* m = e.mesh;
  const int faces = m->Get_Face_Count();
  Facet t;
  for (int i = 0; i < faces; ++i) {
    if (m->Get_VertexperFace_Count(i) < 3) {
      ++*short_faces;
      continue;
    }
    const MIPolygon& f = m->f_a->data[i];
    // A quad the walk left to us goes as the triangulation splits it.
    const int halves = e.split_quads && f.count == 4 ? 2 : 1;
    for (int h = 0; h < halves; ++h) {
      for (int c = 0; c < 3; ++c) {
        const int v = f.data[kQuadHalves[h][c]];
        t.c[c] = e.matrix.Transform(v >= 0 && v < m->Get_Vertex_Count() ? m->Get_Vertex(v) : MVector3(0, 0, 0));
      }
      t.normal = vect_normalize(vect_cross(t.c[1] - t.c[0], t.c[2] - t.c[0]));
      fn(t);
    }
  }
}

// Corner normals of their own (not one per facet) are replaced by the
// facet normal.
bool HasSmoothNormals(MMesh_P* m) {
  if (!m->NormalsUsed() || m->Get_NFace_Count() < m->Get_Face_Count()) return m->NormalsUsed() != 0;
  for (int i = 0; i < m->Get_Face_Count(); ++i) {
    const MIPolygon& f = (*m->nf_a)[i];
    for (int k = 1; k < f.count; ++k)
      if (!((*m->nv_a)[f[k]] == (*m->nv_a)[f[0]])) return true;
  }
  return false;
}

// What an STL file cannot keep of a written object.
void AccountObject(kvpf::ExportRun& run, const MExportMesh& e) {
  const char* listed = e.object->get_name() ? e.object->get_name() : "";
  run.LoseWalkChanges(e);
  run.LoseMaterials(e);
  if (e.object != e.source) run.Lose(listed, KV_LOSS_HIERARCHY_FLATTENED);
  if (e.mesh->UVUsed()) run.Lose(listed, KV_LOSS_UVS_DROPPED);
  if (HasSmoothNormals(e.mesh)) run.Lose(listed, KV_LOSS_NORMALS_DROPPED);
}

// The name on one text line: control characters become '_'.
std::string LineName(const char* name, bool* changed) {
  std::string s = name ? name : "";
  *changed = false;
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 32) c = '_', *changed = true;
  return s;
}

void PutNumber(MTextWriter& out, double v) {
  char buf[40];
  out.Put(buf, static_cast<size_t>(m_format_shortest(v, buf)));
}

void PutVector(MTextWriter& out, const MVector3& v) {
  PutNumber(out, v.x);
  out.Put(' ');
  PutNumber(out, v.y);
  out.Put(' ');
  PutNumber(out, v.z);
}

void WriteAscii(MScene* scene, MOutputFile& f, int ld_mode, kvpf::ExportRun& run, MessageCallBack1* cb) {
  MTextWriter out(f, ld_mode);
  const MExportWalkOptions walk = Walk();
  ForEachExportMesh(scene, cb, walk, [&](const MExportMesh& e) {
    bool changed = false;
    const std::string name = LineName(e.source->get_name(), &changed);
    run.log().write("Working on: %s\n", name.c_str());
    if (changed) run.Lose(e.source->get_name(), KV_LOSS_NAME_CHANGED);
    AccountObject(run, e);
    out.Put("solid ");
    out.Line(name);
    long short_faces = 0;
    ForEachFacet(e, &short_faces, [&](const Facet& t) {
      out.Put(" facet normal ");
      PutVector(out, t.normal);
      out.EndLine();
      out.Line("  outer loop");
      for (const MVector3& v : t.c) {
        out.Put("   vertex ");
        PutVector(out, v);
        out.EndLine();
      }
      out.Line("  endloop");
      out.Line(" endfacet");
    });
    out.Put("endsolid ");
    out.Line(name);
    run.Lose(e.object->get_name(), KV_LOSS_FACES_DROPPED, short_faces);
  });
}

void PutFloat(uint8_t*& p, double v) {
  float f = static_cast<float>(v);
  uint32_t u;
  std::memcpy(&u, &f, 4);
  for (int i = 0; i < 4; ++i) *p++ = static_cast<uint8_t>(u >> (8 * i));
}

// The header holds the first object's name; a header starting with "solid"
// would be taken for an ASCII file by some readers.
void PutHeader(MOutputFile& f, const char* name, uint32_t count, kvpf::ExportRun& run) {
  uint8_t head[stl::kPreambleSize] = {};
  std::string text = name ? name : "";
  if (strncasecmp(text.c_str(), "solid", 5) == 0) {
    text = std::string(1, '_') + text;
    run.Lose(name, KV_LOSS_NAME_CHANGED);
  }
  if (text.size() > stl::kHeaderSize) {
    text.resize(stl::kHeaderSize);
    run.Lose(name, KV_LOSS_NAME_CUT);
  }
  std::memcpy(head, text.data(), text.size());
  for (size_t i = 0; i < 4; ++i) head[stl::kHeaderSize + i] = static_cast<uint8_t>(count >> (8 * i));
  f.Write(head, sizeof head);
}

// Counts the triangles first, then writes them in blocks. Quads are split
// here; the walk's other triangulations are cached, so the second pass
// costs no more work.
void WriteBinary(MScene* scene, MOutputFile& f, kvpf::ExportRun& run, MessageCallBack1* cb) {
  unsigned long long count = 0;
  const MExportWalkOptions walk = Walk();
  MExportWalkOptions quiet = walk;
  quiet.report_objects = false;
  ForEachExportMesh(scene, nullptr, quiet, [&](const MExportMesh& e) {
    long ignored = 0;
    ForEachFacet(e, &ignored, [&](const Facet&) { ++count; });
  });
  if (count > 0xFFFFFFFFull) return run.Fail("%llu triangles do not fit in a binary STL file", count);
  std::vector<uint8_t> block(stl::kRecordSize * 4096);
  uint8_t* p = block.data();
  uint8_t* const end = block.data() + block.size();
  bool first = true;
  ForEachExportMesh(scene, cb, walk, [&](const MExportMesh& e) {
    const char* name = e.source->get_name() ? e.source->get_name() : "";
    run.log().write("Working on: %s\n", name);
    if (first) PutHeader(f, name, static_cast<uint32_t>(count), run);
    else run.Lose(name, KV_LOSS_NAME_DROPPED);
    first = false;
    AccountObject(run, e);
    long short_faces = 0;
    ForEachFacet(e, &short_faces, [&](const Facet& t) {
      PutFloat(p, t.normal.x), PutFloat(p, t.normal.y), PutFloat(p, t.normal.z);
      for (const MVector3& v : t.c) PutFloat(p, v.x), PutFloat(p, v.y), PutFloat(p, v.z);
      *p++ = 0, *p++ = 0;
      if (p == end) f.Write(block.data(), block.size()), p = block.data();
    });
    run.Lose(e.object->get_name(), KV_LOSS_FACES_DROPPED, short_faces);
  });
  if (first) PutHeader(f, "", 0, run);
  f.Write(block.data(), static_cast<size_t>(p - block.data()));
}

int ExportStl(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  StlExportOption* o = static_cast<StlExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle);
  run.AccountLosses();
  MOutputFile* f = run.Open();
  if (!f) return 0;
  if (cb) cb->msg1("Mesh");
  if (o->binary)
    WriteBinary(scene, *f, run, cb);
  else
    WriteAscii(scene, *f, o->ld_mode, run, cb);
  run.LoseCameras(scene);
  run.LoseLights(scene);
  run.LoseMaps(scene);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new StlExportOption(argc, argv);
  return new StlExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return kvpf::OptionKeyFields(static_cast<StlExportOption*>(base)->Keys(), out, max);
}

kvpf::ExportClassDesc stl_export_desc(kvpf::ExportClassInfo{
    "STL (*.stl)", 0x6E0B3D27u, kvpf::PluginTexts{"STL", kHelp}, NewOptions, ExportStl, OptionFields});

PluginClassDesc* const kClasses[] = {&stl_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("STL Export Lib", kClasses)
