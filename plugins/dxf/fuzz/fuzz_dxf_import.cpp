// libFuzzer target for the DXF import: the input is written as a .dxf file
// and imported through the built plug-in, ASCII or binary by its first
// bytes. KORVANE_FUZZ_VERBOSE=1 writes the import log too (slower), so that
// every log line is formatted as well.
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/korvane-fuzz-dxf-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  g_path = std::string(tmpl) + "/in.dxf";
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  g_registry = new PluginRegistry;
  g_registry->Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
  for (int i = 0; i < g_registry->ClassCount(); ++i) {
    PluginClassDesc* d = g_registry->GetClass(i);
    if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), "Autocad  (*.dxf)") == 0) g_class = i;
  }
  if (g_class < 0) std::abort();
  static char arg0[] = "fuzz_dxf_import";
  static char verbose[] = "-iv=1";
  static char* argv[] = {arg0, verbose, nullptr};
  const char* v = std::getenv("KORVANE_FUZZ_VERBOSE");
  g_registry->SetCommandLine(v && *v == '1' ? 2 : 1, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  MeshImporter* imp = static_cast<MeshImporter*>(g_registry->GetClass(g_class)->Create());
  if (!imp) return 0;
  MScene* scene = imp->ImportFile(g_path.c_str());
  imp->Destroy();
  delete scene;
  return 0;
}
