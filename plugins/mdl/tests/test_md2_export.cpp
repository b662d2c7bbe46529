// MD2 export through the built plug-in, read back by our import and by
// assimp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "mdl_test_util.h"
#include "quake_format.h"

namespace fs = std::filesystem;
using namespace quake;

namespace {

// Texture coordinates are written in hundredths.
constexpr double kHalfTexel = 0.5 / kMd2ExportSkinSize + 1e-9;

// A written MD2 file taken apart.
struct Md2 {
  std::vector<uint8_t> b;
  int32_t h[kMd2HeaderInts] = {};
  explicit Md2(const std::string& path) {
    std::string s = kvtest::read_file(path);
    b.assign(s.begin(), s.end());
    if (b.size() < kMd2HeaderSize) return;
    for (size_t i = 0; i < kMd2HeaderInts; ++i) h[i] = mdltest::GetI32(b, 4 * i);
  }
  int16_t I16(size_t at) const { return static_cast<int16_t>(b[at] | b[at + 1] << 8); }
  float F32(size_t at) const {
    float f;
    std::memcpy(&f, &b[at], 4);
    return f;
  }
  int16_t St(int i, int k) const { return I16(static_cast<size_t>(h[kMd2OfsTexCoords] + 4 * i + 2 * k)); }
  int16_t Tri(int i, int k) const { return I16(static_cast<size_t>(h[kMd2OfsTriangles] + 12 * i + 2 * k)); }
  float Scale(int a) const { return F32(static_cast<size_t>(h[kMd2OfsFrames] + 4 * a)); }
  float Translate(int a) const { return F32(static_cast<size_t>(h[kMd2OfsFrames] + 12 + 4 * a)); }
  uint8_t Byte(int v, int k) const { return b[static_cast<size_t>(h[kMd2OfsFrames] + 40 + 4 * v + k)]; }
  double Decoded(int v, int a) const { return Byte(v, a) * static_cast<double>(Scale(a)) + Translate(a); }
  std::string Skin() const {
    if (h[kMd2NumSkins] == 0) return "";
    return std::string(reinterpret_cast<const char*>(&b[static_cast<size_t>(h[kMd2OfsSkins])]));
  }
};

class Md2Export : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(mdltest::ExportClass(), 0) << "export_md2.so not found in " << kvtest::bin_dir();
    scene = new MScene("/models/thing.obj");
  }
  void TearDown() override {
    delete scene;
    delete back;
  }
  MMesh_P* AddMesh(const char* name, const std::vector<MVector3>& v, const std::vector<std::array<int, 4>>& faces,
                   const std::vector<const char*>& refs = {"mat"}) {
    MMesh_P* m = new MMesh_P(name);
    for (const MVector3& p : v) m->Add_Vertex(p, -1.0);
    for (const auto& f : faces) m->f_a->Add(f.data(), 3, f[3]);
    for (const char* r : refs) {
      m->surface_refs->Append(my_strdup(r));
      if (!scene->GetMaterialbyName(r)) scene->surfaces->Append(new MSurface(r));
    }
    scene->objects->Append(m);
    scene->CalculateBoundingBox();
    return m;
  }
  int Export(const std::vector<std::string>& options = {}, std::string* written = nullptr) {
    return mdltest::Export(scene, dir.file("out.md2"), options, written);
  }
  MScene* ReadBack(const std::string& file) {
    delete back;
    back = mdltest::Import(dir.file(file));
    return back;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
  MScene* back = nullptr;
};

std::vector<std::string> Md2Files(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".md2") out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

