// libFuzzer target for the Quake import: the input is written as a model
// file and imported through the built plug-in, MD2 or MDL by its first four
// bytes. Its last byte picks the frame to read, so that the walk over MDL
// frame groups is reached too; skins are written and replaced each time.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "korvanelib.h"
#include "plugin_host.h"

namespace {

PluginRegistry* g_registry = nullptr;
int g_class = -1;
std::string g_path;
std::string g_skin_arg;

void UseFrame(int frame) {
  static std::string frame_arg;
  static char arg0[] = "fuzz_mdl_import";
  static char overwrite[] = "-mdl_overwrite_skins=1";
  static char* argv[5];
  frame_arg = "-mdl_frame=" + std::to_string(frame);
  argv[0] = arg0;
  argv[1] = overwrite;
  argv[2] = g_skin_arg.data();
  argv[3] = frame_arg.data();
  argv[4] = nullptr;
  g_registry->SetCommandLine(4, argv);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/korvane-fuzz-mdl-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  g_path = std::string(tmpl) + "/in.mdl";
  g_skin_arg = std::string("-mdl_skin_path=") + tmpl;
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  g_registry = new PluginRegistry;
  g_registry->Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
  for (int i = 0; i < g_registry->ClassCount(); ++i) {
    PluginClassDesc* d = g_registry->GetClass(i);
    if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), "Quake (*.mdl, *.md2)") == 0)
      g_class = i;
  }
  if (g_class < 0) std::abort();
  UseFrame(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  UseFrame(size ? data[size - 1] % 4 : 0);
  MeshImporter* imp = static_cast<MeshImporter*>(g_registry->GetClass(g_class)->Create());
  if (!imp) return 0;
  MScene* scene = imp->ImportFile(g_path.c_str());
  imp->Destroy();
  delete scene;
  return 0;
}
