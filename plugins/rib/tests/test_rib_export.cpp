// RenderMan export through the built plug-in: the file's text, checked by the
// structural checker, and what a renderer would show of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin_test_support.h"
#include "rib_checker.h"
#include "test_scenes.h"
#include "test_support.h"

namespace {

int RibClass() { return kvtest::FindClass("RenderMan (*.rib)", 0x2001); }

class RibExport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(RibClass(), 0) << "export_rib.so not found in " << kvtest::bin_dir(); }
  void TearDown() override { delete scene; }
  // The file written with these options (UNIX line ends).
  std::string Write(std::vector<std::string> options = {}, const std::string& name = "out.rib") {
    options.push_back("-ld_mode=1");
    kvtest::UseCommandLine(options);
    EXPECT_EQ(kvtest::ExportWith(RibClass(), scene, dir.file(name)), 1);
    return kvtest::read_file(dir.file(name));
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
      size_t nl = text.find('\n', at);
      if (nl == std::string::npos) nl = text.size();
      out.push_back(text.substr(at, nl - at));
      at = nl + 1;
    }
    return out;
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
  }
  static long Count(const std::string& text, const std::string& what) {
    long n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

std::string Errors(const ribtest::RibScene& s) {
  std::string out;
  for (const std::string& e : s.errors) out += e + "\n";
  return out;
}

}  // namespace

TEST_F(RibExport, DefaultFileIsStandardBmrtWithColoursAndNoWorldTransform) {
  scene = kvtest::BoxesScene();
  const std::string text = Write();
  const std::vector<std::string> l = Lines(text);
  ASSERT_GT(l.size(), 20u);
  EXPECT_EQ(l[0].rfind("#\t", 0), 0u);
  EXPECT_EQ(l[1].rfind("#\tCreated by RIB Export Plugin 1.0 at ", 0), 0u);
  EXPECT_EQ(l[2], "#\tRenderMan RIB-Structure 1.1:");
  EXPECT_EQ(l[3], "#\tBMRT Compatible");
  EXPECT_EQ(l[7], "version 3.03");
  EXPECT_EQ(l[8], "Format 640 480 1");
  EXPECT_EQ(l[10], "Display \"out.tif\" \"file\" \"rgb\"");
  EXPECT_EQ(Count(text, "MakeTexture"), 0);
  EXPECT_EQ(Count(text, "Imager"), 0);
  EXPECT_EQ(Count(text, "Transform"), 0);
  // Every surface sets its colour, the standard shaders too.
  EXPECT_TRUE(Has(l, "Color [ 1.000000 0.000000 0.000000 ]"));
  EXPECT_TRUE(Has(l, "Color [ 0.000000 1.000000 0.000000 ]"));
  EXPECT_TRUE(Has(l, "Color [ 0.000000 0.000000 1.000000 ]"));
  EXPECT_TRUE(Has(l, "Surface \"plastic\""));
  EXPECT_TRUE(Has(l, "Attribute \"light\" \"shadows\" \"on\""));
  EXPECT_TRUE(Has(l, "LightSource \"ambientlight\" 1"));
  // The point light is 2, the spot 3; the directional light writes nothing.
  EXPECT_TRUE(Has(l, "LightSource \"pointlight\" 2"));
  EXPECT_TRUE(Has(l, "LightSource \"spotlight\" 3"));
  EXPECT_EQ(Count(text, "LightSource"), 3);
  EXPECT_TRUE(Has(l, "\t\"from\" [ 2.000000 6.000000 -3.000000 ]"));  // y and z swapped
  EXPECT_TRUE(Has(l, "\t\"coneangle\" 0.3490658503988659"));        // falloff / 2 in radians
  EXPECT_TRUE(Has(l, "\t\"conedeltaangle\" 0.2617993877991494"));   // hotspot / 2
  EXPECT_TRUE(Has(l, "Attribute \"identifier\" \"name\" \"cube\""));

  const ribtest::RibScene rib = ribtest::CheckRib(text);
  EXPECT_TRUE(rib.errors.empty()) << Errors(rib);
  EXPECT_EQ(rib.requests.at("PointsPolygons"), 3);  // red and blue of the box, the green cube
  EXPECT_EQ(rib.polygons, 6 + 12);
  EXPECT_EQ(rib.points, 24 + 36);  // every corner its own point
  EXPECT_EQ(rib.normals, 24);       // the box has normals, the cube none
  EXPECT_EQ(rib.texture_coordinates, 24);
}

