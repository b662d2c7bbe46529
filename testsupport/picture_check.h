// Picture checks against an outside renderer: f3d drawing a model file
// offscreen (under xvfb-run) from an explicit camera, PNG pictures read
// back, and what two pictures of one model are compared by: the silhouette
// (pixels with alpha) and the colours of the model's pixels.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "silhouette.h"
#include "test_support.h"

namespace kvtest {

struct RgbaPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // the top row first
  const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// Any picture file the image library reads; false when it cannot.
bool ReadPicture(const std::string& path, RgbaPicture* out);

struct ViewSpec {
  Vec3 eye, target, up{0, 0, 1};
  double fov_y_deg = 30;  // the full vertical angle
  int width = 320, height = 240;
};

// What keeps f3d from drawing here ("f3d not installed", "xvfb-run not
// installed"); "" when it can.
std::string F3dMissing();
// Skips the test without f3d, or fails it under KORVANE_REQUIRE_CORPUS=1
// (the CI machines have it).
#define KV_REQUIRE_F3D()                                                                  \
  do {                                                                                    \
    const std::string kv_f3d_missing_ = ::kvtest::F3dMissing();                           \
    if (!kv_f3d_missing_.empty()) {                                                       \
      if (::kvtest::corpus_required()) FAIL() << kv_f3d_missing_;                         \
      GTEST_SKIP() << kv_f3d_missing_;                                                    \
    }                                                                                     \
  } while (0)

// f3d's picture of a model file from view on a transparent background
// (alpha 0 where nothing was drawn). False with f3d's output in log when
// it wrote no picture (it crashes on some files).
bool RenderWithF3d(const std::string& model, const ViewSpec& view, RgbaPicture* out, std::string* log);

// The pixels drawn: alpha at least min_alpha.
Mask AlphaMask(const RgbaPicture& picture, int min_alpha = 128);

// The colours of the pixels of a mask: their mean and a coarse histogram
// (4 levels a channel, 64 bins, fractions of the pixels).
struct ColourStats {
  long pixels = 0;
  double mean[3] = {0, 0, 0};  // 0 .. 255
  std::array<double, 64> histogram{};
};
ColourStats ColoursOf(const RgbaPicture& picture, const Mask& mask);
// The largest difference of the mean channels (0 .. 255).
double MeanColourDistance(const ColourStats& a, const ColourStats& b);
// Half the sum of the bins' differences: 0 same, 1 nothing in common.
double HistogramDistance(const ColourStats& a, const ColourStats& b);
// "r g b" of the mean, for messages.
std::string MeanText(const ColourStats& s);

}  // namespace kvtest
