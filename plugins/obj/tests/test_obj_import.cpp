// OBJ import through the built plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "obj_test_util.h"

using objtest::Mesh;
using objtest::MeshByName;

namespace {

class ObjImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(objtest::ObjImport(), 0) << "import_obj.so not found in " << kvtest::bin_dir();
    objtest::UseCommandLine({"-iv=1"});
  }
  void TearDown() override { delete scene; }
  MScene* Open(const std::string& path) {
    delete scene;
    scene = objtest::Import(objtest::ObjImport(), path);
    return scene;
  }
  MScene* Read(const std::string& text, const std::string& name = "in.obj") {
    std::string path = dir.file(name);
    kvtest::write_file(path, text);
    return Open(path);
  }
  // A real file is read in place with the log off: the log would land in
  // the corpus folder beside it.
  MScene* OpenCorpus(const std::string& file) {
    objtest::UseCommandLine({});
    return Open((kvtest::corpus_dir() / "obj" / file).string());
  }
  std::string Log() { return kvtest::read_file(dir.file("importobj.log")); }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

void ExpectVec(const MVector3& v, double x, double y, double z) {
  EXPECT_DOUBLE_EQ(v.x, x);
  EXPECT_DOUBLE_EQ(v.y, y);
  EXPECT_DOUBLE_EQ(v.z, z);
}

void ExpectBounds(MScene* s, double x0, double y0, double z0, double x1, double y1, double z1) {
  EXPECT_NEAR(s->bound_left.x, x0, 1e-5);
  EXPECT_NEAR(s->bound_left.y, y0, 1e-5);
  EXPECT_NEAR(s->bound_left.z, z0, 1e-5);
  EXPECT_NEAR(s->bound_right.x, x1, 1e-5);
  EXPECT_NEAR(s->bound_right.y, y1, 1e-5);
  EXPECT_NEAR(s->bound_right.z, z1, 1e-5);
}

const char kQuad[] = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

}  // namespace

// Triangle counts and bounds as Debian's assimp-utils 5 ("assimp info")
// reports them for the corpus files.
TEST_F(ObjImport, CorpusFilesMatchAnIndependentReader) {
  KV_REQUIRE_CORPUS();
  struct Expect {
    const char* file;
    long triangles;
    double b[6];
  };
  const Expect files[] = {
      {"box.obj", 12, {-0.5, -0.5, -0.5, 0.5, 0.5, 0.5}},
      {"box_without_lineending.obj", 12, {-0.5, -0.5, -0.5, 0.5, 0.5, 0.5}},
      {"concave_polygon.obj", 64, {-1.146, 1.6575, 1.6055, -1.146, 3.1425, 3.0905}},
      {"space_in_material_name.obj", 64, {-1.146, 1.6575, 1.6055, -1.146, 3.1425, 3.0905}},
      {"cube_usemtl.obj", 12, {0, 0, 0, 1, 1, 1}},
      {"number_formats.obj", 1, {-1, -2, -3, 1, 2, 3}},
      {"WusonOBJ.obj", 3732, {-0.459976, -0.000566, -1.622242, 0.459976, 1.515251, 1.622242}},
      // Points and lines are no faces: 12 triangles of the 54 primitives.
      {"testmixed.obj", 12, {-0.5, -0.5, -0.5, 0.5, 0.5, 0.5}},
      // assimp reports 1340 faces: it turns 28 of the 1368 triangles, whose
      // corners coincide, into lines and drops 28 more; they are kept here.
      {"spider.obj", 1368, {-92.655235, -42.233826, -106.6912, 57.936218, 37.503952, 86.6912}},
  };
  for (const Expect& e : files) {
    SCOPED_TRACE(e.file);
    ASSERT_NE(OpenCorpus(e.file), nullptr);
    EXPECT_EQ(objtest::Triangles(scene), e.triangles);
    ExpectBounds(scene, e.b[0], e.b[1], e.b[2], e.b[3], e.b[4], e.b[5]);
  }
}