TEST_F(RibExport, ProjectionOfTheWorldMatchesTheScene) {
  scene = kvtest::BoxesScene();
  MCamera* cam = static_cast<MCamera*>(scene->cameras->GetAt(0));
  const ribtest::RibScene rib = ribtest::CheckRib(Write());
  ASSERT_TRUE(rib.errors.empty()) << Errors(rib);
  ASSERT_TRUE(rib.perspective);
  EXPECT_DOUBLE_EQ(rib.fov, cam->fov * 0.75);
  const int w = 320, h = 240;
  const kvtest::LabelImage got = kvtest::Rasterize(rib.triangles, ribtest::CameraOf(rib, w, h));
  const kvtest::LabelImage want = kvtest::Rasterize(kvtest::SceneTriangles(scene), kvtest::SceneCamera(scene, rib.fov, w, h));
  const kvtest::Mask want_mask = kvtest::MaskOf(want);
  ASSERT_GT(want_mask.count(), w * h / 20);
  const double iou = kvtest::IoU(kvtest::MaskOf(got), want_mask);
  EXPECT_GE(iou, 0.95);
  RecordProperty("iou", std::to_string(iou));
  // Each surface's colour where the scene has that surface in front.
  long checked[3] = {0, 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int m = want.interior(x, y);
      if (m < 0 || got.at(x, y) < 0) continue;
      const auto& c = rib.colors[static_cast<size_t>(got.at(x, y))];
      MSurface* s = static_cast<MSurface*>(scene->surfaces->GetAt(m));
      EXPECT_EQ(c[0], s->color.diffuse.r);
      EXPECT_EQ(c[1], s->color.diffuse.g);
      EXPECT_EQ(c[2], s->color.diffuse.b);
      ++checked[m];
    }
  for (long n : checked) EXPECT_GT(n, 100);
}

TEST_F(RibExport, ObjectMatrixBeforeTheAxisSwapAndDigitsKept) {
  // A tiny scene: a box of 1e-3 moved by its matrix, seen from close by.
  scene = new MScene("tiny");
  scene->surfaces->Append(new MSurface("s"));
  MMesh_P* m = kvtest::BoxMesh("tiny", MVector3(0, 0, 0), MVector3(0.001, 0.001, 0.001));
  m->surface_refs->Append(my_strdup("s"));
  MMatrix M(1);
  M.Translate(MVector3(0.0012345, 0.002, 0.003));
  m->transformation.Set_LocalMatrix(M);
  scene->objects->Append(m);
  MCamera* cam = new MCamera("c");
  cam->position = MVector3(0.0054321, -0.004, 0.006);
  cam->target = MVector3(0.0017, 0.0025, 0.0035);
  scene->cameras->Append(cam);
  scene->CalculateBoundingBox();
  const std::string text = Write();
  const std::vector<std::string> l = Lines(text);
  // The corner (0.001, 0, 0.001) moved to (0.0022345, 0.002, 0.004), then
  // written as x, z, y.
  EXPECT_TRUE(Has(l, "\t  0.0022345 0.004000 0.002000 ")) << text;
  EXPECT_TRUE(Has(l, "Translate -0.0054321 -0.006 0.004"));
  const ribtest::RibScene rib = ribtest::CheckRib(text);
  ASSERT_TRUE(rib.errors.empty()) << Errors(rib);
  const kvtest::Mask got = kvtest::MaskOf(kvtest::Rasterize(rib.triangles, ribtest::CameraOf(rib, 160, 120)));
  const kvtest::Mask want =
      kvtest::MaskOf(kvtest::Rasterize(kvtest::SceneTriangles(scene), kvtest::SceneCamera(scene, rib.fov, 160, 120)));
  ASSERT_GT(want.count(), 200);
  EXPECT_GE(kvtest::IoU(got, want), 0.95);
}

