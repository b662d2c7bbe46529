// A format's settings table: the store, the command line, the log lines and
// the dialog fields from one list.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fileoption.h"
#include "option_keys.h"
#include "test_support.h"

namespace {

char kStore[] = "kvtest_option_keys";
char kLog[] = "kvtest_keys.log";

class KeyedOption : public Export_FileOption {
 public:
  int level = 3;
  int flag = 0;
  double scale = 1.5;
  char folder[8] = "maps";

  KeyedOption() : Export_FileOption(kStore, kLog) { kvpf::LoadOptionKeys(Keys(), this); }
  KeyedOption(int argc, char** argv) : Export_FileOption(argc, argv, kLog) { kvpf::LoadOptionKeys(Keys(), this); }
  ~KeyedOption() override { kvpf::SaveOptionKeys(Keys(), this); }
  std::vector<kvpf::OptionKey> Keys() {
    return {{"kt_level", {1030, "Level", KV_FIELD_INT, &level, 0}},
            {"kt_flag", {1031, "Flag", KV_FIELD_FLAG, &flag, 0}},
            {"kt_scale", {1032, "Scale", KV_FIELD_DOUBLE, &scale, 0}},
            {"kt_folder", {1033, "Folder", KV_FIELD_STRING, folder, sizeof folder}}};
  }
};

}  // namespace

TEST(OptionKeys, CommandLineNeverWritesTheStore) {
  char a0[] = "x", a1[] = "-kt_level=7", a2[] = "-KT_FLAG=5", a3[] = "-kt_scale=0.25", a4[] = "-kt_folder=a/long/path";
  char* argv[] = {a0, a1, a2, a3, a4, nullptr};
  {
    KeyedOption o(5, argv);
    EXPECT_EQ(o.level, 7);
    EXPECT_EQ(o.flag, 1);  // any value but 0 is on
    EXPECT_DOUBLE_EQ(o.scale, 0.25);
    EXPECT_STREQ(o.folder, "a/long/");  // cut to the buffer
  }
  KeyedOption stored;
  EXPECT_EQ(stored.level, 3);
  EXPECT_STREQ(stored.folder, "maps");
}

TEST(OptionKeys, TheStoreKeepsWhatARecordSaved) {
  {
    KeyedOption o;
    o.level = 9;
    o.scale = -2;
    std::snprintf(o.folder, sizeof o.folder, "tex");
  }
  KeyedOption again;
  EXPECT_EQ(again.level, 9);
  EXPECT_DOUBLE_EQ(again.scale, -2);
  EXPECT_STREQ(again.folder, "tex");

  KvOptionField fields[8];
  ASSERT_EQ(kvpf::OptionKeyFields(again.Keys(), fields, 2), 2);
  EXPECT_EQ(fields[1].control_id, 1031);
  EXPECT_EQ(fields[1].value, &again.flag);

  kvtest::TempDir dir;
  FILE* f = std::fopen(dir.file("log").c_str(), "w");
  ASSERT_NE(f, nullptr);
  kvpf::PrintOptionKeys(f, again.Keys());
  std::fclose(f);
  EXPECT_EQ(kvtest::read_file(dir.file("log")), "\t kt_level: 9\n\t kt_flag: 0\n\t kt_scale: -2\n\t kt_folder: tex\n");
}
