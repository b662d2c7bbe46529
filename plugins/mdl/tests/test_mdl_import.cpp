// Quake MDL and MD2 import through the built plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>

#include "imageconv.h"
#include "mdl_test_util.h"
#include "quake_format.h"

using mdltest::Import;
using mdltest::Mesh;

namespace fs = std::filesystem;

namespace {

class MdlImport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(mdltest::ImportClass(), 0) << "import_mdl.so not found in " << kvtest::bin_dir(); }
  void TearDown() override { delete scene; }
  MScene* Read(const std::vector<uint8_t>& bytes, const std::string& name, std::vector<std::string> options = {}) {
    std::string path = dir.file(name);
    mdltest::WriteBytes(path, bytes);
    delete scene;
    scene = Import(path, options);
    return scene;
  }
  // Real files are read in place: the log is off and skins go to the
  // test's folder, never beside the file.
  MScene* ReadCorpus(const fs::path& path) {
    delete scene;
    scene = Import(path.string(), {"-mdl_skin_path=" + dir.str()});
    return scene;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

void ExpectVec(const MVector3& v, double x, double y, double z) {
  EXPECT_NEAR(v.x, x, 1e-6);
  EXPECT_NEAR(v.y, y, 1e-6);
  EXPECT_NEAR(v.z, z, 1e-6);
}

void ExpectFace(const MIPolygon& f, int a, int b, int c) {
  ASSERT_EQ(f.count, 3);
  EXPECT_EQ(f.data[0], a);
  EXPECT_EQ(f.data[1], b);
  EXPECT_EQ(f.data[2], c);
}

std::vector<fs::path> CorpusModels() {
  std::vector<fs::path> out;
  for (const char* sub : {"md2", "mdl"}) {
    fs::path folder = kvtest::corpus_dir() / sub;
    if (!fs::exists(folder)) continue;
    for (const auto& e : fs::directory_iterator(folder)) {
      std::string ext = e.path().extension().string();
      for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (ext == ".md2" || ext == ".mdl") out.push_back(e.path());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

// Figures of Debian's assimp-utils 5 ("assimp info") for the corpus files,
// in its axes: (x, y, z) there is (x, z, -y) here.
TEST_F(MdlImport, CorpusFilesMatchAssimpsCountsAndBounds) {
  KV_REQUIRE_CORPUS();
  struct Expect {
    const char* file;
    long triangles;
    double lo[3], hi[3];
  };
  const Expect files[] = {
      {"md2/faerie.md2", 654, {-16.813763, -24.530266, -12.083273}, {3.271729, 27.438080, 14.130598}},
      {"mdl/steg.mdl", 305, {-99.025032, -0.266404, -13.876503}, {50.464561, 54.539055, 15.755293}},
  };
  for (const Expect& e : files) {
    SCOPED_TRACE(e.file);
    ASSERT_NE(ReadCorpus(kvtest::corpus_dir() / e.file), nullptr) << mdltest::LastImportError();
    EXPECT_EQ(Mesh(scene)->Get_Face_Count(), e.triangles);
    mdltest::AssimpInfo a;
    std::copy(e.lo, e.lo + 3, a.lo);
    std::copy(e.hi, e.hi + 3, a.hi);
    mdltest::Bounds want = mdltest::FromAssimpAxes(a), got = mdltest::SceneBounds(scene);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(got.lo[i], want.lo[i], 1e-4) << "axis " << i;
      EXPECT_NEAR(got.hi[i], want.hi[i], 1e-4) << "axis " << i;
    }
  }
}

// Every Quake model in the corpus folders, held-back ones included, against
// assimp run now.
TEST_F(MdlImport, EveryCorpusModelAgreesWithAssimp) {
  KV_REQUIRE_CORPUS();
  if (!mdltest::HaveAssimp()) GTEST_SKIP() << "assimp not installed";
  int compared = 0;
  for (const fs::path& p : CorpusModels()) {
    SCOPED_TRACE(p.string());
    if (!ReadCorpus(p)) {
      // What we refuse must come with its reason.
      EXPECT_FALSE(mdltest::LastImportError().empty());
      continue;
    }
    mdltest::AssimpInfo a = mdltest::AssimpRead(p.string());
    if (!a.ok) continue;
    ++compared;
    EXPECT_EQ(Mesh(scene)->Get_Face_Count(), a.faces);
    mdltest::Bounds want = mdltest::FromAssimpAxes(a), got = mdltest::SceneBounds(scene);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(got.lo[i], want.lo[i], 1e-4) << "axis " << i;
      EXPECT_NEAR(got.hi[i], want.hi[i], 1e-4) << "axis " << i;
    }
  }
  EXPECT_GE(compared, 2);
}

TEST_F(MdlImport, OtherModelFamiliesAreRefusedByTheirMagic) {
  KV_REQUIRE_CORPUS();
  EXPECT_EQ(ReadCorpus(kvtest::corpus_dir() / "mdl/man.mdl"), nullptr);
  EXPECT_NE(mdltest::LastImportError().find("Half-Life"), std::string::npos) << mdltest::LastImportError();

  std::vector<uint8_t> gamestudio = {'M', 'D', 'L', '7', 0, 0, 0, 0};
  EXPECT_EQ(Read(gamestudio, "a.mdl"), nullptr);
  EXPECT_NE(mdltest::LastImportError().find("3D GameStudio"), std::string::npos) << mdltest::LastImportError();

  std::vector<uint8_t> other = {'A', 'B', 'C', 'D', 1, 2, 3, 4};
  EXPECT_EQ(Read(other, "b.mdl", {"-iv=1"}), nullptr);
  EXPECT_NE(mdltest::LastImportError().find("0x44434241"), std::string::npos) << mdltest::LastImportError();
  EXPECT_NE(kvtest::read_file(dir.file("importmdl.log")).find("44434241 Only IDP2 and IDPO supported"),
            std::string::npos);
}

TEST_F(MdlImport, AnMd2WithTrianglesButNoVerticesFailsClearly) {
  KV_REQUIRE_CORPUS();
  EXPECT_EQ(ReadCorpus(kvtest::corpus_dir() / "md2/malformed_zero_numvertices.md2"), nullptr);
  EXPECT_NE(mdltest::LastImportError().find("1 triangle but no vertices"), std::string::npos)
      << mdltest::LastImportError();
}

TEST_F(MdlImport, Md2TrianglesUvsAndPositions) {
  ASSERT_NE(Read(mdltest::SmallMd2().Bytes(), "quad.md2"), nullptr) << mdltest::LastImportError();
  MMesh_P* m = Mesh(scene);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->get_name(), "quad");
  ASSERT_EQ(m->Get_Face_Count(), 2);
  ExpectFace(m->Get_IFace(0), 2, 1, 0);  // corners reversed
  ExpectFace(m->Get_IUVFace(0), 2, 1, 0);
  ExpectFace(m->Get_IFace(1), 3, 2, 0);
  ASSERT_EQ(m->Get_UVVertex_Count(), 4);
  ExpectVec(m->Get_UVVertex(0), 0, 1, 0);  // (0, 0) texels
  ExpectVec(m->Get_UVVertex(2), 1, 0, 0);  // (64, 32) on a 64 x 32 skin
  ASSERT_EQ(m->Get_Vertex_Count(), 4);
  ExpectVec(m->Get_Vertex(0), -1, 2, 10);  // byte x scale + translate
  ExpectVec(m->Get_Vertex(2), 1, 4, 10);
  EXPECT_TRUE(m->NormalsUsed());
  ASSERT_EQ(m->surface_refs->count, 1);
  EXPECT_STREQ(static_cast<const char*>(m->surface_refs->GetAt(0)), "skin_mat");
  EXPECT_NE(scene->GetMaterialbyName("DEFAULT"), nullptr);
  EXPECT_GE(scene->cameras->count, 1);
}

TEST_F(MdlImport, Md2FrameOptionAndTheFirstOfSeveralSkins) {
  mdltest::Md2File f = mdltest::SmallMd2();
  f.skins = {"models/monsters/faerie/skin.pcx", "models/b.pcx", "models/c.pcx"};
  ASSERT_NE(Read(f.Bytes(), "quad.md2", {"-mdl_frame=1"}), nullptr);
  ExpectVec(Mesh(scene)->Get_Vertex(0), -1, 2, 11);
  MSurface* s = scene->GetMaterialbyName("skin_mat");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->layers.Get_Count(), 1);
  MSrf_TextureLayer* layer = s->layers.Get(0);
  EXPECT_EQ(layer->enabled, 1);
  EXPECT_STREQ(layer->texture.name, "skin_mat_texture");
  EXPECT_EQ(layer->texture.kind, _2DBITMAP);
  EXPECT_STREQ(layer->texture.bitmap.file_name, "skin.pcx");
  EXPECT_EQ(layer->diffuse_color.enabled, 1);
  EXPECT_DOUBLE_EQ(s->color.diffuse.r, 0.0);
  EXPECT_DOUBLE_EQ(s->color.diffuse_intensity, 1.0);
  EXPECT_DOUBLE_EQ(s->spec.phong_size, 0.0);
  ASSERT_EQ(scene->maps->Get_Count_Maps(), 1);
  EXPECT_STREQ(scene->maps->GetMap(0)->name, "skin.pcx");

  ASSERT_NE(Read(f.Bytes(), "quad.md2", {"-mdl_frame=7"}), nullptr);
  ExpectVec(Mesh(scene)->Get_Vertex(0), -1, 2, 10);
  auto w = mdltest::LastImportWarnings();
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("frame 7 asked for, the model has 2"), std::string::npos);
}

