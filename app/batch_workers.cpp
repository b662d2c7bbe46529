#include "batch_workers.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin_host.h"

namespace {

using Clock = std::chrono::steady_clock;

// ---- the lines -------------------------------------------------------------

std::string Escape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      out.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      char d = line[++i];
      out.back() += d == 't' ? '\t' : d == 'n' ? '\n' : d == 'r' ? '\r' : d;
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += '\t';
    out += Escape(fields[i]);
  }
  return out;
}

bool ToLong(const std::string& s, long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtol(s.c_str(), &end, 10);
  return errno == 0 && end && *end == 0;
}

bool ToDouble(const std::string& s, double& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtod(s.c_str(), &end);
  return end && *end == 0;
}

// ---- plain descriptor I/O ------------------------------------------------------

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads what is there into buf; false at end of input or on an error.
bool ReadSome(int fd, std::string& buf) {
  char chunk[4096];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buf.append(chunk, static_cast<size_t>(n));
    return true;
  }
}

// Takes the next whole line out of buf.
bool TakeLine(std::string& buf, std::string& line) {
  size_t nl = buf.find('\n');
  if (nl == std::string::npos) return false;
  line = buf.substr(0, nl);
  buf.erase(0, nl + 1);
  return true;
}

// ---- the workers ------------------------------------------------------------

std::string EndReason(int status) {
  if (WIFSIGNALED(status)) {
    int sig = WTERMSIG(status);
    const char* name = strsignal(sig);
    return "the worker was killed by signal " + std::to_string(sig) + " (" + (name ? name : "?") + ")";
  }
  if (WIFEXITED(status)) return "the worker ended with status " + std::to_string(WEXITSTATUS(status));
  return "the worker ended";
}

struct Worker {
  pid_t pid = -1;
  int to = -1;    // its standard input
  int from = -1;  // its results
  std::string buf;
  int job = -1;   // the job being converted; -1 idle
  Clock::time_point started;

  bool alive() const { return pid > 0; }

  // Closes the pipes and collects the process; its exit status.
  int Reap(bool kill_first) {
    if (kill_first && pid > 0) kill(pid, SIGKILL);
    if (to >= 0) close(to);
    if (from >= 0) close(from);
    to = from = -1;
    int status = 0;
    if (pid > 0) {
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }
    pid = -1;
    buf.clear();
    job = -1;
    return status;
  }
};

// Starts a worker; false with why.
bool Spawn(Worker& w, const std::vector<char*>& argv, std::string& why) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) {
    why = std::string("cannot start a worker: ") + std::strerror(errno);
    return false;
  }
  if (pipe2(out, O_CLOEXEC) != 0) {
    why = std::string("cannot start a worker: ") + std::strerror(errno);
    close(in[0]);
    close(in[1]);
    return false;
  }
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    why = std::string("cannot start a worker: ") + std::strerror(errno);
    for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
    return false;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    dup2(in[0], 0);
    if (out[1] == kBatchResultFd) fcntl(kBatchResultFd, F_SETFD, 0);
    else dup2(out[1], kBatchResultFd);
    dup2(2, 1);  // plug-ins printing to standard output must not mix into the results
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    // Ctrl+C on the terminal reaches the whole group: the host decides.
    signal(SIGINT, SIG_IGN);
    signal(SIGPIPE, SIG_DFL);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  w.pid = pid;
  w.to = in[1];
  w.from = out[0];
  w.buf.clear();
  w.job = -1;
  return true;
}

// Idle workers end at the end of their input; one that does not within a
// few seconds is killed.
void StopWorkers(std::vector<Worker>& workers) {
  for (Worker& w : workers) {
    if (w.to >= 0) close(w.to);
    w.to = -1;
  }
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  for (Worker& w : workers) {
    while (w.alive() && Clock::now() < deadline) {
      int status = 0;
      pid_t got = waitpid(w.pid, &status, WNOHANG);
      if (got == w.pid || (got < 0 && errno != EINTR)) w.pid = -1;
      else usleep(2000);
    }
    w.Reap(true);
  }
}

