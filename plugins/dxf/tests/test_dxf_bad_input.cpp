// Damaged and hostile input: cut files, pairs out of order, binary files
// whose lengths lie, numbers out of range, enormous lines, and the inputs
// the fuzzer once broke the import with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "dxf_test_util.h"

namespace {

using kvdxftest::BinaryDxf;
using kvdxftest::Entities;
using kvdxftest::G;
using kvdxftest::ImportText;
using kvdxftest::Summarize;

const std::vector<std::string> kFront = {"-dxf_backside_flag=0"};

std::string Warnings() {
  std::string all;
  for (const std::string& w : kvtest::Plugins().LastWarnings(kvdxftest::ImportClass())) all += w + "\n";
  return all;
}

std::string Error() { return kvtest::Plugins().LastError(kvdxftest::ImportClass()); }

// A binary file of faces, each followed by extended data of every kind
// the encoding has; open at its end unless closed.
BinaryDxf BinaryFaces(bool wide, int faces, bool closed) {
  BinaryDxf b(wide);
  b.Str(0, "SECTION").Str(2, "ENTITIES");
  for (int i = 0; i < faces; ++i) {
    b.Face(2.0 * i);
    b.Str(1001, "APP").Str(1000, "x").Real(1010, 9).Real(1020, 9).Real(1030, 9).Short(1070, 7).Int32(1071, -1);
    b.Chunk(1004, "abc").Chunk(310, std::string(200, 'z'));
    // Codes the entity record does not keep, one of each value type.
    b.Str(100, "AcDbFace").Real(140, 2.5).Short(280, 1).Int32(90, 5).Str(330, "1F");
    b.Code(290).Raw(std::string(1, '\1'));
  }
  if (closed) b.Str(0, "ENDSEC").Str(0, "EOF");
  return b;
}

TEST(DxfBadInput, BinaryFilesBothReleases) {
  kvtest::TempDir dir;
  for (bool wide : {false, true}) {
    MScene* s = ImportText(dir, BinaryFaces(wide, 3, true).str(), kFront, wide ? "r13.dxf" : "r12.dxf");
    ASSERT_NE(s, nullptr) << wide;
    auto sum = Summarize(s);
    EXPECT_EQ(sum.faces, 3) << wide;
    EXPECT_DOUBLE_EQ(sum.hi[0], 5) << wide;
    EXPECT_EQ(Warnings(), "");
    delete s;
  }
}

TEST(DxfBadInput, BinaryLengthsThatLie) {
  kvtest::TempDir dir;
  for (bool wide : {false, true}) {
    const BinaryDxf good = BinaryFaces(wide, 1, false);
    // A chunk longer than the file; a string without its NUL; a group
    // code of no known type; a real cut short.
    // Each in the entity after the face, so that the face is whole.
    const BinaryDxf lies[] = {BinaryDxf(good).Str(0, "LINE").Code(1004).Raw("\xff" "ab"),
                              BinaryDxf(good).Str(0, "LINE").Code(8).Raw("layer"),
                              BinaryDxf(good).Str(0, "LINE").Code(wide ? 2000 : 250).Raw("xxxxxxxx"),
                              BinaryDxf(good).Str(0, "LINE").Code(10).Raw("\x01\x02")};
    for (const BinaryDxf& lie : lies) {
      MScene* s = ImportText(dir, lie.str(), kFront);
      // What came before the lie stays.
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(Summarize(s).faces, 1);
      EXPECT_NE(Warnings().find("reading stopped"), std::string::npos);
      delete s;
    }
  }
  // A sentinel and nothing else, or a cut sentinel: not a DXF file.
  for (const std::string& bytes : {std::string("AutoCAD Binary DXF\r\n\x1a", 21), std::string("AutoCAD Binary DXF")}) {
    EXPECT_EQ(ImportText(dir, bytes), nullptr);
    EXPECT_NE(Error().find("not a DXF file"), std::string::npos);
  }
}

TEST(DxfBadInput, CutAtEveryStep) {
  KV_REQUIRE_CORPUS();
  kvtest::TempDir dir;
  std::string ascii = kvtest::read_file((kvtest::corpus_dir() / "dxf/PinkEggFromLW.dxf").string());
  ascii.erase(std::remove(ascii.begin(), ascii.end(), '\r'), ascii.end());
  // Where each entity (and the end of the section) starts.
  std::vector<size_t> starts;
  for (size_t p = ascii.find("\n0\n"); p != std::string::npos; p = ascii.find("\n0\n", p + 1))
    if (ascii.compare(p, 9, "\n0\n3DFACE") == 0 || ascii.compare(p, 9, "\n0\nENDSEC") == 0) starts.push_back(p);
  ASSERT_GT(starts.size(), 100u);
  for (int k = 0; k <= 64; ++k) {
    const size_t length = ascii.size() * k / 64;
    MScene* s = ImportText(dir, ascii.substr(0, length), kFront);
    const std::string warnings = Warnings();
    // The entities whose end the cut file still shows (the next 0 group
    // and a character of its value), read as a whole file of just them.
    size_t whole = 0;
    for (size_t p : starts)
      if (p + 4 <= length) whole = p;
    const std::string complete = whole ? ascii.substr(0, whole + 1) + G(0, "ENDSEC") + G(0, "EOF") : std::string();
    MScene* want = whole ? ImportText(dir, complete, kFront, "whole.dxf") : nullptr;
    EXPECT_EQ(s ? Summarize(s).Text() : "none", want ? Summarize(want).Text() : "none") << "cut at " << k << "/64";
    if (k > 0 && k < 64 && s) {
      EXPECT_NE(warnings, "") << k;
    }
    delete s;
    delete want;
  }
  // Binary: more faces with every step, never one made of a cut entity.
  const std::string binary = BinaryFaces(true, 40, true).str();
  long last = 0;
  for (int k = 0; k <= 64; ++k) {
    MScene* s = ImportText(dir, binary.substr(0, binary.size() * k / 64), kFront);
    const long faces = s ? Summarize(s).faces : 0;
    EXPECT_GE(faces, last) << "cut at " << k << "/64";
    if (s && faces) {
      EXPECT_EQ(Summarize(s).hi[0], 2.0 * faces - 1) << k;
    }
    last = faces;
    delete s;
  }
  EXPECT_EQ(last, 40);
}

TEST(DxfBadInput, PairsOutOfOrder) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  // Values before any section, an entity before its section, a section
  // without a name, a VERTEX and an ENDSEC out of place, sections in the
  // reverse order, a face after the end of the file.
  const std::string text = G(10, "1") + G(0, "3DFACE") + G(0, "SECTION") + G(70, "3") + G(0, "SECTION") +
                           G(2, "ENTITIES") + G(0, "VERTEX") + G(70, "128") + G(71, "1") + kvdxftest::Face3d(a) +
                           G(0, "ENDSEC") + G(0, "ENDSEC") + G(0, "SECTION") + G(2, "BLOCKS") + G(0, "ENDSEC") +
                           G(0, "SECTION") + G(2, "HEADER") + G(9, "$ACADVER") + G(0, "ENDSEC") + G(0, "EOF") +
                           kvdxftest::Face3d(a);
  MScene* s = ImportText(dir, text, kFront);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(Summarize(s).faces, 1);  // nothing after EOF
  delete s;
  // The group codes of an entity in any order.
  std::string shuffled = G(0, "3DFACE") + G(33, "0") + G(12, "1") + G(23, "1") + G(31, "0") + G(22, "1") +
                         G(10, "0") + G(13, "1") + G(21, "0") + G(8, "0") + G(32, "0") + G(20, "0") + G(11, "1") +
                         G(30, "0");
  s = ImportText(dir, Entities(shuffled), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 1);
  EXPECT_DOUBLE_EQ(sum.hi[1], 1);
  delete s;
}

