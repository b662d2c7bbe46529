// korvane-cli's modifier options and batch commands as a user runs them.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace kvclitest;

namespace {

const char kTriangle[] = "tri\n0 0 0 1 0 0 0 1 0\n";

std::string RawLine(const std::string& input, const std::string& target) {
  return "#RAW (*.raw)#Raw (*.raw)#" + input + "#" + target + "###\n";
}

std::vector<std::string> OutLines(const Result& r) { return Lines(r.out); }

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line) return true;
  return false;
}

bool StartsWithLine(const std::vector<std::string>& lines, const std::string& head) {
  for (const std::string& l : lines)
    if (l.rfind(head, 0) == 0) return true;
  return false;
}

// A plug-in folder with the build's plug-ins and the one that crashes or
// hangs on import.
struct PluginsWithMisbehaving {
  kvtest::TempDir dir;
  bool ok = false;
  PluginsWithMisbehaving() {
    fs::path bad = kvtest::bin_dir().parent_path() / "test_plugins_misbehaving" / "f_misbehaves.so";
    if (!fs::exists(bad)) return;
    for (auto& f : fs::directory_iterator(PluginDir())) fs::create_symlink(f.path(), dir.path() / f.path().filename());
    fs::create_symlink(bad, dir.path() / bad.filename());
    ok = true;
  }
};

// count RAW files of `tris` triangles each in dir/in, one list line each.
std::string RawInputs(const kvtest::TempDir& dir, int count, int tris, const std::string& target) {
  fs::create_directories(dir.path() / "in");
  std::string text = "obj\n";
  for (int t = 0; t < tris; ++t) text += std::to_string(t) + " 0 0 " + std::to_string(t + 1) + " 0 0 0 1 0\n";
  std::string list;
  for (int i = 0; i < count; ++i) {
    std::string in = dir.file("in/m" + std::to_string(i) + ".raw");
    kvtest::write_file(in, text);
    list += RawLine(in, target);
  }
  return list;
}

std::string JsonField(const std::string& line, const std::string& key) {
  size_t at = line.find("\"" + key + "\": ");
  if (at == std::string::npos) return "";
  at += key.size() + 4;
  if (line[at] == '"') return line.substr(at + 1, line.find('"', at + 1) - at - 1);
  return line.substr(at, line.find_first_of(",}", at) - at);
}

}  // namespace