// byte = (p + g) n 127 + 128 with n = 2 / longest side, written with the
// scale and translation that decode it: a box 0 ... 10 reads back as such.
TEST_F(Md2Export, FrameBytesSpanTheSceneBoxAndDecodeToThePositions) {
  AddMesh("bar", {{0, 0, 0}, {5, 1, 0}, {10, 2, 0}}, {{0, 1, 2, 0}});
  ASSERT_EQ(Export(), 1);
  Md2 f(dir.file("bar0.md2"));
  ASSERT_EQ(f.h[kMd2NumVertices], 3);
  EXPECT_EQ(f.Byte(0, 0), 1);  // the minimum of the longest axis
  EXPECT_EQ(f.Byte(1, 0), 128);
  EXPECT_EQ(f.Byte(2, 0), 255);
  EXPECT_EQ(f.Byte(0, 1), 128 - 25);  // a shorter axis, around 128
  EXPECT_EQ(f.Byte(2, 1), 128 + 25);
  EXPECT_EQ(f.Byte(1, 2), 128);
  const double step = 10.0 / 254;
  EXPECT_NEAR(f.Scale(0), step, 1e-7);
  const double want[3][3] = {{0, 0, 0}, {5, 1, 0}, {10, 2, 0}};
  for (int v = 0; v < 3; ++v)
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(f.Decoded(v, a), want[v][a], step / 2 + 1e-6) << v << " " << a;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f.b[static_cast<size_t>(f.h[kMd2OfsFrames] + 24)])), "start");
  EXPECT_EQ(f.h[kMd2FrameSize], 40 + 4 * 3);
  EXPECT_EQ(f.h[kMd2OfsEnd], static_cast<int32_t>(f.b.size()));

  ASSERT_NE(ReadBack("bar0.md2"), nullptr);
  mdltest::Bounds b = mdltest::SceneBounds(back);
  EXPECT_NEAR(b.lo[0], 0, step / 2);
  EXPECT_NEAR(b.hi[0], 10, step / 2);
}

TEST_F(Md2Export, AZeroSizeBoxGetsAFiniteScale) {
  AddMesh("dot", {{3, 3, 3}, {3, 3, 3}, {3, 3, 3}}, {{0, 1, 2, 0}});
  ASSERT_EQ(Export(), 1);
  Md2 f(dir.file("dot0.md2"));
  for (int a = 0; a < 3; ++a) {
    EXPECT_TRUE(std::isfinite(f.Scale(a)));
    EXPECT_EQ(f.Byte(0, a), 128);
    EXPECT_NEAR(f.Decoded(0, a), 3.0, 1e-6);
  }
}

TEST_F(Md2Export, TextureCoordinatesInHundredthsAndCornersReversed) {
  MMesh_P* m = AddMesh("quad", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 0}, {0, 2, 3, 0}});
  m->UseUV();
  for (const MVector3& t : std::vector<MVector3>{{0.5, 0.25, 0}, {0.3, 0.7, 0}, {1, 1, 0}, {0.29, 0.07, 0}})
    m->Add_UVVertex(t, -1.0);
  const int32_t uv0[3] = {0, 1, 2}, uv1[3] = {0, 2, 3};
  m->uvf_a->Add(uv0, 3, 0);
  m->uvf_a->Add(uv1, 3, 0);
  ASSERT_EQ(Export(), 1);
  Md2 f(dir.file("quad0.md2"));
  ASSERT_EQ(f.h[kMd2NumTexCoords], 4);
  EXPECT_EQ(f.h[kMd2SkinWidth], 100);
  EXPECT_EQ(f.St(0, 0), 50);
  EXPECT_EQ(f.St(0, 1), 75);
  EXPECT_EQ(f.St(1, 0), 30);  // 0.3 and 0.7 are no exact binary numbers
  EXPECT_EQ(f.St(1, 1), 30);
  EXPECT_EQ(f.St(3, 0), 29);
  EXPECT_EQ(f.St(3, 1), 93);
  EXPECT_EQ(f.Tri(0, 0), 2);  // (0, 1, 2) written as (2, 1, 0)
  EXPECT_EQ(f.Tri(0, 2), 0);
  EXPECT_EQ(f.Tri(0, 3), 2);  // and so are its texture corners
  EXPECT_EQ(f.Tri(0, 5), 0);
  // A flat quad facing +z: the table's (0, 0, 1).
  EXPECT_EQ(f.Byte(0, 3), 5);

  // Both sides reverse the corners, so they come back in their order.
  ASSERT_NE(ReadBack("quad0.md2"), nullptr);
  MMesh_P* r = mdltest::Mesh(back);
  ASSERT_EQ(r->Get_Face_Count(), 2);
  for (int i = 0; i < 2; ++i) {
    for (int k = 0; k < 3; ++k) {
      const MVector3& p = r->Get_Vertex(r->Get_IFace(i).data[k]);
      const MVector3& q = m->Get_Vertex(m->Get_IFace(i).data[k]);
      EXPECT_NEAR(p.x, q.x, 1e-6);
      EXPECT_NEAR(p.y, q.y, 1e-6);
      const MVector3& s = r->Get_UVVertex(r->Get_IUVFace(i).data[k]);
      const MVector3& t = m->Get_UVVertex(m->Get_IUVFace(i).data[k]);
      EXPECT_NEAR(s.x, t.x, kHalfTexel);
      EXPECT_NEAR(s.y, t.y, kHalfTexel);
    }
  }
}

