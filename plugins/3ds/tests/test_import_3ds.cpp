// 3DS import through the built plug-in, on real files and on hand-made ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "3ds_chunk.h"
#include "3ds_test_util.h"
#include "korvanelib.h"
#include "round_trip.h"
#include "test_support.h"

namespace {

using kv3dstest::Import;
using kv3dstest::ImportClass;

struct Expected {
  const char* file;
  int meshes, triangles;
  double min[3], max[3];
  bool bounds;  // false where the other reader also applies keyframer pivots
};

// Counts and bounds as an independent reader reports them.
const Expected kCorpus[] = {
    {"CameraRollAnim.3ds", 1, 12, {-24.786327, -0.854701, -23.931625}, {45.868946, 37.891735, 23.931625}, false},
    {"fels.3ds", 1, 768, {-2.221913, -2.564741, -0.121266}, {1.282885, 2.116860, 3.084285}, true},
    {"jeep1.3ds", 7, 2032, {-5.529237, -0.026048, -12.298016}, {5.529237, 7.613540, 4.347863}, true},
    {"mar_rifle.3ds", 1, 572, {-3.522588, -11.573204, -40.340359}, {3.522622, 30.196556, 75.941292}, false},
    // Nine boxes of 12 faces in the file's chunks (the other reader lists five).
    {"test1.3ds", 9, 108, {0, 0, 0}, {0, 0, 0}, false},
    {"cube_with_diffuse_texture.3DS", 1, 12, {-25.000004, 32.617725, -5.540163}, {25.000008, 82.617737, 44.459843}, false},
    {"cubes_with_alpha.3DS", 5, 60, {-856.310974, 44.899117, -517.823242}, {48.810478, 1377.140869, 136.420670}, false},
};

class Import3ds : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(ImportClass(), 0) << "import_3ds.so not found in " << kvtest::bin_dir(); }
  void TearDown() override { delete scene; }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(Import3ds, CorpusFilesGiveTheCountsOfAnIndependentReader) {
  KV_REQUIRE_CORPUS();
  for (const Expected& e : kCorpus) {
    SCOPED_TRACE(e.file);
    delete scene;
    scene = Import((kvtest::corpus_dir() / "3ds" / e.file).string());
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->objects->count, e.meshes);
    EXPECT_EQ(kvtest::TriangleCount(scene), e.triangles);
    if (!e.bounds) continue;
    // The other reader turns Z-up into Y-up: (x, y, z) -> (x, z, -y).
    const MVector3& lo = scene->bound_left;
    const MVector3& hi = scene->bound_right;
    EXPECT_NEAR(lo.x, e.min[0], 1e-4);
    EXPECT_NEAR(lo.z, e.min[1], 1e-4);
    EXPECT_NEAR(-hi.y, e.min[2], 1e-4);
    EXPECT_NEAR(hi.x, e.max[0], 1e-4);
    EXPECT_NEAR(hi.z, e.max[1], 1e-4);
    EXPECT_NEAR(-lo.y, e.max[2], 1e-4);
  }
}

TEST_F(Import3ds, SmoothingGroupsGiveNormalsAndMaterialsGiveSurfaces) {
  KV_REQUIRE_CORPUS();
  scene = Import((kvtest::corpus_dir() / "3ds" / "jeep1.3ds").string());
  ASSERT_NE(scene, nullptr);
  ASSERT_GE(scene->objects->count, 1);
  MMesh_P* m = static_cast<MMesh_P*>(scene->objects->GetAt(0));
  ASSERT_EQ(m->get_type(), MESH2);
  ASSERT_TRUE(m->NormalsUsed());
  EXPECT_EQ(m->Get_NFace_Count(), m->Get_Face_Count());
  for (int i = 0; i < m->Get_NVertex_Count(); ++i) {
    const MVector3& n = m->Get_NVertex(i);
    double len = vect_dot(n, n);
    EXPECT_TRUE(len == 0 || std::abs(len - 1) < 1e-6) << i;
  }
  ASSERT_GE(scene->surfaces->count, 2);
  EXPECT_STREQ(static_cast<MSurface*>(scene->surfaces->GetAt(0))->name, "DEFAULT");
}

TEST_F(Import3ds, TruncatedAndMutatedFilesImportWithoutFault) {
  KV_REQUIRE_CORPUS();
  std::string bytes = kvtest::read_file((kvtest::corpus_dir() / "3ds" / "test1.3ds").string());
  ASSERT_GT(bytes.size(), 100u);
  std::string path = dir.file("cut.3ds");
  for (size_t n = 0; n < bytes.size(); n += 1 + n / 8) {
    kvtest::write_file(path, bytes.substr(0, n));
    delete scene;
    scene = Import(path);
    // Shorter than the root chunk's header it is no 3D Studio file; from
    // there on what can be read is kept.
    if (n < 6) {
      ASSERT_EQ(scene, nullptr) << n;
      EXPECT_EQ(kvtest::Plugins().LastError(ImportClass()), path + " is not a 3D Studio file") << n;
    } else {
      ASSERT_NE(scene, nullptr) << n;
      // The user hears that the file was cut.
      const std::vector<std::string> warnings = kvtest::Plugins().LastWarnings(ImportClass());
      ASSERT_FALSE(warnings.empty()) << n;
      EXPECT_EQ(warnings[0].rfind(path + " is damaged: ", 0), 0u) << warnings[0];
    }
  }
  uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    std::string m = bytes;
    for (int k = 0; k < 8; ++k) {
      seed = seed * 1664525u + 1013904223u;
      m[(seed >> 8) % m.size()] = static_cast<char>(seed >> 24);
    }
    kvtest::write_file(path, m);
    delete scene;
    scene = Import(path);
    // A hit on the root id makes it a foreign file.
    if (m.compare(0, 2, "MM") == 0) {
      ASSERT_NE(scene, nullptr) << round;
    } else {
      ASSERT_EQ(scene, nullptr) << round;
    }
  }
}

