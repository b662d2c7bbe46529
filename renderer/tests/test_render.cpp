// The renderer on scenes made here: silhouettes against the scene's own
// triangles, colours of materials and maps, transparency, the fitted views,
// bad sizes, and the contact sheet's layout and labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "imageconv.h"
#include "korvanelib.h"
#include "render_test_support.h"
#include "test_support.h"

namespace {

kvrender::RenderOptions Options(int w, int h) {
  kvrender::RenderOptions o;
  o.width = w;
  o.height = h;
  o.supersample = 1;
  return o;
}

kvtest::Mask Drawn(const kvrender::Picture& p) { return kvtest::AlphaMask(rendertest::AsTestPicture(p)); }

// The mean colour of the pixels whose label is `label` away from its edges.
kvtest::ColourStats ColoursOfLabel(const kvrender::Picture& p, const kvtest::LabelImage& labels, int label) {
  kvtest::Mask m;
  m.width = p.width;
  m.height = p.height;
  m.bits.assign(static_cast<size_t>(p.width) * p.height, 0);
  for (int y = 1; y + 1 < p.height; ++y)
    for (int x = 1; x + 1 < p.width; ++x) m.bits[static_cast<size_t>(y) * p.width + x] = labels.interior(x, y) == label;
  return kvtest::ColoursOf(rendertest::AsTestPicture(p), m);
}

kvtest::PinholeCamera Pinhole(const kvrender::ViewCamera& c, int w, int h) {
  return kvtest::PinholeCamera::LookAt(kvtest::ToVec(c.eye), kvtest::ToVec(c.target), kvtest::ToVec(c.up), c.fov_y_deg,
                                       w, h);
}

TEST(Render, SilhouetteAndMaterialColoursOfTheScene) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  MScene* scene = kvtest::BoxesScene();
  for (kvrender::CameraMode mode : {kvrender::CameraMode::kFirst, kvrender::CameraMode::kFit}) {
    kvrender::RenderOptions o = Options(240, 180);
    o.camera = mode;
    kvrender::Picture pic;
    kvrender::ViewCamera cam;
    std::string why;
    ASSERT_TRUE(kvrender::RenderScene(scene, o, &pic, &why, &cam)) << why;
    ASSERT_EQ(pic.width, 240);
    ASSERT_EQ(pic.rgba.size(), 240u * 180 * 4);
    if (mode == kvrender::CameraMode::kFirst) {
      EXPECT_NEAR(cam.eye.x, 6, 1e-9);  // the scene's camera
      EXPECT_NEAR(cam.target.x, 1.5, 1e-9);
    }
    const kvtest::LabelImage want = kvtest::Rasterize(kvtest::SceneTriangles(scene), Pinhole(cam, 240, 180));
    EXPECT_GE(kvtest::IoU(Drawn(pic), kvtest::MaskOf(want)), 0.98);
    // red, green, blue surfaces: each one's pixels lean to its colour.
    for (int label = 0; label < 3; ++label) {
      const kvtest::ColourStats s = ColoursOfLabel(pic, want, label);
      if (s.pixels < 20) continue;  // the blue top face is not seen from every side
      SCOPED_TRACE(label);
      for (int k = 0; k < 3; ++k)
        if (k != label) {
          EXPECT_GT(s.mean[label], s.mean[k] + 40) << kvtest::MeanText(s);
        }
    }
  }
  delete scene;
}

TEST(Render, FittedViewsHoldTheWholeModel) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  MScene* scene = kvtest::BoxesScene();
  for (kvrender::View view : {kvrender::View::kFront, kvrender::View::kTop, kvrender::View::kIso}) {
    SCOPED_TRACE(static_cast<int>(view));
    kvrender::RenderOptions o = Options(200, 100);
    o.view = view;
    kvrender::Picture pic;
    std::string why;
    ASSERT_TRUE(kvrender::RenderScene(scene, o, &pic, &why)) << why;
    int x0 = o.width, x1 = -1, y0 = o.height, y1 = -1;
    for (int y = 0; y < o.height; ++y)
      for (int x = 0; x < o.width; ++x)
        if (pic.at(x, y)[3] > 0) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    ASSERT_GE(x1, 0) << "nothing drawn";
    EXPECT_GT(x0, 0);
    EXPECT_LT(x1, o.width - 1);
    EXPECT_GT(y0, 0);
    EXPECT_LT(y1, o.height - 1);
    // Fitted, not lost in a corner: the model spans much of the short side.
    EXPECT_GT(std::max(x1 - x0, y1 - y0), o.height / 3);
  }
  // Seen from the top the blue top face of the big box is what shows most.
  kvrender::RenderOptions o = Options(100, 100);
  o.view = kvrender::View::kTop;
  kvrender::Picture pic;
  ASSERT_TRUE(kvrender::RenderScene(scene, o, &pic, nullptr));
  const uint8_t* centre_left = pic.at(30, 50);  // the box lies left of the cube
  EXPECT_GT(centre_left[2], centre_left[0] + 40);
  delete scene;
}

