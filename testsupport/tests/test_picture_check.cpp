// The measures the picture checks compare by.
#include <gtest/gtest.h>

#include "picture_check.h"

namespace {

kvtest::RgbaPicture Two(const uint8_t a[4], const uint8_t b[4]) {
  kvtest::RgbaPicture p;
  p.width = 2;
  p.height = 1;
  p.rgba = {a[0], a[1], a[2], a[3], b[0], b[1], b[2], b[3]};
  return p;
}

TEST(PictureCheck, MaskMeanAndHistogram) {
  const uint8_t red[4] = {255, 0, 0, 255}, faint[4] = {0, 0, 255, 100}, black[4] = {0, 0, 0, 255};
  const kvtest::RgbaPicture p = Two(red, faint);
  const kvtest::Mask m = kvtest::AlphaMask(p);
  EXPECT_EQ(m.count(), 1);  // alpha 100 is below the half
  EXPECT_EQ(kvtest::AlphaMask(p, 50).count(), 2);
  const kvtest::ColourStats s = kvtest::ColoursOf(p, m);
  EXPECT_EQ(s.pixels, 1);
  EXPECT_DOUBLE_EQ(s.mean[0], 255);
  EXPECT_DOUBLE_EQ(s.histogram[3 * 16], 1);
  EXPECT_EQ(kvtest::MeanText(s), "255 0 0");

  const kvtest::RgbaPicture q = Two(red, black);
  const kvtest::ColourStats t = kvtest::ColoursOf(q, kvtest::AlphaMask(q));
  EXPECT_DOUBLE_EQ(t.mean[0], 127.5);
  EXPECT_DOUBLE_EQ(kvtest::MeanColourDistance(s, t), 127.5);
  EXPECT_DOUBLE_EQ(kvtest::HistogramDistance(s, t), 0.5);
  EXPECT_DOUBLE_EQ(kvtest::HistogramDistance(t, t), 0);
  // A mask of another size counts nothing.
  kvtest::Mask other;
  other.width = 3;
  other.height = 1;
  other.bits.assign(3, 1);
  EXPECT_EQ(kvtest::ColoursOf(q, other).pixels, 0);
}

}  // namespace
