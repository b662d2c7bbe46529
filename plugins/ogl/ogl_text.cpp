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
  Put(buf, static_cast<size_t>(m_format_exact_float(f, 6, buf)));
  Put('f');
}

void CText::Floats(double a, double b, double c) {
  Float(a);
  Put(", ", 2);
  Float(b);
  Put(", ", 2);
  Float(c);
}

void CText::CommentText(const char* s) {
  char prev = 0;
  for (const char* p = s ? s : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    char out = c < 32 || c == 127 ? ' ' : static_cast<char>(c);
    // "*/" would end the comment, "/*" is warned of, "??/" is a backslash.
    if ((out == '/' && prev == '*') || (out == '*' && prev == '/') || (out == '?' && prev == '?')) out = '_';
    Put(out);
    prev = out;
  }
  // A comment text ending in '*' or '/' meets the closing "*/".
  if (prev == '*' || prev == '/') Put(' ');
}

}  // namespace ogl
