// Materials through the exporters and back: maps never under a black
// colour, shininess and transparency kept between OBJ and 3DS.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin_test_support.h"
#include "test_scenes.h"
#include "test_support.h"

namespace {

using kvtest::ExportClass;
using kvtest::ImportClass;
constexpr const char* kObj = kvtest::kObjClass;
constexpr const char* k3dsIn = kvtest::k3dsImportClass;
constexpr const char* k3dsOut = kvtest::k3dsExportClass;

// A box with texture coordinates and one material: a black colour under a
// diffuse map, as many writers leave it.
MScene* BlackUnderMapScene() {
  MScene* s = new MScene("boxes");
  MMesh_P* m = kvtest::BoxMesh("box", MVector3(0, 0, 0), MVector3(1, 2, 3));
  m->surface_refs->Append(my_strdup("painted"));
  s->objects->Append(m);
  MSurface* p = new MSurface("painted");
  p->color.diffuse.Init_RGB(0, 0, 0);
  MSrf_TextureLayer* l = new MSrf_TextureLayer;
  l->enabled = 1;
  l->texture.kind = _2DBITMAP;
  msrf_copy_name(l->texture.bitmap.file_name, "wood.png");
  l->diffuse_color.enabled = 1;
  l->diffuse_color.value = 1.0;
  p->layers.Add(l);
  s->surfaces->Append(p);
  s->maps->AddMap("wood.png");
  s->CalculateBoundingBox();
  return s;
}

bool Black(const MColor& c) { return c.r < 0.01 && c.g < 0.01 && c.b < 0.01; }

std::string FileWithExtension(const std::filesystem::path& dir, const std::string& ext) {
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.path().extension() == ext) return e.path().string();
  return "";
}

class Materials : public ::testing::Test {
 protected:
  // Maps are named, not copied: the test has no image files.
  void SetUp() override { kvtest::UseCommandLine({"-enable_copy=0", "-lwo_version=1", "-d3x_binary=0"}); }
  kvtest::TempDir dir;
};

}  // namespace

TEST_F(Materials, NoExporterPutsAMapUnderBlack) {
  MScene* scene = BlackUnderMapScene();
  struct Case {
    const char* to;
    const char* file;
    const char* back;  // the import class that reads it again
  };
  const Case cases[] = {
      {kObj, "obj/box.obj", kObj},
      {k3dsOut, "3ds/box.3ds", k3dsIn},
      {"LightWave (*.lws)", "lwo/box.lws", "LightWave (*.lwo, *.lws)"},
  };
  for (const Case& c : cases) {
    const std::filesystem::path out = dir.path() / c.file;
    std::filesystem::create_directories(out.parent_path());
    ASSERT_EQ(kvtest::ExportWith(ExportClass(c.to), scene, out.string()), 1) << c.to;
    std::string model = out.string();
    if (std::string(c.to).find("LightWave") != std::string::npos) model = FileWithExtension(out.parent_path(), ".lwo");
    MScene* back = kvtest::ImportWith(ImportClass(c.back), model);
    ASSERT_NE(back, nullptr) << model;
    MSurface* s = back->GetMaterialbyName("painted");
    if (!s && back->surfaces->count > 0) s = static_cast<MSurface*>(back->surfaces->GetAt(0));
    ASSERT_NE(s, nullptr) << model;
    ASSERT_GT(s->layers.Get_Count(), 0) << model << ": the map was lost";
    MColor d = s->color.diffuse;
    d.Init_RGB(d.r * s->color.diffuse_intensity, d.g * s->color.diffuse_intensity, d.b * s->color.diffuse_intensity);
    EXPECT_FALSE(Black(d)) << c.to << " writes its map under black";
    delete back;
  }
  // DirectX: the reader takes a map's colour as black, so the file is read.
  const std::filesystem::path x = dir.path() / "x" / "box.x";
  std::filesystem::create_directories(x.parent_path());
  ASSERT_EQ(kvtest::ExportWith(ExportClass("Direct X (*.x)"), scene, x.string()), 1);
  const std::string text = kvtest::read_file(x.string());
  const size_t material = text.find("Material ");
  ASSERT_NE(material, std::string::npos) << text.substr(0, 400);
  const size_t brace = text.find('{', material);
  EXPECT_EQ(text.compare(text.find_first_not_of(" \t\r\n", brace + 1), 6, "1;1;1;"), 0)
      << text.substr(material, 120);
  // RenderMan: the colour every shader multiplies the map by.
  const std::filesystem::path rib = dir.path() / "rib" / "box.rib";
  std::filesystem::create_directories(rib.parent_path());
  ASSERT_EQ(kvtest::ExportWith(ExportClass("RenderMan (*.rib)"), scene, rib.string()), 1);
  const std::vector<std::string> lines = kvtest::read_lines(rib.string());
  auto color = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Color ", 0) == 0; });
  ASSERT_NE(color, lines.end());
  EXPECT_EQ(color->find("Color 0 0 0"), std::string::npos) << *color;
  delete scene;
}

