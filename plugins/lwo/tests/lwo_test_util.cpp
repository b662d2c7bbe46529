#include "lwo_test_util.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace lwotest {
namespace {

PluginRegistry& Reg() { return kvtest::Plugins(); }

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void Widen(Summary* s, const MVector3& p) {
  if (!s->any) {
    s->lo = s->hi = p;
    s->any = true;
    return;
  }
  s->lo = MVector3(std::min(s->lo.x, p.x), std::min(s->lo.y, p.y), std::min(s->lo.z, p.z));
  s->hi = MVector3(std::max(s->hi.x, p.x), std::max(s->hi.y, p.y), std::max(s->hi.z, p.z));
}

long Triangles(MMesh_P* m) {
  if (m_all_triangles(m)) return m->Get_Face_Count();
  MMesh_P* t = m->Triangulate(nullptr);
  if (!t) return m->Get_Face_Count();
  long n = t->Get_Face_Count();
  delete t;
  return n;
}

bool FirstBytes(const std::filesystem::path& p, char* out, size_t n) {
  std::ifstream in(p, std::ios::binary);
  return static_cast<bool>(in.read(out, static_cast<std::streamsize>(n)));
}

}  // namespace

int ImportClass() { return kvtest::FindClass("LightWave (*.lwo, *.lws)", MESH_IMPORT_CLASS_ID); }
int ExportClass() { return kvtest::FindClass("LightWave (*.lws)", MESH_EXPORT_CLASS_ID); }

MScene* Import(const std::string& path, const std::vector<std::string>& options) {
  kvtest::UseCommandLine(options);
  return kvtest::ImportWith(ImportClass(), path);
}

int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options) {
  kvtest::UseCommandLine(options);
  return kvtest::ExportWith(ExportClass(), scene, path);
}

std::string LastImportError() { return Reg().LastError(ImportClass()); }
std::vector<std::string> LastImportWarnings() { return Reg().LastWarnings(ImportClass()); }
bool Warned(const char* text) {
  for (const std::string& w : LastImportWarnings())
    if (w.find(text) != std::string::npos) return true;
  return false;
}

std::string LastExportError() { return Reg().LastError(ExportClass()); }

Iff& Iff::U8(uint8_t v) {
  b_.push_back(v);
  return *this;
}
Iff& Iff::U16(uint16_t v) { return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v)); }
Iff& Iff::U32(uint32_t v) { return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v)); }
Iff& Iff::F32(float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  return U32(u);
}
Iff& Iff::Id(const char* id) {
  for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(id[i]));
  return *this;
}
Iff& Iff::VX(uint32_t v) { return v < 0xFF00 ? U16(static_cast<uint16_t>(v)) : U32(0xFF000000u | v); }
Iff& Iff::S0(const std::string& s) {
  for (char c : s) U8(static_cast<uint8_t>(c));
  U8(0);
  if ((s.size() + 1) & 1) U8(0);
  return *this;
}
Iff& Iff::Raw(const std::vector<uint8_t>& b) {
  b_.insert(b_.end(), b.begin(), b.end());
  return *this;
}
Iff& Iff::Chunk(const char* id, const Iff& body, bool sub) {
  Id(id);
  if (sub) {
    U16(static_cast<uint16_t>(body.size()));
  } else {
    U32(static_cast<uint32_t>(body.size()));
  }
  Raw(body.b_);
  if (body.size() & 1) U8(0);
  return *this;
}

