#include <cmath>

#include "lightflow_export.h"

namespace ltw {
namespace {

void Hex(MTextWriter& out, unsigned char c) {
  static const char kDigits[] = "0123456789abcdef";
  const char esc[4] = {'\\', 'x', kDigits[c >> 4], kDigits[c & 15]};
  out.Put(esc, 4);
}

}  // namespace

void PyText::Num(double v, int decimals) { Exact(std::isfinite(v) ? v : 0.0, decimals); }

void PyText::Vector3(const MVector3& v, int decimals, bool tight) {
  Put("vector3( ");
  Num(v.x, decimals);
  Put(", ");
  Num(v.y, decimals);
  Put(", ");
  Num(v.z, decimals);
  Put(tight ? ")" : " )");
}

void PyText::Comment(const char* prefix, const char* text) {
  Put(prefix);
  for (const char* p = text ? text : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 32 || c == 127) Put(' ');
    else if (c >= 128) Hex(*this, c);  // a byte that is no UTF-8 ends the script
    else Put(static_cast<char>(c));
  }
  EndLine();
}

std::string PyNames::Make(const char* prefix, const char* name) {
  const char* u = m_unifymeshname(name ? name : "", 2);
  const std::string base = std::string(prefix) + (u ? u : "");
  std::string v = base;
  for (int k = 2; !used_.insert(v).second; ++k) v = base + "_" + std::to_string(k);
  return v;
}

}  // namespace ltw
