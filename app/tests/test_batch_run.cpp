// The batch run in this process, its plan, the lines between host and
// workers, korvane-cli's batch arguments and lines, the host's progress
// functions and the modifier commands.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "batch_command.h"
#include "batch_run.h"
#include "batch_test_util.h"
#include "batch_workers.h"
#include "conversion.h"
#include "host_progress.h"
#include "korvanelib.h"
#include "modifier_commands.h"
#include "plugin_host.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

bool HaveRaw() {
  fs::path dir = kvtest::bin_dir() / "plugin";
  return fs::exists(dir / "import_raw.so") && fs::exists(dir / "export_raw.so");
}

// The build's plug-ins in command-line mode (they never write the store).
struct RawRegistry {
  PluginRegistry registry;
  char arg0[8] = "test";
  char* argv[2] = {arg0, nullptr};
  RawRegistry() {
    registry.Load((kvtest::bin_dir() / "plugin").string().c_str(), KV_PLUGIN_VERSION);
    registry.SetCommandLine(1, argv);
  }
};

using kvtest::RawEntry;

const char kTriangle[] = "tri\n0 0 0 1 0 0 0 1 0\n";

struct Collect final : BatchReporter {
  std::vector<BatchResult> results;
  int started = 0;
  volatile std::sig_atomic_t* stop_after_first = nullptr;
  void Started(const BatchJob&, int, int) override { ++started; }
  void Finished(const BatchResult& r, int, int) override {
    results.push_back(r);
    if (stop_after_first) *stop_after_first = 1;
  }
};

// Records what the host's functions show.
struct RecordingWindow final : kvhost::ProgressWindow {
  static std::map<int, std::vector<std::string>>* percents;
  static std::map<int, std::string>* texts;
  void SetText(int row, const char* text) override { (*texts)[row] = text; }
  void SetPos(int, int) override {}
  void SetPercent(int row, const char* text) override { (*percents)[row].push_back(text); }
};
std::map<int, std::vector<std::string>>* RecordingWindow::percents = nullptr;
std::map<int, std::string>* RecordingWindow::texts = nullptr;
kvhost::ProgressWindow* OpenRecording(const char*) { return new RecordingWindow; }

MMesh_P* Tri(const char* name, double x) {
  MMesh_P* m = new MMesh_P(name);
  m->Add_Tri(MVector3(x, 0, 0), MVector3(x + 1, 0, 0), MVector3(x, 1, 0), 0, -1.0);
  m->CalculateBoundingBox();
  return m;
}

}  // namespace

TEST(BatchRun, SecondInputMissingFailsAloneAndTheListStays) {
  if (!HaveRaw()) GTEST_SKIP() << "the RAW plug-ins are not built";
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("one.raw"), kTriangle);
  kvtest::write_file(dir.file("three.raw"), kTriangle);
  RawRegistry raw;
  BatchList list;
  std::string why;
  for (const char* f : {"one.raw", "two.raw", "three.raw"})
    ASSERT_EQ(list.Add(RawEntry(dir.file(f), dir.file("out")), why), 1);
  std::vector<BatchJob> jobs = PlanBatch(raw.registry, list, {});
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].output, dir.file("out") + "/one.xxx");
  Collect seen;
  BatchSettings settings;
  settings.count_triangles = true;
  BatchSummary s = RunBatch(raw.registry, jobs, settings, seen, nullptr);
  EXPECT_EQ(s.converted, 2);
  EXPECT_EQ(s.failed, 1);
  ASSERT_EQ(seen.results.size(), 3u);
  EXPECT_EQ(seen.results[0].status, BatchStatus::Converted);
  EXPECT_EQ(seen.results[0].triangles, 1);
  EXPECT_EQ(seen.results[0].output, dir.file("out") + "/one.raw");  // as the export reported it
  EXPECT_EQ(seen.results[1].output, "");
  EXPECT_EQ(seen.results[1].status, BatchStatus::Failed);
  EXPECT_NE(seen.results[1].reason.find("No such file"), std::string::npos) << seen.results[1].reason;
  EXPECT_TRUE(fs::exists(dir.file("out/one.raw")));  // the target folder was made
  EXPECT_FALSE(fs::exists(dir.file("out/two.raw")));
  EXPECT_TRUE(fs::exists(dir.file("out/three.raw")));
  EXPECT_EQ(list.entries.size(), 3u);
}

