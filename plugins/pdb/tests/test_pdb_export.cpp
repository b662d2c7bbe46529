// A molecule converted to OBJ and 3DS opens in outside readers (assimp,
// lib3ds's 3dsdump) with the class colours as materials.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <sstream>
#include <string>

#include "pdb_format.h"
#include "pdb_test_util.h"

namespace {

class PdbExport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(pdbtest::ImportClass(), 0); }
  void TearDown() override { delete scene; }
  // tiny.pdb: 37 atoms, 9 distinct bonds; written to dir/tiny.<ext>.
  std::string Convert(const char* ext) {
    delete scene;
    scene = pdbtest::Import(kvtest::corpus_file("pdb/tiny.pdb"), {"-pdb_distinct_bonds=1"});
    EXPECT_NE(scene, nullptr);
    if (!scene) return "";
    const int cls = std::string(ext) == "obj"
                        ? kvtest::FindClass("Alias Wavefront (*.obj)", MESH_EXPORT_CLASS_ID)
                        : kvtest::FindClass("3D Studio Binary Mesh File     (*.3ds)", MESH_EXPORT_CLASS_ID);
    kvtest::UseCommandLine({});
    std::string written;
    EXPECT_EQ(kvtest::ExportWith(cls, scene, dir.file(std::string("tiny.") + ext), &written), 1);
    return written;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

const pdb::AtomClass& ClassNamed(const char* name) {
  for (const pdb::AtomClass& c : pdb::kClasses)
    if (std::string(c.name) == name) return c;
  return pdb::kOtherClass;
}

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

// Three numbers after the first `open` that follows `key` following `from`
// in text: "(r, g, b)" in 3dsdump's dump, ">r g b" in assimp's XML.
bool ColourAfter(const std::string& text, size_t from, const char* key, char open, double (&rgb)[3]) {
  const size_t at = text.find(key, from);
  if (at == std::string::npos) return false;
  const size_t start = text.find(open, at);
  if (start == std::string::npos) return false;
  return std::sscanf(text.c_str() + start + 1, "%lf%*[ ,]%lf%*[ ,]%lf", &rgb[0], &rgb[1], &rgb[2]) == 3;
}

constexpr const char* kTinyClasses[] = {"mat_C", "mat_CA", "mat_CB", "mat_CG", "mat_CD", "mat_O", "mat_N", "mat_H", "mat_OG"};

}  // namespace

// 37 spheres of 480 triangles and 9 cylinders of 64.
TEST_F(PdbExport, ObjOpensInAssimpWithTheClassColours) {
  KV_REQUIRE_CORPUS();
  if (!Have("assimp")) GTEST_SKIP() << "assimp not installed";
  const std::string obj = Convert("obj");
  ASSERT_FALSE(obj.empty());
  const std::string info = kvtest::command_output("assimp info '" + obj + "' 2>/dev/null");
  EXPECT_NE(info.find("Nodes:              47"), std::string::npos) << info;
  EXPECT_NE(info.find("Faces:              18336"), std::string::npos) << info;
  const std::string xml_path = dir.file("tiny.assxml");
  kvtest::command_output("assimp export '" + obj + "' '" + xml_path + "' >/dev/null 2>&1");
  const std::string xml = kvtest::read_file(xml_path);
  ASSERT_FALSE(xml.empty());
  for (const char* name : kTinyClasses) {
    SCOPED_TRACE(name);
    // The name stands as a quoted string property of its material.
    const size_t at = xml.find(std::string("\"") + name + "\"");
    ASSERT_NE(at, std::string::npos);
    double rgb[3];
    ASSERT_TRUE(ColourAfter(xml, at, "$clr.diffuse", '>', rgb));
    const pdb::AtomClass& c = ClassNamed(name + 4);
    // The OBJ writer gives the diffuse colour times its intensity (0.4).
    EXPECT_NEAR(rgb[0], 0.4 * c.r, 1e-3);
    EXPECT_NEAR(rgb[1], 0.4 * c.g, 1e-3);
    EXPECT_NEAR(rgb[2], 0.4 * c.b, 1e-3);
  }
}

TEST_F(PdbExport, ThreeDsOpensIn3dsdumpWithTheClassColours) {
  KV_REQUIRE_CORPUS();
  if (!Have("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds) not installed";
  const std::string path = Convert("3ds");
  ASSERT_FALSE(path.empty());
  const std::string dump = kvtest::command_output("3dsdump -m -t '" + path + "' 2>&1");
  std::istringstream lines(dump);
  std::string line;
  int meshes = 0;
  long faces = 0;
  while (std::getline(lines, line)) {
    const size_t at = line.find(" vertices=");
    int v = 0, f = 0;
    if (at == std::string::npos || std::sscanf(line.c_str() + at, " vertices=%d faces=%d", &v, &f) != 2) continue;
    ++meshes;
    faces += f;
  }
  EXPECT_EQ(meshes, 46);
  EXPECT_EQ(faces, 18336);
  for (const char* name : kTinyClasses) {
    SCOPED_TRACE(name);
    const size_t at = dump.find(std::string("name:          ") + name + "\n");
    ASSERT_NE(at, std::string::npos);
    double rgb[3];
    ASSERT_TRUE(ColourAfter(dump, at, "specular:", '(', rgb));
    const pdb::AtomClass& c = ClassNamed(name + 4);
    // Colours go through bytes: within 1/255.
    EXPECT_NEAR(rgb[0], c.r, 1.0 / 255 + 1e-6);
    EXPECT_NEAR(rgb[1], c.g, 1.0 / 255 + 1e-6);
    EXPECT_NEAR(rgb[2], c.b, 1.0 / 255 + 1e-6);
    ASSERT_TRUE(ColourAfter(dump, at, "diffuse:", '(', rgb));
    EXPECT_NEAR(rgb[0], 0.4 * c.r, 1.0 / 255 + 1e-6);
  }
}