// The eye position is a viewpoint: byte (0, 0, 0) lands on the origin
// alone, as in every other reader.
TEST_F(MdlImport, MdlPositionsAreByteTimesScalePlusOriginWithoutTheEye) {
  mdltest::MdlFile f = mdltest::SmallMdl();
  ASSERT_NE(Read(f.Bytes(), "dino.mdl", {"-mdl_write_skins=0"}), nullptr) << mdltest::LastImportError();
  MMesh_P* m = Mesh(scene);
  ASSERT_EQ(m->Get_Vertex_Count(), 3);
  ExpectVec(m->Get_Vertex(0), -10, 0, 5);
  ExpectVec(m->Get_Vertex(1), 10, 0, 5);
  ExpectVec(m->Get_Vertex(2), -10, 20, 25);
}

// A back-facing triangle takes the right half of the skin at its on-seam
// corners; a front-facing one the coordinates as they stand.
TEST_F(MdlImport, MdlBackFacingTrianglesUseTheOtherHalfOfTheSkinOnTheSeam) {
  ASSERT_NE(Read(mdltest::SmallMdl().Bytes(), "dino.mdl", {"-mdl_write_skins=0"}), nullptr);
  MMesh_P* m = Mesh(scene);
  ASSERT_EQ(m->Get_UVVertex_Count(), 4);  // one more for the seam vertex
  ExpectVec(m->Get_UVVertex(1), 0.25, 1.0, 0);
  ExpectVec(m->Get_UVVertex(3), 0.75, 1.0, 0);  // s + width / 2
  ExpectFace(m->Get_IFace(0), 2, 1, 0);
  ExpectFace(m->Get_IUVFace(0), 2, 1, 0);  // front: the seam vertex keeps s
  ExpectFace(m->Get_IFace(1), 0, 1, 2);
  ExpectFace(m->Get_IUVFace(1), 0, 3, 2);  // back: s + width / 2
}

