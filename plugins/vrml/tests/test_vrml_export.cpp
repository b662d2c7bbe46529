// VRML export through the built plug-in: the nodes and lists it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "render_check.h"
#include "vrml_test_util.h"

namespace {

using vrmltest::Count;
using vrmltest::FieldNumbers;

class VrmlExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(vrmltest::VrmlExport(), 0) << "export_vrml.so not found in " << kvtest::bin_dir();
    scene = kvtest::NewRenderScene(dir.file("model.3ds"));
  }
  void TearDown() override { delete scene; }
  std::string Write(std::vector<std::string> options = {}, const std::string& name = "out.wrl") {
    options.push_back("-ld_mode=1");
    int r = 0;
    std::string text = vrmltest::Export(scene, dir.file(name), options, &r);
    EXPECT_EQ(r, 1);
    return text;
  }
  MMesh_P* Triangles(const char* name, int faces, const char* surface) {
    return kvtest::AddTriangles(scene, name, faces, surface);
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

// v turned counter-clockwise by angle about the unit axis.
MVector3 Turn(const MVector3& v, const MVector3& a, double angle) {
  return v * std::cos(angle) + vect_cross(a, v) * std::sin(angle) + a * (vect_dot(a, v) * (1 - std::cos(angle)));
}

void ExpectNear(const MVector3& a, const MVector3& b, double tol) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

}  // namespace

TEST_F(VrmlExport, DefaultWorldIsVrml20WithViewpointLightsAppearancesAndTransforms) {
  std::string w = Write({"-ov=1"});
  EXPECT_EQ(w.rfind("#VRML V2.0 utf8\n#\n#\t", 0), 0u);
  EXPECT_NE(w.find("\n#\tCreated by VRML Export Plugin 1.0 at "), std::string::npos);
  EXPECT_NE(w.find("\n# VRML file: " + dir.file("out.wrl") + ":\n#\n# WorldBoundMin = <"), std::string::npos);
  EXPECT_NE(w.find("WorldInfo { info \"Gravity: off\" }\nNavigationInfo { headlight FALSE }\n"), std::string::npos);
  EXPECT_NE(w.find("DEF C_view Viewpoint {\n\t\tposition 2.000000 -6.000000 3.000000\n"), std::string::npos);
  EXPECT_NE(w.find("DEF L_lamp PointLight {\n\t\ton TRUE\n"), std::string::npos);
  EXPECT_NE(w.find("\t\tradius 256.000000\n"), std::string::npos);
  // One shape per material: the body has two, the part one.
  EXPECT_EQ(Count(w, " Transform \n"), 3);
  EXPECT_NE(w.find("\tDEF O_body Transform \n"), std::string::npos);
  EXPECT_NE(w.find("\tDEF O_body_2 Transform \n"), std::string::npos);
  EXPECT_NE(w.find("geometry DEF O_part_FACES IndexedFaceSet"), std::string::npos);
  EXPECT_EQ(Count(w, "ccw TRUE"), 3);
  EXPECT_EQ(vrmltest::CheckDefUse(w), "");
  std::string log = kvtest::read_file(dir.file("exportvrml.log"));
  EXPECT_EQ(log.rfind("VRML Export Plugin 1.0 Oct 22 2000 09:26:15 VC++50\nOptions:\n", 0), 0u);
  EXPECT_NE(log.find("\t export_global_setting: 1\n\t export_back_ground: 1\n"), std::string::npos);
  EXPECT_NE(log.find("\t use_vrml20: 1\n"), std::string::npos);
  EXPECT_NE(log.find("Map Conversion Options:"), std::string::npos);
  EXPECT_NE(log.find("Working on: body\n"), std::string::npos);
}

