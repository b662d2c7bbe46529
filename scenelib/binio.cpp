#include "binio.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

template <class T>
void Store(uint8_t* p, T v, MByteOrder order) {
  for (size_t i = 0; i < sizeof(T); ++i) {
    uint8_t b = static_cast<uint8_t>(v >> (8 * i));
    if (order == MByteOrder::kLittle)
      p[i] = b;
    else
      p[sizeof(T) - 1 - i] = b;
  }
}

}  // namespace

bool MBinReader::Need(size_t n) {
  if (ok_ && static_cast<size_t>(end_ - p_) >= n) return true;
  ok_ = false;
  p_ = end_;
  return false;
}

bool MBinReader::Bytes(void* out, size_t n) {
  if (!Need(n)) {
    std::memset(out, 0, n);
    return false;
  }
  std::memcpy(out, p_, n);
  p_ += n;
  return true;
}

std::string MBinReader::CString(size_t max_len) {
  if (!ok_) return std::string();
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(p_, 0, static_cast<size_t>(end_ - p_)));
  const uint8_t* stop = nul ? nul : end_;
  size_t n = static_cast<size_t>(stop - p_);
  std::string s(reinterpret_cast<const char*>(p_), n < max_len ? n : max_len);
  p_ = nul ? nul + 1 : end_;
  if (!nul) ok_ = false;
  return s;
}

std::string MBinReader::FixedString(size_t n) {
  if (!Need(n)) return std::string();
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(p_, 0, n));
  std::string s(reinterpret_cast<const char*>(p_), nul ? static_cast<size_t>(nul - p_) : n);
  p_ += n;
  return s;
}

void MBinReader::Skip(size_t n) {
  if (Need(n)) p_ += n;
}

bool MBinReader::Seek(size_t pos) {
  if (pos > Size()) {
    ok_ = false;
    p_ = end_;
    return false;
  }
  p_ = begin_ + pos;
  return true;
}

MBinReader MBinReader::Sub(size_t n) {
  size_t have = Left();
  if (!ok_) have = 0;
  MBinReader sub(p_, n < have ? n : have, order_);
  if (n > have) {
    ok_ = false;
    p_ = end_;
  } else {
    p_ += n;
  }
  return sub;
}

size_t MBinReader::FitCount(size_t n, size_t item_size) const {
  if (item_size == 0) return n;
  size_t fit = Left() / item_size;
  return n < fit ? n : fit;
}

void MBinWriter::Bytes(const void* p, size_t n) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  out_->insert(out_->end(), b, b + n);
}

void MBinWriter::CString(const char* s, size_t max_len) {
  size_t n = s ? strnlen(s, max_len) : 0;
  Bytes(s, n);
  U8(0);
}

void MBinWriter::FixedString(const char* s, size_t n) {
  if (n == 0) return;
  size_t len = s ? strnlen(s, n - 1) : 0;
  Bytes(s, len);
  Zeros(n - len);
}

void MBinWriter::PatchU16(size_t at, uint16_t v) {
  if (at + 2 <= out_->size()) Store(out_->data() + at, v, order_);
}

void MBinWriter::PatchU32(size_t at, uint32_t v) {
  if (at + 4 <= out_->size()) Store(out_->data() + at, v, order_);
}

MFileView::~MFileView() { Close(); }

void MFileView::Close() {
  if (mapped_ && data_) munmap(const_cast<uint8_t*>(data_), size_);
  mapped_ = false;
  data_ = nullptr;
  size_ = 0;
  copy_.clear();
  copy_.shrink_to_fit();
}

bool MFileView::Open(const char* path) {
  Close();
  error_ = 0;
  int fd = path ? ::open(path, O_RDONLY | O_CLOEXEC) : -1;
  if (fd < 0) {
    error_ = path ? errno : ENOENT;
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    error_ = errno;
    ::close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return false;
  }
  size_ = static_cast<size_t>(st.st_size);
  if (size_ == 0) {
    ::close(fd);
    return true;
  }
  void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
  if (p != MAP_FAILED) {
    data_ = static_cast<const uint8_t*>(p);
    mapped_ = true;
    ::close(fd);
    return true;
  }
  // No mapping (some file systems): read it.
  copy_.resize(size_);
  size_t got = 0;
  while (got < size_) {
    ssize_t n = ::read(fd, copy_.data() + got, size_ - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  copy_.resize(got);
  size_ = got;
  data_ = copy_.data();
  return true;
}

bool MFileView::StartsWith(const void* magic, size_t n) const {
  return size_ >= n && std::memcmp(data_, magic, n) == 0;
}

void MFileView::Release(const uint8_t* p, size_t n) const {
  if (!mapped_ || !data_ || p < data_ || p >= data_ + size_) return;
  n = std::min(n, static_cast<size_t>(data_ + size_ - p));
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t from = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(p) + n) & ~(page - 1);
  // The mapping is private and never written: dropped pages are read again
  // from the file, never zeroed.
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}
