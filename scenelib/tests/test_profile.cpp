#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "logfile.h"
#include "pathutil.h"
#include "profile.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(Profile, StringsIntsDoublesAndDefaults) {
  Profile p("ProfTestA");
  char buf[300] = "untouched";
  EXPECT_EQ(p.GetString("Sec", "missing", "dflt", buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "dflt");
  unsigned long n = 0;
  EXPECT_EQ(p.GetInt("Sec", "missing", 42, &n), 1);
  EXPECT_EQ(n, 42u);
  EXPECT_EQ(p.WriteString("Sec", "num", "12abc"), 1);
  p.GetInt("Sec", "num", 0, &n);
  EXPECT_EQ(n, 12u);
  EXPECT_EQ(p.WriteDouble("Sec", "d", 0.5), 1);
  p.GetString("Sec", "d", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "0.500000");
  double d = 0;
  p.GetDouble("Sec", "d", 1.0, &d);
  EXPECT_DOUBLE_EQ(d, 0.5);
  p.GetDouble("Sec", "nod", 1.25, &d);
  EXPECT_DOUBLE_EQ(d, 1.25);
  EXPECT_EQ(p.WriteInt("Sec", "neg", static_cast<unsigned long>(-3L)), 1);
  p.GetString("Sec", "neg", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "-3");
  // Names are matched like the registry's: without regard to case.
  Profile q("proftesta");
  q.GetString("SEC", "NUM", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "12abc");
}

TEST(Profile, AnyPrintableTextRoundTrips) {
  Profile p("ProfTestB");
  const char* key = "a key = [with] \\ odd=chars";
  std::string val = "x=1; [y] \\n back\\slash \n line\r\x01 end";
  ASSERT_EQ(p.WriteString("S e=c", key, val.c_str()), 1);
  ASSERT_EQ(p.WriteString("S e=c", "[other]", "v"), 1);
  char buf[300];
  p.GetString("S e=c", key, "", buf, sizeof buf);
  EXPECT_EQ(std::string(buf), val);
  p.GetString("S e=c", "[other]", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "v");
  ASSERT_EQ(p.WriteString("S e=c", key, "replaced"), 1);
  p.GetString("S e=c", key, "", buf, sizeof buf);
  EXPECT_STREQ(buf, "replaced");
}

TEST(Profile, LimitsOnReadAndWrite) {
  Profile p("ProfTestC");
  std::string v300(300, 'v');
  ASSERT_EQ(p.WriteString("S", "long", v300.c_str()), 1);
  char buf[1000];
  p.GetString("S", "long", "", buf, sizeof buf);
  EXPECT_EQ(strlen(buf), 255u);
  char small[8];
  p.GetString("S", "long", "", small, sizeof small);
  EXPECT_STREQ(small, "vvvvvvv");
  p.GetString("S", "none", "defaultlong", small, sizeof small);
  EXPECT_STREQ(small, "default");
  EXPECT_EQ(p.WriteString("S", "huge", std::string(4095, 'h').c_str()), 0);
  EXPECT_EQ(p.WriteString("S", "big", std::string(4094, 'h').c_str()), 1);
  EXPECT_EQ(p.WriteString("S", nullptr, "x"), 0);
}

TEST(Profile, CountsAndEnumeration) {
  Profile p("ProfTestD");
  unsigned long n = 99;
  EXPECT_EQ(p.GetValCount("Empty", &n), 1);
  EXPECT_EQ(n, 0u);
  p.WriteString("Top", "first", "1");
  p.WriteString("Top", "second", "22");
  p.WriteString("Top\\Sub1", "k", "v");
  p.WriteString("Top/Sub2\\Deeper", "k", "v");
  p.WriteString("Top\\sub1\\x", "k", "v");
  EXPECT_EQ(p.GetValCount("Top", &n), 1);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(p.GetSubCount("Top", &n), 1);
  EXPECT_EQ(n, 2u);
  char name[16];
  unsigned char data[16];
  unsigned long nl = sizeof name, dl = sizeof data, type = 0;
  ASSERT_EQ(p.EnumValue("Top", 1, name, &nl, &type, data, &dl), 1);
  EXPECT_STREQ(name, "second");
  EXPECT_EQ(nl, 6u);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "22");
  EXPECT_EQ(dl, 3u);
  EXPECT_EQ(type, 1u);
  nl = 3;
  dl = sizeof data;
  EXPECT_EQ(p.EnumValue("Top", 0, name, &nl, &type, data, &dl), 0);  // name buffer too small
  nl = sizeof name;
  EXPECT_EQ(p.EnumValue("Top", 2, name, &nl, &type, data, &dl), 0);
}

