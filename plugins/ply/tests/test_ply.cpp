// PLY import and export through the built plug-ins, judged by assimp,
// against files Blender wrote and the corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "outside_tools.h"
#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_support.h"

namespace {

int ImportClass() { return kvtest::FindClass("PLY (*.ply)", MESH_IMPORT_CLASS_ID); }
int ExportClass() { return kvtest::FindClass("PLY (*.ply)", MESH_EXPORT_CLASS_ID); }

// A unit cube of six quads with one normal per side and UVs per corner.
MMesh_P* Cube(const char* name) {
  MMesh_P* m = new MMesh_P(name);
  const MVector3 p[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  const MVector3 n[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
  m->UseNormals();
  m->UseUV();
  for (const MVector3& v : p) m->v_a->Add(v);
  for (const MVector3& v : n) m->nv_a->Add(v);
  for (int k = 0; k < 4; ++k) m->uv_a->Add(MVector3(k & 1, k >> 1, 0));
  for (int i = 0; i < 6; ++i) {
    const int same[4] = {i, i, i, i}, uv[4] = {0, 1, 3, 2};
    m->f_a->Add(quads[i], 4, 0);
    m->nf_a->Add(same, 4, 0);
    m->uvf_a->Add(uv, 4, 0);
  }
  return m;
}

class Ply : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(ImportClass(), 0) << "import_ply.so not found in " << kvtest::bin_dir();
    ASSERT_GE(ExportClass(), 0) << "export_ply.so not found in " << kvtest::bin_dir();
    kvtest::UseCommandLine({});
    scene = new MScene(dir.file("model.obj").c_str());
  }
  void TearDown() override { delete scene; }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

// Each format: the quads stay quads, a corner per side (24 vertices with
// their normal and UV), and assimp reads the same.
TEST_F(Ply, EveryFormatRoundTripsTheCube) {
  scene->objects->Append(Cube("cube"));
  for (const char* format : {"0", "1", "2"}) {
    kvtest::UseCommandLine({std::string("-ply_format=") + format});
    const std::string path = dir.file(std::string("cube") + format + ".ply");
    ASSERT_EQ(kvtest::ExportWith(ExportClass(), scene, path), 1) << format;
    MScene* back = kvtest::ImportWith(ImportClass(), path);
    ASSERT_NE(back, nullptr) << format << ": " << kvtest::Plugins().LastError(ImportClass());
    MMesh_P* m = kvtest::MeshAt(back, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Get_Face_Count(), 6) << format;
    EXPECT_EQ(m->Get_VertexperFace_Count(0), 4) << format;
    EXPECT_EQ(m->Get_Vertex_Count(), 24) << format;
    ASSERT_TRUE(m->NormalsUsed() && m->UVUsed()) << format;
    for (int i = 0; i < 6; ++i) {
      MVector3 a, b, c, n, x, y;
      m->Get_Tri(i, a, b, c);
      m->Get_NTri(i, n, x, y);
      EXPECT_GT(vect_dot(n, (a + b + c) / 3.0 - MVector3(0.5, 0.5, 0.5)), 0) << format << " face " << i;
    }
    EXPECT_EQ((*m->uv_a)[(*m->uvf_a)[0][2]].x, 1.0) << format;
    delete back;
    if (!kvtest::have_program("assimp")) continue;
    kvtest::AssimpInfo a = kvtest::assimp_info(path);
    ASSERT_TRUE(a.ok) << a.text;
    EXPECT_EQ(a.faces, 12) << a.text;  // assimp info triangulates
    EXPECT_DOUBLE_EQ(a.hi[2] - a.lo[2], 1.0);
  }
  EXPECT_EQ(kvtest::read_file(dir.file("cube0.ply")).substr(0, 37), "ply\nformat ascii 1.0\ncomment written ");
}

TEST_F(Ply, ReportsWhatTheFileCannotKeep) {
  scene->objects->Append(Cube("cube"));
  MMesh_P* bare = new MMesh_P("bare");
  bare->Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
  bare->surface_refs->Append(my_strdup("wood"));
  scene->objects->Append(bare);
  scene->lights->Append(new MLight("sun"));
  ASSERT_EQ(kvtest::ExportWith(ExportClass(), scene, dir.file("l.ply")), 1);
  bool accounted = false;
  std::vector<std::string> rows = kvtest::loss_rows(ExportClass(), &accounted);
  ASSERT_TRUE(accounted);
  EXPECT_EQ(rows, (std::vector<std::string>{"cube: names dropped 1", "cube: normals dropped 1", "cube: UVs dropped 1",
                                            "bare: materials dropped 1", "bare: names dropped 1",
                                            "(scene): lights dropped 1"}));
}

TEST_F(Ply, LyingHeadersFailWithAReason) {
  const std::string head = "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                           "property float z\n";
  const std::string three(36, '\0');
  struct Case {
    const char* what;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"no ply", "plx\n", "not a PLY file"},
      {"no end", "ply\nformat ascii 1.0\nelement vertex 1\n", "no end_header"},
      {"bad type", "ply\nformat ascii 1.0\nelement vertex 1\nproperty quad x\nend_header\n", "is no property"},
      {"bad format", "ply\nformat binary_middle_endian 1.0\nend_header\n", "is unknown"},
      {"huge count", head + "element face 4000000000\nproperty list uchar int vertex_indices\nend_header\n" + three,
       "counts 4000000000 face records"},
      {"index out of range",
       head + "element face 1\nproperty list uchar int vertex_indices\nend_header\n" + three +
           std::string("\x03\0\0\0\0\x01\0\0\0\x07\0\0\0", 13),
       "refers to vertex 7 of 3"},
      {"list past the end",
       head + "element face 1\nproperty list uint int vertex_indices\nend_header\n" + three +
           std::string("\xff\xff\xff\x7f\0\0\0\0", 8),
       "ends early"},
      {"ascii too few values", "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\nend_header\n1 2\n3\n",
       "ends early (at line 8)"},
  };
  for (const Case& c : cases) {
    kvtest::write_file(dir.file("bad.ply"), c.bytes);
    MScene* s = kvtest::ImportWith(ImportClass(), dir.file("bad.ply"));
    EXPECT_EQ(s, nullptr) << c.what;
    delete s;
    EXPECT_NE(kvtest::Plugins().LastError(ImportClass()).find(c.reason), std::string::npos)
        << c.what << ": " << kvtest::Plugins().LastError(ImportClass());
  }
}

// Other elements and properties are read past; CR LF header lines; the
// sized type names.
TEST_F(Ply, ReadsPastWhatItDoesNotKeep) {
  kvtest::write_file(dir.file("x.ply"),
                     "ply\r\nformat ascii 1.0\r\ncomment hello\r\nelement vertex 3\r\nproperty float32 x\r\n"
                     "property float32 y\r\nproperty float32 z\r\nproperty uint8 red\r\nproperty list uchar int extra\r\n"
                     "element face 1\r\nproperty uchar flags\r\nproperty list uint8 int32 vertex_index\r\n"
                     "element edge 1\r\nproperty int a\r\nproperty int b\r\nend_header\r\n"
                     "0 0 0 255 2 7 7\r\n1 0 0 0 0\r\n0 1 0 9 1 4\r\n5 3 2 1 0\r\n0 1\r\n");
  MScene* s = kvtest::ImportWith(ImportClass(), dir.file("x.ply"));
  ASSERT_NE(s, nullptr) << kvtest::Plugins().LastError(ImportClass());
  MMesh_P* m = kvtest::MeshAt(s, 0);
  EXPECT_EQ(m->Get_Vertex_Count(), 3);
  ASSERT_EQ(m->Get_Face_Count(), 1);
  EXPECT_EQ((*m->f_a)[0][0], 2);
  EXPECT_EQ((*m->v_a)[1].x, 1.0);
  EXPECT_FALSE(kvtest::Plugins().LastWarnings(ImportClass()).empty());  // the colours
  delete s;
}

TEST_F(Ply, FuzzRegressionsFailCleanly) {
  const std::filesystem::path dir_in = std::filesystem::path(KORVANE_PLY_SOURCE_DIR) / "fuzz" / "regressions";
  if (!std::filesystem::is_directory(dir_in)) GTEST_SKIP() << "no regressions";
  for (const auto& e : std::filesystem::directory_iterator(dir_in)) {
    MScene* s = kvtest::ImportWith(ImportClass(), e.path().string());
    // huge_index.ply: a face names vertex 2.9e68.
    if (e.path().filename() == "huge_index.ply") {
      EXPECT_EQ(s, nullptr);
      EXPECT_NE(kvtest::Plugins().LastError(ImportClass()).find("refers to vertex 2.88888888888889e+68 of 4"),
                std::string::npos)
          << kvtest::Plugins().LastError(ImportClass());
    }
    delete s;
  }
}

// Blender's PLY (binary and ASCII) of its monkey and an icosphere.
TEST_F(Ply, ReadsWhatBlenderWrites) {
  if (!kvtest::have_program("blender") || !kvtest::have_program("assimp")) GTEST_SKIP() << "blender or assimp missing";
  kvtest::run_blender(std::string(kvtest::kBlenderMonkeyAndSphere) +
                         "bpy.ops.object.join()\n"
                         "bpy.ops.export_mesh.ply(filepath=out + '/bin.ply', use_ascii=False)\n"
                         "bpy.ops.export_mesh.ply(filepath=out + '/text.ply', use_ascii=True)\n",
                     dir.str());
  for (const char* name : {"bin.ply", "text.ply"}) {
    const std::string path = dir.file(name);
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "blender wrote no " << name;
    kvtest::AssimpInfo a = kvtest::assimp_info(path);
    ASSERT_TRUE(a.ok) << a.text;
    MScene* s = kvtest::ImportWith(ImportClass(), path);
    ASSERT_NE(s, nullptr) << name << ": " << kvtest::Plugins().LastError(ImportClass());
    EXPECT_EQ(kvtest::TriangleCount(s), 968 + 320) << name;
    EXPECT_EQ(kvtest::MeshAt(s, 0)->Get_Face_Count(), 500 + 320) << name;  // the monkey's quads stay
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR((&s->bound_left.x)[k], a.lo[k], 1e-4) << name;
      EXPECT_NEAR((&s->bound_right.x)[k], a.hi[k], 1e-4) << name;
    }
    delete s;
  }
}

