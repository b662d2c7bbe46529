// Lightflow export through the built plug-in: the script's text, and the
// script run against the stub of the renderer's module.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "lightflow_stub.h"
#include "plugin_test_support.h"
#include "test_scenes.h"
#include "test_support.h"

namespace {

int LtwClass() { return kvtest::FindClass("Lightflow (*.py)", 0x2001); }

class LightflowExport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(LtwClass(), 0) << "export_lightflow.so not found in " << kvtest::bin_dir(); }
  void TearDown() override { delete scene; }
  std::string Write(std::vector<std::string> options = {}, const std::string& name = "scene.py") {
    options.push_back("-ld_mode=1");
    kvtest::UseCommandLine(options);
    EXPECT_EQ(kvtest::ExportWith(LtwClass(), scene, dir.file(name)), 1);
    return dir.file(name);
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) != lines.end();
  }
  static long Count(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(LightflowExport, ScriptBuildsTheSceneTheStubRecords) {
  scene = kvtest::BoxesScene();
  const std::string path = Write();
  const std::vector<std::string> l = kvtest::read_lines(path);
  ASSERT_GT(l.size(), 20u);
  EXPECT_EQ(l[1].rfind("#\tCreated by Lightflow Export Plugin 1.0 at ", 0), 0u);
  EXPECT_EQ(l[2], "#\tLightflow Phython-Structure :");
  EXPECT_EQ(l[7], "from lightflowPM import *");
  EXPECT_EQ(l[9], "s = scene()");
  EXPECT_TRUE(Has(l, "s.lightOn( s.newLight( \"ambient\", [ \"color\", vector3( 0.200, 0.200, 0.200 ) ] ) )"));
  EXPECT_TRUE(Has(l, "s.lightOn( s.newLight( \"point\", [ \"position\", vector3( 2.000, -3.000, 6.000), \"color\", "
                     "vector3( 0.900, 0.900, 0.900 ), \"decay\", 0.000 ] ) )"));
  EXPECT_TRUE(Has(l, "s.lightOn( s.newLight( \"conic\", [ \"position\", vector3( 0.000, 0.000, 8.000), \"direction\", "
                     "vector3( 0.000, 0.000, -1.000), \"angle\", 0.2617993877991494, 0.3490658503988659, \"color\", "
                     "vector3( 1.000, 1.000, 1.000 ), \"decay\", 0.000 ] ) )"));
  EXPECT_TRUE(Has(l, "mat_red = s.newMaterial( \"standard\", ["));
  EXPECT_TRUE(Has(l, "\"ka\", vector3( 0.300000, 0.300000, 0.300000 ), "));
  EXPECT_TRUE(Has(l, "\"kc\", vector3( 0.900000, 0.900000, 0.900000 ), "));
  EXPECT_TRUE(Has(l, "s.materialBegin( mat_blue )"));
  EXPECT_EQ(Count(l, "s.materialBegin("), 3);  // box red, box blue, cube green
  EXPECT_TRUE(Has(l, "nv.set( 0, 3 )"));
  EXPECT_TRUE(Has(l, "t.set( 0, vector2(0.000000, 1.000000 ) )"));  // (u, 1 - v)
  EXPECT_TRUE(Has(l, "fp.setSize( 10 * 3)"));
  EXPECT_TRUE(Has(l, "saver = s.newImager( \"tga-saver\", [ \"file\", \"scene.tga\" ] )"));
  EXPECT_TRUE(Has(l, "camera = s.newCamera( \"pinhole\", [\"eye\", vector3( 6.000, -8.000, 5.000), \"aim\", "
                     "vector3( 1.500, 0.000, 0.000), \"up\", vector3( 0.000, 0.000, 1.000), \"fov\", "
                     "0.6981317007977318, \"aspect\", 1.3333333333333333 ] )"));
  EXPECT_EQ(l.back(), "s.render( camera, 640, 480 )");

  const ltwtest::Record rec = ltwtest::RunScript(path);
  ASSERT_TRUE(rec.ran) << rec.output;
  EXPECT_EQ(rec.lights, 3);  // ambient, point, spot
  EXPECT_EQ(rec.materials, 3);
  EXPECT_EQ(rec.renders, 1);
  EXPECT_EQ(rec.triangles.size(), 10u + 2u + 12u);
  ASSERT_EQ(rec.cameras.size(), 1u);
  EXPECT_EQ(rec.cameras[0][0], 6);
  EXPECT_EQ(rec.cameras[0][3], 1.5);
  // The recorded triangles show what the scene shows, each in its material.
  const int w = 320, h = 240;
  const kvtest::PinholeCamera cam = kvtest::SceneCamera(scene, 40, w, h);
  const kvtest::LabelImage got = kvtest::Rasterize(rec.triangles, cam);
  const kvtest::LabelImage want = kvtest::Rasterize(kvtest::SceneTriangles(scene), cam);
  const double iou = kvtest::IoU(kvtest::MaskOf(got), kvtest::MaskOf(want));
  EXPECT_GE(iou, 0.98);
  RecordProperty("iou", std::to_string(iou));
  long checked = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (want.interior(x, y) >= 0) {
        EXPECT_EQ(got.at(x, y), want.at(x, y)) << x << "," << y;
        ++checked;
      }
  EXPECT_GT(checked, 1000);
}

TEST_F(LightflowExport, NamesBecomeUniqueVariablesAndStringsAreEscaped) {
  scene = kvtest::BoxesScene();
  // Surfaces whose names are no Python variables, or the script's own.
  const char* names[] = {"01___Default", "class", "s", "a b", "a-b"};
  MMesh_P* box = kvtest::MeshAt(scene, 0);
  for (const char* n : names) {
    MSurface* s = new MSurface(n);
    scene->surfaces->Append(s);
    MMesh_P* m = kvtest::BoxMesh("part\nname \xe9", MVector3(-3, -3, -3), MVector3(-2, -2, -2));
    m->surface_refs->Append(my_strdup(n));
    scene->objects->Append(m);
  }
  MSurface* tex = static_cast<MSurface*>(scene->surfaces->GetAt(3));  // "01___Default"
  auto* layer = new MSrf_TextureLayer;
  layer->texture.kind = _2DBITMAP;
  layer->diffuse_color.enabled = 1;
  msrf_copy_name(layer->texture.name, "p");
  msrf_copy_name(layer->texture.bitmap.file_name, "maps/it's \"wood\".bmp");
  tex->layers.Add(layer);
  // The texture coordinate (0.25, 0.2) is written as (0.25, 0.8).
  box->Get_UVVertex(0) = MVector3(0.25, 0.2, 0);
  scene->lights->Append(new MLight("lamp\r\n\xfc"));
  const std::string path = Write();
  const std::vector<std::string> l = kvtest::read_lines(path);
  for (const char* v : {"mat_01___Default = ", "mat_class = ", "mat_s = ", "mat_a_b = ", "mat_a_b_2 = "})
    EXPECT_EQ(Count(l, v), 1) << v;
  EXPECT_TRUE(Has(l, "tex_p = s.newPattern( \"map\", [\"type\", \"surface\", \"texture\", "
                     "s.newTexture( \"it's \\\"wood\\\".bmp\") ] )"));
  EXPECT_TRUE(Has(l, "\"ka\", tex_p, "));
  EXPECT_TRUE(Has(l, "# Light: lamp  \\xfc"));
  EXPECT_TRUE(Has(l, "# object part name \\xe9"));
  EXPECT_TRUE(Has(l, "t.set( 0, vector2(0.250000, 0.800000 ) )"));
  const ltwtest::Record rec = ltwtest::RunScript(path);
  ASSERT_TRUE(rec.ran) << rec.output;
  EXPECT_EQ(rec.materials, 8);
}

TEST_F(LightflowExport, SwitchesDefaultMaterialHiddenMeshesAndLeftoverPolygons) {
  scene = kvtest::BoxesScene();
  kvtest::MeshAt(scene, 1)->hidden = 1;
  MSphere* ball = new MSphere("ball");
  ball->hidden = 1;  // solids are written whatever their flag
  ball->surface_refs->Append(my_strdup("nothing of that name"));
  scene->objects->Append(ball);
  // A quad and a line: the triangulation gives as many faces as there were
  // and is given up, so the quad arrives whole.
  MMesh_P* odd = new MMesh_P("odd");
  for (int i = 0; i < 4; ++i) odd->Add_Vertex(MVector3(i & 1, i >> 1, 3), -1.0);
  const int32_t quad[4] = {0, 1, 3, 2}, line[2] = {0, 1};
  odd->f_a->Add(quad, 4, 0);
  odd->f_a->Add(line, 2, 0);
  odd->surface_refs->Append(my_strdup("red"));
  scene->objects->Append(odd);
  std::string path = Write();
  std::vector<std::string> l = kvtest::read_lines(path);
  EXPECT_EQ(Count(l, "# object cube"), 0);
  EXPECT_EQ(Count(l, "# object ball"), 1);
  EXPECT_EQ(Count(l, "mat_default = "), 1);  // for the ball
  ltwtest::Record rec = ltwtest::RunScript(path);
  ASSERT_TRUE(rec.ran) << rec.output;
  EXPECT_EQ(rec.materials, 4);

  // Without materials every mesh uses the default one; without cameras
  // nothing is rendered.
  path = Write({"-export_materials=0", "-export_cameras=0", "-export_lights=0"}, "bare.py");
  l = kvtest::read_lines(path);
  EXPECT_EQ(Count(l, "s.render("), 0);
  EXPECT_EQ(Count(l, "mat_red = "), 0);
  rec = ltwtest::RunScript(path);
  ASSERT_TRUE(rec.ran) << rec.output;
  EXPECT_EQ(rec.materials, 1);
  EXPECT_EQ(rec.renders, 0);
  EXPECT_EQ(rec.lights, 1);  // the ambient light

  kvtest::UseCommandLine({"-ld_mode=1"});
  EXPECT_EQ(kvtest::ExportWith(LtwClass(), scene, dir.file("no/such/folder/x.py")), 0);
}

TEST(LightflowStub, RefusesWhatTheRendererWould) {
  kvtest::TempDir dir;
  const std::string head = "from lightflowPM import *\ns = scene()\n";
  auto runs = [&](const std::string& body) {
    kvtest::write_file(dir.file("t.py"), head + body);
    return ltwtest::RunScript(dir.file("t.py")).ran;
  };
  const std::string mesh =
      "p = vector3array()\np.setSize(3)\nfor i in range(3): p.set(i, vector3(i, 0, 1))\n"
      "n = vector3array()\nn.setSize(1)\nn.set(0, vector3(0, 0, 1))\nt = vector2array()\nt.setSize(1)\n"
      "t.set(0, vector2(0, 0))\nnv = intarray()\nnv.setSize(1)\nnv.set(0, 3)\n"
      "fp = intarray()\nfp.setSize(3)\nfor i in range(3): fp.set(i, i)\n"
      "fn = intarray()\nfn.setSize(3)\nfor i in range(3): fn.set(i, 0)\n"
      "ft = intarray()\nft.setSize(3)\nfor i in range(3): ft.set(i, 0)\n"
      "m = s.newMaterial(\"standard\", [\"kd\", 0.5])\n";
  const std::string add = "s.addObject(s.newObject(\"mesh\", [\"points\", p, \"normals\", n, \"textures\", t, "
                          "\"faces\", 1, nv, fp, fn, ft]))\n";
  EXPECT_TRUE(runs(mesh + "s.materialBegin(m)\n" + add + "s.materialEnd()\n"));
  EXPECT_FALSE(runs(mesh + add));                                           // outside a material block
  EXPECT_FALSE(runs(mesh + "s.materialBegin(m)\n" + add));                  // left open
  EXPECT_FALSE(runs(mesh + "fp.set(2, 3)\ns.materialBegin(m)\n" + add + "s.materialEnd()\n"));  // past p
  EXPECT_FALSE(runs(mesh + "p.set(3, vector3(0, 0, 0))\n"));                // past the size
  EXPECT_FALSE(runs("v = vector3(1, 'a', 2)\n"));
  EXPECT_FALSE(runs("s.newMaterial(\"standard\", [\"kdd\", 1])\n"));
  EXPECT_FALSE(runs("s.materialEnd()\n"));
  EXPECT_FALSE(runs("s.lightOn(s.newLight(\"point\", [\"position\", 1]))\n"));
}

TEST_F(LightflowExport, LogListsTheOptions) {
  scene = kvtest::BoxesScene();
  Write({"-ov=1", "-export_atmosphere=0"});
  const std::string log = kvtest::read_file(dir.file("exportlightflow.log"));
  EXPECT_EQ(log.rfind("Lightflow Export Plugin 1.0 ", 0), 0u) << log;
  EXPECT_NE(log.find("\t export_back_ground: 1\n\t export_atmosphere: 0\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Writing " + dir.file("scene.py") + " finished       \n"), std::string::npos);
}
