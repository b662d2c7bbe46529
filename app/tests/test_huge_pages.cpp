// The second start with glibc's huge-page tunable: the environment the
// caller gave is what the program and its children see afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "huge_pages.h"

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "(unset)";
}

char kProgram[] = "korvane-cli";
char* kArgv[] = {kProgram, nullptr};

}  // namespace

TEST(HugePages, TheSecondStartPutsTheCallersEnvironmentBack) {
  // As the first start leaves it for the second, the caller having set none.
  setenv("KORVANE_SAVED_TUNABLES", "-", 1);
  setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1);
  kvhost::StartWithHugePages(kArgv);
  EXPECT_EQ(Env("GLIBC_TUNABLES"), "(unset)");
  EXPECT_EQ(Env("KORVANE_SAVED_TUNABLES"), "(unset)");

  // The caller's own tunables come back as they were.
  setenv("KORVANE_SAVED_TUNABLES", "glibc.malloc.check=0", 1);
  setenv("GLIBC_TUNABLES", "glibc.malloc.check=0:glibc.malloc.hugetlb=1", 1);
  kvhost::StartWithHugePages(kArgv);
  EXPECT_EQ(Env("GLIBC_TUNABLES"), "glibc.malloc.check=0");
  EXPECT_EQ(Env("KORVANE_SAVED_TUNABLES"), "(unset)");
  unsetenv("GLIBC_TUNABLES");
}

TEST(HugePages, NoSecondStartWhenTheCallerChoseOrTurnedItOff) {
  // Either would start this test program again if it did not return.
  setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=0", 1);
  kvhost::StartWithHugePages(kArgv);
  EXPECT_EQ(Env("GLIBC_TUNABLES"), "glibc.malloc.hugetlb=0");
  unsetenv("GLIBC_TUNABLES");
  setenv("KORVANE_HUGE_PAGES", "0", 1);
  kvhost::StartWithHugePages(kArgv);
  EXPECT_EQ(Env("GLIBC_TUNABLES"), "(unset)");
  unsetenv("KORVANE_HUGE_PAGES");
}