TEST(BatchRun, PlanFindsWhatMustFailBeforeConverting) {
  if (!HaveRaw()) GTEST_SKIP() << "the RAW plug-ins are not built";
  kvtest::TempDir dir;
  RawRegistry raw;
  BatchList list;
  std::string why;
  list.Add(RawEntry("/a/model.raw", dir.file("out")), why);
  list.Add(RawEntry("/b/model.raw", dir.file("out") + "/"), why);  // same output as the first
  list.Add(RawEntry(dir.file("self.raw"), dir.str()), why);         // would replace its input
  BatchEntry gone = RawEntry("/c/x.raw", dir.str());
  gone.export_class = "Nothing (*.no)";
  list.Add(gone, why);
  std::vector<BatchJob> jobs = PlanBatch(raw.registry, list, {3, 0, 1, 2});
  ASSERT_EQ(jobs.size(), 4u);
  EXPECT_NE(jobs[0].problem.find("'Nothing (*.no)' is not installed"), std::string::npos) << jobs[0].problem;
  EXPECT_EQ(jobs[1].problem, "");
  EXPECT_NE(jobs[2].problem.find("earlier entry"), std::string::npos) << jobs[2].problem;
  EXPECT_NE(jobs[2].problem.find("/a/model.raw"), std::string::npos);
  EXPECT_NE(jobs[3].problem.find("replace the input"), std::string::npos) << jobs[3].problem;
  // A job with a problem is never converted.
  BatchResult r = ConvertBatchJob(raw.registry, jobs[2], BatchSettings());
  EXPECT_EQ(r.status, BatchStatus::Failed);
  EXPECT_FALSE(fs::exists(dir.file("out")));
}

TEST(BatchRun, StopEndsAfterTheCurrentEntry) {
  if (!HaveRaw()) GTEST_SKIP() << "the RAW plug-ins are not built";
  kvtest::TempDir dir;
  RawRegistry raw;
  BatchList list;
  std::string why;
  for (const char* f : {"a.raw", "b.raw", "c.raw"}) {
    kvtest::write_file(dir.file(f), kTriangle);
    list.Add(RawEntry(dir.file(f), dir.file("out")), why);
  }
  volatile std::sig_atomic_t stop = 0;
  Collect seen;
  seen.stop_after_first = &stop;
  BatchSummary s = RunBatch(raw.registry, PlanBatch(raw.registry, list, {}), BatchSettings(), seen, &stop);
  EXPECT_TRUE(s.interrupted);
  EXPECT_EQ(s.converted, 1);
  EXPECT_EQ(s.skipped, 2);
  EXPECT_EQ(seen.started, 1);
  EXPECT_FALSE(fs::exists(dir.file("out/b.raw")));
}

TEST(BatchLines, JobsAndResultsSurviveTheWorkerPipe) {
  BatchJob job;
  job.index = 42;
  job.entry = RawEntry("/in/a\tb\\c\nd.raw", "/out/");
  job.output = "/out/a.xxx";
  BatchJob back;
  std::string line = EncodeJob(job);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  ASSERT_TRUE(DecodeJob(line, back));
  EXPECT_EQ(back.index, 42);
  EXPECT_EQ(back.entry.input, job.entry.input);
  EXPECT_EQ(back.entry.export_class, "Raw (*.raw)");
  EXPECT_EQ(back.output, "/out/a.xxx");
  EXPECT_FALSE(DecodeJob("x\ty", back));

  BatchResult r;
  r.index = 7;
  r.status = BatchStatus::Failed;
  r.input = "/in/x.raw";
  r.output = "/out/x.raw";
  r.reason = "import failed:\tNo scene\n";
  r.seconds = 1.5;
  r.triangles = -1;
  BatchResult rb;
  ASSERT_TRUE(DecodeResult(EncodeResult(r), rb));
  EXPECT_EQ(rb.index, 7);
  EXPECT_EQ(rb.status, BatchStatus::Failed);
  EXPECT_EQ(rb.reason, r.reason);
  EXPECT_DOUBLE_EQ(rb.seconds, 1.5);
  EXPECT_EQ(rb.triangles, -1);
  EXPECT_FALSE(DecodeResult("1\tmaybe\t0\t0\ta\tb\tc", rb));
}

