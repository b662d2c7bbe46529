// Axis conventions through the real plug-ins: a Z-up 3DS model written as
// Y-up OBJ stands as assimp stands it, and the scene is given back as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "plugin_test_support.h"
#include "test_support.h"

namespace {

using kvtest::ExportClass;
using kvtest::ImportClass;
constexpr const char* kObj = kvtest::kObjClass;
constexpr const char* k3dsIn = kvtest::k3dsImportClass;
constexpr const char* k3dsOut = kvtest::k3dsExportClass;

struct Box {
  bool ok = false;
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
};

// The bounds `assimp info` gives (in its Y-up axes).
Box AssimpBounds(const std::string& path) {
  Box b;
  std::string out;
  if (kvtest::run_command("assimp info '" + path + "'", &out) != 0) return b;
  const size_t lo = out.find("Minimum point"), hi = out.find("Maximum point");
  if (lo == std::string::npos || hi == std::string::npos) return b;
  b.ok = std::sscanf(out.c_str() + lo, "Minimum point (%lf %lf %lf)", &b.lo[0], &b.lo[1], &b.lo[2]) == 3 &&
         std::sscanf(out.c_str() + hi, "Maximum point (%lf %lf %lf)", &b.hi[0], &b.hi[1], &b.hi[2]) == 3;
  return b;
}

bool HaveAssimp() { return std::system("assimp version >/dev/null 2>&1") == 0; }

void ExpectSameBox(const Box& a, const Box& b, double tol, const char* what) {
  ASSERT_TRUE(a.ok && b.ok) << what;
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(a.lo[i], b.lo[i], tol) << what << " axis " << i;
    EXPECT_NEAR(a.hi[i], b.hi[i], tol) << what << " axis " << i;
  }
}

class Axes : public ::testing::Test {
 protected:
  void SetUp() override { kvtest::UseCommandLine({"-enable_copy=0"}); }
  void TearDown() override { kvtest::UseCommandLine({}); }
  kvtest::TempDir dir;
};

}  // namespace

TEST_F(Axes, JeepWrittenAsObjStandsAsAssimpStandsTheSource) {
  KV_REQUIRE_CORPUS();
  if (!HaveAssimp()) GTEST_SKIP() << "assimp not installed";
  const std::string jeep = kvtest::corpus_file("3ds/jeep1.3ds");
  MScene* scene = kvtest::ImportWith(ImportClass(k3dsIn), jeep);
  ASSERT_NE(scene, nullptr);
  const MVector3 lo = scene->GetBoundLeft(), hi = scene->GetBoundRight();
  ASSERT_EQ(kvtest::ExportWith(ExportClass(kObj), scene, dir.file("jeep.obj")), 1);
  ExpectSameBox(AssimpBounds(dir.file("jeep.obj")), AssimpBounds(jeep), 1e-4, "jeep1.3ds -> OBJ");
  // The host's scene is given back exactly as it was.
  EXPECT_TRUE(scene->GetBoundLeft() == lo && scene->GetBoundRight() == hi);
  // Written again as 3DS, it is the source's shape in the source's axes.
  ASSERT_EQ(kvtest::ExportWith(ExportClass(k3dsOut), scene, dir.file("jeep.3ds")), 1);
  ExpectSameBox(AssimpBounds(dir.file("jeep.3ds")), AssimpBounds(jeep), 1e-4, "jeep1.3ds -> 3DS");
  delete scene;

  // Kept as stored: the file's Z-up numbers land in the OBJ unturned.
  kvtest::UseCommandLine({"-enable_copy=0", "-keep_axes=1"});
  scene = kvtest::ImportWith(ImportClass(k3dsIn), jeep);
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(kvtest::ExportWith(ExportClass(kObj), scene, dir.file("stored.obj")), 1);
  Box stored;
  stored.ok = true;
  const MVector3& l = scene->GetBoundLeft();
  const MVector3& h = scene->GetBoundRight();
  stored.lo[0] = l.x, stored.lo[1] = l.y, stored.lo[2] = l.z;
  stored.hi[0] = h.x, stored.hi[1] = h.y, stored.hi[2] = h.z;
  ExpectSameBox(AssimpBounds(dir.file("stored.obj")), stored, 1e-4, "kept as stored");
  delete scene;
}

TEST_F(Axes, ObjThroughThreeDsAndBackKeepsItsAxes) {
  KV_REQUIRE_CORPUS();
  MScene* scene = kvtest::ImportWith(ImportClass(kObj), kvtest::corpus_file("obj/spider.obj"));
  ASSERT_NE(scene, nullptr);
  const MVector3 lo = scene->GetBoundLeft(), hi = scene->GetBoundRight();
  ASSERT_EQ(kvtest::ExportWith(ExportClass(k3dsOut), scene, dir.file("spider.3ds")), 1);
  delete scene;
  MScene* studio = kvtest::ImportWith(ImportClass(k3dsIn), dir.file("spider.3ds"));
  ASSERT_NE(studio, nullptr);
  // In 3DS the spider's height is z: its y extent became the z extent.
  EXPECT_NEAR(studio->GetBoundRight().z - studio->GetBoundLeft().z, hi.y - lo.y, 1e-4);
  EXPECT_NEAR(studio->GetBoundRight().y, -lo.z, 1e-4);
  ASSERT_EQ(kvtest::ExportWith(ExportClass(kObj), studio, dir.file("spider.obj")), 1);
  delete studio;
  MScene* back = kvtest::ImportWith(ImportClass(kObj), dir.file("spider.obj"));
  ASSERT_NE(back, nullptr);
  const MVector3 d1 = back->GetBoundLeft() - lo, d2 = back->GetBoundRight() - hi;
  EXPECT_LT(std::max(d1.Length(), d2.Length()), 1e-4);
  delete back;
}

TEST_F(Axes, ThreeDsReadersKeepNamesAndPlaceTheTurnedMeshes) {
  KV_REQUIRE_CORPUS();
  if (!HaveAssimp()) GTEST_SKIP() << "assimp not installed";
  const std::string spider = kvtest::corpus_file("obj/spider.obj");
  MScene* scene = kvtest::ImportWith(ImportClass(kObj), spider);
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(kvtest::ExportWith(ExportClass(k3dsOut), scene, dir.file("spider.3ds")), 1);
  delete scene;
  // The Y-up source written Z-up: assimp turns both to its Y up alike, which
  // it does only when the object nodes agree with the meshes' frames.
  ExpectSameBox(AssimpBounds(dir.file("spider.3ds")), AssimpBounds(spider), 1e-3, "spider.obj -> 3DS");
  std::string out;
  ASSERT_EQ(kvtest::run_command("assimp info '" + dir.file("spider.3ds") + "'", &out), 0);
  const std::string tree = out.substr(out.find("Node hierarchy"));
  EXPECT_EQ(tree.find("3DSMesh_"), std::string::npos) << tree;
  for (const char* name : {"HLeib01", "OK", "Bein1Li"}) EXPECT_NE(tree.find(name), std::string::npos) << name << "\n" << tree;
  // lib3ds reads one object node per mesh, by name.
  if (std::system("command -v 3dsdump >/dev/null 2>&1") == 0) {
    ASSERT_EQ(kvtest::run_command("3dsdump -n '" + dir.file("spider.3ds") + "'", &out), 0);
    EXPECT_NE(out.find("HLeib01"), std::string::npos) << out.substr(0, 2000);
  }
}