std::vector<uint8_t> Form(const char* type, const Iff& chunks) {
  Iff f;
  f.Id("FORM").U32(static_cast<uint32_t>(chunks.size() + 4)).Id(type).Raw(chunks.bytes());
  return f.bytes();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  kvtest::write_file(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::string s = kvtest::read_file(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

Summary Summarize(MScene* scene) {
  Summary s;
  std::map<MObj3d*, long> triangles;
  for (int i = 0; i < scene->objects->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
    MObj3d* src = o;
    if (o->get_type() == OREF) src = scene->GetObjectbyName(static_cast<MRefObj*>(o)->Get_RefName());
    if (!src || src->get_type() != MESH2) continue;
    MMesh_P* m = static_cast<MMesh_P*>(src);
    auto [it, fresh] = triangles.emplace(src, 0);
    if (fresh) it->second = Triangles(m);
    s.triangles += it->second;
    const MMatrix M = o->transformation.Get_LocalMatrix();
    for (int f = 0; f < m->Get_Face_Count(); ++f) {
      const MIPolygon& p = m->Get_IFace(f);
      if (p.count >= 3) s.surfaces.insert(ref_name_or_empty(m->surface_refs, p.mat_id));
      for (int c = 0; c < p.count; ++c) Widen(&s, M.Transform(m->Get_Vertex(p.data[c])));
    }
  }
  return s;
}

bool HaveAssimp() { return std::system("command -v assimp >/dev/null 2>&1") == 0; }

AssimpInfo Assimp(const std::string& path) {
  AssimpInfo a;
  std::istringstream in(kvtest::command_output("assimp info " + Quote(path) + " 2>&1"));
  std::string line;
  bool materials = false;
  bool have_min = false, have_max = false;
  while (std::getline(in, line)) {
    if (line.rfind("Faces:", 0) == 0) a.faces = std::atol(line.c_str() + 6);
    if (line.rfind("Minimum point", 0) == 0)
      have_min = std::sscanf(line.c_str(), "Minimum point (%lf %lf %lf)", &a.lo[0], &a.lo[1], &a.lo[2]) == 3;
    if (line.rfind("Maximum point", 0) == 0)
      have_max = std::sscanf(line.c_str(), "Maximum point (%lf %lf %lf)", &a.hi[0], &a.hi[1], &a.hi[2]) == 3;
    if (line.rfind("Named Materials:", 0) == 0) {
      materials = true;
      continue;
    }
    if (materials) {
      // "    'name' (prop) ..." heads each material; its properties follow.
      if (line.rfind("    '", 0) == 0) {
        size_t end = line.find("' (prop)");
        if (end != std::string::npos) a.materials.insert(line.substr(5, end - 5));
      } else if (!line.empty() && line[0] != ' ') {
        materials = false;
      }
    }
  }
  a.ok = have_min && have_max && a.faces > 0;
  return a;
}

void ToAssimpAxes(const Summary& s, double lo[3], double hi[3]) {
  lo[0] = s.lo.x, hi[0] = s.hi.x;
  lo[1] = s.lo.z, hi[1] = s.hi.z;
  lo[2] = -s.hi.y, hi[2] = -s.lo.y;
}

ScriptCounts CountWithScript(const std::string& path) {
  ScriptCounts c;
  const std::string script = std::string(KORVANE_LWO_SOURCE_DIR) + "/tests/lwob_counts.py";
  std::istringstream in(kvtest::command_output("/usr/bin/python3 " + Quote(script) + " " + Quote(path) + " 2>&1"));
  std::string word;
  while (in >> word) {
    if (word == "triangles") in >> c.triangles;
    if (word == "bounds") {
      for (double& v : c.lo) in >> v;
      for (double& v : c.hi) in >> v;
      c.ok = static_cast<bool>(in);
    }
  }
  return c;
}

std::vector<std::filesystem::path> CorpusObjects(const char* form_type) {
  std::vector<std::filesystem::path> out;
  for (const char* folder : {"lwo", "lws"}) {
    const std::filesystem::path dir = kvtest::corpus_dir() / folder;
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
      if (!e.is_regular_file()) continue;
      char head[12];
      if (!FirstBytes(e.path(), head, sizeof head)) continue;
      if (std::memcmp(head, "FORM", 4) == 0 && std::memcmp(head + 8, form_type, 4) == 0) out.push_back(e.path());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::filesystem::path> CorpusScenes() {
  std::vector<std::filesystem::path> out;
  const std::filesystem::path dir = kvtest::corpus_dir() / "lws";
  if (!std::filesystem::is_directory(dir)) return out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    char head[4];
    if (e.is_regular_file() && FirstBytes(e.path(), head, 4) && std::memcmp(head, "LWSC", 4) == 0)
      out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace lwotest