TEST(CliModifiers, ObjectAndSceneFilesRunBetweenImportAndExport) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("weld.ini"), "-f_mesh_weld = 1;\n-mesh_weld_tol = 0.001;\n");
  kvtest::write_file(dir.file("move.ini"), "-enable_scene_translate = 1;\n-scene_translate = <10, 0, 0>;\n");
  Result plain = RunCli({"info", Sample()});
  Result welded = RunCli({"info", Sample(), "--objmod", dir.file("weld.ini")});
  ASSERT_EQ(welded.status, 0) << welded.err;
  EXPECT_EQ(Field(welded.out, "triangles"), Field(plain.out, "triangles"));
  EXPECT_LT(std::stoi(Field(welded.out, "vertices")), std::stoi(Field(plain.out, "vertices")));
  EXPECT_EQ(Field(welded.out, "bounds"), Field(plain.out, "bounds"));

  Result moved = RunCli({"convert", Sample(), dir.file("moved.raw"), "--scenemod=" + dir.file("move.ini")});
  ASSERT_EQ(moved.status, 0) << moved.err;
  EXPECT_EQ(Field(RunCli({"info", dir.file("moved.raw")}).out, "bounds"), "7 -3 -1.5 15 3 1");

  Result missing = RunCli({"convert", Sample(), dir.file("x.raw"), "--objmod", dir.file("none.ini")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.ini"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(dir.file("x.raw")));
  EXPECT_EQ(RunCli({"convert", Sample(), dir.file("x.raw"), "--objmod"}).status, 2);
  EXPECT_EQ(RunCli({"dump", Sample(), dir.file("d.txt"), "--objmod", dir.file("weld.ini")}).status, 2);
}

TEST(CliModifiers, HelpTexts) {
  if (!fs::exists(Cli())) GTEST_SKIP() << "korvane-cli not built";
  Result both = RunCli({"modify-help"});
  ASSERT_EQ(both.status, 0);
  EXPECT_EQ(both.out.rfind("** Common Object Modifier Options **\n\t-mv=FLAG; // enables verbose mode\n", 0), 0u);
  EXPECT_NE(both.out.find("** Common Scene Modifier Options **\n"), std::string::npos);
  Result obj = RunCli({"help", "objmod"});
  EXPECT_NE(obj.out.find("-f_mesh_weld = FLAG; // weld faces, normals and uv vertices\n"), std::string::npos);
  EXPECT_EQ(obj.out.find("Scene Modifier"), std::string::npos);
  Result scene = RunCli({"help", "scenemod"});
  EXPECT_EQ(scene.out.rfind("** Common Scene Modifier Options **\n", 0), 0u);
  Result usage = RunCli({"help"});
  for (const char* c : {"batch LIST.lst", "batch-add LIST.lst OUTDIR FILE...", "modify-help", "--objmod F.ini"})
    EXPECT_NE(usage.out.find(c), std::string::npos) << c;
}

TEST(CliBatch, SecondInputMissingIsReportedAndTheListKept) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("one.raw"), kTriangle);
  kvtest::write_file(dir.file("three.raw"), kTriangle);
  std::string out = dir.file("out");
  std::string list = RawLine(dir.file("one.raw"), out) + RawLine(dir.file("two.raw"), out) +
                     RawLine(dir.file("three.raw"), out);
  kvtest::write_file(dir.file("l.lst"), list);
  chmod(dir.file("l.lst").c_str(), 0444);  // a run never writes the list
  Result r = RunCli({"batch", dir.file("l.lst")});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  std::vector<std::string> lines = OutLines(r);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0], "converted " + dir.file("one.raw") + " -> " + out + "/one.raw");
  EXPECT_EQ(lines[1].rfind("failed " + dir.file("two.raw") + ": cannot read input file: No such file", 0), 0u)
      << lines[1];
  EXPECT_EQ(lines[2], "converted " + dir.file("three.raw") + " -> " + out + "/three.raw");
  EXPECT_EQ(lines[3], "batch: 3 entries, 2 converted, 1 failed, 0 skipped");
  EXPECT_TRUE(fs::exists(out + "/one.raw"));
  EXPECT_TRUE(fs::exists(out + "/three.raw"));
  EXPECT_EQ(kvtest::read_file(dir.file("l.lst")), list);

  // All there: status 0.
  kvtest::write_file(dir.file("two.raw"), kTriangle);
  EXPECT_EQ(RunCli({"batch", dir.file("l.lst")}).status, 0);
  Result dry = RunCli({"batch", dir.file("l.lst"), "--dry-run"});
  EXPECT_EQ(dry.status, 0);
  EXPECT_TRUE(Has(OutLines(dry), "would convert " + dir.file("two.raw") + " -> " + out + "/two (Raw (*.raw))")) << dry.out;
}

TEST(CliBatch, BlankLinesUnknownClassesAndAnUnterminatedLastLine) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  for (const char* f : {"a.raw", "b.raw", "c.raw"}) kvtest::write_file(dir.file(f), kTriangle);
  std::string out = dir.file("out");
  std::string list = RawLine(dir.file("a.raw"), out) + "\n" + "#No Such (*.nsc)#Raw (*.raw)#" + dir.file("b.raw") +
                     "#" + out + "###\n" + "#RAW (*.raw)#Raw (*.raw)#" + dir.file("c.raw") + "#" + out;
  kvtest::write_file(dir.file("l.lst"), list);
  Result r = RunCli({"batch", dir.file("l.lst")});
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> lines = OutLines(r);
  EXPECT_TRUE(Has(lines, "converted " + dir.file("a.raw") + " -> " + out + "/a.raw")) << r.out;
  EXPECT_TRUE(Has(lines, "failed " + dir.file("b.raw") + ": import class 'No Such (*.nsc)' is not installed")) << r.out;
  EXPECT_TRUE(Has(lines, "converted " + dir.file("c.raw") + " -> " + out + "/c.raw")) << r.out;
  EXPECT_TRUE(Has(lines, "batch: 3 entries, 2 converted, 1 failed, 0 skipped")) << r.out;
  EXPECT_EQ(kvtest::read_file(dir.file("l.lst")), list);

  // A line that is no entry is counted as skipped.
  kvtest::write_file(dir.file("m.lst"), RawLine(dir.file("a.raw"), out) + "#RAW (*.raw)#short\n");
  Result m = RunCli({"batch", dir.file("m.lst")});
  EXPECT_EQ(m.status, 1);
  EXPECT_TRUE(Has(OutLines(m), "batch: 2 entries, 1 converted, 0 failed, 1 skipped")) << m.out;
  EXPECT_NE(m.err.find("m.lst:2: skipped"), std::string::npos) << m.err;
}

