// VRML worlds judged by outside readers: view3dscene reads them without a
// warning and its screenshot matches our own projection of the scene; f3d
// reads the 2.0 worlds with the right materials.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "render_check.h"
#include "vrml_test_util.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

class VrmlRender : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_GE(vrmltest::VrmlExport(), 0) << "export_vrml.so not found in " << kvtest::bin_dir();
    if (!kvtest::HaveProgram("view3dscene") || !kvtest::HaveProgram("xvfb-run"))
      GTEST_SKIP() << "view3dscene or xvfb-run not installed (scripts/install-deps.sh)";
  }
  // Writes the scene as VRML 1.0 or 2.0 (the parameter) and screenshots it.
  kvtest::ViewerRun Shoot(MScene* scene, const std::string& base, std::vector<std::string> options = {}) {
    options.push_back("-use_vrml20=" + std::to_string(GetParam()));
    options.push_back("-ld_mode=1");
    int r = 0;
    vrmltest::Export(scene, dir.file(base + ".wrl"), options, &r);
    EXPECT_EQ(r, 1);
    return kvtest::RunView3dscene(dir.file(base + ".wrl"), dir.file(base + ".png"), kWidth, kHeight, dir.str());
  }
  kvtest::TempDir dir;
};

}  // namespace

TEST_P(VrmlRender, TestSceneSilhouetteMaterialsAndWinding) {
  MScene* scene = kvtest::NewRenderScene(dir.file("render.raw"));
  kvtest::ViewerRun v = Shoot(scene, "scene");
  EXPECT_TRUE(v.warnings.empty()) << Joined(v.warnings);
  std::vector<MVector3> palette = kvtest::SurfaceColours(scene);
  kvtest::RenderScore s = kvtest::ScoreRender(dir.file("scene.png"), scene, true, &palette);
  EXPECT_GE(s.iou, 0.95) << s.Text() << "\n" << v.log;
  EXPECT_GE(s.materials, 0.95) << s.Text();
  EXPECT_GE(s.worst_material, 0.9) << s.Text();

  // The same comparison sees the faults it is there for: the picture does
  // not match a mirrored scene, reversed faces or swapped materials.
  kvtest::Image img;
  ASSERT_TRUE(kvtest::ReadImage(dir.file("scene.png"), &img));
  kvtest::Mask got = kvtest::AlphaMask(img);
  std::vector<int> seen = kvtest::ClassifyColours(img, got, palette);
  std::vector<kvtest::Triangle> tris = kvtest::SceneTriangles(scene);
  kvtest::ViewCamera cam = kvtest::ExportedView(scene);
  std::vector<kvtest::Triangle> mirrored = tris, reversed = tris, swapped = tris;
  for (auto& t : mirrored) t.a.x = -t.a.x, t.b.x = -t.b.x, t.c.x = -t.c.x, std::swap(t.b, t.c);
  for (auto& t : reversed) std::swap(t.b, t.c);
  for (auto& t : swapped) t.label = t.label == 0 ? 2 : (t.label == 2 ? 0 : t.label);
  cam.position.x = -cam.position.x;
  cam.target.x = -cam.target.x;
  EXPECT_LT(kvtest::WorstMaterialIoU(kvtest::MaterialImage(mirrored, cam, img.width, img.height, true), seen), 0.5);
  cam = kvtest::ExportedView(scene);
  EXPECT_LT(kvtest::WorstMaterialIoU(kvtest::MaterialImage(reversed, cam, img.width, img.height, true), seen), 0.5);
  EXPECT_LT(kvtest::WorstMaterialIoU(kvtest::MaterialImage(swapped, cam, img.width, img.height, true), seen), 0.5);
  delete scene;
}

TEST_P(VrmlRender, WorldWithoutMaterialsCamerasOrGlobalsStillReads) {
  MScene* scene = kvtest::NewRenderScene(dir.file("render.raw"));
  kvtest::ViewerRun v = Shoot(scene, "bare", {"-export_materials=0", "-export_global_setting=0", "-export_lights=0"});
  EXPECT_TRUE(v.warnings.empty()) << Joined(v.warnings);
  EXPECT_GE(kvtest::ScoreRender(dir.file("bare.png"), scene, true, nullptr).iou, 0.95);
  delete scene;
}

INSTANTIATE_TEST_SUITE_P(Versions, VrmlRender, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? std::string("Vrml20") : std::string("Vrml10"); });

// ---- the corpus --------------------------------------------------------

namespace {

class VrmlCorpus : public ::testing::TestWithParam<kvtest::CorpusCase> {};

}  // namespace

