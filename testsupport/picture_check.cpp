#include "picture_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "imageconv.h"
#include "test_support.h"

namespace kvtest {
namespace {

bool OnPath(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Triple(const Vec3& v) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%.9g,%.9g,%.9g", v.x, v.y, v.z);
  return buf;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

bool ReadPicture(const std::string& path, RgbaPicture* out) {
  int w = 0, h = 0;
  unsigned char* px = nullptr;
  if (read_image_rgba(path.c_str(), &w, &h, &px) != IMAGECONV_OK) return false;
  out->width = w;
  out->height = h;
  out->rgba.assign(px, px + static_cast<size_t>(w) * h * 4);
  free_image_pixels(px);
  return true;
}

std::string F3dMissing() {
  static const std::string missing = [] {
    if (!OnPath("f3d")) return std::string("f3d not installed");
    if (!OnPath("xvfb-run")) return std::string("xvfb-run not installed");
    return std::string();
  }();
  return missing;
}

bool RenderWithF3d(const std::string& model, const ViewSpec& view, RgbaPicture* out, std::string* log) {
  TempDir dir;
  const std::string png = dir.file("f3d.png");
  char size[64];
  std::snprintf(size, sizeof size, "%d,%d", view.width, view.height);
  char angle[64];
  std::snprintf(angle, sizeof angle, "%.9g", view.fov_y_deg);
  // --dry-run: no configuration file of the machine changes the picture.
  const std::string cmd = "xvfb-run -a f3d --dry-run --no-background --output=" + ShellQuote(png) +
                          " --resolution=" + size + " --camera-position=" + Triple(view.eye) +
                          " --camera-focal-point=" + Triple(view.target) + " --camera-view-up=" + Triple(view.up) +
                          " --camera-view-angle=" + angle + " " + ShellQuote(model);
  std::string output;
  const int rc = run_command(cmd, &output);
  if (log) *log = "exit " + std::to_string(rc) + ": " + output;
  return ReadPicture(png, out) && out->width == view.width && out->height == view.height;
}

Mask AlphaMask(const RgbaPicture& p, int min_alpha) {
  Mask m;
  m.width = p.width;
  m.height = p.height;
  m.bits.resize(static_cast<size_t>(p.width) * p.height);
  for (size_t i = 0; i < m.bits.size(); ++i) m.bits[i] = p.rgba[i * 4 + 3] >= min_alpha ? 1 : 0;
  return m;
}

ColourStats ColoursOf(const RgbaPicture& p, const Mask& mask) {
  ColourStats s;
  if (mask.width != p.width || mask.height != p.height) return s;
  double sum[3] = {0, 0, 0};
  for (size_t i = 0; i < mask.bits.size(); ++i) {
    if (!mask.bits[i]) continue;
    const uint8_t* c = &p.rgba[i * 4];
    for (int k = 0; k < 3; ++k) sum[k] += c[k];
    s.histogram[(c[0] >> 6) * 16 + (c[1] >> 6) * 4 + (c[2] >> 6)] += 1;
    ++s.pixels;
  }
  if (s.pixels == 0) return s;
  for (int k = 0; k < 3; ++k) s.mean[k] = sum[k] / s.pixels;
  for (double& b : s.histogram) b /= static_cast<double>(s.pixels);
  return s;
}

double MeanColourDistance(const ColourStats& a, const ColourStats& b) {
  double d = 0;
  for (int k = 0; k < 3; ++k) d = std::max(d, std::fabs(a.mean[k] - b.mean[k]));
  return d;
}

double HistogramDistance(const ColourStats& a, const ColourStats& b) {
  double d = 0;
  for (size_t i = 0; i < a.histogram.size(); ++i) d += std::fabs(a.histogram[i] - b.histogram[i]);
  return d / 2;
}

std::string MeanText(const ColourStats& s) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.0f %.0f %.0f", s.mean[0], s.mean[1], s.mean[2]);
  return buf;
}

}  // namespace kvtest