// Groups are read past properly: everything after them is where it was.
TEST_F(MdlImport, MdlSkinAndFrameGroupsGiveTheirFirstImageAndPose) {
  mdltest::MdlFile f = mdltest::SmallMdl();
  std::vector<uint8_t> red(32, 79), green(32, 63);
  f.skins = {{1, {red, green}}};
  auto pose0 = f.frames[0].poses[0];
  auto pose1 = pose0;
  for (auto& v : pose1) v[0] = 1;
  f.frames = {{1, {pose0, pose1}}, {0, {pose1}}};
  ASSERT_NE(Read(f.Bytes(), "dino.mdl", {"-iv=1"}), nullptr) << mdltest::LastImportError();
  MMesh_P* m = Mesh(scene);
  ExpectVec(m->Get_Vertex(1), 10, 0, 5);
  EXPECT_EQ(m->Get_Face_Count(), 2);
  ExpectFace(m->Get_IFace(1), 0, 1, 2);
  std::string tga = kvtest::read_file(dir.file("dino_skin_0.tga"));
  ASSERT_EQ(tga.size(), 18u + 32 * 3);
  EXPECT_EQ(static_cast<uint8_t>(tga[18 + 2]), quake::kPalette[79][0]);  // the first image's colour
  std::string log = kvtest::read_file(dir.file("importmdl.log"));
  EXPECT_NE(log.find("skin 0 is a group of 2 images"), std::string::npos);
  EXPECT_NE(log.find("frame 0 is a group of 2 poses"), std::string::npos);

  ASSERT_NE(Read(f.Bytes(), "dino.mdl", {"-mdl_frame=1", "-mdl_write_skins=0"}), nullptr);
  ExpectVec(Mesh(scene)->Get_Vertex(1), -8, 0, 5);  // the pose after the group
}

