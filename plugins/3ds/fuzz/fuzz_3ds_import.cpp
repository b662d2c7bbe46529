// libFuzzer target for the 3D Studio import: the input is written as a .3ds
// file and imported through the built plug-in, which reads the chunk tree,
// every record and the material maps from it.
#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("3D Studio (*.3ds, *.prj, *.mtl)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Write("in.3ds", data, size);
  g_target->Import("in.3ds");
  return 0;
}
