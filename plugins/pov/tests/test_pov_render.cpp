// POV-Ray scenes judged by POV-Ray 3.7 itself: every file set parses, and
// the rendered silhouette and materials match our own projection.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pov_test_util.h"
#include "render_check.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

bool HavePovray() { return kvtest::HaveProgram("povray"); }

// Exports and renders; the parse errors are checked here.
kvtest::ProgramRun Render(MScene* scene, const kvtest::TempDir& dir, const std::string& base,
                          const std::vector<std::string>& options) {
  EXPECT_EQ(povtest::Export(scene, dir.str(), base, options), 1);
  kvtest::ProgramRun run = kvtest::RunPovray(dir.file(base + ".pov"), dir.file(base + ".png"), kWidth, kHeight);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(kvtest::PovrayParseErrors(run.output).empty()) << Joined(kvtest::PovrayParseErrors(run.output));
  return run;
}

class PovRender : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_GE(povtest::PovExport(), 0) << "export_pov.so not found in " << kvtest::bin_dir();
    if (!HavePovray()) GTEST_SKIP() << "povray not installed (scripts/install-deps.sh)";
    scene = kvtest::NewRenderScene(dir.file("render.raw"));
  }
  void TearDown() override { delete scene; }
  std::vector<std::string> Options(std::vector<std::string> more = {}) {
    more.push_back("-pov_version=" + std::to_string(GetParam()));
    return more;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_P(PovRender, TestSceneSilhouetteAndMaterials) {
  Render(scene, dir, "scene", Options());
  std::vector<MVector3> palette = kvtest::SurfaceColours(scene);
  // POV-Ray draws both sides of a triangle: no culling in the reference.
  kvtest::RenderScore s = kvtest::ScoreRender(dir.file("scene.png"), scene, false, &palette);
  EXPECT_GE(s.iou, 0.98) << s.Text();
  EXPECT_GE(s.materials, 0.95) << s.Text();
  EXPECT_GE(s.worst_material, 0.9) << s.Text();

  // The comparison sees a mirrored picture and swapped materials.
  kvtest::Image img;
  ASSERT_TRUE(kvtest::ReadImage(dir.file("scene.png"), &img));
  std::vector<int> seen = kvtest::ClassifyColours(img, kvtest::AlphaMask(img), palette);
  std::vector<kvtest::Triangle> mirrored = kvtest::SceneTriangles(scene), swapped = mirrored;
  for (auto& t : mirrored) t.a.x = -t.a.x, t.b.x = -t.b.x, t.c.x = -t.c.x;
  for (auto& t : swapped) t.label = t.label == 0 ? 2 : (t.label == 2 ? 0 : t.label);
  kvtest::ViewCamera cam = kvtest::ExportedView(scene);
  EXPECT_LT(kvtest::WorstMaterialIoU(kvtest::MaterialImage(swapped, cam, img.width, img.height, false), seen), 0.5);
  cam.position.x = -cam.position.x;
  cam.target.x = -cam.target.x;
  EXPECT_LT(kvtest::WorstMaterialIoU(kvtest::MaterialImage(mirrored, cam, img.width, img.height, false), seen), 0.5);
}

TEST_P(PovRender, EveryOptionSetStillParses) {
  const std::vector<std::vector<std::string>> sets = {
      {"-export_materials=0"}, {"-export_global_setting=0", "-export_lights=0"},
      {"-export_cameras=0"},   {"-export_meshes=0"},
      {"-use_udo=1"},
  };
  int k = 0;
  for (const auto& set : sets) {
    const std::string base = "set" + std::to_string(k++);
    Render(scene, dir, base, Options(set));
    if (set[0] == "-export_materials=0" || set[0] == "-use_udo=1") {
      EXPECT_GE(kvtest::ScoreRender(dir.file(base + ".png"), scene, false, nullptr).iou, 0.98) << set[0];
    }
  }
}

TEST_P(PovRender, SolidsLightsAndBackdrop) {
  MSphere* ball = new MSphere("ball");
  ball->Set_Radius(0.6);
  ball->Set_Segment(96);
  ball->surface_refs->Append(my_strdup("part"));
  MMatrix m(1);
  m.Translate(MVector3(-1.8, 0, 0.5));
  ball->transformation.Set_LocalMatrix(m);
  scene->objects->Append(ball);
  MCylinder* rod = new MCylinder("rod");
  rod->Set_Len(1.5);
  rod->Set_Radius(0.2);
  rod->Set_Segment_R(96);
  rod->surface_refs->Append(my_strdup("back"));
  MMatrix r(1);
  r.Translate(MVector3(0, -1.5, 1.2));
  rod->transformation.Set_LocalMatrix(r);
  scene->objects->Append(rod);
  for (int type : {SPOTLIGHT, DIRECTIONALLIGHT, AREALIGHT}) {
    MLight* l = new MLight("extra");
    l->type = type;
    l->position = MVector3(1, -8, 6);
    scene->lights->Append(l);
  }
  scene->fog.enabled = 1;
  Render(scene, dir, "solids", Options({"-export_atmosphere=0"}));
  kvtest::RenderScore s = kvtest::ScoreRender(dir.file("solids.png"), scene, false, nullptr);
  EXPECT_GE(s.iou, 0.98) << s.Text();
  // Fog and a backdrop behind everything parse as well.
  scene->background.type = BCKG_GRADIENT;
  Render(scene, dir, "backdrop", Options());
  scene->background.type = BCKG_TEXTURE;
  scene->background.texture.kind = _2DBITMAP;
  Render(scene, dir, "bitmap", Options());
}

INSTANTIATE_TEST_SUITE_P(Forms, PovRender, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? std::string("Triangles") : std::string("Mesh2"); });

// ---- the corpus --------------------------------------------------------

namespace {

class PovCorpus : public ::testing::TestWithParam<kvtest::CorpusCase> {};

}  // namespace

TEST_P(PovCorpus, PovRayRendersItAndItsSilhouetteMatches) {
  KV_REQUIRE_CORPUS();
  ASSERT_GE(povtest::PovExport(), 0);
  if (!HavePovray()) GTEST_SKIP() << "povray not installed (scripts/install-deps.sh)";
  const std::string model = kvtest::corpus_file(GetParam().model);
  MScene* scene = kvtest::ImportModel(model);
  ASSERT_NE(scene, nullptr);
  kvtest::TempDir dir;
  // Maps are copied beside the scene, where POV-Ray looks for them.
  Render(scene, dir, "model", {"-enable_copy=1", "-pov_version=" + std::to_string(GetParam().variant)});
  // A background or fog covers the whole picture; the silhouette is
  // rendered without them.
  const bool backdrop = scene->background.type != BCKG_NO || scene->fog.enabled;
  if (backdrop)
    Render(scene, dir, "model",
           {"-enable_copy=1", "-export_back_ground=0", "-export_atmosphere=0",
            "-pov_version=" + std::to_string(GetParam().variant)});
  kvtest::RenderScore s = kvtest::ScoreRender(dir.file("model.png"), scene, false, nullptr);
  EXPECT_GE(s.iou, 0.98) << s.Text();
  EXPECT_LT(s.covered, 0.995) << s.Text();
  RecordProperty("score", s.Text() + (backdrop ? " (without its background)" : ""));
  delete scene;
}

INSTANTIATE_TEST_SUITE_P(Models, PovCorpus, ::testing::ValuesIn(kvtest::CorpusCases({{0, "Mesh2"}, {1, "Triangles"}})),
                         [](const auto& info) { return kvtest::CorpusCaseName(info.param); });
