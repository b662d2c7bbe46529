// The silhouette helpers the exporter tests judge renderings with.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

#include "silhouette.h"
#include "test_support.h"

namespace {

// A square of side 2 at distance d in front of a camera at the origin that
// looks along +y with z up.
std::vector<kvtest::Triangle> Square(double x, double d, int label) {
  const kvtest::Vec3 a{x - 1, d, -1}, b{x + 1, d, -1}, c{x + 1, d, 1}, e{x - 1, d, 1};
  return {{a, b, c, label}, {a, c, e, label}};
}

}  // namespace

TEST(Silhouette, LookAtOrientationAreaDepthAndClipping) {
  // 90 degrees: the square at distance 1 fills the image's height exactly.
  const kvtest::PinholeCamera cam = kvtest::PinholeCamera::LookAt({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, 90, 200, 100);
  const kvtest::LabelImage full = kvtest::Rasterize(Square(0, 1, 7), cam);
  EXPECT_EQ(kvtest::MaskOf(full).count(), 100 * 100);
  EXPECT_EQ(full.at(100, 50), 7);
  EXPECT_EQ(full.at(10, 50), -1);
  EXPECT_EQ(full.interior(100, 50), 7);
  EXPECT_EQ(full.interior(50, 50), -1);  // on the edge

  // +x is on the right of the image, +z at the top.
  std::vector<kvtest::Triangle> tris = Square(2, 4, 1);
  const kvtest::LabelImage right = kvtest::Rasterize(tris, cam);
  EXPECT_EQ(right.at(125, 50), 1);  // x from 1 to 3 at 4: pixels 112.5 to 137.5
  EXPECT_EQ(right.at(75, 50), -1);
  const kvtest::Vec3 a{-1, 3, 0.5}, b{1, 3, 0.5}, c{0, 3, 1};
  const kvtest::LabelImage top = kvtest::Rasterize({{a, b, c, 2}}, cam);
  EXPECT_EQ(top.at(100, 38), 2);
  EXPECT_EQ(top.at(100, 70), -1);

  // The nearer square wins wherever both are.
  tris = Square(0, 4, 1);
  for (const kvtest::Triangle& t : Square(1, 2, 2)) tris.push_back(t);
  const kvtest::LabelImage both = kvtest::Rasterize(tris, cam);
  EXPECT_EQ(both.at(105, 50), 2);
  EXPECT_EQ(both.at(95, 50), 1);

  // Culling keeps the faces whose corners run counter-clockwise as seen.
  std::vector<kvtest::Triangle> back = Square(0, 1, 7);
  EXPECT_EQ(kvtest::MaskOf(kvtest::Rasterize(back, cam, true)).count(), 100 * 100);
  for (kvtest::Triangle& t : back) std::swap(t.b, t.c);
  EXPECT_EQ(kvtest::MaskOf(kvtest::Rasterize(back, cam, true)).count(), 0);
  EXPECT_EQ(kvtest::MaskOf(kvtest::Rasterize(back, cam)).count(), 100 * 100);

  // Behind the camera nothing; across the near plane the front part only.
  EXPECT_EQ(kvtest::MaskOf(kvtest::Rasterize(Square(0, -3, 1), cam)).count(), 0);
  const kvtest::Triangle across{{-1, -1, -0.5}, {1, 5, -0.5}, {-1, 5, -0.5}, 3};
  EXPECT_GT(kvtest::MaskOf(kvtest::Rasterize({across}, cam)).count(), 0);
}

TEST(Silhouette, IoUAndImageMasks) {
  const kvtest::PinholeCamera cam = kvtest::PinholeCamera::LookAt({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, 90, 200, 100);
  const kvtest::Mask a = kvtest::MaskOf(kvtest::Rasterize(Square(0, 1, 0), cam));
  const kvtest::Mask b = kvtest::MaskOf(kvtest::Rasterize(Square(1, 1, 0), cam));
  EXPECT_DOUBLE_EQ(kvtest::IoU(a, a), 1.0);
  EXPECT_NEAR(kvtest::IoU(a, b), 50.0 / 150.0, 0.01);
  EXPECT_DOUBLE_EQ(kvtest::IoU(kvtest::Mask{}, kvtest::Mask{}), 1.0);

  kvtest::TempDir dir;
  std::string ppm = "P6\n2 1\n255\n";
  ppm += std::string("\x00\x00\x00\xff\x10\x00", 6);
  kvtest::write_file(dir.file("a.ppm"), ppm);
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(kvtest::ReadPpm(dir.file("a.ppm"), &rgb, &w, &h));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(rgb[3], 0xff);
  const uint8_t black[3] = {0, 0, 0};
  const kvtest::Mask m = kvtest::MaskOf(rgb, w, h, black);
  EXPECT_EQ(m.bits, (std::vector<uint8_t>{0, 1}));
  kvtest::write_file(dir.file("b.ppm"), "P6\n2 1\n255\nab");
  EXPECT_FALSE(kvtest::ReadPpm(dir.file("b.ppm"), &rgb, &w, &h));
}
