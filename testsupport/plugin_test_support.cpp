#include "plugin_test_support.h"

#include <cstring>
#include <sstream>

#include "test_support.h"

namespace kvtest {
namespace {

// SetCommandLine keeps the pointers, so the strings live here.
std::vector<std::string> g_args;
std::vector<char*> g_argv;

}  // namespace

PluginRegistry& Plugins() {
  static PluginRegistry* r = [] {
    auto* reg = new PluginRegistry;
    reg->Load((bin_dir() / "plugin").string().c_str(), KV_PLUGIN_VERSION);
    return reg;
  }();
  return *r;
}

int FindClass(const char* name, int super) {
  PluginRegistry& r = Plugins();
  for (int i = 0; i < r.ClassCount(); ++i) {
    PluginClassDesc* d = r.GetClass(i);
    if ((super == 0 || d->SuperClassID() == super) && std::strcmp(d->ClassName(), name) == 0) return i;
  }
  return -1;
}

void UseCommandLine(const std::vector<std::string>& options) {
  g_args.assign(1, "korvane_tests");
  g_args.insert(g_args.end(), options.begin(), options.end());
  g_argv.clear();
  for (std::string& a : g_args) g_argv.push_back(a.data());
  g_argv.push_back(nullptr);
  Plugins().SetCommandLine(static_cast<int>(g_args.size()), g_argv.data());
}

void UseSettingsStore() { Plugins().SetCommandLine(0, nullptr); }

MScene* ImportWith(int cls, const std::string& path) {
  if (cls < 0) return nullptr;
  MeshImporter* imp = static_cast<MeshImporter*>(Plugins().GetClass(cls)->Create());
  if (!imp) return nullptr;
  MScene* s = imp->ImportFile(path.c_str());
  imp->Destroy();
  return s;
}

int ExportWith(int cls, MScene* scene, const std::string& path, std::string* written) {
  if (cls < 0) return -1;
  MeshExporter* exp = static_cast<MeshExporter*>(Plugins().GetClass(cls)->Create());
  if (!exp) return -1;
  exp->ExportFile(scene, path.c_str());
  exp->Destroy();
  char out[1024];
  int r = Plugins().LastExport(cls, out, sizeof out);
  if (written) *written = out;
  return r;
}

MMesh_P* MeshAt(MScene* scene, int i) {
  MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
  return (o && o->get_type() == MESH2) ? static_cast<MMesh_P*>(o) : nullptr;
}

std::vector<std::string> read_lines(const std::string& path) {
  std::istringstream in(read_file(path));
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> loss_rows(int cls, bool* accounted) {
  std::vector<std::string> rows;
  for (const ExportLoss& l : Plugins().LastLosses(cls, accounted))
    rows.push_back(l.object + ": " + KvLossLabel(l.kind) + " " + std::to_string(l.count));
  return rows;
}

}  // namespace kvtest
