// Damaged and hostile Quake models: cut files, counts and offsets that lie,
// sizes of zero. Each gives a scene or a stated reason, never a crash.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <limits>
#include <string>

#include "mdl_test_util.h"
#include "quake_format.h"

namespace fs = std::filesystem;

namespace {

class BadInput : public ::testing::Test {
 public:
  void SetUp() override { ASSERT_GE(mdltest::ImportClass(), 0); }
  // true when a scene came back; a failure must say why.
  bool Survives(const std::vector<uint8_t>& bytes, const char* name) {
    const std::string path = dir.file(name);
    mdltest::WriteBytes(path, bytes);
    MScene* s = mdltest::Import(path, {"-mdl_skin_path=" + dir.str(), "-mdl_overwrite_skins=1"});
    if (!s) {
      EXPECT_FALSE(mdltest::LastImportError().empty()) << name;
      return false;
    }
    EXPECT_GT(mdltest::Mesh(s)->Get_Face_Count(), 0);
    delete s;
    return true;
  }
  std::vector<uint8_t> Corpus(const char* file) {
    std::string bytes = kvtest::read_file((kvtest::corpus_dir() / file).string());
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  kvtest::TempDir dir;
};

// Cut at every 64th of its length: whatever is cut before the frame read
// fails with a reason; a cut after it still reads.
void CutEverywhere(BadInput& t, const std::vector<uint8_t>& whole, const char* name, size_t needed) {
  for (int k = 0; k < 64; ++k) {
    const size_t n = whole.size() * static_cast<size_t>(k) / 64;
    SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(n));
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(n));
    const bool read = t.Survives(cut, name);
    if (n < needed) {
      EXPECT_FALSE(read);
    }
  }
}

}  // namespace

TEST_F(BadInput, CutAtEvery64thOfTheLength) {
  const auto md2 = mdltest::SmallMd2().Bytes();
  CutEverywhere(*this, md2, "cut.md2", md2.size() - 4 - 56);  // the GL list and the second frame may go
  const auto mdl = mdltest::SmallMdl().Bytes();
  CutEverywhere(*this, mdl, "cut.mdl", mdl.size());
  KV_REQUIRE_CORPUS();
  // The first frame ends at byte 11368 of faerie's 320996 and at 8268 of
  // steg's 15561 (what follows its one frame is no part of the model).
  CutEverywhere(*this, Corpus("md2/faerie.md2"), "faerie.md2", 11368);
  CutEverywhere(*this, Corpus("mdl/steg.mdl"), "steg.mdl", 8268);
}

TEST_F(BadInput, Md2CountsAndOffsetsThatLie) {
  const auto good = mdltest::SmallMd2().Bytes();
  const int32_t values[] = {-1, 0, 1, 3, 4, 5, 67, 68, 1000, 65535, 65536, 0x40000000, INT_MAX, INT_MIN};
  for (size_t field = quake::kMd2VersionField; field < quake::kMd2HeaderInts; ++field) {
    for (int32_t v : values) {
      SCOPED_TRACE("field " + std::to_string(field) + " = " + std::to_string(v));
      auto bytes = good;
      mdltest::SetI32(&bytes, 4 * field, v);
      Survives(bytes, "lie.md2");
    }
  }
}

TEST_F(BadInput, MdlCountsThatLie) {
  const auto good = mdltest::SmallMdl().Bytes();
  const int32_t values[] = {-1, 0, 1, 2, 4, 1000, 0x10000, 0x40000000, INT_MAX, INT_MIN};
  // skins, skin width, skin height, vertices, triangles, frames
  for (size_t at = 48; at < 72; at += 4) {
    for (int32_t v : values) {
      SCOPED_TRACE("offset " + std::to_string(at) + " = " + std::to_string(v));
      auto bytes = good;
      mdltest::SetI32(&bytes, at, v);
      Survives(bytes, "lie.mdl");
    }
  }
}

