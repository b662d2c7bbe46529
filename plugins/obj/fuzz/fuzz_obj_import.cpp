// libFuzzer target for the OBJ import: the input is written as a model file
// (and, after a line "#MTL", as its material library) and imported through
// the built plug-in.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "korvanelib.h"
#include "plugin_host.h"

namespace {

PluginRegistry* g_registry = nullptr;
int g_class = -1;
std::string g_dir;

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/korvane-fuzz-obj-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  g_dir = tmpl;
  setenv("XDG_CONFIG_HOME", g_dir.c_str(), 1);
  g_registry = new PluginRegistry;
  g_registry->Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
  for (int i = 0; i < g_registry->ClassCount(); ++i) {
    PluginClassDesc* d = g_registry->GetClass(i);
    if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), "Alias Wavefront (*.obj)") == 0)
      g_class = i;
  }
  if (g_class < 0) std::abort();
  static char arg0[] = "fuzz_obj_import";
  static char* argv[] = {arg0, nullptr};
  g_registry->SetCommandLine(1, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char kMark[] = "\n#MTL\n";
  const uint8_t* split = nullptr;
  for (size_t i = 0; i + sizeof kMark - 1 <= size; ++i)
    if (std::memcmp(data + i, kMark, sizeof kMark - 1) == 0) {
      split = data + i;
      break;
    }
  size_t obj_size = split ? static_cast<size_t>(split - data) : size;
  WriteFile(g_dir + "/in.obj", data, obj_size);
  if (split) {
    const uint8_t* mtl = split + sizeof kMark - 1;
    WriteFile(g_dir + "/in.mtl", mtl, size - static_cast<size_t>(mtl - data));
  } else {
    unlink((g_dir + "/in.mtl").c_str());
  }
  MeshImporter* imp = static_cast<MeshImporter*>(g_registry->GetClass(g_class)->Create());
  if (!imp) return 0;
  MScene* scene = imp->ImportFile((g_dir + "/in.obj").c_str());
  imp->Destroy();
  delete scene;
  return 0;
}
