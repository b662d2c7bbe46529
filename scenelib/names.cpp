#include "names.h"

#include <cstring>
#include <string>

namespace {
bool is_alpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_alnum(unsigned char c) { return is_alpha(c) || is_digit(c); }
bool is_print(unsigned char c) { return c >= 32 && c < 127; }
bool is_space(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }
constexpr int kNameBuf = 1024;
}  // namespace

char* m_unifymeshname(const char* name, int mode) {
  static char buf[kNameBuf];
  if (!name) return nullptr;
  int o = 0;
  auto put = [&](char c) {
    if (o < kNameBuf - 1) buf[o++] = c;
  };
  switch (mode) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      if (mode == 0) put('P'), put('_');
      if (mode == 5) put('T'), put('_');
      for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        put(is_alnum(c) || c == '_' ? static_cast<char>(c) : '_');
      }
      break;
    case 20:
      for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 32 && c != 127) put(static_cast<char>(c));
      }
      break;
    default:
      return nullptr;
  }
  buf[o] = 0;
  return buf;
}

void m_cleanup_name(char* s, int len) {
  if (!s || len <= 0) return;
  std::string t(s, strnlen(s, static_cast<size_t>(len)));
  size_t b = 0;
  while (b < t.size() && (t[b] == ' ' || t[b] == '\t' || t[b] == '"')) ++b;
  t.erase(0, b);
  while (!t.empty()) {
    unsigned char c = static_cast<unsigned char>(t.back());
    if (is_print(c) && !is_space(c) && c != '"') break;
    t.pop_back();
  }
  if (!t.empty() && is_digit(static_cast<unsigned char>(t[0]))) t.insert(t.begin(), 'N');
  for (char& c : t)
    if (!is_alnum(static_cast<unsigned char>(c))) c = '_';
  if (t.empty()) t = "tmp_obj";
  if (t.size() > static_cast<size_t>(len)) t.resize(static_cast<size_t>(len));
  std::memcpy(s, t.data(), t.size());
  s[t.size()] = 0;
}

std::string MUniqueNames::Get(const std::string& wanted) {
  if (used_.insert(wanted).second) return wanted;
  int& n = last_n_[wanted];
  if (n < 1) n = 1;  // the second of a name is "<name>_2"
  for (;;) {
    std::string name = wanted + "_" + std::to_string(++n);
    if (used_.insert(name).second) return name;
  }
}
