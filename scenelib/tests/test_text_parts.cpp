// Text read or written in parts: a line reader that stops at a byte limit,
// and text formatted on a second thread then put in its place.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "deferred_text.h"
#include "linereader.h"
#include "test_support.h"
#include "textwriter.h"

namespace {

std::vector<std::string> LinesOf(FILE* f, long limit) {
  MLineReader in(f, MLineReader::kKeepTabs, 64);
  if (limit >= 0) in.SetLimit(limit);
  std::vector<std::string> out;
  while (const char* l = in.Next()) out.push_back(l);
  return out;
}

}  // namespace

TEST(LineReaderLimit, StopsAtTheLimitAsAtTheEndOfTheFile) {
  std::string text = "first\r\nsecond\r\nthird\n";
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\n";
  FILE* f = std::tmpfile();
  ASSERT_TRUE(f);
  std::fwrite(text.data(), 1, text.size(), f);
  // Up to the LF of a CR LF: the two parts hold every line once.
  const long split = static_cast<long>(text.find("third"));
  std::rewind(f);
  EXPECT_EQ(LinesOf(f, split), (std::vector<std::string>{"first", "second"}));
  std::fseek(f, split, SEEK_SET);
  std::vector<std::string> back = LinesOf(f, -1);
  ASSERT_EQ(back.size(), 41u);
  EXPECT_EQ(back.front(), "third");
  EXPECT_EQ(back.back(), "line 39");
  // A limit inside a line ends it there; one past the buffer reads on.
  std::rewind(f);
  EXPECT_EQ(LinesOf(f, 3), (std::vector<std::string>{"fir"}));
  std::rewind(f);
  EXPECT_EQ(LinesOf(f, static_cast<long>(text.size()) + 100).size(), 43u);
  std::fclose(f);
}

TEST(DeferredText, WrittenInItsPlaceWithTheLineDelimiter) {
  constexpr int kLines = 1000000;
  kvtest::TempDir dir;
  const std::string path = dir.file("out.txt");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  {
    MTextWriter out(f, 0);
    MDeferredText later;
    EXPECT_FALSE(later.WriteTo(out));  // nothing started: the caller writes
    // About 10 MB: the text crosses the blocks it is kept in.
    ASSERT_TRUE(later.Start(0, [](MTextWriter& w) {
      for (int i = 0; i < kLines; ++i) {
        w.Put("n ");
        w.Int(i);
        w.EndLine();
      }
    }));
    out.Line("before");
    ASSERT_TRUE(later.WriteTo(out));
    out.Line("after");
  }
  std::fclose(f);
  std::string want = "before\r\n";
  for (int i = 0; i < kLines; ++i) want += "n " + std::to_string(i) + "\r\n";
  want += "after\r\n";
  EXPECT_EQ(kvtest::read_file(path), want);
}
