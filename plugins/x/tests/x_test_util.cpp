#include "x_test_util.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "xfile_format.h"

namespace xtest {

namespace {
int Find(const char* name, int super) {
  static std::vector<std::pair<std::string, int>> cache;
  const std::string key = std::string(name) + "#" + std::to_string(super);
  for (auto& c : cache)
    if (c.first == key) return c.second;
  const int i = kvtest::FindClass(name, super);
  cache.emplace_back(key, i);
  return i;
}
}  // namespace

int XImport() { return Find("DirectX (*.x)", MESH_IMPORT_CLASS_ID); }
int XExport() { return Find("Direct X (*.x)", MESH_EXPORT_CLASS_ID); }
int ObjImport() { return Find("Alias Wavefront (*.obj)", MESH_IMPORT_CLASS_ID); }
int ObjExport() { return Find("Alias Wavefront (*.obj)", MESH_EXPORT_CLASS_ID); }

void Options(const std::vector<std::string>& options) { kvtest::UseCommandLine(options); }

MScene* Import(const std::string& path) { return kvtest::ImportWith(XImport(), path); }

MScene* ImportText(const kvtest::TempDir& dir, const std::string& body, const char* header) {
  static int n = 0;
  const std::string path = dir.file("in" + std::to_string(n++) + ".x");
  kvtest::write_file(path, std::string(header) + body);
  return Import(path);
}

int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options) {
  std::vector<std::string> all = {"-ld_mode=1"};
  all.insert(all.end(), options.begin(), options.end());
  Options(all);
  const int r = kvtest::ExportWith(XExport(), scene, path);
  Options({});
  return r;
}

MMesh_P* Mesh(MScene* scene, int i) { return kvtest::MeshAt(scene, i); }
int MeshCount(MScene* scene) { return scene ? scene->objects->count : 0; }

long Triangles(MScene* scene) {
  long t = 0;
  for (int i = 0; scene && i < scene->objects->count; ++i)
    if (MMesh_P* m = Mesh(scene, i))
      for (int f = 0; f < m->Get_Face_Count(); ++f)
        if (m->Get_VertexperFace_Count(f) >= 3) t += m->Get_VertexperFace_Count(f) - 2;
  return t;
}

std::string FaceMaterial(MMesh_P* m, int f) { return ref_name_or_empty(m->surface_refs, m->Get_Face_MatId(f)); }

Box Bounds(MScene* scene) {
  scene->CalculateBoundingBox();
  return Box{scene->GetBoundLeft(), scene->GetBoundRight()};
}

bool HaveAssimp() { return std::system("command -v assimp >/dev/null 2>&1") == 0; }

Assimp AssimpInfo(const std::string& path) {
  Assimp a;
  const std::string cmd = "assimp info '" + path + "' -r 2>&1";  // raw: no merging of meshes or materials
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return a;
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int rc = pclose(p);
  std::istringstream in(out);
  std::string line;
  bool materials = false, have_min = false;
  while (std::getline(in, line)) {
    double x, y, z;
    long v;
    if (std::sscanf(line.c_str(), "Faces: %ld", &v) == 1) a.faces = v;
    if (std::sscanf(line.c_str(), "Minimum point (%lf %lf %lf)", &x, &y, &z) == 3) a.box.lo = MVector3(x, y, z), have_min = true;
    if (std::sscanf(line.c_str(), "Maximum point (%lf %lf %lf)", &x, &y, &z) == 3) a.box.hi = MVector3(x, y, z);
    if (line.rfind("Named Materials:", 0) == 0) materials = true;
    else if (materials && line.rfind("    '", 0) == 0) a.materials.push_back(line.substr(5, line.find('\'', 5) - 5));
    else if (materials && !line.empty() && line[0] != ' ') materials = false;
  }
  a.ok = rc == 0 && have_min;
  return a;
}

void BinBody::Token(uint16_t t) {
  bytes.push_back(static_cast<char>(t & 0xff));
  bytes.push_back(static_cast<char>(t >> 8));
}

namespace {
void U32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
}
}  // namespace

void BinBody::Name(const std::string& s) {
  Token(kvx::kTokName);
  U32(bytes, static_cast<uint32_t>(s.size()));
  bytes += s;
}

void BinBody::Ints(const std::vector<uint32_t>& v) {
  Token(kvx::kTokIntegerList);
  U32(bytes, static_cast<uint32_t>(v.size()));
  for (uint32_t x : v) U32(bytes, x);
}

void BinBody::Floats(const std::vector<double>& v, int bits) {
  Token(kvx::kTokFloatList);
  U32(bytes, static_cast<uint32_t>(v.size()));
  for (double d : v) {
    if (bits == 64) {
      char b[8];
      std::memcpy(b, &d, 8);
      bytes.append(b, 8);
    } else {
      float f = static_cast<float>(d);
      char b[4];
      std::memcpy(b, &f, 4);
      bytes.append(b, 4);
    }
  }
}

void BinBody::String(const std::string& s) {
  Token(kvx::kTokString);
  U32(bytes, static_cast<uint32_t>(s.size()));
  bytes += s;
  Token(kvx::kTokSemicolon);
}

}  // namespace xtest
