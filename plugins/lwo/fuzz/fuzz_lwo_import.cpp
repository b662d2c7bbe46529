// libFuzzer target for the LightWave object import: the input is written as
// an .lwo file and imported through the built plug-in (chunk walk, layers,
// polygons, tags, vertex maps, surfaces and their texture blocks, clips).
#include "lwo_fuzz_driver.h"

namespace {
lwofuzz::Driver g_driver;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_driver.Init("fuzz_lwo_import", "in.lwo");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_driver.Run(data, size);
  return 0;
}
