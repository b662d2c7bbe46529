// Axis conventions: the changes between them and the turn of a scene.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "korvanelib.h"

namespace {

void ExpectVec(const MVector3& v, double x, double y, double z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

MMesh_P* Triangle(const char* name) {
  MMesh_P* m = new MMesh_P(name);
  m->Add_Vertex(MVector3(0, 0, 0), -1.0);
  m->Add_Vertex(MVector3(1, 0, 0), -1.0);
  m->Add_Vertex(MVector3(0, 1, 0), -1.0);
  MIPolygon f;
  f.Add(0), f.Add(1), f.Add(2);
  f.Set_MatId(0);
  m->Add_Face(f);
  m->UseNormals();
  m->Add_NVertex(MVector3(0, 0, 1), -1.0);
  MIPolygon n;
  n.Add(0), n.Add(0), n.Add(0);
  m->Add_NFace(n);
  return m;
}

}  // namespace

TEST(Axes, ChangesBetweenConventions) {
  const MVector3 p(1, 2, 3);
  // Z up to Y up: the height becomes y, the old y points back (-z).
  ExpectVec(m_axis_change(kAxesZUp, kAxesYUp).Apply(p), 1, 3, -2);
  ExpectVec(m_axis_change(kAxesYUp, kAxesZUp).Apply(p), 1, -3, 2);
  // Y up right-handed to left-handed: z turns round.
  ExpectVec(m_axis_change(kAxesYUp, kAxesYUpLeftHanded).Apply(p), 1, 2, -3);
  // Z up to DirectX's axes: y and z exchanged.
  ExpectVec(m_axis_change(kAxesZUp, kAxesYUpLeftHanded).Apply(p), 1, 3, 2);
  EXPECT_FALSE(m_axis_change(kAxesZUp, kAxesYUp).Mirrors());
  EXPECT_TRUE(m_axis_change(kAxesZUp, kAxesYUpLeftHanded).Mirrors());
  EXPECT_TRUE(m_axis_change(kAxesYUp, kAxesYUpLeftHanded).Mirrors());
  // Unknown or equal conventions change nothing.
  EXPECT_TRUE(m_axis_change(kAxesAsStored, kAxesYUp).Identity());
  EXPECT_TRUE(m_axis_change(kAxesZUp, kAxesAsStored).Identity());
  EXPECT_TRUE(m_axis_change(kAxesYUpLeftHanded, kAxesYUpLeftHanded).Identity());
  // The matrix agrees with Apply, and the inverse undoes it.
  for (MAxisConvention a : {kAxesZUp, kAxesYUp, kAxesYUpLeftHanded})
    for (MAxisConvention b : {kAxesZUp, kAxesYUp, kAxesYUpLeftHanded}) {
      const MAxisChange k = m_axis_change(a, b);
      const MVector3 q = k.Matrix().Transform(p), r = k.Apply(p);
      ExpectVec(q, r.x, r.y, r.z);
      const MVector3 back = k.Inverse().Apply(r);
      ExpectVec(back, 1, 2, 3);
      EXPECT_TRUE(m_axis_change(b, a).Apply(r) == p);
    }
}

TEST(Axes, SceneTurnsAndTurnsBackExactly) {
  MScene scene("s");
  MMesh_P* m = Triangle("t");
  m->transformation.local.Translate(MVector3(0.1, 1e300, -std::numeric_limits<double>::infinity()));
  scene.objects->Append(m);
  MCamera* cam = new MCamera("c");
  cam->position = MVector3(0.3, -7, 2.5);
  scene.cameras->Append(cam);
  MLight* light = new MLight("l");
  light->position = MVector3(4, 5, 6);
  scene.lights->Append(light);
  const MMatrix before = m->transformation.local;

  const MAxisChange up = m_axis_change(kAxesZUp, kAxesYUp);
  m_change_scene_axes(&scene, up);
  // Points through the object's matrix: (x, y, z) -> (x, z, -y).
  const MVector3 p = m->transformation.local.Transform(MVector3(0, 1, 0));
  EXPECT_EQ(p.x, 0.1);
  EXPECT_EQ(p.z, -(1e300 + 1));
  ExpectVec(cam->position, 0.3, 2.5, 7);
  ExpectVec(cam->sky, 0, 1, 0);
  ExpectVec(light->position, 4, 6, -5);
  EXPECT_EQ(m->Get_IFace(0)[1], 1);  // a rotation keeps the winding
  m_change_scene_axes(&scene, up.Inverse());
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(std::memcmp(&m->transformation.local[r][c], &before[r][c], sizeof(double)), 0);
  ExpectVec(cam->position, 0.3, -7, 2.5);
  ExpectVec(cam->sky, 0, 0, 1);

  // A change of hand turns every winding: the corners, read right-handed in
  // the new axes, turn about the turned normal as they did before.
  MMesh_P* plain = Triangle("plain");
  scene.objects->Append(plain);
  const MAxisChange mirror = m_axis_change(kAxesZUp, kAxesYUpLeftHanded);
  m_change_scene_axes(&scene, mirror);
  EXPECT_EQ(plain->Get_IFace(0)[0], 2);
  EXPECT_EQ(plain->Get_IFace(0)[2], 0);
  const MMatrix& k = plain->transformation.local;
  MVector3 c[3];
  for (int i = 0; i < 3; ++i) c[i] = k.Transform(plain->Get_Vertex(plain->Get_IFace(0)[i]));
  const MVector3 n = k.NTransform(plain->Get_NVertex(0));
  ExpectVec(vect_cross(c[1] - c[0], c[2] - c[0]), n.x, n.y, n.z);
  m_change_scene_axes(&scene, mirror.Inverse());
  EXPECT_EQ(plain->Get_IFace(0)[0], 0);
  EXPECT_EQ(plain->Get_IFace(0)[1], 1);
}
