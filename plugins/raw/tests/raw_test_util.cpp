#include "raw_test_util.h"

namespace rawtest {

PluginRegistry& Registry() { return kvtest::Plugins(); }

int ImportClass() { return kvtest::FindClass("RAW (*.raw)"); }
int ExportClass() { return kvtest::FindClass("Raw (*.raw)"); }

void UseCommandLine(const std::vector<std::string>& options) { kvtest::UseCommandLine(options); }
void UseSettingsStore() { kvtest::UseSettingsStore(); }

MScene* Import(const std::string& path) { return kvtest::ImportWith(ImportClass(), path); }

void FreeScene(MScene* scene) { delete scene; }

int Export(MScene* scene, const std::string& path, std::string* written) {
  return kvtest::ExportWith(ExportClass(), scene, path, written);
}

MMesh_P* Mesh(MScene* scene, int i) { return kvtest::MeshAt(scene, i); }

std::vector<std::string> Lines(const std::string& path) { return kvtest::read_lines(path); }

}  // namespace rawtest
