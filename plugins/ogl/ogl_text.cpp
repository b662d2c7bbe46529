#include <cfloat>
#include <cmath>

#include "ogl_export.h"

namespace ogl {

void CText::Float(double v) {
  float f;
  if (!std::isfinite(v)) f = 0;
  else if (std::fabs(v) > FLT_MAX) f = v < 0 ? -FLT_MAX : FLT_MAX;
  else if (std::fabs(v) < FLT_MIN) f = 0;  // compilers warn of constants that vanish
  else f = static_cast<float>(v);
  char buf[M_EXACT_MAX];
  out_.Put(buf, static_cast<size_t>(m_format_exact_float(f, 6, buf)));
  out_.Put('f');
}

void CText::Floats(double a, double b, double c) {
  Float(a);
  out_.Put(", ", 2);
  Float(b);
  out_.Put(", ", 2);
  Float(c);
}

void CText::String(const char* s) {
  out_.Put('"');
  char prev = 0;
  for (const char* p = s ? s : ""; *p; prev = *p++) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out_.Put('\\');
      out_.Put(static_cast<char>(c));
    } else if (c == '?' && prev == '?') {
      out_.Put("\\?", 2);  // no trigraph
    } else if (c < 32 || c >= 127) {
      // Three octal digits always: the next character cannot join them.
      const char octal[4] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
                             static_cast<char>('0' + (c & 7))};
      out_.Put(octal, 4);
    } else {
      out_.Put(static_cast<char>(c));
    }
  }
  out_.Put('"');
}

void CText::CommentText(const char* s) {
  char prev = 0;
  for (const char* p = s ? s : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    char out = c < 32 || c == 127 ? ' ' : static_cast<char>(c);
    // "*/" would end the comment, "/*" is warned of, "??/" is a backslash.
    if ((out == '/' && prev == '*') || (out == '*' && prev == '/') || (out == '?' && prev == '?')) out = '_';
    out_.Put(out);
    prev = out;
  }
  // A comment text ending in '*' or '/' meets the closing "*/".
  if (prev == '*' || prev == '/') out_.Put(' ');
}

}  // namespace ogl
