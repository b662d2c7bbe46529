#include "cp1252.h"

#include <cstdint>

namespace {

// Characters of the bytes 0x80..0x9F; the undefined ones keep their number.
constexpr uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void PutUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point of a well-formed sequence at s (len bytes used), or -1.
int32_t DecodeUtf8(const unsigned char* s, size_t n, size_t* len) {
  const unsigned char b = s[0];
  size_t need;
  uint32_t c;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 2, c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 3, c = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 4, c = b & 0x07;
  } else {
    return -1;
  }
  if (n < need) return -1;
  for (size_t i = 1; i < need; ++i) {
    if ((s[i] & 0xC0) != 0x80) return -1;
    c = (c << 6) | (s[i] & 0x3F);
  }
  // Overlong forms, surrogates and values past the last character are no UTF-8.
  if ((need == 3 && c < 0x800) || (need == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
    return -1;
  *len = need;
  return static_cast<int32_t>(c);
}

int ByteOf(uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

}  // namespace

std::string m_cp1252_to_utf8(const char* s, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    PutUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
  }
  return out;
}

std::string m_utf8_to_cp1252(const char* s, size_t n, int* unmapped) {
  std::string out;
  out.reserve(n);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  for (size_t i = 0; i < n;) {
    if (p[i] < 0x80) {
      out += static_cast<char>(p[i++]);
      continue;
    }
    size_t len = 0;
    int32_t c = DecodeUtf8(p + i, n - i, &len);
    if (c < 0) {
      out += static_cast<char>(p[i++]);
      continue;
    }
    int b = ByteOf(static_cast<uint32_t>(c));
    if (b < 0) {
      out += '?';
      if (unmapped) ++*unmapped;
    } else {
      out += static_cast<char>(b);
    }
    i += len;
  }
  return out;
}