TEST_F(VrmlExport, ViewpointLooksAlongTheCameraWithItsUpVector) {
  // (2, -6, 3) looks out of the YZ plane, +X along one axis; a roll turns
  // the up vector about the view.
  struct Case {
    MVector3 pos, target;
    double roll;
  };
  for (const Case& c : {Case{{2, -6, 3}, {0, 0, 0}, 0}, Case{{-5, 0, 0}, {0, 0, 0}, 0}, Case{{1, 2, 3}, {4, -1, 0}, 30},
                        Case{{0, 0, 5}, {0, 0, 0}, 0}}) {
    MCamera* cam = static_cast<MCamera*>(scene->cameras->GetAt(0));
    cam->position = c.pos;
    cam->target = c.target;
    cam->roll_angle = c.roll;
    std::string w = Write();
    std::vector<double> o = FieldNumbers(w, "orientation");
    ASSERT_EQ(o.size(), 4u);
    const MVector3 axis(o[0], o[1], o[2]);
    const MVector3 d = vect_normalize(c.target - c.pos);
    ExpectNear(Turn(MVector3(0, 0, -1), axis, o[3]), d, 2e-6);
    MVector3 up = vect_axis_rotate(cam->up, d, -c.roll);
    MVector3 across = up - d * vect_dot(up, d);
    if (across.Length() > 1e-9) ExpectNear(Turn(MVector3(0, 1, 0), axis, o[3]), vect_normalize(across), 2e-6);
  }
  // The default camera's 46.5° across the width is 35.75° up the height of
  // a 4:3 window.
  std::vector<double> fov = FieldNumbers(Write(), "fieldOfView");
  ASSERT_EQ(fov.size(), 1u);
  EXPECT_NEAR(fov[0], 2 * std::atan(0.75 * std::tan(46.5354096201139 * M_PI / 360)), 1e-6);
}

TEST_F(VrmlExport, AppearanceIsDefinedInItsFirstShapeAndUsedAfter) {
  Triangles("again", 2, "part");
  Triangles("missing", 1, "no such surface");
  Triangles("bare", 1, nullptr);
  std::string w = Write();
  EXPECT_EQ(vrmltest::CheckDefUse(w), "");
  // No appearance stands alone at the top of the world.
  EXPECT_EQ(w.find("\n\tDEF M_"), std::string::npos);
  EXPECT_EQ(Count(w, "appearance DEF M_part Appearance"), 1);
  EXPECT_EQ(Count(w, "appearance USE M_part"), 1);
  // A missing surface and a mesh without one get a default material.
  EXPECT_EQ(Count(w, "appearance Appearance { material Material { } }"), 2);
  // Without materials every shape has one.
  w = Write({"-export_materials=0"});
  EXPECT_EQ(Count(w, "appearance Appearance { material Material { } }"), 6);
  EXPECT_EQ(Count(w, "USE "), 0);
}

TEST_F(VrmlExport, NodeNamesCarryTheirKindAndAreUnique) {
  Triangles("3d", 1, "part");
  Triangles("USE", 1, "part");
  Triangles("a b", 1, "part");
  Triangles("a_b", 1, "part");
  Triangles("view", 1, "part");  // the camera's name
  scene->surfaces->Append(new MSurface("TRUE"));
  scene->surfaces->Append(new MSurface("part"));  // a second of one name
  Triangles("t", 1, "TRUE");
  std::string w = Write();
  EXPECT_EQ(vrmltest::CheckDefUse(w), "");
  EXPECT_NE(w.find("DEF O_3d Transform"), std::string::npos);
  EXPECT_NE(w.find("DEF O_USE Transform"), std::string::npos);
  EXPECT_NE(w.find("DEF O_a_b Transform"), std::string::npos);
  EXPECT_NE(w.find("DEF O_a_b_2 Transform"), std::string::npos);
  EXPECT_NE(w.find("DEF O_view Transform"), std::string::npos);
  EXPECT_NE(w.find("DEF C_view Viewpoint"), std::string::npos);
  EXPECT_NE(w.find("appearance DEF M_TRUE Appearance"), std::string::npos);
  // Very long names are not cut short of the node name's own limit.
  std::string big(3000, 'n');
  Triangles(big.c_str(), 1, "part");
  w = Write();
  EXPECT_NE(w.find("DEF O_" + std::string(1023, 'n') + " Transform"), std::string::npos);
}