TEST_F(Import3ds, MissingAndForeignFilesAreLogged) {
  // Neither gives a scene; the reason reaches the host.
  std::string path = dir.file("none.3ds");
  scene = Import(path);
  ASSERT_EQ(scene, nullptr);
  EXPECT_EQ(kvtest::Plugins().LastError(ImportClass()), "cannot read " + path + ": No such file or directory");
  std::string foreign = dir.file("foreign.3ds");
  kvtest::write_file(foreign, std::string("\x3d\x3d\x06\x00\x00\x00", 6));
  scene = Import(foreign);
  ASSERT_EQ(scene, nullptr);
  EXPECT_EQ(kvtest::Plugins().LastError(ImportClass()), foreign + " is not a 3D Studio file");
  // A root of the format without anything in it is a file without geometry.
  std::string bare = dir.file("bare.3ds");
  kvtest::write_file(bare, std::string("\x4d\x4d\x06\x00\x00\x00", 6));
  scene = Import(bare);
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(scene->objects->count, 0);
  EXPECT_GE(scene->cameras->count, 1);
  EXPECT_EQ(kvtest::Plugins().LastWarnings(ImportClass()), (std::vector<std::string>{bare + " holds no geometry"}));
}

TEST_F(Import3ds, MapFilesGoToTheMapListWithTheFileFolderAsSearchPath) {
  KV_REQUIRE_CORPUS();
  scene = Import((kvtest::corpus_dir() / "3ds" / "test1.3ds").string());
  ASSERT_NE(scene, nullptr);
  bool found = false;
  for (int i = 0; i < scene->maps->Get_Count_Maps(); ++i)
    if (std::strcmp(scene->maps->GetMap(i)->name, "IMAGE1.JPG") == 0) found = true;
  EXPECT_TRUE(found);
  EXPECT_NE(std::string(scene->maps->search_path).find("3ds"), std::string::npos);
}

// A file of several large meshes is built on two threads: the meshes reach
// the scene whole and in file order, and their log lines the log in order.
TEST_F(Import3ds, LargeFilesKeepTheOrderOfTheirMeshesAndLogLines) {
  MScene source("big");
  const int kMeshes = 7, kSide = 90;  // 16 200 triangles a mesh
  for (int k = 0; k < kMeshes; ++k) {
    MMesh_P* m = new MMesh_P(("part" + std::to_string(k)).c_str());
    for (int y = 0; y <= kSide; ++y)
      for (int x = 0; x <= kSide; ++x) m->Add_Vertex(MVector3(x, y, k * 10 + (x * y) % 3), -1.0);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        const int a = y * (kSide + 1) + x, b = a + 1, c = a + kSide + 2, d = a + kSide + 1;
        const int halves[2][3] = {{a, b, c}, {a, c, d}};
        for (const int* t : halves) {
          MIPolygon f;
          for (int i = 0; i < 3; ++i) f.Add(t[i]);
          f.Set_MatId(0);
          m->Add_Face(f);
        }
      }
    m->surface_refs->Append(my_strdup("grey"));
    source.objects->Append(m);
  }
  const std::string path = dir.file("big.3ds");
  ASSERT_EQ(kvtest::ExportWith(kvtest::ExportClass(kvtest::k3dsExportClass), &source, path), 1);
  ASSERT_GT(std::filesystem::file_size(path), 1u << 20);

  kvtest::UseCommandLine({"-iv=1"});
  scene = kvtest::ImportWith(ImportClass(), path);
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(scene->objects->count, kMeshes);
  for (int k = 0; k < kMeshes; ++k) {
    MMesh_P* m = static_cast<MMesh_P*>(scene->objects->GetAt(k));
    EXPECT_STREQ(m->get_name(), ("part" + std::to_string(k)).c_str());
    EXPECT_EQ(m->Get_Vertex_Count(), (kSide + 1) * (kSide + 1));
    ASSERT_EQ(m->Get_Face_Count(), 2 * kSide * kSide);
  }
  const std::string log = kvtest::read_file(dir.file("import3ds.log"));
  size_t at = 0;
  for (int k = 0; k < kMeshes; ++k) {
    const std::string part = "part" + std::to_string(k);
    size_t here = log.find("Working on: " + part + "\n", at);
    ASSERT_NE(here, std::string::npos) << part;
    EXPECT_NE(log.find("Faces: " + std::to_string(2 * kSide * kSide) + "\n", here), std::string::npos);
    at = here + 1;
  }
}
