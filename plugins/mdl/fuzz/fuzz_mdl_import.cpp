// libFuzzer target for the Quake import: the input is written as a model
// file and imported through the built plug-in, MD2 or MDL by its first four
// bytes. Its last byte picks the frame to read, so that the walk over MDL
// frame groups is reached too; skins are written and replaced each time.
#include <string>

#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("Quake (*.mdl, *.md2)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Options({"-mdl_overwrite_skins=1", "-mdl_skin_path=" + g_target->dir(),
                     "-mdl_frame=" + std::to_string(size ? data[size - 1] % 4 : 0)});
  g_target->Write("in.mdl", data, size);
  g_target->Import("in.mdl");
  return 0;
}
