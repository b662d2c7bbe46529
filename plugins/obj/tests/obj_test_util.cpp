#include "obj_test_util.h"

#include <cstring>

namespace objtest {

PluginRegistry& Registry() { return kvtest::Plugins(); }

int ObjImport() { return kvtest::FindClass("Alias Wavefront (*.obj)", MESH_IMPORT_CLASS_ID); }
int ObjExport() { return kvtest::FindClass("Alias Wavefront (*.obj)", MESH_EXPORT_CLASS_ID); }
int RawImport() { return kvtest::FindClass("RAW (*.raw)", MESH_IMPORT_CLASS_ID); }
int RawExport() { return kvtest::FindClass("Raw (*.raw)", MESH_EXPORT_CLASS_ID); }

void UseCommandLine(const std::vector<std::string>& options) { kvtest::UseCommandLine(options); }

MScene* Import(int cls, const std::string& path) { return kvtest::ImportWith(cls, path); }

int Export(int cls, MScene* scene, const std::string& path) { return kvtest::ExportWith(cls, scene, path); }

MMesh_P* Mesh(MScene* scene, int i) { return kvtest::MeshAt(scene, i); }

MMesh_P* MeshByName(MScene* scene, const char* name) {
  for (int i = 0; i < scene->objects->count; ++i) {
    MMesh_P* m = Mesh(scene, i);
    if (m && std::strcmp(m->get_name(), name) == 0) return m;
  }
  return nullptr;
}

long Triangles(MScene* scene) { return kvtest::TriangleCount(scene); }

std::vector<std::string> Lines(const std::string& path) { return kvtest::read_lines(path); }

std::string WithoutTime(const std::string& path) {
  std::string out;
  for (const std::string& l : Lines(path))
    if (l.rfind("#\tCreated by", 0) != 0) out += l + "\n";
  return out;
}

}  // namespace objtest
