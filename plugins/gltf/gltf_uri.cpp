#include "gltf_uri.h"

#include <strings.h>

#include <cctype>
#include <cstring>

namespace kvgltf {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool Base64Decode(const char* s, size_t n, std::vector<uint8_t>* out, size_t* bad_at) {
  size_t end = n;
  while (end > 0 && n - end < 2 && s[end - 1] == '=') --end;
  out->clear();
  out->reserve(end / 4 * 3 + 3);
  uint32_t acc = 0;
  int bits = 0;
  for (size_t i = 0; i < end; ++i) {
    int v = Sextet(static_cast<unsigned char>(s[i]));
    if (v < 0) {
      if (bad_at) *bad_at = i;
      return false;
    }
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  // One character left over holds no whole byte.
  if (end % 4 == 1) {
    if (bad_at) *bad_at = end - 1;
    return false;
  }
  return true;
}

std::string Base64Encode(const uint8_t* p, size_t n) {
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < n; i += 3) {
    uint32_t v = static_cast<uint32_t>(p[i]) << 16 | static_cast<uint32_t>(p[i + 1]) << 8 | p[i + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < n) {
    uint32_t v = static_cast<uint32_t>(p[i]) << 16 | (i + 1 < n ? static_cast<uint32_t>(p[i + 1]) << 8 : 0);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < n ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool ParseDataUri(const std::string& uri, DataUri* out) {
  if (uri.size() < 5 || strncasecmp(uri.c_str(), "data:", 5) != 0) return false;
  size_t comma = uri.find(',', 5);
  if (comma == std::string::npos) return false;
  std::string head = uri.substr(5, comma - 5);
  out->base64 = head.size() >= 7 && strcasecmp(head.c_str() + head.size() - 7, ";base64") == 0;
  if (out->base64) head.resize(head.size() - 7);
  size_t semi = head.find(';');
  out->mime = head.substr(0, semi);
  out->payload = uri.data() + comma + 1;
  out->size = uri.size() - comma - 1;
  return true;
}

bool DataUriBytes(const DataUri& d, std::vector<uint8_t>* out, std::string* why) {
  if (d.base64) {
    size_t bad = 0;
    if (Base64Decode(d.payload, d.size, out, &bad)) return true;
    *why = "its base64 data breaks off at character " + std::to_string(bad);
    return false;
  }
  std::string text;
  if (!PercentDecode(std::string(d.payload, d.size), &text)) {
    *why = "its data holds a broken % escape";
    return false;
  }
  out->assign(text.begin(), text.end());
  return true;
}

std::string MakeDataUri(const char* mime, const uint8_t* p, size_t n) {
  return std::string("data:") + mime + ";base64," + Base64Encode(p, n);
}

bool PercentDecode(const std::string& s, std::string* out) {
  out->clear();
  out->reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      *out += s[i];
      continue;
    }
    int hi = i + 2 < s.size() ? Hex(s[i + 1]) : -1, lo = i + 2 < s.size() ? Hex(s[i + 2]) : -1;
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

std::string PercentEncode(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr("-._~/", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool IsAbsoluteUri(const std::string& uri) {
  if (!uri.empty() && (uri[0] == '/' || uri[0] == '\\')) return true;
  // A scheme: a letter, then letters, digits, '+', '-', '.', then ':'. A
  // Windows drive letter ("c:") counts as well.
  size_t i = 0;
  if (uri.empty() || !std::isalpha(static_cast<unsigned char>(uri[0]))) return false;
  while (i < uri.size() && (std::isalnum(static_cast<unsigned char>(uri[i])) || std::strchr("+-.", uri[i]))) ++i;
  return i < uri.size() && uri[i] == ':';
}

}  // namespace kvgltf
