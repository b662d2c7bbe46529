#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "color.h"
#include "maplist.h"
#include "surface.h"

namespace {

// Captures what a dump function writes.
template <class F>
std::string dump(F&& f) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* fp = open_memstream(&buf, &len);
  f(fp);
  std::fclose(fp);
  std::string s(buf, len);
  std::free(buf);
  return s;
}

bool has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

}  // namespace

TEST(MColorTest, HslFollowsRgb) {
  MColor red(1, 0, 0, 1);
  EXPECT_DOUBLE_EQ(red.h, 0.0);
  EXPECT_DOUBLE_EQ(red.s, 1.0);
  EXPECT_DOUBLE_EQ(red.l, 0.5);

  MColor c;
  c.Init_RGB(0, 0, 1, 0.5);
  EXPECT_NEAR(c.h, 2.0 / 3.0, 1e-12);
  EXPECT_DOUBLE_EQ(c.a, 0.5);
  c.Init_RGB(0.5, 0.5, 0.5, 1);  // grey: no hue, no saturation
  EXPECT_DOUBLE_EQ(c.h, 0.0);
  EXPECT_DOUBLE_EQ(c.s, 0.0);
  EXPECT_DOUBLE_EQ(c.l, 0.5);
  c.Init_RGB(1, 0, 0.5, 1);  // magenta side wraps below 1
  EXPECT_NEAR(c.h, 1.0 - 1.0 / 12.0, 1e-12);
}

TEST(MColorTest, RoundTripsThroughHsl) {
  const double samples[][3] = {{0.2, 0.4, 0.6}, {0.9, 0.1, 0.3}, {0.0, 1.0, 0.0}, {0.7, 0.7, 0.2}, {1, 1, 1}, {0, 0, 0}};
  for (auto& s : samples) {
    MColor a(s[0], s[1], s[2], 1);
    MColor b;
    b.Init_HSL(a.h, a.s, a.l, 1);
    EXPECT_NEAR(b.r, s[0], 1e-12);
    EXPECT_NEAR(b.g, s[1], 1e-12);
    EXPECT_NEAR(b.b, s[2], 1e-12);
  }
}

TEST(MColorTest, CopyAndPrint) {
  MColor a(0.25, 0.5, 0.75, 0.1);
  MColor b = a;
  EXPECT_DOUBLE_EQ(b.a, 0.1);
  EXPECT_DOUBLE_EQ(b.h, a.h);
  EXPECT_DOUBLE_EQ(b.l, a.l);
  EXPECT_STREQ(a.Print(), "<0.250 0.500 0.750>");
}

TEST(SurfaceEnums, NamesFollowPositions) {
  EXPECT_EQ(WOOD, 9);
  EXPECT_EQ(B_TO_ALPHA, 10);
  EXPECT_EQ(SHADE_BLINN, 4);
  EXPECT_STREQ(MSrf_3DTextureTypeName(MARBLE), "MARBLE");
  EXPECT_STREQ(MSrf_FilterTypeName(MIP), "MIP");
  EXPECT_STREQ(MSrf_AlphaSourceName(ALPHA_LOWERLEFTPIXELIMAGE), "ALPHA_LOWERLEFTPIXELIMAGE");
  EXPECT_STREQ(MSrf_TintModeName(TINT_ALPHATINT), "TINT_ALPHATINT");
  EXPECT_STREQ(MSrf_TextureKindName(_2DBITMAP), "_2DBITMAP");
  EXPECT_STREQ(MSrf_ShadingTypeName(SHADE_GOURAUD), "SHADE_GOURAUD");
  EXPECT_STREQ(MSrf_CubicTypeName(BITMAP), "BITMAP");
  // Values read from files may be anything.
  EXPECT_STREQ(MSrf_3DTextureTypeName(10), "?");
  EXPECT_STREQ(MSrf_MixSourceName(-1), "?");
}

