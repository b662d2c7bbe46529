// RAW import through the built plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "raw_test_util.h"

using rawtest::Import;
using rawtest::Mesh;

namespace {

class RawImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(rawtest::ImportClass(), 0) << "import_raw.so not found in " << kvtest::bin_dir();
    rawtest::UseCommandLine({});
  }
  void TearDown() override { delete scene; }
  MScene* Read(const std::string& text) {
    std::string path = dir.file("in.raw");
    kvtest::write_file(path, text);
    delete scene;
    scene = Import(path);
    return scene;
  }
  std::string Log() { return kvtest::read_file(dir.file("importraw.log")); }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

void ExpectVec(const MVector3& v, double x, double y, double z) {
  EXPECT_DOUBLE_EQ(v.x, x);
  EXPECT_DOUBLE_EQ(v.y, y);
  EXPECT_DOUBLE_EQ(v.z, z);
}

}  // namespace

TEST_F(RawImport, FlatTriangleWithoutNameIsNonameWithZeroNormalWhenCollinear) {
  ASSERT_NE(Read("1 2 3 4 5 6 7 8 9\n"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->get_name(), "NONAME");
  EXPECT_EQ(m->Get_Face_Count(), 1);
  EXPECT_EQ(m->Get_NFace_Count(), 1);
  EXPECT_EQ(m->Get_Face_MatId(0), 0);
  MVector3 a, b, c;
  m->Get_Tri(0, a, b, c);
  ExpectVec(a, 1, 2, 3);
  ExpectVec(c, 7, 8, 9);
  m->Get_NTri(0, a, b, c);
  ExpectVec(a, 0, 0, 0);
  ExpectVec(c, 0, 0, 0);
  // The reference to the one surface, and the post-processing.
  EXPECT_EQ(scene->surfaces->count, 1);
  EXPECT_GE(scene->cameras->count, 1);
  EXPECT_GE(scene->lights->count, 1);
}

TEST_F(RawImport, NormalOfFlatTriangleAndSmoothTriangleNormalsAsRead) {
  ASSERT_NE(Read("0 0 0 1 0 0 0 1 0\n0 0 0 1 0 0 0 1 0 0 0 2 0 2 0 2 0 0\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->Get_Face_Count(), 2);
  MVector3 a, b, c;
  m->Get_NTri(0, a, b, c);
  ExpectVec(a, 0, 0, 1);
  ExpectVec(b, 0, 0, 1);
  m->Get_NTri(1, a, b, c);  // not normalised
  ExpectVec(a, 0, 0, 2);
  ExpectVec(b, 0, 2, 0);
  ExpectVec(c, 2, 0, 0);
}

TEST_F(RawImport, NamesCommentsAndEmptyObjects) {
  ASSERT_NE(Read("// a comment\n\n   \nfirst\nsecond object\n  1 2 3 4 5 6 7 8 0\n.5 is a name\n-.5 too\n"
                 "-1 0 0 0 1 0 0 0 1\r\n"),
            nullptr);
  // "first" and ".5 is a name" had no triangles and are dropped.
  ASSERT_EQ(scene->objects->count, 2);
  EXPECT_STREQ(Mesh(scene, 0)->get_name(), "second object");
  EXPECT_STREQ(Mesh(scene, 1)->get_name(), "-.5 too");
  EXPECT_EQ(Mesh(scene, 1)->Get_Face_Count(), 1);
}

TEST_F(RawImport, DecimalCommaAndNumberSyntax) {
  ASSERT_NE(Read("1,5 2 3 4 5 6 7 8 9\n1e1 +2 -3. .5 5e-1 6 7 8 0x10\n"), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_EQ(m->Get_Face_Count(), 2);
  MVector3 a, b, c;
  m->Get_Tri(0, a, b, c);
  EXPECT_DOUBLE_EQ(a.x, 1.5);
  m->Get_Tri(1, a, b, c);
  ExpectVec(a, 10, 2, -3);
  ExpectVec(b, 0.5, 0.5, 6);
  ExpectVec(c, 7, 8, 16);  // strtod reads hexadecimal too
}

TEST_F(RawImport, MalformedLineEndsReadingAndIsLogged) {
  rawtest::UseCommandLine({"-iv=1"});
  ASSERT_NE(Read("box\n0 0 0 1 0 0 0 1 0\n\n// c\n0 0 0 1 0 0 0 1 0\n\n1 2 3 4\n5 5 5 1 0 0 0 1 0\n"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  EXPECT_EQ(Mesh(scene, 0)->Get_Face_Count(), 2);
  std::string log = Log();
  EXPECT_NE(log.find("RAW Import Plugin 1.0 "), std::string::npos);
  EXPECT_NE(log.find("Options:\n"), std::string::npos);
  EXPECT_NE(log.find("Working on: box\n"), std::string::npos);
  EXPECT_NE(log.find("Error found at line 7\n"), std::string::npos);
  EXPECT_NE(log.find("Faces: 2\n"), std::string::npos);
  EXPECT_NE(log.find("Done                            \n"), std::string::npos);
}

TEST_F(RawImport, TenAndNineteenNumbers) {
  // 19 numbers: the first 18 make a smooth triangle, as a scanner of 18
  // numbers reads them; 10 numbers are malformed.
  ASSERT_NE(Read("1 2 3 4 5 6 7 8 9 1 0 0 1 0 0 1 0 0 99\n1 2 3 4 5 6 7 8 9 10\n"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  EXPECT_EQ(Mesh(scene, 0)->Get_Face_Count(), 1);
}

TEST_F(RawImport, MissingFileFailsWithTheReason) {
  rawtest::UseCommandLine({"-iv=1"});
  delete scene;
  scene = Import(dir.file("missing.raw"));
  EXPECT_EQ(scene, nullptr);
  EXPECT_EQ(rawtest::Registry().LastError(rawtest::ImportClass()),
            "cannot read " + dir.file("missing.raw") + ": No such file or directory");
  EXPECT_NE(Log().find("File " + dir.file("missing.raw") + " not found\n"), std::string::npos);
}

TEST_F(RawImport, LastLineWithoutLineEndIsRead) {
  ASSERT_NE(Read("a\n0 0 0 1 0 0 0 1 0\n0 0 0 1 0 0 0 2 0"), nullptr);
  EXPECT_EQ(Mesh(scene, 0)->Get_Face_Count(), 2);
}

TEST_F(RawImport, VeryLongLinesAreReadWhole) {
  std::string name(100000, 'n');
  std::string spaced = "0 0 0 1 0 0 0 1 0" + std::string(100000, ' ') + "\n";
  ASSERT_NE(Read(name + "\n" + spaced + "1" + std::string(100000, '1') + " 2\nlast\n0 0 0 1 0 0 0 1 0\n"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  // Names are cut to 1023 characters.
  EXPECT_EQ(std::string(Mesh(scene, 0)->get_name()), std::string(1023, 'n'));
  EXPECT_EQ(Mesh(scene, 0)->Get_Face_Count(), 1);
}

TEST_F(RawImport, GarbageNulBytesAndExtremeNumbersDoNotCrash) {
  std::string garbage;
  unsigned x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    garbage += static_cast<char>(x >> 24);
  }
  // Binary data is no RAW file: the import fails and says why.
  EXPECT_EQ(Read(garbage), nullptr);
  EXPECT_NE(rawtest::Registry().LastError(rawtest::ImportClass()).find("is not a RAW file"), std::string::npos);
  static const char kNul[] = "obj\0name\n0 0 0\0 1 0 0 0 1 0\n";
  EXPECT_EQ(Read(std::string(kNul, sizeof kNul - 1)), nullptr);
  ASSERT_NE(Read("o\n1e999 0 0 1 0 0 0 1 0\n1 nan 0 1 0 0 0 1 0\n1e-999 -1e999 0 inf 0 0 0 1 0\n"), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_EQ(m->Get_Face_Count(), 3);
  MVector3 a, b, c;
  m->Get_Tri(0, a, b, c);
  EXPECT_TRUE(std::isinf(a.x));
  m->Get_Tri(1, a, b, c);
  EXPECT_TRUE(std::isnan(a.y));
  m->Get_Tri(2, a, b, c);
  EXPECT_EQ(a.x, 0.0);
}

TEST_F(RawImport, CorpusFile) {
  KV_REQUIRE_CORPUS();
  std::string path = (kvtest::corpus_dir() / "raw" / "Wuson.raw").string();
  delete scene;
  scene = Import(path);
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  MMesh_P* m = Mesh(scene, 0);
  EXPECT_STREQ(m->get_name(), "NONAME");
  EXPECT_EQ(m->Get_Face_Count(), 3732);
  EXPECT_EQ(m->Get_Vertex_Count(), 3 * 3732);
  MVector3 a, b, c;
  m->Get_Tri(0, a, b, c);
  ExpectVec(a, 0.163313, 0.540615, -0.268688);
  EXPECT_LE(scene->GetBoundLeft().x, scene->GetBoundRight().x);
}

TEST_F(RawImport, WeldToleranceFromTheCommandLine) {
  rawtest::UseCommandLine({"-weld_tol=0.001"});
  ASSERT_NE(Read("0 0 0 1 0 0 0 1 0\n0 0 0 1 0 0 0 1 0\n"), nullptr);
  EXPECT_EQ(Mesh(scene, 0)->Get_Face_Count(), 2);
  EXPECT_EQ(Mesh(scene, 0)->Get_Vertex_Count(), 3);
  rawtest::UseCommandLine({});
  ASSERT_NE(Read("0 0 0 1 0 0 0 1 0\n0 0 0 1 0 0 0 1 0\n"), nullptr);
  EXPECT_EQ(Mesh(scene, 0)->Get_Vertex_Count(), 6);
}

TEST_F(RawImport, WeldingMatchesTheLinearScanOfTheLibrary) {
  // Points on a coarse lattice with jitter around the tolerance, so that
  // many are just inside and many just outside of it.
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> lattice(0, 6);
  std::uniform_real_distribution<double> jitter(-0.06, 0.06);
  std::string text;
  std::vector<MVector3> corners;
  char buf[64];
  for (int t = 0; t < 3000; ++t) {
    for (int k = 0; k < 3; ++k) {
      MVector3 p(lattice(rng) * 0.1 + jitter(rng), lattice(rng) * 0.1 + jitter(rng), jitter(rng));
      std::snprintf(buf, sizeof buf, "%s%f %f %f", k ? " " : "", p.x, p.y, p.z);
      text += buf;
    }
    text += "\n";
  }
  rawtest::UseCommandLine({"-weld_tol=0.05"});
  ASSERT_NE(Read(text), nullptr);
  MMesh_P* m = Mesh(scene, 0);
  ASSERT_NE(m, nullptr);
  // The same corners through Add_Tri with the tolerance.
  MMesh_P ref("ref");
  ref.UseNormals();
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    double v[9];
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf %lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3], &v[4],
                          &v[5], &v[6], &v[7], &v[8]),
              9);
    MVector3 a(v[0], v[1], v[2]), b(v[3], v[4], v[5]), c(v[6], v[7], v[8]);
    ref.Add_Tri(a, b, c, 0, 0.05);
    MVector3 n = vect_normalize(vect_cross(b - a, c - a));
    ref.Add_NTri(n, n, n, 0, 0.05);
  }
  ASSERT_EQ(m->Get_Vertex_Count(), ref.Get_Vertex_Count());
  ASSERT_EQ(m->Get_NVertex_Count(), ref.Get_NVertex_Count());
  ASSERT_EQ(m->Get_Face_Count(), ref.Get_Face_Count());
  EXPECT_LT(m->Get_Vertex_Count(), 3 * 3000);  // something was welded
  for (int f = 0; f < m->Get_Face_Count(); ++f)
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(m->Get_IFace(f)[k], ref.Get_IFace(f)[k]) << f;
      ASSERT_EQ(m->Get_INFace(f)[k], ref.Get_INFace(f)[k]) << f;
    }
}
