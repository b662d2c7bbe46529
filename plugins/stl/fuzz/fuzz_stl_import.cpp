// libFuzzer target for the STL import: binary and ASCII files, read through
// the built plug-in.
#include "fuzz_import_driver.h"

namespace {
kvfuzz::ImportDriver g_driver;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_driver.Init("STL (*.stl)", "in.stl");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_driver.Run(data, size);
  return 0;
}
