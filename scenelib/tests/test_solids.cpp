#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "korvanelib.h"
#include "test_support.h"

namespace {

constexpr double kPi = 3.141592653589793;

// Every undirected edge used by exactly two faces, once in each direction.
bool is_closed_and_oriented(MMesh_P& m) {
  std::map<std::pair<int, int>, int> directed;
  for (int i = 0; i < m.Get_Face_Count(); ++i) {
    MIPolygon& f = m.Get_IFace(i);
    for (int c = 0; c < f.count; ++c) ++directed[{f[c], f[(c + 1) % f.count]}];
  }
  for (auto& [e, n] : directed) {
    if (n != 1) return false;
    auto it = directed.find({e.second, e.first});
    if (it == directed.end() || it->second != 1) return false;
  }
  return true;
}

// The faces point away from the centre (counter-clockwise seen from outside).
bool faces_point_outwards(MMesh_P& m, const MVector3& centre = MVector3()) {
  for (int i = 0; i < m.Get_Face_Count(); ++i) {
    MVector3 a, b, c;
    m.Get_Tri(i, a, b, c);
    MVector3 n = vect_cross(b - a, c - a);
    if (n.Length() < 1e-12) continue;
    if (vect_dot(n, (a + b + c) / 3.0 - centre) <= 0) return false;
  }
  return true;
}

std::string print_to_string(MObj3d& o) {
  kvtest::TempDir dir;
  std::string path = dir.file("dump.txt");
  FILE* fp = fopen(path.c_str(), "w");
  o.Print(fp, 0, 0);
  fclose(fp);
  return kvtest::read_file(path);
}

}  // namespace

TEST(Sphere, DefaultMeshCountsClosedAndUV) {
  MSphere s("ball");
  EXPECT_EQ(s.get_type(), 1);
  EXPECT_EQ(s.MObj3d::get_type(), TSOLID);
  EXPECT_DOUBLE_EQ(s.Get_Radius(), 1.0);
  EXPECT_EQ(s.Get_Segment(), 16);
  MMesh_P* m = s.Get_Mesh();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Vertex_Count(), 242);
  EXPECT_EQ(m->Get_Face_Count(), 480);
  for (int i = 0; i < m->Get_Face_Count(); ++i) ASSERT_EQ(m->Get_VertexperFace_Count(i), 3);
  EXPECT_TRUE(is_closed_and_oriented(*m));
  EXPECT_TRUE(faces_point_outwards(*m));
  // Poles first and last.
  EXPECT_NEAR(m->Get_Vertex(0).z, 1.0, 1e-12);
  EXPECT_NEAR(m->Get_Vertex(241).z, -1.0, 1e-12);
  // Full smoothing: one unit normal per vertex, pointing outwards.
  ASSERT_TRUE(m->NormalsUsed());
  EXPECT_EQ(m->Get_NVertex_Count(), 242);
  for (int i = 0; i < m->Get_NVertex_Count(); ++i) {
    EXPECT_NEAR(m->Get_NVertex(i).Length(), 1.0, 1e-9);
    EXPECT_GT(vect_dot(m->Get_NVertex(i), m->Get_Vertex(i)), 0.9);
  }
  ASSERT_TRUE(m->UVUsed());
  EXPECT_EQ(m->mapping_type, UV_MAP);
  EXPECT_EQ(m->Get_UVVertex_Count(), 242);
  EXPECT_EQ(m->Get_UVFace_Count(), 480);
  for (int i = 0; i < m->Get_UVVertex_Count(); ++i) {
    const MVector3& uv = m->Get_UVVertex(i);
    EXPECT_TRUE(uv.x >= 0 && uv.x <= 1 && uv.y >= 0 && uv.y <= 1) << i;
  }
  EXPECT_EQ(m->Get_UVVertex(0).y, 0.0);
  EXPECT_NEAR(m->Get_UVVertex(241).y, 1.0, 1e-9);
  delete m;
  EXPECT_EQ(s.Get_Radius(), 1.0);  // the solid is untouched by the mesh's end
}