TEST_F(Md2Export, WithoutUvsOneTextureRecordAndZeroIndices) {
  AddMesh("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}});
  ASSERT_EQ(Export(), 1);
  Md2 f(dir.file("tri0.md2"));
  EXPECT_EQ(f.h[kMd2NumTexCoords], 1);
  EXPECT_EQ(f.St(0, 0), 0);
  for (int k = 3; k < 6; ++k) EXPECT_EQ(f.Tri(0, k), 0);
  EXPECT_EQ(f.h[kMd2NumSkins], 0);
}

// One file per material, each named after its mesh and material number; the
// host is told the first.
TEST_F(Md2Export, EveryMaterialIsAFileWithItsSkin) {
  AddMesh("Box", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}}, {{0, 1, 2, 0}, {1, 3, 2, 1}, {0, 1, 3, 7}},
          {"plain", "wood"});
  MSurface* wood = scene->GetMaterialbyName("wood");
  auto* layer = new MSrf_TextureLayer;
  layer->diffuse_color.enabled = 1;
  msrf_copy_name(layer->texture.bitmap.file_name, "maps\\oak.bmp");
  wood->layers.Add(layer);
  std::string written;
  ASSERT_EQ(Export({"-enable_extension_conversion=1", "-file_extension=PCX"}, &written), 1);
  // Faces of a material no reference names are not lost.
  EXPECT_EQ(Md2Files(dir.path()), (std::vector<std::string>{"Box0.md2", "Box1.md2", "Box7.md2"}));
  EXPECT_EQ(written, dir.file("Box0.md2"));
  EXPECT_EQ(Md2(dir.file("Box0.md2")).Skin(), "");
  EXPECT_EQ(Md2(dir.file("Box1.md2")).Skin(), "oak.PCX");
  Md2 seven(dir.file("Box7.md2"));
  EXPECT_EQ(seven.h[kMd2NumTriangles], 1);
  EXPECT_EQ(seven.Skin(), "");  // the scene's first surface: "plain"
  // Pieces share one grid: vertex (1, 0, 0) has the same bytes everywhere.
  EXPECT_EQ(Md2(dir.file("Box0.md2")).Byte(1, 0), Md2(dir.file("Box1.md2")).Byte(0, 0));
}

TEST_F(Md2Export, NamesThatCleanAlikeGetFilesOfTheirOwn) {
  AddMesh("a b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}});
  AddMesh("a-b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}});
  AddMesh(std::string(400, 'x').c_str(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}});
  ASSERT_EQ(Export(), 1);
  EXPECT_EQ(Md2Files(dir.path()), (std::vector<std::string>{"a_b0.md2", "a_b0_2.md2", std::string(200, 'x') + ".md2"}));
}

TEST_F(Md2Export, MeshesPastTheShortIndicesAreRefused) {
  std::vector<MVector3> v;
  std::vector<std::array<int, 4>> faces;
  for (int i = 0; i < kMd2MaxIndexed + 1; ++i) v.push_back(MVector3(i, i % 7, 0));
  for (int i = 0; i + 2 < kMd2MaxIndexed + 1; i += 3) faces.push_back({i, i + 1, i + 2, 0});
  faces.push_back({0, 1, kMd2MaxIndexed, 0});
  AddMesh("big", v, faces);
  EXPECT_EQ(Export(), 0);
  EXPECT_TRUE(Md2Files(dir.path()).empty());
  EXPECT_NE(kvtest::Plugins().LastError(mdltest::ExportClass()).find("at most 32768"), std::string::npos)
      << kvtest::Plugins().LastError(mdltest::ExportClass());
}

TEST_F(Md2Export, AnEmptySceneIsNoSuccess) {
  EXPECT_EQ(Export(), 0);
  EXPECT_NE(kvtest::Plugins().LastError(mdltest::ExportClass()).find("no triangles"), std::string::npos);
}

// ---- with real files --------------------------------------------------------

class Md2RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(mdltest::ImportClass(), 0);
    ASSERT_GE(mdltest::ExportClass(), 0);
  }
  // Imports `in` and exports it into a fresh folder; the one file written.
  std::string Pass(const std::string& in, const std::string& folder) {
    MScene* s = mdltest::Import(in, {"-mdl_skin_path=" + dir.str()});
    EXPECT_NE(s, nullptr) << mdltest::LastImportError();
    if (!s) return "";
    fs::create_directories(dir.file(folder));
    std::string written;
    EXPECT_EQ(mdltest::Export(s, dir.file(folder + "/x.md2"), {}, &written), 1);
    delete s;
    return written;
  }
  kvtest::TempDir dir;
};