TEST(SurfaceRecords, Defaults) {
  MSurface* s = new MSurface("steel");
  EXPECT_STREQ(s->get_name(), "steel");
  EXPECT_DOUBLE_EQ(s->color.diffuse_intensity, 0.6);
  EXPECT_DOUBLE_EQ(s->color.specular_intensity, 0.9);
  EXPECT_DOUBLE_EQ(s->color.ambient.r, 1.0);
  EXPECT_EQ(s->layers.Get_Count(), 0);
  EXPECT_EQ(s->layers.Get(0), nullptr);
  EXPECT_STREQ(s->env.planar.map, "default.gif");
  EXPECT_EQ(s->env.cubic.type, BITMAP);
  EXPECT_STREQ(s->env.cubic.maps[5], "default.gif");
  EXPECT_STREQ(s->env.mask.name, "def_txt");
  EXPECT_EQ(s->opref.add_fresnel, 1);
  EXPECT_EQ(s->spec.refraction_index, 8);
  EXPECT_EQ(s->attributes.shading_type, SHADE_PHONG);
  EXPECT_DOUBLE_EQ(s->attributes.wireframe_width, 0.01);
  delete s;

  MSrf_TextureLayer layer;
  EXPECT_EQ(layer.enabled, 0);
  EXPECT_STREQ(layer.texture.name, "def_txt");
  EXPECT_EQ(layer.texture.kind, _3DPROCEDURE);
  EXPECT_STREQ(layer.texture.bitmap.file_name, "default.gif");
  EXPECT_EQ(layer.texture.bitmap.filter_type, MIP);
  EXPECT_EQ(layer.texture.bitmap.alpha_source, ALPHAIMAGE);
  EXPECT_DOUBLE_EQ(layer.texture.bitmap.uv_crop_end.y, 1.0);
  EXPECT_EQ(layer.texture.procedure.type, MARBLE);
  EXPECT_DOUBLE_EQ(layer.diffuse_color.tint_red.r, 1.0);
  EXPECT_DOUBLE_EQ(layer.diffuse_color.tint_red.g, 0.0);
  EXPECT_DOUBLE_EQ(layer.diffuse_color.value, 1.0);
  EXPECT_DOUBLE_EQ(layer.bump_intensity.weight, 1.0);
  EXPECT_DOUBLE_EQ(layer.bump_intensity.value, 0.0);

  MSrf_Mult m;
  EXPECT_EQ(m.i, 0);
  EXPECT_EQ(m.d, 0.0);
}

TEST(SurfaceRecords, ColorInit) {
  MSrf_Color c;
  EXPECT_EQ(c.Init(0.5, 0.25, 0), 0);
  for (MColor* m : {&c.ambient, &c.diffuse, &c.luminous, &c.specular}) {
    EXPECT_DOUBLE_EQ(m->r, 0.5);
    EXPECT_DOUBLE_EQ(m->g, 0.25);
  }
  EXPECT_DOUBLE_EQ(c.diffuse_intensity, 0.4);
  EXPECT_DOUBLE_EQ(c.specular_intensity, 0.7);
}

TEST(SurfaceRecords, LongNamesAreCut) {
  std::string big(3000, 'n');
  MSurface* s = new MSurface(big.c_str());
  EXPECT_EQ(std::strlen(s->name), 1023u);
  delete s;
  MSrf_Texture t(big.c_str());
  EXPECT_EQ(std::strlen(t.name), 1023u);
  MSrf_2DTexture b(big.c_str());
  EXPECT_EQ(std::strlen(b.file_name), 1023u);
  MSurface* n = new MSurface(nullptr);
  EXPECT_STREQ(n->name, "");
  delete n;
}

TEST(TextureLayers, OwnsAddedLayers) {
  MSrf_TextureLayers layers;
  EXPECT_EQ(layers.Add(nullptr), 0);
  MSrf_TextureLayer* a = new MSrf_TextureLayer;
  MSrf_TextureLayer* b = new MSrf_TextureLayer;
  layers.Add(a);
  layers.Add(b);
  EXPECT_EQ(layers.Get_Count(), 2);
  EXPECT_EQ(layers.Get(0), a);
  EXPECT_EQ(layers.Get(1), b);
  EXPECT_EQ(layers.Get(2), nullptr);
  EXPECT_EQ(layers.Get(-1), nullptr);
  // The list frees both layers (checked by the sanitizer build).
}

