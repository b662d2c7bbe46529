#include "batch_run.h"

#include <chrono>
#include <filesystem>
#include <map>

#include "command_support.h"
#include "conversion.h"
#include "host_progress.h"
#include "korvanelib.h"
#include "modifier_commands.h"
#include "plugin_host.h"

namespace fs = std::filesystem;

namespace {

// The base name of the input file (no folder, no extension).
std::string BaseName(const std::string& path) {
  char fname[M_MAX_FNAME];
  m_splitpath(path.c_str(), nullptr, nullptr, fname, nullptr);
  return fname;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// A path as one file is named however it was written.
std::string Normal(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) p = fs::absolute(path, ec).lexically_normal();
  return p.string();
}

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

const char* BatchStatusName(BatchStatus status) {
  switch (status) {
    case BatchStatus::Converted: return "converted";
    case BatchStatus::Failed: return "failed";
    case BatchStatus::Skipped: return "skipped";
  }
  return "failed";
}

void BatchSummary::Add(BatchStatus s) {
  if (s == BatchStatus::Converted) ++converted;
  else if (s == BatchStatus::Failed) ++failed;
  else ++skipped;
}

int FindBatchClass(PluginRegistry& registry, const std::string& name, bool import) {
  for (int i : import ? registry.ImportTable() : registry.ExportTable()) {
    const char* n = registry.GetClass(i)->ClassName();
    if (n && name == n) return i;
  }
  return -1;
}

std::string OutputStem(const BatchJob& job) { return Join(job.entry.target, BaseName(job.entry.input)); }

std::vector<BatchJob> PlanBatch(PluginRegistry& registry, const BatchList& list, const std::vector<int>& positions) {
  std::vector<int> order = positions;
  if (order.empty())
    for (int i = 0; i < static_cast<int>(list.entries.size()); ++i) order.push_back(i);
  std::vector<BatchJob> jobs;
  // Export class and output stem -> the first job writing it. The exporter
  // names the file only when it writes it; the same class given the same
  // folder and base name writes the same file.
  std::map<std::string, size_t> writers;
  for (int i : order) {
    if (i < 0 || i >= static_cast<int>(list.entries.size())) continue;
    BatchJob job;
    job.index = i;
    job.entry = list.entries[static_cast<size_t>(i)];
    job.import_class = FindBatchClass(registry, job.entry.import_class, true);
    job.export_class = FindBatchClass(registry, job.entry.export_class, false);
    const std::string stem = OutputStem(job);
    job.output = stem + ".xxx";
    if (job.import_class < 0) {
      job.problem = "import class " + kvcli::Quote(job.entry.import_class) + " is not installed";
    } else if (job.export_class < 0) {
      job.problem = "export class " + kvcli::Quote(job.entry.export_class) + " is not installed";
    } else {
      const std::string key = Normal(stem);
      auto [it, fresh] = writers.emplace(job.entry.export_class + '\n' + key, jobs.size());
      const std::string input_stem = Normal(Join(fs::path(job.entry.input).parent_path().string(), BaseName(job.entry.input)));
      if (!fresh) {
        const BatchJob& first = jobs[it->second];
        job.problem = "output " + kvcli::Quote(stem) + " through " + kvcli::Quote(job.entry.export_class) +
                      " is written by an earlier entry as well (" + kvcli::Quote(first.entry.input) + ")";
      } else if (key == input_stem &&
                 kvcli::ClassNameHolds(registry.GetClass(job.export_class), kvcli::FileExtension(job.entry.input))) {
        job.problem = "output " + kvcli::Quote(stem) + " through " + kvcli::Quote(job.entry.export_class) +
                      " would replace the input";
      }
    }
    jobs.push_back(job);
  }
  return jobs;
}

BatchResult ResultOf(const BatchJob& job, BatchStatus status, const std::string& reason) {
  BatchResult r;
  r.index = job.index;
  r.input = job.entry.input;
  r.status = status;
  r.reason = reason;
  return r;
}

BatchResult ConvertBatchJob(PluginRegistry& registry, const BatchJob& job, const BatchSettings& settings) {
  auto t0 = std::chrono::steady_clock::now();
  auto fail = [&](const std::string& why) {
    BatchResult r = ResultOf(job, BatchStatus::Failed, why);
    r.seconds = Since(t0);
    return r;
  };
  if (!job.problem.empty()) return fail(job.problem);
  std::string why;
  if (!kvcli::CheckReadable(job.entry.input, why)) return fail("cannot read input file: " + why);
  std::error_code ec;
  if (!fs::is_directory(job.entry.target, ec)) {
    fs::create_directories(job.entry.target, ec);
    if (ec) return fail("cannot create target folder " + kvcli::Quote(job.entry.target) + ": " + ec.message());
  }
  ConversionDriver driver(registry);
  driver.ExportOnce();
  if (driver.ImportFile(job.import_class, job.entry.input.c_str()) != 1)
    return fail("import failed: " + (driver.last_error.empty() ? std::string("No scene") : driver.last_error));
  kvhost::RunModifierPasses(driver, settings.objects, settings.scene);
  std::vector<std::string> written;
  if (driver.ExportFile(job.export_class, job.output.c_str(), &written) != 1)
    return fail("export failed: " + driver.last_error);
  BatchResult r = ResultOf(job, BatchStatus::Converted, "");
  // What the exporter reported it wrote (the first scene's file).
  if (!written.empty()) r.output = written.front();
  if (settings.count_triangles) r.triangles = driver.TriangleCount();
  r.seconds = Since(t0);
  return r;
}

BatchSummary RunBatch(PluginRegistry& registry, const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                      BatchReporter& reporter, const volatile std::sig_atomic_t* stop) {
  BatchSummary summary;
  // One progress window over the whole run, its passes included.
  kvhost::ProgressScope progress;
  const int n = static_cast<int>(jobs.size());
  for (int k = 0; k < n; ++k) {
    const BatchJob& job = jobs[static_cast<size_t>(k)];
    if (stop && *stop) {
      summary.interrupted = true;
      BatchResult r = ResultOf(job, BatchStatus::Skipped, "the run was stopped");
      summary.Add(r.status);
      reporter.Finished(r, k + 1, n);
      continue;
    }
    reporter.Started(job, k, n);
    BatchResult r = ConvertBatchJob(registry, job, settings);
    summary.Add(r.status);
    reporter.Finished(r, k + 1, n);
  }
  return summary;
}
