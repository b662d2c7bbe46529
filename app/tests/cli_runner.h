// Running the built korvane-cli as a user does, for the command-line tests:
// a subprocess with the build's plug-ins, its exit status and its output.
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kvclitest {

struct Result {
  int status = -1;  // exit status; 128 + signal when killed
  std::string out;
  std::string err;
};

std::filesystem::path Cli();
std::filesystem::path PluginDir();
// samples/cube.raw of the sources.
std::string Sample();

// A korvane-cli started in the background; Finish waits for it.
struct Running {
  pid_t pid = -1;
  std::string out_path, err_path;
};
// Starts korvane-cli with args; env entries "KEY=VALUE" are added (an entry
// "KEY=" removes KEY). Output goes to files in dir.
Running StartCli(const std::vector<std::string>& args, const std::string& dir,
                 const std::vector<std::string>& env = {});
// Waits at most timeout_s seconds (then kills it) and collects the output.
Result FinishCli(const Running& r, int timeout_s = 60);
// Both, with the output in a temporary folder.
Result RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {}, int timeout_s = 60);

bool HaveRawPlugins();

// The lines of a text, without their line ends (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);
// The value of "key: value" in korvane-cli info output.
std::string Field(const std::string& info, const std::string& key);

}  // namespace kvclitest

#define REQUIRE_RAW()                                                                        \
  do {                                                                                       \
    if (!kvclitest::HaveRawPlugins()) GTEST_SKIP() << "korvane-cli or the RAW plug-ins are not built"; \
  } while (0)
