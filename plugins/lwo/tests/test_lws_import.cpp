// LightWave scenes: the item forms of old and new formats, parents, pivots,
// instances, cameras and lights, and the scenes that go wrong.
#include <gtest/gtest.h>

#include <cmath>

#include "lwo_test_util.h"

namespace {

using lwotest::Form;
using lwotest::Iff;

// A box from (0, 0, 0) to (1, 2, 3) in LightWave's axes.
std::vector<uint8_t> Box() {
  Iff p;
  for (int i = 0; i < 8; ++i) p.F32(i & 1 ? 1.f : 0.f).F32(i & 2 ? 2.f : 0.f).F32(i & 4 ? 3.f : 0.f);
  Iff pols;
  pols.Id("FACE");
  const uint16_t quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  for (const auto& q : quads) pols.U16(4).U16(q[0]).U16(q[1]).U16(q[2]).U16(q[3]);
  Iff c;
  c.Chunk("TAGS", Iff().S0("box")).Chunk("PNTS", p).Chunk("POLS", pols);
  return Form("LWO2", c);
}

std::string Channels(const double (&v)[9], int n = 9) {
  std::string s = "NumChannels " + std::to_string(n) + "\n";
  for (int c = 0; c < n; ++c) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "Channel %d\n{ Envelope\n  1\n  Key %.17g 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n", c,
                  v[c]);
    s += buf;
  }
  return s;
}

class LwsImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(lwotest::ImportClass(), 0);
    lwotest::WriteBytes(dir.file("box.lwo"), Box());
  }
  void TearDown() override { delete scene; }
  MScene* Load(const std::string& text, const std::vector<std::string>& options = {}) {
    delete scene;
    kvtest::write_file(dir.file("scene.lws"), text);
    scene = lwotest::Import(dir.file("scene.lws"), options);
    return scene;
  }
  MObj3d* Object(int i) { return static_cast<MObj3d*>(scene->objects->GetAt(i)); }
  MVector3 Origin(int i) { return Object(i)->transformation.Get_LocalMatrix().Transform(MVector3(0, 0, 0)); }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

// Format 5: an item id after the layer number, hex parents, pivots, lights
// and the camera.
TEST_F(LwsImport, ModernScenesWithItemIdsHexParentsAndPivots) {
  const double parent[9] = {10, 20, 30, 0, 0, 0, 1, 1, 1};
  const double child[9] = {1, 0, 0, 0, 0, 0, 2, 2, 2};
  const double light[9] = {-2, 2, -2, 0, 0, 0, 1, 1, 1};
  std::string s = "LWSC\n5\n\nFirstFrame 1\n\n";
  s += "LoadObjectLayer 1 10000000 box.lwo\nObjectMotion\n" + Channels(parent) + "\n";
  s += "AddNullObject 10000001 Helper Null\nObjectMotion\n" + Channels(parent) + "ParentItem 10000000\n\n";
  s += "LoadObjectLayer 1 10000002 box.lwo\nObjectMotion\n" + Channels(child) +
       "PivotPosition 0.5 1 1.5\nParentItem 10000001\n\n";
  s += "AddLight 20000000\nLightName Lamp\nLightMotion\n" + Channels(light) +
       "LightColor 1 0.5 0\nLightIntensity 0.3\nLightType 2\nConeAngle 20\n\n";
  s += "AddCamera 30000000\nCameraName Eye\nShowCamera 1 -1 0 0 0\nCameraMotion\n" + Channels(light, 6) +
       "ZoomFactor 2\n";
  ASSERT_NE(Load(s), nullptr);
  ASSERT_EQ(scene->objects->count, 2);
  MObj3d* master = Object(0);
  ASSERT_EQ(master->get_type(), MESH2);
  EXPECT_STREQ(master->get_name(), "box");
  MVector3 o = Origin(0);
  EXPECT_DOUBLE_EQ(o.x, 10);
  EXPECT_DOUBLE_EQ(o.y, 30);  // LightWave z
  EXPECT_DOUBLE_EQ(o.z, 20);
  // The second load of the same file is an instance, below the null, which
  // is below the first box: pivot, scale 2, then the null's and the box's
  // motion.
  ASSERT_EQ(Object(1)->get_type(), OREF);
  EXPECT_STREQ(static_cast<MRefObj*>(Object(1))->Get_RefName(), "box");
  const MVector3 pivot_point = Object(1)->transformation.Get_LocalMatrix().Transform(MVector3(0.5, 1.5, 1));
  EXPECT_NEAR(pivot_point.x, 21, 1e-9);
  EXPECT_NEAR(pivot_point.y, 60, 1e-9);
  EXPECT_NEAR(pivot_point.z, 40, 1e-9);
  // The scene's bounds take the instance where it stands.
  EXPECT_NEAR(scene->bound_right.x, 22, 1e-9);
  EXPECT_NEAR(scene->bound_right.y, 63, 1e-9);
  ASSERT_EQ(scene->lights->count, 1);
  MLight* l = static_cast<MLight*>(scene->lights->GetAt(0));
  EXPECT_STREQ(l->get_name(), "Lamp");
  EXPECT_EQ(l->type, SPOTLIGHT);
  EXPECT_DOUBLE_EQ(l->position.x, -2);
  EXPECT_DOUBLE_EQ(l->position.y, -2);
  EXPECT_DOUBLE_EQ(l->position.z, 2);
  EXPECT_DOUBLE_EQ(l->color.g, 0.5);
  EXPECT_DOUBLE_EQ(l->intensity, 1.0);  // LightIntensity is not read
  EXPECT_DOUBLE_EQ(l->hotspot, 40);
  ASSERT_EQ(scene->cameras->count, 1);
  MCamera* c = static_cast<MCamera*>(scene->cameras->GetAt(0));
  EXPECT_STREQ(c->get_name(), "Eye");
  EXPECT_DOUBLE_EQ(c->lens, 2 * 16.3);
  EXPECT_TRUE(lwotest::LastImportWarnings().empty());
}