TEST(Render, TransparencyAndBackground) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  MScene* scene = kvtest::BoxesScene();
  for (int i = 0; i < scene->surfaces->count; ++i)
    static_cast<MSurface*>(scene->surfaces->GetAt(i))->opref.surface_opacity = 0.4;
  kvrender::RenderOptions o = Options(80, 60);
  kvrender::Picture pic;
  ASSERT_TRUE(kvrender::RenderScene(scene, o, &pic, nullptr));
  EXPECT_EQ(pic.at(0, 0)[3], 0);  // nothing drawn: transparent background
  EXPECT_EQ(pic.at(0, 0)[0], o.background[0]);
  int max_alpha = 0;
  for (size_t i = 3; i < pic.rgba.size(); i += 4) max_alpha = std::max<int>(max_alpha, pic.rgba[i]);
  // Two layers of 40 % give 64 %; nothing reaches opaque.
  EXPECT_GT(max_alpha, 90);
  EXPECT_LT(max_alpha, 230);
  o.opaque_background = true;
  ASSERT_TRUE(kvrender::RenderScene(scene, o, &pic, nullptr));
  for (size_t i = 3; i < pic.rgba.size(); i += 4) ASSERT_EQ(pic.rgba[i], 255);
  delete scene;
}

TEST(Render, MapsShowUprightAndUndarkened) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  kvtest::TempDir dir;
  MScene* scene = rendertest::MappedBoxScene(dir.str());
  ASSERT_TRUE(scene);

  kvrender::RenderOptions o = Options(60, 60);
  o.view = kvrender::View::kFront;  // the -y face, v going up with z
  kvrender::Picture pic;
  ASSERT_TRUE(kvrender::RenderScene(scene, o, &pic, nullptr));
  const uint8_t* upper = pic.at(30, 20);
  const uint8_t* lower = pic.at(30, 40);
  EXPECT_GT(upper[0], 120);
  EXPECT_LT(upper[1], 40);
  EXPECT_GT(lower[1], 120);
  EXPECT_LT(lower[0], 40);
  delete scene;
}

TEST(Render, BadSizesAndEmptyScenes) {
  MScene* scene = kvtest::BoxesScene();
  kvrender::Picture pic;
  std::string why;
  EXPECT_FALSE(kvrender::RenderScene(scene, Options(0, 10), &pic, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(kvrender::RenderScene(scene, Options(100000, 10), &pic, &why));
  kvrender::RenderOptions o = Options(10, 10);
  o.supersample = 9;
  EXPECT_FALSE(kvrender::RenderScene(scene, o, &pic, &why));
  delete scene;
  if (!kvrender::Available()) return;
  MScene empty("empty");
  MVector3 lo, hi;
  EXPECT_FALSE(kvrender::DrawnBounds(&empty, &lo, &hi));
  ASSERT_TRUE(kvrender::RenderScene(&empty, Options(16, 8), &pic, &why)) << why;
  for (size_t i = 3; i < pic.rgba.size(); i += 4) ASSERT_EQ(pic.rgba[i], 0);
}

TEST(RenderSheet, TilesLabelsAndPng) {
  std::vector<kvrender::SheetTile> tiles(3);
  for (int i = 0; i < 2; ++i) {
    tiles[i].label = i == 0 ? "a.obj" : "a_very_long_folder_name/and_a_long_model_name.3ds";
    tiles[i].picture.width = tiles[i].picture.height = 20;
    tiles[i].picture.rgba.assign(20 * 20 * 4, 0);
    for (int y = 5; y < 15; ++y)
      for (int x = 5; x < 15; ++x) {
        uint8_t* p = tiles[i].picture.at(x, y);
        p[0] = 255, p[3] = 255;
      }
  }
  tiles[2].label = "broken.obj";  // no picture
  const kvrender::Picture sheet = kvrender::ContactSheet(tiles, 80, 40);
  // Two columns of 80 + 6, two rows of 40 + 14 + 6, a 6 pixel margin.
  ASSERT_EQ(sheet.width, 2 * 86 + 6);
  ASSERT_EQ(sheet.height, 2 * 60 + 6);
  for (size_t i = 3; i < sheet.rgba.size(); i += 4) ASSERT_EQ(sheet.rgba[i], 255);
  // The first tile's red square sits in the tile's middle.
  EXPECT_EQ(sheet.at(6 + 40, 6 + 20)[0], 255);
  EXPECT_EQ(sheet.at(6 + 40, 6 + 20)[1], 0);
  // Labels are drawn in the strip under each tile, within its width.
  auto ink_in = [&](int x0, int y0, int w, int h, int above = 200) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) n += sheet.at(x, y)[0] > above;
    return n;
  };
  EXPECT_GT(ink_in(6, 6 + 40, 80, 14), 10);
  EXPECT_GT(ink_in(6 + 86, 6 + 40, 80, 14), 10);
  EXPECT_EQ(ink_in(6 + 80, 6 + 40, 6, 14), 0);  // the long label was cut, not run over
  EXPECT_GT(ink_in(6, 66 + 10, 80, 20, 150), 10);  // "no picture"
  EXPECT_EQ(kvrender::TextWidth("ab"), 11);
  EXPECT_EQ(kvrender::TextWidth("ab", 2), 22);

  kvtest::TempDir dir;
  std::string why;
  ASSERT_TRUE(kvrender::WritePng(sheet, dir.file("sheet.png"), &why)) << why;
  kvtest::RgbaPicture back;
  ASSERT_TRUE(kvtest::ReadPicture(dir.file("sheet.png"), &back));
  EXPECT_EQ(back.rgba, sheet.rgba);
  EXPECT_FALSE(kvrender::WritePng(kvrender::Picture(), dir.file("none.png"), &why));
  EXPECT_FALSE(kvrender::WritePng(sheet, dir.file("no/such/folder.png"), &why));
  EXPECT_NE(why.find("cannot write"), std::string::npos);
}

}  // namespace