TEST(CliBatch, UsageAndListErrors) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("l.lst"), "");
  EXPECT_EQ(RunCli({"batch"}).status, 2);
  EXPECT_EQ(RunCli({"batch", dir.file("l.lst"), "extra"}).status, 2);
  EXPECT_EQ(RunCli({"batch", dir.file("l.lst"), "--jobs", "0"}).status, 2);
  EXPECT_EQ(RunCli({"batch", dir.file("l.lst"), "--shard", "4/3"}).status, 2);
  EXPECT_EQ(RunCli({"batch", dir.file("l.lst"), "--timeout", "soon"}).status, 2);
  EXPECT_EQ(RunCli({"batch", dir.file("l.lst"), "--to", "Raw"}).status, 2);
  EXPECT_EQ(RunCli({"batch-add", dir.file("l.lst")}).status, 2);
  // The report must not overwrite the list.
  kvtest::write_file(dir.file("k.lst"), RawLine(Sample(), dir.file("out")));
  EXPECT_EQ(RunCli({"batch", dir.file("k.lst"), "--report", dir.file("k.lst")}).status, 2);
  EXPECT_EQ(kvtest::read_file(dir.file("k.lst")), RawLine(Sample(), dir.file("out")));
  Result none = RunCli({"batch", dir.file("none.lst")});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("none.lst"), std::string::npos);
  Result empty = RunCli({"batch", dir.file("l.lst")});
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "batch: 0 entries, 0 converted, 0 failed, 0 skipped\n");
}

TEST(CliBatch, AddWritesEntriesAndRefusesNamesALineCannotHold) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("a.raw"), kTriangle);
  kvtest::write_file(dir.file("b#c.raw"), kTriangle);
  kvtest::write_file(dir.file("d.raw"), kTriangle);
  Result r = RunCli({"batch-add", dir.file("l.lst"), dir.file("out"), dir.file("a.raw"), dir.file("b#c.raw"),
                     dir.file("none.raw"), dir.file("d.raw")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("b#c.raw"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("'#'"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("none.raw"), std::string::npos) << r.err;
  EXPECT_EQ(kvtest::read_file(dir.file("l.lst")),
            RawLine(dir.file("a.raw"), dir.file("out") + "/") + RawLine(dir.file("d.raw"), dir.file("out") + "/"));
  // Appending keeps what is there; --to picks another export class.
  Result more = RunCli({"batch-add", dir.file("l.lst"), dir.file("out"), dir.file("a.raw"), "--to", "0x38B21086"});
  EXPECT_EQ(more.status, 0) << more.err;
  EXPECT_EQ(Lines(kvtest::read_file(dir.file("l.lst"))).size(), 3u);
  Result nocls = RunCli({"batch-add", dir.file("l.lst"), dir.file("out"), dir.file("a.raw"), "--from", "Nope"});
  EXPECT_EQ(nocls.status, 1);
}

TEST(CliBatch, ShardsTogetherConvertEveryEntryOnce) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("l.lst"), RawInputs(dir, 10, 2, dir.file("out")));
  std::map<std::string, int> seen;
  for (int k = 1; k <= 3; ++k) {
    std::string report = dir.file("r" + std::to_string(k) + ".jsonl");
    Result r = RunCli({"batch", dir.file("l.lst"), "--shard", std::to_string(k) + "/3", "--report", report});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& line : Lines(kvtest::read_file(report))) {
      EXPECT_EQ(JsonField(line, "status"), "converted") << line;
      EXPECT_EQ(JsonField(line, "triangles"), "2") << line;
      ++seen[JsonField(line, "input")];
    }
  }
  ASSERT_EQ(seen.size(), 10u);
  for (auto& [input, n] : seen) EXPECT_EQ(n, 1) << input;
}

