#include "textio.h"

#include <cstdarg>
#include <cstring>

char* m_read_line(char* buf, int size, FILE* file) {
  if (!buf || size <= 0) return nullptr;
  buf[0] = 0;
  // A one-byte buffer could never take a character: refuse rather than loop.
  if (size < 2 || !file) return nullptr;
  int n = 0;
  for (;;) {
    int c = getc(file);
    if (c == EOF) {
      if (n == 0) return nullptr;
      break;
    }
    if (c == '\n') break;
    if (c == '\r') {
      int d = getc(file);
      if (d != '\n' && d != EOF) ungetc(d, file);
      break;
    }
    if (c == '\t') continue;
    if (c < 32) break;
    buf[n++] = static_cast<char>(c);
    if (n == size - 1) break;
  }
  buf[n] = 0;
  return buf;
}

char* m_read_line1(char* buf, int size, FILE* file) { return m_read_line(buf, size, file); }

void m_skip_line(FILE* file) {
  if (!file) return;
  int c;
  while ((c = getc(file)) != EOF) {
    if (c == '\n') return;
    if (c == '\r') {
      int d = getc(file);
      if (d != '\n' && d != EOF) ungetc(d, file);
      return;
    }
  }
}

long m_filesize(FILE* file) {
  if (!file) return -1;
  long pos = ftell(file);
  if (pos < 0 || fseek(file, 0, SEEK_END) != 0) return -1;
  long size = ftell(file);
  fseek(file, pos, SEEK_SET);
  return size;
}

long m_filepos(FILE* file) { return file ? ftell(file) : -1; }

int m_fprintf(int ld_mode, FILE* file, const char* fmt, ...) {
  if (!fmt) return 0;
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n < 0) return 0;
  if (n > static_cast<int>(sizeof buf) - 1) n = sizeof buf - 1;
  if (!file) return n;
  static const char* const kDelim[3] = {"\r\n", "\n", "\r"};
  const char* delim = (ld_mode >= 0 && ld_mode <= 2) ? kDelim[ld_mode] : "";
  size_t dlen = strlen(delim);
  const char* p = buf;
  const char* end = buf + n;
  // Runs between line ends go out in one piece.
  while (p < end) {
    const char* nl = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = nl ? nl : end;
    if (stop > p) fwrite(p, 1, static_cast<size_t>(stop - p), file);
    if (!nl) break;
    if (dlen) fwrite(delim, 1, dlen, file);
    p = nl + 1;
  }
  return n;
}
