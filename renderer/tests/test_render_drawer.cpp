// The orbit view and the drawer kept between pictures: the orbit agrees with
// the fitted views and keeps its limits; the drawer's pictures, first and
// later ones (from OpenGL's buffers), are the one-shot renderer's, follow a
// new scene, and tint highlighted objects only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "korvanelib.h"
#include "render_test_support.h"
#include "test_support.h"

namespace {

kvrender::RenderOptions Options(int w, int h) { return rendertest::CompareOptions(w, h); }

void ExpectSameCamera(const kvrender::ViewCamera& a, const kvrender::ViewCamera& b) {
  EXPECT_NEAR((a.eye - b.eye).Length(), 0, 1e-6);
  EXPECT_NEAR((a.target - b.target).Length(), 0, 1e-9);
  EXPECT_NEAR(a.fov_y_deg, b.fov_y_deg, 1e-9);
  EXPECT_NEAR(a.near_plane, b.near_plane, 1e-6);
  EXPECT_NEAR(a.far_plane, b.far_plane, 1e-6);
}

// How many pixels differ by more than a rounding step in some channel.
int DifferentPixels(const kvrender::Picture& a, const kvrender::Picture& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int n = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4)
    for (int k = 0; k < 4; ++k)
      if (std::abs(a.rgba[i + k] - b.rgba[i + k]) > 1) {
        ++n;
        break;
      }
  return n;
}

TEST(OrbitCamera, MeetsTheFittedViewsAndHoldsItsLimits) {
  MScene* scene = kvtest::BoxesScene();
  MVector3 lo, hi;
  ASSERT_TRUE(kvrender::DrawnBounds(scene, &lo, &hi));
  const MVector3 centre = (lo + hi) / 2.0;
  kvrender::RenderOptions o = Options(320, 200);
  const double aspect = 320.0 / 200;

  // The default orbit is the fitted iso view; yaw 0 and pitch 0 the front.
  ExpectSameCamera(kvrender::OrbitCamera(lo, hi, aspect, {}), kvrender::ChooseCamera(scene, o));
  o.view = kvrender::View::kFront;
  ExpectSameCamera(kvrender::OrbitCamera(lo, hi, aspect, {0, 0, 1}), kvrender::ChooseCamera(scene, o));

  // Yaw turns about z: 90 degrees looks from +x.
  const kvrender::ViewCamera side = kvrender::OrbitCamera(lo, hi, aspect, {90, 0, 1});
  EXPECT_GT(side.eye.x - centre.x, 1);
  EXPECT_NEAR(side.eye.y, centre.y, 1e-9);
  EXPECT_NEAR(side.eye.z, centre.z, 1e-9);

  // Zoom scales the distance; near and far still hold the whole box.
  const kvrender::ViewCamera fitted = kvrender::OrbitCamera(lo, hi, aspect, {30, 20, 1});
  const kvrender::ViewCamera away = kvrender::OrbitCamera(lo, hi, aspect, {30, 20, 2});
  EXPECT_NEAR((away.eye - centre).Length(), 2 * (fitted.eye - centre).Length(), 1e-9);
  const double radius = (hi - lo).Length() / 2;
  EXPECT_GE(away.far_plane, (away.eye - centre).Length() + radius);
  EXPECT_LE(away.near_plane, (away.eye - centre).Length() - radius);
  const kvrender::ViewCamera close = kvrender::OrbitCamera(lo, hi, aspect, {30, 20, 0.2});
  EXPECT_GT(close.near_plane, 0);
  EXPECT_LT(close.near_plane, close.far_plane);

  // Pitch past the pole stops short of it; zoom and nonsense are held in range.
  const kvrender::ViewCamera over = kvrender::OrbitCamera(lo, hi, aspect, {0, 120, 1});
  const MVector3 sight = vect_normalize(over.eye - centre);
  EXPECT_NEAR(std::asin(sight.z) * 180 / M_PI, 89, 1e-6);
  const kvrender::ViewCamera near_limit = kvrender::OrbitCamera(lo, hi, aspect, {0, 0, 1e-9});
  EXPECT_NEAR((near_limit.eye - centre).Length(), 0.05 * (kvrender::OrbitCamera(lo, hi, aspect, {0, 0, 1}).eye - centre).Length(), 1e-9);
  const kvrender::ViewCamera nan = kvrender::OrbitCamera(lo, hi, aspect, {NAN, NAN, NAN});
  EXPECT_TRUE(std::isfinite(nan.eye.x) && std::isfinite(nan.eye.y) && std::isfinite(nan.eye.z));
  delete scene;
}