TEST(DxfBadInput, NumbersOutOfRangeOrNotNumbers) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  const std::string good = kvdxftest::Face3d(a);
  struct Case {
    std::string pair;
    const char* why;
  } cases[] = {{G(10, "1e999"), "no real number"},   {G(20, "nan"), "no real number"},
               {G(30, "-inf"), "no real number"},    {G(10, "x"), "no real number"},
               {G(62, "99999999999"), "no int number"}, {G(70, "seven"), "no int number"},
               {"ten\n1\n", "no group code"},       {"10", "read line"}};
  for (const Case& c : cases) {
    // The bad pair in the second face; the file ends there.
    MScene* s = ImportText(dir, G(0, "SECTION") + G(2, "ENTITIES") + good + G(0, "3DFACE") + c.pair, kFront);
    ASSERT_NE(s, nullptr) << c.why;
    EXPECT_EQ(Summarize(s).faces, 1) << c.why;  // the face before the bad pair
    EXPECT_NE(Warnings().find(c.why), std::string::npos) << Warnings();
    delete s;
  }
  // A number that only starts like one, blanks around codes, tiny values.
  MScene* s = ImportText(dir, Entities(G(0, "3DFACE") + "  10  \n1.5abc\n" + G(11, "2") + G(21, "1e-9") +
                                       G(12, "2") + G(22, "1")),
                         kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 1);
  EXPECT_DOUBLE_EQ(sum.lo[0], 1.5);
  EXPECT_EQ(sum.lo[1], 0.0);
  delete s;
}

TEST(DxfBadInput, EnormousLinesKeepThePairsInStep) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  // A 10 MB layer name and a 10 MB comment between two faces.
  const std::string huge(10 << 20, 'L');
  MScene* s = ImportText(dir, Entities(kvdxftest::Face3d(a, 1, huge.c_str()) + G(999, huge) + kvdxftest::Face3d(a, 5)),
                         {"-dxf_backside_flag=0", "-dxf_obj_mode=1"});
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(Summarize(s).faces, 2);
  EXPECT_EQ(s->objects->count, 2);
  EXPECT_EQ(Warnings(), "");
  delete s;
  s = ImportText(dir, Entities(kvdxftest::Face3d(a, 1, huge.c_str())), kFront);
  ASSERT_EQ(s->objects->count, 1);
  EXPECT_EQ(std::strlen(kvtest::MeshAt(s, 0)->get_name()), 255u);
  delete s;
}

TEST(DxfBadInput, NotDxfAtAll) {
  kvtest::TempDir dir;
  for (const std::string& text : {std::string(), std::string("\x89PNG\r\n\x1a\n....", 12), std::string("hello\nworld\n"),
                                  G(0, "LINE") + G(0, "EOF")}) {
    EXPECT_EQ(ImportText(dir, text), nullptr);
    EXPECT_NE(Error().find("not a DXF file"), std::string::npos) << Error();
  }
  EXPECT_EQ(kvdxftest::Import(dir.file("missing.dxf")), nullptr);
}

TEST(DxfBadInput, FuzzerFindingsStayFixed) {
  int replayed = 0;
  for (const auto& e : std::filesystem::directory_iterator(KORVANE_DXF_REGRESSIONS)) {
    SCOPED_TRACE(e.path().filename().string());
    MScene* s = kvdxftest::Import(e.path().string(), {"-iv=0"});
    delete s;
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