TEST_F(BadInput, MdlGroupsThatLie) {
  mdltest::MdlFile f = mdltest::SmallMdl();
  f.skins[0].type = 1;
  f.frames[0].type = 1;
  const auto good = f.Bytes();
  const size_t skin_count_at = 84 + 4;
  // The frame: type, count, bounding box, one interval, one pose of 3 vertices.
  const size_t frame_count_at = good.size() - (4 + 4 + 8 + 4 + 24 + 4 * 3) + 4;
  ASSERT_TRUE(Survives(good, "group.mdl"));
  for (size_t at : {skin_count_at, frame_count_at}) {
    for (int32_t v : {-1, 0, 2, 1000, INT_MAX}) {
      SCOPED_TRACE("offset " + std::to_string(at) + " = " + std::to_string(v));
      auto bytes = good;
      mdltest::SetI32(&bytes, at, v);
      const bool read = Survives(bytes, "group.mdl");
      if (v != 2) {
        EXPECT_FALSE(read);
      }
    }
  }
}

TEST_F(BadInput, ZeroSizesAndCounts) {
  auto md2 = mdltest::SmallMd2();
  md2.skin_width = 0;
  EXPECT_FALSE(Survives(md2.Bytes(), "zero.md2"));
  EXPECT_NE(mdltest::LastImportError().find("skin of 0 x 32"), std::string::npos);
  md2 = mdltest::SmallMd2();
  md2.st.clear();  // no texture coordinates: read without a texture layer
  for (auto& t : md2.tris) t.st[0] = t.st[1] = t.st[2] = 0;
  md2.skin_width = md2.skin_height = 0;
  EXPECT_TRUE(Survives(md2.Bytes(), "nouv.md2"));
  md2 = mdltest::SmallMd2();
  md2.tris.clear();
  EXPECT_FALSE(Survives(md2.Bytes(), "notris.md2"));
  EXPECT_NE(mdltest::LastImportError().find("no triangles"), std::string::npos);
  md2 = mdltest::SmallMd2();
  md2.frames.clear();
  EXPECT_FALSE(Survives(md2.Bytes(), "noframes.md2"));

  auto mdl = mdltest::SmallMdl();
  mdl.skin_height = 0;
  mdl.skins.clear();
  EXPECT_FALSE(Survives(mdl.Bytes(), "zero.mdl"));
  mdl = mdltest::SmallMdl();
  mdl.skins.clear();  // no skin at all is fine
  EXPECT_TRUE(Survives(mdl.Bytes(), "noskin.mdl"));
}

TEST_F(BadInput, TrianglesPastTheVerticesAreLeftOutAndPastTheSkinKept) {
  auto md2 = mdltest::SmallMd2();
  md2.tris[1].v[2] = 4;
  ASSERT_TRUE(Survives(md2.Bytes(), "bad.md2"));
  auto w = mdltest::LastImportWarnings();
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("1 of 2 triangles"), std::string::npos);

  md2 = mdltest::SmallMd2();
  md2.tris[0].st[0] = 9;
  const std::string path = dir.file("st.md2");
  mdltest::WriteBytes(path, md2.Bytes());
  MScene* s = mdltest::Import(path);
  ASSERT_NE(s, nullptr);
  MMesh_P* m = mdltest::Mesh(s);
  EXPECT_EQ(m->Get_Face_Count(), 2);
  EXPECT_EQ(m->Get_IUVFace(0).data[2], 3);  // the last coordinate
  w = mdltest::LastImportWarnings();
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("1 of 2 triangles name texture coordinates past the 4"), std::string::npos);
  delete s;

  auto mdl = mdltest::SmallMdl();
  mdl.tris[0].v[1] = -1;
  mdl.tris[1].v[0] = 3;
  EXPECT_FALSE(Survives(mdl.Bytes(), "bad.mdl"));
  EXPECT_NE(mdltest::LastImportError().find("none of its 2 triangles"), std::string::npos);
}

TEST_F(BadInput, NonFiniteFramesAreRefused) {
  auto md2 = mdltest::SmallMd2();
  md2.frames[0].scale[1] = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(Survives(md2.Bytes(), "inf.md2"));
  auto mdl = mdltest::SmallMdl();
  mdl.translate[2] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(Survives(mdl.Bytes(), "nan.mdl"));
}

// Inputs the fuzzer once found a fault with.
TEST_F(BadInput, FuzzRegressionsReplay) {
  const fs::path folder = KV_MDL_REGRESSIONS_DIR;
  if (!fs::exists(folder)) GTEST_SKIP() << "no regression inputs";
  for (const auto& e : fs::directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    SCOPED_TRACE(e.path().string());
    std::string bytes = kvtest::read_file(e.path().string());
    Survives(std::vector<uint8_t>(bytes.begin(), bytes.end()), "replay.mdl");
  }
}
