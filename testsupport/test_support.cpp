#include "test_support.h"

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

fs::path source_dir() {
  if (const char* s = std::getenv("KORVANE_SOURCE_DIR")) return s;
  return KV_DEFAULT_SOURCE_DIR;
}

fs::path corpus_dir() { return source_dir().parent_path() / "shared" / "corpus"; }
fs::path shared_data_dir() { return source_dir().parent_path() / "shared" / "data"; }

fs::path bin_dir() {
  if (const char* s = std::getenv("KORVANE_BIN_DIR")) return s;
  return KV_DEFAULT_BIN_DIR;
}

}  // namespace kvtest
