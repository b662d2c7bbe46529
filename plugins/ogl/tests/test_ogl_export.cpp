// OpenGL source export through the built plug-in: the text of both files,
// strict C and C++ compilers, and a viewer that draws them offscreen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "ogl_build.h"
#include "plugin_test_support.h"
#include "test_scenes.h"
#include "test_support.h"

namespace {

int OglClass() { return kvtest::FindClass("OpenGL (*.cpp)", 0x2001); }

class OglExport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(OglClass(), 0) << "export_ogl.so not found in " << kvtest::bin_dir(); }
  void TearDown() override { delete scene; }
  // Exports to dir/<name> and returns the path of the source file written.
  std::string Write(std::vector<std::string> options = {}, const std::string& name = "model.cpp") {
    options.push_back("-ld_mode=1");
    kvtest::UseCommandLine(options);
    std::string written;
    EXPECT_EQ(kvtest::ExportWith(OglClass(), scene, dir.file(name), &written), 1);
    return written;
  }
  static std::vector<std::string> Lines(const std::string& path) { return kvtest::read_lines(path); }
  static bool Has(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(OglExport, SceneFilesWithTheirTablesCompileAsCAndCpp) {
  scene = kvtest::BoxesScene();
  const std::string src = Write();
  EXPECT_EQ(src, dir.file("scene.cpp"));  // the host is told the real name
  const std::vector<std::string> s = Lines(src), h = Lines(dir.file("scene.h"));
  ASSERT_GT(s.size(), 10u);
  EXPECT_EQ(s[0], "/*");
  EXPECT_EQ(s[2].rfind("\tCreated by OpenGL Export Plugin 1.0 at ", 0), 0u);
  EXPECT_EQ(s[3], "\tOpenGL-Structure ");
  EXPECT_EQ(s[6], "#include \"scene.h\"");
  EXPECT_TRUE(Has(h, "#define SCENE_NAME \"boxes.raw\""));
  // Two of the three lights are point or spot lights.
  EXPECT_TRUE(Has(h, "#define MAX_LIGHTS (2)"));
  EXPECT_TRUE(Has(s, "/* SpotLight: spot*/"));
  EXPECT_TRUE(Has(s, "\t{{1.000000f, 1.000000f, 1.000000f},{0.000000f, 0.000000f, 8.000000f},1,"
                     "{0.000000f, 0.000000f, -1.000000f},30.000000f,40.000000f}"));
  EXPECT_TRUE(Has(h, "#define MAX_MATERIALS (3)"));
  EXPECT_TRUE(Has(s, "\t{{0.300000f, 0.300000f, 0.300000f},{0.600000f, 0.000000f, 0.000000f},"
                     "{0.900000f, 0.900000f, 0.900000f},{0.000000f, 0.000000f, 0.000000f},1.000000f,-1},"));
  // The box's red and blue pieces and the cube.
  EXPECT_TRUE(Has(h, "#define MAX_OBJECTS (3)"));
  EXPECT_TRUE(Has(s, "/* Object: box0*/"));
  EXPECT_TRUE(Has(s, "/* Object: box1*/"));
  EXPECT_TRUE(Has(s, "#define DEF_MAT_REF_1 (2)"));
  EXPECT_TRUE(Has(s, "#define MAX_FACE_INDICES_2 (12)"));
  EXPECT_TRUE(Has(s, "float *normals_2 = 0;"));  // the cube has none
  EXPECT_TRUE(Has(s, "\t0, 1, 2 ,-1, -1, -1 ,-1, -1, -1 ,"));
  EXPECT_TRUE(Has(s, "\t{face_indicies_2, MAX_FACE_INDICES_2, verticies_2, MAX_VERTICES_2, 0, MAX_NORMALS_2, 0, "
                     "MAX_TEXTURES_2, DEF_MAT_REF_2 }"));
  EXPECT_TRUE(Has(s, "\t{face_indicies_0, MAX_FACE_INDICES_0, verticies_0, MAX_VERTICES_0, normals_0, MAX_NORMALS_0, "
                     "textures_0, MAX_TEXTURES_0, DEF_MAT_REF_0 },"));
  std::string messages;
  EXPECT_TRUE(ogltest::CompilesStrictly(src, &messages)) << messages;

  // Without the scene name the files take the model's name.
  const std::string own = Write({"-write_scene_name=0"});
  EXPECT_EQ(own, dir.file("model.cpp"));
  EXPECT_TRUE(Has(Lines(own), "#include \"model.h\""));
  EXPECT_TRUE(std::filesystem::exists(dir.file("model.h")));
}

TEST_F(OglExport, ViewerDrawsTheSceneAsTheReferenceDoes) {
  scene = kvtest::BoxesScene();
  const std::string src = Write();
  std::string messages;
  ASSERT_TRUE(ogltest::BuildViewer(src, dir.str(), &messages)) << messages;
  MCamera* cam = static_cast<MCamera*>(scene->cameras->GetAt(0));
  const int w = 320, h = 240;
  const double fov = 40, near_plane = 0.5;
  const ogltest::Picture pic =
      ogltest::Render(dir.str(), kvtest::ToVec(cam->position), kvtest::ToVec(cam->target), fov, w, h, near_plane, 100);
  ASSERT_TRUE(pic.ok) << pic.output;
  EXPECT_EQ(pic.output, "objects 3 lights 2 materials 3 maps 0 scene boxes.raw\n");
  kvtest::PinholeCamera camera = kvtest::SceneCamera(scene, fov, w, h);
  camera.near_plane = near_plane;
  const kvtest::LabelImage want = kvtest::Rasterize(kvtest::SceneTriangles(scene), camera);
  const uint8_t black[3] = {0, 0, 0};
  const double iou = kvtest::IoU(kvtest::MaskOf(pic.rgb, w, h, black), kvtest::MaskOf(want));
  EXPECT_GE(iou, 0.98);
  RecordProperty("iou", std::to_string(iou));
  // Each material's diffuse colour where the scene has it in front.
  long checked[3] = {0, 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int m = want.interior(x, y);
      if (m < 0) continue;
      MSurface* s = static_cast<MSurface*>(scene->surfaces->GetAt(m));
      const uint8_t* px = &pic.rgb[3 * (static_cast<size_t>(y) * w + x)];
      const double k = s->color.diffuse_intensity * 255;
      EXPECT_NEAR(px[0], s->color.diffuse.r * k, 1.0) << x << "," << y;
      EXPECT_NEAR(px[1], s->color.diffuse.g * k, 1.0) << x << "," << y;
      EXPECT_NEAR(px[2], s->color.diffuse.b * k, 1.0) << x << "," << y;
      ++checked[m];
    }
  for (long n : checked) EXPECT_GT(n, 100);
}

TEST_F(OglExport, EmptySceneAndNastyNamesStillCompile) {
  scene = new MScene("/models/what?\?= \"quoted\".raw");
  const std::string empty = Write();
  const std::vector<std::string> s = Lines(empty), h = Lines(dir.file("scene.h"));
  EXPECT_TRUE(Has(h, "#define MAX_OBJECTS (0)"));
  EXPECT_TRUE(Has(h, "extern Object_Def objects[1];"));
  EXPECT_TRUE(Has(h, "extern Light_Def lights[1];"));
  EXPECT_TRUE(Has(s, "Material_Def materials[1] = "));
  std::string messages;
  EXPECT_TRUE(ogltest::CompilesStrictly(empty, &messages)) << messages;
  ASSERT_TRUE(ogltest::BuildViewer(empty, dir.str(), &messages)) << messages;
  const ogltest::Picture pic = ogltest::Render(dir.str(), {5, 5, 5}, {0, 0, 0}, 40, 32, 24, 0.1, 100);
  ASSERT_TRUE(pic.ok) << pic.output;
  EXPECT_EQ(pic.output, "objects 0 lights 0 materials 0 maps 0 scene what?\?= \"quoted\".raw\n");
  delete scene;

  scene = kvtest::BoxesScene();
  const char* nasty = "end */ open /* back\\ quote\" tri?\?/ line\nbreak \xe9/";
  static_cast<MSurface*>(scene->surfaces->GetAt(1))->name[0] = 0;
  msrf_copy_name(static_cast<MSurface*>(scene->surfaces->GetAt(0))->name, nasty);
  MMesh_P* box = kvtest::MeshAt(scene, 0);
  box->set_name(nasty);
  box->surface_refs->Clear();
  box->surface_refs->Append(my_strdup(nasty));
  box->surface_refs->Append(my_strdup("blue"));
  MSurface* blue = static_cast<MSurface*>(scene->surfaces->GetAt(2));
  auto* layer = new MSrf_TextureLayer;
  layer->texture.kind = _2DBITMAP;
  layer->diffuse_color.enabled = 1;
  msrf_copy_name(layer->texture.bitmap.file_name, "maps/it's \"wood\".bmp");
  blue->layers.Add(layer);
  scene->lights->Append(new MLight("*/ light"));
  const std::string src = Write();
  const std::vector<std::string> n = Lines(src);
  EXPECT_TRUE(Has(n, "\t{\"it's \\\"wood\\\".bmp\",0}"));
  EXPECT_TRUE(Has(n, "\t{{0.500000f, 0.500000f, 0.500000f},{0.700000f, 0.700000f, 0.700000f},"
                     "{1.000000f, 1.000000f, 1.000000f},{0.000000f, 0.000000f, 0.000000f},1.000000f,0}"));
  EXPECT_TRUE(ogltest::CompilesStrictly(src, &messages)) << messages;
  ASSERT_TRUE(ogltest::BuildViewer(src, dir.str(), &messages)) << messages;
  const ogltest::Picture pic2 = ogltest::Render(dir.str(), {6, -8, 5}, {1.5, 0, 0}, 40, 32, 24, 0.5, 100);
  ASSERT_TRUE(pic2.ok) << pic2.output;
  EXPECT_EQ(pic2.output, "objects 3 lights 3 materials 3 maps 1 scene boxes.raw\n");
}

TEST_F(OglExport, HiddenMeshesSolidsNumbersAndFailures) {
  scene = kvtest::BoxesScene();
  kvtest::MeshAt(scene, 1)->hidden = 1;
  MSphere* ball = new MSphere("ball");
  ball->hidden = 1;  // solids are written whatever their flag
  ball->surface_refs->Append(my_strdup("green"));
  scene->objects->Append(ball);
  // Digits a six-decimal text would lose, and values no float holds.
  MMesh_P* box = kvtest::MeshAt(scene, 0);
  box->Get_Vertex(0) = MVector3(1e-7, 1e300, -1e-50);
  static_cast<MLight*>(scene->lights->GetAt(0))->position = MVector3(std::nan(""), 0.1, 1.0 / 3);
  const std::string src = Write();
  const std::vector<std::string> s = Lines(src);
  EXPECT_TRUE(Has(s, "/* Object: ball*/"));
  EXPECT_FALSE(Has(s, "/* Object: cube0*/"));
  EXPECT_TRUE(Has(s, "#define DEF_MAT_REF_2 (1)"));
  EXPECT_TRUE(Has(s, "\t1e-07f, 340282346638528859811704183484516925440.000000f, 0.000000f ,"));
  EXPECT_TRUE(Has(s, "\t{{0.900000f, 0.900000f, 0.900000f},{0.000000f, 0.100000f, 0.33333334f},0,"
                     "{0.000000f, 0.000000f, 0.000000f},0.000000f,0.000000f},"));
  std::string messages;
  EXPECT_TRUE(ogltest::CompilesStrictly(src, &messages)) << messages;

  // An output that cannot be made: logged, failed, nothing left behind.
  kvtest::UseCommandLine({"-ld_mode=1", "-ov=1", "-write_scene_name=0"});
  EXPECT_EQ(kvtest::ExportWith(OglClass(), scene, dir.file("none/model.cpp")), 0);
  kvtest::UseCommandLine({"-ld_mode=1", "-ov=1"});
  std::filesystem::create_directory(dir.file("ro"));
  std::filesystem::create_directory(dir.file("ro/scene.h"));  // the header's name is taken by a folder
  EXPECT_EQ(kvtest::ExportWith(OglClass(), scene, dir.file("ro/model.cpp")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("ro/scene.cpp")));
  const std::string log = kvtest::read_file(dir.file("ro/exportogl.log"));
  EXPECT_NE(log.find("Cannot open file " + dir.file("ro/scene.h") + " \n"), std::string::npos) << log;
}

TEST_F(OglExport, LogListsTheOptions) {
  scene = kvtest::BoxesScene();
  Write({"-ov=1", "-write_scene_name=0"});
  const std::string log = kvtest::read_file(dir.file("exportogl.log"));
  EXPECT_EQ(log.rfind("OpenGL Export Plugin 1.0 Oct 22 2000 09:25:27 VC++50\nOptions:\n", 0), 0u) << log;
  EXPECT_NE(log.find("\t write_scene_name: 0\n\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Working on: spot\n"), std::string::npos);
  EXPECT_NE(log.find("Writing " + dir.file("model.cpp") + " finished       \n"), std::string::npos);
}
