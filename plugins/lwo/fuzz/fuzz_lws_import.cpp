// libFuzzer target for the LightWave scene import: the input is written as
// an .lws file beside two small objects it may load (a.lwo, one layer; b.lwo,
// two layers), and imported through the built plug-in: items, motions of
// both forms, parents, targets, instances, lights and cameras.
#include <vector>

#include "fuzz_import.h"

namespace {

kvfuzz::ImportTarget* g_target = nullptr;

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Chunk(std::vector<uint8_t>& b, const char* id, const std::vector<uint8_t>& body) {
  b.insert(b.end(), id, id + 4);
  Put(b, static_cast<uint32_t>(body.size()), 4);
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() & 1) b.push_back(0);
}

// A triangle per layer.
void WriteObject(const std::string& path, int layers) {
  std::vector<uint8_t> c;
  Chunk(c, "TAGS", {'s', 0});
  for (int l = 0; l < layers; ++l) {
    std::vector<uint8_t> layr, pnts, pols, ptag;
    Put(layr, static_cast<uint32_t>(l), 2);
    Put(layr, 0, 2);
    Put(layr, 0, 4), Put(layr, 0, 4), Put(layr, 0, 4);
    Put(layr, 0, 2);
    const float v[9] = {0, 0, 0, 1, 0, static_cast<float>(l), 0, 1, 0};
    for (float x : v) {
      uint32_t u;
      std::memcpy(&u, &x, 4);
      Put(pnts, u, 4);
    }
    pols = {'F', 'A', 'C', 'E', 0, 3, 0, 0, 0, 1, 0, 2};
    ptag = {'S', 'U', 'R', 'F', 0, 0, 0, 0};
    Chunk(c, "LAYR", layr);
    Chunk(c, "PNTS", pnts);
    Chunk(c, "POLS", pols);
    Chunk(c, "PTAG", ptag);
  }
  std::vector<uint8_t> f = {'F', 'O', 'R', 'M'};
  Put(f, static_cast<uint32_t>(c.size() + 4), 4);
  f.insert(f.end(), {'L', 'W', 'O', '2'});
  f.insert(f.end(), c.begin(), c.end());
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  std::fwrite(f.data(), 1, f.size(), out);
  std::fclose(out);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("LightWave (*.lwo, *.lws)");
  WriteObject(g_target->dir() + "/a.lwo", 1);
  WriteObject(g_target->dir() + "/b.lwo", 2);
  g_target->Options({"-content_dir=" + g_target->dir()});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every input is a scene: the signature the importer looks for first.
  g_target->Write("in.lws", data, size, "LWSC\n");
  g_target->Import("in.lws");
  return 0;
}