TEST(SceneDrawer, PicturesAreTheOneShotRenderersFrameAfterFrame) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  kvtest::TempDir dir;
  MScene* boxes = kvtest::BoxesScene();
  MScene* mapped = rendertest::MappedBoxScene(dir.str());
  ASSERT_TRUE(mapped);
  kvrender::SceneDrawer drawer;
  for (MScene* scene : {boxes, mapped}) {
    drawer.Prepare(scene);
    MVector3 lo, hi;
    ASSERT_TRUE(drawer.Bounds(&lo, &hi));
    // Frames of several sizes and samples: the first from the drawer's own
    // arrays, the later ones from OpenGL's buffers, the context reused.
    for (int frame = 0; frame < 3; ++frame) {
      kvrender::RenderOptions o = Options(frame == 1 ? 90 : 120, 80);
      o.supersample = frame == 2 ? 2 : 1;
      const kvrender::ViewCamera cam = kvrender::OrbitCamera(lo, hi, double(o.width) / o.height, {frame * 40.0, 25, 1});
      kvrender::Picture ours, once;
      std::string why;
      ASSERT_TRUE(drawer.Draw(o, cam, &ours, &why)) << why;
      ASSERT_TRUE(kvrender::RenderSceneFrom(scene, o, cam, &once, &why)) << why;
      EXPECT_EQ(DifferentPixels(ours, once), 0) << scene->get_name() << " frame " << frame;
    }
  }
  // The map shows in the later frames too (its coordinates from the buffer).
  kvrender::RenderOptions o = Options(60, 60);
  o.view = kvrender::View::kFront;
  const kvrender::ViewCamera front = kvrender::ChooseCamera(mapped, o);
  kvrender::Picture pic;
  ASSERT_TRUE(drawer.Draw(o, front, &pic, nullptr));
  EXPECT_GT(pic.at(30, 20)[0], 120);
  EXPECT_GT(pic.at(30, 40)[1], 120);

  // Nothing prepared: nothing drawn, and no box.
  drawer.Prepare(nullptr);
  MVector3 lo, hi;
  EXPECT_FALSE(drawer.Bounds(&lo, &hi));
  EXPECT_EQ(drawer.Triangles(), 0);
  ASSERT_TRUE(drawer.Draw(o, front, &pic, nullptr));
  for (size_t i = 3; i < pic.rgba.size(); i += 4) ASSERT_EQ(pic.rgba[i], 0);
  o.width = 0;
  std::string why;
  EXPECT_FALSE(drawer.Draw(o, front, &pic, &why));
  EXPECT_FALSE(why.empty());
  delete boxes;
  delete mapped;
}

// A flat grid of cells x cells squares in the x-z plane, two triangles each.
MScene* GridScene(int cells) {
  MScene* scene = new MScene("grid.raw");
  MMesh_P* m = new MMesh_P("grid");
  for (int i = 0; i < cells; ++i)
    for (int j = 0; j < cells; ++j) {
      const MVector3 a(i, 0, j), b(i + 1, 0, j), c(i + 1, 0, j + 1), d(i, 0, j + 1);
      m->Add_Tri(a, b, c, 0, -1.0);
      m->Add_Tri(a, c, d, 0, -1.0);
    }
  scene->objects->Append(m);
  return scene;
}

int Covered(const kvrender::Picture& p) {
  int n = 0;
  for (size_t i = 3; i < p.rgba.size(); i += 4) n += p.rgba[i] > 0;
  return n;
}

