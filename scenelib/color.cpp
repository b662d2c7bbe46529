#include "color.h"

#include <algorithm>
#include <cstdio>

void MColor::Init_RGB(double r_, double g_, double b_, double a_) {
  r = r_;
  g = g_;
  b = b_;
  a = a_;
  RGB_to_HSL();
}

void MColor::Init_HSL(double h_, double s_, double l_, double a_) {
  h = h_;
  s = s_;
  l = l_;
  a = a_;
  HSL_to_RGB();
}

void MColor::RGB_to_HSL() {
  double mx = std::max({r, g, b});
  double mn = std::min({r, g, b});
  l = (mx + mn) / 2.0;
  double d = mx - mn;
  if (d <= 0.0) {
    h = s = 0.0;
    return;
  }
  s = l <= 0.5 ? d / (mx + mn) : d / (2.0 - mx - mn);
  double hh;
  if (mx == r)
    hh = (g - b) / d + (g < b ? 6.0 : 0.0);
  else if (mx == g)
    hh = (b - r) / d + 2.0;
  else
    hh = (r - g) / d + 4.0;
  h = hh / 6.0;
}

static double hue_to_rgb(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6.0) return p + (q - p) * 6.0 * t;
  if (t < 0.5) return q;
  if (t < 2.0 / 3.0) return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
  return p;
}

void MColor::HSL_to_RGB() {
  if (s <= 0.0) {
    r = g = b = l;
    return;
  }
  double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
  double p = 2.0 * l - q;
  r = hue_to_rgb(p, q, h + 1.0 / 3.0);
  g = hue_to_rgb(p, q, h);
  b = hue_to_rgb(p, q, h - 1.0 / 3.0);
}

char* MColor::Print() const {
  static char buf[128];
  std::snprintf(buf, sizeof buf, "<%.3lf %.3lf %.3lf>", r, g, b);
  return buf;
}
