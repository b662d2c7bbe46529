#include <cmath>

#include "rib_export.h"

namespace rib {

void RibText::Num(double v, int decimals) { Exact(std::isfinite(v) ? v : 0.0, decimals); }

void RibText::Triple(double a, double b, double c) {
  Put("[ ", 2);
  Num(a);
  Put(' ');
  Num(b);
  Put(' ');
  Num(c);
  Put(" ]", 2);
}

void RibText::Comment(const char* prefix, const char* text) {
  Put(prefix);
  for (const char* p = text ? text : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    Put(c < 32 || c == 127 ? ' ' : static_cast<char>(c));
  }
  EndLine();
}

void RibText::Request(const char* request, const char* arg) {
  Put(request);
  Put(' ');
  Str(arg);
  EndLine();
}

void RibText::ParamName(const char* name) {
  Put('\t');
  Str(name);
  Put(' ');
}

void RibText::Param(const char* name, double v) {
  ParamName(name);
  Num(v);
  EndLine();
}

void RibText::Param(const char* name, int v) {
  ParamName(name);
  Int(v);
  EndLine();
}

void RibText::Param(const char* name, const char* s) {
  ParamName(name);
  Str(s);
  EndLine();
}

void RibText::Param(const char* name, const MColor& c) {
  ParamName(name);
  Triple(c);
  EndLine();
}

void RibText::Param(const char* name, const MVector3& v) {
  ParamName(name);
  Triple(v);
  EndLine();
}

}  // namespace rib
