#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "names.h"

TEST(UnifyMeshName, ModesPrefixAndReplace) {
  EXPECT_STREQ(m_unifymeshname("my-box", 0), "P_my_box");
  EXPECT_STREQ(m_unifymeshname("my-box", 5), "T_my_box");
  for (int mode : {1, 2, 3, 4, 6}) EXPECT_STREQ(m_unifymeshname("my-box", mode), "my_box") << mode;
  EXPECT_EQ(m_unifymeshname("my-box", 9), nullptr);
  EXPECT_EQ(m_unifymeshname("my-box", -1), nullptr);
  EXPECT_STREQ(m_unifymeshname("a\xe9_b 1", 3), "a__b_1");  // codes of 128 and more too
}

TEST(UnifyMeshName, Mode20DropsControlCharacters) {
  EXPECT_STREQ(m_unifymeshname("a\tb\nc d-\x7f", 20), "abc d-");
}

TEST(UnifyMeshName, LongNameIsCutAtTheBuffer) {
  std::string big(5000, 'x');
  const char* r = m_unifymeshname(big.c_str(), 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::strlen(r), 1023u);
  EXPECT_EQ(std::string(r, 2), "P_");
}

TEST(CleanupName, QuotesBlanksDigitsAndEmpty) {
  char s[64] = "  \"3d box\"  ";
  m_cleanup_name(s, 32);
  EXPECT_STREQ(s, "N3d_box");

  char e[64] = "";
  m_cleanup_name(e, 32);
  EXPECT_STREQ(e, "tmp_obj");

  char q[64] = "  \"\"  ";
  m_cleanup_name(q, 32);
  EXPECT_STREQ(q, "tmp_obj");

  char t[64] = "Box.01\r\n\x01";
  m_cleanup_name(t, 32);
  EXPECT_STREQ(t, "Box_01");
}

TEST(CleanupName, NeverStoresMoreThanLen) {
  char s[16];
  std::memset(s, 'Z', sizeof s);
  std::strcpy(s, "12345678");
  m_cleanup_name(s, 4);  // cut to "1234", then "N" in front, stored in 4
  EXPECT_STREQ(s, "N123");
  EXPECT_EQ(s[5], '6');  // nothing written past len + 1

  char e[8] = "";
  m_cleanup_name(e, 3);
  EXPECT_STREQ(e, "tmp");

  char keep[8] = "abc";
  m_cleanup_name(keep, 0);
  EXPECT_STREQ(keep, "abc");
}

TEST(UniqueNames, SuffixesAreUniqueAcrossCollidingNames) {
  MUniqueNames names;
  names.Reserve("T_DEFAULT");
  EXPECT_EQ(names.Get("a"), "a");
  EXPECT_EQ(names.Get("a"), "a_2");
  EXPECT_EQ(names.Get("a_2"), "a_2_2");  // taken by the second "a"
  EXPECT_EQ(names.Get("a"), "a_3");
  EXPECT_EQ(names.Get("T_DEFAULT"), "T_DEFAULT_2");
  EXPECT_TRUE(names.Taken("a_3"));
  EXPECT_FALSE(names.Taken("b"));
  // Many of one name stay linear: each search starts where the last ended.
  for (int i = 0; i < 20000; ++i) names.Get("same");
  EXPECT_EQ(names.Get("same"), "same_20001");
}