TEST_F(ObjImport, SpiderGroupsMaterialsAndWindowsMapNamesResolve) {
  KV_REQUIRE_CORPUS();
  ASSERT_NE(OpenCorpus("spider.obj"), nullptr);
  // 19 groups with faces (assimp splits 4 of them by primitive type: 23).
  EXPECT_EQ(scene->objects->count, 19);
  ASSERT_NE(MeshByName(scene, "Bein1Li"), nullptr);
  EXPECT_EQ(MeshByName(scene, "Bein1Li")->Get_Face_Count(), 98);
  MSurface* skin = scene->GetMaterialbyName("Skin");
  ASSERT_NE(skin, nullptr);
  EXPECT_NEAR(skin->color.diffuse.r, 0.827451, 1e-9);
  EXPECT_DOUBLE_EQ(skin->color.diffuse_intensity, 1.0);
  ASSERT_EQ(skin->layers.Get_Count(), 1);
  EXPECT_STREQ(skin->layers.Get(0)->texture.bitmap.file_name, ".\\wal67ar_small.jpg");
  ASSERT_EQ(scene->maps->Get_Count_Maps(), 5);
  for (int i = 0; i < scene->maps->Get_Count_Maps(); ++i) {
    const char* name = scene->maps->GetMap(i)->name;
    const char* found = m_find_file(name, scene->maps->search_path);
    EXPECT_NE(found, nullptr) << name;
  }
}

