// Small helpers shared by every test executable.
#pragma once
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

// The project's source folder and the shared real-model corpus beside it.
std::filesystem::path source_dir();
std::filesystem::path corpus_dir();
std::filesystem::path shared_data_dir();
// The build's bin folder (programs, libkorvanelib.so, plugin/).
std::filesystem::path bin_dir();

}  // namespace kvtest
