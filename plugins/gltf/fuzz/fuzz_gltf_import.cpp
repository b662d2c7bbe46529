// libFuzzer target for the glTF import: the input is written as a .gltf
// file (a .glb is known by its magic, whatever its name) and imported
// through the built plug-in.
#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("glTF 2.0 (*.gltf, *.glb)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  g_target->Write("in.gltf", data, size);
  g_target->Import("in.gltf");
  return 0;
}
