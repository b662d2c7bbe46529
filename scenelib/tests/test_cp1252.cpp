#include <gtest/gtest.h>

#include <string>

#include "cp1252.h"

TEST(Cp1252, EveryByteGoesToUtf8AndBack) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = m_cp1252_to_utf8(all);
  int unmapped = 0;
  EXPECT_EQ(m_utf8_to_cp1252(utf8, &unmapped), all);
  EXPECT_EQ(unmapped, 0);
}

TEST(Cp1252, KnownCharacters) {
  EXPECT_EQ(m_cp1252_to_utf8(std::string("Stra\xDF" "e \x80 5")), "Stra\xC3\x9F" "e \xE2\x82\xAC 5");
  EXPECT_EQ(m_utf8_to_cp1252(std::string("\xC3\xA9t\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D")), "\xE9t\xE9 \x93q\x94");
}

TEST(Cp1252, CharactersWithoutAByteBecomeQuestionMarks) {
  int unmapped = 0;
  // A CJK character, a four-byte emoji, and U+0080 (whose byte means the euro sign).
  EXPECT_EQ(m_utf8_to_cp1252(std::string("a\xE6\x97\xA5" "b\xF0\x9F\x98\x80" "c\xC2\x80"), &unmapped), "a?b?c?");
  EXPECT_EQ(unmapped, 3);
}

TEST(Cp1252, BytesThatAreNoUtf8StayAsTheyAre) {
  // A lone continuation byte, a cut sequence at the end, an overlong '/' and a surrogate.
  const std::string bad("x\x80y\xE2\x82", 5);
  EXPECT_EQ(m_utf8_to_cp1252(bad), bad);
  EXPECT_EQ(m_utf8_to_cp1252(std::string("\xC0\xAF")), std::string("\xC0\xAF"));
  EXPECT_EQ(m_utf8_to_cp1252(std::string("\xED\xA0\x80")), std::string("\xED\xA0\x80"));
}
