#include "batch_command.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command_support.h"

namespace kvcli {

namespace {

bool ToInt(const std::string& s, int& v) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  v = std::atoi(s.c_str());
  return true;
}

}  // namespace

std::string ParseBatchArgs(BatchCommand cmd, int argc, char** argv, int start, BatchArgs& out) {
  for (int i = start; i < argc; ++i) {
    std::string s = argv[i];
    // "--opt VALUE" or "--opt=VALUE".
    auto take = [&](const char* opt, std::string& dst, std::string& err) -> bool {
      size_t n = std::strlen(opt);
      if (s.compare(0, n, opt) != 0 || (s.size() > n && s[n] != '=')) return false;
      if (s.size() > n) dst = s.substr(n + 1);
      else if (i + 1 < argc) dst = argv[++i];
      else dst.clear();
      if (dst.empty()) err = std::string(opt) + " needs a value";
      return true;
    };
    std::string value, err;
    const bool run = cmd == BatchCommand::Run, worker = cmd == BatchCommand::Worker, add = cmd == BatchCommand::Add;
    if ((run || worker) && take("--objmod", out.objmod, err)) {
    } else if ((run || worker) && take("--scenemod", out.scenemod, err)) {
    } else if (run && s == "--dry-run") {
      out.dry_run = true;
    } else if (worker && s == "--count-triangles") {
      out.count_triangles = true;
    } else if (run && take("--jobs", value, err)) {
      if (err.empty() && (!ToInt(value, out.jobs) || out.jobs < 1 || out.jobs > 256))
        err = "--jobs needs a number of workers from 1 to 256, not '" + value + "'";
    } else if (run && take("--timeout", value, err)) {
      char* end = nullptr;
      if (err.empty()) out.timeout = std::strtod(value.c_str(), &end);
      if (err.empty() && (!end || *end || !(out.timeout > 0) || !std::isfinite(out.timeout)))
        err = "--timeout needs seconds above 0, not '" + value + "'";
    } else if (run && take("--shard", value, err)) {
      if (err.empty() && !ParseShard(value, out.shard_k, out.shard_n))
        err = "--shard needs K/N with 1 <= K <= N, not '" + value + "'";
    } else if (run && take("--report", out.report, err)) {
    } else if (add && take("--from", out.from, err)) {
    } else if (add && take("--to", out.to, err)) {
    } else if (s.rfind("--", 0) == 0 && s.size() > 2) {
      return "unknown option " + s;
    } else if (!add && s.size() > 1 && (s[0] == '-' || s[0] == '@')) {
      out.plugin_args.push_back(argv[i]);
    } else {
      out.positional.push_back(s);
    }
    if (!err.empty()) return err;
  }
  return "";
}

bool ParseShard(const std::string& text, int& k, int& n) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  int a = 0, b = 0;
  if (!ToInt(text.substr(0, slash), a) || !ToInt(text.substr(slash + 1), b)) return false;
  if (a < 1 || b < 1 || a > b) return false;
  k = a;
  n = b;
  return true;
}

std::vector<int> ShardPositions(int count, int k, int n) {
  std::vector<int> out;
  if (n < 1 || k < 1 || k > n) return out;
  for (int i = k - 1; i < count; i += n) out.push_back(i);
  return out;
}

std::string ResultLine(const BatchResult& r) {
  switch (r.status) {
    case BatchStatus::Converted: return "converted " + r.input + " -> " + r.output;
    case BatchStatus::Failed: return "failed " + r.input + ": " + r.reason;
    case BatchStatus::Skipped: return "skipped " + r.input + ": " + r.reason;
  }
  return "";
}

std::string ReportLine(const BatchResult& r, int list_line) {
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.3f", r.seconds);
  std::string out = "{\"index\": " + std::to_string(r.index) + ", \"line\": " + std::to_string(list_line) +
                    ", \"input\": " + JsonString(r.input) + ", \"output\": " + JsonString(r.output) +
                    ", \"status\": " + JsonString(BatchStatusName(r.status)) + ", \"reason\": " +
                    JsonString(r.reason) + ", \"seconds\": " + secs + ", \"triangles\": " +
                    (r.triangles < 0 ? std::string("null") : std::to_string(r.triangles)) + "}";
  return out;
}

std::string SummaryLine(const BatchSummary& s, bool dry_run) {
  int total = s.converted + s.failed + s.skipped;
  std::string out = std::string(dry_run ? "batch (dry run): " : "batch: ") + std::to_string(total) +
                    (total == 1 ? " entry, " : " entries, ") + std::to_string(s.converted) +
                    (dry_run ? " would convert, " : " converted, ") + std::to_string(s.failed) +
                    (dry_run ? " would fail, " : " failed, ") + std::to_string(s.skipped) + " skipped";
  if (s.interrupted) out += " (stopped)";
  return out;
}

}  // namespace kvcli
