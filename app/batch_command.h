// The pieces of korvane-cli's batch commands that are worth testing without
// a subprocess: their arguments, the shard slice, and the lines they print
// and write.
#pragma once
#include <string>
#include <vector>

#include "batch_run.h"

namespace kvcli {

// batch LIST.lst [--objmod F] [--scenemod F] [--dry-run] [--jobs N]
//   [--timeout S] [--shard K/N] [--report FILE.jsonl] [-key=value ...]
// and the worker mode's own options.
struct BatchArgs {
  std::vector<std::string> positional;
  std::string objmod, scenemod;
  bool dry_run = false;
  int jobs = 1;
  double timeout = 0;
  int shard_k = 1, shard_n = 1;
  std::string report;
  bool count_triangles = false;  // worker mode: the host writes a report
  std::string from, to;          // batch-add
  std::vector<char*> plugin_args;
};

enum class BatchCommand { Run, Add, Worker };

// "" on success, else the usage error.
std::string ParseBatchArgs(BatchCommand cmd, int argc, char** argv, int start, BatchArgs& out);

// "K/N" with 1 <= K <= N; false when text is no such pair.
bool ParseShard(const std::string& text, int& k, int& n);
// The list positions of shard K of N out of count entries: every N-th,
// starting at K - 1, so shards stay balanced when big files sit together.
std::vector<int> ShardPositions(int count, int k, int n);

// "converted IN -> OUT", "failed IN: reason", "skipped IN: reason".
std::string ResultLine(const BatchResult& r);
// One JSON object on one line (no line end): index, line, input, output,
// status, reason, seconds, triangles (null when not counted).
std::string ReportLine(const BatchResult& r, int list_line);
// "batch: N entries, C converted, F failed, S skipped"; a dry run says
// "would convert" and "would fail".
std::string SummaryLine(const BatchSummary& s, bool dry_run);

}  // namespace kvcli
