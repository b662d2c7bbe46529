// DirectX import through the built plug-in: real files against assimp's
// figures, frames, references, materials and damaged input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "x_test_util.h"

namespace {

const char kBox[] =  // 8 corners, 6 quads; placed by the frames around it
    "  8; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 0;0;1;, 1;0;1;, 1;1;1;, 0;1;1;;\n"
    "  6; 4;0,1,2,3;, 4;4,5,6,7;, 4;0,1,5,4;, 4;1,2,6,5;, 4;2,3,7,6;, 4;3,0,4,7;;\n";

std::string Matrix(double sx, double tx, double ty, double tz) {
  char b[256];
  std::snprintf(b, sizeof b, "FrameTransformMatrix { %g,0,0,0, 0,%g,0,0, 0,0,%g,0, %g,%g,%g,1;; }\n", sx, sx, sx, tx,
                ty, tz);
  return b;
}

void ExpectBox(MScene* s, MVector3 lo, MVector3 hi) {
  xtest::Box b = xtest::Bounds(s);
  EXPECT_NEAR(b.lo.x, lo.x, 1e-5); EXPECT_NEAR(b.lo.y, lo.y, 1e-5); EXPECT_NEAR(b.lo.z, lo.z, 1e-5);
  EXPECT_NEAR(b.hi.x, hi.x, 1e-5); EXPECT_NEAR(b.hi.y, hi.y, 1e-5); EXPECT_NEAR(b.hi.z, hi.z, 1e-5);
}

class XImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(xtest::XImport(), 0) << "import_x.so not found in " << kvtest::bin_dir();
    xtest::Options({});
  }
  void TearDown() override { delete scene; }
  MScene* Read(const std::string& body, const char* header = "xof 0302txt 0032\n") {
    delete scene;
    scene = xtest::ImportText(dir, body, header);
    return scene;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(XImport, RealFilesAgreeWithAssimp) {
  KV_REQUIRE_CORPUS();
  struct Expect {
    const char* file;
    long triangles;
    MVector3 lo, hi;
  };
  // assimp 5.2's "info" for the same files.
  const Expect files[] = {
      {"x/test.x", 12, {-0.820374, -0.680440, -0.820374}, {0.820374, 0.960307, 0.820374}},
      {"x/test_cube_text.x", 12, {-1, -1.000001, -1}, {1, 1, 1}},
      {"x/test_cube_binary.x", 12, {-1, -1.000001, -1}, {1, 1, 1}},
      {"x/test_cube_compressed.x", 12, {-1, -1.000001, -1}, {1, 1, 1}},
      {"x/kwxport_test_cubewithvcolors.x", 12, {-0.492126, -0.492126, -0.492126}, {0.492126, 0.492126, 0.492126}},
  };
  for (const Expect& e : files) {
    SCOPED_TRACE(e.file);
    const std::string path = kvtest::corpus_file(e.file);
    scene = xtest::Import(path);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(xtest::Triangles(scene), e.triangles);
    ExpectBox(scene, e.lo, e.hi);
    if (xtest::HaveAssimp()) {
      xtest::Assimp a = xtest::AssimpInfo(path);
      ASSERT_TRUE(a.ok);
      EXPECT_EQ(a.faces, e.triangles);
    }
    delete scene;
    scene = nullptr;
  }
  // The cube's material, its map and the flipped texture v.
  scene = xtest::Import(kvtest::corpus_file("x/test.x"));
  ASSERT_NE(scene, nullptr);
  MMesh_P* m = xtest::Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->get_name(), "pCubeShape1");
  ASSERT_TRUE(m->UVUsed());
  EXPECT_NEAR(m->Get_UVVertex(0).y, 1.0 + 0.358017, 1e-6);
  ASSERT_TRUE(m->NormalsUsed());
  EXPECT_EQ(m->Get_NFace_Count(), 12);
  ASSERT_EQ(scene->maps->Get_Count_Maps(), 1);
  EXPECT_STREQ(scene->maps->GetMap(0)->name, "test.png");
  MSurface* s = scene->GetMaterialbyName(xtest::FaceMaterial(m, 0).c_str());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->opref.surface_opacity, 1.0);  // a textured surface stays visible
  ASSERT_EQ(s->layers.Get_Count(), 1);
  EXPECT_STREQ(s->layers.Get(0)->texture.bitmap.file_name, "test.png");
}

