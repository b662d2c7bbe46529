// Pictures for the exporters' render tests: reading what an outside renderer
// wrote, silhouettes and their overlap, a reference picture made by
// projecting a scene's triangles ourselves, and a per-material colour check.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "geometry.h"

class MScene;

namespace kvtest {

// 8-bit RGBA, rows top down.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// Any picture GraphicsMagick reads (PNG, PPM, ...). false, with the reason
// in error, when it cannot be read.
bool ReadImage(const std::string& path, Image* out, std::string* error = nullptr);
// Writes a PNG, for looking at a failed comparison.
bool WriteImage(const std::string& path, const Image& image);

// One flag per pixel.
struct Mask {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> on;
  long Count() const;
};

// Pixels whose alpha is at least `threshold`.
Mask AlphaMask(const Image& image, int threshold = 128);
// Pixels that differ from `background` by more than `tolerance` in a channel.
Mask ColourMask(const Image& image, const uint8_t background[3], int tolerance = 8);
// Intersection over union; 1 when both are empty, 0 when the sizes differ.
double IoU(const Mask& a, const Mask& b);

// A pinhole camera: horizontal field of view over the picture's width.
struct ViewCamera {
  MVector3 position{0, 0, 0};
  MVector3 target{0, 0, 1};
  MVector3 up{0, 0, 1};
  double hfov_deg = 46.5354096201139;
};

// The scene's active camera as the exporters place it: the up vector turned
// about the view direction by minus the roll angle.
ViewCamera SceneCamera(MScene* scene);

struct RefTriangle {
  MVector3 a, b, c;  // world space
  int material;      // index into the scene's surfaces; -1 none
};

// Every triangle the exporters write, placed by its object's matrix, with
// the index of its surface in the scene (visible objects only).
std::vector<RefTriangle> SceneTriangles(MScene* scene);

// The material seen at each pixel centre (-1: nothing, -3: a triangle of no
// material), with a depth test;
// `cull_back` drops triangles whose corners run clockwise as seen from the
// camera (what a reader does with solid, counter-clockwise faces).
struct IdBuffer {
  int width = 0;
  int height = 0;
  std::vector<int> id;
  Mask Coverage() const;
};
IdBuffer Rasterize(const std::vector<RefTriangle>& tris, const ViewCamera& cam, int width, int height, bool cull_back);

// The palette entry (by hue) each covered pixel of the picture shows: -1 not
// covered (alpha below 128 or `coverage` off), -2 no entry is near enough.
std::vector<int> ClassifyColours(const Image& image, const Mask& coverage, const std::vector<MVector3>& palette);
// The share of pixels covered in both where the picture shows the palette
// entry of the reference's material (palette index = material index).
double MaterialAgreement(const IdBuffer& reference, const std::vector<int>& classified);
// For each material the reference shows, the overlap (intersection over
// union) of where it shows and where the picture shows its colour; the
// smallest of them (1 when the reference shows none). A mirrored picture or
// one with a wrong material loses the small parts first.
double WorstMaterialIoU(const IdBuffer& reference, const std::vector<int>& classified);

// A picture of a mask (white on black) or of an id buffer, for a failure's
// side-by-side look.
Image MaskImage(const Mask& mask);

}  // namespace kvtest
