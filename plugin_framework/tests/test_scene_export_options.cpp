// The option record of the scene-description exporters.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "korvanelib.h"
#include "scene_export_options.h"

namespace {

class SceneOptions : public kvpf::SceneExportOption {
 public:
  int own = 3;
  SceneOptions() : SceneExportOption("kv_test_scene", "s.log", "F", "ext", 0) { LoadOwnSettings({{"own", &own}}); }
  SceneOptions(int argc, char** argv) : SceneExportOption(argc, argv, "kv_test_scene", "s.log", "F", "ext", 0) {
    LoadOwnSettings({{"own", &own}});
  }
  ~SceneOptions() override { SaveOwnSettings(); }
};

}  // namespace

TEST(SceneExportOptions, FlagsOwnSettingsAndMapOptionsRoundTrip) {
  {
    SceneOptions o;
    EXPECT_EQ(o.export_meshes, 1);
    EXPECT_STREQ(o.Get_Ext(), "ext");
    o.export_meshes = 0;
    o.own = 8;
    o.image_handler.enable_copy = 1;
  }
  SceneOptions again;
  EXPECT_EQ(again.export_meshes, 0);
  EXPECT_EQ(again.own, 8);
  EXPECT_EQ(again.image_handler.enable_copy, 1);
  char a0[] = "prog", a1[] = "-export_lights=0", a2[] = "-own=5", a3[] = "-enable_copy=1";
  char* argv[] = {a0, a1, a2, a3};
  SceneOptions cmd(4, argv);
  EXPECT_EQ(cmd.export_lights, 0);
  EXPECT_EQ(cmd.export_meshes, 1);
  EXPECT_EQ(cmd.own, 5);
  EXPECT_EQ(cmd.image_handler.enable_copy, 1);
  FILE* f = tmpfile();
  cmd.Print_Options(f);
  long n = ftell(f);
  rewind(f);
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
  fclose(f);
  EXPECT_NE(out.find("\t export_lights: 0\n\t own: 5\n\n\t Map Conversion Options:\n"), std::string::npos) << out;
  KvOptionField fields[16];
  KvOptionField more{2000, "Own", KV_FIELD_INT, &cmd.own, sizeof(int)};
  EXPECT_EQ(cmd.OptionFields({more}, fields, 16), 8);
  EXPECT_EQ(fields[7].value, &cmd.own);
  EXPECT_EQ(cmd.OptionFields({more}, fields, 3), 3);
}
