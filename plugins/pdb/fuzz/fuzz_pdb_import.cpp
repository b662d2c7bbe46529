// libFuzzer target for the Protein Data Bank import: the input is written as
// a .pdb file and imported through the built plug-in. Its last byte picks
// the options (distinct bonds, first altLoc, first model), so that every
// road through the bond and atom filters is reached.
#include <string>

#include "fuzz_import.h"

namespace {
kvfuzz::ImportTarget* g_target = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_target = new kvfuzz::ImportTarget("Protein Data Bank  (*.pdb)");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int bits = size ? data[size - 1] : 0;
  g_target->Options({"-pdb_distinct_bonds=" + std::to_string(bits & 1),
                     "-pdb_first_altloc=" + std::to_string((bits >> 1) & 1),
                     "-pdb_first_model=" + std::to_string((bits >> 2) & 1)});
  g_target->Write("in.pdb", data, size);
  g_target->Import("in.pdb");
  return 0;
}
