// The text log of an import, export or modifier run.
#pragma once
#include <cstdio>

#include "allocator.h"

class LogFile {
 public:
  FILE* fp = nullptr;
  int is_open = 0;

  // No file for a null or empty logname. In truncate mode the log goes into
  // the directory of base_path unless logname is an absolute path; in append
  // mode logname is opened as given.
  LogFile(const char* base_path, const char* logname);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Formats into a 1024-byte buffer (cut at 1023 chars), writes and flushes.
  void write(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // The same after indent tab characters.
  void write(int indent, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  FILE* Get_FILE() { return is_open ? fp : nullptr; }

  static void SetAppendMode(int mode);
  static int append_mode;

  KV_SHARED_HEAP
};
