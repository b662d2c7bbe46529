#include "logfile.h"

#include <cstdarg>
#include <cstring>
#include <string>

#include "pathutil.h"

int LogFile::append_mode = 0;

void LogFile::SetAppendMode(int mode) { append_mode = mode; }

LogFile::LogFile(const char* base_path, const char* logname) {
  if (!logname || !*logname) return;
  std::string path;
  if (append_mode || logname[0] == '/') {
    path = logname;
  } else {
    if (base_path && *base_path) path = m_split_path(base_path).dir;
    path += logname;
  }
  fp = fopen(path.c_str(), append_mode ? "ab" : "wb");
  is_open = fp ? 1 : 0;
}

LogFile::~LogFile() {
  if (fp) {
    fflush(fp);
    fclose(fp);
  }
  fp = nullptr;
  is_open = 0;
}

namespace {

void put(FILE* fp, int indent, const char* fmt, va_list ap) {
  char buf[1024];
  int n = vsnprintf(buf, sizeof buf, fmt, ap);
  if (n < 0) return;
  if (n > static_cast<int>(sizeof buf) - 1) n = sizeof buf - 1;
  for (int i = 0; i < indent; ++i) fputc('\t', fp);
  fwrite(buf, 1, static_cast<size_t>(n), fp);
  fflush(fp);
}

}  // namespace

void LogFile::write(const char* fmt, ...) {
  if (!is_open || !fp || !fmt) return;
  va_list ap;
  va_start(ap, fmt);
  put(fp, 0, fmt, ap);
  va_end(ap);
}

void LogFile::write(int indent, const char* fmt, ...) {
  if (!is_open || !fp || !fmt) return;
  va_list ap;
  va_start(ap, fmt);
  put(fp, indent, fmt, ap);
  va_end(ap);
}
