#include "obj_test_util.h"

#include <cstring>
#include <sstream>

namespace objtest {
namespace {

int FindClass(const char* name, int super) {
  PluginRegistry& r = Registry();
  for (int i = 0; i < r.ClassCount(); ++i) {
    PluginClassDesc* d = r.GetClass(i);
    if (d->SuperClassID() == super && std::strcmp(d->ClassName(), name) == 0) return i;
  }
  return -1;
}

std::vector<std::string> g_args;
std::vector<char*> g_argv;

}  // namespace

PluginRegistry& Registry() {
  static PluginRegistry* r = [] {
    auto* reg = new PluginRegistry;
    reg->Load((kvtest::bin_dir() / "plugin").string().c_str(), KV_PLUGIN_VERSION);
    return reg;
  }();
  return *r;
}

int ObjImport() { return FindClass("Alias Wavefront (*.obj)", MESH_IMPORT_CLASS_ID); }
int ObjExport() { return FindClass("Alias Wavefront (*.obj)", MESH_EXPORT_CLASS_ID); }
int RawImport() { return FindClass("RAW (*.raw)", MESH_IMPORT_CLASS_ID); }
int RawExport() { return FindClass("Raw (*.raw)", MESH_EXPORT_CLASS_ID); }

void UseCommandLine(const std::vector<std::string>& options) {
  g_args.assign(1, "korvane_obj_tests");
  g_args.insert(g_args.end(), options.begin(), options.end());
  g_argv.clear();
  for (std::string& a : g_args) g_argv.push_back(a.data());
  g_argv.push_back(nullptr);
  Registry().SetCommandLine(static_cast<int>(g_args.size()), g_argv.data());
}

MScene* Import(int cls, const std::string& path) {
  if (cls < 0) return nullptr;
  MeshImporter* imp = static_cast<MeshImporter*>(Registry().GetClass(cls)->Create());
  if (!imp) return nullptr;
  MScene* s = imp->ImportFile(path.c_str());
  imp->Destroy();
  return s;
}

int Export(int cls, MScene* scene, const std::string& path) {
  if (cls < 0) return -1;
  MeshExporter* exp = static_cast<MeshExporter*>(Registry().GetClass(cls)->Create());
  if (!exp) return -1;
  exp->ExportFile(scene, path.c_str());
  exp->Destroy();
  char out[1024];
  return Registry().LastExport(cls, out, sizeof out);
}

MMesh_P* Mesh(MScene* scene, int i) {
  MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
  return (o && o->get_type() == MESH2) ? static_cast<MMesh_P*>(o) : nullptr;
}

MMesh_P* MeshByName(MScene* scene, const char* name) {
  for (int i = 0; i < scene->objects->count; ++i) {
    MMesh_P* m = Mesh(scene, i);
    if (m && std::strcmp(m->get_name(), name) == 0) return m;
  }
  return nullptr;
}

long Triangles(MScene* scene) {
  long t = 0;
  for (int i = 0; i < scene->objects->count; ++i) {
    MMesh_P* m = Mesh(scene, i);
    if (!m) continue;
    for (int f = 0; f < m->Get_Face_Count(); ++f)
      if (m->Get_VertexperFace_Count(f) >= 3) t += m->Get_VertexperFace_Count(f) - 2;
  }
  return t;
}

std::vector<std::string> Lines(const std::string& path) {
  std::istringstream in(kvtest::read_file(path));
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string WithoutTime(const std::string& path) {
  std::string out;
  for (const std::string& l : Lines(path))
    if (l.rfind("#\tCreated by", 0) != 0) out += l + "\n";
  return out;
}

}  // namespace objtest
