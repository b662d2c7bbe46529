// libFuzzer target for the LightWave object import: the input is written as
// an .lwo file and imported through the built plug-in (chunk walk, layers,
// polygons, tags, vertex maps, surfaces and their texture blocks, clips).
#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("LightWave (*.lwo, *.lws)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Write("in.lwo", data, size);
  g_target->Import("in.lwo");
  return 0;
}
