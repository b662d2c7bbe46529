// The round trip of the test kit over the built plug-ins and real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_support.h"

namespace {

using kvtest::ExportClass;
using kvtest::ImportClass;
constexpr const char* kObj = kvtest::kObjClass;
constexpr const char* k3ds = kvtest::k3dsImportClass;
constexpr const char* k3dsOut = kvtest::k3dsExportClass;

class RoundTrips : public ::testing::Test {
 protected:
  void SetUp() override { kvtest::UseCommandLine({}); }
};

}  // namespace

TEST_F(RoundTrips, RealFilesKeepTrianglesBoundsAndMaterials) {
  KV_REQUIRE_CORPUS();
  struct Case {
    const char* file;
    const char* from;
    const char* to;
    long triangles;
  };
  const Case cases[] = {
      {"obj/spider.obj", kObj, kObj, 1368},
      {"obj/cube_usemtl.obj", kObj, kObj, 12},
      {"3ds/jeep1.3ds", k3ds, k3dsOut, 2032},
      {"3ds/fels.3ds", k3ds, k3dsOut, 768},
  };
  for (const Case& c : cases) {
    kvtest::RoundTripResult r = kvtest::RoundTrip(ImportClass(c.from), ExportClass(c.to), kvtest::corpus_dir() / c.file);
    EXPECT_TRUE(r.Same()) << c.file << ": " << r;
    EXPECT_EQ(r.before.triangles, c.triangles) << c.file;
    EXPECT_FALSE(r.before.materials.empty()) << c.file;
  }
}

TEST_F(RoundTrips, AcrossFormatsThroughRaw) {
  KV_REQUIRE_CORPUS();
  const int raw = ExportClass("Raw (*.raw)");
  // RAW keeps no materials: triangles and bounds only.
  for (const char* file : {"obj/spider.obj", "3ds/jeep1.3ds"}) {
    const int from = kvtest::Plugins().FindImportClass((kvtest::corpus_dir() / file).string().c_str());
    kvtest::RoundTripResult r = kvtest::RoundTrip(from, raw, (kvtest::corpus_dir() / file).string());
    EXPECT_TRUE(r.Same(1e-4, false)) << file << ": " << r;
    EXPECT_GT(r.after.triangles, 0) << file;
  }
}

TEST_F(RoundTrips, FailuresAndDifferencesAreTold) {
  kvtest::TempDir dir;
  kvtest::RoundTripResult missing = kvtest::RoundTrip(ImportClass(kObj), ExportClass(kObj), dir.file("none.obj"));
  EXPECT_FALSE(missing.Same());
  EXPECT_EQ(missing.Diff(), "import of " + dir.file("none.obj") + " failed: cannot read " + dir.file("none.obj") +
                                ": No such file or directory\n");

  kvtest::RoundTripResult r;
  r.before.triangles = 12;
  r.after.triangles = 10;
  r.before.max = MVector3(1, 1, 1);
  r.after.max = MVector3(1, 1, 1.5);
  r.before.materials = {"a", "b"};
  r.after.materials = {"a"};
  EXPECT_EQ(r.Diff(), "triangles 12 -> 10\nbounds 0 0 0 / 1 1 1 -> 0 0 0 / 1 1 1.5\nmaterials [a, b] -> [a]\n");
  EXPECT_EQ(r.Diff(0.6, false), "triangles 12 -> 10\n");
  std::ostringstream text;
  text << r;
  EXPECT_NE(text.str().find("12 triangles\ntriangles 12 -> 10\n"), std::string::npos) << text.str();
}