TEST_F(XImport, FramesPlaceTheirMeshesFromTheirOwnMatrix) {
  // Two sibling frames under a root: each child gets its own matrix times
  // the root's, not its sibling's as well.
  Read("Frame Root {\n" + Matrix(2, 100, 0, 0) +
       "  Frame A {\n" + Matrix(1, 0, 10, 0) + "   Mesh a {\n" + kBox + "   }\n  }\n"
       "  Frame B {\n" + Matrix(1, 0, 0, 20) + "   Mesh b {\n" + kBox + "   }\n  }\n"
       "  Mesh c {\n" + kBox + "  }\n"
       "}\n"
       "Frame Other {\n Mesh d {\n" + kBox + " }\n" + Matrix(1, -5, 0, 0) + "}\n");
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(xtest::MeshCount(scene), 4);
  auto box_of = [&](int i) {
    MMesh_P* m = xtest::Mesh(scene, i);
    m->CalculateBoundingBox();
    return xtest::Box{m->GetBoundLeft(), m->GetBoundRight()};
  };
  // world = frame x root: a point p goes to (p + (0,10,0)) * 2 + (100,0,0).
  xtest::Box a = box_of(0), b = box_of(1), c = box_of(2), d = box_of(3);
  EXPECT_NEAR(a.lo.x, 100, 1e-9); EXPECT_NEAR(a.lo.y, 20, 1e-9); EXPECT_NEAR(a.hi.y, 22, 1e-9);
  EXPECT_NEAR(a.lo.z, 0, 1e-9);
  EXPECT_NEAR(b.lo.y, 0, 1e-9); EXPECT_NEAR(b.lo.z, 40, 1e-9); EXPECT_NEAR(b.hi.z, 42, 1e-9);
  EXPECT_NEAR(c.lo.x, 100, 1e-9); EXPECT_NEAR(c.lo.y, 0, 1e-9); EXPECT_NEAR(c.lo.z, 0, 1e-9);
  // A frame's matrix counts wherever it stands among the frame's children.
  EXPECT_NEAR(d.lo.x, -5, 1e-9);
  EXPECT_EQ(xtest::Triangles(scene), 48);
}

TEST_F(XImport, ReferencesPlaceOnceAnimationsPlaceNothing) {
  Read("Mesh Shared {\n" + std::string(kBox) + "}\n"
       "Frame F {\n" + Matrix(1, 10, 0, 0) + " { Shared }\n Frame G { Mesh g {\n" + kBox + " } }\n}\n"
       "AnimationSet Walk { Animation { { F } { G } AnimationKey { 0; 1; 0; 3; 0,0,0;;; } } }\n");
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(xtest::MeshCount(scene), 2);
  MMesh_P* shared = xtest::Mesh(scene, 0);
  EXPECT_STREQ(shared->get_name(), "Shared");
  shared->CalculateBoundingBox();
  EXPECT_NEAR(shared->GetBoundLeft().x, 10, 1e-9);  // placed by the frame that refers to it
}

TEST_F(XImport, CyclicAndUnresolvedReferencesEndCleanly) {
  Read("Frame A { { B } Mesh a {\n" + std::string(kBox) + "} }\nFrame B { { A } { Nowhere } }\n");
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(xtest::MeshCount(scene), 1);
  // A long chain of references, deeper than any walk goes.
  std::string chain;
  for (int i = 0; i < 1000; ++i) chain += "Frame F" + std::to_string(i) + " { { F" + std::to_string(i + 1) + " } }\n";
  chain += "Frame F1000 { Mesh end {\n" + std::string(kBox) + "} }\n";
  Read(chain);
  ASSERT_NE(scene, nullptr);
  EXPECT_LE(xtest::MeshCount(scene), 1);
}