TEST_F(VrmlExport, GlobalAmbientIsAmbientOnly) {
  scene->options.ambient_color.Init_RGB(0.5, 0.25, 1, 1);
  scene->options.ambient_intensity = 0.4;
  std::string w = Write();
  EXPECT_NE(w.find("# Light: global ambient\nDEF GlobalAmbient PointLight {\n\t\ton TRUE\n\t\tintensity 0.000000\n"
                   "\t\tcolor 0.500000 0.250000 1.000000\n\t\tambientIntensity 0.400000\n}\n"),
            std::string::npos);
  EXPECT_EQ(Count(Write({"-export_global_setting=0"}), "GlobalAmbient"), 0);
}

TEST_F(VrmlExport, TexturedSurfacesAreWhiteUnderTheirConvertedMap) {
  MSurface* s = static_cast<MSurface*>(scene->surfaces->GetAt(2));
  MSrf_TextureLayer* layer = new MSrf_TextureLayer();
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, "maps\\wood \"old\".bmp");
  layer->diffuse_color.enabled = 1;
  s->layers.Add(layer);
  MMesh_P* part = kvtest::MeshAt(scene, 1);
  ASSERT_NE(part, nullptr);
  part->UseUV();
  for (int i = 0; i < part->Get_Face_Count(); ++i) {
    MIPolygon f;
    for (int c = 0; c < part->Get_VertexperFace_Count(i); ++c) f.Add(part->Add_UVVertex(MVector3(c, 0.5, 0), -1.0));
    part->Add_UVFace(f);
  }
  std::string w = Write({"-enable_image_conversion=1", "-image_type=7"});
  EXPECT_NE(w.find("\t\tdiffuseColor  1.000 1.000 1.000\n"), std::string::npos);
  EXPECT_NE(w.find("\t texture ImageTexture\n"), std::string::npos);
  EXPECT_NE(w.find("url \"maps/wood \\\"old\\\".PNG\"\n"), std::string::npos);
  EXPECT_NE(w.find("texCoord TextureCoordinate"), std::string::npos);
  EXPECT_NE(w.find("texCoordIndex ["), std::string::npos);
  EXPECT_EQ(w.find("center"), std::string::npos);
  // Copied maps are named without a folder.
  w = Write({"-enable_copy=1"});
  EXPECT_NE(w.find("url \"wood \\\"old\\\".bmp\"\n"), std::string::npos);
}

TEST_F(VrmlExport, SpotLightAnglesInTheirOwnUnits) {
  MLight* spot = new MLight("spot");
  spot->type = SPOTLIGHT;
  spot->position = MVector3(0, 0, 5);
  spot->target = MVector3(0, 0, 0);
  spot->hotspot = 30;
  spot->falloff = 60;
  scene->lights->Append(spot);
  MLight* off = new MLight("off");
  off->active = 0;
  scene->lights->Append(off);
  std::string w = Write();
  EXPECT_NE(w.find("DEF L_spot SpotLight {\n\t\ton TRUE\n\t\tcolor 1.000000 1.000000 1.000000\n"
                   "\t\tintensity 1.000000\n\t\tlocation 0.000000 0.000000 5.000000\n\t\tradius 256.000000\n"
                   "\t\tdirection 0.000000 0.000000 -1.000000\n\t\tbeamWidth 0.261799\n"
                   "\t\tcutOffAngle 0.523599\n\t\tradius 1000.000000\n}\n"),
            std::string::npos);
  EXPECT_NE(w.find("DEF L_off PointLight {\n\t\ton FALSE\n"), std::string::npos);
  w = Write({"-use_vrml20=0"});
  EXPECT_NE(w.find("\t\tdirection 0.000000 0.000000 -1.000000\n\t\tdropOffRate 0.500000\n\t\tcutOffAngle 0.523599\n"),
            std::string::npos);
}