TEST_F(Materials, ShininessAndTransparencySurviveObjAnd3ds) {
  kvtest::write_file(dir.file("in.mtl"), "newmtl gold\nKd 0.8 0.6 0.1\nNs 96\nd 0.83\nnewmtl clear\nTr 0.25\nNs 8\n");
  kvtest::write_file(dir.file("in.obj"),
                     "mtllib in.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nusemtl gold\nf 1 2 3\nusemtl clear\nf 1 3 4\n");
  auto check = [](MScene* s, const char* where) {
    ASSERT_NE(s, nullptr) << where;
    MSurface* gold = s->GetMaterialbyName("gold");
    MSurface* clear = s->GetMaterialbyName("clear");
    ASSERT_TRUE(gold && clear) << where;
    EXPECT_NEAR(gold->spec.phong_size, 0.48, 1e-9) << where;
    EXPECT_NEAR(gold->opref.surface_opacity, 0.83, 1e-9) << where;
    EXPECT_NEAR(clear->spec.phong_size, 0.04, 1e-9) << where;
    EXPECT_NEAR(clear->opref.surface_opacity, 0.75, 1e-9) << where;
  };
  MScene* obj = kvtest::ImportWith(ImportClass(kObj), dir.file("in.obj"));
  check(obj, "OBJ");
  ASSERT_EQ(kvtest::ExportWith(ExportClass(k3dsOut), obj, dir.file("mid.3ds")), 1);
  MScene* studio = kvtest::ImportWith(ImportClass(k3dsIn), dir.file("mid.3ds"));
  check(studio, "OBJ -> 3DS");
  ASSERT_EQ(kvtest::ExportWith(ExportClass(kObj), studio, dir.file("out.obj")), 1);
  const std::vector<std::string> mtl = kvtest::read_lines(dir.file("out.mtl"));
  auto gold = std::find(mtl.begin(), mtl.end(), "newmtl gold");
  ASSERT_NE(gold, mtl.end());
  ASSERT_LT(gold + 2, mtl.end());
  EXPECT_EQ(gold[1], "\tNs 96");
  EXPECT_EQ(gold[2], "\td 0.83");
  MScene* again = kvtest::ImportWith(ImportClass(kObj), dir.file("out.obj"));
  check(again, "OBJ -> 3DS -> OBJ");
  delete again;
  delete obj;
  delete studio;
}

TEST_F(Materials, MapsLeftOutOf3dsAreNamedToTheUser) {
  KV_REQUIRE_CORPUS();
  MScene* spider = kvtest::ImportWith(ImportClass(kObj), kvtest::corpus_file("obj/spider.obj"));
  ASSERT_NE(spider, nullptr);
  ASSERT_EQ(kvtest::ExportWith(ExportClass(k3dsOut), spider, dir.file("spider.3ds")), 1);
  bool named = false;
  for (const std::string& w : kvtest::Plugins().LastWarnings(ExportClass(k3dsOut)))
    named = named || w.find("map SpiderTex.jpg left out") != std::string::npos;
  EXPECT_TRUE(named) << "no warning names the map the chunk cannot hold";
  delete spider;
}
