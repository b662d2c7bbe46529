// The batch list and its list files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "batch_list.h"
#include "batch_test_util.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using kvtest::RawEntry;

int Files(const fs::path& dir) {
  int n = 0;
  for (auto& f : fs::directory_iterator(dir)) n += f.is_regular_file() ? 1 : 0;
  return n;
}

}  // namespace

TEST(BatchList, OneEntryIsSevenHashesAndReadsBack) {
  kvtest::TempDir dir;
  BatchList list;
  std::string why;
  ASSERT_EQ(list.Add(RawEntry("/models/a.raw"), why), 1) << why;
  ASSERT_EQ(list.Save(dir.file("a.lst"), why), 1) << why;
  EXPECT_EQ(kvtest::read_file(dir.file("a.lst")), "#RAW (*.raw)#Raw (*.raw)#/models/a.raw#/out/###\n");
  EXPECT_EQ(Files(dir.path()), 1);  // no temporary file left

  BatchList back;
  BatchLoadReport report;
  ASSERT_EQ(back.Load(dir.file("a.lst"), report, why), 1) << why;
  ASSERT_EQ(back.entries.size(), 1u);
  EXPECT_EQ(back.entries[0].import_class, "RAW (*.raw)");
  EXPECT_EQ(back.entries[0].export_class, "Raw (*.raw)");
  EXPECT_EQ(back.entries[0].input, "/models/a.raw");
  EXPECT_EQ(back.entries[0].target, "/out/");
  EXPECT_EQ(back.entries[0].spare1, "");
  EXPECT_EQ(back.entries[0].line, 1);
  EXPECT_EQ(BatchList::DisplayLine(back.entries[0]), "\tRAW (*.raw)\tRaw (*.raw)\t/models/a.raw\t/out/");
  EXPECT_EQ(BatchList::Caption(1), "Batch (1 Files)");
  EXPECT_EQ(BatchList::Caption(3, "/m/x.raw"), "Batch (3 Files) /m/x.raw");
}

TEST(BatchList, BadLinesAreSkippedAndReadingGoesOn) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("l.lst"),
                     "#RAW (*.raw)#Raw (*.raw)#/a.raw#/out/#s1#s2#\n"   // 1: whole, spares carried
                     "\n"                                              // 2: blank
                     "#RAW (*.raw)#Raw (*.raw)#/b.raw\n"               // 3: no target
                     "RAW (*.raw)#Raw (*.raw)#/c.raw#/out/#\n"         // 4: no leading '#'
                     "#Unknown (*.zzz)#Raw (*.raw)#/d.zzz#/out/#\r\n"  // 5: CR LF, class not installed: kept
                     "#a#b#c#d#e#f#g#\n"                              // 6: a field too many
                     "#RAW (*.raw)##/e.raw#/out/#\n"                   // 7: empty export class
                     "   \t \n"                                        // 8: blank
                     "#RAW (*.raw)#Raw (*.raw)#/f.raw#/out/");         // 9: no line end
  BatchList list;
  BatchLoadReport report;
  std::string why;
  ASSERT_EQ(list.Load(dir.file("l.lst"), report, why), 1) << why;
  ASSERT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(list.entries[0].spare1, "s1");
  EXPECT_EQ(list.entries[0].spare2, "s2");
  EXPECT_EQ(list.entries[1].import_class, "Unknown (*.zzz)");
  EXPECT_EQ(list.entries[1].target, "/out/");
  EXPECT_EQ(list.entries[2].input, "/f.raw");
  EXPECT_EQ(list.entries[2].target, "/out/");
  EXPECT_EQ(list.entries[2].line, 9);
  EXPECT_EQ(report.entries, 3);
  EXPECT_EQ(report.blank, 2);
  ASSERT_EQ(report.skipped.size(), 4u);
  EXPECT_EQ(report.skipped[0].line, 3);
  EXPECT_EQ(report.skipped[1].line, 4);
  EXPECT_EQ(report.skipped[2].line, 6);
  EXPECT_EQ(report.skipped[3].line, 7);

  // Saved again, the entry of the missing class is still there.
  ASSERT_EQ(list.Save(dir.file("again.lst"), why), 1) << why;
  EXPECT_NE(kvtest::read_file(dir.file("again.lst")).find("#Unknown (*.zzz)#Raw (*.raw)#/d.zzz#/out/###\n"),
            std::string::npos);

  BatchList none;
  EXPECT_EQ(none.Load(dir.file("missing.lst"), report, why), 0);
  EXPECT_NE(why.find("missing.lst"), std::string::npos);
  EXPECT_EQ(none.Load(dir.str(), report, why), 0);
}