TEST_P(VrmlCorpus, View3dsceneReadsItWithoutWarningsAndItsSilhouetteMatches) {
  KV_REQUIRE_CORPUS();
  ASSERT_GE(vrmltest::VrmlExport(), 0);
  if (!kvtest::HaveProgram("view3dscene") || !kvtest::HaveProgram("xvfb-run"))
    GTEST_SKIP() << "view3dscene or xvfb-run not installed (scripts/install-deps.sh)";
  const std::string model = kvtest::corpus_file(GetParam().model);
  MScene* scene = kvtest::ImportModel(model);
  ASSERT_NE(scene, nullptr);
  kvtest::TempDir dir;
  int r = 0;
  // Maps are copied beside the world, where the viewer looks for them.
  vrmltest::Export(scene, dir.file("model.wrl"),
                   {"-use_vrml20=" + std::to_string(GetParam().variant), "-ld_mode=1", "-enable_copy=1"}, &r);
  ASSERT_EQ(r, 1);
  kvtest::ViewerRun v =
      kvtest::RunView3dscene(dir.file("model.wrl"), dir.file("model.png"), kWidth, kHeight, dir.str());
  // A map the model names but its author never shipped is the viewer's only
  // complaint allowed.
  std::vector<std::string> warnings = kvtest::WithoutMentionOf(v.warnings, kvtest::MissingMaps(scene));
  EXPECT_TRUE(warnings.empty()) << Joined(warnings);
  kvtest::RenderScore s = kvtest::ScoreRender(dir.file("model.png"), scene, true, nullptr);
  EXPECT_GE(s.iou, 0.95) << s.Text();
  // Not a picture full of model, which any camera would match. (Some
  // models show the camera only back faces, which solid shapes cull.)
  EXPECT_LT(s.covered, 0.995) << s.Text();
  RecordProperty("score", s.Text());
  delete scene;
}

INSTANTIATE_TEST_SUITE_P(Models, VrmlCorpus, ::testing::ValuesIn(kvtest::CorpusCases({{0, "Vrml10"}, {1, "Vrml20"}})),
                         [](const auto& info) { return kvtest::CorpusCaseName(info.param); });

// ---- f3d ---------------------------------------------------------------

namespace {

class VrmlF3d : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(vrmltest::VrmlExport(), 0);
    if (!kvtest::HaveProgram("f3d") || !kvtest::HaveProgram("xvfb-run"))
      GTEST_SKIP() << "f3d or xvfb-run not installed (scripts/install-deps.sh)";
  }
  kvtest::TempDir dir;
};

}  // namespace

TEST_F(VrmlF3d, ReadsTheVrml20WorldWithItsMaterials) {
  MScene* scene = kvtest::NewRenderScene(dir.file("render.raw"));
  int r = 0;
  vrmltest::Export(scene, dir.file("scene.wrl"), {"-ld_mode=1"}, &r);
  ASSERT_EQ(r, 1);
  kvtest::ProgramRun run = kvtest::RunF3d(dir.file("scene.wrl"), dir.file("f3d.png"), kWidth, kHeight,
                                          kvtest::ExportedView(scene), dir.str());
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<MVector3> palette = kvtest::SurfaceColours(scene);
  kvtest::RenderScore s = kvtest::ScoreRender(dir.file("f3d.png"), scene, false, &palette);
  EXPECT_GE(s.iou, 0.95) << s.Text();
  EXPECT_GE(s.materials, 0.95) << s.Text();
  EXPECT_GE(s.worst_material, 0.9) << s.Text();
  delete scene;
}

TEST_F(VrmlF3d, ReadsTheCorpusAsVrml20) {
  KV_REQUIRE_CORPUS();
  for (const char* m : kvtest::CorpusModels()) {
    const std::string model = kvtest::corpus_file(m);
    MScene* scene = kvtest::ImportModel(model);
    ASSERT_NE(scene, nullptr) << m;
    kvtest::TempDir out;
    int r = 0;
    // f3d looks from the scene's own camera: the file keeps the scene's axes.
    vrmltest::Export(scene, out.file("model.wrl"), {"-ld_mode=1", "-enable_copy=1", "-keep_axes=1"}, &r);
    ASSERT_EQ(r, 1) << m;
    kvtest::ProgramRun run = kvtest::RunF3d(out.file("model.wrl"), out.file("f3d.png"), kWidth, kHeight,
                                            kvtest::ExportedView(scene), out.str());
    EXPECT_EQ(run.status, 0) << m << "\n" << run.output;
    kvtest::RenderScore s = kvtest::ScoreRender(out.file("f3d.png"), scene, false, nullptr);
    EXPECT_GE(s.iou, 0.95) << m << ": " << s.Text();
    delete scene;
  }
}
