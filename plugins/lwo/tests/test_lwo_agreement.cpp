// Our reading of the real files against outside readers: assimp for LWO2
// objects and scenes (it does not read LWOB), tests/lwob_counts.py for LWOB;
// and what we write, read back by assimp.
#include <gtest/gtest.h>

#include <cmath>

#include "lwo_test_util.h"

namespace {

// assimp prints six decimals.
void ExpectBounds(const double* lo, const double* hi, const double* want_lo, const double* want_hi) {
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(lo[k], want_lo[k], 2e-6 + 1e-6 * std::fabs(want_lo[k])) << "axis " << k;
    EXPECT_NEAR(hi[k], want_hi[k], 2e-6 + 1e-6 * std::fabs(want_hi[k])) << "axis " << k;
  }
}

void ExpectLikeAssimp(const std::string& path) {
  const lwotest::AssimpInfo want = lwotest::Assimp(path);
  ASSERT_TRUE(want.ok) << "assimp cannot read " << path;
  MScene* s = lwotest::Import(path);
  ASSERT_NE(s, nullptr) << lwotest::LastImportError();
  const lwotest::Summary got = lwotest::Summarize(s);
  delete s;
  EXPECT_EQ(got.triangles, want.faces);
  double lo[3], hi[3];
  lwotest::ToAssimpAxes(got, lo, hi);
  ExpectBounds(lo, hi, want.lo, want.hi);
}

class LwoAgreement : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(lwotest::ImportClass(), 0);
    if (!std::filesystem::exists(kvtest::corpus_dir())) GTEST_SKIP() << "no corpus at " << kvtest::corpus_dir();
  }
};

TEST_F(LwoAgreement, Lwo2ObjectsAsAssimpReadsThem) {
  if (!lwotest::HaveAssimp()) GTEST_SKIP() << "assimp not installed";
  const auto files = lwotest::CorpusObjects("LWO2");
  ASSERT_FALSE(files.empty());
  for (const auto& f : files) {
    SCOPED_TRACE(f.string());
    ExpectLikeAssimp(f.string());
  }
}

TEST_F(LwoAgreement, ScenesPlaceTheirObjectsWhereAssimpDoes) {
  if (!lwotest::HaveAssimp()) GTEST_SKIP() << "assimp not installed";
  const auto files = lwotest::CorpusScenes();
  ASSERT_FALSE(files.empty());
  for (const auto& f : files) {
    SCOPED_TRACE(f.string());
    ExpectLikeAssimp(f.string());
  }
}

TEST_F(LwoAgreement, ObjectsAsTheScriptCountsThem) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 not installed";
  auto files = lwotest::CorpusObjects("LWOB");
  ASSERT_FALSE(files.empty());
  for (const auto& f : lwotest::CorpusObjects("LWO2")) files.push_back(f);
  for (const auto& f : files) {
    SCOPED_TRACE(f.string());
    const lwotest::ScriptCounts want = lwotest::CountWithScript(f.string());
    ASSERT_TRUE(want.ok) << "the script cannot read it";
    MScene* s = lwotest::Import(f.string());
    ASSERT_NE(s, nullptr);
    const lwotest::Summary got = lwotest::Summarize(s);
    delete s;
    EXPECT_EQ(got.triangles, want.triangles);
    const double lo[3] = {got.lo.x, got.lo.y, got.lo.z}, hi[3] = {got.hi.x, got.hi.y, got.hi.z};
    ExpectBounds(lo, hi, want.lo, want.hi);
  }
}

// What we write as LightWave 6 is what assimp read from the original: the
// same triangles, bounds and surface names. LWOB output is checked with the
// script, which reads it as we wrote it.
TEST_F(LwoAgreement, WhatWeWriteReadsBackTheSame) {
  const bool assimp = lwotest::HaveAssimp();
  std::vector<std::filesystem::path> files = lwotest::CorpusObjects("LWO2");
  for (const auto& f : lwotest::CorpusScenes()) files.push_back(f);
  for (const auto& f : lwotest::CorpusObjects("LWOB")) files.push_back(f);
  for (const auto& f : files) {
    SCOPED_TRACE(f.string());
    MScene* s = lwotest::Import(f.string());
    ASSERT_NE(s, nullptr);
    const lwotest::Summary ours = lwotest::Summarize(s);
    for (int version : {0, 1}) {
      kvtest::TempDir out;
      ASSERT_EQ(lwotest::Export(s, out.file("copy.lws"), {"-lwo_version=" + std::to_string(version)}), 1)
          << lwotest::LastExportError();
      // The scene file with all its objects.
      MScene* back = lwotest::Import(out.file("copy.lws"));
      ASSERT_NE(back, nullptr);
      const lwotest::Summary again = lwotest::Summarize(back);
      delete back;
      EXPECT_EQ(again.triangles, ours.triangles);
      EXPECT_EQ(again.surfaces, ours.surfaces);
      const double lo[3] = {again.lo.x, again.lo.y, again.lo.z}, hi[3] = {again.hi.x, again.hi.y, again.hi.z};
      const double wlo[3] = {ours.lo.x, ours.lo.y, ours.lo.z}, whi[3] = {ours.hi.x, ours.hi.y, ours.hi.z};
      ExpectBounds(lo, hi, wlo, whi);
      if (version == 1 && assimp && lwotest::Assimp(f.string()).ok) {
        const lwotest::AssimpInfo want = lwotest::Assimp(f.string());
        const lwotest::AssimpInfo got = lwotest::Assimp(out.file("copy.lws"));
        ASSERT_TRUE(got.ok) << "assimp cannot read what we wrote";
        EXPECT_EQ(got.faces, want.faces);
        ExpectBounds(got.lo, got.hi, want.lo, want.hi);
        EXPECT_EQ(got.materials, want.materials);
      }
    }
    delete s;
  }
}

}  // namespace
