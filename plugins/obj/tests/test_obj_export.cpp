// OBJ export through the built plug-in, and round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "obj_test_util.h"

namespace {

class ObjExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(objtest::ObjExport(), 0) << "export_obj.so not found in " << kvtest::bin_dir();
    objtest::UseCommandLine({"-ov=1", "-ld_mode=1"});
    scene = new MScene("test");
  }
  void TearDown() override { delete scene; }
  MMesh_P* AddMesh(const char* name, int positions, bool normals, bool uv) {
    MMesh_P* m = new MMesh_P(name);
    for (int i = 0; i < positions; ++i) m->Add_Vertex(MVector3(i, i * 2, i * 3), -1.0);
    MIPolygon f;
    for (int i = 0; i < positions; ++i) f.Add(i);
    f.Set_MatId(0);
    m->Add_Face(f);
    if (normals) {
      m->UseNormals();
      for (int i = 0; i < positions; ++i) m->Add_NVertex(MVector3(0, 0, 2), -1.0);
      m->Add_NFace(f);
    }
    if (uv) {
      m->UseUV();
      for (int i = 0; i < positions; ++i) m->Add_UVVertex(MVector3(0.5, i, 0), -1.0);
      m->Add_UVFace(f);
    }
    m->surface_refs->Append(my_strdup("mat 1"));
    scene->objects->Append(m);
    return m;
  }
  std::vector<std::string> Write(const std::string& name = "out.obj") {
    EXPECT_EQ(objtest::Export(objtest::ObjExport(), scene, dir.file(name)), 1);
    return objtest::Lines(dir.file(name));
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(ObjExport, FileLayoutAndIndexBasesAcrossObjects) {
  AddMesh("first", 3, false, false);
  AddMesh("second one", 4, true, true);
  scene->surfaces->Append(new MSurface("mat 1"));
  scene->CalculateBoundingBox();
  std::vector<std::string> l = Write();
  ASSERT_GT(l.size(), 10u);
  EXPECT_EQ(l[0].rfind("#\t", 0), 0u);
  EXPECT_EQ(l[1].rfind("#\tCreated by WaveFront Export Plugin 1.0 at ", 0), 0u);
  EXPECT_EQ(l[2], "#\tAlias Wavefront");
  EXPECT_EQ(l[3], "# WorldBoundMin = <0.000000, 0.000000, 0.000000>;");
  EXPECT_EQ(l[4], "# WorldBoundMax = <3.000000, 6.000000, 9.000000>;");
  EXPECT_EQ(l[5], "# ");
  EXPECT_EQ(l[6], "mtllib out.mtl");
  EXPECT_EQ(l[8], "# Object first");
  EXPECT_EQ(l[9], "# Vertices 3");
  EXPECT_EQ(l[10], "v 0.000000 0.000000 0.000000");
  EXPECT_TRUE(Has(l, "o first"));
  EXPECT_TRUE(Has(l, "s off"));
  EXPECT_TRUE(Has(l, "usemtl mat_1"));
  EXPECT_TRUE(Has(l, "f 1 2 3 "));
  // The first mesh writes no normal or UV block.
  auto second = std::find(l.begin(), l.end(), "# Object second one");
  ASSERT_NE(second, l.end());
  EXPECT_EQ(std::find(l.begin(), second, "# Normals 3"), second);
  EXPECT_TRUE(Has(l, "# Normals 4"));
  EXPECT_TRUE(Has(l, "vn 0.000000 0.000000 1.000000"));  // normalised
  EXPECT_TRUE(Has(l, "# UV 4"));
  EXPECT_TRUE(Has(l, "vt 0.500000 3.000000 0.000000"));
  EXPECT_TRUE(Has(l, "o second_one"));
  EXPECT_TRUE(Has(l, "f 4/1/1 5/2/2 6/3/3 7/4/4 "));
  std::vector<std::string> mtl = objtest::Lines(dir.file("out.mtl"));
  EXPECT_TRUE(Has(mtl, "newmtl mat_1"));
  std::string log = kvtest::read_file(dir.file("exportobj.log"));
  EXPECT_EQ(log.rfind("WaveFront Export Plugin 1.0 Oct 22 2000 09:26:05 VC++50\nWriting ", 0), 0u);
  EXPECT_NE(log.find("out.obj finished       \n"), std::string::npos);
  EXPECT_TRUE(Has(mtl, "\td 1"));
  EXPECT_TRUE(Has(mtl, "\tillum 2"));
}

TEST_F(ObjExport, CornerTemplatesAndMaterialGroups) {
  MMesh_P* n = AddMesh("n", 3, true, false);
  AddMesh("t", 3, false, true);
  // A face of an unknown material is left out; faces group by material.
  MIPolygon f;
  f.Add(2), f.Add(1), f.Add(0);
  f.Set_MatId(1);
  n->Add_Face(f);
  n->Add_NFace(f);
  f.Set_MatId(0);
  n->Add_Face(f);
  n->Add_NFace(f);
  // A face with a corner past the positions is not written.
  MIPolygon bad;
  bad.Add(0), bad.Add(1), bad.Add(7);
  bad.Set_MatId(0);
  n->Add_Face(bad);
  n->Add_NFace(f);
  std::vector<std::string> l = Write();
  EXPECT_FALSE(Has(l, "f 1//1 2//2 8//3 "));
  EXPECT_EQ(std::count_if(l.begin(), l.end(), [](const std::string& s) { return s.rfind("f ", 0) == 0; }), 3);
  EXPECT_TRUE(Has(l, "f 1//1 2//2 3//3 "));
  EXPECT_TRUE(Has(l, "f 3//3 2//2 1//1 "));
  EXPECT_TRUE(Has(l, "# Face indices 4"));
  EXPECT_EQ(std::count(l.begin(), l.end(), "f 3//3 2//2 1//1 "), 1);
  EXPECT_TRUE(Has(l, "f 4/1 5/2 6/3 "));
}

TEST_F(ObjExport, HiddenMeshSkippedLocalMatrixApplied) {
  MMesh_P* h = AddMesh("hidden", 3, false, false);
  h->hidden = 1;
  MMesh_P* m = AddMesh("moved", 3, false, false);
  m->transformation.local.Translate(MVector3(10, 0, 0));
  std::vector<std::string> l = Write();
  EXPECT_FALSE(Has(l, "o hidden"));
  EXPECT_TRUE(Has(l, "v 11.000000 2.000000 3.000000"));
  EXPECT_TRUE(Has(l, "f 1 2 3 "));
}

TEST_F(ObjExport, HiddenSolidsAndReferencesAreSkippedAndPolygonsKept) {
  AddMesh("quad", 4, false, false);
  MSphere* ball = new MSphere("ball");
  ball->hidden = 1;
  scene->objects->Append(ball);
  MRefObj* ref = new MRefObj(0, "quad");
  ref->set_name("instance");
  ref->hidden = 1;
  scene->objects->Append(ref);
  MSphere* shown = new MSphere("shown");
  scene->objects->Append(shown);
  std::vector<std::string> l = Write();
  EXPECT_TRUE(Has(l, "o quad"));
  EXPECT_TRUE(Has(l, "f 1 2 3 4 "));  // the polygon as it is
  EXPECT_FALSE(Has(l, "# Object ball"));
  EXPECT_TRUE(Has(l, "# Object shown"));
  EXPECT_EQ(std::count(l.begin(), l.end(), "o quad"), 1);
}

TEST_F(ObjExport, SurfacesMapsAndPhongSize) {
  AddMesh("m", 3, false, false);
  MSurface* plain = new MSurface("plain");
  plain->color.diffuse.Init_RGB(1, 0.5, 0.25);
  plain->color.diffuse_intensity = 0.5;
  plain->spec.phong_size = 0.7;
  plain->opref.surface_opacity = 0.83;
  scene->surfaces->Append(plain);
  MSurface* mapped = new MSurface("mapped");
  mapped->spec.phong_size = 2.5;
  mapped->color.diffuse.Init_RGB(0, 0, 0);
  MSrf_TextureLayer* layer = new MSrf_TextureLayer;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, "wood.bmp");
  layer->diffuse_color.enabled = 1;
  mapped->layers.Add(layer);
  MSrf_TextureLayer* bump = new MSrf_TextureLayer;
  bump->texture.kind = _2DBITMAP;
  msrf_copy_name(bump->texture.bitmap.file_name, "bump.tga");
  bump->bump_intensity.enabled = 1;
  mapped->layers.Add(bump);
  scene->surfaces->Append(mapped);
  MSurface* beyond = new MSurface("beyond");
  beyond->spec.phong_size = 9;
  beyond->opref.surface_opacity = -0.5;
  scene->surfaces->Append(beyond);
  objtest::UseCommandLine({"-ld_mode=1", "-enable_extension_conversion=1", "-file_extension=png"});
  Write();
  std::vector<std::string> mtl = objtest::Lines(dir.file("out.mtl"));
  auto at = std::find(mtl.begin(), mtl.end(), "newmtl plain");
  ASSERT_NE(at, mtl.end());
  ASSERT_LT(at + 6, mtl.end());
  EXPECT_EQ(at[1], "\tNs 140");  // rounded after scaling, not truncated before
  EXPECT_EQ(at[2], "\td 0.83");
  EXPECT_EQ(at[4], "\tKd 0.500 0.250 0.125");
  EXPECT_EQ(at[5], "\tKs 1.000 1.000 1.000");
  at = std::find(mtl.begin(), mtl.end(), "newmtl mapped");
  ASSERT_NE(at, mtl.end());
  ASSERT_LT(at + 9, mtl.end());
  EXPECT_EQ(at[1], "\tNs 500");
  EXPECT_EQ(at[2], "\td 1");
  // The map is multiplied by Kd in every reader: white shows it unchanged.
  EXPECT_EQ(at[4], "\tKd 1.000 1.000 1.000");
  EXPECT_EQ(at[5], "\tKs 0.000 0.000 0.000");
  EXPECT_EQ(at[6], "\tKa 0.000 0.000 0.000");
  EXPECT_EQ(at[7], "\tmap_Kd wood.png");
  EXPECT_EQ(at[8], "\tmap_Bump bump.png");
  EXPECT_EQ(at[9], "");
  at = std::find(mtl.begin(), mtl.end(), "newmtl beyond");
  ASSERT_NE(at, mtl.end());
  ASSERT_LT(at + 2, mtl.end());
  EXPECT_EQ(at[1], "\tNs 1000");  // the format's range
  EXPECT_EQ(at[2], "\td 0");
}

