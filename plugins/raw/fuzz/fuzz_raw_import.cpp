// libFuzzer target for the RAW import: the input is written as a .raw file
// and imported through the built plug-in.
#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("RAW (*.raw)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Write("in.raw", data, size);
  g_target->Import("in.raw");
  return 0;
}
