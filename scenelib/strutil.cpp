#include "strutil.h"

#include <cctype>
#include <cstring>

#include "allocator.h"

char* m_strip_spaces(char* s) {
  if (!s) return s;
  while (*s == ' ') ++s;
  return s;
}

const char* m_strip_spaces(const char* s) { return m_strip_spaces(const_cast<char*>(s)); }

char* m_strlwr(char* s) {
  if (!s) return s;
  for (char* p = s; *p; ++p) *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
  return s;
}

char* m_check_f(char* s) {
  if (!s) return s;
  for (char* p = s; *p; ++p)
    if (*p == ',') *p = '.';
  return s;
}

char* m_search_replace(char* s, int n, char from, char to) {
  if (!s) return s;
  for (int i = 0; i < n && s[i]; ++i)
    if (s[i] == from) s[i] = to;
  return s;
}

int m_seperatestring(const char* s, int* count, char*** list, char sep) {
  if (count) *count = 0;
  if (list) *list = nullptr;
  if (!s || !count || !list) return 0;
  int parts = 1;
  for (const char* p = s; *p; ++p)
    if (*p == sep) ++parts;
  char** out = static_cast<char**>(my_calloc(static_cast<size_t>(parts), sizeof(char*)));
  if (!out) return 0;
  const char* start = s;
  for (int i = 0; i < parts; ++i) {
    const char* e = sep ? strchr(start, sep) : nullptr;
    size_t len = e ? static_cast<size_t>(e - start) : strlen(start);
    out[i] = static_cast<char*>(my_malloc(len + 1));
    if (!out[i]) {
      m_freestring_list(i, out);
      return 0;
    }
    memcpy(out[i], start, len);
    out[i][len] = 0;
    start = e ? e + 1 : start + len;
  }
  *count = parts;
  *list = out;
  return 1;
}

void m_freestring_list(int count, char** list) {
  if (!list) return;
  for (int i = 0; i < count; ++i) my_free(list[i]);
  my_free(list);
}
