// korvane-cli render and render --grid as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "picture_check.h"
#include "render.h"
#include "render_command.h"
#include "test_support.h"

namespace {

std::string Cli() { return (kvtest::bin_dir() / "korvane-cli").string(); }

int RunCli(const std::string& args, std::string* out) { return kvtest::run_command(Cli() + " " + args, out); }

const char kTriangleObj[] = "v 0 0 0\nv 1 0 0\nv 0 0 1\nf 1 2 3\n";

TEST(RenderCli, ThumbnailOfAModel) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("tri.obj"), kTriangleObj);
  std::string out;
  ASSERT_EQ(RunCli("render " + dir.file("tri.obj") + " " + dir.file("t.png") + " --size 64,48 --view front", &out), 0)
      << out;
  kvtest::RgbaPicture pic;
  ASSERT_TRUE(kvtest::ReadPicture(dir.file("t.png"), &pic));
  EXPECT_EQ(pic.width, 64);
  EXPECT_EQ(pic.height, 48);
  const long drawn = kvtest::AlphaMask(pic).count();
  EXPECT_GT(drawn, 200);  // a fitted triangle fills a good part
  EXPECT_LT(drawn, 64 * 48 / 2 + 100);
  EXPECT_EQ(pic.at(0, 0)[3], 0);
  // Seen from the top, the triangle in the x-z plane is edge-on.
  ASSERT_EQ(RunCli("render " + dir.file("tri.obj") + " " + dir.file("t.png") + " --size 64,48 --view=top", &out), 0);
  ASSERT_TRUE(kvtest::ReadPicture(dir.file("t.png"), &pic));
  EXPECT_LT(kvtest::AlphaMask(pic).count(), drawn / 4);
}

TEST(RenderCli, UsageErrorsAndUnreadableInput) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("tri.obj"), kTriangleObj);
  const std::string in = dir.file("tri.obj"), png = dir.file("t.png");
  std::string out;
  for (const char* bad : {"--size 0,10", "--size 10", "--size 9000,10", "--camera side", "--view back",
                                 "--size", "--grid"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(RunCli("render " + in + " " + png + " " + std::string(bad), &out), 2) << out;
  }
  EXPECT_EQ(RunCli("render " + in, &out), 2);
  EXPECT_EQ(RunCli("convert " + in + " " + png + " --size 10,10", &out), 2);
  EXPECT_NE(out.find("--size is not an option"), std::string::npos) << out;
  EXPECT_EQ(RunCli("render " + dir.file("missing.obj") + " " + png, &out), 1);
  EXPECT_FALSE(std::filesystem::exists(png));
  EXPECT_EQ(RunCli("render --grid " + dir.file("nofolder") + " " + png, &out), 1);
}

TEST(RenderCli, GridOfAFolder) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  kvtest::TempDir dir;
  std::filesystem::create_directories(dir.path() / "models" / "sub");
  std::filesystem::create_directories(dir.path() / "models" / ".hidden");
  kvtest::write_file(dir.file("models/tri.obj"), kTriangleObj);
  kvtest::write_file(dir.file("models/sub/tri2.obj"), kTriangleObj);
  kvtest::write_file(dir.file("models/.hidden/tri3.obj"), kTriangleObj);
  kvtest::write_file(dir.file("models/broken.obj"), "");
  kvtest::write_file(dir.file("models/notes.txt"), "not a model");
  std::string out;
  ASSERT_EQ(RunCli("render --grid " + dir.file("models") + " " + dir.file("sheet.png") + " --size 40,40", &out), 0)
      << out;
  EXPECT_NE(out.find("broken.obj"), std::string::npos) << out;  // said why it has no picture
  kvtest::RgbaPicture sheet;
  ASSERT_TRUE(kvtest::ReadPicture(dir.file("sheet.png"), &sheet));
  // broken.obj, sub/tri2.obj, tri.obj: two columns, two rows of 40 + 14 + 6.
  EXPECT_EQ(sheet.width, 2 * 46 + 6);
  EXPECT_EQ(sheet.height, 2 * 60 + 6);
  EXPECT_EQ(kvtest::AlphaMask(sheet).count(), static_cast<long>(sheet.width) * sheet.height);  // opaque
}

TEST(RenderCli, OptionValues) {
  int w = 0, h = 0;
  std::string why;
  EXPECT_TRUE(kvcli::ParseRenderSize("640,480", &w, &h, &why));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_TRUE(kvcli::ParseRenderSize("32x16", &w, &h, &why));
  EXPECT_EQ(h, 16);
  for (const char* bad : {"", ",", "1,", "-1,5", "5,5,5", "8193,1", "99999999999999,1", "1.5,2"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(kvcli::ParseRenderSize(bad, &w, &h, &why));
  }
  kvrender::View v;
  EXPECT_TRUE(kvcli::ParseView("top", &v));
  EXPECT_EQ(v, kvrender::View::kTop);
  EXPECT_FALSE(kvcli::ParseView("Top", &v));
  kvrender::CameraMode m;
  EXPECT_TRUE(kvcli::ParseCameraMode("first", &m));
  EXPECT_EQ(m, kvrender::CameraMode::kFirst);
  EXPECT_FALSE(kvcli::ParseCameraMode("", &m));
}

}  // namespace
