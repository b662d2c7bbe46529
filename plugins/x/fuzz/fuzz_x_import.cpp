// libFuzzer targets for the DirectX import, one per reader of the .x file
// layer: the input becomes the body of a text (KV_X_FUZZ_FORM_text), binary
// (KV_X_FUZZ_FORM_binary; the first byte picks 32- or 64-bit floats) or
// compressed file (KV_X_FUZZ_FORM_compressed; the first byte picks a text
// or binary body and whether the rest is taken as compressed blocks as it
// stands or is compressed first, so that the parsers behind the inflater
// are reached too), which is imported through the built plug-in.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "korvanelib.h"
#include "plugin_host.h"
#include "xfile.h"

namespace {

PluginRegistry* g_registry = nullptr;
int g_class = -1;
std::string g_path;

std::vector<uint8_t> MakeFile(const uint8_t* data, size_t size) {
  std::string header = "xof 0302txt 0032";
  std::vector<uint8_t> body(data, data + size);
#if defined(KV_X_FUZZ_FORM_binary)
  const uint8_t mode = size ? data[0] : 0;
  header = (mode & 1) ? "xof 0302bin 0064" : "xof 0302bin 0032";
  body.assign(data + (size ? 1 : 0), data + size);
#elif defined(KV_X_FUZZ_FORM_compressed)
  const uint8_t mode = size ? data[0] : 0;
  header = (mode & 2) ? "xof 0302bzip0032" : "xof 0302tzip0032";
  body.assign(data + (size ? 1 : 0), data + size);
  if (!(mode & 1)) {
    std::vector<uint8_t> z;
    if (kvx::DeflateBody(body.data(), body.size(), &z, nullptr)) body.swap(z);
  }
#endif
  std::vector<uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/korvane-fuzz-x-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  g_path = std::string(tmpl) + "/in.x";
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  g_registry = new PluginRegistry;
  g_registry->Load(KORVANE_FUZZ_PLUGIN_DIR, KV_PLUGIN_VERSION);
  for (int i = 0; i < g_registry->ClassCount(); ++i) {
    PluginClassDesc* d = g_registry->GetClass(i);
    if (d->SuperClassID() == MESH_IMPORT_CLASS_ID && std::strcmp(d->ClassName(), "DirectX (*.x)") == 0) g_class = i;
  }
  if (g_class < 0) std::abort();
  static char arg0[] = "fuzz_x_import";
  static char* argv[] = {arg0, nullptr};
  g_registry->SetCommandLine(1, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> file = MakeFile(data, size);
  FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  MeshImporter* imp = static_cast<MeshImporter*>(g_registry->GetClass(g_class)->Create());
  if (!imp) return 0;
  MScene* scene = imp->ImportFile(g_path.c_str());
  imp->Destroy();
  delete scene;
  return 0;
}