TEST(BatchLines, ArgumentsShardsAndPrintedLines) {
  using namespace kvcli;
  std::vector<std::string> s = {"korvane-cli", "l.lst",    "--jobs",   "4",        "--timeout=2.5", "--shard",
                                "2/3",         "--report", "r.jsonl",  "--dry-run", "-ld_mode=1",   "--objmod=o.ini"};
  std::vector<char*> argv;
  for (std::string& a : s) argv.push_back(a.data());
  BatchArgs a;
  ASSERT_EQ(ParseBatchArgs(BatchCommand::Run, static_cast<int>(argv.size()), argv.data(), 1, a), "");
  EXPECT_EQ(a.positional, std::vector<std::string>{"l.lst"});
  EXPECT_EQ(a.jobs, 4);
  EXPECT_EQ(a.timeout, 2.5);
  EXPECT_EQ(a.shard_k, 2);
  EXPECT_EQ(a.shard_n, 3);
  EXPECT_EQ(a.report, "r.jsonl");
  EXPECT_TRUE(a.dry_run);
  EXPECT_EQ(a.objmod, "o.ini");
  ASSERT_EQ(a.plugin_args.size(), 1u);

  for (std::vector<std::string> bad : {std::vector<std::string>{"--jobs", "0"}, {"--jobs", "x"}, {"--timeout", "-1"},
                                       {"--shard", "4/3"}, {"--shard", "0/3"}, {"--shard", "1"}, {"--report"},
                                       {"--bogus"}, {"--from", "X"}}) {
    std::vector<char*> v = {s[0].data()};
    for (std::string& b : bad) v.push_back(b.data());
    BatchArgs out;
    EXPECT_NE(ParseBatchArgs(BatchCommand::Run, static_cast<int>(v.size()), v.data(), 1, out), "") << bad[0];
  }

  // The shards of a list together take every entry exactly once.
  std::vector<int> seen(10, 0);
  for (int k = 1; k <= 3; ++k)
    for (int i : ShardPositions(10, k, 3)) ++seen[static_cast<size_t>(i)];
  EXPECT_EQ(seen, std::vector<int>(10, 1));
  EXPECT_EQ(ShardPositions(2, 3, 3), std::vector<int>{});

  BatchResult r;
  r.index = 0;
  r.input = "/in/\"a\".raw";
  r.output = "/out/a.raw";
  r.status = BatchStatus::Converted;
  r.triangles = 12;
  EXPECT_EQ(ResultLine(r), "converted /in/\"a\".raw -> /out/a.raw");
  EXPECT_EQ(ReportLine(r, 3),
            "{\"index\": 0, \"line\": 3, \"input\": \"/in/\\\"a\\\".raw\", \"output\": \"/out/a.raw\", \"status\": "
            "\"converted\", \"reason\": \"\", \"seconds\": 0.000, \"triangles\": 12}");
  r.status = BatchStatus::Failed;
  r.reason = "import failed: No scene";
  EXPECT_EQ(ResultLine(r), "failed /in/\"a\".raw: import failed: No scene");
  BatchSummary sum;
  sum.converted = 2;
  sum.failed = 1;
  EXPECT_EQ(SummaryLine(sum, false), "batch: 3 entries, 2 converted, 1 failed, 0 skipped");
  EXPECT_EQ(SummaryLine(sum, true), "batch (dry run): 3 entries, 2 would convert, 1 would fail, 0 skipped");
}