TEST_F(Md2RoundTrip, AssimpReadsWhatWeWriteWithinOneStep) {
  KV_REQUIRE_CORPUS();
  if (!mdltest::HaveAssimp()) GTEST_SKIP() << "assimp not installed";
  for (const char* file : {"md2/faerie.md2", "mdl/steg.mdl"}) {
    SCOPED_TRACE(file);
    const std::string in = (kvtest::corpus_dir() / file).string();
    mdltest::AssimpInfo original = mdltest::AssimpRead(in);
    ASSERT_TRUE(original.ok);
    const std::string out = Pass(in, fs::path(file).stem().string());
    mdltest::AssimpInfo ours = mdltest::AssimpRead(out);
    ASSERT_TRUE(ours.ok) << out;
    EXPECT_EQ(ours.faces, original.faces);
    double longest = 0;
    for (int a = 0; a < 3; ++a) longest = std::max(longest, original.hi[a] - original.lo[a]);
    const double step = longest / 254;
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(ours.lo[a], original.lo[a], step) << "axis " << a;
      EXPECT_NEAR(ours.hi[a], original.hi[a], step) << "axis " << a;
    }
  }
}

TEST_F(Md2RoundTrip, Md2ToMd2IsStableAfterTheFirstPass) {
  KV_REQUIRE_CORPUS();
  for (const char* file : {"md2/faerie.md2", "mdl/steg.mdl"}) {
    SCOPED_TRACE(file);
    const std::string first = Pass((kvtest::corpus_dir() / file).string(), "1");
    const std::string second = Pass(first, "2");
    const std::string third = Pass(second, "3");
    ASSERT_FALSE(third.empty());
    EXPECT_EQ(kvtest::read_file(second), kvtest::read_file(third));
  }
}

TEST_F(Md2RoundTrip, ObjToMd2ToObjKeepsTheTextureCoordinates) {
  const int obj_in = mdltest::ObjImportClass(), obj_out = mdltest::ObjExportClass();
  if (obj_in < 0 || obj_out < 0) GTEST_SKIP() << "OBJ plug-ins not built";
  std::string obj = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0.5 1\n";
  const double uv[][2] = {{0, 0}, {0.3, 0.7}, {0.29, 0.93}, {1, 1}, {0.125, 0.5}, {0.07, 0.61}};
  for (const auto& t : uv) obj += "vt " + std::to_string(t[0]) + " " + std::to_string(t[1]) + "\n";
  obj += "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\nf 2/5 5/6 3/3\n";
  kvtest::write_file(dir.file("in.obj"), obj);
  kvtest::UseCommandLine({});
  MScene* a = kvtest::ImportWith(obj_in, dir.file("in.obj"));
  ASSERT_NE(a, nullptr);
  fs::create_directories(dir.file("md2"));
  std::string md2;
  ASSERT_EQ(mdltest::Export(a, dir.file("md2/x.md2"), {}, &md2), 1);
  MScene* b = mdltest::Import(md2);
  ASSERT_NE(b, nullptr);
  kvtest::UseCommandLine({});
  ASSERT_EQ(kvtest::ExportWith(obj_out, b, dir.file("out.obj")), 1);
  MScene* c = kvtest::ImportWith(obj_in, dir.file("out.obj"));
  ASSERT_NE(c, nullptr);
  MMesh_P* m0 = kvtest::MeshAt(a, 0);
  MMesh_P* m2 = kvtest::MeshAt(c, 0);
  ASSERT_NE(m2, nullptr);
  ASSERT_TRUE(m2->UVUsed());
  ASSERT_EQ(m2->Get_Face_Count(), m0->Get_Face_Count());
  for (int i = 0; i < m0->Get_Face_Count(); ++i) {
    for (int k = 0; k < 3; ++k) {
      const MVector3& want = m0->Get_UVVertex(m0->Get_IUVFace(i).data[k]);
      const MVector3& got = m2->Get_UVVertex(m2->Get_IUVFace(i).data[k]);
      EXPECT_NEAR(got.x, want.x, kHalfTexel) << "face " << i << " corner " << k;
      EXPECT_NEAR(got.y, want.y, kHalfTexel) << "face " << i << " corner " << k;
    }
  }
  delete a;
  delete b;
  delete c;
}
