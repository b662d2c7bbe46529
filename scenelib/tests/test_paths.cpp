#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pathutil.h"
#include "strutil.h"
#include "byteorder.h"
#include "allocator.h"
#include "test_support.h"

namespace {
struct Split {
  char drive[M_MAX_DRIVE], dir[M_MAX_DIR], fname[M_MAX_FNAME], ext[M_MAX_EXT];
  explicit Split(const char* p) { m_splitpath(p, drive, dir, fname, ext); }
};
}  // namespace

TEST(SplitPath, PartsOfPlainAndWindowsPaths) {
  Split a("/home/x/model.3ds");
  EXPECT_STREQ(a.drive, "");
  EXPECT_STREQ(a.dir, "/home/x/");
  EXPECT_STREQ(a.fname, "model");
  EXPECT_STREQ(a.ext, ".3ds");
  Split b("c:\\models\\chair.3ds");
  EXPECT_STREQ(b.fname, "chair");
  EXPECT_STREQ(b.ext, ".3ds");
  EXPECT_STREQ(b.dir, "c:\\models\\");
  Split c("chair");
  EXPECT_STREQ(c.dir, "");
  EXPECT_STREQ(c.fname, "chair");
  EXPECT_STREQ(c.ext, "");
}

TEST(SplitPath, DotInFolderIsNoExtension) {
  Split a("/tmp/tmp.Xy12/model");
  EXPECT_STREQ(a.dir, "/tmp/tmp.Xy12/");
  EXPECT_STREQ(a.fname, "model");
  EXPECT_STREQ(a.ext, "");
  Split b("a.b/c.d.e");
  EXPECT_STREQ(b.fname, "c.d");
  EXPECT_STREQ(b.ext, ".e");
}

TEST(SplitPath, NullOutputsAndLongInputAreSafe) {
  std::string longp = "/" + std::string(400, 'd') + "/" + std::string(400, 'f') + ".ext";
  Split a(longp.c_str());
  EXPECT_LT(strlen(a.dir), size_t(M_MAX_DIR));
  EXPECT_LT(strlen(a.fname), size_t(M_MAX_FNAME));
  char fname[M_MAX_FNAME];
  m_splitpath("/x/y.z", nullptr, nullptr, fname, nullptr);
  EXPECT_STREQ(fname, "y");
  m_splitpath(nullptr, nullptr, nullptr, fname, nullptr);
  EXPECT_STREQ(fname, "");
}

TEST(MakePath, JoinsWithSeparatorsAndDot) {
  char out[M_MAX_PATH];
  m_makepath(out, "", "/models", "chair", "3ds");
  EXPECT_STREQ(out, "/models/chair.3ds");
  m_makepath(out, nullptr, "out/", "a", ".obj");
  EXPECT_STREQ(out, "out/a.obj");  // a relative folder stays relative
  m_makepath(out, nullptr, "out", "a", nullptr);
  EXPECT_STREQ(out, "out/a");
  m_makepath(out, "c", "models", "chair", "3ds");
  EXPECT_STREQ(out, "c:models/chair.3ds");
  m_makepath(out, nullptr, nullptr, "a", "");
  EXPECT_STREQ(out, "a");
  std::string big(1000, 'x');
  m_makepath(out, nullptr, big.c_str(), big.c_str(), big.c_str());
  EXPECT_EQ(strlen(out), size_t(M_MAX_PATH - 1));
}

TEST(FullPath, AbsoluteAndFolder) {
  char cur[M_MAX_PATH], full[M_MAX_PATH], dir[M_MAX_PATH];
  ASSERT_NE(m_getcurdir(cur, sizeof cur), nullptr);
  ASSERT_NE(m_getfullpath(full, "m.3ds"), nullptr);
  EXPECT_EQ(std::string(full), std::string(cur) + "/m.3ds");
  ASSERT_NE(m_getpath(dir, "/a/b/c.txt"), nullptr);
  EXPECT_STREQ(dir, "/a/b/");
  char small[4];
  ASSERT_NE(m_getcurdir(small, sizeof small), nullptr);
  EXPECT_LT(strlen(small), 4u);
}