TEST_F(LwsImport, NewerRotationsAreRadians) {
  const double turned[9] = {0, 0, 0, 0, 0, 1.5707963267948966, 1, 1, 1};
  ASSERT_NE(Load("LWSC\n3\nLoadObjectLayer 1 box.lwo\nObjectMotion\n" + Channels(turned)), nullptr);
  // Channel 5 is the first rotation component: a quarter turn about x.
  const MVector3 y = Object(0)->transformation.Get_LocalMatrix().NTransform(MVector3(0, 1, 0));
  EXPECT_NEAR(std::fabs(y.z), 1.0, 1e-9);
}

// Format 1: one key line of nine values; object numbers from 1.
TEST_F(LwsImport, OldScenesWithKeyLinesObjectNumbersAndShowCamera) {
  std::string s = "LWSC\n1\n\n";
  s += "AddNullObject Root\nObjectMotion (unnamed)\n  9\n  1\n  5 6 7 0 0 0 1 1 1\n  0 0 0 0 0\nEndBehavior 1\n";
  s += "LoadObject box.lwo\nObjectMotion (unnamed)\n  9\n  1\n  1 0 0 0 0 0 1 1 1\n  0 0 0 0 0\n"
       "ParentObject 1\n";
  s += "LoadObject sub/box.lwo\nParentObject 2\n";
  s += "ShowCamera 1 7\nCameraMotion (unnamed)\n  9\n  1\n  0 0 -5 0 0 30 1 1 1\n  0 0 0 0 0\nTargetObject 1\n";
  s += "AddLight\nLightName Root\nLightColor 255 0 0\nLightType 1\nParentObject 3\n";  // a child of item 2
  // The content folder holds "sub/".
  std::filesystem::create_directories(dir.path() / "content" / "sub");
  lwotest::WriteBytes(dir.file("content/sub/box.lwo"), Box());
  ASSERT_NE(Load(s, {"-content_dir=" + dir.file("content")}), nullptr);
  ASSERT_EQ(scene->objects->count, 2);
  EXPECT_EQ(Object(1)->get_type(), MESH2) << "another file is no instance";
  EXPECT_STREQ(Object(1)->get_name(), "box_1");
  MVector3 o = Origin(0);
  EXPECT_DOUBLE_EQ(o.x, 6);
  EXPECT_DOUBLE_EQ(o.y, 7);
  EXPECT_DOUBLE_EQ(o.z, 6);
  EXPECT_DOUBLE_EQ(Origin(1).x, 6);
  ASSERT_EQ(scene->cameras->count, 1);
  MCamera* c = static_cast<MCamera*>(scene->cameras->GetAt(0));
  EXPECT_DOUBLE_EQ(c->position.y, -5);
  EXPECT_DOUBLE_EQ(c->target.x, 5);
  EXPECT_DOUBLE_EQ(c->roll_angle, 30);
  MLight* l = static_cast<MLight*>(scene->lights->GetAt(0));
  EXPECT_STREQ(l->get_name(), "Root0");  // the null is named Root already
  EXPECT_DOUBLE_EQ(l->color.r, 1.0);
  EXPECT_DOUBLE_EQ(l->position.x, 6);
  EXPECT_DOUBLE_EQ(l->position.y, 7);
}