TEST(SurfaceDump, NewSurface) {
  MSurface* s = new MSurface("plain");
  std::string d = dump([&](FILE* fp) { s->Print(fp, 0, 0, 0); });
  delete s;
  EXPECT_EQ(d.rfind("Name : plain\n", 0), 0u);
  EXPECT_TRUE(has(d, "\tMSrf_Color:\n"));
  EXPECT_TRUE(has(d, "\tAmbient : <1.000 1.000 1.000>, intensity 0.300\n"));
  EXPECT_TRUE(has(d, "\tRaytraced Reflections Intensity: 0.000\n"));
  EXPECT_TRUE(has(d, "\tTexture Layers (0):\n"));
  EXPECT_TRUE(has(d, "\tMSrf_EnvMapping:\n\tMSrf_OpRef:\n"));  // no mapping sections
  EXPECT_FALSE(has(d, "PlanarEnvMapping"));
  EXPECT_FALSE(has(d, "Lock "));
  EXPECT_FALSE(has(d, "Edge Opactity:"));
  EXPECT_TRUE(has(d, "\tSurface Opactity: 1.000\n"));
  EXPECT_TRUE(has(d, "\tHighlight Model: PHONG\n"));
  EXPECT_TRUE(has(d, "\tShading Type: SHADE_PHONG\n"));
  EXPECT_TRUE(has(d, "\tUse FaceMap: 0\n"));
}

TEST(SurfaceDump, ColorLocksAndEdgeOpacity) {
  MSrf_Color c;
  c.lock_ambient = c.lock_luminous = c.lock_specular = 1;
  std::string d = dump([&](FILE* fp) { c.Print(fp, 0, 0, 2); });
  EXPECT_TRUE(has(d, "\t\tLock Ambient Color\n\t\tLock Specular Color\n\t\tLock Luminous Color\n"));
  MSrf_OpRef o;
  o.edge_opacity_enabled = 1;
  d = dump([&](FILE* fp) { o.Print(fp, 0, 0, 0); });
  EXPECT_TRUE(has(d, "Edge Opactity: 1.000\nEdge Opactity Exponent: 0.000\nIndex of Refraction"));
}

TEST(SurfaceDump, LayerWithManipulatorsAndMask) {
  MSurface* s = new MSurface("layered");
  MSrf_TextureLayer* l = new MSrf_TextureLayer;
  l->enabled = 1;
  l->diffuse_color.enabled = 1;
  l->bump_intensity.enabled = 1;
  l->bump_intensity.weight = 0.5;
  l->mask_manipulator.enabled = 1;
  l->texture.kind = _2DBITMAP;
  msrf_copy_name(l->texture.bitmap.file_name, "wood.jpg");
  s->layers.Add(l);
  std::string d = dump([&](FILE* fp) { s->layers.Print(fp, 0, 0, 0); });
  delete s;
  EXPECT_EQ(d.rfind("Texture Layers (1):\nLayer: 0\n\tEnabled: 1\n\tDiffuse Color Map Manipulator:\n\t\tEnabled: 1\n", 0),
            0u);
  EXPECT_FALSE(has(d, "Ambient Color Map Manipulator"));
  EXPECT_TRUE(has(d, "\t\tTint Red Color: <1.000 0.000 0.000>\n"));
  EXPECT_TRUE(has(d, "\t\tWight: <1.000 1.000 1.000>\n"));
  EXPECT_TRUE(has(d, "\tBump Intensity Map Manipulator:\n\t\tEnabled: 1\n\t\tValue: 0.000\n"
                     "\t\tColor Source: IMG_RGB\n\t\tMix Source: MIX_NO\n\t\tWight: 0.500\n\t\tBias: 0.000\n"));
  EXPECT_TRUE(has(d, "\tTexture:\n\t\tEnabled: 1\n\t\tTexture Type: _2DBITMAP\n\t\tName: def_txt\n"
                     "\t\t\t2DTexture:\n\t\t\tFile Name: wood.jpg\n\t\t\tFilter Type: MIP\n"));
  EXPECT_TRUE(has(d, "\t\t\tAlpha Source: ALPHAIMAGE\n"));
  EXPECT_TRUE(has(d, "\tMask Manipulator:\n"));
  EXPECT_TRUE(has(d, "\tTexture Mask:\n\t\tEnabled: 1\n\t\tTexture Type: _3DPROCEDURE\n\t\tName: def_txt\n"
                     "\t\t\t3DTexture:\n\t\t\tType: MARBLE\n\t\t\tUse Worldspace: 0\n"));
}

