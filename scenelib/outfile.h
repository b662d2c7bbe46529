// Files that are written in full or not at all. The bytes go to a temporary
// file in the target's folder, which replaces the target only when every
// write and the close succeeded; on failure the temporary file is removed
// and an existing target stays as it was. A target that is not a regular
// file (a device such as /dev/null, a pipe) is written directly.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

class MOutputFile {
 public:
  MOutputFile() = default;
  // An output that was not committed is discarded.
  ~MOutputFile();
  MOutputFile(const MOutputFile&) = delete;
  MOutputFile& operator=(const MOutputFile&) = delete;

  // false when no file could be made for path (error() tells why).
  bool Open(const char* path);
  bool IsOpen() const { return f_ != nullptr; }
  FILE* Get_FILE() const { return f_; }
  const std::string& path() const { return path_; }

  // Writes n bytes; false (and the error noted) when they did not all go.
  bool Write(const void* data, size_t n);
  // A writer on top of this file saw a failure: the file will not commit.
  void NoteError(int err);
  bool Failed() const { return error_ != 0; }

  // Flushes and closes the file, keeping it aside; false when anything
  // failed. Several outputs of one run are all closed before any is
  // committed, so that a failure leaves every target untouched.
  bool Close();
  // Closes (when still open) and moves the file into place. false when
  // anything failed, also earlier: the target is then untouched.
  bool Commit();
  // Closes and removes the temporary file; the target stays as it was.
  void Discard();

  // The first errno seen (0: none) and its text.
  int error() const { return error_; }
  std::string ErrorText() const;

 private:
  FILE* f_ = nullptr;
  std::string path_;  // the target
  std::string temp_;  // empty when writing the target directly
  std::string final_;  // what the temporary file is renamed to (a link resolved)
  int error_ = 0;
  bool closed_ = false;  // closed, not yet committed or discarded
};

// "<path>: <reason>" for a failed output, the reason from errno when known.
std::string m_output_error(const MOutputFile& out);