// Restores the SIGPIPE disposition when the pool ends.
struct IgnoreSigpipe {
  struct sigaction old {};
  IgnoreSigpipe() {
    struct sigaction sa {};
    sa.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &sa, &old);
  }
  ~IgnoreSigpipe() { sigaction(SIGPIPE, &old, nullptr); }
};

}  // namespace

std::string EncodeJob(const BatchJob& job) {
  return JoinFields({std::to_string(job.index), job.entry.import_class, job.entry.export_class, job.entry.input,
                     job.entry.target, job.output});
}

bool DecodeJob(const std::string& line, BatchJob& job) {
  std::vector<std::string> f = SplitFields(line);
  long index = 0;
  if (f.size() != 6 || !ToLong(f[0], index)) return false;
  job.index = static_cast<int>(index);
  job.entry.import_class = f[1];
  job.entry.export_class = f[2];
  job.entry.input = f[3];
  job.entry.target = f[4];
  job.output = f[5];
  return true;
}

std::string EncodeResult(const BatchResult& r) {
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.6f", r.seconds);
  return JoinFields({std::to_string(r.index), BatchStatusName(r.status), secs, std::to_string(r.triangles),
                     r.input, r.output, r.reason});
}

bool DecodeResult(const std::string& line, BatchResult& r) {
  std::vector<std::string> f = SplitFields(line);
  long index = 0, triangles = 0;
  double seconds = 0;
  if (f.size() != 7 || !ToLong(f[0], index) || !ToDouble(f[2], seconds) || !ToLong(f[3], triangles)) return false;
  if (f[1] == "converted") r.status = BatchStatus::Converted;
  else if (f[1] == "failed") r.status = BatchStatus::Failed;
  else if (f[1] == "skipped") r.status = BatchStatus::Skipped;
  else return false;
  r.index = static_cast<int>(index);
  r.seconds = seconds;
  r.triangles = triangles;
  r.input = f[4];
  r.output = f[5];
  r.reason = f[6];
  return true;
}

int ServeBatchJobs(PluginRegistry& registry, const BatchSettings& settings, int in_fd, int out_fd) {
  std::string buf, line;
  bool more = true;
  while (more || !buf.empty()) {
    if (!TakeLine(buf, line)) {
      if (!more) break;  // a last line without its line end is no whole job
      more = ReadSome(in_fd, buf);
      continue;
    }
    BatchJob job;
    BatchResult r;
    if (!DecodeJob(line, job)) {
      r.status = BatchStatus::Failed;
      r.reason = "the worker got a line that is no entry";
    } else {
      job.import_class = FindBatchClass(registry, job.entry.import_class, true);
      job.export_class = FindBatchClass(registry, job.entry.export_class, false);
      if (job.import_class < 0) job.problem = "import class '" + job.entry.import_class + "' is not installed";
      else if (job.export_class < 0) job.problem = "export class '" + job.entry.export_class + "' is not installed";
      r = ConvertBatchJob(registry, job, settings);
    }
    if (!WriteAll(out_fd, EncodeResult(r) + "\n")) return 1;
  }
  return 0;
}

