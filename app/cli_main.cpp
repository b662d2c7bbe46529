// korvane-cli: the converter without a window.
#include <cstdio>
#include <cstring>

#include "allocator.h"

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "version") == 0)) {
    std::printf("korvane %s\n", korvanelib_version());
    return 0;
  }
  std::fprintf(stderr, "usage: korvane-cli --version\n");
  return 2;
}