TEST_F(RibExport, CameraStraightDownTurnsPitchThenYaw) {
  scene = kvtest::BoxesScene();
  MCamera* cam = static_cast<MCamera*>(scene->cameras->GetAt(0));
  cam->position = MVector3(0, 0, 10);
  cam->target = MVector3(0, 0, 0);
  const std::vector<std::string> l = Lines(Write());
  auto at = std::find(l.begin(), l.end(), "Rotate -90.00 1.00 0.00 0.00");
  ASSERT_NE(at, l.end());
  EXPECT_EQ(*(at + 1), "Rotate 180.00 0.00 1.00 0.00");
  EXPECT_EQ(*(at + 2), "Translate -0.00 -10.00 -0.00");
  // Eye on the target: no rotation, and no text that is not a number.
  cam->target = cam->position;
  const std::string text = Write({}, "same.rib");
  EXPECT_EQ(Count(text, "Rotate"), 0);
  EXPECT_EQ(Count(text, "nan"), 0);
  EXPECT_TRUE(ribtest::CheckRib(text).errors.empty());
}

TEST_F(RibExport, ProgramShadersPrmanMapsBackgroundAndFog) {
  scene = kvtest::BoxesScene();
  MSurface* red = static_cast<MSurface*>(scene->surfaces->GetAt(0));
  auto* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, "maps/wood.bmp");
  layer->diffuse_color.enabled = 1;
  layer->diffuse_color.value = 0.8;
  layer->mask_manipulator.enabled = 1;
  layer->mask_manipulator.value = 0.5;
  layer->mask.kind = _2DBITMAP;
  msrf_copy_name(layer->mask.bitmap.file_name, "mask.tga");
  red->layers.Add(layer);
  scene->maps->AddMap("maps/wood.bmp");
  scene->maps->AddMap("maps/wood.bmp");
  scene->maps->AddMap("mask.tga");
  scene->fog.enabled = 1;
  scene->fog.color = MColor(0.5, 0.5, 0.5);
  scene->fog.far_plane = 100;
  const std::string text = Write({"-std_shader=0", "-bmrt_compatible=0"});
  const std::vector<std::string> l = Lines(text);
  EXPECT_EQ(l[3], "#\tRenderMan Compatible");
  // One texture file per map name, repeats skipped.
  EXPECT_TRUE(Has(l, "MakeTexture \"wood.bmp\" \"wood.tex\" \"clamp\" \"clamp\" \"box\" 1.0 1.0"));
  EXPECT_TRUE(Has(l, "MakeTexture \"mask.tga\" \"mask.tex\" \"clamp\" \"clamp\" \"box\" 1.0 1.0"));
  EXPECT_EQ(Count(text, "MakeTexture"), 2);
  EXPECT_TRUE(Has(l, "Imager \"mbackground\""));
  EXPECT_TRUE(Has(l, "\t\"solidcolor\" [ 0.500000 0.500000 0.500000 ]"));  // the fog colour
  EXPECT_TRUE(Has(l, "Atmosphere \"mfog\""));
  EXPECT_TRUE(Has(l, "\t\"distance\" 30.000000"));
  EXPECT_TRUE(Has(l, "Surface \"sh3dto3d\""));
  EXPECT_TRUE(Has(l, "\t\"texturemap1\" \"wood.tex\""));
  EXPECT_TRUE(Has(l, "\t\"t1_value\" 0.800000"));
  EXPECT_TRUE(Has(l, "\t\"texturemask1\" \"mask.tex\""));
  EXPECT_TRUE(Has(l, "LightSource \"mpointlight\" 2"));
  EXPECT_EQ(Count(text, "Attribute \"light\""), 0);
  const ribtest::RibScene rib = ribtest::CheckRib(text);
  EXPECT_TRUE(rib.errors.empty()) << Errors(rib);

  // The standard shaders paint the map; BMRT keeps its extension.
  const std::string std_text = Write({}, "std.rib");
  const std::vector<std::string> s = Lines(std_text);
  EXPECT_TRUE(Has(s, "Surface \"paintedplastic\""));
  EXPECT_TRUE(Has(s, "\t\"texturename\" \"wood.bmp\""));
  EXPECT_TRUE(Has(s, "Atmosphere \"fog\""));
  EXPECT_EQ(Count(std_text, "Imager"), 0);
  EXPECT_TRUE(ribtest::CheckRib(std_text).errors.empty()) << Errors(ribtest::CheckRib(std_text));
}

