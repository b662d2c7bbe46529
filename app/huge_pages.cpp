#include "huge_pages.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kvhost {
namespace {

const char kTunables[] = "GLIBC_TUNABLES";
const char kTunable[] = "glibc.malloc.hugetlb=1";
// What GLIBC_TUNABLES held before the second start ("" with a leading '-'
// when it was not set), for putting it back.
const char kSaved[] = "KORVANE_SAVED_TUNABLES";

// Huge pages are given on request only ("[madvise]" in the kernel's setting).
bool OnRequestOnly() {
  FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
  if (!f) return false;
  char text[128] = {};
  size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = 0;
  return std::strstr(text, "[madvise]") != nullptr;
}

// The tunable covers the heap only. By default malloc maps every block over
// 128 KB (up to 32 MB as it adapts) on its own, and gives each further
// thread an arena of its own, both in 4 KB pages: a model's arrays and a
// reading thread's data would miss the huge pages. One arena and blocks of
// up to 32 MB (the most malloc allows) from the heap keep them there.
void KeepLargeBlocksInTheHeap() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_ARENA_MAX, 1);
}

void PutBack(const char* saved) {
  if (saved[0] == '-')
    unsetenv(kTunables);
  else
    setenv(kTunables, saved, 1);
  unsetenv(kSaved);
}

}  // namespace

void StartWithHugePages(char** argv) {
  if (const char* saved = std::getenv(kSaved)) {
    // The second start: the tunable took effect.
    std::string copy = saved;
    PutBack(copy.c_str());
    KeepLargeBlocksInTheHeap();
    return;
  }
  const char* off = std::getenv("KORVANE_HUGE_PAGES");
  if (off && std::strcmp(off, "0") == 0) return;
  const char* before = std::getenv(kTunables);
  if (before && std::strstr(before, "glibc.malloc.hugetlb")) return;  // the caller chose
  if (!argv || !argv[0] || !OnRequestOnly()) return;
  std::string saved = before ? before : "-";
  std::string tunables = before && *before ? std::string(before) + ":" + kTunable : std::string(kTunable);
  if (setenv(kSaved, saved.c_str(), 1) != 0 || setenv(kTunables, tunables.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // No second start: go on as we are.
  PutBack(saved.c_str());
}

}  // namespace kvhost