TEST_F(XImport, MaterialListsMapFacesToMaterials) {
  const std::string mats =
      "  Material Red { 1;0;0;1;; 20; 1;1;1;; 0.3;0.3;0.3;; }\n"
      "  Material { 0;0;1;0.5;; 0; 0;0;0;; 0;0;0;; TextureFileName { \"C:\\\\maps\\\\bottom.tga\"; } }\n";
  // Per-face indices, an index past the materials, and too many indices.
  Read("Mesh m {\n" + std::string(kBox) + " MeshMaterialList { 2; 9; 1,0,7,1,0,1,1,1,1;;\n" + mats + " }\n}\n");
  ASSERT_NE(scene, nullptr);
  MMesh_P* m = xtest::Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  const std::string blue = xtest::FaceMaterial(m, 0);
  EXPECT_EQ(blue.rfind("mat_", 0), 0u);
  EXPECT_EQ(xtest::FaceMaterial(m, 1), "Red");
  EXPECT_EQ(xtest::FaceMaterial(m, 2), "Red");  // 7 is no material: the first
  EXPECT_EQ(xtest::FaceMaterial(m, 3), blue);
  MSurface* red = scene->GetMaterialbyName("Red");
  ASSERT_NE(red, nullptr);
  EXPECT_DOUBLE_EQ(red->color.diffuse.r, 1.0);
  EXPECT_DOUBLE_EQ(red->spec.phong_size, 0.2);
  EXPECT_NEAR(red->color.luminous_intensity, 0.3, 1e-12);
  MSurface* tex = scene->GetMaterialbyName(blue.c_str());
  ASSERT_NE(tex, nullptr);
  EXPECT_EQ(tex->opref.surface_opacity, 1.0);
  ASSERT_EQ(tex->layers.Get_Count(), 1);
  EXPECT_STREQ(tex->layers.Get(0)->texture.bitmap.file_name, "bottom.tga");
  EXPECT_EQ(std::string(tex->layers.Get(0)->texture.name).rfind(blue + "_texture", 0), 0u);
  // One index for every face; materials referenced by name.
  Read("Material Green { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; }\n"
       "Mesh m {\n" + std::string(kBox) + " MeshMaterialList { 1; 1; 0;; { Green } }\n}\n");
  ASSERT_NE(scene, nullptr);
  m = xtest::Mesh(scene, 0);
  for (int f = 0; f < 6; ++f) EXPECT_EQ(xtest::FaceMaterial(m, f), "Green");
}

TEST_F(XImport, FacesNormalsAndTextureCoordinatesAreChecked) {
  // A face with two corners and one past the vertices are rejected; the
  // normals then still fit the faces that are left.
  Read("Mesh m {\n 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n 4; 3;0,1,2;, 2;0,1;, 3;0,2,9;, 4;0,1,2,3;;\n"
       " MeshNormals { 1; 0;0;1;; 4; 3;0,0,0;, 2;0,0;, 3;0,0,0;, 4;0,0,0,0;; }\n"
       " MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0.25;0.75;; }\n}\n");
  ASSERT_NE(scene, nullptr);
  MMesh_P* m = xtest::Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Face_Count(), 2);
  ASSERT_TRUE(m->NormalsUsed());
  EXPECT_EQ(m->Get_NFace_Count(), 2);
  ASSERT_TRUE(m->UVUsed());
  EXPECT_EQ(m->Get_UVFace_Count(), 2);
  EXPECT_DOUBLE_EQ(m->Get_UVVertex(3).y, 0.25);
  // Normal faces that do not match the faces are dropped, not half kept.
  Read("Mesh m {\n 3; 0;0;0;, 1;0;0;, 1;1;0;;\n 1; 3;0,1,2;;\n MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; }\n}\n");
  ASSERT_NE(scene, nullptr);
  EXPECT_FALSE(xtest::Mesh(scene, 0)->NormalsUsed());
  Read("Mesh m {\n 3; 0;0;0;, 1;0;0;, 1;1;0;;\n 1; 3;0,1,2;;\n MeshNormals { 1; 0;0;1;; 1; 3;0,5,0;; }\n}\n");
  ASSERT_NE(scene, nullptr);
  EXPECT_FALSE(xtest::Mesh(scene, 0)->NormalsUsed());
}

