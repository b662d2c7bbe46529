// The integer settings of format option records.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "korvanelib.h"
#include "specific_options.h"

TEST(IntSettings, CommandLineStoreAndListing) {
  const char* argv[] = {"prog", "-flag_a=0", "-count=7", "-bad=x"};
  Export_FileOption cmd(4, argv, "x.log");
  int a = 1, count = 2, bad = 3, absent = 4;
  kvpf::LoadIntSettings(cmd, "kv_test_settings",
                        {{"flag_a", &a}, {"count", &count}, {"bad", &bad}, {"absent", &absent}});
  EXPECT_EQ(a, 0);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(bad, 3);
  EXPECT_EQ(absent, 4);
  // Command-line records never write the store.
  kvpf::SaveIntSettings(cmd, "kv_test_settings", {{"count", &count}});
  {
    Export_FileOption store("kv_test_settings", "x.log");
    int c = 5;
    kvpf::LoadIntSettings(store, "kv_test_settings", {{"count", &c}});
    EXPECT_EQ(c, 5);
    c = 9;
    kvpf::SaveIntSettings(store, "kv_test_settings", {{"count", &c}});
  }
  Export_FileOption again("kv_test_settings", "x.log");
  int c = 0;
  kvpf::LoadIntSettings(again, "kv_test_settings", {{"count", &c}});
  EXPECT_EQ(c, 9);

  FILE* f = tmpfile();
  kvpf::PrintIntSettings(f, {{"count", &c}, {"flag_a", &a}}, 8);
  kvpf::PrintIntSettings(f, {{"count", &c}});
  long n = ftell(f);
  rewind(f);
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
  fclose(f);
  EXPECT_EQ(out, "\t count:   9\n\t flag_a:  0\n\t count: 9\n");
}