TEST_F(ObjExport, UnopenableFilesFail) {
  AddMesh("m", 3, false, false);
  EXPECT_EQ(objtest::Export(objtest::ObjExport(), scene, "/nonexistent/korvane/out.obj"), 0);
  // The library's name is taken by a folder.
  std::filesystem::create_directories(dir.path() / "lib.mtl");
  EXPECT_EQ(objtest::Export(objtest::ObjExport(), scene, dir.file("lib.obj")), 0);
  EXPECT_NE(kvtest::read_file(dir.file("exportobj.log")).find("Cannot open file " + dir.file("lib.mtl") + " \n"),
            std::string::npos);
}

TEST_F(ObjExport, ModelAndLibraryAreWrittenTogetherOrNotAtAll) {
  AddMesh("m", 3, false, false);
  kvtest::write_file(dir.file("lib.obj"), "old model\n");
  // The library cannot be made: the model stays as it was and no
  // temporary file is left.
  std::filesystem::create_directories(dir.path() / "lib.mtl");
  EXPECT_EQ(objtest::Export(objtest::ObjExport(), scene, dir.file("lib.obj")), 0);
  EXPECT_EQ(kvtest::read_file(dir.file("lib.obj")), "old model\n");
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_NE(e.path().filename().string().rfind(".korvane-", 0), 0u) << e.path();
  // A full disk on the library: neither file replaces its target.
  if (std::filesystem::exists("/dev/full")) {
    std::filesystem::remove(dir.path() / "lib.mtl");
    kvtest::write_file(dir.file("full.obj"), "old model\n");
    std::filesystem::create_symlink("/dev/full", dir.path() / "full.mtl");
    scene->surfaces->Append(new MSurface(std::string(100000, 'x').c_str()));
    EXPECT_EQ(objtest::Export(objtest::ObjExport(), scene, dir.file("full.obj")), 0);
    EXPECT_EQ(kvtest::read_file(dir.file("full.obj")), "old model\n");
  }
}

