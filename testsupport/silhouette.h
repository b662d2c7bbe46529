// Silhouettes of triangle sets for judging what renderers and exporters
// draw: a pinhole camera, a rasteriser of triangles into an image of labels
// with a depth test, masks and their intersection over union. Independent of
// the scene library, so that any test can feed it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kvtest {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

struct Triangle {
  Vec3 a, b, c;
  int label = 0;  // what the pixels it covers are marked with (e.g. a material)
};

// A camera that sees along +z of its own space, x to the right and y up in
// the image, as gluLookAt and gluPerspective set one up.
struct PinholeCamera {
  double view[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};  // world -> camera rows
  double fov_y_deg = 45;    // the full vertical angle
  int width = 320, height = 240;
  double near_plane = 1e-3;  // in front of it nothing is drawn

  // Looking from eye at target with up as the world's up (right-handed world).
  static PinholeCamera LookAt(const Vec3& eye, const Vec3& target, const Vec3& up, double fov_y_deg, int width,
                              int height);
  Vec3 ToCamera(const Vec3& p) const;
};

// Row 0 at the top; -1 where nothing was drawn.
struct LabelImage {
  int width = 0, height = 0;
  std::vector<int> label;
  std::vector<double> depth;  // camera z of the nearest surface
  int at(int x, int y) const { return label[static_cast<size_t>(y) * width + x]; }
  // The label when it also covers every neighbour of (x, y), else -1: a
  // pixel away from every edge.
  int interior(int x, int y) const;
};

// Every pixel whose centre lies in a triangle, the nearest triangle's label
// winning; triangles are clipped at the near plane. With cull_back,
// triangles whose corners run clockwise as seen from the camera are left
// out, as a reader does with solid, counter-clockwise faces.
LabelImage Rasterize(const std::vector<Triangle>& triangles, const PinholeCamera& camera, bool cull_back = false);

// 1 where something was drawn.
struct Mask {
  int width = 0, height = 0;
  std::vector<uint8_t> bits;
  long count() const;
};
Mask MaskOf(const LabelImage& image);
// An RGB image's pixels that differ from the background colour.
Mask MaskOf(const std::vector<uint8_t>& rgb, int width, int height, const uint8_t background[3]);
// Intersection over union; 1 for two empty masks, 0 for masks of other sizes.
double IoU(const Mask& a, const Mask& b);

// A binary PPM (P6, maxval 255): false when the file is not one.
bool ReadPpm(const std::string& path, std::vector<uint8_t>* rgb, int* width, int* height);

}  // namespace kvtest
