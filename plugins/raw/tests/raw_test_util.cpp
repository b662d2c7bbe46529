#include "raw_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace rawtest {
namespace {

int FindClass(const char* name) {
  PluginRegistry& r = Registry();
  for (int i = 0; i < r.ClassCount(); ++i)
    if (std::strcmp(r.GetClass(i)->ClassName(), name) == 0) return i;
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

int ImportClass() { return FindClass("RAW (*.raw)"); }
int ExportClass() { return FindClass("Raw (*.raw)"); }

void UseCommandLine(const std::vector<std::string>& options) {
  g_args.assign(1, "korvane_raw_tests");
  g_args.insert(g_args.end(), options.begin(), options.end());
  g_argv.clear();
  for (std::string& a : g_args) g_argv.push_back(a.data());
  g_argv.push_back(nullptr);
  Registry().SetCommandLine(static_cast<int>(g_args.size()), g_argv.data());
}

void UseSettingsStore() { Registry().SetCommandLine(0, nullptr); }

MScene* Import(const std::string& path) {
  int c = ImportClass();
  if (c < 0) return nullptr;
  MeshImporter* imp = static_cast<MeshImporter*>(Registry().GetClass(c)->Create());
  if (!imp) return nullptr;
  MScene* s = imp->ImportFile(path.c_str());
  imp->Destroy();
  return s;
}

void FreeScene(MScene* scene) { delete scene; }

int Export(MScene* scene, const std::string& path, std::string* written) {
  int c = ExportClass();
  if (c < 0) return -1;
  MeshExporter* exp = static_cast<MeshExporter*>(Registry().GetClass(c)->Create());
  if (!exp) return -1;
  exp->ExportFile(scene, path.c_str());
  exp->Destroy();
  char out[1024];
  int r = Registry().LastExport(c, out, sizeof out);
  if (written) *written = out;
  return r;
}

MMesh_P* Mesh(MScene* scene, int i) {
  MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
  return (o && o->get_type() == MESH2) ? static_cast<MMesh_P*>(o) : nullptr;
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

}  // namespace rawtest
