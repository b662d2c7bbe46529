// POV-Ray export through the built plug-in: the file set and what each file
// declares.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pov_test_util.h"
#include "render_check.h"

namespace {

using povtest::Count;
using povtest::Has;

class PovExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(povtest::PovExport(), 0) << "export_pov.so not found in " << kvtest::bin_dir();
    scene = kvtest::NewRenderScene(dir.file("model.3ds"));
  }
  void TearDown() override { delete scene; }
  void Write(const std::vector<std::string>& options = {}, int expect = 1) {
    EXPECT_EQ(povtest::Export(scene, dir.str(), "out", options), expect);
  }
  std::string File(const std::string& suffix) { return kvtest::read_file(dir.file("out" + suffix)); }
  MMesh_P* Triangles(const char* name, int faces, const char* surface) {
    return kvtest::AddTriangles(scene, name, faces, surface);
  }
  MSrf_TextureLayer* DiffuseMap(int surface, const char* file) {
    MSrf_TextureLayer* l = new MSrf_TextureLayer();
    l->texture.kind = _2DBITMAP;
    msrf_copy_name(l->texture.bitmap.file_name, file);
    l->diffuse_color.enabled = 1;
    static_cast<MSurface*>(scene->surfaces->GetAt(surface))->layers.Add(l);
    return l;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(PovExport, DefaultFileSetForPovRay37) {
  Write({"-ov=1"});
  for (const char* s : {".pov", "_g.inc", "_a.inc", "_o.inc", "_c.inc", "_l.inc", "_m.inc"})
    EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("out") + s))) << s;
  for (const char* s : {"_p.inc", ".udo", "_x.mdl"})
    EXPECT_FALSE(std::filesystem::exists(dir.file(std::string("out") + s))) << s;
  const std::string master = File(".pov");
  EXPECT_EQ(master.rfind("/*\n\t", 0), 0u);
  EXPECT_TRUE(Has(master, "\tCreated by POV Export Plugin 1.1 at "));
  EXPECT_TRUE(Has(master, "\tMaster POV file:\n*/\n#version 3.7;\n#declare V_WorldBoundMin = <"));
  EXPECT_TRUE(Has(master,
                  "\n\n#include \"out_g.inc\"\n\ncamera{ P_view }\nobject{ P_lamp }\nobject{ P_body }\n"
                  "object{ P_part }\n"));
  EXPECT_FALSE(Has(master, "MegaPov"));
  EXPECT_EQ(Count(File("_g.inc"), "#include"), 5);
  EXPECT_TRUE(Has(File("_g.inc"),
                  "#include \"out_m.inc\"\n#include \"out_o.inc\"\n#include \"out_c.inc\"\n"
                  "#include \"out_l.inc\"\n#include \"out_a.inc\"\n"));
  const std::string objects = File("_o.inc");
  EXPECT_TRUE(Has(objects, "#declare T_DEFAULT = texture {"));
  EXPECT_TRUE(Has(objects, "#declare V_P_bodyBoundMin = <-1.000000, -1.000000, -1.000000>;\n"));
  EXPECT_TRUE(Has(objects, "#declare P_body = mesh2 // body\n{\n\tvertex_vectors\n\t{\n\t\t24,\n"));
  EXPECT_TRUE(Has(objects, "\ttexture_list\n\t{\n\t\t2,\n\t\ttexture { T_front }\n\t\ttexture { T_back }\n\t}\n"));
  EXPECT_TRUE(Has(objects, "\tface_indices\n\t{\n\t\t12,\n\t\t<0, 1, 2>, 0,\n"));
  EXPECT_TRUE(Has(File("_m.inc"),
                  "#declare T_front = texture // front\n{\n\tpigment { cpig_T_front } \n"
                  "\tfinish  { fin_T_front } \n}\n"));
  EXPECT_TRUE(
      Has(File("_c.inc"), "#declare P_view = camera // view\n{\n\tlocation   <2.000000, -6.000000, 3.000000>\n"));
  std::string log = kvtest::read_file(dir.file("exportpov.log"));
  EXPECT_EQ(log.rfind("POV Export Plugin 1.1 Oct 11 2000 07:54:09 VC++50\nOptions:\n", 0), 0u);
  EXPECT_TRUE(Has(log, "\t export_global_setting: 1\n\t export_back_ground:    1\n"));
  EXPECT_TRUE(Has(log, "\t pov_version:           0\n\t use_udo:               0\n"));
}

