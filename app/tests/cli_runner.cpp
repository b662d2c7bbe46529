#include "cli_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "test_support.h"

extern char** environ;

namespace fs = std::filesystem;

namespace kvclitest {

fs::path Cli() { return kvtest::bin_dir() / "korvane-cli"; }
fs::path PluginDir() { return kvtest::bin_dir() / "plugin"; }
std::string Sample() { return (kvtest::source_dir() / "samples" / "cube.raw").string(); }

Running StartCli(const std::vector<std::string>& args, const std::string& dir, const std::vector<std::string>& env) {
  Running run;
  run.out_path = (fs::path(dir) / "out").string();
  run.err_path = (fs::path(dir) / "err").string();
  std::vector<std::string> argv_s = {Cli().string()};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_s) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::map<std::string, std::string> vars;
  for (char** e = environ; *e; ++e) {
    std::string s = *e;
    size_t eq = s.find('=');
    if (eq != std::string::npos) vars[s.substr(0, eq)] = s.substr(eq + 1);
  }
  vars.erase("KORVANE_PLUGIN_DIR");
  for (const std::string& s : env) {
    size_t eq = s.find('=');
    if (eq + 1 == s.size()) vars.erase(s.substr(0, eq));
    else vars[s.substr(0, eq)] = s.substr(eq + 1);
  }
  std::vector<std::string> env_s;
  for (auto& [k, v] : vars) env_s.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (std::string& s : env_s) envp.push_back(s.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, run.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, run.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) == 0) run.pid = pid;
  posix_spawn_file_actions_destroy(&fa);
  return run;
}

Result FinishCli(const Running& run, int timeout_s) {
  Result r;
  if (run.pid <= 0) {
    r.err = "spawn failed";
    return r;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
  int wstatus = 0;
  for (;;) {
    pid_t w = waitpid(run.pid, &wstatus, WNOHANG);
    if (w == run.pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(run.pid, SIGKILL);
      waitpid(run.pid, &wstatus, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
  else if (WIFSIGNALED(wstatus)) r.status = 128 + WTERMSIG(wstatus);
  r.out = kvtest::read_file(run.out_path);
  r.err = kvtest::read_file(run.err_path);
  return r;
}

Result RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env, int timeout_s) {
  kvtest::TempDir io;
  return FinishCli(StartCli(args, io.str(), env), timeout_s);
}

bool HaveRawPlugins() {
  return fs::exists(Cli()) && fs::exists(PluginDir() / "import_raw.so") && fs::exists(PluginDir() / "export_raw.so");
}

std::vector<std::string> Lines(const std::string& text) {
  // The exporter's default line ends are DOS ones (ld_mode 0).
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

std::string Field(const std::string& info, const std::string& key) {
  for (const std::string& l : Lines(info))
    if (l.rfind(key + ": ", 0) == 0) return l.substr(key.size() + 2);
  return "";
}

}  // namespace kvclitest
