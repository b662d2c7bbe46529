// libFuzzer target for the PLY import: ASCII and binary files, read through
// the built plug-in.
#include "fuzz_import_driver.h"

namespace {
kvfuzz::ImportDriver g_driver;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_driver.Init("PLY (*.ply)", "in.ply");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_driver.Run(data, size);
  return 0;
}