TEST_F(XImport, UnnamedMeshesAndMaterialsAreNumbered) {
  Read("Mesh {\n" + std::string(kBox) + " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n}\n"
       "Mesh {\n" + kBox + "}\n");
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(xtest::MeshCount(scene), 2);
  const std::string a = xtest::Mesh(scene, 0)->get_name(), b = xtest::Mesh(scene, 1)->get_name();
  EXPECT_EQ(a.rfind("mat_", 0), 0u);
  EXPECT_EQ(b.rfind("mat_", 0), 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(std::stoi(b.substr(4)), std::stoi(a.substr(4)) + 1);
}

TEST_F(XImport, BinaryDoublesAndUnknownObjects) {
  xtest::BinBody b;
  b.Name("XSkinMeshHeader");
  b.Token(10);
  b.Ints({1, 2, 3});
  b.Token(11);
  b.Name("Mesh");
  b.Name("dbl");
  b.Token(10);
  b.Ints({3});
  b.Floats({0, 0, 0, 1e-9, 0, 0, 0, 123456789.125, 0}, 64);
  b.Ints({1, 3, 0, 1, 2});
  b.Name("VertexDuplicationIndices");
  b.Token(10);
  b.Ints({3, 3, 0, 1, 2});
  b.Token(11);
  b.Token(11);
  Read(b.bytes, "xof 0303bin 0064");
  ASSERT_NE(scene, nullptr);
  MMesh_P* m = xtest::Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Vertex(1).x, 1e-9);
  EXPECT_EQ(m->Get_Vertex(2).y, 123456789.125);
}

TEST_F(XImport, LyingCountsAndDamagedFilesNeverCrash) {
  // Counts far beyond the data: the mesh is left out before anything is
  // allocated for it.
  Read("Mesh huge { 4000000000; 0;0;0;;\n 1; 3;0,0,0;; }\nMesh ok {\n" + std::string(kBox) + "}\n");
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(xtest::MeshCount(scene), 1);
  Read("Mesh m { 3; 0;0;0;, 1;0;0;, 1;1;0;; 2000000000; 3;0,1,2;; }\n");
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(xtest::MeshCount(scene), 0);
  Read("Mesh m { 3; 0;0;0;, 1;0;0;, 1;1;0;; 1; 4000000000;0,1,2;; }\n");
  ASSERT_NE(scene, nullptr);
  // Not a .x file, an empty one, a header alone.
  delete scene;
  scene = nullptr;
  EXPECT_EQ(xtest::ImportText(dir, "hello", ""), nullptr);
  EXPECT_EQ(xtest::ImportText(dir, "", ""), nullptr);
  scene = xtest::ImportText(dir, "");
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(xtest::MeshCount(scene), 0);
}

TEST_F(XImport, EveryCutOfTheRealFilesEndsCleanly) {
  KV_REQUIRE_CORPUS();
  for (const auto& e : std::filesystem::directory_iterator(kvtest::corpus_dir() / "x")) {
    if (e.path().extension() != ".x") continue;
    const std::string bytes = kvtest::read_file(e.path().string());
    int kept = 0;
    for (int k = 1; k < 64; ++k) {
      const std::string path = dir.file("cut.x");
      kvtest::write_file(path, bytes.substr(0, bytes.size() * k / 64));
      MScene* s = xtest::Import(path);
      if (s && xtest::Triangles(s) > 0) ++kept;
      delete s;
    }
    SCOPED_TRACE(e.path().string());
    if (bytes.compare(8, 4, "bzip") != 0) {
      EXPECT_GT(kept, 0);  // the later cuts keep the mesh read before the cut
    } else {
      EXPECT_EQ(kept, 0);  // a cut compressed file fails as a whole
    }
  }
}