TEST(Sphere, BadSegmentCountsAndRadiusStaySafe) {
  for (int seg : {0, -5, 1, 2}) {
    MSphere s("s");
    s.Set_Segment(seg);
    MMesh_P* m = s.Get_Mesh();
    ASSERT_NE(m, nullptr) << seg;
    EXPECT_GT(m->Get_Face_Count(), 0);
    EXPECT_EQ(s.Get_Segment(), seg);
    delete m;
  }
  MSphere z("z");
  z.Set_Radius(0.0);
  MMesh_P* m = z.Get_Mesh();
  ASSERT_NE(m, nullptr);
  for (int i = 0; i < m->Get_UVVertex_Count(); ++i) EXPECT_FALSE(std::isnan(m->Get_UVVertex(i).x));
  delete m;
}

TEST(Sphere, BoundsPrintAndTransform) {
  MSphere s("s");
  s.Set_Radius(2.0);
  s.Translate(MVector3(10, 0, 0));
  EXPECT_EQ(s.CalculateBoundingBox(), 1);
  EXPECT_NEAR(s.bound_left.x, 8, 1e-12);
  EXPECT_NEAR(s.bound_right.x, 12, 1e-12);
  EXPECT_NEAR(s.bound_left.z, -2, 1e-12);
  std::string d = print_to_string(s);
  EXPECT_NE(d.find("Radius: 2.000\nSegements: 16\n"), std::string::npos) << d;
  s.Print(nullptr, 0, 0);
}

TEST(Cylinder, DefaultMeshLayout) {
  MCylinder c("pipe");
  EXPECT_EQ(c.get_type(), 2);
  EXPECT_DOUBLE_EQ(c.Get_Len(), 1.0);
  EXPECT_DOUBLE_EQ(c.Get_Radius(), 0.5);
  EXPECT_EQ(c.Get_Segment_L(), 3);
  EXPECT_EQ(c.Get_Segment_R(), 16);
  MMesh_P* m = c.Get_Mesh();
  ASSERT_NE(m, nullptr);
  const int rings = (m->Get_Vertex_Count() - 2) / 2;
  EXPECT_EQ(m->Get_Vertex_Count(), 2 + 2 * rings);
  EXPECT_EQ(m->Get_Face_Count(), 4 * rings);
  EXPECT_EQ(rings, 16);
  EXPECT_EQ(m->Get_Face_Count(), 64);
  EXPECT_TRUE(m->Get_Vertex(0) == MVector3(0, 0, 1));
  EXPECT_TRUE(m->Get_Vertex(1) == MVector3(0.5, 0, 1));
  EXPECT_TRUE(m->Get_Vertex(2) == MVector3(0.5, 0, 0));
  EXPECT_TRUE(m->Get_Vertex(m->Get_Vertex_Count() - 1) == MVector3(0, 0, 0));
  EXPECT_TRUE(is_closed_and_oriented(*m));
  EXPECT_TRUE(faces_point_outwards(*m, MVector3(0, 0, 0.5)));
  // Smoothed below 89 degrees: caps and side keep separate normals.
  ASSERT_TRUE(m->NormalsUsed());
  EXPECT_EQ(m->Get_NFace_Count(), 64);
  EXPECT_TRUE(m->Get_NVertex(m->Get_INFace(0)[0]) == MVector3(0, 0, 1));
  EXPECT_TRUE(m->Get_NVertex(m->Get_INFace(3)[1]) == MVector3(0, 0, -1));
  delete m;
}

