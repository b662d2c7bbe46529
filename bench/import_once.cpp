// Imports one file through the plug-in whose filter holds its extension and
// prints what it holds, nothing more: the import alone, for timing and peak
// memory with /usr/bin/time (korvane-cli info also triangulates every mesh
// to count its triangles).
//
//   import_once FILE [PLUGIN_DIR]
#include <cstdio>
#include <string>

#include "korvanelib.h"
#include "plugin_host.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: import_once FILE [PLUGIN_DIR]\n");
    return 2;
  }
  const std::string dir = argc > 2 ? argv[2] : DefaultPluginDir();
  PluginRegistry registry;
  if (registry.Load(dir.c_str(), KV_PLUGIN_VERSION) <= 0) {
    std::fprintf(stderr, "import_once: no plug-ins in %s\n", dir.c_str());
    return 1;
  }
  static char arg0[] = "import_once";
  static char* args[] = {arg0, nullptr};
  registry.SetCommandLine(1, args);
  const int cls = registry.FindImportClass(argv[1]);
  if (cls < 0) {
    std::fprintf(stderr, "import_once: no import class for %s\n", argv[1]);
    return 1;
  }
  MeshImporter* imp = static_cast<MeshImporter*>(registry.GetClass(cls)->Create());
  MScene* scene = imp ? imp->ImportFile(argv[1]) : nullptr;
  if (imp) imp->Destroy();
  if (!scene) {
    std::fprintf(stderr, "import_once: %s\n", registry.LastError(cls).c_str());
    return 1;
  }
  long faces = 0, vertices = 0;
  for (int i = 0; i < scene->objects->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
    if (o->get_type() != MESH2) continue;
    faces += static_cast<MMesh_P*>(o)->Get_Face_Count();
    vertices += static_cast<MMesh_P*>(o)->Get_Vertex_Count();
  }
  std::printf("objects: %d\nfaces: %ld\nvertices: %ld\n", scene->objects->count, faces, vertices);
  delete scene;
  return 0;
}
