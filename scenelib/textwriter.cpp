#include "textwriter.h"

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "numtext.h"
#include "outfile.h"

MTextWriter::MTextWriter(MOutputFile& out, int ld_mode) : f_(out.Get_FILE()), out_(&out), ld_mode_(ld_mode) {}

MTextWriter::MTextWriter(FILE* f, int ld_mode) : f_(f), ld_mode_(ld_mode) {}

MTextWriter::~MTextWriter() { Flush(); }

void MTextWriter::Fail(int err) {
  if (!error_) error_ = err ? err : EIO;
  if (out_) out_->NoteError(error_);
}

void MTextWriter::Flush() {
  if (!used_) return;
  if (!f_) {
    Fail(EBADF);
  } else {
    errno = 0;
    if (std::fwrite(buf_, 1, used_, f_) != used_) Fail(errno);
  }
  used_ = 0;
}

void MTextWriter::PutLong(const char* s, size_t n) {
  Flush();
  if (n <= kSize) {
    std::memcpy(buf_, s, n);
    used_ = n;
    return;
  }
  if (!f_) {
    Fail(EBADF);
    return;
  }
  errno = 0;
  if (std::fwrite(s, 1, n, f_) != n) Fail(errno);
}

void MTextWriter::Line(const char* s) {
  Put(s);
  EndLine();
}

void MTextWriter::Text(const char* s) {
  if (!s) return;
  for (; *s; ++s) Put(static_cast<unsigned char>(*s) < 32 || *s == 127 ? '_' : *s);
}

void MTextWriter::PutTranslated(const char* s, size_t n) {
  const char* end = s + n;
  while (s < end) {
    const char* nl = static_cast<const char*>(std::memchr(s, '\n', static_cast<size_t>(end - s)));
    if (!nl) {
      Put(s, static_cast<size_t>(end - s));
      return;
    }
    Put(s, static_cast<size_t>(nl - s));
    EndLine();
    s = nl + 1;
  }
}

void MTextWriter::Printf(const char* fmt, ...) {
  if (!fmt) return;
  char small[512];
  va_list ap;
  va_start(ap, fmt);
  va_list again;
  va_copy(again, ap);
  int n = std::vsnprintf(small, sizeof small, fmt, ap);
  va_end(ap);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    va_end(again);
    PutTranslated(small, static_cast<size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, again);
  va_end(again);
  PutTranslated(big.data(), static_cast<size_t>(n));
}

void MTextWriter::Fixed(double v) {
  char tmp[M_FIXED6_MAX];
  Put(tmp, static_cast<size_t>(m_format_fixed6(v, tmp)));
}

void MTextWriter::General(double v, int precision) {
  char tmp[M_GENERAL_MAX];
  Put(tmp, static_cast<size_t>(m_format_general(v, precision, tmp)));
}

void MTextWriter::Int(long v) {
  // Index lists of big meshes are millions of these.
  char tmp[24];
  auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
  Put(tmp, static_cast<size_t>(r.ptr - tmp));
}

void MTextWriter::Exact(double v, int decimals) {
  char tmp[M_EXACT_MAX];
  Put(tmp, static_cast<size_t>(m_format_exact(v, decimals, tmp)));
}

void MTextWriter::Vector(const MVector3& v) {
  char tmp[3 * M_FIXED6_MAX];
  size_t n = static_cast<size_t>(m_format_fixed6(v.x, tmp));
  tmp[n++] = ' ';
  n += static_cast<size_t>(m_format_fixed6(v.y, tmp + n));
  tmp[n++] = ' ';
  n += static_cast<size_t>(m_format_fixed6(v.z, tmp + n));
  Put(tmp, n);
}

void MTextWriter::Quoted(const char* s, unsigned flags) {
  Put('"');
  char prev = 0;
  for (const char* p = s ? s : ""; *p; prev = *p++) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      Put('\\');
      Put(static_cast<char>(c));
    } else if (c == '?' && prev == '?' && (flags & kQuoteTrigraphs)) {
      Put("\\?", 2);
    } else if ((c < 32 || c == 127) && (flags & kQuoteNoOctal)) {
      Put('_');
    } else if (c < 32 || (c >= 127 && (flags & kQuoteHighBytes))) {
      const char octal[4] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
                             static_cast<char>('0' + (c & 7))};
      Put(octal, 4);
    } else {
      Put(static_cast<char>(c));
    }
  }
  Put('"');
}
