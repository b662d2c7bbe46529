#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "camera.h"
#include "environment.h"
#include "mscene.h"

namespace {

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

void expect_vec(const MVector3& v, double x, double y, double z) {
  EXPECT_NEAR(v.x, x, 1e-9);
  EXPECT_NEAR(v.y, y, 1e-9);
  EXPECT_NEAR(v.z, z, 1e-9);
}

}  // namespace

TEST(CameraTest, Defaults) {
  MCamera* c = new MCamera("cam1");
  EXPECT_STREQ(c->get_name(), "cam1");
  EXPECT_EQ(c->active, 0);
  expect_vec(c->position, 1, 1, 1);
  expect_vec(c->sky, 0, 0, 1);
  expect_vec(c->right, 4.0 / 3.0, 0, 0);
  EXPECT_NEAR(c->fov, 2.0 * std::atan(0.43) * 180.0 / M_PI, 1e-9);
  EXPECT_DOUBLE_EQ(c->far_plane, 10000.0);
  delete c;
  MCamera unnamed(nullptr);
  EXPECT_STREQ(unnamed.get_name(), "");
}

TEST(CameraTest, MakeDefaultCam) {
  MCamera c("c");
  EXPECT_EQ(c.MakeDefaultCam(MVector3(-1, -1, -1), MVector3(1, 1, 1)), 1);
  expect_vec(c.position, 2, 2, 2);
  expect_vec(c.target, 0, 0, 0);

  c.MakeDefaultCam(MVector3(0, 0, 0), MVector3(0, 0, 0));  // empty scene: step off the target
  expect_vec(c.position, 1, 1, 1);
  expect_vec(c.target, 0, 0, 0);

  c.MakeDefaultCam(MVector3(0, 0, 0), MVector3(2, 4, 1));  // largest component of the far corner
  expect_vec(c.position, 8, 8, 8);
  expect_vec(c.target, 1, 2, 0.5);
}

TEST(CameraTest, TransformsMovePointsOnly) {
  MCamera c("c");
  c.Translate(MVector3(0, 0, 5));
  expect_vec(c.position, 1, 1, 6);
  expect_vec(c.target, 0, 0, 5);
  expect_vec(c.sky, 0, 0, 1);
  expect_vec(c.up, 0, 0, 1);

  c.Scale(MVector3(2, 3, 0.5));
  expect_vec(c.position, 2, 3, 3);
  expect_vec(c.target, 0, 0, 2.5);
  expect_vec(c.right, 4.0 / 3.0, 0, 0);

  MVector3 before = c.position;
  MMatrix m(1);
  m.RotateDeg(MVector3(0, 0, 90));
  MVector3 want = m.Transform(before);
  c.RotateDeg(MVector3(0, 0, 90));
  expect_vec(c.position, want.x, want.y, want.z);
  EXPECT_NEAR(c.position.Length(), before.Length(), 1e-9);
  expect_vec(c.sky, 0, 0, 1);
}

TEST(CameraTest, Dump) {
  MCamera c("view");
  std::string d = dump([&](FILE* fp) { c.Print(fp, 0, 0); });
  EXPECT_EQ(d,
            "Camera Name : view\n"
            "Position    : <1.000 1.000 1.000 >\n"
            "Target      : <0.000 0.000 0.000 >\n"
            "Sky         : <0.000 0.000 1.000 >\n"
            "Right       : <1.333 0.000 0.000 >\n"
            "Up          : <0.000 0.000 1.000 >\n"
            "RollAngle   : 0.000\n"
            "Near        : 0.000\n"
            "Far         : 10000.000\n"
            "FOV         : 46.535\n"
            "Lens        : 50.000\n"
            "FilmSize    : 43.000\n");
}

TEST(LightTest, DefaultsNameAndTransforms) {
  MLight* l = new MLight("lamp");
  EXPECT_EQ(l->active, 1);
  EXPECT_EQ(l->type, 0);
  EXPECT_DOUBLE_EQ(l->color.g, 1.0);
  EXPECT_EQ(l->shadow_map_size, 512);
  EXPECT_DOUBLE_EQ(l->falloff, 50.0);
  EXPECT_STREQ(l->bitmap_name, "default.gif");
  l->set_name("bulb");
  EXPECT_STREQ(l->get_name(), "bulb");
  l->Translate(MVector3(1, 2, 3));
  expect_vec(l->position, 2, 3, 4);
  expect_vec(l->target, 1, 2, 3);
  l->Scale(MVector3(2, 2, 2));
  expect_vec(l->position, 4, 6, 8);
  delete l;
}

TEST(LightTest, PointLightDump) {
  MLight l("p");
  std::string d = dump([&](FILE* fp) { l.Print(fp, 0, 0); });
  EXPECT_EQ(d,
            "Light Name : p\n"
            "active     : 1\n"
            "POINTLIGHT\n"
            "Color      : <1.000 1.000 1.000>\n"
            "Intensity  : 1.000\n"
            "Position   : <1.000 1.000 1.000 >\n"
            "Attenuation: 0\n"
            "Shadow:\n"
            "Cast  : 1\n"
            "Type  : 0\n"
            "Local : 0\n"
            "Bias : 1.000\n"
            "Filter : 3.000\n"
            "MapSize : 512\n"
            "RayBias : 1.000\n");
}

