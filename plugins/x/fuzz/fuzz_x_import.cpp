// libFuzzer targets for the DirectX import, one per reader of the .x file
// layer: the input becomes the body of a text (KV_X_FUZZ_FORM_text), binary
// (KV_X_FUZZ_FORM_binary; the first byte picks 32- or 64-bit floats) or
// compressed file (KV_X_FUZZ_FORM_compressed; the first byte picks a text
// or binary body and whether the rest is taken as compressed blocks as it
// stands or is compressed first, so that the parsers behind the inflater
// are reached too), which is imported through the built plug-in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_import.h"
#include "xfile.h"

namespace {

kvfuzz::ImportTarget* g_target = nullptr;

std::vector<uint8_t> MakeFile(const uint8_t* data, size_t size) {
  std::string header = "xof 0302txt 0032";
  std::vector<uint8_t> body(data, data + size);
#if defined(KV_X_FUZZ_FORM_binary)
  const uint8_t mode = size ? data[0] : 0;
  header = (mode & 1) ? "xof 0302bin 0064" : "xof 0302bin 0032";
  body.assign(data + (size ? 1 : 0), data + size);
#elif defined(KV_X_FUZZ_FORM_compressed)
  const uint8_t mode = size ? data[0] : 0;
  header = (mode & 2) ? "xof 0302bzip0032" : "xof 0302tzip0032";
  body.assign(data + (size ? 1 : 0), data + size);
  if (!(mode & 1)) {
    std::vector<uint8_t> z;
    if (kvx::DeflateBody(body.data(), body.size(), &z, nullptr)) body.swap(z);
  }
#endif
  std::vector<uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("DirectX (*.x)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> file = MakeFile(data, size);
  g_target->Write("in.x", file.data(), file.size());
  g_target->Import("in.x");
  return 0;
}