// Corpus models written as PLY: assimp counts the triangles the scene has.
TEST_F(Ply, CorpusModelsBecomeTheSameTriangles) {
  KV_REQUIRE_CORPUS();
  if (!kvtest::have_program("assimp")) GTEST_SKIP() << "assimp not installed";
  const int from_3ds = kvtest::FindClass("3D Studio (*.3ds, *.prj, *.mtl)", MESH_IMPORT_CLASS_ID);
  ASSERT_GE(from_3ds, 0);
  for (const char* model : {"3ds/jeep1.3ds", "3ds/mar_rifle.3ds", "3ds/test1.3ds"}) {
    MScene* s = kvtest::ImportWith(from_3ds, kvtest::corpus_file(model));
    ASSERT_NE(s, nullptr) << model;
    const long triangles = kvtest::TriangleCount(s);
    ASSERT_EQ(kvtest::ExportWith(ExportClass(), s, dir.file("corpus.ply")), 1) << model;
    kvtest::AssimpInfo a = kvtest::assimp_info(dir.file("corpus.ply"));
    EXPECT_EQ(a.faces, triangles) << model << "\n" << a.text;
    MScene* back = kvtest::ImportWith(ImportClass(), dir.file("corpus.ply"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(kvtest::TriangleCount(back), triangles) << model;
    delete back;
    delete s;
  }
}

}  // namespace
