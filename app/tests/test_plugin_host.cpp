// The plug-in host over a folder of good and broken plug-ins.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "profile.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

fs::path TestPluginDir() { return kvtest::bin_dir().parent_path() / "test_plugins"; }

// A private copy of the test plug-ins plus files that are no plug-ins at all.
class BrokenFolder {
 public:
  BrokenFolder() {
    for (const auto& e : fs::directory_iterator(TestPluginDir()))
      if (e.path().extension() == ".so") fs::copy_file(e.path(), dir_.path() / e.path().filename());
    static const char kFakeElf[] = "\x7f" "ELF not really\0\1\2";
    kvtest::write_file(dir_.file("f_garbage.so"), std::string(kFakeElf, sizeof kFakeElf - 1));
    kvtest::write_file(dir_.file("g_text.so"), "just text\n");
    kvtest::write_file(dir_.file("readme.txt"), "not scanned\n");
  }
  std::string path() const { return dir_.str() + "/"; }

 private:
  kvtest::TempDir dir_;
};

std::vector<std::string> ClassNames(PluginRegistry& r) {
  std::vector<std::string> names;
  for (int i = 0; i < r.ClassCount(); ++i) names.push_back(r.GetClass(i)->ClassName());
  return names;
}

}  // namespace

TEST(PluginHost, LoadsGoodLibrariesAndSkipsBrokenOnes) {
  ASSERT_TRUE(fs::exists(TestPluginDir() / "a_good.so")) << TestPluginDir();
  BrokenFolder folder;
  PluginRegistry r;
  // Accepted: a_good (2 classes), b_dup (2, one a duplicate). Dropped: the
  // 1071 library, the one without LibVersion, the one with 0 classes, and
  // the two files that are not shared objects.
  EXPECT_EQ(r.Load(folder.path().c_str(), KV_PLUGIN_VERSION), 3);
  EXPECT_EQ(r.libraries->count, 2);
  EXPECT_EQ(ClassNames(r), (std::vector<std::string>{"Good Import (*.tst)", "Good Export (*.tst)",
                                                     "Other Export (*.oth)"}));
  // The first of two equal ClassIDs wins, in sorted file order.
  EXPECT_EQ(r.GetClass(0)->ClassID(), 0x100u);
  EXPECT_EQ(r.GetClass(3), nullptr);
  EXPECT_EQ(r.GetClass(-1), nullptr);
  EXPECT_EQ(r.ImportTable(), std::vector<int>{0});
  EXPECT_EQ(r.ExportTable(), (std::vector<int>{1, 2}));
}

TEST(PluginHost, MissingOrEmptyFolderGivesEmptyLists) {
  PluginRegistry r;
  EXPECT_EQ(r.Load("/nonexistent/korvane/plugins", KV_PLUGIN_VERSION), 0);
  kvtest::TempDir empty;
  EXPECT_EQ(r.Load(empty.str().c_str(), KV_PLUGIN_VERSION), 0);
  EXPECT_EQ(r.libraries->count, 0);
  EXPECT_EQ(r.FindImportClass("x.tst"), -1);
}

TEST(PluginHost, RequiredVersionIsExact) {
  PluginRegistry r;
  // Asking for 1071 accepts only the old library.
  EXPECT_EQ(r.Load(TestPluginDir().c_str(), 1071), 2);
  EXPECT_EQ(ClassNames(r), (std::vector<std::string>{"Old Import", "Old Export"}));
}

TEST(PluginHost, SummaryListsEveryClassOfAcceptedLibraries) {
  BrokenFolder folder;
  PluginRegistry r;
  r.Load(folder.path().c_str(), KV_PLUGIN_VERSION);
  std::vector<std::string> lines = r.SummaryLines();
  std::vector<std::string> expected = {
      " FileName: " + folder.path() + "a_good.so",
      " LibName: Good Lib",
      " LibClassNumber: 2",
      " LibVersion: 0x00000430",
      "\tClassName: Good Import (*.tst)",
      "\tSuperClassID: 0x2000 (Mesh Import)",
      "\tClassID: 0x00000100",
      "\tClassPublicFlag: 1",
      " ",
      "\tClassName: Good Export (*.tst)",
      "\tSuperClassID: 0x2001 (Mesh Export)",
      "\tClassID: 0x00000101",
      "\tClassPublicFlag: 1",
      " ",
      " ",
  };
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);
  // The duplicate class is listed and counted too.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "\tClassName: Dup Import (*.tst)"), lines.end());
  std::vector<std::string> tail(lines.end() - 4, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{" ", " Summary:", "\tLibraries: 2", "\tClasses: 4"}));

  kvtest::TempDir out;
  ASSERT_EQ(r.WriteSummary(out.file("s.txt").c_str()), 1);
  std::string text = kvtest::read_file(out.file("s.txt"));
  EXPECT_EQ(text.substr(0, lines[0].size() + 1), lines[0] + "\n");
  EXPECT_EQ(r.WriteSummary((out.str() + "/no/such/dir/s.txt").c_str()), 0);
}