TEST_F(ObjExport, LongOutputPathsAreWrittenWhereAsked) {
  AddMesh("m", 3, false, false);
  std::filesystem::path deep = dir.path();
  while (deep.string().size() < 3900) deep /= std::string(200, 'd');
  std::filesystem::create_directories(deep);
  const std::string out = (deep / "model.obj").string();
  ASSERT_EQ(objtest::Export(objtest::ObjExport(), scene, out), 1);
  EXPECT_TRUE(Has(objtest::Lines(out), "o m"));
  EXPECT_TRUE(std::filesystem::exists(deep / "model.mtl"));
  EXPECT_TRUE(Has(objtest::Lines(out), "mtllib model.mtl"));
}

TEST_F(ObjExport, ObjToObjIsStableAfterTheFirstPass) {
  KV_REQUIRE_CORPUS();
  std::string in = (kvtest::corpus_dir() / "obj" / "spider.obj").string();
  std::vector<std::string> files;
  long tris = -1;
  for (int pass = 0; pass < 3; ++pass) {
    MScene* s = objtest::Import(objtest::ObjImport(), in);
    ASSERT_NE(s, nullptr);
    long t = objtest::Triangles(s);
    if (tris >= 0) {
      EXPECT_EQ(t, tris);
    }
    tris = t;
    std::filesystem::create_directories(dir.path() / std::to_string(pass));
    std::string out = dir.file(std::to_string(pass) + "/model.obj");
    EXPECT_EQ(objtest::Export(objtest::ObjExport(), s, out), 1);
    delete s;
    files.push_back(objtest::WithoutTime(out));
    in = out;
  }
  EXPECT_EQ(tris, 1368);
  EXPECT_TRUE(files[1] == files[2]);  // not printed: a quarter megabyte
}

