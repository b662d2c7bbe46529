// Real models through the OpenGL source export: compiled strictly, drawn
// offscreen, compared with the scene's own silhouette.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ogl_build.h"
#include "plugin_test_support.h"
#include "test_scenes.h"
#include "test_support.h"

TEST(OglCorpus, EveryModelCompilesAndDrawsItsSilhouette) {
  KV_REQUIRE_CORPUS();
  const int ogl = kvtest::FindClass("OpenGL (*.cpp)", 0x2001);
  ASSERT_GE(ogl, 0);
  for (const char* model : kvtest::CorpusModels()) {
    SCOPED_TRACE(model);
    kvtest::TempDir dir;
    const std::string path = kvtest::corpus_file(model);
    MScene* scene = kvtest::ImportModel(path);
    ASSERT_NE(scene, nullptr);
    kvtest::UseCommandLine({"-ld_mode=1"});
    std::string src;
    ASSERT_EQ(kvtest::ExportWith(ogl, scene, dir.file("model.cpp"), &src), 1);
    std::string messages;
    EXPECT_TRUE(ogltest::CompilesStrictly(src, &messages)) << messages;
    ASSERT_TRUE(ogltest::BuildViewer(src, dir.str(), &messages)) << messages;
    const kvtest::PinholeCamera camera = kvtest::SceneCamera(scene, 40, 240, 180);
    MCamera* cam = m_active_camera(scene);
    ASSERT_NE(cam, nullptr);
    const double reach = (cam->target - cam->position).Length() + (scene->GetBoundRight() - scene->GetBoundLeft()).Length();
    kvtest::PinholeCamera near_camera = camera;
    near_camera.near_plane = reach * 1e-3;
    const ogltest::Picture pic = ogltest::Render(dir.str(), kvtest::ToVec(cam->position), kvtest::ToVec(cam->target), 40,
                                                 240, 180, near_camera.near_plane, reach * 10);
    ASSERT_TRUE(pic.ok) << pic.output;
    const kvtest::Mask want = kvtest::MaskOf(kvtest::Rasterize(kvtest::SceneTriangles(scene), near_camera));
    const uint8_t black[3] = {0, 0, 0};
    EXPECT_GE(kvtest::IoU(kvtest::MaskOf(pic.rgb, 240, 180, black), want), 0.98) << want.count() << " pixels";
    delete scene;
  }
}