TEST(HostProgress, PercentagesStayWithinTheBar) {
  EXPECT_EQ(kvhost::ProgressPercent(100, 100), 100);  // a/(b-1) would make it 101
  EXPECT_EQ(kvhost::ProgressPercent(99, 100), 100);
  EXPECT_EQ(kvhost::ProgressPercent(49, 99), 50);
  EXPECT_EQ(kvhost::ProgressPercent(0, 1), 100);
  EXPECT_EQ(kvhost::ProgressPercent(5, 0), 0);
  EXPECT_EQ(kvhost::ProgressPercent(-7, 10), 0);
  EXPECT_EQ(kvhost::ProgressPercent(1L << 40, 3), 100);

  std::map<int, std::vector<std::string>> percents;
  std::map<int, std::string> texts;
  RecordingWindow::percents = &percents;
  RecordingWindow::texts = &texts;
  kvhost::SetProgressWindowFactory(OpenRecording);
  {
    kvhost::ProgressScope scope;
    ASSERT_NE(scope.window(), nullptr);
    MessageCallBack1* cb = scope.callbacks();
    cb->msg1("%s", "%n%s name");
    for (long i = 0; i <= 100; ++i) cb->progress3(i, 101);
    cb->progress2(100, 100);
    kvhost::ProgressScope inner;  // a nested command keeps the window
    EXPECT_EQ(inner.window(), scope.window());
  }
  kvhost::SetProgressWindowFactory(nullptr);
  EXPECT_EQ(texts[1], "%n%s name");
  // Row 3 in steps of more than 9: 0, 10, 20, ... 100.
  EXPECT_EQ(percents[3].size(), 11u);
  EXPECT_EQ(percents[3].back(), "100%");
  ASSERT_FALSE(percents[2].empty());
  EXPECT_EQ(percents[2].back(), "100%");
}

TEST(ModifierCommands, ObjectLinesSelectObjectsSceneByScene) {
  PluginRegistry registry;
  ConversionDriver driver(registry);
  auto opts = kvhost::NewObjectModifierOptions();
  opts->enable_object_translate = 1;
  opts->object_translate = MVector3(0, 0, 5);
  EXPECT_EQ(kvhost::ModifyObjects(driver, {0}, *opts), 0);  // no scene

  MScene* first = new MScene("first");
  first->objects->Append(Tri("a", 0));
  first->objects->Append(Tri("b", 2));
  MScene* second = new MScene("second");
  second->objects->Append(Tri("c", 4));
  driver.scenes->Append(first);
  driver.scenes->Append(second);
  EXPECT_EQ(kvhost::ModifyObjects(driver, {}, *opts), 0);  // no line
  // Lines: 0 "(M) a", 1 "(M) b", 2 "(M) c".
  EXPECT_EQ(kvhost::ModifyObjects(driver, {2, 1}, *opts), 2);
  auto z = [](MScene* s, int i) {
    MObj3d* o = static_cast<MObj3d*>(s->objects->GetAt(i));
    o->CalculateBoundingBox();
    return o->GetBoundLeft().z;
  };
  EXPECT_EQ(z(first, 0), 0);
  EXPECT_EQ(z(first, 1), 5);
  EXPECT_EQ(z(second, 0), 5);

  auto scene_opts = kvhost::NewSceneModifierOptions();
  scene_opts->enable_scene_translate = 1;
  scene_opts->scene_translate = MVector3(1, 0, 0);
  EXPECT_EQ(kvhost::ModifyScene(driver, *scene_opts), 2);
  EXPECT_EQ(second->GetBoundLeft().x, 5);

  kvtest::TempDir dir;
  std::string why;
  EXPECT_EQ(kvhost::LoadObjectModifierFile(dir.file("none.ini"), why), nullptr);
  EXPECT_NE(why.find("none.ini"), std::string::npos);
  kvtest::write_file(dir.file("w.ini"), "-f_mesh_weld = 1;\n");
  auto all = kvhost::LoadObjectModifierFile(dir.file("w.ini"), why);
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->object_mode, 1);  // no selection in the file: every object
  kvtest::write_file(dir.file("s.ini"), "-object_mode = 0;\n-object_number = 1;\n");
  auto some = kvhost::LoadObjectModifierFile(dir.file("s.ini"), why);
  ASSERT_NE(some, nullptr);
  EXPECT_EQ(some->object_mode, 0);
}