TEST(FindFile, SearchPathAndCaseInsensitiveMatch) {
  kvtest::TempDir a, b;
  kvtest::write_file(b.file("IMAGE1.jpg"), "x");
  std::string sp = a.str() + ";" + b.str();
  char* f = m_find_file("IMAGE1.jpg", sp.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::string(f), b.file("IMAGE1.jpg"));
  f = m_find_file("IMAGE1.JPG", sp.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::string(f), b.file("IMAGE1.jpg"));
  f = m_find_file(b.file("image1.JPG").c_str(), nullptr);  // absolute name as it stands
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::string(f), b.file("IMAGE1.jpg"));
  EXPECT_EQ(m_find_file("missing.jpg", sp.c_str()), nullptr);
  EXPECT_EQ(m_find_file("IMAGE1.jpg", nullptr), nullptr);  // never the current folder
  EXPECT_EQ(m_find_file("IMAGE1.jpg", a.str().c_str()), nullptr);
}

TEST(FindFile, BackslashesInNameAndFoldersAreNotFiles) {
  kvtest::TempDir a;
  std::filesystem::create_directories(a.path() / "maps");
  kvtest::write_file(a.file("maps/Wood.PNG"), "x");
  char* f = m_find_file("maps\\wood.png", a.str().c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::string(f), a.file("maps/Wood.PNG"));
  EXPECT_EQ(m_find_file("maps", a.str().c_str()), nullptr);
}

TEST(FileOps, CopyAndCreateDirectory) {
  kvtest::TempDir t;
  kvtest::write_file(t.file("a"), "one");
  kvtest::write_file(t.file("b"), "two");
  EXPECT_EQ(m_CopyFile(t.file("a").c_str(), t.file("b").c_str(), 1), 0);
  EXPECT_EQ(kvtest::read_file(t.file("b")), "two");
  EXPECT_NE(m_CopyFile(t.file("a").c_str(), t.file("b").c_str(), 0), 0);
  EXPECT_EQ(kvtest::read_file(t.file("b")), "one");
  EXPECT_EQ(m_CopyFile(t.file("none").c_str(), t.file("c").c_str(), 0), 0);
  EXPECT_NE(m_CreateDirectory(t.file("sub").c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_directory(t.file("sub")));
  EXPECT_EQ(m_CreateDirectory(t.file("x/y/z").c_str()), 0);
}

TEST(StringHelpers, InPlaceEdits) {
  char s[] = "  Hello, World,1";
  EXPECT_STREQ(m_strip_spaces(s), "Hello, World,1");
  EXPECT_STREQ(m_strip_spaces("\t x"), "\t x");  // only blanks count
  EXPECT_STREQ(m_strlwr(s), "  hello, world,1");
  char n[] = "1,5 2,25";
  EXPECT_STREQ(m_check_f(n), "1.5 2.25");
  char r[] = "a_b_c_d";
  EXPECT_STREQ(m_search_replace(r, 4, '_', ' '), "a b c_d");
  char q[] = "ab";
  EXPECT_STREQ(m_search_replace(q, 100, 'b', 'c'), "ac");  // stops at the end
}

TEST(StringHelpers, SeparateString) {
  int count = -1;
  char** list = nullptr;
  ASSERT_EQ(m_seperatestring("a;;bc;", &count, &list, ';'), 1);
  ASSERT_EQ(count, 4);
  EXPECT_STREQ(list[0], "a");
  EXPECT_STREQ(list[1], "");
  EXPECT_STREQ(list[2], "bc");
  EXPECT_STREQ(list[3], "");
  m_freestring_list(count, list);
  ASSERT_EQ(m_seperatestring("one", &count, &list, ','), 1);
  ASSERT_EQ(count, 1);
  EXPECT_STREQ(list[0], "one");
  m_freestring_list(count, list);
  EXPECT_EQ(m_seperatestring(nullptr, &count, &list, ','), 0);
  EXPECT_EQ(count, 0);
}

TEST(ByteOrder, LittleEndianRoundTrip) {
  init_byteswap();
  uint32_t v = 0x11223344u;
  unsigned char le[8];
  N2IDWord(&v, le);
  EXPECT_EQ(le[0], 0x44);
  EXPECT_EQ(le[3], 0x11);
  uint32_t back = 0;
  I2NDWord(le, &back);
  EXPECT_EQ(back, v);
  uint16_t w = 0xABCD, w2 = 0;
  N2IWord(&w, le);
  EXPECT_EQ(le[0], 0xCD);
  I2NWord(le, &w2);
  EXPECT_EQ(w2, w);
  float f = 1.0f, f2 = 0;
  N2IFloat(&f, le);
  EXPECT_EQ(le[3], 0x3F);
  EXPECT_EQ(le[2], 0x80);
  I2NFloat(le, &f2);
  EXPECT_EQ(f2, f);
  double d = -2.5, d2 = 0;
  N2IDouble(&d, le);
  EXPECT_EQ(le[7], 0xC0);
  I2NDouble(le, &d2);
  EXPECT_EQ(d2, d);
}