TEST(LightTest, SpotLightDump) {
  MLight l("s");
  l.type = SPOTLIGHT;
  l.attenuation = 1;
  l.outer = 2.5;
  l.projector = 1;
  std::string d = dump([&](FILE* fp) { l.Print(fp, 0, 0); });
  EXPECT_TRUE(has(d, "SPOTLIGHT\n"));
  EXPECT_TRUE(has(d, "Attenuation: 1\nInner      : 0.000\n\xD4uter      : 2.500\nShadow:\n"));
  EXPECT_TRUE(has(d, "RayBias : 1.000\nTarget     : <0.000 0.000 0.000 >\nHotspot    : 1.000\n"
                     "Falloff    : 50.000\nRoll       : 0.000\nAspect     : 1.000\nConeStyle  : 0\n"
                     "Projector  : 1\nBitmap Name: default.gif\n"));

  l.type = DIRECTIONALLIGHT;
  d = dump([&](FILE* fp) { l.Print(fp, 0, 0); });
  EXPECT_TRUE(has(d, "DIRECTIONALLIGHT\n"));
  EXPECT_TRUE(has(d, "Target     : "));
  EXPECT_FALSE(has(d, "Hotspot"));
}

TEST(DefaultRig, CameraThenThreeLights) {
  MScene* s = new MScene("rig");
  s->bound_left = MVector3(-1, -1, -1);
  s->bound_right = MVector3(1, 1, 1);
  MMake_Default_Cam(s);
  ASSERT_EQ(s->cameras->count, 1);
  MCamera* cam = static_cast<MCamera*>(s->cameras->GetAt(0));
  EXPECT_STREQ(cam->get_name(), "def_cam");
  expect_vec(cam->position, 2, 2, 2);
  MMake_Default_Cam(s);  // already has one
  EXPECT_EQ(s->cameras->count, 1);

  MMake_Default_Light(s);
  ASSERT_EQ(s->lights->count, 3);
  double r = std::sqrt(12.0);
  const char* names[] = {"def_light1", "def_light2", "def_light3"};
  double angles[] = {M_PI / 3, M_PI, 5 * M_PI / 3};
  double intens[] = {0.8, 0.7, 0.6};
  for (int i = 0; i < 3; ++i) {
    MLight* l = static_cast<MLight*>(s->lights->GetAt(i));
    EXPECT_STREQ(l->get_name(), names[i]);
    EXPECT_DOUBLE_EQ(l->intensity, intens[i]);
    EXPECT_EQ(l->type, POINTLIGHT);
    expect_vec(l->position, r * std::cos(angles[i]), r * std::sin(angles[i]), 2);
  }
  MMake_Default_Light(s);
  EXPECT_EQ(s->lights->count, 3);
  delete s;
}

TEST(DefaultRig, ExistingLightIsKept) {
  MScene* s = new MScene("lit");
  s->lights->Append(new MLight("mine"));
  MMake_Default_Cam(s);
  MMake_Default_Light(s);
  EXPECT_EQ(s->lights->count, 1);
  delete s;
}

TEST(Environment, OptionsDump) {
  MSceneOptions o;
  std::string d = dump([&](FILE* fp) { o.Print(fp, 0, 0); });
  EXPECT_EQ(d,
            "Scene Options:\nMasterScale : 1.000\nGamma : 2.200\nActive Camera : 0\nShadow:\nType  : 0\n"
            "Bias : 1.000\nFilter : 3.000\nMapSize : 512\nRayBias : 1.000\nGlobal Ambient:\n"
            "Color      : <1.000 1.000 1.000>\nIntensity  : 0.200\n");
}

TEST(Environment, BackgroundKinds) {
  MBackGround b;
  EXPECT_STREQ(b.texture.name, "def_txt");
  EXPECT_DOUBLE_EQ(b.mid_pos, 0.5);
  EXPECT_EQ(dump([&](FILE* fp) { b.Print(fp, 0, 0); }), "Scene Background:\nType: BCKG_NO\n");
  b.type = BCKG_SOLID;
  b.solid_color.Init_RGB(0.5, 0, 0, 1);
  EXPECT_EQ(dump([&](FILE* fp) { b.Print(fp, 0, 0); }),
            "Scene Background:\nType: BCKG_SOLID\nSolid Color: <0.500 0.000 0.000>\n");
  b.type = BCKG_GRADIENT;
  EXPECT_EQ(dump([&](FILE* fp) { b.Print(fp, 0, 0); }),
            "Scene Background:\nType: BCKG_GRADIENT\nTop Color   : [0.000] <0.000 0.000 0.000>\n"
            "Mid Color   : [0.500] <0.000 0.000 0.000>\nBottom Color: [1.000] <0.000 0.000 0.000>\n");
  b.type = BCKG_TEXTURE;
  std::string d = dump([&](FILE* fp) { b.Print(fp, 0, 0); });
  EXPECT_TRUE(has(d, "Type: BCKG_TEXTURE\n\tEnabled: 1\n\tTexture Type: _3DPROCEDURE\n\tName: def_txt\n"));
  b.type = 77;
  d = dump([&](FILE* fp) { b.Print(fp, 0, 0); });
  EXPECT_EQ(d.rfind("Scene Background:\nType: ", 0), 0u);
}

TEST(Environment, FogOnlyDetailedWhenEnabled) {
  MFog f;
  EXPECT_EQ(dump([&](FILE* fp) { f.Print(fp, 0, 0); }), "Scene Fog:\nEnabled: 0\n");
  f.enabled = 1;
  EXPECT_EQ(dump([&](FILE* fp) { f.Print(fp, 0, 0); }),
            "Scene Fog:\nEnabled: 1\nColor: <0.000 0.000 0.000>\nFog BackGround: 1\nNear Plane: 0.000\n"
            "Near Density: 0.000\nFar Plane: 10000.000\nFar Density: 1.000\n");
}
