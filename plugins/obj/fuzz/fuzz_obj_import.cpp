// libFuzzer target for the OBJ import: the input is written as a model file
// (and, after a line "#MTL", as its material library) and imported through
// the built plug-in.
#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("Alias Wavefront (*.obj)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char kMark[] = "\n#MTL\n";
  const uint8_t* split = nullptr;
  for (size_t i = 0; i + sizeof kMark - 1 <= size; ++i)
    if (std::memcmp(data + i, kMark, sizeof kMark - 1) == 0) {
      split = data + i;
      break;
    }
  g_target->Write("in.obj", data, split ? static_cast<size_t>(split - data) : size);
  if (split) {
    const uint8_t* mtl = split + sizeof kMark - 1;
    g_target->Write("in.mtl", mtl, size - static_cast<size_t>(mtl - data));
  } else {
    g_target->Remove("in.mtl");
  }
  g_target->Import("in.obj");
  return 0;
}
