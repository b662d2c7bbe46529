#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fileoption.h"
#include "profile.h"
#include "test_support.h"

namespace {
std::string printed(void (*fn)(FILE*, void*), void* obj) {
  FILE* f = tmpfile();
  fn(f, obj);
  long n = ftell(f);
  rewind(f);
  std::string s(static_cast<size_t>(n), '\0');
  s.resize(fread(s.data(), 1, s.size(), f));
  fclose(f);
  return s;
}
std::string cwd() {
  return std::filesystem::current_path().string();
}
}  // namespace

TEST(FileOption, ImportRoundTripThroughStore) {
  {
    Import_FileOption o("OptTestImp", "imp.log");
    EXPECT_EQ(o.cmd_mode, 0);
    EXPECT_STREQ(o.reg_name, "OptTestImp");
    EXPECT_STREQ(o.logfilename, "imp.log");
    EXPECT_EQ(o.Get_Filename(), nullptr);
    o.verbose_mode = 1;
    o.Set_Filename("/m/chair.3ds");
    o.Set_Filter("3DS (*.3ds)|*.3ds");
    my_free(o.logfilename);
    o.logfilename = my_strdup("changed.log");
  }
  Import_FileOption o("OptTestImp", "other.log");
  EXPECT_EQ(o.verbose_mode, 1);
  EXPECT_STREQ(o.Get_Filename(), "/m/chair.3ds");
  EXPECT_STREQ(o.Get_Filter(), "3DS (*.3ds)|*.3ds");
  EXPECT_STREQ(o.logfilename, "changed.log");
}

TEST(FileOption, ExportRoundTripKeepsSubdirOut) {
  {
    Export_FileOption o("OptTestExp", "exp.log");
    o.Set_Pathname("/out");
    o.Set_Filename("chair");
    o.Set_Ext(".obj");
    o.Set_SubDir("chair");
    o.Set_ImportFilename("/in/chair.3ds");
    o.ld_mode = 2;
    o.subdir_mode = 1;
    o.keep_axes = 1;
  }
  Export_FileOption o("OptTestExp", "exp.log");
  EXPECT_STREQ(o.Get_Pathname(), "/out");
  EXPECT_STREQ(o.Get_Filename(), "chair");
  EXPECT_STREQ(o.Get_Ext(), ".obj");
  EXPECT_EQ(o.Get_SubDir(), nullptr);
  EXPECT_EQ(o.Get_ImportFilename(), nullptr);
  EXPECT_EQ(o.ld_mode, 2);
  EXPECT_EQ(o.subdir_mode, 1);
  EXPECT_EQ(o.keep_axes, 1);
  EXPECT_EQ(o.Get_Filter(), nullptr);  // never set, stays null
}

TEST(FileOption, CommandLineModeNeverWritesStore) {
  const char* argv[] = {"prog", "-IV=1", "-ov=1", "-ld_mode=1", "-sub_dir=1", "-keep_axes=1"};
  {
    Import_FileOption i(6, argv, "cmd.log");
    EXPECT_EQ(i.cmd_mode, 1);
    EXPECT_EQ(i.reg_name, nullptr);
    EXPECT_EQ(i.verbose_mode, 1);
    EXPECT_EQ(i.argc, 6);
    Export_FileOption e(6, argv, "cmd.log");
    EXPECT_EQ(e.verbose_mode, 1);
    EXPECT_EQ(e.ld_mode, 1);
    EXPECT_EQ(e.subdir_mode, 1);  // the spelling the help text gives
    EXPECT_EQ(e.keep_axes, 1);
    EXPECT_EQ(e.Save(), 1);
  }
  char dir[260];
  m_profile_dir(dir);
  EXPECT_FALSE(std::filesystem::exists(std::string(dir) + "/default.ini"));

  const char* argv2[] = {"prog", "-iv", "-subdir_mode=1", "-ld_mode=x"};
  Import_FileOption i(4, argv2, "cmd.log");
  EXPECT_EQ(i.verbose_mode, 0);
  Export_FileOption e(4, argv2, "cmd.log");
  EXPECT_EQ(e.subdir_mode, 1);
  EXPECT_EQ(e.ld_mode, 0);
}

