// STL import and export through the built plug-ins, judged by assimp and
// admesh, against files Blender wrote and the corpus.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "outside_tools.h"
#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_support.h"

namespace {

int ImportClass() { return kvtest::FindClass("STL (*.stl)", MESH_IMPORT_CLASS_ID); }
int ExportClass() { return kvtest::FindClass("STL (*.stl)", MESH_EXPORT_CLASS_ID); }

// A closed unit cube of six quads, shared corners.
MMesh_P* Cube(const char* name, double at = 0) {
  MMesh_P* m = new MMesh_P(name);
  const MVector3 p[8] = {{at, 0, 0}, {at + 1, 0, 0}, {at + 1, 1, 0}, {at, 1, 0},
                         {at, 0, 1}, {at + 1, 0, 1}, {at + 1, 1, 1}, {at, 1, 1}};
  const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  for (const MVector3& v : p) m->v_a->Add(v);
  for (const auto& q : quads) m->f_a->Add(q, 4, 0);
  return m;
}

class Stl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(ImportClass(), 0) << "import_stl.so not found in " << kvtest::bin_dir();
    ASSERT_GE(ExportClass(), 0) << "export_stl.so not found in " << kvtest::bin_dir();
    kvtest::UseCommandLine({"-ld_mode=1"});
    scene = new MScene(dir.file("model.obj").c_str());
  }
  void TearDown() override { delete scene; }
  // Exports the scene with these options and reads the file back.
  MScene* RoundTrip(const std::vector<std::string>& options, const std::string& name) {
    kvtest::UseCommandLine(options);
    if (kvtest::ExportWith(ExportClass(), scene, dir.file(name)) != 1) return nullptr;
    return kvtest::ImportWith(ImportClass(), dir.file(name));
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

TEST_F(Stl, BinaryRoundTripWeldsTheCubeAndKeepsFacetNormals) {
  scene->objects->Append(Cube("cube"));
  MScene* back = RoundTrip({}, "cube.stl");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(std::filesystem::file_size(dir.file("cube.stl")), 84u + 12u * 50u);
  const std::string bytes = kvtest::read_file(dir.file("cube.stl"));
  EXPECT_EQ(bytes.substr(0, 4), std::string("cube", 4));
  ASSERT_EQ(back->objects->count, 1);
  MMesh_P* m = kvtest::MeshAt(back, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->get_name(), "cube");
  EXPECT_EQ(m->Get_Face_Count(), 12);
  EXPECT_EQ(m->Get_Vertex_Count(), 8);
  EXPECT_EQ(m->Get_NVertex_Count(), 6);  // one per side
  // Facet normals point out of the cube.
  for (int i = 0; i < m->Get_Face_Count(); ++i) {
    MVector3 a, b, c, n, x, y;
    m->Get_Tri(i, a, b, c);
    m->Get_NTri(i, n, x, y);
    MVector3 centre = (a + b + c) / 3.0;
    EXPECT_GT(vect_dot(n, centre - MVector3(0.5, 0.5, 0.5)), 0) << "face " << i;
  }
  delete back;
}

TEST_F(Stl, QuadsAreSplitAsTheTriangulationWouldSplitThem) {
  // Split here without a triangulated copy, in both forms: the files the
  // copy gives.
  MMesh_P* cube = Cube("cube");
  scene->objects->Append(cube);
  for (const char* form : {"-stl_binary=1", "-stl_binary=0"}) {
    kvtest::UseCommandLine({form});
    ASSERT_EQ(kvtest::ExportWith(ExportClass(), scene, dir.file("split.stl")), 1);
    EXPECT_EQ(scene->tri_objects->count, 0);
    scene->tri_objects->Append(cube->Triangulate(nullptr));
    ASSERT_EQ(kvtest::ExportWith(ExportClass(), scene, dir.file("copy.stl")), 1);
    EXPECT_EQ(kvtest::read_file(dir.file("split.stl")), kvtest::read_file(dir.file("copy.stl"))) << form;
    scene->tri_objects->Clear();
  }
}

TEST_F(Stl, AsciiRoundTripKeepsEverySolidByName) {
  scene->objects->Append(Cube("left"));
  scene->objects->Append(Cube("right side", 2));
  MScene* back = RoundTrip({"-ld_mode=1", "-stl_binary=0"}, "two.stl");
  ASSERT_NE(back, nullptr);
  std::vector<std::string> lines = kvtest::read_lines(dir.file("two.stl"));
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ(lines[0], "solid left");
  EXPECT_EQ(lines[1], " facet normal 0 0 -1");
  EXPECT_EQ(lines.back(), "endsolid right side");
  ASSERT_EQ(back->objects->count, 2);
  EXPECT_STREQ(kvtest::MeshAt(back, 1)->get_name(), "right side");
  EXPECT_EQ(kvtest::MeshAt(back, 1)->Get_Vertex_Count(), 8);
  delete back;
}

TEST_F(Stl, WeldToleranceBelowZeroKeepsTheTriangleSoup) {
  scene->objects->Append(Cube("cube"));
  kvtest::UseCommandLine({});
  ASSERT_EQ(kvtest::ExportWith(ExportClass(), scene, dir.file("soup.stl")), 1);
  kvtest::UseCommandLine({"-stl_weld_tol=-1"});
  MScene* back = kvtest::ImportWith(ImportClass(), dir.file("soup.stl"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(kvtest::MeshAt(back, 0)->Get_Vertex_Count(), 36);
  delete back;
  // A tolerance welds corners that are near but not equal.
  kvtest::write_file(dir.file("near.stl"),
                     "solid near\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
                     "endloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex 1.0001 0 0\nvertex 1 1 0\n"
                     "vertex 0 1.0001 0\nendloop\nendfacet\nendsolid near\n");
  kvtest::UseCommandLine({"-stl_weld_tol=0.001"});
  back = kvtest::ImportWith(ImportClass(), dir.file("near.stl"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(kvtest::MeshAt(back, 0)->Get_Vertex_Count(), 4);
  delete back;
}

TEST_F(Stl, ReportsWhatTheFileCannotKeep) {
  MMesh_P* cube = Cube("cube");
  cube->UseUV();
  for (int i = 0; i < 6; ++i) cube->Add_UVPolygon(cube->Get_Face(i), 0, -1.0);
  cube->surface_refs->Append(my_strdup("wood"));
  scene->objects->Append(cube);
  scene->objects->Append(Cube("solid second", 2));
  scene->cameras->Append(new MCamera("cam"));
  kvtest::UseCommandLine({});
  ASSERT_EQ(kvtest::ExportWith(ExportClass(), scene, dir.file("l.stl")), 1);
  bool accounted = false;
  std::vector<std::string> rows = kvtest::loss_rows(ExportClass(), &accounted);
  ASSERT_TRUE(accounted);
  EXPECT_EQ(rows, (std::vector<std::string>{"cube: n-gons triangulated 6", "cube: materials dropped 1",
                                            "cube: UVs dropped 1", "solid second: names dropped 1",
                                            "solid second: n-gons triangulated 6", "(scene): cameras dropped 1"}));
}

TEST_F(Stl, BadInputFailsWithAReason) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* reason;
  };
  std::string header(80, ' ');
  std::string lying = header + std::string("\x10\0\0\0", 4) + std::string(50, '\0');  // 16 counted, 1 there
  std::string solid_binary = "solid" + std::string(75, ' ') + std::string("\x02\0\0\0", 4) + std::string(50, '\0');
  const Case cases[] = {
      {"empty", "", "too short"},
      {"short", "solid", "holds no triangles"},
      {"lying count", lying, "counts 16 triangles"},
      {"solid header, wrong count", solid_binary, "counts 2 triangles"},
      {"text", "hello world, this is not a model file at all. hello world, this is not a model file.", "not an STL"},
      {"no facets", "solid x\nendsolid x\n", "holds no triangles"},
  };
  for (const Case& c : cases) {
    kvtest::write_file(dir.file("bad.stl"), c.bytes);
    MScene* s = kvtest::ImportWith(ImportClass(), dir.file("bad.stl"));
    EXPECT_EQ(s, nullptr) << c.what;
    delete s;
    EXPECT_NE(kvtest::Plugins().LastError(ImportClass()).find(c.reason), std::string::npos)
        << c.what << ": " << kvtest::Plugins().LastError(ImportClass());
  }
  // A damaged text file keeps what came before the damage.
  kvtest::write_file(dir.file("cut.stl"),
                     "solid c\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
                     "endfacet\nfacet normal 0 0 1\nouter loop\nvertex 1 0\n");
  MScene* s = kvtest::ImportWith(ImportClass(), dir.file("cut.stl"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(kvtest::MeshAt(s, 0)->Get_Face_Count(), 1);
  ASSERT_FALSE(kvtest::Plugins().LastWarnings(ImportClass()).empty());
  EXPECT_NE(kvtest::Plugins().LastWarnings(ImportClass())[0].find("line 11"), std::string::npos);
  delete s;
  // A facet of 70 corners keeps 64 and says so.
  std::string big = "solid big\nfacet normal 0 0 1\nouter loop\n";
  for (int i = 0; i < 70; ++i) big += "vertex " + std::to_string(i) + " " + std::to_string(i * i) + " 0\n";
  kvtest::write_file(dir.file("big.stl"), big + "endloop\nendfacet\nendsolid big\n");
  s = kvtest::ImportWith(ImportClass(), dir.file("big.stl"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(kvtest::MeshAt(s, 0)->Get_VertexperFace_Count(0), 64);
  ASSERT_FALSE(kvtest::Plugins().LastWarnings(ImportClass()).empty());
  EXPECT_NE(kvtest::Plugins().LastWarnings(ImportClass())[0].find("1 facets of more than 64"), std::string::npos);
  delete s;
}

TEST_F(Stl, FuzzRegressionsFailCleanly) {
  const std::filesystem::path dir_in = std::filesystem::path(KORVANE_STL_SOURCE_DIR) / "fuzz" / "regressions";
  if (!std::filesystem::is_directory(dir_in)) GTEST_SKIP() << "no regressions";
  for (const auto& e : std::filesystem::directory_iterator(dir_in)) {
    delete kvtest::ImportWith(ImportClass(), e.path().string());
  }
}

// assimp reads what we write with the same triangles and bounds; admesh
// finds the closed cube without faults.
TEST_F(Stl, OutsideReadersAgree) {
  if (!kvtest::have_program("assimp")) GTEST_SKIP() << "assimp not installed";
  scene->objects->Append(Cube("cube"));
  for (const char* binary : {"1", "0"}) {
    kvtest::UseCommandLine({std::string("-stl_binary=") + binary});
    const std::string path = dir.file(std::string("judge") + binary + ".stl");
    ASSERT_EQ(kvtest::ExportWith(ExportClass(), scene, path), 1);
    kvtest::AssimpInfo a = kvtest::assimp_info(path);
    ASSERT_TRUE(a.ok) << a.text;
    EXPECT_EQ(a.faces, 12) << a.text;
    EXPECT_DOUBLE_EQ(a.hi[0] - a.lo[0], 1.0);
    kvtest::AdmeshReport r = kvtest::admesh_check(path);
    if (!r.ran) continue;
    EXPECT_EQ(r.facets, 12) << r.text;
    EXPECT_EQ(r.degenerate + r.edges_fixed + r.facets_removed + r.facets_added + r.facets_reversed +
                  r.backwards_edges + r.normals_fixed,
              0)
        << r.text;
  }
}

// Files another program wrote: Blender's binary and ASCII STL of its
// monkey (500 faces, quads and triangles) and of an icosphere.
TEST_F(Stl, ReadsWhatBlenderWrites) {
  if (!kvtest::have_program("blender") || !kvtest::have_program("assimp")) GTEST_SKIP() << "blender or assimp missing";
  kvtest::run_blender(std::string(kvtest::kBlenderMonkeyAndSphere) +
                         "bpy.ops.export_mesh.stl(filepath=out + '/bin.stl', ascii=False)\n"
                         "bpy.ops.export_mesh.stl(filepath=out + '/text.stl', ascii=True)\n",
                     dir.str());
  for (const char* name : {"bin.stl", "text.stl"}) {
    const std::string path = dir.file(name);
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "blender wrote no " << name;
    kvtest::AssimpInfo a = kvtest::assimp_info(path);
    ASSERT_TRUE(a.ok) << a.text;
    kvtest::UseCommandLine({});
    MScene* s = kvtest::ImportWith(ImportClass(), path);
    ASSERT_NE(s, nullptr) << name;
    EXPECT_EQ(kvtest::TriangleCount(s), a.faces) << name;
    EXPECT_EQ(kvtest::TriangleCount(s), 968 + 320) << name;
    s->CalculateBoundingBox();
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR((&s->bound_left.x)[k], a.lo[k], 1e-4) << name;
      EXPECT_NEAR((&s->bound_right.x)[k], a.hi[k], 1e-4) << name;
    }
    // Written again, admesh finds no more faults than in Blender's file.
    ASSERT_EQ(kvtest::ExportWith(ExportClass(), s, dir.file("again.stl")), 1);
    kvtest::AdmeshReport theirs = kvtest::admesh_check(path), ours = kvtest::admesh_check(dir.file("again.stl"));
    if (ours.ran) {
      EXPECT_EQ(ours.facets, theirs.facets);
      EXPECT_LE(ours.edges_fixed + ours.facets_reversed + ours.backwards_edges,
                theirs.edges_fixed + theirs.facets_reversed + theirs.backwards_edges);
    }
    delete s;
  }
}

// Corpus models of other formats written as STL: assimp counts the same
// triangles the scene has.
TEST_F(Stl, CorpusModelsBecomeTheSameTriangles) {
  KV_REQUIRE_CORPUS();
  if (!kvtest::have_program("assimp")) GTEST_SKIP() << "assimp not installed";
  const int from_3ds = kvtest::FindClass("3D Studio (*.3ds, *.prj, *.mtl)", MESH_IMPORT_CLASS_ID);
  ASSERT_GE(from_3ds, 0);
  for (const char* model : {"3ds/jeep1.3ds", "3ds/mar_rifle.3ds", "3ds/test1.3ds"}) {
    kvtest::UseCommandLine({});
    MScene* s = kvtest::ImportWith(from_3ds, kvtest::corpus_file(model));
    ASSERT_NE(s, nullptr) << model;
    const long triangles = kvtest::TriangleCount(s);
    ASSERT_EQ(kvtest::ExportWith(ExportClass(), s, dir.file("corpus.stl")), 1) << model;
    kvtest::AssimpInfo a = kvtest::assimp_info(dir.file("corpus.stl"));
    EXPECT_EQ(a.faces, triangles) << model << "\n" << a.text;
    MScene* back = kvtest::ImportWith(ImportClass(), dir.file("corpus.stl"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(kvtest::TriangleCount(back), triangles) << model;
    delete back;
    delete s;
  }
}

}  // namespace