TEST(CliBatch, CrashingOrHangingPluginCostsOneEntry) {
  REQUIRE_RAW();
  PluginsWithMisbehaving plugins;
  if (!plugins.ok) GTEST_SKIP() << "the misbehaving test plug-in is not built";
  kvtest::TempDir dir;
  std::string out = dir.file("out");
  std::string list = RawInputs(dir, 4, 1, out);
  kvtest::write_file(dir.file("x.crash"), "boom");
  kvtest::write_file(dir.file("y.hang"), "zzz");
  list.insert(list.find('\n') + 1, "#Crash Import (*.crash)#Raw (*.raw)#" + dir.file("x.crash") + "#" + out + "###\n" +
                                        "#Crash Import (*.crash)#Raw (*.raw)#" + dir.file("y.hang") + "#" + out + "###\n");
  kvtest::write_file(dir.file("l.lst"), list);
  Result r = RunCli({"--plugin-dir", plugins.dir.str(), "batch", dir.file("l.lst"), "--jobs", "2", "--timeout", "2",
                     "--report", dir.file("r.jsonl")},
                    {}, 60);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  std::vector<std::string> lines = OutLines(r);
  EXPECT_TRUE(StartsWithLine(lines, "failed " + dir.file("x.crash") + ": the worker was killed by signal 6")) << r.out;
  EXPECT_TRUE(StartsWithLine(lines, "failed " + dir.file("y.hang") + ": timed out after 2 s")) << r.out;
  EXPECT_TRUE(Has(lines, "batch: 6 entries, 4 converted, 2 failed, 0 skipped")) << r.out;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(fs::exists(out + "/m" + std::to_string(i) + ".raw")) << i;
  EXPECT_EQ(Lines(kvtest::read_file(dir.file("r.jsonl"))).size(), 6u);
}

TEST(CliBatch, InterruptStopsAfterTheCurrentEntry) {
  REQUIRE_RAW();
  for (bool workers : {false, true}) {
    kvtest::TempDir dir;
    kvtest::write_file(dir.file("l.lst"), RawInputs(dir, 150, 4000, dir.file("out")));
    std::vector<std::string> args = {"batch", dir.file("l.lst"), "--report", dir.file("r.jsonl")};
    if (workers) args.insert(args.end(), {"--jobs", "2"});
    kvtest::TempDir io;
    Running run = StartCli(args, io.str());
    // Once the first entry is done, Ctrl+C.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (kvtest::read_file(run.out_path).find("converted") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    kill(run.pid, SIGINT);
    Result r = FinishCli(run, 60);
    EXPECT_EQ(r.status, 1) << r.err;
    std::vector<std::string> lines = OutLines(r);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("(stopped)"), std::string::npos) << lines.back();
    EXPECT_NE(r.err.find("stopped by SIGINT"), std::string::npos) << r.err;
    EXPECT_TRUE(StartsWithLine(lines, "skipped ")) << workers;
    // Every entry is accounted for, none twice.
    EXPECT_EQ(Lines(kvtest::read_file(dir.file("r.jsonl"))).size(), 150u);
  }
}

TEST(CliBatch, CorpusToObjAnd3dsWithWeldAndSmooth) {
  if (!fs::exists(kvtest::corpus_dir())) GTEST_SKIP() << "no corpus at " << kvtest::corpus_dir();
  for (const char* p : {"import_3ds.so", "export_3ds.so", "import_obj.so", "export_obj.so", "import_raw.so"})
    if (!fs::exists(PluginDir() / p)) GTEST_SKIP() << p << " is not built";
  kvtest::TempDir dir;
  std::vector<std::string> inputs;
  for (const char* sub : {"3ds", "obj", "raw"}) {
    for (auto& f : fs::directory_iterator(kvtest::corpus_dir() / sub)) {
      std::string ext = f.path().extension().string();
      for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (ext == ".3ds" || ext == ".obj" || ext == ".raw") inputs.push_back(f.path().string());
    }
  }
  ASSERT_GE(inputs.size(), 15u);
  for (const char* to : {"obj", "3ds"}) {
    std::vector<std::string> args = {"batch-add", dir.file("l.lst"), dir.file(to), "--to", std::string("(*.") + to + ")"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    Result add = RunCli(args);
    ASSERT_EQ(add.status, 0) << add.err;
  }
  kvtest::write_file(dir.file("ws.ini"), "-f_mesh_weld = 1;\n-f_mesh_smooth = 1;\n");
  Result r = RunCli({"batch", dir.file("l.lst"), "--objmod", dir.file("ws.ini"), "--report", dir.file("r.jsonl")}, {},
                    300);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  std::vector<std::string> report = Lines(kvtest::read_file(dir.file("r.jsonl")));
  ASSERT_EQ(report.size(), 2 * inputs.size());
  std::map<std::string, std::string> input_triangles;
  for (const std::string& line : report) {
    std::string in = JsonField(line, "input"), out = JsonField(line, "output");
    EXPECT_EQ(JsonField(line, "status"), "converted") << line;
    if (!input_triangles.count(in)) input_triangles[in] = Field(RunCli({"info", in}).out, "triangles");
    Result info = RunCli({"info", out});
    EXPECT_EQ(info.status, 0) << out << ": " << info.err;
    EXPECT_EQ(Field(info.out, "triangles"), input_triangles[in]) << in << " -> " << out;
  }
}
