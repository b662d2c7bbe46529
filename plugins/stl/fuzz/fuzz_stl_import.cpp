// libFuzzer target for the STL import: the input is written as a .stl file
// and imported through the built plug-in.
#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("STL (*.stl)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Write("in.stl", data, size);
  g_target->Import("in.stl");
  return 0;
}
