#include "linereader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

MLineReader::MLineReader(FILE* f, TabMode tabs, size_t buffer_size, size_t max_line)
    : f_(f), keep_tabs_(tabs == kKeepTabs), cap_(buffer_size < 64 ? 64 : buffer_size),
      max_line_(max_line == 0 ? 1 : max_line) {
  buf_ = static_cast<char*>(std::malloc(cap_ + 1));
  if (!buf_) cap_ = 0;
}

MLineReader::~MLineReader() { std::free(buf_); }

bool MLineReader::Fill() {
  if (eof_ || !buf_ || !f_) return false;
  size_t want = cap_;
  if (limit_ >= 0) want = limit_ > read_ ? std::min(cap_, static_cast<size_t>(limit_ - read_)) : 0;
  size_t n = want ? std::fread(buf_, 1, want, f_) : 0;
  read_ += static_cast<long>(n);
  begin_ = 0;
  end_ = n;
  if (n == 0) {
    // A read error (a folder opened as a file) ends the text like EOF.
    eof_ = true;
    read_error_ = std::ferror(f_) != 0;
  }
  return n > 0;
}

void MLineReader::Append(const char* p, size_t n) {
  size_t room = max_line_ > line_.size() ? max_line_ - line_.size() : 0;
  if (n > room) {
    n = room;
    cut_ = true;
  }
  line_.append(p, n);
}

namespace {

// First byte below 32 in [p, e), TAB included when stop_at_tab, or e.
// Eight bytes at a time: a byte b < 32 is flagged by (b - 32) borrowing into
// its top bit while b's own top bit is clear.
inline char* FindEnd(char* p, const char* e, bool stop_at_tab) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  for (;;) {
    while (e - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if ((w - kOnes * 32) & ~w & kHigh) break;
      p += 8;
    }
    while (p < e && (static_cast<unsigned char>(*p) >= 32 || (*p == '\t' && !stop_at_tab))) ++p;
    if (p == e || *p != '\t' || stop_at_tab) return p;
  }
}

}  // namespace

char* MLineReader::Next(size_t* length) {
  line_.clear();
  cut_ = false;
  bool copying = false;
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      // A last line without a line end still counts.
      if (!copying) return nullptr;
      if (counted_end_) ++line_no_;
      counted_end_ = false;
      if (length) *length = line_.size();
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
    char* q = FindEnd(p, buf_ + end_, !keep_tabs_);
    size_t n = static_cast<size_t>(q - p);
    pos_ += static_cast<long>(n);
    begin_ += n;
    if (begin_ == end_) {
      Append(p, n);
      copying = true;
      continue;
    }
    char c = buf_[begin_];
    ++begin_;
    ++pos_;
    if (c == '\t') {
      // Only in drop mode does a TAB stop the scan: leave it out.
      Append(p, n);
      copying = true;
      continue;
    }
    if (counted_end_) ++line_no_;
    counted_end_ = c == '\n' || c == '\r';
    if (c == '\r') skip_lf_ = true;
    if (!copying && n <= max_line_) {
      // The whole line lies in the buffer: end it in place.
      p[n] = 0;
      if (length) *length = n;
      return p;
    }
    Append(p, n);
    if (length) *length = line_.size();
    return line_.data();
  }
}

bool m_text_looks_binary(FILE* f) {
  if (!f) return false;
  unsigned char head[4096];
  size_t n = std::fread(head, 1, sizeof head, f);
  std::rewind(f);
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = head[i];
    if (c < 32 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 26) return true;
  }
  return false;
}
