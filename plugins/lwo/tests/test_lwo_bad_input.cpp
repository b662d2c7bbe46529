// Files that are cut short, lengths that lie, indices past every end, and
// the inputs the fuzzers once found: no crash, no hang, a clear result.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "lwo_test_util.h"

namespace {

using lwotest::Form;
using lwotest::Iff;

// An object with a bit of everything the reader handles.
std::vector<uint8_t> RichObject() {
  Iff p;
  for (int i = 0; i < 6; ++i) p.F32(static_cast<float>(i)).F32(static_cast<float>(i * i % 5)).F32(1.0f);
  Iff blok;
  blok.Sub("IMAP", Iff().U16(0x8000).Sub("CHAN", Iff().Id("COLR")).Sub("OPAC", Iff().U16(0).F32(1).VX(0)));
  blok.Sub("TMAP", Iff().Sub("CNTR", Iff().F32(0).F32(0).F32(0).VX(0)));
  blok.Sub("PROJ", Iff().U16(5)).Sub("IMAG", Iff().VX(1)).Sub("VMAP", Iff().S0("uv")).Sub("WRAP", Iff().U16(1).U16(1));
  Iff c;
  c.Chunk("TAGS", Iff().S0("one").S0("two"));
  c.Chunk("LAYR", Iff().U16(0).U16(0).F32(0).F32(0).F32(0).S0("a"));
  c.Chunk("PNTS", p);
  c.Chunk("VMAP", Iff().Id("TXUV").U16(2).S0("uv").VX(0).F32(0.5f).F32(0.5f).VX(5).F32(1).F32(1));
  c.Chunk("POLS", Iff().Id("FACE").U16(3).VX(0).VX(1).VX(2).U16(4).VX(2).VX(3).VX(4).VX(5));
  c.Chunk("PTAG", Iff().Id("SURF").VX(0).U16(0).VX(1).U16(1));
  c.Chunk("VMAD", Iff().Id("TXUV").U16(2).S0("uv").VX(2).VX(1).F32(0.25f).F32(0.75f));
  c.Chunk("LAYR", Iff().U16(1).U16(0).F32(0).F32(0).F32(0).S0("b"));
  c.Chunk("PNTS", p);
  c.Chunk("POLS", Iff().Id("FACE").U16(3).VX(5).VX(4).VX(3));
  c.Chunk("CLIP", Iff().U32(1).Sub("STIL", Iff().S0("Images/pic.png")));
  c.Chunk("SURF", Iff().S0("one").S0("").Sub("COLR", Iff().F32(1).F32(0).F32(0).VX(0)).Sub("BLOK", blok)
                      .Sub("SMAN", Iff().F32(1.0f)));
  return Form("LWO2", c);
}

std::vector<uint8_t> RichLwob() {
  Iff p;
  for (int i = 0; i < 4; ++i) p.F32(static_cast<float>(i)).F32(static_cast<float>(i * i % 3)).F32(2.0f);
  Iff c;
  c.Chunk("PNTS", p).Chunk("SRFS", Iff().S0("s"));
  c.Chunk("POLS", Iff().U16(3).U16(0).U16(1).U16(2).I16(-1).U16(1).U16(3).U16(1).U16(2).U16(3).I16(1));
  c.Chunk("SURF", Iff().S0("s").Sub("COLR", Iff().U8(1).U8(2).U8(3).U8(0)).Sub("SPEC", Iff().U16(0).U16(9).U16(0).U32(0)));
  c.Chunk("UVCV", Iff().U32(0).U32(3).F32(0).F32(0).U32(0).F32(1).F32(0).U32(0).F32(1).F32(1).U32(0));
  return Form("LWOB", c);
}

class LwoBadInput : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(lwotest::ImportClass(), 0); }
  // Imports the bytes; the run must end, with a scene or with a reason.
  void Survives(const std::vector<uint8_t>& bytes, const char* name = "bad.lwo") {
    lwotest::WriteBytes(dir.file(name), bytes);
    MScene* s = lwotest::Import(dir.file(name));
    if (!s) {
      EXPECT_FALSE(lwotest::LastImportError().empty());
    }
    delete s;
  }
  void EveryCut(const std::vector<uint8_t>& bytes, const char* name = "bad.lwo") {
    for (int k = 0; k < 64; ++k) {
      SCOPED_TRACE(k);
      Survives(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() * k / 64)), name);
    }
  }
  kvtest::TempDir dir;
};

TEST_F(LwoBadInput, CutAtEverySixtyFourth) {
  EveryCut(RichObject());
  EveryCut(RichLwob());
  if (!std::filesystem::exists(kvtest::corpus_dir())) return;
  std::vector<std::filesystem::path> files = lwotest::CorpusObjects("LWO2");
  for (const auto& f : lwotest::CorpusObjects("LWOB")) files.push_back(f);
  for (const auto& f : files) {
    SCOPED_TRACE(f.string());
    EveryCut(lwotest::ReadBytes(f.string()));
  }
}

TEST_F(LwoBadInput, ScenesCutAtEverySixtyFourth) {
  if (!std::filesystem::exists(kvtest::corpus_dir())) GTEST_SKIP() << "no corpus";
  lwotest::WriteBytes(dir.file("simple_cube.lwo"), RichObject());
  for (const auto& f : lwotest::CorpusScenes()) {
    SCOPED_TRACE(f.string());
    EveryCut(lwotest::ReadBytes(f.string()), "bad.lws");
  }
}