TEST(SurfaceDump, EnvironmentMappings) {
  MSrf_EnvMapping env;
  env.planar.enabled = 1;
  env.sphere.enabled = 1;
  env.cubic.enabled = 1;
  msrf_copy_name(env.cubic.maps[0], "front.png");
  std::string d = dump([&](FILE* fp) { env.Print(fp, 0, 0, 0); });
  EXPECT_TRUE(has(d, "MSrf_EnvMapping:\n\tMSrf_PlanarEnvMapping:\n\tType BITMAP\n"));
  EXPECT_TRUE(has(d, "\tStrength: 1.000\n\tFilter Type MIP\n\tMap default.gif\n"));  // narrow indent before "Map"
  EXPECT_TRUE(has(d, "\tMSrf_SphereEnvMapping:\n\t\tEnabled: 1\n"));
  EXPECT_TRUE(has(d, "\tMSrf_CubicEnvMapping:\n\tType BITMAP\n\tStrength: 1.000\n\tFilter Type MIP\n"
                     "\tFront  front.png\n\tBack   default.gif\n"));
  EXPECT_TRUE(has(d, "\tBottom default.gif\n"));
  EXPECT_FALSE(has(d, "Mask Manipulator"));

  env.cubic.type = AUTO;  // generated cube: no maps to list
  d = dump([&](FILE* fp) { env.cubic.Print(fp, 0, 0, 0); });
  EXPECT_EQ(d, "MSrf_CubicEnvMapping:\nType AUTO\nStrength: 1.000\n");
}

TEST(SurfaceDump, DeepIndentStaysBounded) {
  MSrf_Spec s;
  std::string d = dump([&](FILE* fp) { s.Print(fp, 0, 0, 100000); });
  EXPECT_TRUE(has(d, "MSrf_Spec:\n"));
  d = dump([&](FILE* fp) { s.Print(fp, 0, 0, -3); });
  EXPECT_EQ(d.rfind("MSrf_Spec:\nHighlight Model: PHONG\nColor_Bias: 0.000\nPhong size: 0.700\n", 0), 0u);
  s.Print(nullptr, 0, 0, 0);
}

TEST(MapList, SearchPathSeparators) {
  MMapList* ml = new MMapList;
  EXPECT_EQ(ml->AddSearchPath("c:\\maps"), 1);
  EXPECT_EQ(ml->AddSearchPath("d:\\tex;"), 1);
  EXPECT_EQ(ml->AddSearchPath(""), 1);
  EXPECT_EQ(ml->AddSearchPath(nullptr), 1);
  EXPECT_STREQ(ml->search_path, "c:\\maps;d:\\tex;");
  std::string d = dump([&](FILE* fp) { ml->Print(fp, 0, 0); });
  EXPECT_EQ(d, "Scene Map List:\nSearch Path: c:\\maps;d:\\tex;\nSearch Pathes:\n(0) c:\\maps\n(1) d:\\tex\n");
  delete ml;
}

TEST(MapList, SearchPathNeverOverflows) {
  MMapList ml;
  std::string dir(1000, 'd');
  for (int i = 0; i < 10; ++i) ml.AddSearchPath(dir.c_str());
  size_t n = std::strlen(ml.search_path);
  EXPECT_LT(n, sizeof ml.search_path);
  EXPECT_EQ(n, 4u * 1001u);  // whole folders only
  ml.AddSearchPath("x");     // still room for a short one
  EXPECT_EQ(std::strlen(ml.search_path), n + 2);
  std::string huge(10000, 'h');
  ml.AddSearchPath(huge.c_str());
  EXPECT_EQ(std::strlen(ml.search_path), n + 2);
}

TEST(MapList, DuplicateMapsReferToFirst) {
  MMapList ml;
  ml.AddMap("wood.jpg");
  ml.AddMap("stone.jpg");
  ml.AddMap("wood.jpg");
  ml.AddMap("WOOD.jpg");  // names compare case-sensitively
  ml.AddMap("");
  ml.AddMap(nullptr);
  ASSERT_EQ(ml.Get_Count_Maps(), 4);
  EXPECT_EQ(ml.GetMap(0)->ref, -1);
  EXPECT_EQ(ml.GetMap(1)->ref, -1);
  EXPECT_EQ(ml.GetMap(2)->ref, 0);
  EXPECT_EQ(ml.GetMap(3)->ref, -1);
  EXPECT_STREQ(ml.GetMap(2)->new_name, "");
  EXPECT_EQ(ml.GetMap(4), nullptr);
  EXPECT_EQ(ml.GetMap(-1), nullptr);
  std::string d = dump([&](FILE* fp) { ml.Print(fp, 0, 0); });
  EXPECT_TRUE(has(d, "Search Pathes:\nMap References:\n(0) (-1) wood.jpg\n(1) (-1) stone.jpg\n(2) (0) wood.jpg\n"));

  std::string big(2000, 'm');
  ml.AddMap(big.c_str());
  EXPECT_EQ(std::strlen(ml.GetMap(4)->name), 1023u);
}
