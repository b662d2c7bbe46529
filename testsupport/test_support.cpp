#include "test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kvtest {

TempDir::TempDir() {
  std::string templ = (fs::temp_directory_path() / "korvane-test-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string command_output(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

int run_command(const std::string& command, std::string* output) {
  output->clear();
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output->append(buf, n);
  const int status = pclose(p);
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path source_dir() {
  if (const char* s = std::getenv("KORVANE_SOURCE_DIR")) return s;
  return KV_DEFAULT_SOURCE_DIR;
}

namespace {

fs::path shared_folder(const char* variable, const char* name) {
  if (const char* s = std::getenv(variable); s && *s) return s;
  return source_dir().parent_path() / "shared" / name;
}

// Tells once per process, on stderr, that a folder is missing.
bool present(const fs::path& folder, const char* what, const char* variable, bool& told) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return true;
  if (!told) {
    told = true;
    std::fprintf(stderr, "%s\n", missing_folder_message(what, folder, variable).c_str());
  }
  return false;
}

}  // namespace

fs::path corpus_dir() { return shared_folder("KORVANE_CORPUS_DIR", "corpus"); }
fs::path shared_data_dir() { return shared_folder("KORVANE_DATA_DIR", "data"); }

bool have_corpus() {
  static bool told = false;
  return present(corpus_dir(), "corpus", "KORVANE_CORPUS_DIR", told);
}

bool have_shared_data() {
  static bool told = false;
  return present(shared_data_dir(), "data folder", "KORVANE_DATA_DIR", told);
}

std::string corpus_file(const std::string& relative) { return (corpus_dir() / relative).string(); }

bool corpus_required() {
  const char* s = std::getenv("KORVANE_REQUIRE_CORPUS");
  return s && std::string(s) == "1";
}

std::string missing_folder_message(const char* what, const fs::path& folder, const char* variable) {
  return std::string(what) + " not found at " + folder.string() + " (set " + variable + ")";
}

fs::path bin_dir() {
  if (const char* s = std::getenv("KORVANE_BIN_DIR")) return s;
  return KV_DEFAULT_BIN_DIR;
}

}  // namespace kvtest