TEST(PluginHost, FindImportClassByExtension) {
  PluginRegistry r;
  r.Load(TestPluginDir().c_str(), KV_PLUGIN_VERSION);
  EXPECT_EQ(r.FindImportClass("/models/a.tst"), 0);
  EXPECT_EQ(r.FindImportClass("/models/A.TST"), 0);  // case-insensitive
  EXPECT_EQ(r.FindImportClass("/models/a.oth"), -1);  // only import classes count
  // The whole extension, not a part of the filter: no extension, a bare
  // dot or a prefix of "tst" fits no class.
  EXPECT_EQ(r.FindImportClass("/models/noext"), -1);
  EXPECT_EQ(r.FindImportClass("/models/a."), -1);
  EXPECT_EQ(r.FindImportClass("/models/a.ts"), -1);
  EXPECT_EQ(r.FindImportClass("/models/a.tstx"), -1);
  EXPECT_EQ(r.FindImportClass("/models.tst/noext"), -1);
  EXPECT_EQ(FilterExtensions("Raw (*.raw)|*.raw;*.R2 |All Files (*.*)|*.*||"),
            (std::vector<std::string>{".raw", ".r2"}));
}

TEST(PluginHost, DestroyUnloadsAndStaysUsable) {
  PluginRegistry r;
  r.Load(TestPluginDir().c_str(), KV_PLUGIN_VERSION);
  r.Destroy();
  EXPECT_EQ(r.ClassCount(), 0);
  EXPECT_EQ(r.libraries->count, 0);
  EXPECT_EQ(r.Load(TestPluginDir().c_str(), KV_PLUGIN_VERSION), 3);
}

TEST(PluginHost, TablePositionPicksLastEqualNameElseZero) {
  PluginRegistry r;
  r.Load(TestPluginDir().c_str(), KV_PLUGIN_VERSION);
  std::vector<int> ex = r.ExportTable();
  EXPECT_EQ(FindTablePosition(r, ex, "Other Export (*.oth)"), 1);
  EXPECT_EQ(FindTablePosition(r, ex, "Uninstalled (*.zzz)"), 0);
  EXPECT_EQ(FindTablePosition(r, ex, nullptr), 0);
}

TEST(AppSettings, DefaultsLoadAndSave) {
  {
    AppSettings s("kvtest_app");
    EXPECT_EQ(s.clear_flag, 1);
    EXPECT_EQ(s.check_name_mode, 2);
    EXPECT_STREQ(s.last_import_class, "");
    std::string dir = s.plugin_path;
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    s.Load();  // nothing stored yet: the defaults stay
    EXPECT_EQ(s.clear_flag, 1);
    s.clear_flag = 0;
    s.check_name_mode = 1;
    s.Set_LastImportClass("RAW (*.raw)");
    s.Set_LastExportClass("Raw (*.raw)");
    std::snprintf(s.plugin_path, sizeof s.plugin_path, "%s", "/opt/kv/plugin/");
    s.Save();
  }
  AppSettings t("kvtest_app");
  t.Load();
  EXPECT_EQ(t.clear_flag, 0);
  EXPECT_EQ(t.check_name_mode, 1);
  EXPECT_STREQ(t.last_import_class, "RAW (*.raw)");
  EXPECT_STREQ(t.last_export_class, "Raw (*.raw)");
  EXPECT_STREQ(t.plugin_path, "/opt/kv/plugin/");
  Profile store(t.program_name);
  unsigned long build = 0;
  store.GetInt("Settings", "Build", 0, &build);
  EXPECT_EQ(build, 1687u);
}

TEST(AppSettings, PluginDirFollowsEnvironment) {
  const char* old = std::getenv("KORVANE_PLUGIN_DIR");
  std::string saved = old ? old : "";
  setenv("KORVANE_PLUGIN_DIR", "/tmp/kvplugins", 1);
  EXPECT_EQ(DefaultPluginDir(), "/tmp/kvplugins/");
  if (old)
    setenv("KORVANE_PLUGIN_DIR", saved.c_str(), 1);
  else
    unsetenv("KORVANE_PLUGIN_DIR");
  EXPECT_EQ(DefaultPluginDir().substr(DefaultPluginDir().size() - 7), "plugin/");
}

// The test programs have no plugin/ beside them, so the fallback is the
// installed folder relative to the program (a build tree's korvane-cli and
// an installed one are run by the CLI and install tests).
TEST(AppSettings, PluginDirWithoutFolderBesideTheProgramIsTheInstalledOne) {
  const char* old = std::getenv("KORVANE_PLUGIN_DIR");
  std::string saved = old ? old : "";
  unsetenv("KORVANE_PLUGIN_DIR");
  std::filesystem::path exe_dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  ASSERT_FALSE(std::filesystem::exists(exe_dir / "plugin"));
  std::string want = (exe_dir / KORVANE_INSTALLED_PLUGIN_DIR / "").lexically_normal().string();
  EXPECT_EQ(DefaultPluginDir(), want);
  EXPECT_EQ(want.find(".."), std::string::npos);
  if (old) setenv("KORVANE_PLUGIN_DIR", saved.c_str(), 1);
}