TEST_F(RibExport, NamesEscapedUnknownSurfacesHiddenMeshesAndSwitches) {
  scene = kvtest::BoxesScene();
  MMesh_P* box = kvtest::MeshAt(scene, 0);
  box->set_name("say \"hi\"\\\nnow");
  static_cast<char*>(box->surface_refs->GetAt(0))[0] = 'R';  // "Red": no such surface
  MMesh_P* hidden = kvtest::BoxMesh("hidden", MVector3(10, 10, 10), MVector3(11, 11, 11));
  hidden->hidden = 1;
  hidden->surface_refs->Append(my_strdup("green"));
  scene->objects->Append(hidden);
  const std::string text = Write();
  const std::vector<std::string> l = Lines(text);
  EXPECT_TRUE(Has(l, "Attribute \"identifier\" \"name\" \"say \\\"hi\\\"\\\\\\012now\""));
  EXPECT_TRUE(Has(l, "# object say \"hi\"\\ now"));
  EXPECT_TRUE(Has(l, "#Material Red"));
  EXPECT_TRUE(Has(l, "\t\"Kd\" 0.700000"));
  EXPECT_EQ(Count(text, "hidden"), 0);
  const ribtest::RibScene rib = ribtest::CheckRib(text);
  EXPECT_TRUE(rib.errors.empty()) << Errors(rib);

  const std::string bare = Write({"-export_meshes=0", "-export_lights=0", "-export_cameras=0", "-export_global_setting=0"},
                                 "bare.rib");
  EXPECT_EQ(Count(bare, "PointsPolygons"), 0);
  EXPECT_EQ(Count(bare, "LightSource"), 0);
  EXPECT_EQ(Count(bare, "Projection"), 0);
  EXPECT_TRUE(ribtest::CheckRib(bare).errors.empty());
}

TEST_F(RibExport, UnwritableTargetFails) {
  scene = kvtest::BoxesScene();
  kvtest::UseCommandLine({"-ld_mode=1"});
  EXPECT_EQ(kvtest::ExportWith(RibClass(), scene, dir.file("missing/folder/out.rib")), 0);
}

