// Real models through the RenderMan export: well-formed files that show what
// the scene shows.
#include <gtest/gtest.h>

#include <string>

#include "plugin_test_support.h"
#include "rib_checker.h"
#include "test_scenes.h"
#include "test_support.h"

TEST(RibCorpus, EveryModelGivesAWellFormedFileThatShowsTheScene) {
  KV_REQUIRE_CORPUS();
  const int rib = kvtest::FindClass("RenderMan (*.rib)", 0x2001);
  ASSERT_GE(rib, 0);
  kvtest::TempDir dir;
  for (const char* model : kvtest::CorpusModels()) {
    SCOPED_TRACE(model);
    const std::string path = kvtest::corpus_file(model);
    MScene* scene = kvtest::ImportModel(path);
    ASSERT_NE(scene, nullptr);
    // DOS line ends, as by default; the reference pictures show the scene in
    // its own axes.
    kvtest::UseCommandLine({"-ld_mode=0", "-keep_axes=1"});
    ASSERT_EQ(kvtest::ExportWith(rib, scene, dir.file("model.rib")), 1);
    const std::string text = kvtest::read_file(dir.file("model.rib"));
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
      ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "a line without CR LF at byte " << at;
    const ribtest::RibScene file = ribtest::CheckRib(text);
    for (const std::string& e : file.errors) ADD_FAILURE() << e;
    const std::vector<kvtest::Triangle> triangles = kvtest::SceneTriangles(scene);
    EXPECT_GT(file.triangles.size(), 0u);
    const kvtest::Mask want =
        kvtest::MaskOf(kvtest::Rasterize(triangles, kvtest::SceneCamera(scene, file.fov, 320, 240)));
    const kvtest::Mask got = kvtest::MaskOf(kvtest::Rasterize(file.triangles, ribtest::CameraOf(file, 320, 240)));
    EXPECT_GE(kvtest::IoU(got, want), 0.95) << want.count() << " pixels in the scene's silhouette";
    delete scene;
  }
}
