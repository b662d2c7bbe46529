// Small helpers shared by every test executable.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kvtest {

// A fresh folder under the system temp dir, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
// What a shell command prints on standard output; empty when it cannot run.
std::string command_output(const std::string& command);
// Runs a shell command with its standard error joined to its output; the
// exit status (-1 when it could not run or was killed).
int run_command(const std::string& command, std::string* output);

// The project's source folder.
std::filesystem::path source_dir();

// The real-model corpus: KORVANE_CORPUS_DIR, else ../shared/corpus beside the
// source folder. Tests that read it start with KV_REQUIRE_CORPUS().
std::filesystem::path corpus_dir();
bool have_corpus();
// The full path of a corpus file, e.g. corpus_file("3ds/jeep1.3ds").
std::string corpus_file(const std::string& relative);

// The format tables: KORVANE_DATA_DIR, else ../shared/data beside the source
// folder. Tests that read them start with KV_REQUIRE_DATA().
std::filesystem::path shared_data_dir();
bool have_shared_data();

// KORVANE_REQUIRE_CORPUS=1: a missing corpus or data folder fails the tests
// that need it instead of skipping them.
bool corpus_required();
// "<what> not found at <folder> (set <variable>)".
std::string missing_folder_message(const char* what, const std::filesystem::path& folder, const char* variable);

// The build's bin folder (programs, libkorvanelib.so, plugin/).
std::filesystem::path bin_dir();

}  // namespace kvtest

// Skips the test when the folder is missing, or fails it under
// KORVANE_REQUIRE_CORPUS=1. Only in functions that return void.
#define KV_REQUIRE_SHARED_FOLDER_(present, what, folder, variable)                       \
  do {                                                                                    \
    if (!(present)) {                                                                     \
      const std::string kv_missing_ = ::kvtest::missing_folder_message(what, folder, variable); \
      if (::kvtest::corpus_required()) FAIL() << kv_missing_ << "; KORVANE_REQUIRE_CORPUS=1"; \
      GTEST_SKIP() << kv_missing_;                                                        \
    }                                                                                     \
  } while (0)

#define KV_REQUIRE_CORPUS() \
  KV_REQUIRE_SHARED_FOLDER_(::kvtest::have_corpus(), "corpus", ::kvtest::corpus_dir(), "KORVANE_CORPUS_DIR")
#define KV_REQUIRE_DATA() \
  KV_REQUIRE_SHARED_FOLDER_(::kvtest::have_shared_data(), "data folder", ::kvtest::shared_data_dir(), "KORVANE_DATA_DIR")
