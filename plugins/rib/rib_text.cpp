#include <cmath>

#include "rib_export.h"

namespace rib {

void RibText::Str(const char* s) {
  out_.Put('"');
  for (const char* p = s ? s : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    switch (c) {
      case '"': out_.Put("\\\"", 2); break;
      case '\\': out_.Put("\\\\", 2); break;
      case '\n': out_.Put("\\n", 2); break;
      case '\r': out_.Put("\\r", 2); break;
      case '\t': out_.Put("\\t", 2); break;
      default:
        if (c < 32 || c == 127) {
          const char octal[4] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
                                 static_cast<char>('0' + (c & 7))};
          out_.Put(octal, 4);
        } else {
          out_.Put(static_cast<char>(c));
        }
    }
  }
  out_.Put('"');
}

void RibText::Num(double v, int decimals) { out_.Exact(std::isfinite(v) ? v : 0.0, decimals); }

void RibText::Triple(double a, double b, double c) {
  out_.Put("[ ", 2);
  Num(a);
  out_.Put(' ');
  Num(b);
  out_.Put(' ');
  Num(c);
  out_.Put(" ]", 2);
}

void RibText::Comment(const char* prefix, const char* text) {
  out_.Put(prefix);
  for (const char* p = text ? text : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    out_.Put(c < 32 || c == 127 ? ' ' : static_cast<char>(c));
  }
  out_.EndLine();
}

void RibText::Request(const char* request, const char* arg) {
  out_.Put(request);
  out_.Put(' ');
  Str(arg);
  out_.EndLine();
}

void RibText::Param(const char* name, double v) {
  out_.Put('\t');
  Str(name);
  out_.Put(' ');
  Num(v);
  out_.EndLine();
}

void RibText::Param(const char* name, int v) {
  out_.Put('\t');
  Str(name);
  out_.Put(' ');
  out_.Int(v);
  out_.EndLine();
}

void RibText::Param(const char* name, const char* s) {
  out_.Put('\t');
  Str(name);
  out_.Put(' ');
  Str(s);
  out_.EndLine();
}

void RibText::Param(const char* name, const MColor& c) {
  out_.Put('\t');
  Str(name);
  out_.Put(' ');
  Triple(c);
  out_.EndLine();
}

void RibText::Param(const char* name, const MVector3& v) {
  out_.Put('\t');
  Str(name);
  out_.Put(' ');
  Triple(v);
  out_.EndLine();
}

}  // namespace rib
