#include "raw_text.h"

#include <fast_float/fast_float.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kvraw {

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
  if (n == 0) eof_ = true;
  return n > 0;
}

namespace {

// First byte below 32 in [p, e), or e. Eight bytes at a time: a byte b < 32
// is flagged by (b - 32) borrowing into its top bit while b's own top bit is
// clear.
inline const char* FindControl(const char* p, const char* e) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  while (e - p >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    if ((w - kOnes * 32) & ~w & kHigh) break;
    p += 8;
  }
  while (p < e && static_cast<unsigned char>(*p) >= 32) ++p;
  return p;
}

}  // namespace

const char* LineReader::Next(size_t* length) {
  line_.clear();
  bool copying = false;
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      // A last line without a line end still counts.
      if (line_.empty()) return nullptr;
      if (length) *length = line_.size();
      return line_.c_str();
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
    const char* q = FindControl(p, buf_ + end_);
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
    if (c == '\t') {
      line_.append(p, n);
      copying = true;
      continue;
    }
    if (c == '\r') skip_lf_ = true;
    if (!copying) {
      // The whole line lies in the buffer: end it in place.
      p[n] = 0;
      if (length) *length = n;
      return p;
    }
    line_.append(p, n);
    if (length) *length = line_.size();
    return line_.c_str();
  }
}

const char* ScanDouble(const char* s, const char* end_of_text, double* out) {
  while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
  const char* p = s;
  bool neg = false;
  if (*p == '+' || *p == '-') {
    neg = *p == '-';
    ++p;
  }
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  bool plain = (digit(p[0]) && !(p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))) || (p[0] == '.' && digit(p[1]));
  if (plain) {
    double v = 0;
    auto r = fast_float::from_chars(p, end_of_text, v);
    if (r.ec == std::errc()) {
      *out = neg ? -v : v;
      return r.ptr;
    }
  }
  // Everything unusual (inf, nan, hex, out of range) with the C library's
  // own rules.
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (end == s) return nullptr;
  *out = v;
  return end;
}

int ScanNumbers(const char* s, size_t length, double* out, int max) {
  const char* end = s + length;
  int n = 0;
  while (n < max) {
    const char* next = ScanDouble(s, end, &out[n]);
    if (!next) break;
    ++n;
    s = next;
  }
  return n;
}

int FormatFixed6(double v, char* out) {
  if (!std::isfinite(v) || std::fabs(v) >= 1e15) return std::snprintf(out, 352, "%f", v);
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  bool neg = bits >> 63;
  int exp_field = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t m = bits & ((1ull << 52) - 1);
  int e;
  if (exp_field == 0) {
    e = -1074;
  } else {
    m |= 1ull << 52;
    e = exp_field - 1075;
  }
  // |v| * 10^6 = m * 10^6 * 2^e exactly; round half to even like printf.
  unsigned __int128 x = static_cast<unsigned __int128>(m) * 1000000u;
  unsigned __int128 q;
  if (e >= 0) {
    q = x << e;
  } else {
    int k = -e;
    if (k >= 120) {
      q = 0;  // x < 2^73: far below one half of the last digit
    } else {
      q = x >> k;
      unsigned __int128 r = x - (q << k);
      unsigned __int128 half = static_cast<unsigned __int128>(1) << (k - 1);
      if (r > half || (r == half && (q & 1))) ++q;
    }
  }
  uint64_t ip, frac64;
  if (q >> 64) {
    ip = static_cast<uint64_t>(q / 1000000u);
    frac64 = static_cast<uint64_t>(q % 1000000u);
  } else {
    // The usual case: one 64-bit division instead of a 128-bit one.
    uint64_t q64 = static_cast<uint64_t>(q);
    ip = q64 / 1000000u;
    frac64 = q64 % 1000000u;
  }
  uint32_t frac = static_cast<uint32_t>(frac64);
  char* p = out;
  if (neg) *p++ = '-';
  p = std::to_chars(p, p + 24, ip).ptr;
  *p++ = '.';
  for (int i = 5; i >= 0; --i) {
    p[i] = static_cast<char>('0' + frac % 10);
    frac /= 10;
  }
  p += 6;
  *p = 0;
  return static_cast<int>(p - out);
}

}  // namespace kvraw
