// Textured models converted by us, opened in f3d: their maps must show as
// the source's do (no black textures, nothing lost), judged by the mean
// colour of the model's pixels from one camera.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "plugin_test_support.h"
#include "render_test_support.h"
#include "test_support.h"

namespace {

constexpr int kW = 320, kH = 240;

struct Case {
  const char* model;
  const char* to;  // extension of the conversion
};

// f3d reads the maps of OBJ files only; a 3DS source is judged against our
// own picture of it (its silhouettes agree with f3d's, see
// test_render_f3d.cpp), which lights a little differently: a wider margin.
constexpr double kSameReader = 25, kOwnReference = 45;

TEST(ConvertedInF3d, TexturedModelsShowTheirMaps) {
  KV_REQUIRE_CORPUS();
  KV_REQUIRE_F3D();
  if (!kvrender::Available()) GTEST_SKIP() << "renderer built without OSMesa";
  const Case cases[] = {{"3ds/jeep1.3ds", "obj"},       {"3ds/test1.3ds", "obj"},
                        {"3ds/cube_with_diffuse_texture.3DS", "obj"}, {"3ds/mar_rifle.3ds", "obj"},
                        {"obj/spider.obj", "obj"},      {"obj/spider.obj", "3ds"}};
  // The pictures come from one camera in the source's frame, so the
  // conversions keep the stored axes; the axis turn has tests of its own.
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " -> " + c.to);
    const std::string src = kvtest::corpus_file(c.model);
    kvtest::TempDir dir;
    const std::string out = dir.file(std::string("model.") + c.to);
    std::string log;
    ASSERT_EQ(kvtest::run_command((kvtest::bin_dir() / "korvane-cli").string() + " convert '" + src + "' '" + out +
                                      "' -enable_copy=1 -keep_axes=1",
                                  &log),
              0)
        << log;

    const kvrender::RenderOptions o = rendertest::CompareOptions(kW, kH);
    kvrender::Picture own;
    kvrender::ViewCamera cam;
    std::string why;
    ASSERT_TRUE(rendertest::RenderModel(src, o, &own, &cam, &why)) << why;
    const kvtest::ViewSpec view = rendertest::ViewOf(cam, kW, kH);

    kvtest::RgbaPicture converted;
    ASSERT_TRUE(kvtest::RenderWithF3d(out, view, &converted, &log)) << log;
    if (std::string(c.to) == "3ds") {
      // f3d shows no maps of 3DS files: only what it draws is compared;
      // the maps' colours through our reading of the file are printed.
      MScene* back = kvtest::ImportModel(out);
      ASSERT_NE(back, nullptr);
      kvrender::Picture again;
      ASSERT_TRUE(kvrender::RenderSceneFrom(back, o, cam, &again, &why)) << why;
      delete back;
      const kvtest::RgbaPicture ours_again = rendertest::AsTestPicture(again), ours_src = rendertest::AsTestPicture(own);
      std::printf("%-36s -> 3ds: ours of the conversion %s, of the source %s; f3d IoU %.3f\n", c.model,
                  kvtest::MeanText(kvtest::ColoursOf(ours_again, kvtest::AlphaMask(ours_again))).c_str(),
                  kvtest::MeanText(kvtest::ColoursOf(ours_src, kvtest::AlphaMask(ours_src))).c_str(),
                  kvtest::IoU(kvtest::AlphaMask(converted), kvtest::AlphaMask(ours_src)));
      EXPECT_GE(kvtest::IoU(kvtest::AlphaMask(converted), kvtest::AlphaMask(ours_src)), 0.95);
      continue;
    }
    kvtest::RgbaPicture reference;
    const bool f3d_reads_maps = std::string(c.model).find(".obj") != std::string::npos;
    bool same_reader = f3d_reads_maps && kvtest::RenderWithF3d(src, view, &reference, &log);
    if (!same_reader) reference = rendertest::AsTestPicture(own);

    const kvtest::Mask mask = kvtest::AlphaMask(converted);
    const kvtest::ColourStats got = kvtest::ColoursOf(converted, mask);
    const kvtest::ColourStats want = kvtest::ColoursOf(reference, kvtest::AlphaMask(reference));
    const double d = kvtest::MeanColourDistance(got, want);
    std::printf("%-36s -> %s: f3d mean %s, %s %s: distance %.1f, histogram %.2f, IoU %.3f\n", c.model, c.to,
                kvtest::MeanText(got).c_str(), same_reader ? "f3d of the source" : "ours of the source",
                kvtest::MeanText(want).c_str(), d, kvtest::HistogramDistance(got, want),
                kvtest::IoU(mask, kvtest::AlphaMask(reference)));
    EXPECT_LE(d, same_reader ? kSameReader : kOwnReference);
    EXPECT_GE(kvtest::IoU(mask, kvtest::AlphaMask(reference)), 0.95);
  }
}

}  // namespace