TEST(Cylinder, FromTwoPoints) {
  MCylinder up("up", MVector3(0, 0, 0), MVector3(0, 0, 5));
  EXPECT_DOUBLE_EQ(up.Get_Len(), 5.0);
  MVector3 p = up.transformation.local.Transform(MVector3(0, 0, 1));
  EXPECT_TRUE(p == MVector3(0, 0, 1));
  MCylinder side("side", MVector3(1, 2, 3), MVector3(6, 2, 3));
  EXPECT_DOUBLE_EQ(side.Get_Len(), 5.0);
  MVector3 d = side.transformation.local.NTransform(MVector3(0, 0, 1));
  EXPECT_TRUE(d == MVector3(1, 0, 0));
  EXPECT_TRUE(side.transformation.local.Transform(MVector3(0, 0, 0)) == MVector3(1, 2, 3));
  MCylinder zero("zero", MVector3(1, 1, 1), MVector3(1, 1, 1));
  EXPECT_EQ(zero.Get_Len(), 0.0);
  EXPECT_FALSE(std::isnan(zero.transformation.local[0][0]));
}

TEST(Cylinder, BoundsPrintAndBadSegments) {
  MCylinder c("c");
  c.Set_Len(3);
  EXPECT_EQ(c.CalculateBoundingBox(), 1);
  EXPECT_TRUE(c.bound_left == MVector3(-0.5, -0.5, 0));
  EXPECT_TRUE(c.bound_right == MVector3(0.5, 0.5, 3));
  std::string d = print_to_string(c);
  EXPECT_NE(d.find("Length: 3.000\nRadius: 0.500\nSegements Len: 3\nSegements Radius: 16\n"), std::string::npos) << d;
  c.Set_Segment_R(0);
  MMesh_P* m = c.Get_Mesh();
  ASSERT_NE(m, nullptr);
  EXPECT_GE(m->Get_Face_Count(), 12);
  EXPECT_EQ(m->Get_Face_Count() % 4, 0);
  delete m;
}

TEST(RotateObject, AccumulatedRingsAndOpenSweeps) {
  MVPolygon line;
  line.Add(MVector3(1, 0, 1));
  line.Add(MVector3(1, 0, 0));
  MMesh_P* m = MSolid::Generate_Rotate_Object("t", line, 0, 2 * kPi, 2 * kPi / 24, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Vertex_Count(), 25 * 2);  // the 24th sum stays just below 2 pi
  EXPECT_EQ(m->Get_Face_Count(), 25 * 2);
  delete m;
  // A half sweep is not closed: one ring pair fewer is joined.
  m = MSolid::Generate_Rotate_Object("h", line, 0, 1.0, 0.25, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Vertex_Count(), 4 * 2);
  EXPECT_EQ(m->Get_Face_Count(), 3 * 2);
  for (int i = 0; i < m->Get_Face_Count(); ++i)
    for (int c = 0; c < 3; ++c) EXPECT_LT(m->Get_IFace(i)[c], m->Get_Vertex_Count());
  delete m;
}

TEST(RotateObject, RefusesWhatCannotBeMeshed) {
  MVPolygon one;
  one.Add(MVector3(1, 0, 0));
  EXPECT_EQ(MSolid::Generate_Rotate_Object("a", one, 0, 1, 0.1, 0), nullptr);
  MVPolygon line;
  line.Add(MVector3(1, 0, 1));
  line.Add(MVector3(1, 0, 0));
  EXPECT_EQ(MSolid::Generate_Rotate_Object("a", line, 0, 1, 0.0, 0), nullptr);
  EXPECT_EQ(MSolid::Generate_Rotate_Object("a", line, 0, 1, -0.1, 0), nullptr);
  EXPECT_EQ(MSolid::Generate_Rotate_Object("a", line, 0, 1, std::nan(""), 0), nullptr);
  EXPECT_EQ(MSolid::Generate_Rotate_Object("a", line, 0, 1e30, 1e-30, 0), nullptr);
  MVPolygon poles;
  poles.Add(MVector3(0, 0, 1));
  poles.Add(MVector3(0, 0, -1));
  MMesh_P* m = MSolid::Generate_Rotate_Object("p", poles, 0, 2 * kPi, 1, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Face_Count(), 0);
  delete m;
}