TEST(BatchList, AddRefusesWhatALineCannotHold) {
  BatchList list;
  std::string why;
  EXPECT_EQ(list.Add(RawEntry("/m/a#b.raw"), why), 0);
  EXPECT_NE(why.find("'#'"), std::string::npos) << why;
  EXPECT_EQ(list.Add(RawEntry("/m/a\tb.raw"), why), 0);
  EXPECT_NE(why.find("TAB"), std::string::npos) << why;
  EXPECT_EQ(list.Add(RawEntry("/m/a\nb.raw"), why), 0);
  EXPECT_EQ(list.Add(RawEntry("/m/a.raw", "/out\r/"), why), 0);
  EXPECT_EQ(list.Add(RawEntry(""), why), 0);
  BatchEntry spare = RawEntry("/m/a.raw");
  spare.spare2 = "x#y";
  EXPECT_EQ(list.Add(spare, why), 0);
  EXPECT_TRUE(list.entries.empty());

  for (const char* f : {"/0", "/1", "/2", "/3", "/4"}) ASSERT_EQ(list.Add(RawEntry(f), why), 1);
  list.Delete({3, 1, 3, 9, -1});
  ASSERT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(list.entries[0].input, "/0");
  EXPECT_EQ(list.entries[1].input, "/2");
  EXPECT_EQ(list.entries[2].input, "/4");
}

TEST(BatchList, FailedSaveLeavesTheOldList) {
  kvtest::TempDir dir;
  fs::permissions(dir.path(), fs::perms(0755));
  fs::path ro = dir.path() / "ro";
  fs::create_directory(ro);
  std::string path = (ro / "l.lst").string();
  kvtest::write_file(path, "#old#list#/x#/y#\n");
  fs::permissions(ro, fs::perms(0555));
  BatchList list;
  std::string why;
  ASSERT_EQ(list.Add(RawEntry("/new.raw"), why), 1);

  // root writes into any folder: the save runs as an ordinary user then.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    std::string w;
    int ok = list.Save(path, w);
    _exit(ok == 0 && w.find("ro") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  fs::permissions(ro, fs::perms(0755));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not fail with a reason";
  EXPECT_EQ(kvtest::read_file(path), "#old#list#/x#/y#\n");
  EXPECT_EQ(Files(ro), 1);

  // A folder in the way of the file: nothing replaced, nothing left over.
  fs::create_directory(dir.path() / "d.lst");
  EXPECT_EQ(list.Save((dir.path() / "d.lst").string(), why), 0);
  EXPECT_TRUE(fs::is_directory(dir.path() / "d.lst"));
  EXPECT_EQ(Files(dir.path()), 0);
}

TEST(BatchList, AppendKeepsEveryByteAlreadyThere) {
  kvtest::TempDir dir;
  std::string path = dir.file("l.lst");
  kvtest::write_file(path, "#a#b#/c#/d#\nnot an entry\n#a#b#/e#/f#");
  chmod(path.c_str(), 0640);
  std::string why;
  ASSERT_EQ(BatchList::AppendToFile(path, {RawEntry("/n.raw")}, why), 1) << why;
  EXPECT_EQ(kvtest::read_file(path),
            "#a#b#/c#/d#\nnot an entry\n#a#b#/e#/f#\n#RAW (*.raw)#Raw (*.raw)#/n.raw#/out/###\n");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ASSERT_EQ(BatchList::AppendToFile(dir.file("new.lst"), {RawEntry("/n.raw")}, why), 1) << why;
  EXPECT_EQ(kvtest::read_file(dir.file("new.lst")), "#RAW (*.raw)#Raw (*.raw)#/n.raw#/out/###\n");
  EXPECT_EQ(BatchList::AppendToFile(path, {RawEntry("/bad#name.raw")}, why), 0);
  EXPECT_NE(why.find("bad#name"), std::string::npos);
}
