#include "silhouette.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace kvtest {
namespace {

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Unit(const Vec3& v) {
  double l = std::sqrt(Dot(v, v));
  return l > 0 ? Vec3{v.x / l, v.y / l, v.z / l} : v;
}
Vec3 Lerp(const Vec3& a, const Vec3& b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

struct ScreenPoint {
  double x, y, inv_z;
};

// Fills the triangle's pixels, with depth by 1/z across the screen.
void Fill(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, int label, LabelImage* img) {
  const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  if (area == 0 || !std::isfinite(area)) return;
  const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
  const int x1 = std::min(img->width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
  const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
  const int y1 = std::min(img->height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
  for (int y = y0; y <= y1; ++y) {
    const double py = y + 0.5;
    for (int x = x0; x <= x1; ++x) {
      const double px = x + 0.5;
      const double w0 = ((b.x - px) * (c.y - py) - (c.x - px) * (b.y - py)) / area;
      const double w1 = ((c.x - px) * (a.y - py) - (a.x - px) * (c.y - py)) / area;
      const double w2 = 1 - w0 - w1;
      if (w0 < 0 || w1 < 0 || w2 < 0) continue;
      const double inv_z = w0 * a.inv_z + w1 * b.inv_z + w2 * c.inv_z;
      const size_t i = static_cast<size_t>(y) * img->width + x;
      const double z = 1 / inv_z;
      if (img->label[i] < 0 || z < img->depth[i]) {
        img->label[i] = label;
        img->depth[i] = z;
      }
    }
  }
}

}  // namespace

PinholeCamera PinholeCamera::LookAt(const Vec3& eye, const Vec3& target, const Vec3& up, double fov_y_deg,
                                    int width, int height) {
  PinholeCamera cam;
  const Vec3 f = Unit(Sub(target, eye));
  const Vec3 r = Unit(Cross(f, up));
  const Vec3 u = Cross(r, f);
  const Vec3 axes[3] = {r, u, f};
  for (int i = 0; i < 3; ++i) {
    cam.view[i][0] = axes[i].x;
    cam.view[i][1] = axes[i].y;
    cam.view[i][2] = axes[i].z;
    cam.view[i][3] = -Dot(axes[i], eye);
  }
  cam.fov_y_deg = fov_y_deg;
  cam.width = width;
  cam.height = height;
  return cam;
}

Vec3 PinholeCamera::ToCamera(const Vec3& p) const {
  double o[3];
  for (int i = 0; i < 3; ++i) o[i] = view[i][0] * p.x + view[i][1] * p.y + view[i][2] * p.z + view[i][3];
  return {o[0], o[1], o[2]};
}

int LabelImage::interior(int x, int y) const {
  const int l = at(x, y);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= width || ny >= height || at(nx, ny) != l) return -1;
    }
  return l;
}

LabelImage Rasterize(const std::vector<Triangle>& triangles, const PinholeCamera& cam, bool cull_back) {
  LabelImage img;
  img.width = cam.width;
  img.height = cam.height;
  img.label.assign(static_cast<size_t>(cam.width) * cam.height, -1);
  img.depth.assign(img.label.size(), 0.0);
  const double f = 1 / std::tan(cam.fov_y_deg * 3.141592653589793 / 360);
  const double aspect = static_cast<double>(cam.width) / cam.height;
  auto project = [&](const Vec3& p) {
    // Normalised device coordinates, then pixels with row 0 at the top.
    const double nx = p.x * f / aspect / p.z, ny = p.y * f / p.z;
    return ScreenPoint{(nx + 1) * 0.5 * cam.width, (1 - ny) * 0.5 * cam.height, 1 / p.z};
  };
  for (const Triangle& t : triangles) {
    // Clipped at the near plane into a polygon of up to four corners.
    const Vec3 in[3] = {cam.ToCamera(t.a), cam.ToCamera(t.b), cam.ToCamera(t.c)};
    // The camera sits at the origin of its space, which is left-handed (x
    // right, y up, z ahead): a face towards it has a normal along in[0].
    if (cull_back && Dot(Cross(Sub(in[1], in[0]), Sub(in[2], in[0])), in[0]) <= 0) continue;
    Vec3 poly[4];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
      const Vec3& p = in[i];
      const Vec3& q = in[(i + 1) % 3];
      const bool pin = p.z >= cam.near_plane, qin = q.z >= cam.near_plane;
      if (pin) poly[n++] = p;
      if (pin != qin) poly[n++] = Lerp(p, q, (cam.near_plane - p.z) / (q.z - p.z));
    }
    for (int i = 1; i + 1 < n; ++i) Fill(project(poly[0]), project(poly[i]), project(poly[i + 1]), t.label, &img);
  }
  return img;
}

long Mask::count() const { return static_cast<long>(std::count(bits.begin(), bits.end(), 1)); }

Mask MaskOf(const LabelImage& image) {
  Mask m;
  m.width = image.width;
  m.height = image.height;
  m.bits.resize(image.label.size());
  for (size_t i = 0; i < image.label.size(); ++i) m.bits[i] = image.label[i] >= 0 ? 1 : 0;
  return m;
}

Mask MaskOf(const std::vector<uint8_t>& rgb, int width, int height, const uint8_t background[3]) {
  Mask m;
  m.width = width;
  m.height = height;
  m.bits.assign(static_cast<size_t>(width) * height, 0);
  for (size_t i = 0; i < m.bits.size() && 3 * i + 2 < rgb.size(); ++i)
    m.bits[i] = (rgb[3 * i] != background[0] || rgb[3 * i + 1] != background[1] || rgb[3 * i + 2] != background[2]);
  return m;
}

double IoU(const Mask& a, const Mask& b) {
  if (a.width != b.width || a.height != b.height || a.bits.size() != b.bits.size()) return 0;
  long both = 0, either = 0;
  for (size_t i = 0; i < a.bits.size(); ++i) {
    both += a.bits[i] && b.bits[i];
    either += a.bits[i] || b.bits[i];
  }
  return either == 0 ? 1.0 : static_cast<double>(both) / static_cast<double>(either);
}

bool ReadPpm(const std::string& path, std::vector<uint8_t>* rgb, int* width, int* height) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  if (!(in >> magic >> w >> h >> maxval) || magic != "P6" || w <= 0 || h <= 0 || maxval != 255) return false;
  in.get();  // the one white-space character before the pixels
  rgb->assign(static_cast<size_t>(w) * h * 3, 0);
  in.read(reinterpret_cast<char*>(rgb->data()), static_cast<std::streamsize>(rgb->size()));
  if (in.gcount() != static_cast<std::streamsize>(rgb->size())) return false;
  *width = w;
  *height = h;
  return true;
}

}  // namespace kvtest
