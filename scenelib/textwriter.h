// Buffered text output with the exporter's line delimiter: every "\n" goes
// out as CR LF (ld_mode 0, DOS), LF (1, UNIX), CR (2, MAC) or not at all (any
// other mode), as m_fprintf writes it; but nothing is ever cut, whatever the
// length of a line.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry.h"

class MOutputFile;

class MTextWriter {
 public:
  // Failures are noted in out, so that it does not commit.
  MTextWriter(MOutputFile& out, int ld_mode);
  MTextWriter(FILE* f, int ld_mode);
  ~MTextWriter();
  MTextWriter(const MTextWriter&) = delete;  // formats may derive their own text writers
  MTextWriter& operator=(const MTextWriter&) = delete;

  // Raw text: a "\n" inside is written as it is. Inline, as every
  // exporter calls these per number and per line.
  void Put(const char* s, size_t n) {
    if (n <= kSize - used_) {
      std::memcpy(buf_ + used_, s, n);
      used_ += n;
      return;
    }
    PutLong(s, n);
  }
  void Put(const char* s) {
    if (s) Put(s, std::strlen(s));
  }
  void Put(const std::string& s) { Put(s.data(), s.size()); }
  void Put(char c) {
    if (used_ == kSize) Flush();
    buf_[used_++] = c;
  }
  // The line delimiter.
  void EndLine() {
    switch (ld_mode_) {
      case 0: Put("\r\n", 2); break;
      case 1: Put('\n'); break;
      case 2: Put('\r'); break;
      default: break;
    }
  }
  // s, then the line delimiter.
  void Line(const char* s);
  void Line(const std::string& s) {
    Put(s);
    EndLine();
  }
  // Text inside a line (a comment, a name): control characters, which would
  // break the line apart, become '_'.
  void Text(const char* s);
  void Text(const std::string& s) { Text(s.c_str()); }
  // printf, any length; each "\n" of the result becomes the line delimiter.
  void Printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  // Numbers: exactly printf's "%f", "%.*g", "%ld"; Vector is "%f %f %f".
  void Fixed(double v);
  void General(double v, int precision);
  void Int(long v);
  void Vector(const MVector3& v);
  // printf's "%.*f" when that text reads back as v, else the shortest text
  // that does (m_format_exact): no value loses digits.
  void Exact(double v, int decimals);

  // s in double quotes as a string literal of C and the languages that
  // follow it (RIB, Python): '"' and '\\' escaped, control characters as
  // three-digit octal escapes (no digit after them can join them); with
  // kQuoteHighBytes also the bytes from 127 on, with kQuoteTrigraphs "??"
  // broken up as "?\?" (C compilers read "??/" as a backslash). With
  // kQuoteNoOctal control characters become '_' instead: VRML and POV-Ray
  // strings know only the escapes of '"' and '\\'.
  enum : unsigned { kQuoteHighBytes = 1, kQuoteTrigraphs = 2, kQuoteNoOctal = 4 };
  void Quoted(const char* s, unsigned flags = 0);
  void Quoted(const std::string& s, unsigned flags = 0) { Quoted(s.c_str(), flags); }

  void Flush();
  bool Failed() const { return error_ != 0; }
  int error() const { return error_; }
  int ld_mode() const { return ld_mode_; }

 private:
  void PutLong(const char* s, size_t n);
  void PutTranslated(const char* s, size_t n);
  void Fail(int err);
  static constexpr size_t kSize = 1 << 16;
  FILE* f_;
  MOutputFile* out_ = nullptr;
  int ld_mode_;
  size_t used_ = 0;
  int error_ = 0;
  char buf_[kSize];
};
