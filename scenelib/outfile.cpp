#include "outfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// The folder part of path, "." when it has none.
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

MOutputFile::~MOutputFile() { Discard(); }

bool MOutputFile::Open(const char* path) {
  Discard();
  error_ = 0;
  final_.clear();
  path_ = path ? path : "";
  temp_.clear();
  if (path_.empty()) {
    error_ = ENOENT;
    return false;
  }
  std::string target = path_;
  mode_t mode = NewFileMode();
  struct stat st;
  if (stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      if (S_ISDIR(st.st_mode)) {
        error_ = EISDIR;
        return false;
      }
      f_ = std::fopen(target.c_str(), "wb");
      if (!f_) error_ = errno ? errno : EIO;
      return f_ != nullptr;
    }
    mode = st.st_mode & 07777;
    // A link to a file: the file is replaced, the link stays.
    char real[PATH_MAX];
    struct stat lst;
    if (lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && realpath(target.c_str(), real)) target = real;
  } else if (errno != ENOENT) {
    error_ = errno;
    return false;
  }
  // The target must be creatable at all (a missing folder, a name that is
  // too long): ask the file system before making anything.
  std::string folder = FolderOf(target);
  std::string templ = folder + (folder == "/" ? "" : "/") + ".korvane-XXXXXX";
  int fd = mkstemp(templ.data());
  if (fd < 0) {
    error_ = errno ? errno : EIO;
    return false;
  }
  if (fchmod(fd, mode) != 0) {
    // Not fatal: the file keeps mkstemp's private mode.
  }
  f_ = fdopen(fd, "wb");
  if (!f_) {
    error_ = errno ? errno : EIO;
    close(fd);
    unlink(templ.c_str());
    return false;
  }
  temp_ = templ;
  path_ = path ? path : "";
  final_ = target;
  return true;
}

bool MOutputFile::Write(const void* data, size_t n) {
  if (!f_) {
    if (!error_) error_ = EBADF;
    return false;
  }
  if (n == 0) return true;
  errno = 0;
  if (std::fwrite(data, 1, n, f_) != n) {
    NoteError(errno ? errno : EIO);
    return false;
  }
  return true;
}

void MOutputFile::NoteError(int err) {
  if (!error_) error_ = err ? err : EIO;
}

bool MOutputFile::Close() {
  if (!f_) {
    if (!error_ && !closed_) error_ = EBADF;
    return error_ == 0;
  }
  errno = 0;
  if (std::fflush(f_) != 0 || std::ferror(f_)) NoteError(errno ? errno : EIO);
  errno = 0;
  if (std::fclose(f_) != 0) NoteError(errno ? errno : EIO);
  f_ = nullptr;
  closed_ = true;
  return error_ == 0;
}

bool MOutputFile::Commit() {
  Close();
  if (!closed_) return false;
  closed_ = false;
  if (temp_.empty()) return error_ == 0;
  if (error_ == 0 && std::rename(temp_.c_str(), final_.c_str()) != 0) NoteError(errno);
  if (error_ != 0) unlink(temp_.c_str());
  temp_.clear();
  return error_ == 0;
}

void MOutputFile::Discard() {
  closed_ = false;
  if (f_) {
    std::fclose(f_);
    f_ = nullptr;
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
}

std::string MOutputFile::ErrorText() const {
  if (!error_) return "";
  return std::strerror(error_);
}

std::string m_output_error(const MOutputFile& out) {
  std::string reason = out.error() ? out.ErrorText() : std::string("write failed");
  return out.path() + ": " + reason;
}
