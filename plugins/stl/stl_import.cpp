// STL import, binary and ASCII: each solid becomes a mesh whose corners are
// welded into shared vertices and whose facets keep their normals.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <strings.h>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "stl_format.h"
#include "stl_options.h"

namespace {

const char kTitle[] = "STL Import Plugin 1.0";
const char kHelp[] =
    "STL Import Plugin 1.0\n\nImports *.stl, binary and ASCII stereolithography files\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n"
    "Specific Settings:\n\n\tWeld Tolerance: corners closer than this become one vertex (0 = equal corners "
    "only, -1 = none)\n\n";

// Builds one mesh: corners and facet normals welded (or not), each facet a
// face of material 0.
class MeshBuilder {
 public:
  MeshBuilder(const std::string& name, double tol) : mesh_(new MMesh_P(name.c_str())) {
    mesh_->UseNormals();
    mesh_->surface_refs->Append(my_strdup(stl::kDefaultSurface));
    if (tol >= 0 && std::isfinite(tol)) {
      weld_ = std::make_unique<MGridWeld>(mesh_->v_a, tol);
      nweld_ = std::make_unique<MGridWeld>(mesh_->nv_a, 0.0);
    }
  }
  ~MeshBuilder() { delete mesh_; }
  MeshBuilder(const MeshBuilder&) = delete;
  MeshBuilder& operator=(const MeshBuilder&) = delete;

  void Reserve(int faces) { mesh_->f_a->Reserve(faces), mesh_->nf_a->Reserve(faces); }

  // A facet of n corners; a normal that is zero or not finite is made from
  // the first three corners.
  void Facet(const MVector3* corners, int n, MVector3 normal) {
    if (!(std::isfinite(normal.x) && std::isfinite(normal.y) && std::isfinite(normal.z)) ||
        normal.Length() == 0.0)
      normal = vect_normalize(vect_cross(corners[1] - corners[0], corners[2] - corners[0]));
    int32_t v[kMaxCorners], nv[kMaxCorners];
    int ni = nweld_ ? nweld_->Add(normal) : mesh_->nv_a->Add(normal);
    for (int i = 0; i < n; ++i) {
      v[i] = weld_ ? weld_->Add(corners[i]) : mesh_->v_a->Add(corners[i]);
      nv[i] = ni;
    }
    mesh_->f_a->Add(v, n, 0);
    mesh_->nf_a->Add(nv, n, 0);
  }

  int Faces() const { return mesh_->Get_Face_Count(); }

  // Hands the mesh to the scene (null when it has no facets).
  void MoveTo(MScene* scene, LogFile& log) {
    if (Faces() > 0) {
      log.write("%s: %d vertices, %d faces\n", mesh_->get_name(), mesh_->Get_Vertex_Count(), Faces());
      scene->objects->Append(mesh_);
      mesh_ = nullptr;
    }
  }

  static constexpr int kMaxCorners = 64;