TEST_F(PovExport, IncludesAndDeclarationsFollowTheFlags) {
  Write({"-export_meshes=0", "-export_global_setting=0"});
  EXPECT_FALSE(std::filesystem::exists(dir.file("out_o.inc")));
  EXPECT_FALSE(Has(File("_g.inc"), "out_o.inc"));
  EXPECT_FALSE(Has(File(".pov"), "object{ P_body }"));
  // POV-Ray 3.7 wants a gamma even without the global settings.
  EXPECT_TRUE(Has(File("_a.inc"), "global_settings { assumed_gamma 2.200000 }\n"));
  EXPECT_FALSE(Has(File("_a.inc"), "ambient_light"));
  Write({"-export_materials=0"});
  EXPECT_FALSE(Has(File("_g.inc"), "out_m.inc"));
  const std::string objects = File("_o.inc");
  // T_DEFAULT before its first use.
  EXPECT_LT(objects.find("#declare T_DEFAULT"), objects.find("texture { T_DEFAULT }"));
  EXPECT_EQ(Count(objects, "texture { T_"), Count(objects, "texture { T_DEFAULT }"));
}

TEST_F(PovExport, NamesAreUniqueAcrossTheFileSet) {
  Triangles("view", 1, "part");    // the camera's name
  Triangles("lamp", 1, "part");    // the light's
  Triangles("a b", 1, "missing");  // no such surface
  Triangles("a_b", 1, nullptr);
  scene->surfaces->Append(new MSurface("DEFAULT"));
  scene->surfaces->Append(new MSurface("front"));
  Write();
  const std::string master = File(".pov");
  // Objects are named first, then cameras and lights.
  EXPECT_TRUE(Has(master, "object{ P_view }"));
  EXPECT_TRUE(Has(master, "camera{ P_view_2 }"));
  EXPECT_TRUE(Has(master, "object{ P_lamp }"));
  EXPECT_TRUE(Has(master, "object{ P_lamp_2 }"));
  EXPECT_TRUE(Has(master, "object{ P_a_b }"));
  EXPECT_TRUE(Has(master, "object{ P_a_b_2 }"));
  const std::string m = File("_m.inc");
  EXPECT_TRUE(Has(m, "#declare T_DEFAULT_2 = texture // DEFAULT"));
  EXPECT_TRUE(Has(m, "#declare T_front_2 = texture // front"));
  const std::string o = File("_o.inc");
  // A missing surface and a mesh without one take the default texture.
  EXPECT_TRUE(Has(o, "#declare P_a_b = mesh2 // a b\n"));
  EXPECT_EQ(Count(o, "\t\t1,\n\t\ttexture { T_DEFAULT }\n"), 2);
  EXPECT_EQ(Count(o, "\t\t0,\n\t\ttexture { T_DEFAULT }\n"), 0);
  EXPECT_TRUE(Has(o, "\t\t<0, 1, 2>, 0\n"));
  // Long names are not cut short of the identifier's own limit.
  Triangles(std::string(3000, 'n').c_str(), 1, "part");
  Write();
  EXPECT_TRUE(
      Has(File("_o.inc"), "#declare P_" + std::string(1021, 'n') + " = mesh2 // " + std::string(3000, 'n') + "\n"));
  EXPECT_TRUE(Has(File(".pov"), "object{ P_" + std::string(1021, 'n') + " }\n"));
}

TEST_F(PovExport, HiddenAndDegenerateMeshes) {
  MMesh_P* hidden = Triangles("hidden", 1, "part");
  hidden->hidden = 1;
  MMesh_P* flat = new MMesh_P("flat");
  flat->Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(2, 0, 0), 0, -1.0);
  flat->Add_Tri(MVector3(0, 0, 0), MVector3(0.0000001, 0, 0), MVector3(0, 0.0000001, 0), 0, -1.0);
  scene->objects->Append(flat);
  Write({"-ov=1"});
  EXPECT_TRUE(Has(File(".pov"), "// object{ P_hidden }\n"));
  EXPECT_TRUE(Has(File("_o.inc"), "#declare P_hidden = mesh2"));
  EXPECT_FALSE(Has(File(".pov"), "P_flat"));
  EXPECT_FALSE(Has(File("_o.inc"), "P_flat"));
  EXPECT_TRUE(Has(kvtest::read_file(dir.file("exportpov.log")), "Mesh flat left out"));
}

