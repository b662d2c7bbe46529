// A batch run over worker processes: each worker is a program of its own
// (korvane-cli in its worker mode) that loads the plug-ins once and converts
// the entries it is handed one at a time, so a plug-in that crashes or hangs
// costs the entry it was converting and nothing else. The host hands out
// the entries, kills a worker whose entry runs past the timeout, and starts
// a new worker in place of one that ended.
//
// Between host and worker: one line per entry on the worker's standard
// input, one line per result on its file descriptor 3; fields separated by
// TAB, with "\\", TAB and line ends escaped.
#pragma once
#include <csignal>
#include <string>
#include <vector>

#include "batch_run.h"

class PluginRegistry;

// The file descriptor a worker writes its results to.
constexpr int kBatchResultFd = 3;

struct WorkerPoolSettings {
  std::string program;             // the worker program, an absolute path
  std::vector<std::string> args;   // its arguments (argv[1] ...)
  int jobs = 1;                    // workers at a time
  double timeout = 0;              // seconds per entry; 0 none
};

// Converts the jobs over jobs workers. Jobs with a known problem are
// reported failed without a worker. When *stop becomes non-zero no entry is
// handed out any more; those being converted are finished and the rest are
// reported skipped.
BatchSummary RunBatchInWorkers(const std::vector<BatchJob>& jobs, const WorkerPoolSettings& settings,
                               BatchReporter& reporter, const volatile std::sig_atomic_t* stop);

// The worker's side: reads jobs from in_fd until its end, converts each and
// writes its result to out_fd. Returns 0, or 1 when out_fd cannot be written.
int ServeBatchJobs(PluginRegistry& registry, const BatchSettings& settings, int in_fd, int out_fd);

// The lines between host and worker (without their line end); Decode
// returns false for a line that is not one.
std::string EncodeJob(const BatchJob& job);
bool DecodeJob(const std::string& line, BatchJob& job);
std::string EncodeResult(const BatchResult& result);
bool DecodeResult(const std::string& line, BatchResult& result);