 private:
  MMesh_P* mesh_;
  std::unique_ptr<MGridWeld> weld_, nweld_;
};

// The header's text when it is printable, else the file's name.
std::string HeaderName(const uint8_t* head, const std::string& path) {
  size_t n = 0;
  while (n < stl::kHeaderSize && head[n]) ++n;
  while (n > 0 && head[n - 1] == ' ') --n;
  bool text = n > 0;
  for (size_t i = 0; i < n; ++i) text &= head[i] >= 32 && head[i] < 127;
  if (text) return std::string(reinterpret_cast<const char*>(head), n);
  return m_split_path(path.c_str()).fname;
}

MVector3 ReadVector(MBinReader& in) {
  double x = in.F32(), y = in.F32();
  return MVector3(x, y, in.F32());
}

void ReadBinary(kvpf::ImportRun& run, const MFileView& file, uint32_t count, double tol, MScene* scene) {
  MBinReader in = file.Reader();
  in.Skip(stl::kPreambleSize);
  MeshBuilder mesh(HeaderName(file.data(), run.path()), tol);
  mesh.Reserve(static_cast<int>(count));
  MessageCallBack1* cb = run.cb();
  MVector3 c[3];
  for (uint32_t i = 0; i < count; ++i) {
    MVector3 normal = ReadVector(in);
    for (MVector3& v : c) v = ReadVector(in);
    in.Skip(2);
    mesh.Facet(c, 3, normal);
    if (cb && (i & 0xFFFF) == 0) cb->progress1(i, count);
  }
  mesh.MoveTo(scene, run.log());
}

bool IsWord(const char* s, const char* word) {
  size_t n = std::strlen(word);
  return strncasecmp(s, word, n) == 0 && (s[n] == 0 || s[n] == ' ' || s[n] == '\t');
}

const char* SkipBlanks(const char* s) {
  while (*s == ' ' || *s == '\t') ++s;
  return s;
}

// "solid name" ... "endsolid": facets of up to kMaxCorners corners; a solid
// whose "solid" line is missing gets the file's name.
void ReadAscii(kvpf::ImportRun& run, const MFileView& file, double tol, MScene* scene) {
  FILE* f = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "r");
  if (!f) return run.Fail("%s: cannot be read: %s", run.path().c_str(), std::strerror(errno));
  MLineReader reader(f);
  const std::string file_name = m_split_path(run.path().c_str()).fname;
  std::unique_ptr<MeshBuilder> mesh;
  MVector3 corners[MeshBuilder::kMaxCorners], normal;
  int n = 0, short_facets = 0, cut_facets = 0;
  bool in_facet = false;
  double v[3];
  size_t len = 0;
  auto finish = [&] {
    if (mesh) mesh->MoveTo(scene, run.log());
    mesh.reset();
  };
  while (char* line = reader.Next(&len)) {
    const char* s = SkipBlanks(line);
    const size_t rest = len - static_cast<size_t>(s - line);
    if (IsWord(s, "solid")) {
      finish();
      std::string name = SkipBlanks(s + 5);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
      mesh = std::make_unique<MeshBuilder>(name.empty() ? file_name : name, tol);
    } else if (IsWord(s, "facet")) {
      const char* p = SkipBlanks(s + 5);
      if (IsWord(p, "normal")) p += 6;
      int got = m_scan_numbers(p, rest - static_cast<size_t>(p - s), v, 3);
      normal = got == 3 ? MVector3(v[0], v[1], v[2]) : MVector3();
      n = 0;
      in_facet = true;
    } else if (IsWord(s, "vertex")) {
      if (m_scan_numbers(s + 6, rest - 6, v, 3) != 3) {
        run.Warn("%s: reading stopped at line %ld, a vertex without three coordinates", run.path().c_str(),
                 reader.LineNumber());
        break;
      }
      if (in_facet && n < MeshBuilder::kMaxCorners) corners[n++] = MVector3(v[0], v[1], v[2]);
      else if (in_facet && n == MeshBuilder::kMaxCorners) ++cut_facets, ++n;
    } else if (IsWord(s, "endfacet")) {
      if (!mesh) mesh = std::make_unique<MeshBuilder>(file_name, tol);
      if (in_facet && n >= 3)
        mesh->Facet(corners, n < MeshBuilder::kMaxCorners ? n : MeshBuilder::kMaxCorners, normal);
      else
        ++short_facets;
      in_facet = false;
    } else if (IsWord(s, "endsolid")) {
      finish();
    }
  }
  finish();
  std::fclose(f);
  if (cut_facets)
    run.Warn("%s: %d facets of more than %d corners kept their first %d", run.path().c_str(), cut_facets,
             MeshBuilder::kMaxCorners, MeshBuilder::kMaxCorners);
  if (short_facets)
    run.Warn("%s: %d facets of fewer than three corners were left out", run.path().c_str(), short_facets);
}

// Text with a "solid" line: no NUL in the first block, which every binary
// file with a triangle in it has.
bool LooksAscii(const MFileView& file) {
  size_t n = file.size() < 4096 ? file.size() : 4096;
  const uint8_t* p = file.data();
  size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n')) ++i;
  if (n - i < 5 || strncasecmp(reinterpret_cast<const char*>(p + i), "solid", 5) != 0) return false;
  return std::memchr(p, 0, n) == nullptr;
}

void ImportStl(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  StlImportOption* o = static_cast<StlImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  MFileView file;
  if (!run.OpenInput(&file)) return;
  scene->surfaces->Append(new MSurface(stl::kDefaultSurface));
  const unsigned long long size = file.size();
  uint32_t count = 0;
  if (size >= stl::kPreambleSize) {
    MBinReader in = file.Reader();
    in.Skip(stl::kHeaderSize);
    count = in.U32();
  }
  // A binary file's size follows from its count, also when its header
  // starts with "solid" as some programs write it.
  if (size >= stl::kPreambleSize && stl::BinarySize(count) == size) {
    if (count > static_cast<uint32_t>(INT32_MAX / 3))
      return run.Fail("%s: too many triangles (%u)", run.path().c_str(), count);
    ReadBinary(run, file, count, o->weld_tol, scene);
  } else if (LooksAscii(file)) {
    ReadAscii(run, file, o->weld_tol, scene);
    if (run.Failed()) return;
  } else if (size >= stl::kPreambleSize) {
    return run.Fail("%s is not an STL file: its header counts %u triangles (%llu bytes), the file has %llu bytes",
                    run.path().c_str(), count, stl::BinarySize(count), size);
  } else {
    return run.Fail("%s is not an STL file: it is too short", run.path().c_str());
  }
  if (scene->objects->count == 0) return run.Fail("%s holds no triangles", run.path().c_str());
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new StlImportOption(argc, argv);
  return new StlImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return kvpf::OptionKeyFields(static_cast<StlImportOption*>(base)->Keys(), out, max);
}

kvpf::ImportClassDesc stl_import_desc(kvpf::ImportClassInfo{
    "STL (*.stl)", 0x2B7E5A13u, kvpf::PluginTexts{"STL", kHelp}, NewOptions, ImportStl, OptionFields});

PluginClassDesc* const kClasses[] = {&stl_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("STL Import Lib", kClasses)
