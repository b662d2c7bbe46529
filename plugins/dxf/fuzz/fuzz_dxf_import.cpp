// libFuzzer target for the DXF import: the input is written as a .dxf file
// and imported through the built plug-in, ASCII or binary by its first
// bytes. KORVANE_FUZZ_VERBOSE=1 writes the import log too (slower), so that
// every log line is formatted as well.
#include <cstdlib>

#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("Autocad  (*.dxf)");
  const char* v = std::getenv("KORVANE_FUZZ_VERBOSE");
  if (v && *v == '1') g_target->Options({"-iv=1"});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Write("in.dxf", data, size);
  g_target->Import("in.dxf");
  return 0;
}