TEST_F(PovExport, TriangleFormGivesEachTriangleItsTexture) {
  Write({"-pov_version=1"});
  const std::string o = File("_o.inc");
  EXPECT_FALSE(Has(o, "mesh2"));
  EXPECT_FALSE(Has(File(".pov"), "MegaPov"));
  EXPECT_TRUE(Has(File(".pov"), "#version 3.7;"));
  EXPECT_TRUE(Has(o, "#declare P_body = mesh // body\n{\n\ttriangle {<-1.000000, -1.000000, -1.000000>, "));
  // The body has two materials: every triangle names its own; the part one.
  EXPECT_EQ(Count(o, " texture { T_front }}\n"), 6);
  EXPECT_EQ(Count(o, " texture { T_back }}\n"), 6);
  EXPECT_EQ(Count(o, " texture { T_part }}\n"), 0);
  EXPECT_TRUE(Has(o, "\ttexture { T_part }\n}\n"));
}

TEST_F(PovExport, LightsOfEveryTypeAreDeclared) {
  auto add = [&](const char* name, int type) {
    MLight* l = new MLight(name);
    l->type = type;
    l->position = MVector3(0, 0, 5);
    l->hotspot = 30;
    l->falloff = 60;
    scene->lights->Append(l);
    return l;
  };
  add("spot", SPOTLIGHT);
  add("sun", DIRECTIONALLIGHT);
  add("area", AREALIGHT)->active = 0;
  Write();
  const std::string l = File("_l.inc");
  EXPECT_TRUE(Has(l,
                  "\tspotlight\n\tpoint_at <0.000000, 0.000000, 0.000000>\n\tradius 15.000000\n"
                  "\tfalloff 30.000000\n\ttightness 1.000000\n}\n"));
  EXPECT_TRUE(Has(l,
                  "#declare P_sun = light_source // sun\n{\n\t<0.000000, 0.000000, 5.000000>\n"
                  "\tcolor rgb <1.000000, 1.000000, 1.000000>\n\tparallel\n"));
  EXPECT_TRUE(Has(l, "#declare P_area = light_source // area\n"));
  EXPECT_TRUE(Has(File(".pov"), "// object{ P_area }\n"));
}

TEST_F(PovExport, ImageMapTypesPovRayReadsAndGuardsForMissingMaps) {
  DiffuseMap(0, "wood.jpg");
  DiffuseMap(1, "stone.TIF");
  DiffuseMap(2, "maps\\old.pcx");
  // A real PCX for the conversion.
  ASSERT_EQ(kvtest::RunProgram("gm convert -size 4x4 xc:red " + kvtest::ShellQuote(dir.file("old.pcx"))).status, 0);
  scene->maps->AddSearchPath(const_cast<char*>(dir.str().c_str()));
  scene->maps->AddMap(const_cast<char*>("maps\\old.pcx"));
  Write();
  const std::string m = File("_m.inc");
  EXPECT_TRUE(Has(m, "\t// def_txt\n#if (file_exists(\"wood.jpg\"))\n\timage_map\n\t{\n\t\t jpeg \"wood.jpg\"\n"));
  EXPECT_TRUE(Has(m, "\t\t tiff \"stone.TIF\"\n"));
  EXPECT_TRUE(Has(m, "\t\t png \"old.png\"\n"));
  EXPECT_TRUE(Has(m, "#else\n\tcolor rgbt <1, 1, 1, 1>\n#end\n"));
  EXPECT_TRUE(std::filesystem::exists(dir.file("old.png")));
  // The layer and the surface of one name keep their own declarations.
  EXPECT_TRUE(Has(m, "#declare cpig_T_front = \n"));
  EXPECT_TRUE(Has(m, "#declare cpig_T_wood_jpg = \n"));
  EXPECT_TRUE(Has(m, "\tpigment { apig_T_wood_jpg } \n"));
}

TEST_F(PovExport, MegaPovDialectKeepsItsVersionLineAndLayers) {
  MSrf_TextureLayer* l = DiffuseMap(0, "wood.jpg");
  l->opacity_intensity.enabled = 1;
  l->opacity_intensity.value = 0.25;
  Write({"-pov_version=2"});
  EXPECT_TRUE(Has(File(".pov"), "#version unofficial MegaPov 0.6;"));
  const std::string m = File("_m.inc");
  EXPECT_FALSE(Has(m, "file_exists"));
  EXPECT_TRUE(Has(m, "\timage_pattern\n"));
  EXPECT_TRUE(Has(m, "\tpigment { opig_T_wood_jpg } \n"));
  EXPECT_TRUE(Has(File("_o.inc"), "mesh2"));
}