TEST(RibChecker, FindsTheFaultsItLooksFor) {
  const std::string head = "Projection \"perspective\" \"fov\" [40]\nWorldBegin\n";
  auto errors = [&](const std::string& body) { return ribtest::CheckRib(head + body + "WorldEnd\n").errors.size(); };
  EXPECT_EQ(errors("PointsPolygons [3] [0 1 2] \"P\" [0 0 0 1 0 0 0 1 0]\n"), 0u);
  EXPECT_GT(errors("PointsPolygons [3] [0 1 2] \"P\" [0 0 0 1 0 0]\n"), 0u);                       // P short
  EXPECT_GT(errors("PointsPolygons [4] [0 1 2] \"P\" [0 0 0 1 0 0 0 1 0]\n"), 0u);                 // counts
  EXPECT_GT(errors("PointsPolygons [3] [0 1 2] \"P\" [0 0 0 1 0 0 0 1 0] \"st\" [0 0 1 1]\n"), 0u);  // st short
  EXPECT_GT(errors("AttributeBegin\n"), 0u);
  EXPECT_GT(errors("AttributeEnd\n"), 0u);
  EXPECT_GT(errors("Surface \"plastic\" \"Kd\" [1 2]\n"), 0u);
  EXPECT_GT(errors("Surface \"plastic\" \"specularColor\" [1 1 1]\n"), 0u);
  EXPECT_GT(errors("Surface \"mine\" \"foo\" 1\n"), 0u);
  EXPECT_EQ(errors("Declare \"foo\" \"float\"\nSurface \"mine\" \"foo\" 1\n"), 0u);
  EXPECT_GT(errors("Attribute \"identifier\" \"name\" \"open\n"), 0u);
  EXPECT_GT(errors("Rotate 1 2 3\n"), 0u);
  EXPECT_GT(errors("Color [ 1 1 ]\n"), 0u);
  EXPECT_GT(errors("Frobnicate 1\n"), 0u);
}

TEST_F(RibExport, ConcavePolygonsGoAsTriangles) {
  scene = new MScene("l");
  scene->surfaces->Append(new MSurface("s"));
  MMesh_P* m = new MMesh_P("ell");
  const double corners[6][2] = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
  MIPolygon f;
  for (const auto& c : corners) f.Add(m->Add_Vertex(MVector3(c[0], c[1], 0), -1.0));
  f.Set_MatId(0);
  m->Add_Face(f);
  m->surface_refs->Append(my_strdup("s"));
  scene->objects->Append(m);
  MCamera* cam = new MCamera("c");
  cam->position = MVector3(1, -1, 6);
  cam->target = MVector3(1, 1, 0);
  scene->cameras->Append(cam);
  scene->CalculateBoundingBox();
  const ribtest::RibScene rib = ribtest::CheckRib(Write());
  ASSERT_TRUE(rib.errors.empty()) << Errors(rib);
  EXPECT_EQ(rib.polygons, 4);
  EXPECT_EQ(rib.points, 12);
  const kvtest::Mask got = kvtest::MaskOf(kvtest::Rasterize(rib.triangles, ribtest::CameraOf(rib, 160, 120)));
  const kvtest::Mask want =
      kvtest::MaskOf(kvtest::Rasterize(kvtest::SceneTriangles(scene), kvtest::SceneCamera(scene, rib.fov, 160, 120)));
  EXPECT_GE(kvtest::IoU(got, want), 0.95);
}

TEST_F(RibExport, LogListsTheOptionsAndMapsAreCopied) {
  scene = kvtest::BoxesScene();
  std::filesystem::create_directories(dir.file("maps"));
  std::filesystem::create_directories(dir.file("out"));
  kvtest::write_file(dir.file("maps/wood.bmp"), "BM");
  scene->maps->AddSearchPath(dir.file("maps").c_str());
  scene->maps->AddMap("wood.bmp");
  kvtest::UseCommandLine({"-ld_mode=1", "-ov=1", "-enable_copy=1", "-std_shader=0"});
  ASSERT_EQ(kvtest::ExportWith(RibClass(), scene, dir.file("out/model.rib")), 1);
  EXPECT_EQ(kvtest::read_file(dir.file("out/wood.bmp")), "BM");
  const std::string log = kvtest::read_file(dir.file("out/exportrib.log"));
  EXPECT_EQ(log.rfind("RIB Export Plugin 1.0 Oct 22 2000 09:25:54 VC++50\nOptions:\n", 0), 0u) << log;
  EXPECT_NE(log.find("\t export_lights: 1\n\t Std Shader: 0\n\t bmrt_compatible: 1\n\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\t enable copy: 1\n"), std::string::npos);
  EXPECT_NE(log.find("Writing " + dir.file("out/model.rib") + " finished       \n"), std::string::npos);
  EXPECT_NE(log.find("Sucessfull copy "), std::string::npos) << log;
}