TEST_F(XImport, FuzzRegressionsStayFixed) {
  const std::filesystem::path dir_path = KORVANE_X_FUZZ_REGRESSIONS;
  if (!std::filesystem::exists(dir_path)) GTEST_SKIP();
  for (const auto& e : std::filesystem::directory_iterator(dir_path)) {
    if (!e.is_regular_file() || e.path().extension() != ".x") continue;
    SCOPED_TRACE(e.path().string());
    delete xtest::Import(e.path().string());
  }
}

TEST_F(XImport, DamagedCompressedFilesFailWithTheirReason) {
  KV_REQUIRE_CORPUS();
  std::string bytes = kvtest::read_file(kvtest::corpus_file("x/test_cube_compressed.x"));
  ASSERT_GT(bytes.size(), 200u);
  for (size_t at : {size_t(40), bytes.size() / 2, bytes.size() - 20}) {
    std::string bad = bytes;
    for (size_t k = 0; k < 8; ++k) bad[at + k] = static_cast<char>(bad[at + k] ^ 0xA5);
    const std::string path = dir.file("bad.x");
    kvtest::write_file(path, bad);
    MScene* s = xtest::Import(path);
    EXPECT_EQ(s, nullptr) << at;
    delete s;
    const std::string why = kvtest::Plugins().LastError(xtest::XImport());
    // Raw deflate carries no checksum: a damaged block either fails to
    // inflate or gives bytes that do not parse.
    EXPECT_FALSE(why.empty()) << at;
  }
}

TEST_F(XImport, HugeNamesAndTokens) {
  const std::string big(10 << 20, 'n');
  Read("Mesh " + big + " {\n" + std::string(kBox) + " MeshMaterialList { 1; 1; 0;; Material " + big +
       " { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" + big + "\"; } } }\n " + big + "; }\n");
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(xtest::MeshCount(scene), 1);
  EXPECT_EQ(std::strlen(xtest::Mesh(scene, 0)->get_name()), big.size());
  EXPECT_EQ(xtest::Triangles(scene), 12);
}

TEST_F(XImport, SkinningAndDeclarationObjectsArePassedOver) {
  // Weights for vertices the mesh does not have: nothing reads them.
  Read("Frame Bone { Frame Root { Mesh skinned {\n" + std::string(kBox) +
       " XSkinMeshHeader { 4; 12; 1; }\n"
       " SkinWeights { \"Bone\"; 2; 99999, 4000000000; 0.5, 7.25; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n"
       " DeclData { 1; 2;0;5;0;; 8; 1,2,3,4,5,6,7,8; }\n"
       " VertexDuplicationIndices { 8; 8; 0,1,2,3,4,5,6,7; }\n"
       "} } }\nAnimTicksPerSecond { 24; }\n");
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(xtest::MeshCount(scene), 1);
  EXPECT_EQ(xtest::Triangles(scene), 12);
  ExpectBox(scene, MVector3(0, 0, 0), MVector3(1, 1, 1));
}

TEST_F(XImport, ReferencesThatMultiplyAreBounded) {
  // Each frame names the next one twice: 2^40 paths to the mesh.
  std::string body = "Mesh leaf {\n" + std::string(kBox) + "}\n";
  for (int i = 0; i < 40; ++i)
    body += "Frame F" + std::to_string(i) + " { { F" + std::to_string(i + 1) + " } { F" + std::to_string(i + 1) + " } }\n";
  body += "Frame F40 { { leaf } }\n";
  Read(body);
  ASSERT_NE(scene, nullptr);
  EXPECT_GE(xtest::MeshCount(scene), 1);
  EXPECT_LT(xtest::MeshCount(scene), 100000);
  // A reference by GUID alone.
  Read("Mesh byguid <11111111-2222-3333-4444-555555555555> {\n" + std::string(kBox) +
       "}\nFrame F { " + Matrix(1, 3, 0, 0) + " { <11111111-2222-3333-4444-555555555555> } }\n");
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(xtest::MeshCount(scene), 1);
  ExpectBox(scene, MVector3(3, 0, 0), MVector3(4, 1, 1));
}
