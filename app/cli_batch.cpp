// korvane-cli batch, batch-add and the worker mode behind batch --jobs.
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "batch_command.h"
#include "batch_list.h"
#include "batch_run.h"
#include "batch_workers.h"
#include "cli_common.h"
#include "command_support.h"
#include "host_progress.h"
#include "modifier_commands.h"

namespace fs = std::filesystem;

namespace kvcli {

namespace {

// The internal command a worker runs: korvane-cli --plugin-dir DIR batch-worker ...
const char kWorkerCommand[] = "batch-worker";

volatile std::sig_atomic_t g_stop = 0;

void OnInterrupt(int) { g_stop = 1; }

// Ctrl+C ends the run after the current entry; a second one ends the
// program at once.
void CatchInterrupt() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
}

int UsageError(const std::string& cmd, const std::string& why) {
  std::fprintf(stderr, "korvane-cli: %s: %s\n", cmd.c_str(), why.c_str());
  std::fprintf(stderr,
               "usage: korvane-cli batch LIST.lst [--objmod F.ini] [--scenemod F.ini] [--dry-run] [--jobs N]\n"
               "                         [--timeout S] [--shard K/N] [--report FILE.jsonl] [-key=value ...]\n"
               "       korvane-cli batch-add LIST.lst OUTDIR FILE... [--from CLASS] [--to CLASS]\n");
  return kExitUsage;
}

int Failure(const std::string& why) {
  std::fprintf(stderr, "korvane-cli: %s\n", why.c_str());
  return kExitFailure;
}

// This program as a path a worker can be started from.
std::string SelfPath(const char* argv0) {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) {
    buf[n] = 0;
    return buf;
  }
  std::error_code ec;
  return fs::absolute(argv0, ec).string();
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

// Prints every entry as it ends, writes the report and shows progress.
class CliReporter final : public BatchReporter {
 public:
  CliReporter(const std::vector<BatchJob>& jobs, FILE* report) : report_(report) {
    for (const BatchJob& j : jobs) lines_[j.index] = j.entry.line;
  }
  void Started(const BatchJob& job, int done, int total) override {
    SetTerminalProgressPrefix("[" + std::to_string(done + 1) + "/" + std::to_string(total) + "] " +
                              fs::path(job.entry.input).filename().string() + " ");
  }
  void Finished(const BatchResult& r, int done, int total) override {
    std::printf("%s\n", ResultLine(r).c_str());
    std::fflush(stdout);
    if (report_) {
      std::fprintf(report_, "%s\n", ReportLine(r, lines_.count(r.index) ? lines_[r.index] : 0).c_str());
      std::fflush(report_);
      if (std::ferror(report_)) report_failed = true;
    }
  }
  bool report_failed = false;

