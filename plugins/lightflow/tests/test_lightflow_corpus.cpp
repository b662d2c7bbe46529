// Real models through the Lightflow export: scripts that compile, run
// against the stub and build what the scene shows.
#include <gtest/gtest.h>

#include <string>

#include "lightflow_stub.h"
#include "plugin_test_support.h"
#include "test_scenes.h"
#include "test_support.h"

TEST(LightflowCorpus, EveryModelGivesAScriptThatBuildsTheScene) {
  KV_REQUIRE_CORPUS();
  const int ltw = kvtest::FindClass("Lightflow (*.py)", 0x2001);
  ASSERT_GE(ltw, 0);
  for (const char* model : kvtest::CorpusModels()) {
    SCOPED_TRACE(model);
    kvtest::TempDir dir;
    const std::string path = kvtest::corpus_file(model);
    MScene* scene = kvtest::ImportModel(path);
    ASSERT_NE(scene, nullptr);
    kvtest::UseCommandLine({"-ld_mode=0"});  // DOS line ends, as by default
    ASSERT_EQ(kvtest::ExportWith(ltw, scene, dir.file("model.py")), 1);
    const ltwtest::Record rec = ltwtest::RunScript(dir.file("model.py"));
    ASSERT_TRUE(rec.ran) << rec.output;
    EXPECT_EQ(rec.renders, 1);
    const kvtest::PinholeCamera cam = kvtest::SceneCamera(scene, 40, 240, 180);
    const kvtest::Mask want = kvtest::MaskOf(kvtest::Rasterize(kvtest::SceneTriangles(scene), cam));
    const kvtest::Mask got = kvtest::MaskOf(kvtest::Rasterize(rec.triangles, cam));
    EXPECT_GE(kvtest::IoU(got, want), 0.98) << want.count() << " pixels";
    delete scene;
  }
}