// Each chunk and sub-chunk length of the object in turn claims too much, too
// little or an odd amount.
TEST_F(LwoBadInput, LengthsThatLie) {
  for (const std::vector<uint8_t>& good : {RichObject(), RichLwob()}) {
    for (size_t at = 12; at + 8 <= good.size(); ++at) {
      // A header: four capital letters (or digits) and a length.
      bool id = true;
      for (size_t k = 0; k < 4; ++k) id = id && ((good[at + k] >= 'A' && good[at + k] <= 'Z') || (good[at + k] >= '0' && good[at + k] <= '9'));
      if (!id) continue;
      for (uint32_t lie : {0xFFFFFFFFu, 0x7FFFFFFFu, 1u, 0u}) {
        std::vector<uint8_t> b = good;
        // Long lengths of chunks, word lengths of sub-chunks: both are tried.
        b[at + 4] = static_cast<uint8_t>(lie >> 24);
        b[at + 5] = static_cast<uint8_t>(lie >> 16);
        Survives(b);
        b[at + 6] = static_cast<uint8_t>(lie >> 8);
        b[at + 7] = static_cast<uint8_t>(lie);
        Survives(b);
      }
    }
  }
  // The FORM itself.
  std::vector<uint8_t> b = RichObject();
  b[4] = b[5] = b[6] = b[7] = 0xFF;
  Survives(b);
  b[4] = b[5] = b[6] = 0, b[7] = 4;
  Survives(b);
}

TEST_F(LwoBadInput, IndicesPastTheEnd) {
  Iff c;
  c.Chunk("PNTS", Iff().F32(0).F32(0).F32(0).F32(1).F32(0).F32(0).F32(0).F32(1).F32(0));
  c.Chunk("POLS", Iff().Id("FACE").U16(3).VX(0xFFFFFF).VX(1).VX(2).U16(0x3FF).VX(0).VX(1));
  c.Chunk("PTAG", Iff().Id("SURF").VX(0xFFFFFE).U16(0xFFFF).VX(0).U16(0xFFFF));
  c.Chunk("VMAD", Iff().Id("TXUV").U16(2).S0("m").VX(0xFFFFFF).VX(0xFFFFFF).F32(1).F32(1));
  c.Chunk("VMAP", Iff().Id("TXUV").U16(0xFFFF).S0("m").VX(0xFFFFFF).F32(1).F32(1));
  c.Chunk("SURF", Iff().S0("x").S0("").Sub("BLOK", Iff().Sub("IMAP", Iff().U16(0x8000)).Sub("PROJ", Iff().U16(5))
                                                       .Sub("IMAG", Iff().VX(0xFFFFFF))));
  // A four-byte index cut off by the end of its chunk.
  c.Chunk("POLS", Iff().Id("FACE").U16(3).VX(0).U8(0xFF));
  Survives(Form("LWO2", c));
  MScene* s = lwotest::Import(dir.file("bad.lwo"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(kvtest::MeshAt(s, 0)->Get_Face_Count(), 0);
  delete s;
}

TEST_F(LwoBadInput, ScenesWithEndlessParentsAndNonsense) {
  lwotest::WriteBytes(dir.file("a.lwo"), RichObject());
  std::string s = "LWSC\n3\n";
  for (int i = 0; i < 200; ++i)
    s += "LoadObjectLayer 1 a.lwo\nParentItem 1" + std::string(7 - std::to_string((i + 1) % 200).size(), '0') +
         std::to_string((i + 1) % 200) + "\n";
  s += "ObjectMotion\nNumChannels 999999999\nChannel -5\n{ Envelope\n  99999999999\n  Key nan inf\n}\n}\n";
  s += "LightMotion\nAddLight\nLightName\nLightType 99999999999\nCameraMotion\n";
  lwotest::WriteBytes(dir.file("bad.lws"), std::vector<uint8_t>(s.begin(), s.end()));
  MScene* scene = lwotest::Import(dir.file("bad.lws"));
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(scene->objects->count, 200);
  delete scene;
  const char* old = "LWSC\n1\nLoadObject a.lwo\nObjectMotion (unnamed)\n  9\n  5\n  1 2 3 4 5 6\n  1\n  x\n"
                    "ParentObject 1\nTargetObject -7\nShowCamera\nCameraMotion\n  6\n";
  Survives(std::vector<uint8_t>(old, old + std::strlen(old)), "bad.lws");
}

// Inputs the fuzzers found, kept so that they stay harmless.
TEST_F(LwoBadInput, FuzzRegressions) {
  const std::filesystem::path dir_in = std::filesystem::path(KORVANE_LWO_SOURCE_DIR) / "fuzz" / "regressions";
  if (!std::filesystem::is_directory(dir_in)) GTEST_SKIP() << "no regressions";
  lwotest::WriteBytes(dir.file("a.lwo"), RichObject());
  for (const auto& e : std::filesystem::directory_iterator(dir_in)) {
    if (!e.is_regular_file()) continue;
    SCOPED_TRACE(e.path().string());
    std::vector<uint8_t> b = lwotest::ReadBytes(e.path().string());
    const bool scene = e.path().extension() == ".lws";
    if (scene) b.insert(b.begin(), {'L', 'W', 'S', 'C', '\n'});
    Survives(b, scene ? "bad.lws" : "bad.lwo");
  }
}

}  // namespace
