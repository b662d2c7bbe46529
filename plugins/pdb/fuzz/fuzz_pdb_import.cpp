// libFuzzer target for the Protein Data Bank import: the input is written as
// a .pdb file and imported through the built plug-in. Its last byte picks
// the options (distinct bonds, first altLoc, first model), so that every
// road through the bond and atom filters is reached.
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

void UseOptions(int bits) {
  static std::string args[3];
  static char arg0[] = "fuzz_pdb_import";
  static char* argv[5];
  args[0] = "-pdb_distinct_bonds=" + std::to_string(bits & 1);
  args[1] = "-pdb_first_altloc=" + std::to_string((bits >> 1) & 1);
  args[2] = "-pdb_first_model=" + std::to_string((bits >> 2) & 1);
  argv[0] = arg0;
  for (int i = 0; i < 3; ++i) argv[i + 1] = args[i].data();
  argv[4] = nullptr;
  g_registry->SetCommandLine(4, argv);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/korvane-fuzz-pdb-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  g_path = std::string(tmpl) + "/in.pdb";
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  g_registry = new PluginRegistry;
  g_registry->Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
  for (int i = 0; i < g_registry->ClassCount(); ++i) {
    PluginClassDesc* d = g_registry->GetClass(i);
    if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), "Protein Data Bank  (*.pdb)") == 0)
      g_class = i;
  }
  if (g_class < 0) std::abort();
  UseOptions(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  UseOptions(size ? data[size - 1] : 0);
  MeshImporter* imp = static_cast<MeshImporter*>(g_registry->GetClass(g_class)->Create());
  if (!imp) return 0;
  MScene* scene = imp->ImportFile(g_path.c_str());
  imp->Destroy();
  delete scene;
  return 0;
}