BatchSummary RunBatchInWorkers(const std::vector<BatchJob>& jobs, const WorkerPoolSettings& settings,
                               BatchReporter& reporter, const volatile std::sig_atomic_t* stop) {
  IgnoreSigpipe no_sigpipe;
  BatchSummary summary;
  const int n = static_cast<int>(jobs.size());
  int finished = 0;
  auto report = [&](const BatchResult& r) {
    summary.Add(r.status);
    reporter.Finished(r, ++finished, n);
  };

  std::vector<std::string> args = settings.args;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(settings.program.c_str()));
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<Worker> workers(static_cast<size_t>(settings.jobs < 1 ? 1 : settings.jobs));
  int next = 0;
  bool stopping = false;
  auto timed_out = [&](const Worker& w, Clock::time_point now) {
    return settings.timeout > 0 && now - w.started >= std::chrono::duration<double>(settings.timeout);
  };
  // The entry of a worker that is gone, failed with why.
  auto lost = [&](int job, Clock::time_point started, const std::string& why) {
    BatchResult r = ResultOf(jobs[static_cast<size_t>(job)], BatchStatus::Failed, why);
    r.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    report(r);
  };

  for (;;) {
    if (stop && *stop) stopping = true;
    // Hand out entries to idle workers.
    for (Worker& w : workers) {
      int refused = 0;
      while (!stopping && w.job < 0 && next < n) {
        const BatchJob& job = jobs[static_cast<size_t>(next)];
        if (!job.problem.empty()) {
          report(ResultOf(job, BatchStatus::Failed, job.problem));
          ++next;
          continue;
        }
        std::string why;
        if (!w.alive() && !Spawn(w, argv, why)) {
          report(ResultOf(job, BatchStatus::Failed, why));
          ++next;
          continue;
        }
        if (!WriteAll(w.to, EncodeJob(job) + "\n")) {
          // Gone before taking it: a new worker gets the entry, once.
          int status = w.Reap(true);
          if (++refused > 1) {
            report(ResultOf(job, BatchStatus::Failed, EndReason(status)));
            ++next;
          }
          continue;
        }
        reporter.Started(job, finished, n);
        w.job = next++;
        w.started = Clock::now();
      }
    }

    std::vector<pollfd> fds;
    std::vector<Worker*> polled;
    Clock::time_point now = Clock::now();
    int wait_ms = 250;  // looks at the stop flag now and then as well
    for (Worker& w : workers) {
      if (w.job < 0) continue;
      fds.push_back({w.from, POLLIN, 0});
      polled.push_back(&w);
      if (settings.timeout > 0) {
        double left = settings.timeout - std::chrono::duration<double>(now - w.started).count();
        int ms = left <= 0 ? 0 : static_cast<int>(left * 1000.0) + 1;
        if (ms < wait_ms) wait_ms = ms;
      }
    }
    if (fds.empty()) break;  // nothing running and nothing more to hand out
    int ready = poll(fds.data(), fds.size(), wait_ms);
    if (ready < 0 && errno != EINTR) break;
    for (size_t i = 0; ready > 0 && i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      Worker& w = *polled[i];
      bool open = ReadSome(w.from, w.buf);
      std::string line;
      while (w.job >= 0 && TakeLine(w.buf, line)) {
        BatchResult r;
        const BatchJob& job = jobs[static_cast<size_t>(w.job)];
        if (!DecodeResult(line, r) || r.index != job.index) {
          r = ResultOf(job, BatchStatus::Failed, "the worker answered with a line that is no result");
        }
        w.job = -1;
        report(r);
      }
      if (!open) {
        const int job = w.job;
        const Clock::time_point started = w.started;
        int status = w.Reap(true);  // without its result pipe it is of no use
        if (job >= 0) lost(job, started, EndReason(status));
      }
    }
    // A worker that ended had its entry reported above; one that is late is
    // killed.
    now = Clock::now();
    for (Worker& w : workers) {
      if (w.job < 0 || !timed_out(w, now)) continue;
      char secs[32];
      std::snprintf(secs, sizeof secs, "%g", settings.timeout);
      lost(w.job, w.started, std::string("timed out after ") + secs + " s; the worker was killed");
      w.Reap(true);
    }
  }

  for (; next < n; ++next) {
    summary.interrupted = true;
    report(ResultOf(jobs[static_cast<size_t>(next)], BatchStatus::Skipped, "the run was stopped"));
  }
  StopWorkers(workers);
  return summary;
}