TEST(FileOption, RelImportFilenameAndCopies) {
  Export_FileOption o("OptTestCopy", "x.log");
  o.Set_ImportFilename("c:\\models\\chair.3ds");
  EXPECT_STREQ(o.Get_RelImportFilename(), "chair.3ds");
  o.Set_ImportFilename("/a.b/model");
  EXPECT_STREQ(o.Get_RelImportFilename(), "model");
  o.Set_Pathname("/p");
  Export_FileOption c("OptTestCopy", "x.log");
  c = o;  // owns its strings: both destructors may free them
  EXPECT_STREQ(c.Get_Pathname(), "/p");
  EXPECT_NE(c.Get_Pathname(), o.Get_Pathname());
  Export_FileOption d(o);
  EXPECT_STREQ(d.Get_ImportFilename(), "/a.b/model");
}

TEST(FileOption, PrintOptionsAndHelp) {
  Import_FileOption i("OptTestPrint", "p.log");
  i.Set_Filename("/m/a.raw");
  i.Set_Filter("*.raw");
  std::string s = printed([](FILE* f, void* o) { static_cast<Import_FileOption*>(o)->Print_Options(f); }, &i);
  EXPECT_EQ(s, "\t current directory: " + cwd() +
                   "\n\t verbose_mode:      0\n\t fullfilename:      /m/a.raw\n\t filter:            *.raw\n");
  Export_FileOption e("OptTestPrint2", "p.log");
  e.Set_Pathname("/p");
  e.Set_Filename("f");
  e.Set_Ext(".x");
  e.Set_Filter("*.x");
  e.Set_ImportFilename("/in.3ds");
  e.Set_SubDir("in");
  std::string base = "\t current directory: " + cwd() +
                     "\n\t verbose_mode:      0\n\t pathname:          /p\n\t filename:          f\n"
                     "\t ext:               .x\n\t filter:            *.x\n\t importfilename:    /in.3ds\n";
  auto pe = [](FILE* f, void* o) { static_cast<Export_FileOption*>(o)->Print_Options(f); };
  EXPECT_EQ(printed(pe, &e), base + "\t subdir_mode:       0\n\t ld_mode:           0\n");
  e.subdir_mode = 1;
  EXPECT_EQ(printed(pe, &e),
            base + "\t subdir_mode:       1\n\t subdir:            in\n\t ld_mode:           0\n");
  e.keep_axes = 1;
  EXPECT_EQ(printed(pe, &e), base + "\t subdir_mode:       1\n\t subdir:            in\n\t ld_mode:           0\n"
                                    "\t keep_axes:         1\n");
  i.Print_Options(nullptr);
  EXPECT_STREQ(Import_FileOption::Get_HelpString(),
               "** Common Import Options **\n\t-iv=FLAG: enables verbose mode\n\n");
  EXPECT_STREQ(Export_FileOption::Get_HelpString(),
               "** Common Export Options **\n\t-ov=FLAG: enables verbose mode\n\t-ld_mode=IVAL: ascii "
               "file linedelimiter, 0=DOS, 1=UNIX, 2=MAC\n\t-sub_dir=FLAG: enables sub dir creation\n"
               "\t-keep_axes=FLAG: keeps the coordinates as stored instead of turning them into the format's axes\n\n");
}

TEST(FileOption, PluginSubclassAddsFields) {
  struct RawOpt : Import_FileOption {
    double tol = -1.0;
    RawOpt() : Import_FileOption("OptTestRaw", "raw.log") {
      double d = tol;
      if (!cmd_mode) Profile(reg_name).GetDouble("Specific Settings", "tol", tol, &d);
      tol = d;
    }
    ~RawOpt() override {
      if (!cmd_mode) Profile(reg_name).WriteDouble("Specific Settings", "tol", tol);
    }
  };
  {
    RawOpt* r = new RawOpt;
    EXPECT_DOUBLE_EQ(r->tol, -1.0);
    r->tol = 0.25;
    Base_FileOption* b = r;
    delete b;  // virtual destructor runs the subclass save
  }
  RawOpt r;
  EXPECT_DOUBLE_EQ(r.tol, 0.25);
}