TEST(Profile, StoredUnderConfigFolderAtomically) {
  Profile p("Prof/Test:E");
  ASSERT_EQ(p.WriteString("S", "k", "v"), 1);
  char dir[260];
  m_profile_dir(dir);
  const char* xdg = getenv("XDG_CONFIG_HOME");
  ASSERT_NE(xdg, nullptr);
  EXPECT_EQ(std::string(dir), std::string(xdg) + "/KorvaneSoft1");
  int files = 0;
  for (auto& e : fs::directory_iterator(dir)) {
    std::string fn = e.path().filename().string();
    EXPECT_EQ(fn.find(".tmp."), std::string::npos) << fn;  // no temp files left
    EXPECT_EQ(fn.find('/'), std::string::npos);
    if (fn.find("prof") == 0 && fn.find("test") != std::string::npos && fn.find('e') != std::string::npos) ++files;
  }
  EXPECT_GE(files, 1);
  Profile def;
  EXPECT_STREQ(def.name, "korvanelib_tests");
}

TEST(Profile, TwoProcessesWritingLoseNothing) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  const char* who = child == 0 ? "c" : "p";
  Profile p("ProfTestRace");
  for (int i = 0; i < 40; ++i) p.WriteInt("S", (std::string(who) + std::to_string(i)).c_str(), i);
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  unsigned long n = 0;
  ASSERT_EQ(p.GetValCount("S", &n), 1);
  EXPECT_EQ(n, 80u);
}

TEST(LogFile, PlacedBesideBasePath) {
  kvtest::TempDir t;
  std::string base = t.file("chair.3ds");
  {
    LogFile log(base.c_str(), "model.log");
    ASSERT_EQ(log.is_open, 1);
    ASSERT_NE(log.Get_FILE(), nullptr);
    log.write("value %d%%\n", 5);
    log.write(2, "%s\n", "100% sure");
    log.write(0, "x\n");
  }
  EXPECT_EQ(kvtest::read_file(t.file("model.log")), "value 5%\n\t\t100% sure\nx\n");
  kvtest::TempDir other;
  std::string abs = other.file("x.log");
  {
    LogFile log(base.c_str(), abs.c_str());
    log.write("a");
  }
  EXPECT_EQ(kvtest::read_file(abs), "a");
}

TEST(LogFile, EmptyNamesLongMessagesAndAppend) {
  LogFile none("/tmp/x.3ds", "");
  EXPECT_EQ(none.is_open, 0);
  EXPECT_EQ(none.Get_FILE(), nullptr);
  none.write("ignored %d", 1);
  LogFile null_name("/tmp/x.3ds", nullptr);
  EXPECT_EQ(null_name.is_open, 0);
  LogFile bad("/no/such/dir/x.3ds", "x.log");
  EXPECT_EQ(bad.is_open, 0);
  bad.write("nothing");

  kvtest::TempDir t;
  std::string path = t.file("big.log");
  {
    LogFile log("", path.c_str());
    log.write("%s", std::string(3000, 'z').c_str());
  }
  EXPECT_EQ(kvtest::read_file(path).size(), 1023u);
  LogFile::SetAppendMode(1);
  {
    LogFile log("/ignored/base.3ds", path.c_str());
    log.write("more");
  }
  LogFile::SetAppendMode(0);
  EXPECT_EQ(kvtest::read_file(path).size(), 1027u);
}