 private:
  FILE* report_;
  std::map<int, int> lines_;
};

// What a run would do: the entries that would fail and why, the others'
// target folder, base name and export class (the exporter names the file
// when it writes it).
BatchSummary DryRun(const std::vector<BatchJob>& jobs) {
  BatchSummary summary;
  for (const BatchJob& job : jobs) {
    BatchResult r = ResultOf(job, BatchStatus::Converted, "");
    std::string unreadable;
    if (!job.problem.empty()) r = ResultOf(job, BatchStatus::Failed, job.problem);
    else if (!CheckReadable(job.entry.input, unreadable))
      r = ResultOf(job, BatchStatus::Failed, "cannot read input file: " + unreadable);
    summary.Add(r.status);
    if (r.status == BatchStatus::Converted)
      std::printf("would convert %s -> %s (%s)\n", r.input.c_str(), OutputStem(job).c_str(),
                  job.entry.export_class.c_str());
    else std::printf("%s\n", ResultLine(r).c_str());
  }
  return summary;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::exists(a, ec) && fs::equivalent(a, b, ec);
}

int CmdBatch(const BatchArgs& a, const std::string& plugin_dir, char* argv0) {
  if (a.positional.size() != 1)
    return UsageError("batch", a.positional.empty() ? "missing LIST.lst" : "unexpected argument " + Quote(a.positional[1]));
  const std::string& list_path = a.positional[0];
  // The list is never written by a run, not even as the report.
  if (!a.report.empty() && SameFile(a.report, list_path))
    return UsageError("batch", "--report names the list " + Quote(list_path));
  ModifierFiles mods;
  std::string why;
  if (!mods.Load(a.objmod, a.scenemod, why)) return Failure(why);

  BatchList list;
  BatchLoadReport loaded;
  if (!list.Load(list_path, loaded, why)) return Failure(why);
  // Lines that are no entry belong to no shard; the first shard tells.
  int bad_lines = 0;
  if (a.shard_k == 1) {
    for (const BatchLoadReport::Skipped& s : loaded.skipped)
      std::fprintf(stderr, "korvane-cli: %s:%d: skipped: the line %s\n", list_path.c_str(), s.line, s.why.c_str());
    bad_lines = static_cast<int>(loaded.skipped.size());
  }

  Session session(plugin_dir);
  LoadPlugins(session, a.plugin_args, argv0);
  QuietPluginProgress(session.registry);
  UseTerminalProgress();

  std::vector<int> positions = ShardPositions(static_cast<int>(list.entries.size()), a.shard_k, a.shard_n);
  std::vector<BatchJob> jobs;
  if (!positions.empty()) jobs = PlanBatch(session.registry, list, positions);

  FILE* report = nullptr;
  if (!a.report.empty() && !a.dry_run && !(report = std::fopen(a.report.c_str(), "wb")))
    return Failure("cannot write report " + Quote(a.report) + ": " + WriteProblem(a.report));

  CliReporter reporter(jobs, report);
  BatchSummary summary;
  CatchInterrupt();
  if (a.dry_run) {
    summary = DryRun(jobs);
  } else {
    BatchSettings settings;
    settings.objects = mods.objects.get();
    settings.scene = mods.scene.get();
    settings.count_triangles = report != nullptr;
    if (a.jobs > 1 || a.timeout > 0) {
      WorkerPoolSettings pool;
      pool.program = SelfPath(argv0);
      pool.args = {"--plugin-dir", session.plugin_dir, kWorkerCommand};
      if (!a.objmod.empty()) pool.args.insert(pool.args.end(), {"--objmod", Absolute(a.objmod)});
      if (!a.scenemod.empty()) pool.args.insert(pool.args.end(), {"--scenemod", Absolute(a.scenemod)});
      if (report) pool.args.push_back("--count-triangles");
      for (char* p : a.plugin_args) pool.args.push_back(p);
      pool.jobs = a.jobs;
      pool.timeout = a.timeout;
      kvhost::ProgressScope progress;
      summary = RunBatchInWorkers(jobs, pool, reporter, &g_stop);
    } else {
      summary = RunBatch(session.registry, jobs, settings, reporter, &g_stop);
    }
  }
  signal(SIGINT, SIG_DFL);
  bool report_ok = true;
  if (report) {
    report_ok = !reporter.report_failed && std::fclose(report) == 0;
    if (!report_ok) std::fprintf(stderr, "korvane-cli: writing report %s failed\n", Quote(a.report).c_str());
  }
  if (summary.interrupted)
    std::fprintf(stderr, "korvane-cli: stopped by SIGINT after the current entry; %d %s left (reported skipped)\n",
                 summary.skipped, summary.skipped == 1 ? "entry" : "entries");
  summary.skipped += bad_lines;
  std::printf("%s\n", SummaryLine(summary, a.dry_run).c_str());
  std::fflush(stdout);
  return summary.failed == 0 && summary.skipped == 0 && report_ok ? kExitOk : kExitFailure;
}

int CmdBatchAdd(const BatchArgs& a, const std::string& plugin_dir, char* argv0) {
  if (a.positional.size() < 3)
    return UsageError("batch-add", a.positional.size() < 2 ? "missing LIST.lst or OUTDIR" : "missing FILE");
  const std::string& list_path = a.positional[0];
  std::string outdir = Absolute(a.positional[1]);
  if (outdir.back() != '/') outdir += '/';
  Session session(plugin_dir);
  LoadPlugins(session, {}, argv0);
  std::string err;
  int from = -1, to = -1;
  if (!a.from.empty() && (from = ResolveClass(session.registry, a.from, ClassKind::Import, err)) < 0) return Failure(err);
  if (!a.to.empty() && (to = ResolveClass(session.registry, a.to, ClassKind::Export, err)) < 0) return Failure(err);

  BatchList adding;
  int refused = 0;
  for (size_t i = 2; i < a.positional.size(); ++i) {
    const std::string file = Absolute(a.positional[i]);
    std::string why;
    int imp = from >= 0 ? from : session.registry.FindImportClass(file.c_str());
    int exp = to >= 0 ? to : ExportClassForPath(session.registry, file, why);
    if (!CheckReadable(file, why)) {
      why = "cannot read input file: " + why;
    } else if (imp < 0) {
      why = "no import class fits: extension " + Quote(FileExtension(file)) + " not recognized; name one with --from CLASS";
    } else if (exp < 0) {
      why = "no export class given; name one with --to CLASS";
    } else {
      BatchEntry e;
      e.import_class = session.registry.GetClass(imp)->ClassName();
      e.export_class = session.registry.GetClass(exp)->ClassName();
      e.input = file;
      e.target = outdir;
      if (adding.Add(e, why)) {
        std::printf("added %s\n", file.c_str());
        continue;
      }
    }
    std::fprintf(stderr, "korvane-cli: not added %s: %s\n", Quote(file).c_str(), why.c_str());
    ++refused;
  }
  if (!adding.entries.empty() && !BatchList::AppendToFile(list_path, adding.entries, err)) return Failure(err);
  return refused ? kExitFailure : kExitOk;
}

int CmdWorker(const BatchArgs& a, const std::string& plugin_dir, char* argv0) {
  ModifierFiles mods;
  std::string why;
  if (!mods.Load(a.objmod, a.scenemod, why)) return Failure(why);
  Session session(plugin_dir);
  LoadPlugins(session, a.plugin_args, argv0);
  QuietPluginProgress(session.registry);
  BatchSettings settings;
  settings.objects = mods.objects.get();
  settings.scene = mods.scene.get();
  settings.count_triangles = a.count_triangles;
  return ServeBatchJobs(session.registry, settings, STDIN_FILENO, kBatchResultFd);
}

}  // namespace

int BatchMain(const std::string& cmd, int argc, char** argv, int first, const std::string& plugin_dir) {
  BatchCommand kind = cmd == "batch" ? BatchCommand::Run : cmd == "batch-add" ? BatchCommand::Add : BatchCommand::Worker;
  BatchArgs args;
  std::string err = ParseBatchArgs(kind, argc, argv, first, args);
  if (!err.empty()) return UsageError(cmd, err);
  for (const std::string& p : args.positional)
    if (p.empty()) return UsageError(cmd, "empty file name");
  if (kind == BatchCommand::Run) return CmdBatch(args, plugin_dir, argv[0]);
  if (kind == BatchCommand::Add) return CmdBatchAdd(args, plugin_dir, argv[0]);
  return CmdWorker(args, plugin_dir, argv[0]);
}

bool IsBatchCommand(const std::string& cmd) { return cmd == "batch" || cmd == "batch-add" || cmd == kWorkerCommand; }

}  // namespace kvcli