TEST_F(ObjExport, RawToObjToRawKeepsTheTriangles) {
  ASSERT_GE(objtest::RawImport(), 0);
  std::string raw = "box\n0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 1.000000 0.000000\n"
                    "1.000000 0.000000 0.000000 1.000000 1.000000 0.000000 0.000000 1.000000 0.000000\n"
                    "-2.500000 3.250000 1000.125000 1.000000 1.000000 0.000000 0.000000 1.000000 0.000000\n";
  kvtest::write_file(dir.file("in.raw"), raw);
  MScene* s = objtest::Import(objtest::RawImport(), dir.file("in.raw"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(objtest::Export(objtest::ObjExport(), s, dir.file("mid.obj")), 1);
  delete s;
  objtest::UseCommandLine({"-ld_mode=1", "-obj_mode=1"});
  s = objtest::Import(objtest::ObjImport(), dir.file("mid.obj"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(objtest::Export(objtest::RawExport(), s, dir.file("back.raw")), 1);
  delete s;
  EXPECT_EQ(kvtest::read_file(dir.file("back.raw")), raw);
}

// A mesh large enough that its normals and texture points are formatted on
// a second thread: they come out whole and in their place.
TEST_F(ObjExport, LargeMeshesKeepTheirLayersInPlace) {
  const int n = 60000;
  AddMesh("big", n, true, true);
  std::vector<std::string> lines = Write();
  size_t last_v = 0, normals_at = 0, uv_at = 0, first_vt = 0;
  int vn = 0, vt = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.rfind("v ", 0) == 0) last_v = i;
    if (l == "# Normals " + std::to_string(n)) normals_at = i;
    if (l == "# UV " + std::to_string(n)) uv_at = i;
    if (l.rfind("vn ", 0) == 0) {
      ASSERT_EQ(l, "vn 0.000000 0.000000 1.000000") << i;
      ++vn;
    }
    if (l.rfind("vt ", 0) == 0) {
      if (!first_vt) first_vt = i;
      ASSERT_EQ(l, "vt 0.500000 " + std::to_string(vt) + ".000000 0.000000") << i;
      ++vt;
    }
  }
  EXPECT_EQ(vn, n);
  EXPECT_EQ(vt, n);
  EXPECT_GT(normals_at, last_v);
  EXPECT_GT(uv_at, normals_at + n);
  EXPECT_EQ(first_vt, uv_at + 1);
  EXPECT_EQ(lines[uv_at + n + 2], "o big");
}