TEST_F(LwsImport, AShowCameraAfterAddCameraIsTheSameCamera) {
  ASSERT_NE(Load("LWSC\n2\nLoadObject box.lwo\nAddCamera\nCameraName Cam\nShowCamera 1 -1\nZoomFactor 3\n"
                 "ShowCamera 1 7\n"),
            nullptr);
  ASSERT_EQ(scene->cameras->count, 2);  // a ShowCamera of its own is another camera
  EXPECT_STREQ(static_cast<MCamera*>(scene->cameras->GetAt(0))->get_name(), "Cam");
  ASSERT_NE(Load("LWSC\n2\nLoadObject box.lwo\nAddCamera\nCameraName Cam\nShowCamera 1 -1\n"), nullptr);
  EXPECT_EQ(scene->cameras->count, 1);
}

TEST_F(LwsImport, ParentCyclesAndMissingItemsAreRefused) {
  const double moved[9] = {1, 0, 0, 0, 0, 0, 1, 1, 1};
  std::string s = "LWSC\n3\n";
  s += "LoadObjectLayer 1 box.lwo\nObjectMotion\n" + Channels(moved) + "ParentItem 10000002\n";
  s += "AddNullObject A\nObjectMotion\n" + Channels(moved) + "ParentItem 10000000\n";
  s += "AddNullObject B\nObjectMotion\n" + Channels(moved) + "ParentItem 10000001\n";
  s += "AddNullObject C\nParentItem 10000063\nAddNullObject D\nParentItem 20000000\n";
  ASSERT_NE(Load(s), nullptr);
  ASSERT_EQ(scene->objects->count, 1);
  EXPECT_TRUE(lwotest::Warned("form a cycle"));
  EXPECT_TRUE(lwotest::Warned("name items that do not exist"));
  // The box stands below B and A, the link back to it dropped.
  EXPECT_DOUBLE_EQ(Origin(0).x, 3);
}

TEST_F(LwsImport, ObjectsThatFailToLoadAreLeftOut) {
  kvtest::write_file(dir.file("broken.lwo"), "FORM not really");
  std::string s = "LWSC\n1\nLoadObject broken.lwo\nLoadObject missing.lwo\nLoadObject broken.lwo\n"
                  "LoadObject box.lwo\nLoadObject box.lwo\n";
  ASSERT_NE(Load(s), nullptr);
  ASSERT_EQ(scene->objects->count, 2);
  EXPECT_EQ(Object(0)->get_type(), MESH2);
  EXPECT_EQ(Object(1)->get_type(), OREF);
  EXPECT_EQ(Object(0)->Get_RefCounter(), 1);
  EXPECT_TRUE(lwotest::Warned("missing.lwo"));
  EXPECT_EQ(scene->cameras->count, 1);  // the defaults
}

TEST_F(LwsImport, NotAScene) {
  EXPECT_EQ(Load("LWSX\n3\n"), nullptr);
  // A scene of nothing still imports, with the default camera and lights.
  ASSERT_NE(Load("LWSC\n3\n"), nullptr);
  EXPECT_EQ(scene->objects->count, 0);
  EXPECT_EQ(scene->lights->count, 3);
}

}  // namespace
