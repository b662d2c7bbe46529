#include "obj_lines.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kvobj {

LineReader::LineReader(FILE* f, size_t buffer_size) : f_(f), cap_(buffer_size < 64 ? 64 : buffer_size) {
  buf_ = static_cast<char*>(std::malloc(cap_ + 1));
  if (!buf_) cap_ = 0;
}

LineReader::~LineReader() { std::free(buf_); }

bool LineReader::Fill() {
  if (eof_ || !buf_ || !f_) return false;
  size_t n = std::fread(buf_, 1, cap_, f_);
  begin_ = 0;
  end_ = n;
  // A read error (a folder opened as a file) ends the text like EOF.
  if (n == 0) eof_ = true;
  return n > 0;
}

namespace {

// First byte below 32 other than TAB in [p, e), or e. Eight bytes at a time
// for the common case of no control byte at all.
inline char* FindEnd(char* p, const char* e) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  for (;;) {
    while (e - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if ((w - kOnes * 32) & ~w & kHigh) break;
      p += 8;
    }
    while (p < e && (static_cast<unsigned char>(*p) >= 32 || *p == '\t')) ++p;
    if (p == e || *p != '\t') return p;
  }
}

}  // namespace

char* LineReader::Next(size_t* length) {
  line_.clear();
  bool copying = false;
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      if (!copying) return nullptr;
      if (counted_end_) ++line_no_;
      counted_end_ = false;
      *length = line_.size();
      return line_.data();
    }
    if (skip_lf_) {
      skip_lf_ = false;
      if (buf_[begin_] == '\n') {
        ++begin_;
        ++pos_;
        continue;
      }
    }
    char* p = buf_ + begin_;
    char* q = FindEnd(p, buf_ + end_);
    size_t n = static_cast<size_t>(q - p);
    pos_ += static_cast<long>(n);
    begin_ += n;
    if (begin_ == end_) {
      line_.append(p, n);
      copying = true;
      continue;
    }
    char c = buf_[begin_];
    ++begin_;
    ++pos_;
    if (counted_end_) ++line_no_;
    counted_end_ = c == '\n' || c == '\r';
    if (c == '\r') skip_lf_ = true;
    if (!copying) {
      p[n] = 0;
      *length = n;
      return p;
    }
    line_.append(p, n);
    *length = line_.size();
    return line_.data();
  }
}

}  // namespace kvobj
