// The AutoCAD Color Index (ten fixed colours, 240 hues in five brightness
// steps at full and half saturation, six greys) and names without case.
#include <cmath>

#include "dxf_format.h"

namespace dxf {
namespace {

const Rgb kFirstTen[10] = {{0, 0, 0},     {250, 0, 0},   {250, 250, 0},   {0, 250, 0},     {0, 250, 250},
                           {0, 0, 250},   {250, 0, 250}, {250, 250, 250}, {135, 135, 135}, {203, 203, 203}};
const Rgb kGreys[6] = {{84, 84, 84}, {118, 118, 118}, {152, 152, 152}, {186, 186, 186}, {220, 220, 220}, {255, 255, 255}};
const double kBrightness[5] = {255, 165, 127, 76, 38};

uint8_t Byte(double v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Colours 10..249: hue in steps of 15 degrees, brightness by the last digit.
Rgb Hue(int aci) {
  const double hue = (aci / 10 - 1) * 15.0;
  const double value = kBrightness[(aci % 10) / 2];
  const double chroma = aci % 2 ? value * 0.5 : value;
  const double low = value - chroma;
  const double h = hue / 60.0;
  const int sector = static_cast<int>(h);
  const double mid = chroma * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
  double r = 0, g = 0, b = 0;
  switch (sector) {
    case 0: r = chroma, g = mid; break;
    case 1: r = mid, g = chroma; break;
    case 2: g = chroma, b = mid; break;
    case 3: g = mid, b = chroma; break;
    case 4: r = mid, b = chroma; break;
    default: r = chroma, b = mid; break;
  }
  return Rgb{Byte(r + low), Byte(g + low), Byte(b + low)};
}

struct Palette {
  Rgb rgb[kPaletteSize];
  Palette() {
    for (int i = 0; i < 10; ++i) rgb[i] = kFirstTen[i];
    for (int i = 10; i < 250; ++i) rgb[i] = Hue(i);
    for (int i = 250; i < 256; ++i) rgb[i] = kGreys[i - 250];
  }
};

const Palette& Table() {
  static const Palette palette;
  return palette;
}

}  // namespace

Rgb PaletteColor(int aci) {
  if (aci < 0 || aci >= kPaletteSize) aci = kDefaultColor;
  return Table().rgb[aci];
}

int NearestColor(double r, double g, double b) {
  const double want[3] = {r * 255.0, g * 255.0, b * 255.0};
  int best = kDefaultColor;
  double best_d = 1e300;
  // 0 is "by block", not a colour of its own.
  for (int i = 1; i < kPaletteSize; ++i) {
    const Rgb& c = Table().rgb[i];
    const double d0 = c.r - want[0], d1 = c.g - want[1], d2 = c.b - want[2];
    const double d = d0 * d0 + d1 * d1 + d2 * d2;
    if (d < best_d) best_d = d, best = i;
  }
  return best;
}

std::string FoldName(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace dxf
