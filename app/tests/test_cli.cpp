// korvane-cli as a user runs it: a subprocess with the built plug-ins, its
// exit status, standard output and standard error.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace kvclitest;

namespace {

// Triangle lines of a RAW file (lines starting like a number).
std::vector<std::string> TriangleLines(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& l : Lines(text)) {
    size_t i = l.find_first_not_of(' ');
    if (i == std::string::npos) continue;
    char c = l[i];
    if ((c >= '0' && c <= '9') || (c == '-' && i + 1 < l.size() && l[i + 1] >= '0' && l[i + 1] <= '9'))
      out.push_back(l);
  }
  return out;
}

bool TreeIsEmpty(const fs::path& dir) {
  if (!fs::exists(dir)) return true;
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) return false;
  return true;
}

}  // namespace

TEST(CliUsage, StatusTwoWithUsageOnStderr) {
  if (!fs::exists(Cli())) GTEST_SKIP() << "korvane-cli not built";
  Result none = RunCli({});
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("usage: korvane-cli"), std::string::npos);
  EXPECT_TRUE(none.out.empty());

  EXPECT_EQ(RunCli({"frobnicate"}).status, 2);
  EXPECT_EQ(RunCli({"info"}).status, 2);                                  // missing FILE
  EXPECT_EQ(RunCli({"info", "a.raw", "b.raw"}).status, 2);                // one too many
  EXPECT_EQ(RunCli({"info", "a.raw", "--to", "Raw"}).status, 2);          // --to is convert's
  EXPECT_EQ(RunCli({"convert", "a.raw"}).status, 2);                      // missing OUT
  EXPECT_EQ(RunCli({"convert", "a.raw", "b.raw", "--from"}).status, 2);   // --from without CLASS
  EXPECT_EQ(RunCli({"dump", "a.raw", "o.txt", "--json"}).status, 2);
  EXPECT_EQ(RunCli({"convert", "a.raw", "b.raw", "--bogus"}).status, 2);
  EXPECT_EQ(RunCli({"--plugin-dir"}).status, 2);
  EXPECT_EQ(RunCli({"classes", "extra"}).status, 2);
  Result bad = RunCli({"frobnicate"});
  EXPECT_NE(bad.err.find("frobnicate"), std::string::npos);

  Result v = RunCli({"--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out.rfind("korvane ", 0), 0u);
}

TEST(CliPlugins, ClassesAndSummary) {
  REQUIRE_RAW();
  Result c = RunCli({"classes"});
  ASSERT_EQ(c.status, 0) << c.err;
  std::vector<std::string> lines = Lines(c.out);
  std::set<std::string> set(lines.begin(), lines.end());
  EXPECT_TRUE(set.count("import\t0x1A1954B9\tRAW (*.raw)")) << c.out;
  EXPECT_TRUE(set.count("export\t0x38B21086\tRaw (*.raw)")) << c.out;

  Result p = RunCli({"plugins"});
  ASSERT_EQ(p.status, 0) << p.err;
  EXPECT_NE(p.out.find(" LibName: RAW Import Lib\n"), std::string::npos) << p.out;
  EXPECT_NE(p.out.find("\tClassName: Raw (*.raw)\n"), std::string::npos);
  EXPECT_NE(p.out.find("\tSuperClassID: 0x2000 (Mesh Import)\n"), std::string::npos);
  EXPECT_NE(p.out.find(" Summary:\n"), std::string::npos);
}

TEST(CliPlugins, PluginDirOptionAndEnvironment) {
  REQUIRE_RAW();
  kvtest::TempDir empty;
  // An empty folder: no classes, so nothing fits.
  Result c = RunCli({"--plugin-dir", empty.str(), "classes"});
  EXPECT_EQ(c.status, 0);
  EXPECT_TRUE(c.out.empty());
  Result conv = RunCli({"--plugin-dir", empty.str(), "convert", Sample(), empty.file("x.raw")});
  EXPECT_EQ(conv.status, 1);
  EXPECT_NE(conv.err.find("no import class"), std::string::npos) << conv.err;
  EXPECT_NE(conv.err.find(empty.str()), std::string::npos) << conv.err;

  Result env = RunCli({"classes"}, {"KORVANE_PLUGIN_DIR=" + empty.str()});
  EXPECT_TRUE(env.out.empty());
  // --plugin-dir wins over the environment.
  Result both = RunCli({"--plugin-dir=" + PluginDir().string(), "classes"}, {"KORVANE_PLUGIN_DIR=" + empty.str()});
  EXPECT_NE(both.out.find("RAW (*.raw)"), std::string::npos);
}

TEST(CliInfo, SampleCountsBoundsAndObjects) {
  REQUIRE_RAW();
  Result r = RunCli({"info", Sample()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_GE(lines.size(), 13u) << r.out;
  const char* keys[] = {"scenes", "objects", "faces", "vertices", "cameras", "lights", "materials", "images",
                        "triangles", "bounds"};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(lines[i].rfind(std::string(keys[i]) + ": ", 0), 0u) << lines[i];
  EXPECT_EQ(Field(r.out, "scenes"), "1");
  EXPECT_EQ(Field(r.out, "objects"), "3");
  EXPECT_EQ(Field(r.out, "faces"), "20");
  EXPECT_EQ(Field(r.out, "triangles"), "20");
  EXPECT_EQ(Field(r.out, "materials"), "1");  // the "DEFAULT" surface
  EXPECT_EQ(Field(r.out, "images"), "0");
  EXPECT_NE(Field(r.out, "cameras"), "0");  // the default camera
  EXPECT_EQ(Field(r.out, "bounds"), "-3 -3 -1.5 5 3 1");
  EXPECT_EQ(lines[10], "(M) cube");
  EXPECT_EQ(lines[11], "(M) pyramid");
  EXPECT_EQ(lines[12], "(M) floor");
}

TEST(CliInfo, JsonHoldsTheSame) {
  REQUIRE_RAW();
  Result r = RunCli({"info", Sample(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.front(), '{');
  EXPECT_NE(r.out.find("\"objects\": 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"triangles\": 20"), std::string::npos);
  EXPECT_NE(r.out.find("\"bounds\": [-3, -3, -1.5, 5, 3, 1]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"object_list\": [\"(M) cube\", \"(M) pyramid\", \"(M) floor\"]"), std::string::npos);
}

TEST(CliInfo, FailuresNameTheFileOrClass) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  Result missing = RunCli({"info", dir.file("nothere.raw")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothere.raw"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;

  Result folder = RunCli({"info", dir.str(), "--from", "RAW (*.raw)"});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("directory"), std::string::npos) << folder.err;

  kvtest::write_file(dir.file("model.xyz"), "x\n");
  Result ext = RunCli({"info", dir.file("model.xyz")});
  EXPECT_EQ(ext.status, 1);
  EXPECT_NE(ext.err.find("model.xyz"), std::string::npos);
  EXPECT_NE(ext.err.find(".xyz"), std::string::npos);

  // --from makes any extension readable.
  kvtest::write_file(dir.file("model.txt"), "box\n0 0 0 1 0 0 0 1 0\n");
  Result from = RunCli({"info", dir.file("model.txt"), "--from", "0x1A1954B9"});
  EXPECT_EQ(from.status, 0) << from.err;
  EXPECT_EQ(Field(from.out, "triangles"), "1");

  Result nocls = RunCli({"info", Sample(), "--from", "NoSuchFormat"});
  EXPECT_EQ(nocls.status, 1);
  EXPECT_NE(nocls.err.find("NoSuchFormat"), std::string::npos);
  // An export class is no import class.
  EXPECT_EQ(RunCli({"info", Sample(), "--from", "Raw (*.raw)"}).status, 1);
}

TEST(CliConvert, SampleRoundTripKeepsEveryTriangle) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  std::string out = dir.file("cube.raw");
  Result r = RunCli({"convert", Sample(), out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, out + "\n");
  std::string written = kvtest::read_file(out);
  std::vector<std::string> tris = TriangleLines(written);
  ASSERT_EQ(tris.size(), 20u) << written;
  EXPECT_EQ(tris[0], "-1.000000 -1.000000 -1.000000 -1.000000 1.000000 -1.000000 1.000000 1.000000 -1.000000");
  std::vector<std::string> lines = Lines(written);
  EXPECT_EQ(lines[0], "cube");

  // The written file reads back to the same counts and box.
  Result a = RunCli({"info", Sample()});
  Result b = RunCli({"info", out});
  EXPECT_EQ(Field(a.out, "triangles"), Field(b.out, "triangles"));
  EXPECT_EQ(Field(a.out, "bounds"), Field(b.out, "bounds"));
  EXPECT_EQ(Field(a.out, "objects"), Field(b.out, "objects"));
}

TEST(CliConvert, CoordinatesSurviveToThePrintedPrecision) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  std::string in = dir.file("in.raw"), out = dir.file("out.raw");
  std::string text = "first\n";
  std::vector<std::string> expect;
  unsigned seed = 12345;
  for (int t = 0; t < 500; ++t) {
    if (t == 250) text += "second\n";
    std::string line;
    for (int k = 0; k < 9; ++k) {
      seed = seed * 1103515245u + 12345u;
      double v = (static_cast<int>(seed >> 8) % 2000001 - 1000000) / 1000.0 + ((seed >> 3) % 1000) / 1e6;
      char buf[64];
      std::snprintf(buf, sizeof buf, "%f", v);
      if (k) line += ' ';
      line += buf;
    }
    text += line + "\n";
    expect.push_back(line);
  }
  kvtest::write_file(in, text);
  Result r = RunCli({"convert", in, out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(TriangleLines(kvtest::read_file(out)), expect);
}

TEST(CliConvert, ExportClassAndOutputName) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  // The exporter keeps folder and base name and appends its own extension.
  Result r = RunCli({"convert", Sample(), dir.file("model.xyz"), "--to", "Raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir.file("model.raw") + "\n");
  EXPECT_TRUE(fs::exists(dir.file("model.raw")));
  EXPECT_FALSE(fs::exists(dir.file("model.xyz")));

  // Without --to the extension picks the class, in any case.
  Result upper = RunCli({"convert", Sample(), dir.file("UP.RAW")});
  EXPECT_EQ(upper.status, 0) << upper.err;

  Result none = RunCli({"convert", Sample(), dir.file("model.zzq")});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("*.zzq"), std::string::npos) << none.err;
  Result noext = RunCli({"convert", Sample(), dir.file("model")});
  EXPECT_EQ(noext.status, 1);

  Result wrongkind = RunCli({"convert", Sample(), dir.file("m.raw"), "--to", "RAW (*.raw)"});
  EXPECT_EQ(wrongkind.status, 1);
}

TEST(CliConvert, ReportTellsWhatTheTargetCouldNotKeep) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  const std::string out = dir.file("cube.raw");
  Result r = RunCli({"convert", Sample(), out, "--report"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_GE(lines.size(), 3u) << r.out;
  EXPECT_EQ(lines[0], out);
  EXPECT_EQ(lines[1], "object   lost               count");
  EXPECT_EQ(lines[2], "cube     materials dropped      1");
  EXPECT_EQ(lines.back(), "(scene)  lights dropped         3");

  Result j = RunCli({"convert", Sample(), out, "--json"});
  ASSERT_EQ(j.status, 0) << j.err;
  EXPECT_EQ(j.out.rfind("{\"written\": [\"" + out + "\"], \"losses\": [{\"object\": \"cube\", \"lost\": "
                        "\"materials dropped\", \"count\": 1}, ", 0), 0u) << j.out;
  EXPECT_NE(j.out.find("{\"object\": \"(scene)\", \"lost\": \"cameras dropped\", \"count\": 1}"), std::string::npos);
  // Only convert writes anything to report on.
  EXPECT_EQ(RunCli({"info", Sample(), "--report"}).status, 2);
}

TEST(CliConvert, UnwritableOutputIsStatusOne) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  Result r = RunCli({"convert", Sample(), dir.file("no/such/folder/x.raw")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("x.raw"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

TEST(CliConvert, OptionsReachThePlugins) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  // -ov=1 turns on the exporter's log, written beside the output.
  Result r = RunCli({"convert", Sample(), dir.file("v.raw"), "-ov=1"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(fs::exists(dir.file("exportraw.log")));
  EXPECT_NE(kvtest::read_file(dir.file("exportraw.log")).find("RAW Export Plugin 1.0"), std::string::npos);
  // -ld_mode=1: UNIX line ends instead of the default DOS ones.
  ASSERT_EQ(RunCli({"convert", Sample(), dir.file("unix.raw"), "-ld_mode=1"}).status, 0);
  std::string unix_text = kvtest::read_file(dir.file("unix.raw"));
  EXPECT_EQ(unix_text.find('\r'), std::string::npos);
  EXPECT_EQ(unix_text.rfind("cube\n", 0), 0u);
  ASSERT_EQ(RunCli({"convert", Sample(), dir.file("dos.raw")}).status, 0);
  EXPECT_EQ(kvtest::read_file(dir.file("dos.raw")).rfind("cube\r\n", 0), 0u);
  // Without it no log.
  kvtest::TempDir quiet;
  ASSERT_EQ(RunCli({"convert", Sample(), quiet.file("v.raw")}).status, 0);
  EXPECT_FALSE(fs::exists(quiet.file("exportraw.log")));
}

TEST(CliConvert, NeverWritesTheSettingsStore) {
  REQUIRE_RAW();
  kvtest::TempDir home, dir;
  std::vector<std::string> env = {"XDG_CONFIG_HOME=" + home.str(), "HOME=" + home.str()};
  EXPECT_EQ(RunCli({"convert", Sample(), dir.file("a.raw")}, env).status, 0);
  EXPECT_EQ(RunCli({"info", Sample()}, env).status, 0);
  EXPECT_EQ(RunCli({"classes"}, env).status, 0);
  EXPECT_EQ(RunCli({"help", "RAW (*.raw)"}, env).status, 0);
  EXPECT_TRUE(TreeIsEmpty(home.path())) << "a command-line run wrote under " << home.str();
}

TEST(CliConvert, BadInputNeverCrashesOrHangs) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  std::vector<std::pair<std::string, std::string>> cases;
  cases.push_back({"long.raw", "obj\n" + std::string(100000, '1') + "\n0 0 0 1 0 0 0 1 0\n"});
  cases.push_back({"longname.raw", std::string(100000, 'n') + "\n0 0 0 1 0 0 0 1 0\n"});
  std::string garbage;
  unsigned seed = 7;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    garbage += static_cast<char>(seed >> 24);
  }
  cases.push_back({"garbage.raw", garbage});
  cases.push_back({"nul.raw", std::string("a\0b\n0 0 0 1 0\0 0 0 1 0\n", 24) + std::string(1000, '\0')});
  cases.push_back({"huge.raw", "x\n1e999 0 0 1 0 0 0 1 0\nnan nan nan 1 2 3 4 5 6\n-1e999 inf 0 0 0 0 1 1 1\n"});
  cases.push_back({"empty.raw", ""});
  for (auto& [name, bytes] : cases) {
    kvtest::write_file(dir.file(name), bytes);
    if (name == "garbage.raw" || name == "nul.raw") {
      // Binary data is no RAW file: status 1, the reader's reason, no output.
      for (const char* cmd : {"info", "convert"}) {
        Result r = cmd == std::string("info") ? RunCli({"info", dir.file(name)}, {}, 60)
                                              : RunCli({"convert", dir.file(name), dir.file("out_" + name)}, {}, 60);
        EXPECT_EQ(r.status, 1) << name << " " << cmd << ": " << r.err;
        EXPECT_NE(r.err.find("is not a RAW file"), std::string::npos) << name << ": " << r.err;
      }
      EXPECT_FALSE(std::filesystem::exists(dir.file("out_" + name))) << name;
      continue;
    }
    Result info = RunCli({"info", dir.file(name)}, {}, 60);
    EXPECT_EQ(info.status, 0) << name << ": " << info.err;
    Result conv = RunCli({"convert", dir.file(name), dir.file("out_" + name)}, {}, 60);
    EXPECT_EQ(conv.status, 0) << name << ": " << conv.err;
    Result json = RunCli({"info", dir.file(name), "--json"}, {}, 60);
    EXPECT_EQ(json.status, 0) << name;
    // Non-finite bounds are no valid JSON numbers.
    size_t at = json.out.find("\"bounds\": [");
    ASSERT_NE(at, std::string::npos) << name;
    std::string bounds = json.out.substr(at, json.out.find(']', at) - at);
    EXPECT_EQ(bounds.find("nan"), std::string::npos) << name << ": " << bounds;
    EXPECT_EQ(bounds.find("inf"), std::string::npos) << name << ": " << bounds;
  }
}

TEST(CliDump, WritesTheSceneDump) {
  REQUIRE_RAW();
  kvtest::TempDir dir;
  std::string out = dir.file("dump.txt");
  Result r = RunCli({"dump", Sample(), out});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string text = kvtest::read_file(out);
  EXPECT_EQ(text.rfind("Scene Name : " + Sample() + "\n", 0), 0u) << text.substr(0, 200);
  EXPECT_NE(text.find("Number of Geometry Objects: 3\n"), std::string::npos);

  Result bad = RunCli({"dump", Sample(), dir.file("missing/dump.txt")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("Cannot open file"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("dump.txt"), std::string::npos);
}

TEST(CliHelp, CommonAndClassTexts) {
  if (!fs::exists(Cli())) GTEST_SKIP() << "korvane-cli not built";
  Result h = RunCli({"help"});
  ASSERT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("** Common Import Options **\n\t-iv=FLAG: enables verbose mode\n\n"), std::string::npos);
  EXPECT_NE(h.out.find("** Common Export Options **\n\t-ov=FLAG: enables verbose mode\n"), std::string::npos);
  EXPECT_NE(h.out.find("** Map Conversion paramter **\n"), std::string::npos);
  EXPECT_NE(h.out.find("convert IN OUT"), std::string::npos);

  if (!HaveRawPlugins()) return;
  Result imp = RunCli({"help", "RAW (*.raw)"});
  ASSERT_EQ(imp.status, 0) << imp.err;
  EXPECT_NE(imp.out.find("RAW Import Plugin 1.0\n\nImports *.raw"), std::string::npos) << imp.out;
  EXPECT_NE(imp.out.find("** Common Import Options **"), std::string::npos);
  EXPECT_EQ(imp.out.find("** Common Export Options **"), std::string::npos);

  Result exp = RunCli({"help", "0x38B21086"});
  ASSERT_EQ(exp.status, 0);
  EXPECT_NE(exp.out.find("Raw Export Plugin 1.0"), std::string::npos);
  EXPECT_NE(exp.out.find("** Map Conversion paramter **"), std::string::npos);

  // "raw" is part of both RAW class names: no single class.
  Result amb = RunCli({"help", "raw"});
  EXPECT_EQ(amb.status, 1);
  EXPECT_NE(amb.err.find("RAW (*.raw)"), std::string::npos);
  EXPECT_NE(amb.err.find("Raw (*.raw)"), std::string::npos);
  EXPECT_EQ(RunCli({"help", "nosuchclass"}).status, 1);
}

// Reading a file of another kind, failing writes and long paths, as a user
// meets them.
namespace {

bool HavePlugins(std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (!fs::exists(PluginDir() / n)) return false;
  return fs::exists(Cli());
}

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

}  // namespace

TEST(CliSafety, ForeignFilesFailWithTheReadersReasonAndWriteNothing) {
  if (!HavePlugins({"import_raw.so", "import_obj.so", "import_3ds.so", "export_obj.so"})) GTEST_SKIP();
  kvtest::TempDir dir;
  std::string noise;
  unsigned x = 7;
  for (int i = 0; i < 2000; ++i) noise.push_back(static_cast<char>((x = x * 1103515245u + 12345u) >> 16));
  const std::pair<const char*, const char*> cases[] = {
      {"bad.3ds", "is not a 3D Studio file"}, {"bad.obj", "is not an OBJ file"}, {"bad.raw", "is not a RAW file"}};
  for (const auto& [name, reason] : cases) {
    kvtest::write_file(dir.file(name), noise);
    for (const char* cmd : {"convert", "info"}) {
      Result r = std::string(cmd) == "info" ? RunCli({"info", dir.file(name)})
                                            : RunCli({"convert", dir.file(name), dir.file("out.obj")});
      EXPECT_EQ(r.status, 1) << name << " " << cmd << ": " << r.err;
      EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
      EXPECT_TRUE(r.out.empty()) << r.out;
    }
  }
  EXPECT_EQ(FilesIn(dir.str()), (std::set<std::string>{"bad.3ds", "bad.obj", "bad.raw"}));

  // A file without an extension fits no class: --from names one.
  kvtest::write_file(dir.file("boxnoext"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  Result r = RunCli({"info", dir.file("boxnoext")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--from"), std::string::npos) << r.err;
  r = RunCli({"info", dir.file("boxnoext"), "--from", "Alias Wavefront (*.obj)"});
  EXPECT_EQ(r.status, 0) << r.err;

  // A readable file of the format that holds nothing converts, with a warning.
  kvtest::write_file(dir.file("empty.obj"), "# nothing\n");
  r = RunCli({"convert", dir.file("empty.obj"), dir.file("copy.obj")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: " + dir.file("empty.obj") + " holds no geometry"), std::string::npos) << r.err;
}

TEST(CliSafety, AFailedWriteLeavesTheTargetAsItWas) {
  if (!HavePlugins({"import_obj.so", "export_obj.so"})) GTEST_SKIP();
  const fs::path spider = kvtest::corpus_dir() / "obj" / "spider.obj";
  if (!fs::exists(spider)) GTEST_SKIP() << "no corpus";
  kvtest::TempDir dir;
  const std::string model = dir.file("spider.obj");
  const std::string bytes = kvtest::read_file(spider.string());
  kvtest::write_file(model, bytes);
  kvtest::write_file(dir.file("spider.mtl"), kvtest::read_file((kvtest::corpus_dir() / "obj" / "spider.mtl").string()));
  const std::string mtl = kvtest::read_file(dir.file("spider.mtl"));
  // As after "ulimit -f 16": the program inherits the limit.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 16 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Result r = RunCli({"convert", model, model});
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
  EXPECT_EQ(kvtest::read_file(model), bytes);
  EXPECT_EQ(kvtest::read_file(dir.file("spider.mtl")), mtl);
  EXPECT_EQ(FilesIn(dir.str()), (std::set<std::string>{"spider.mtl", "spider.obj"}));

  if (fs::exists("/dev/full")) {
    r = RunCli({"dump", model, "/dev/full"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  }
}

TEST(CliSafety, LongPathsAreReadAndWrittenWhereTheyPoint) {
  if (!HavePlugins({"import_raw.so", "export_obj.so", "import_obj.so", "export_3ds.so"})) GTEST_SKIP();
  kvtest::TempDir dir;
  fs::path deep = dir.path();
  while (deep.string().size() < 3990) deep /= std::string(std::min<size_t>(200, 3999 - deep.string().size()), 'd');
  fs::create_directories(deep);
  ASSERT_GE(deep.string().size(), 3990u);
  for (const char* name : {"out.obj", "out.3ds", "out.raw"}) {
    Result r = RunCli({"convert", Sample(), (deep / name).string()});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_TRUE(fs::exists(deep / name)) << name;
  }
  EXPECT_TRUE(fs::exists(deep / "out.mtl"));
  // Nothing landed anywhere else.
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir.path())) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 4u);
  // A long input path keeps its extension and its folder.
  Result info = RunCli({"info", (deep / "out.obj").string()});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(Field(info.out, "triangles"), Field(RunCli({"info", Sample()}).out, "triangles")) << info.out;
}