TEST_F(PovExport, SolidsAndCameraHandedness) {
  MSphere* ball = new MSphere("ball");
  ball->Set_Radius(0.5);
  ball->surface_refs->Append(my_strdup("part"));
  MMatrix m(1);
  m.Translate(MVector3(3, 0, 0));
  ball->transformation.Set_LocalMatrix(m);
  scene->objects->Append(ball);
  MCylinder* rod = new MCylinder("rod");
  rod->Set_Len(2);
  scene->objects->Append(rod);
  MCamera* cam = static_cast<MCamera*>(scene->cameras->GetAt(0));
  cam->up = MVector3(0, 1, 0);
  Write();
  const std::string o = File("_o.inc");
  EXPECT_TRUE(Has(o,
                  "#declare P_ball = sphere // ball\n{\n\t<0.000000, 0.000000, 0.000000>,0.500000\n"
                  "\ttexture { T_part }\n\tmatrix < 1.000000, 0.000000, 0.000000,\n"));
  EXPECT_TRUE(Has(o, "\t         3.000000, 0.000000, 0.000000>\n}\n"));
  EXPECT_TRUE(Has(o,
                  "#declare P_rod = cylinder // rod\n{\n\t<0.000000, 0.000000, 0.000000>,<0.000000, 0.000000, "
                  "1.000000>, 0.500000\n\ttexture { T_DEFAULT }\n\t scale <1.000000, 1.000000, 2.000000>\n"));
  // An up vector across POV-Ray's first direction would mirror the picture.
  EXPECT_TRUE(Has(File("_c.inc"),
                  "\tup         <0.000000, 1.000000, 0.000000>\n"
                  "\tright      <-1.333333, 0.000000, 0.000000>\n"));
}

TEST_F(PovExport, MorayObjectsAndModel) {
  scene->lights->Append(new MLight(std::string(300, 'L').c_str()));
  static_cast<MLight*>(scene->lights->GetAt(1))->type = SPOTLIGHT;
  Write({"-use_udo=1"});
  EXPECT_TRUE(Has(File("_g.inc"), "out_o.inc"));
  EXPECT_TRUE(Has(File("_p.inc"), "#include \"out_m.inc\"\n#include \"out_o.inc\"\n"));
  const std::string udo = File(".udo");
  EXPECT_EQ(udo.rfind("Name 'out_group'\nIncludeFile 'out_p.inc'\n;\n", 0), 0u);
  EXPECT_TRUE(Has(udo, "[P_body:Vertices]\n24\n-1.000000 -1.000000 -1.000000\n"));
  EXPECT_TRUE(Has(udo, "[P_body:Edges]\n6\n0 1\n"));
  EXPECT_TRUE(Has(udo, "[P_body:Texture]\nUsesTexture  T_front UsesTexture  T_back defined\n"));
  EXPECT_EQ(udo.substr(udo.size() - 7), "[End]\n\n");
  const std::string mdl = File("_x.mdl");
  ASSERT_GT(mdl.size(), 20u);
  EXPECT_EQ(mdl.substr(0, 6), "MDLY48");
  auto i16 = [&](size_t at) {
    return static_cast<int>(
        static_cast<int16_t>(static_cast<uint8_t>(mdl[at]) | (static_cast<uint8_t>(mdl[at + 1]) << 8)));
  };
  EXPECT_EQ(i16(6), 0);
  EXPECT_EQ(i16(8), 0);
  EXPECT_EQ(i16(10), 3);  // two lights and the group
  // The point light: type 10, node header -1, the name "P_lamp" as 6 bytes.
  EXPECT_EQ(static_cast<uint8_t>(mdl[12]), 10);
  EXPECT_EQ(i16(13), -1);
  EXPECT_EQ(static_cast<uint8_t>(mdl[15]), 6);
  EXPECT_EQ(mdl.substr(16, 6), "P_lamp");
  // The spot light's long name: 255, then its length in 16 bits.
  const size_t spot = mdl.find(std::string(1, '\x13') + "\xff\xff");
  ASSERT_NE(spot, std::string::npos);
  EXPECT_EQ(static_cast<uint8_t>(mdl[spot + 3]), 255);
  EXPECT_EQ(i16(spot + 4), 302);
  EXPECT_TRUE(Has(mdl, "out.udo"));
  EXPECT_EQ(mdl.substr(mdl.size() - 2), std::string(2, '\0'));
}

TEST_F(PovExport, AFileThatCannotBeOpenedFailsTheWholeSet) {
  std::filesystem::create_directories(dir.file("out_m.inc"));  // a folder where a file should go
  Write({}, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.pov")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("out_o.inc")));
}