TEST_F(MdlImport, MdlSkinsAreTgaFilesBesideTheModel) {
  mdltest::MdlFile f = mdltest::SmallMdl();
  f.skins.push_back(f.skins[0]);
  ASSERT_NE(Read(f.Bytes(), "dino.mdl"), nullptr);
  EXPECT_TRUE(fs::exists(dir.file("dino_skin_1.tga")));
  const std::string tga = kvtest::read_file(dir.file("dino_skin_0.tga"));
  ASSERT_EQ(tga.size(), 18u + 8 * 4 * 3);
  const unsigned char head[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 4, 0, 24, 0};
  EXPECT_EQ(std::memcmp(tga.data(), head, 18), 0);
  // The bottom row first (palette indices 24 ... 31), blue, green, red.
  const uint8_t* pixel = reinterpret_cast<const uint8_t*>(tga.data()) + 18;
  for (int c = 0; c < 3; ++c) EXPECT_EQ(pixel[c], quake::kPalette[24][2 - c]);
  EXPECT_EQ(convert_image(IMAGECONV_TGA, dir.file("dino_skin_0.tga").c_str(), IMAGECONV_PNG,
                          dir.file("check.png").c_str()),
            IMAGECONV_OK);

  MSurface* s = scene->GetMaterialbyName("skin_mat");
  ASSERT_EQ(s->layers.Get_Count(), 1);
  EXPECT_STREQ(s->layers.Get(0)->texture.bitmap.file_name, "dino_skin_0.tga");
  ASSERT_EQ(scene->maps->Get_Count_Maps(), 1);
  EXPECT_NE(m_find_file("dino_skin_0.tga", scene->maps->search_path), nullptr);
}

TEST_F(MdlImport, SkinFilesThatExistAreKeptUnlessTheOptionsSaySo) {
  const std::string skin = dir.file("dino_skin_0.tga");
  kvtest::write_file(skin, "mine");
  ASSERT_NE(Read(mdltest::SmallMdl().Bytes(), "dino.mdl"), nullptr);
  EXPECT_EQ(kvtest::read_file(skin), "mine");
  auto w = mdltest::LastImportWarnings();
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("exists and was kept"), std::string::npos);

  ASSERT_NE(Read(mdltest::SmallMdl().Bytes(), "dino.mdl", {"-mdl_overwrite_skins=1"}), nullptr);
  EXPECT_EQ(kvtest::read_file(skin).size(), 18u + 8 * 4 * 3);

  kvtest::TempDir other;
  ASSERT_NE(Read(mdltest::SmallMdl().Bytes(), "dino2.mdl", {"-mdl_skin_path=" + other.str()}), nullptr);
  EXPECT_TRUE(fs::exists(other.file("dino2_skin_0.tga")));
  EXPECT_FALSE(fs::exists(dir.file("dino2_skin_0.tga")));
  EXPECT_NE(m_find_file("dino2_skin_0.tga", scene->maps->search_path), nullptr);

  ASSERT_NE(Read(mdltest::SmallMdl().Bytes(), "dino3.mdl", {"-mdl_write_skins=0"}), nullptr);
  EXPECT_FALSE(fs::exists(dir.file("dino3_skin_0.tga")));
}

TEST_F(MdlImport, TheLogNamesWhatWasRead) {
  ASSERT_NE(Read(mdltest::SmallMdl().Bytes(), "dino.mdl", {"-iv=1", "-mdl_write_skins=0"}), nullptr);
  std::string log = kvtest::read_file(dir.file("importmdl.log"));
  for (const char* text : {"MDL Import Plugin 1.0", "Model Properties:\n\tIDPO\n\tVersion: 6\n", "\tNum Vertices: 3\n",
                           "Parsing offsetTexCoords ...\n\t0: <0.000, 0.000>\n", "\t1: <2,1,0>\n",
                           "\t EyePos: <0.000, 0.000, 24.000>\n", "\t 2 <-10.000,20.000,25.000>\n", "Mesh Dump",
                           "Done"})
    EXPECT_NE(log.find(text), std::string::npos) << text;
}
