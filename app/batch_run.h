// The unattended batch run: every entry of a batch list is imported through
// its import class, passed through the object and scene modifiers and
// exported through its export class into its target folder, without any
// question. Failures are reported per entry; the list itself is not
// changed (the window program removes the converted entries afterwards).
#pragma once
#include <csignal>
#include <string>
#include <vector>

#include "batch_list.h"
#include "objmod.h"

class PluginRegistry;

enum class BatchStatus { Converted, Failed, Skipped };
// "converted", "failed", "skipped".
const char* BatchStatusName(BatchStatus status);

// One entry as the run will convert it.
struct BatchJob {
  int index = -1;            // position in the list
  BatchEntry entry;
  int import_class = -1;     // registry positions; -1 not installed
  int export_class = -1;
  // What the exporter is given: folder, base name, a placeholder extension
  // (the exporter puts its own). The file written is what the export
  // reports afterwards.
  std::string output;
  std::string problem;       // why it cannot be converted, known before trying; "" none
};

struct BatchResult {
  int index = -1;
  std::string input;
  std::string output;        // the file the export reported; "" when nothing was written
  BatchStatus status = BatchStatus::Failed;
  std::string reason;
  double seconds = 0;
  long triangles = -1;       // -1 when not counted
};

struct BatchSettings {
  ObjModOption1* objects = nullptr;  // object pass; null: none
  ObjModOption2* scene = nullptr;    // scene pass; null: none
  bool count_triangles = false;      // counts what was written (costs a triangulation)
};

struct BatchSummary {
  int converted = 0;
  int failed = 0;
  int skipped = 0;
  bool interrupted = false;
  void Add(BatchStatus s);
};

// Told about every entry as the run goes.
class BatchReporter {
 public:
  virtual ~BatchReporter() = default;
  virtual void Started(const BatchJob& job, int done, int total) {}
  virtual void Finished(const BatchResult& result, int done, int total) = 0;
};

// The registry position of the import (or export) class whose ClassName is
// exactly name; -1 when none is installed.
int FindBatchClass(PluginRegistry& registry, const std::string& name, bool import);

// The jobs of the given list positions (all when empty), in that order:
// classes looked up, output paths made, and what must fail before any
// conversion: a class that is not installed, two entries with the same
// export class, target folder and base name (the second would overwrite the
// first), an entry whose target folder and base name are its input's and
// whose export class holds the input's extension (it would replace its
// input).
std::vector<BatchJob> PlanBatch(PluginRegistry& registry, const BatchList& list, const std::vector<int>& positions);

// The target folder and base name of a job's output, without extension.
std::string OutputStem(const BatchJob& job);

// A job as a result without converting it (status as given).
BatchResult ResultOf(const BatchJob& job, BatchStatus status, const std::string& reason);

// Converts one job in this process; the target folder is created when
// missing.
BatchResult ConvertBatchJob(PluginRegistry& registry, const BatchJob& job, const BatchSettings& settings);

// Converts the jobs one after another in this process. When *stop becomes
// non-zero the entry being converted is finished and the rest are reported
// skipped.
BatchSummary RunBatch(PluginRegistry& registry, const std::vector<BatchJob>& jobs, const BatchSettings& settings,
                      BatchReporter& reporter, const volatile std::sig_atomic_t* stop);
