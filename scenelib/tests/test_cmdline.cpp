#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline.h"
#include "test_support.h"

namespace {
struct Args {
  std::vector<std::string> s;
  std::vector<const char*> v;
  Args(std::initializer_list<std::string> a) : s(a) {
    for (auto& x : s) v.push_back(x.c_str());
  }
  int argc() const { return static_cast<int>(v.size()); }
  const char* const* argv() const { return v.data(); }
};
}  // namespace

TEST(CmdLine, TokensAndPrefixKeys) {
  Args a{"prog", "-iv=1", "//comment", "/x=5", "plain", "-LD_MODE = 2;", "-ivx=7"};
  int v = -1;
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "IV", 0, &v), 1);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "ld_mode", 0, &v), 1);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(m_get_cmdl_flag(a.argc(), a.argv(), "x"), 0);  // '/' starts no option here
  EXPECT_EQ(m_get_cmdl_flag(a.argc(), a.argv(), "plain"), 0);
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "missing", 9, &v), 0);
  EXPECT_EQ(v, 9);
}

TEST(CmdLine, ValuesWithoutNumbersLeaveOutput) {
  Args a{"prog", "-iv", "-sc=abc", "-d= 1.5e2", "-name=a b=c"};
  int v = 3;
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "iv", 0, &v), 0);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "sc", 0, &v), 0);
  EXPECT_EQ(v, 3);
  double d = 0;
  EXPECT_EQ(m_get_cmdl_double(a.argc(), a.argv(), "d", 0, &d), 1);
  EXPECT_DOUBLE_EQ(d, 150.0);
  EXPECT_EQ(m_get_cmdl_double(a.argc(), a.argv(), "zz", 2.5, &d), 0);
  EXPECT_DOUBLE_EQ(d, 2.5);
  char s[8];
  EXPECT_EQ(m_get_cmdl_string(a.argc(), a.argv(), "name", "def", s, sizeof s - 1), 1);
  EXPECT_STREQ(s, "a b=c");
  EXPECT_EQ(m_get_cmdl_string(a.argc(), a.argv(), "none", "default-long", s, sizeof s - 1), 0);
  EXPECT_STREQ(s, "default");  // cut to len characters
  EXPECT_EQ(m_get_cmdl_string(a.argc(), a.argv(), "iv", "def", s, sizeof s - 1), 0);
  EXPECT_STREQ(s, "default");  // present without a value: unchanged
  EXPECT_EQ(m_get_cmdl_flag(a.argc(), a.argv(), "iv"), 1);
}

TEST(CmdLine, FilenameSkipsOptions) {
  Args a{"prog", "-iv=1", "@resp", "/home/x/model.3ds", "second"};
  char* f = nullptr;
  ASSERT_EQ(m_get_cmdl_filename(a.argc(), a.argv(), &f), 1);
  EXPECT_STREQ(f, "/home/x/model.3ds");
  Args b{"prog", "-a"};
  EXPECT_EQ(m_get_cmdl_filename(b.argc(), b.argv(), &f), 0);
}

TEST(CmdLine, ResponseFiles) {
  kvtest::TempDir t;
  std::string inner = '@' + t.file("inner.rsp");
  kvtest::write_file(t.file("inner.rsp"), "-deep=1\n");
  kvtest::write_file(t.file("opts.rsp"), "// comment -iv=9\r\n-ov = 4;\r\n  -scale=2\n" + inner +
                                             "\n-" + std::string(3000, 'k') + "=1\n-last=5");
  std::string at = '@' + t.file("opts.rsp");
  Args a{"prog", at, "-tail=1"};
  int v = 0;
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "ov", 0, &v), 1);
  EXPECT_EQ(v, 4);
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "scale", 0, &v), 1);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(m_get_cmdl_int(a.argc(), a.argv(), "last", 0, &v), 1);
  EXPECT_EQ(v, 5);
  EXPECT_EQ(m_get_cmdl_flag(a.argc(), a.argv(), "iv"), 0);
  EXPECT_EQ(m_get_cmdl_flag(a.argc(), a.argv(), "deep"), 0);  // no nesting
  EXPECT_EQ(m_get_cmdl_flag(a.argc(), a.argv(), "tail"), 1);

  std::string missing = '@' + t.file("nope.rsp");
  Args b{"prog", "-a=1", missing, "-b=1"};
  testing::internal::CaptureStderr();
  EXPECT_EQ(m_get_cmdl_flag(b.argc(), b.argv(), "b"), 0);  // collection ends there
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "File " + t.file("nope.rsp") + " not found\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(m_get_cmdl_flag(b.argc(), b.argv(), "a"), 1);
  testing::internal::GetCapturedStderr();
}

TEST(CmdLine, Iteration) {
  Args a{"prog", "-one", "x", "-two=2"};
  start_cmd_pars(a.argc(), a.argv());
  EXPECT_STREQ(get_next_cmd(), "one");
  EXPECT_STREQ(get_next_cmd(), "two=2");
  EXPECT_EQ(get_next_cmd(), nullptr);
  EXPECT_EQ(get_next_cmd(), nullptr);
  stop_cmd_pars();
  EXPECT_EQ(get_next_cmd(), nullptr);
  stop_cmd_pars();
  EXPECT_EQ(m_get_cmdl_flag(0, nullptr, "x"), 0);
}
