// Our pictures of the corpus against f3d's from the same camera: the
// silhouettes must agree, so nothing is lost, mirrored or misplaced.
#include <gtest/gtest.h>

#include <cstdio>

#include "plugin_test_support.h"
#include "render_test_support.h"
#include "test_support.h"

namespace {

constexpr int kW = 320, kH = 240;

// f3d draws a polygon as a fan from its first corner: a concave one (these
// hold a ring as one polygon) comes out filled, so it is no reference there.
bool F3dFansConcavePolygons(const std::string& model) {
  return model == "obj/concave_polygon.obj" || model == "obj/space_in_material_name.obj";
}

TEST(RenderAgainstF3d, CorpusSilhouettesMatchFromTheSameCamera) {
  KV_REQUIRE_CORPUS();
  KV_REQUIRE_F3D();
  if (!kvrender::Available()) GTEST_SKIP() << "renderer built without OSMesa";
  int compared = 0;
  for (const char* model : kvtest::CorpusModels()) {
    SCOPED_TRACE(model);
    if (F3dFansConcavePolygons(model)) continue;
    const std::string path = kvtest::corpus_file(model);
    kvrender::Picture ours;
    kvrender::ViewCamera cam;
    std::string why;
    ASSERT_TRUE(rendertest::RenderModel(path, rendertest::CompareOptions(kW, kH), &ours, &cam, &why)) << why;
    kvtest::RgbaPicture theirs;
    std::string log;
    if (!kvtest::RenderWithF3d(path, rendertest::ViewOf(cam, kW, kH), &theirs, &log)) {
      std::printf("%-36s f3d draws no picture (%s)\n", model, log.substr(0, 60).c_str());
      continue;
    }
    rendertest::KeepPictures(model, ours, theirs);
    const kvtest::Mask a = kvtest::AlphaMask(rendertest::AsTestPicture(ours));
    const kvtest::Mask b = kvtest::AlphaMask(theirs);
    if (a.count() == 0 && b.count() == 0) {
      std::printf("%-36s neither draws a pixel (nothing of any area)\n", model);
      continue;
    }
    const double iou = kvtest::IoU(a, b);
    std::printf("%-36s IoU %.4f (%ld / %ld pixels)\n", model, iou, a.count(), b.count());
    EXPECT_GE(iou, 0.95);
    EXPECT_GT(a.count(), 0);
    ++compared;
  }
  EXPECT_GE(compared, 10);
}

}  // namespace
