// Pictures for the exporters' render tests: reading what an outside renderer
// wrote, its silhouette, the reference of the scene's triangles (from
// test_scenes.h) rasterised through the camera as the exporters place it,
// and a per-material colour check.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "geometry.h"
#include "silhouette.h"

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

// Pixels whose alpha is at least `threshold`.
Mask AlphaMask(const Image& image, int threshold = 128);

// A camera as the exporters place it: from position towards target with up
// as the picture's up, the horizontal field of view over the picture's width.
struct ViewCamera {
  MVector3 position{0, 0, 0};
  MVector3 target{0, 0, 1};
  MVector3 up{0, 0, 1};
  double hfov_deg = 46.5354096201139;
};

// The scene's active camera as the exporters place it: the up vector turned
// about the view direction by minus the roll angle.
ViewCamera ExportedView(MScene* scene);
// The rasteriser's camera for a picture of width x height.
PinholeCamera Pinhole(const ViewCamera& view, int width, int height);

// The material seen at each pixel centre (the triangles' labels: indices of
// the scene's surfaces; -1 nothing, kNoMaterial a triangle of none), with a
// depth test; `cull_back` as Rasterize.
constexpr int kNoMaterial = -3;
LabelImage MaterialImage(const std::vector<Triangle>& tris, const ViewCamera& view, int width, int height,
                         bool cull_back);
// Where anything was drawn, a triangle of no material included.
Mask Coverage(const LabelImage& materials);

// The palette entry (by hue) each covered pixel of the picture shows: -1 not
// covered (alpha below 128 or `coverage` off), -2 no entry is near enough.
std::vector<int> ClassifyColours(const Image& image, const Mask& coverage, const std::vector<MVector3>& palette);
// The share of pixels covered in both where the picture shows the palette
// entry of the reference's material (palette index = material index).
double MaterialAgreement(const LabelImage& reference, const std::vector<int>& classified);
// For each material the reference shows, the overlap (intersection over
// union) of where it shows and where the picture shows its colour; the
// smallest of them (1 when the reference shows none). A mirrored picture or
// one with a wrong material loses the small parts first.
double WorstMaterialIoU(const LabelImage& reference, const std::vector<int>& classified);

// A picture of a mask (white on black), for a failure's side-by-side look.
Image MaskImage(const Mask& mask);

}  // namespace kvtest
