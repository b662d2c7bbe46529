// The export run of the kit with a format that names its own files, and the
// described switches of option records.
#include <gtest/gtest.h>

#include <string>

#include "format_run.h"
#include "korvanelib.h"
#include "option_flags.h"
#include "plugin_framework.h"
#include "test_support.h"

namespace {

char kLog[] = "kvtest_run.log";

class PairOption : public Export_FileOption {
 public:
  PairOption(int argc, char** argv) : Export_FileOption(argc, argv, kLog) { Set_Ext("src"); }
};

Export_FileOption* NewPair(int, int argc, char** argv) { return new PairOption(argc, argv); }

// Writes scene.src and scene.hdr whatever name it was given.
int ExportPair(MScene*, Export_FileOption* o, MessageCallBack1* cb) {
  kvpf::ExportRun run(o, cb, "Pair Export 1.0", "Oct 22 2000 09:00:00");
  run.Rename("scene");
  MOutputFile* src = run.Open();
  MOutputFile* hdr = src ? run.Open(run.Companion(".hdr")) : nullptr;
  if (!hdr) return 0;
  {
    MTextWriter a(*src, 1), b(*hdr, 1);
    a.Line("source");
    b.Line("header");
  }
  return run.Finish();
}

kvpf::ExportClassDesc pair_desc(
    kvpf::ExportClassInfo{"Pair (*.src)", 0x1236u, kvpf::PluginTexts{"PAIR", "help\n"}, NewPair, ExportPair, nullptr});

}  // namespace

TEST(ExportRun, AFormatThatNamesItsFilesTellsTheHost) {
  char arg0[] = "test";
  char* args[] = {arg0, nullptr};
  kvpf::SetCommandLine(1, args);
  kvtest::TempDir dir;
  MScene scene("chair.3ds");
  MeshExporter* exp = static_cast<MeshExporter*>(pair_desc.Create());
  exp->ExportFile(&scene, dir.file("model.xxx").c_str());
  exp->Destroy();
  char path[1024];
  EXPECT_EQ(kvpf::LastExportResult(path, sizeof path), 1);
  EXPECT_EQ(std::string(path), dir.file("scene.src"));
  EXPECT_EQ(kvtest::read_file(dir.file("scene.src")), "source\n");
  EXPECT_EQ(kvtest::read_file(dir.file("scene.hdr")), "header\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("model.src")));
  kvpf::SetCommandLine(0, nullptr);

  // ctime's layout: "Wed Jun 30 21:49:08 1993".
  const std::string now = kvpf::TimeText();
  ASSERT_EQ(now.size(), 24u) << now;
  EXPECT_EQ(now[3], ' ');
  EXPECT_EQ(now[13], ':');
}

TEST(OptionFlags, StoreCommandLineListingAndCheckBoxes) {
  int meshes = 1, shader = 1;
  const kvpf::FlagOption flags[] = {{"export_meshes", "export_meshes", "Meshes", &meshes},
                                    {"std_shader", "Std Shader", "Std Shader", &shader}};
  meshes = 0;
  kvpf::SaveFlags("kvtest_flags", flags);
  meshes = 1;
  kvpf::LoadFlags("kvtest_flags", flags);
  EXPECT_EQ(meshes, 0);
  EXPECT_EQ(shader, 1);

  char a0[] = "x", a1[] = "-std_shader=0";
  char* argv[] = {a0, a1, nullptr};
  kvpf::LoadFlags(2, argv, flags);
  EXPECT_EQ(shader, 0);
  EXPECT_EQ(meshes, 0);  // absent: left alone

  kvtest::TempDir dir;
  FILE* f = std::fopen(dir.file("list.txt").c_str(), "w");
  ASSERT_NE(f, nullptr);
  kvpf::PrintFlags(f, flags);
  std::fclose(f);
  EXPECT_EQ(kvtest::read_file(dir.file("list.txt")), "\t export_meshes: 0\n\t Std Shader: 0\n");

  // A record in command-line mode reads its own arguments and saves nothing.
  char a2[] = "-export_meshes=1", a3[] = "-enable_copy=1";
  char* cargv[] = {a0, a2, a3, nullptr};
  Export_FileOption cmd(3, cargv, "x.log");
  MIHandler images;
  kvpf::LoadSwitches(cmd, "kvtest_flags", flags, 2, &images);
  EXPECT_EQ(meshes, 1);
  EXPECT_EQ(images.enable_copy, 1);
  kvpf::SaveSwitches(cmd, "kvtest_flags", flags, 2, &images);
  Export_FileOption stored("kvtest_flags", "x.log");
  MIHandler fresh;
  kvpf::LoadSwitches(stored, "kvtest_flags", flags, 2, &fresh);
  EXPECT_EQ(meshes, 0);
  EXPECT_EQ(fresh.enable_copy, 0);

  kvpf::SceneSwitches scene;
  kvpf::FlagOption described[kvpf::SceneSwitches::kCount];
  scene.Describe(described);
  EXPECT_STREQ(described[3].key, "export_meshes");
  EXPECT_STREQ(described[6].box, "Lights");
  EXPECT_EQ(described[4].value, &scene.materials);

  KvOptionField out[4];
  ASSERT_EQ(kvpf::FlagFields(flags, 1030, out, 4), 2);
  EXPECT_EQ(out[1].control_id, 1031);
  EXPECT_STREQ(out[1].label, "Std Shader");
  EXPECT_EQ(out[1].value, &shader);
  EXPECT_EQ(kvpf::FlagFields(flags, 1030, out, 1), 1);
}
