#include "numtext.h"

#include <fast_float/fast_float.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The scanner itself, inlined into the loop of m_scan_numbers.
inline const char* ScanDouble(const char* s, const char* end_of_text, double* out) {
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

}  // namespace

const char* m_scan_double(const char* s, const char* end_of_text, double* out) {
  return ScanDouble(s, end_of_text, out);
}

int m_scan_numbers(const char* s, size_t length, double* out, int max) {
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

int m_format_fixed6(double v, char* out) {
  if (!std::isfinite(v) || std::fabs(v) >= 1e15) return std::snprintf(out, M_FIXED6_MAX, "%f", v);
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

int m_format_general(double v, int precision, char* out) {
  if (precision < 0) precision = 6;
  if (precision > 17) precision = 17;  // more digits say nothing about a double
  // to_chars with a precision is defined to give printf's text in the C
  // locale, without printf's cost.
  auto r = std::to_chars(out, out + M_GENERAL_MAX - 1, v, std::chars_format::general, precision);
  if (r.ec != std::errc()) return std::snprintf(out, M_GENERAL_MAX, "%.*g", precision, v);
  *r.ptr = 0;
  return static_cast<int>(r.ptr - out);
}

int m_format_shortest(double v, char* out) {
  auto r = std::to_chars(out, out + M_GENERAL_MAX - 1, v);
  if (r.ec != std::errc()) return std::snprintf(out, M_GENERAL_MAX, "%.17g", v);
  *r.ptr = 0;
  return static_cast<int>(r.ptr - out);
}

namespace {

template <typename T>
int FormatExact(T v, int decimals, char* out) {
  if (decimals < 0) decimals = 0;
  if (decimals > 17) decimals = 17;
  if (!std::isfinite(v)) return std::snprintf(out, M_EXACT_MAX, "%.*f", decimals, static_cast<double>(v));
  int n;
  if (decimals == 6 && sizeof(T) == sizeof(double)) {
    n = m_format_fixed6(static_cast<double>(v), out);
  } else {
    auto r = std::to_chars(out, out + M_EXACT_MAX - 1, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return std::snprintf(out, M_EXACT_MAX, "%.17g", static_cast<double>(v));
    *r.ptr = 0;
    n = static_cast<int>(r.ptr - out);
  }
  T back{};
  auto rb = fast_float::from_chars(out, out + n, back);
  if (rb.ec == std::errc() && back == v) return n;
  auto r = std::to_chars(out, out + M_EXACT_MAX - 1, v);
  if (r.ec != std::errc()) return std::snprintf(out, M_EXACT_MAX, "%.17g", static_cast<double>(v));
  *r.ptr = 0;
  return static_cast<int>(r.ptr - out);
}

}  // namespace

int m_format_exact(double v, int decimals, char* out) { return FormatExact(v, decimals, out); }

int m_format_exact_float(float v, int decimals, char* out) { return FormatExact(v, decimals, out); }