TEST_F(ObjImport, MaterialNamesWithBlanksMatchTheLibrary) {
  KV_REQUIRE_CORPUS();
  // "usemtl  Hard Shiny Plastic White " (two blanks before, one after).
  ASSERT_NE(OpenCorpus("space_in_material_name.obj"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_EQ(m->surface_refs->count, 1);
  const char* ref = static_cast<const char*>(m->surface_refs->GetAt(0));
  EXPECT_STREQ(ref, "Hard_Shiny_Plastic_White");
  MSurface* s = scene->GetMaterialbyName(ref);
  ASSERT_NE(s, nullptr);
  EXPECT_NEAR(s->color.diffuse.b, 0.411765, 1e-9);
}

TEST_F(ObjImport, FacesWithoutGroupGoToDefObjWithDefMat) {
  ASSERT_NE(Read(std::string(kQuad) + "f 1 2 3 4\n"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->get_name(), "def_obj");
  EXPECT_EQ(m->mapping_type, UV_MAP);
  ASSERT_EQ(m->surface_refs->count, 1);
  EXPECT_STREQ(static_cast<const char*>(m->surface_refs->GetAt(0)), "def_mat");
  EXPECT_NE(scene->GetMaterialbyName("def_mat"), nullptr);
  EXPECT_EQ(m->Get_IFace(0).Get_Count(), 4);
  EXPECT_GE(scene->cameras->count, 1);
  EXPECT_GE(scene->lights->count, 1);
}

TEST_F(ObjImport, CornerFormsAndMissingLayers) {
  // p//n: one shared texture coordinate (0,0,0) per mesh.
  ASSERT_NE(Read(std::string(kQuad) + "vn 0 0 1\nf 1//1 2//1 3//1\nf 1//1 3//1 4//1\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_NVertex_Count(), 1);
  ASSERT_EQ(m->Get_UVVertex_Count(), 1);
  ExpectVec(m->Get_UVVertex(0), 0, 0, 0);
  EXPECT_EQ(m->Get_IUVFace(1)[2], 0);

  // Position-only corners, no welding: every corner its own face normal.
  ASSERT_NE(Read(std::string(kQuad) + "f 1 2 3\nf 1 3 4\n"), nullptr);
  m = Mesh(scene, 0);
  ASSERT_EQ(m->Get_NVertex_Count(), 6);
  ExpectVec(m->Get_NVertex(5), 0, 0, 1);

  // p/t and p/t/n.
  ASSERT_NE(Read(std::string(kQuad) + "vt 0.5 0.25\nvt 1 1 1\nvn 1 0 0\nf 1/1 2/2 3/1\nf 1/2/1 3/1/1 4/2/1\n"),
            nullptr);
  m = Mesh(scene, 0);
  ASSERT_EQ(m->Get_UVVertex_Count(), 2);
  ExpectVec(m->Get_UVVertex(0), 0.5, 0.25, 0);
  EXPECT_EQ(m->Get_IUVFace(1)[0], 1);
  // Computed normals come before the file's.
  EXPECT_EQ(m->Get_NVertex_Count(), 4);
  ExpectVec(m->Get_NVertex(3), 1, 0, 0);
  EXPECT_EQ(m->Get_INFace(1)[2], 3);
}

TEST_F(ObjImport, RelativeIndicesCountFromTheCurrentEnd) {
  ASSERT_NE(Read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->Get_Face_Count(), 2);
  MVector3 a, b, c;
  m->Get_Tri(1, a, b, c);
  ExpectVec(a, 0, 0, 0);
  ExpectVec(c, 5, 5, 5);
}

TEST_F(ObjImport, BadIndicesDropTheFaceWithItsLineNumber) {
  ASSERT_NE(Read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\nf 1 2 4\nf 1 2 3\nf 1/5 2 3\nf 1 -4 2\nf 1 2 3\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Face_Count(), 2);
  std::string log = Log();
  for (int line : {4, 5, 7, 8}) EXPECT_NE(log.find("line " + std::to_string(line) + " "), std::string::npos) << line;
  EXPECT_EQ(log.find("line 6 "), std::string::npos);
  EXPECT_NE(log.find("Polygons:   6\n"), std::string::npos);
}

TEST_F(ObjImport, ContinuationLinesAndShortFaces) {
  ASSERT_NE(Read(std::string(kQuad) + "f 1 2 \\\n  3 4\nf 1 2\nf 1 3 4\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_EQ(m->Get_Face_Count(), 2);
  EXPECT_EQ(m->Get_IFace(0).Get_Count(), 4);
}

TEST_F(ObjImport, GroupingModes) {
  const std::string text = std::string(kQuad) +
                           "o obj1\ng grpA\ns 1\nusemtl red\nf 1 2 3\n"
                           "o obj2\ng grpB\ns off\nusemtl blue\nf 1 3 4\n"
                           "g grpA\ns off\nf 2 3 4\ng empty\n";
  struct Mode {
    int mode;
    std::vector<std::string> names;
  };
  std::string path = dir.file("modes.obj");
  kvtest::write_file(path, text);
  for (const Mode& md : std::vector<Mode>{{0, {"def_obj"}},
                                          {1, {"obj1", "obj2"}},
                                          {2, {"grpA", "grpB"}},
                                          {4, {"def_obj"}},
                                          {5, {"red", "blue"}}}) {
    SCOPED_TRACE(md.mode);
    objtest::UseCommandLine({"-obj_mode=" + std::to_string(md.mode)});
    ASSERT_NE(Open(path), nullptr);
    ASSERT_EQ(scene->objects->count, static_cast<int>(md.names.size()));
    for (size_t i = 0; i < md.names.size(); ++i)
      EXPECT_STREQ(Mesh(scene, static_cast<int>(i))->get_name(), md.names[i].c_str());
    EXPECT_NE(scene->GetMaterialbyName("red"), nullptr);
  }
  // grpA gathers faces from both ends of the file, with two materials.
  objtest::UseCommandLine({"-obj_mode=2"});
  ASSERT_NE(Open(path), nullptr);
  MMesh_P* a = MeshByName(scene, "grpA");
  ASSERT_EQ(a->Get_Face_Count(), 2);
  EXPECT_EQ(a->surface_refs->count, 2);
  EXPECT_EQ(a->Get_Face_MatId(1), 1);
  // Smoothing groups named "off" are numbered one after the other.
  objtest::UseCommandLine({"-obj_mode=3"});
  ASSERT_NE(Open(path), nullptr);
  ASSERT_EQ(scene->objects->count, 3);
  EXPECT_STREQ(Mesh(scene, 0)->get_name(), "1");
  int first = std::atoi(Mesh(scene, 1)->get_name() + 2);
  EXPECT_EQ(std::strncmp(Mesh(scene, 1)->get_name(), "sg", 2), 0);
  EXPECT_EQ(std::string(Mesh(scene, 2)->get_name()), "sg" + std::to_string(first + 1));
}

TEST_F(ObjImport, OnlyUsedPositionsInFileOrder) {
  ASSERT_NE(Read("v 9 9 9\nv 0 0 0\nv 8 8 8\nv 1 0 0\nv 0 1 0\ng a\nf 5 2 4\ng b\nf 3 4 5\n"), nullptr);
  MMesh_P* a = MeshByName(scene, "a");
  ASSERT_EQ(a->Get_Vertex_Count(), 3);
  ExpectVec(a->Get_Vertex(0), 0, 0, 0);
  ExpectVec(a->Get_Vertex(2), 0, 1, 0);
  EXPECT_EQ(a->Get_IFace(0)[0], 2);
  MMesh_P* b = MeshByName(scene, "b");
  ExpectVec(b->Get_Vertex(0), 8, 8, 8);
}

TEST_F(ObjImport, WeldToleranceMergesCloseEntries) {
  objtest::UseCommandLine({"-weld_tol=0.01"});
  ASSERT_NE(Read("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0.001 0 0\nf 1 2 3\nf 4 2 3\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  EXPECT_EQ(m->Get_Vertex_Count(), 3);
  EXPECT_EQ(m->Get_IFace(1)[0], 0);
  EXPECT_EQ(m->Get_NVertex_Count(), 1);
}

TEST_F(ObjImport, MaterialLibrary) {
  kvtest::write_file(dir.file("lib.mtl"),
                     "# lib\nnewmtl Hard Shiny\nKd 0.5 0.25 1\nKa 0 0 0\nKs 1 1 1\nNs 20\n"
                     "map_Kd -s 2 2 1 -o 1 1 -bm 3 my map.jpg\nmap_Bump\nMAP_KS -clamp on spec.png\n"
                     "newmtl other\nKa 0.1 0.1 0.1\nmap_d maps\\alpha.tga\n");
  ASSERT_NE(Read(std::string(kQuad) + "mtllib lib.mtl\nusemtl Hard Shiny\nf 1 2 3\n"), nullptr);
  MSurface* s = scene->GetMaterialbyName("Hard_Shiny");
  ASSERT_NE(s, nullptr);
  EXPECT_DOUBLE_EQ(s->color.diffuse.g, 0.25);
  EXPECT_DOUBLE_EQ(s->color.ambient_intensity, 0.0);
  EXPECT_DOUBLE_EQ(s->color.specular_intensity, 1.0);
  ASSERT_EQ(s->layers.Get_Count(), 3);
  MSrf_TextureLayer* l = s->layers.Get(0);
  EXPECT_STREQ(l->texture.bitmap.file_name, "my map.jpg");
  ExpectVec(l->texture.bitmap.uv_scale, 2, 2, 1);
  EXPECT_EQ(l->diffuse_color.enabled, 1);
  EXPECT_DOUBLE_EQ(l->diffuse_color.value, 1.0);  // no amount stated: the map in full
  EXPECT_DOUBLE_EQ(s->spec.phong_size, 0.1);
  EXPECT_EQ(l->texture.kind, _2DBITMAP);
  EXPECT_STREQ(s->layers.Get(1)->texture.bitmap.file_name, "default.gif");
  EXPECT_DOUBLE_EQ(s->layers.Get(1)->bump_intensity.value, 1.0);
  EXPECT_STREQ(s->layers.Get(2)->texture.bitmap.file_name, "spec.png");
  MSurface* o = scene->GetMaterialbyName("other");
  ASSERT_NE(o, nullptr);
  EXPECT_DOUBLE_EQ(o->color.ambient_intensity, 1.0);
  EXPECT_EQ(o->layers.Get(0)->opacity_intensity.enabled, 1);
  EXPECT_EQ(scene->maps->Get_Count_Maps(), 4);
}

TEST_F(ObjImport, ShininessAndTransparencyOfTheLibrary) {
  kvtest::write_file(dir.file("lib.mtl"),
                     "newmtl glass\nNs 96\nd 0.83\n"
                     "newmtl tinted\nTr 0.25\n"
                     "newmtl both\nd -halo 0.5\nTr 0.9\nNs 5000\n"
                     "newmtl odd\nNs -3\nd 7\nTr\nNs x\n");
  ASSERT_NE(Read(std::string(kQuad) + "mtllib lib.mtl\nusemtl glass\nf 1 2 3\n"), nullptr);
  struct Want {
    const char* name;
    double phong, opacity;
  };
  const Want want[] = {{"glass", 0.48, 0.83}, {"tinted", 0.7, 0.75}, {"both", 5.0, 0.5}, {"odd", 0.0, 1.0}};
  for (const Want& w : want) {
    MSurface* m = scene->GetMaterialbyName(w.name);
    ASSERT_NE(m, nullptr) << w.name;
    EXPECT_DOUBLE_EQ(m->spec.phong_size, w.phong) << w.name;  // Ns / 200, held to 0 ... 1000
    EXPECT_DOUBLE_EQ(m->opref.surface_opacity, w.opacity) << w.name;  // d, else 1 - Tr
  }
}

TEST_F(ObjImport, LibraryByBaseNameAndCaseInsensitiveWindowsNames) {
  std::filesystem::create_directories(dir.path() / "maps");
  kvtest::write_file(dir.file("maps/Wood.BMP"), "x");
  kvtest::write_file(dir.file("model.mtl"), "newmtl wood\nmap_Kd maps\\wood.bmp\n");
  ASSERT_NE(Read(std::string(kQuad) + "usemtl wood\nf 1 2 3\n", "model.obj"), nullptr);
  MSurface* s = scene->GetMaterialbyName("wood");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->layers.Get_Count(), 1);
  const char* found = m_find_file(scene->maps->GetMap(0)->name, scene->maps->search_path);
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(std::filesystem::equivalent(found, dir.file("maps/Wood.BMP")));
  // A library named in another case and with a backslash is found too.
  kvtest::write_file(dir.file("maps/Other.MTL"), "newmtl x\nKd 1 0 0\n");
  ASSERT_NE(Read(std::string(kQuad) + "mtllib maps\\other.mtl\nusemtl x\nf 1 2 3\n"), nullptr);
  EXPECT_DOUBLE_EQ(scene->GetMaterialbyName("x")->color.diffuse.r, 1.0);
}

TEST_F(ObjImport, MissingFileAndLibrariesAreLogged) {
  // A file that cannot be read gives no scene, and the reason.
  EXPECT_EQ(Open(dir.file("none.obj")), nullptr);
  EXPECT_EQ(objtest::Registry().LastError(objtest::ObjImport()),
            "cannot read " + dir.file("none.obj") + ": No such file or directory");
  std::filesystem::create_directories(dir.path() / "folder.mtl");
  ASSERT_NE(Read(std::string(kQuad) + "mtllib missing.mtl\nmtllib folder.mtl\nf 1 2 3\n"), nullptr);
  EXPECT_EQ(Mesh(scene, 0)->Get_Face_Count(), 1);
  std::string log = Log();
  EXPECT_NE(log.find("missing.mtl not found\n"), std::string::npos);
  EXPECT_NE(log.find("folder.mtl not found\n"), std::string::npos);
  // The user hears of the libraries named but not found.
  EXPECT_EQ(objtest::Registry().LastWarnings(objtest::ObjImport()),
            (std::vector<std::string>{"material library " + dir.file("missing.mtl") + " not found",
                                      "material library " + dir.file("folder.mtl") + " not found"}));
}

TEST_F(ObjImport, ForeignFilesFailAndEmptyOnesWarn) {
  const int cls = objtest::ObjImport();
  EXPECT_EQ(Read(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), nullptr);
  EXPECT_EQ(objtest::Registry().LastError(cls), dir.file("in.obj") + " is not an OBJ file: it holds binary data");
  EXPECT_EQ(Read("Dear user,\nthis is a letter, not a model.\n"), nullptr);
  EXPECT_EQ(objtest::Registry().LastError(cls), dir.file("in.obj") + " is not an OBJ file: it holds no OBJ statement");
  // Comments only, or nothing at all: a readable file without geometry.
  for (const char* text : {"", "# nothing here\n\n"}) {
    ASSERT_NE(Read(text), nullptr) << text;
    EXPECT_EQ(scene->objects->count, 0);
    EXPECT_EQ(objtest::Registry().LastWarnings(cls),
              (std::vector<std::string>{dir.file("in.obj") + " holds no geometry"}));
  }
  // A statement this reader passes over still makes it an OBJ file.
  ASSERT_NE(Read("v 0 0 0\nv 1 0 0\nl 1 2\n"), nullptr);
  EXPECT_EQ(scene->objects->count, 0);
}

TEST_F(ObjImport, HostileInputNeitherCrashesNorHangs) {
  // A line of 100 000 characters, a face of 50 000 corners.
  std::string text = "g " + std::string(100000, 'x') + "\n";
  text += "v " + std::string(100000, '1') + " 0 0\n";
  for (int i = 0; i < 50000; ++i) text += "v " + std::to_string(std::cos(i * 1e-4)) + " " +
                                           std::to_string(std::sin(i * 1e-4)) + " 0\n";
  text += "f";
  for (int i = 1; i <= 50000; ++i) text += ' ' + std::to_string(i + 1);
  text += "\n";
  ASSERT_NE(Read(text), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  EXPECT_EQ(std::strlen(Mesh(scene, 0)->get_name()), 255u);
  EXPECT_EQ(Mesh(scene, 0)->Get_IFace(0).Get_Count(), 50000);

  // 1e999 and nan read as 0; the entries keep their place.
  ASSERT_NE(Read("v 1e999 nan 2\nv 1 0 0\nv 0 1 0\nvn nan 0 1\nf 1//1 2//1 3//1\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ExpectVec(m->Get_Vertex(0), 0, 0, 2);
  EXPECT_TRUE(std::isfinite(scene->bound_right.x));

  // Binary garbage and UTF-16.
  std::string garbage;
  unsigned x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    garbage.push_back(static_cast<char>(x >> 16));
  }
  // Binary data is no OBJ file: the import fails and says why.
  const std::string reason = dir.file("in.obj") + " is not an OBJ file: it holds binary data";
  EXPECT_EQ(Read(garbage), nullptr);
  EXPECT_EQ(objtest::Registry().LastError(objtest::ObjImport()), reason);
  EXPECT_EQ(Read(garbage.substr(0, 1000) + "\nf 1 2 3\nf -1 -2 -3\nf 99999999999999 1 2\n"), nullptr);
  EXPECT_EQ(objtest::Registry().LastError(objtest::ObjImport()), reason);
  std::string utf16 = "\xff\xfe";
  for (char c : std::string(kQuad) + "f 1 2 3\n") utf16 += std::string(1, c) + '\0';
  EXPECT_EQ(Read(utf16), nullptr);
  EXPECT_EQ(objtest::Registry().LastError(objtest::ObjImport()), reason);
}

TEST_F(ObjImport, ByteOrderMarkAndTwoLibrariesOnOneLine) {
  kvtest::write_file(dir.file("a.mtl"), "\xEF\xBB\xBFnewmtl red\nKd 1 0 0\n");
  kvtest::write_file(dir.file("b.mtl"), "newmtl blue\nKd 0 0 1\n");
  ASSERT_NE(Read("\xEF\xBB\xBFv 0 0 0\nv 1 0 0\nv 0 1 0\nmtllib a.mtl b.mtl\nusemtl blue\nf 1 2 3\n"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  EXPECT_EQ(Mesh(scene, 0)->Get_Face_Count(), 1);
  ASSERT_NE(scene->GetMaterialbyName("red"), nullptr);
  EXPECT_DOUBLE_EQ(scene->GetMaterialbyName("red")->color.diffuse.r, 1.0);
  ASSERT_NE(scene->GetMaterialbyName("blue"), nullptr);
  EXPECT_DOUBLE_EQ(scene->GetMaterialbyName("blue")->color.diffuse.b, 1.0);
}

TEST_F(ObjImport, LogHeaderOptionsAndStatistics) {
  ASSERT_NE(Read(std::string(kQuad) + "g a\nf 1 2 3 4\n"), nullptr);
  std::string log = Log();
  EXPECT_EQ(log.rfind("WaveFront Import Plugin 1.0 Oct 22 2000 14:37:57 VC++50\nOptions:\n", 0), 0u);
  for (const char* line : {"\t Object Mode: 2\n", "started ...      \n", "Working on: def_obj\n", "Working on: a\n",
                           "Post processing a:\n", "vertices 4:\n", "Vertices:   4\n", "Polygons:   1\n",
                           "Postprocessing ...        \n", "Done                            \n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}
