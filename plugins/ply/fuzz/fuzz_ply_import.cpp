// libFuzzer target for the PLY import: the input is written as a .ply file
// and imported through the built plug-in.
#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("PLY (*.ply)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Write("in.ply", data, size);
  g_target->Import("in.ply");
  return 0;
}