TEST(SceneDrawer, ThinnedFramesDrawAnEvenShare) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  MScene* scene = GridScene(100);
  kvrender::SceneDrawer drawer;
  drawer.Prepare(scene);
  ASSERT_EQ(drawer.Triangles(), 20000);
  kvrender::RenderOptions o = Options(240, 240);
  o.supersample = 1;
  o.view = kvrender::View::kFront;
  const kvrender::ViewCamera front = kvrender::ChooseCamera(scene, o);
  // The first frame (the arrays as gathered) and a later one (reordered
  // for sampling, from OpenGL's buffer) are the same picture.
  kvrender::Picture first, whole, thin;
  ASSERT_TRUE(drawer.Draw(o, front, &first, nullptr));
  ASSERT_TRUE(drawer.Draw(o, front, &whole, nullptr));
  EXPECT_EQ(DifferentPixels(first, whole), 0);
  EXPECT_EQ(drawer.LastTriangles(), 20000);

  o.max_triangles = 5000;
  ASSERT_TRUE(drawer.Draw(o, front, &thin, nullptr));
  EXPECT_EQ(drawer.LastTriangles(), 5000);
  EXPECT_LT(Covered(thin), Covered(whole) / 2);
  // Spread over the whole grid: every eighth of it in each direction shows some.
  int lo_x = o.width, hi_x = 0, lo_y = o.height, hi_y = 0;
  for (int y = 0; y < o.height; ++y)
    for (int x = 0; x < o.width; ++x)
      if (whole.at(x, y)[3]) lo_x = std::min(lo_x, x), hi_x = std::max(hi_x, x), lo_y = std::min(lo_y, y), hi_y = std::max(hi_y, y);
  ASSERT_GT(hi_x - lo_x, 80);
  for (int cy = 0; cy < 8; ++cy)
    for (int cx = 0; cx < 8; ++cx) {
      int n = 0;
      for (int y = lo_y + (hi_y - lo_y) * cy / 8; y < lo_y + (hi_y - lo_y) * (cy + 1) / 8; ++y)
        for (int x = lo_x + (hi_x - lo_x) * cx / 8; x < lo_x + (hi_x - lo_x) * (cx + 1) / 8; ++x) n += thin.at(x, y)[3] > 0;
      EXPECT_GT(n, 0) << "cell " << cx << "," << cy;
    }
  // More than the scene holds, or none asked: all of it.
  o.max_triangles = 1000000;
  ASSERT_TRUE(drawer.Draw(o, front, &thin, nullptr));
  EXPECT_EQ(DifferentPixels(thin, whole), 0);
  delete scene;
}

TEST(SceneDrawer, HighlightTintsTheListedObjectsOnly) {
  if (!kvrender::Available()) GTEST_SKIP() << "built without OSMesa";
  MScene* scene = kvtest::BoxesScene();
  kvrender::SceneDrawer drawer;
  drawer.Prepare(scene);
  EXPECT_EQ(drawer.Triangles(), 24);
  kvrender::RenderOptions o = Options(160, 120);
  MVector3 lo, hi;
  ASSERT_TRUE(drawer.Bounds(&lo, &hi));
  const kvrender::ViewCamera cam = kvrender::OrbitCamera(lo, hi, 160.0 / 120, {});
  kvrender::Picture plain, lit;
  ASSERT_TRUE(drawer.Draw(o, cam, &plain, nullptr));
  // The green cube (the second object) highlighted.
  const MObj3d* cube = static_cast<MObj3d*>(scene->objects->GetAt(1));
  drawer.Prepare(scene, {cube});
  EXPECT_EQ(drawer.Triangles(), 24);
  ASSERT_TRUE(drawer.Draw(o, cam, &lit, nullptr));
  int changed = 0, greenish = 0, other_changed = 0;
  for (int y = 0; y < o.height; ++y)
    for (int x = 0; x < o.width; ++x) {
      const uint8_t* a = plain.at(x, y);
      const uint8_t* b = lit.at(x, y);
      if (a[3] == 0) continue;
      const bool cube_pixel = a[1] > a[0] && a[1] > a[2];
      const bool differs = b[0] > a[0] + 20;  // the glow adds red
      if (cube_pixel) {
        ++greenish;
        changed += differs;
      } else {
        other_changed += differs;
      }
    }
  ASSERT_GT(greenish, 100);
  EXPECT_GT(changed, greenish * 9 / 10);
  EXPECT_LT(other_changed, 20);  // edge pixels at most
  delete scene;
}

}  // namespace