TEST_F(VrmlExport, IndexListsSeparatorsAndWorldSpace) {
  delete scene;
  scene = new MScene("s");
  scene->surfaces->Append(new MSurface("a"));
  MMesh_P* m = Triangles("tri", 3, "a");
  MMatrix t(1);
  t.Translate(MVector3(0, 0, 10));
  m->transformation.Set_LocalMatrix(t);
  std::string w = Write({"-export_cameras=0", "-export_lights=0"});
  EXPECT_NE(w.find("\t\t\t\t\t\tpoint [\n\t\t\t\t\t\t\t0.000000 0.000000 10.000000,\n"), std::string::npos);
  // Three triangles of three vertices each, in the order of first use.
  EXPECT_NE(w.find("\t\t\t\t\tcoordIndex [\n\t\t\t\t\t\t0, 1, 2, -1,\n\t\t\t\t\t\t3, 4, 5, -1,\n"
                   "\t\t\t\t\t\t6, 7, 8, -1\n\t\t\t\t\t]\n"),
            std::string::npos);
  // A mirroring matrix keeps the faces counter-clockwise.
  t.Scale(MVector3(-1, 1, 1));
  m->transformation.Set_LocalMatrix(t);
  w = Write({"-export_cameras=0", "-export_lights=0"});
  EXPECT_NE(w.find("\t\t\t\t\t\t2, 1, 0, -1,\n"), std::string::npos);
}

TEST_F(VrmlExport, Vrml10WorldMaterialsCameraAndSeparators) {
  std::string w = Write({"-use_vrml20=0", "-ld_mode=1"});
  EXPECT_EQ(w.rfind("#VRML V1.0 ascii\n", 0), 0u);
  EXPECT_NE(w.find("Separator\n{\n\tInfo\n\t{\n\t\tstring\t\"Created from "), std::string::npos);
  EXPECT_NE(w.find("\tShapeHints\n\t{\n\t\tvertexOrdering COUNTERCLOCKWISE\n\t\tshapeType SOLID\n"), std::string::npos);
  EXPECT_NE(w.find("#\tCamera: view\n\tPerspectiveCamera\n\t{\n"), std::string::npos);
  EXPECT_NE(w.find("\t\tfocalDistance 50.000000\n\t\theightAngle 0.6"), std::string::npos);
  EXPECT_EQ(Count(w, "\tDEF M_"), 3);
  EXPECT_EQ(Count(w, " Separator \n"), 3);
  EXPECT_NE(w.find("\t\tUSE M_front\n\t\tIndexedFaceSet\n"), std::string::npos);
  EXPECT_EQ(vrmltest::CheckDefUse(w), "");
  EXPECT_EQ(w.substr(w.size() - 2), "}\n");
  // Materials not exported: an inline default instead of a USE.
  w = Write({"-use_vrml20=0", "-export_materials=0"});
  EXPECT_EQ(Count(w, "USE "), 0);
  EXPECT_EQ(Count(w, "\t\tMaterial { }\n"), 3);
}

TEST_F(VrmlExport, LineEndsAndOutputsThatCannotBeOpened) {
  std::string w = vrmltest::Export(scene, dir.file("dos.wrl"), {});
  EXPECT_EQ(w.rfind("#VRML V2.0 utf8\r\n#\r\n", 0), 0u);
  EXPECT_EQ(w.find("\n\n"), std::string::npos);
  int r = -1;
  kvtest::write_file(dir.file("file"), "x");
  EXPECT_EQ(vrmltest::Export(scene, dir.file("file/out.wrl"), {}, &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("file/out.wrl")));
}
