#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "textio.h"
#include "test_support.h"

namespace {
// A read stream over the given bytes.
FILE* stream_of(const std::string& bytes) {
  FILE* f = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), f);
  rewind(f);
  return f;
}

std::string written(int mode, const char* text) {
  FILE* f = tmpfile();
  m_fprintf(mode, f, "%s", text);
  long n = ftell(f);
  rewind(f);
  std::string out(static_cast<size_t>(n), '\0');
  size_t got = fread(out.data(), 1, out.size(), f);
  out.resize(got);
  fclose(f);
  return out;
}
}  // namespace

TEST(ReadLine, LineEndsTabsAndLastLine) {
  FILE* f = stream_of(std::string("a\tb\r\nc"));
  char buf[64];
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "ab");
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);  // unterminated last line
  EXPECT_STREQ(buf, "c");
  EXPECT_EQ(m_read_line(buf, sizeof buf, f), nullptr);
  fclose(f);
}

TEST(ReadLine, CrAloneControlCharsAndHighBytes) {
  FILE* f = stream_of(std::string("x\ry\n\n\xe9z\x01w\n"));
  char buf[64];
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "x");
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "y");
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "");
  ASSERT_NE(m_read_line1(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "\xe9z");
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "w");
  EXPECT_EQ(m_read_line(buf, sizeof buf, f), nullptr);
  fclose(f);
}

TEST(ReadLine, LongLineContinuesAndTinyBuffers) {
  FILE* f = stream_of("abcdefg\n");
  char buf[4];
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "abc");
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "def");
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "g");
  EXPECT_EQ(m_read_line(buf, sizeof buf, f), nullptr);
  rewind(f);
  char one[1] = {'q'};
  EXPECT_EQ(m_read_line(one, 1, f), nullptr);  // no endless empty lines
  EXPECT_EQ(one[0], 0);
  EXPECT_EQ(m_read_line(buf, 0, f), nullptr);
  fclose(f);
}

TEST(ReadLine, SkipLineAndSizes) {
  FILE* f = stream_of("first\r\nsecond\rthird");
  m_skip_line(f);
  EXPECT_EQ(m_filepos(f), 7);
  m_skip_line(f);
  EXPECT_EQ(m_filesize(f), 19);
  EXPECT_EQ(m_filepos(f), 14);  // position kept
  char buf[16];
  ASSERT_NE(m_read_line(buf, sizeof buf, f), nullptr);
  EXPECT_STREQ(buf, "third");
  fclose(f);
}

TEST(Fprintf, LineDelimiterModes) {
  EXPECT_EQ(written(0, "a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(written(1, "a\nb\n"), "a\nb\n");
  EXPECT_EQ(written(2, "a\nb\n"), "a\rb\r");
  EXPECT_EQ(written(7, "a\nb\n"), "ab");
  FILE* f = tmpfile();
  EXPECT_EQ(m_fprintf(1, f, "%d-%s\n", 42, "x"), 5);
  fclose(f);
}

TEST(Fprintf, LongOutputIsCut) {
  std::string big(5000, 'y');
  std::string out = written(1, big.c_str());
  EXPECT_EQ(out.size(), 1023u);
  FILE* f = tmpfile();
  EXPECT_EQ(m_fprintf(1, f, "%s", big.c_str()), 1023);
  fclose(f);
}
