#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "korvanelib.h"

namespace {

MMesh_P* box_mesh(const char* name, MVector3 lo, MVector3 hi) {
  MMesh_P* m = new MMesh_P(name);
  m->Add_Tri(lo, MVector3(hi.x, lo.y, lo.z), hi, 0, -1.0);
  m->CalculateBoundingBox();
  return m;
}

std::string dump(MScene& s) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* fp = open_memstream(&buf, &len);
  s.Print(fp, 0, 0);
  std::fclose(fp);
  std::string out(buf, len);
  free(buf);
  return out;
}

}  // namespace

TEST(Scene, EmptySceneHasNoBoundsAndZeroCounts) {
  MScene s("empty");
  EXPECT_EQ(s.CalculateBoundingBox(), 0);
  EXPECT_TRUE(s.GetBoundLeft() == MVector3(0, 0, 0));
  EXPECT_TRUE(s.Get_Center() == MVector3(0, 0, 0));
  std::string d = dump(s);
  EXPECT_EQ(d.rfind("Scene Name : empty\n", 0), 0u);
  EXPECT_NE(d.find("Number of Geometry Objects: 0\n"), std::string::npos);
  EXPECT_NE(d.find("Number of Camera Objects: 0\n"), std::string::npos);
  EXPECT_NE(d.find("Number of Light Objects : 0\n"), std::string::npos);
  EXPECT_NE(d.find("Number of Materials : 0\n"), std::string::npos);
  EXPECT_NE(d.find("Scene Map List:\n"), std::string::npos);
}

TEST(Scene, LookupsAreExactAndFirstWins) {
  MScene s("s");
  s.objects->Append(box_mesh("Box", MVector3(0, 0, 0), MVector3(1, 1, 1)));
  s.objects->Append(box_mesh("Box", MVector3(5, 5, 5), MVector3(6, 6, 6)));
  EXPECT_EQ(s.GetObjectbyName("box"), nullptr);
  MObj3d* first = s.GetObjectbyName("Box");
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->GetBoundLeft() == MVector3(0, 0, 0));
  s.surfaces->Append(new MSurface("wood"));
  s.surfaces->Append(new MSurface("Wood"));
  EXPECT_EQ(s.GetIndexMaterialbyName("Wood"), 1);
  EXPECT_EQ(s.GetIndexMaterialbyName("stone"), -1);
  EXPECT_EQ(s.GetMaterialbyName("wood"), s.surfaces->GetAt(0));
}

TEST(Scene, BoundsCenterNormalizeAndTransforms) {
  MScene s("s");
  s.objects->Append(box_mesh("a", MVector3(0, 0, 0), MVector3(4, 2, 1)));
  s.objects->Append(box_mesh("b", MVector3(-2, 0, 0), MVector3(0, 1, 0)));
  ASSERT_EQ(s.CalculateBoundingBox(), 1);
  EXPECT_TRUE(s.GetBoundLeft() == MVector3(-2, 0, 0));
  EXPECT_TRUE(s.GetBoundRight() == MVector3(4, 2, 1));
  EXPECT_TRUE(s.Get_Normalize() == MVector3(1.0 / 3, 1.0 / 3, 1.0 / 3));

  MMake_Default_Cam(&s);
  MCamera* cam = static_cast<MCamera*>(s.cameras->GetAt(0));
  MVector3 target = cam->target;
  s.Center();
  EXPECT_TRUE(s.GetBoundLeft() == MVector3(-3, -1, -0.5));
  EXPECT_TRUE(s.GetBoundRight() == MVector3(3, 1, 0.5));
  EXPECT_TRUE(cam->target == target + MVector3(-1, -1, -0.5));
  s.Translate(MVector3(0, 0, 10));
  EXPECT_NEAR(s.GetBoundLeft().z, 9.5, 1e-12);
}

TEST(Scene, ObjectNormalizeScalesWithoutCentering) {
  MMesh_P* m = box_mesh("m", MVector3(0, 0, 0), MVector3(4, 2, 1));
  m->Normalize();
  EXPECT_TRUE(m->GetBoundLeft() == MVector3(0, 0, 0));
  EXPECT_TRUE(m->GetBoundRight() == MVector3(2, 1, 0.5));
  // A box without extent is left alone rather than scaled by infinity.
  MMesh_P* p = box_mesh("p", MVector3(1, 1, 1), MVector3(1, 1, 1));
  p->Normalize();
  EXPECT_TRUE(p->GetBoundLeft() == MVector3(1, 1, 1));
  delete m;
  delete p;
}

TEST(Scene, ReferenceObjectsAndAttributes) {
  MRefObj r(10, "chair");
  EXPECT_STREQ(r.get_name(), "chair_refa");
  EXPECT_STREQ(r.Get_RefName(), "chair");
  EXPECT_EQ(r.get_type(), OREF);

  MMesh_P src("src");
  src.hidden = 1;
  src.mapping_type = BOX;
  src.surface_refs->Append(my_strdup("red"));
  src.surface_refs->Append(my_strdup("blue"));
  src.Translate(MVector3(1, 2, 3));
  MMesh_P dst("dst");
  dst.surface_refs->Append(my_strdup("keep"));
  src.CopyAttributes(dst);
  EXPECT_STREQ(dst.get_name(), "dst");
  EXPECT_EQ(dst.hidden, 1);
  EXPECT_EQ(dst.mapping_type, BOX);
  EXPECT_EQ(dst.surface_refs->count, 3);
  EXPECT_EQ(dst.GetIndexMaterialbyName("blue"), 2);
  EXPECT_DOUBLE_EQ(dst.transformation.local[3][2], 3);
}

TEST(Scene, ObjectDumpShowsBoxFaceLabels) {
  MMesh_P m("crate");
  m.mapping_type = BOX;
  for (const char* n : {"f", "b", "l", "r", "t", "u", "x"}) m.surface_refs->Append(my_strdup(n));
  char* buf = nullptr;
  size_t len = 0;
  FILE* fp = open_memstream(&buf, &len);
  m.Print(fp, 0, 0);
  std::fclose(fp);
  std::string d(buf, len);
  free(buf);
  EXPECT_NE(d.find("Object Name: crate\nObject Type: MESH2\nHidden: 0\n"), std::string::npos);
  EXPECT_NE(d.find("Mapping Type : BOX\nSurface Matrix   : "), std::string::npos);
  EXPECT_NE(d.find("Number of Surface References : 7\nFront  f\nBack   b\n"), std::string::npos);
  EXPECT_NE(d.find("Bottom u\n6 x\n"), std::string::npos);
  EXPECT_NE(d.find("Vertex Count: 0\nFace Count: 0\n"), std::string::npos);
}

TEST(Scene, LongNamesAreCutNotOverrun) {
  std::string longname(5000, 'n');
  MRefObj r(0xff, longname.c_str());
  EXPECT_LE(std::string(r.get_name()).size(), 1023u + 6u);
  EXPECT_STREQ(r.Get_RefName(), longname.c_str());
}

TEST(SceneList, IndexedWalkOverManyObjectsVisitsEach) {
  MScene s("big");
  for (int i = 0; i < 20000; ++i) s.objects->Append(new MMesh_P("o"));
  int seen = 0;
  for (int i = 0; i < s.objects->count; ++i) seen += s.objects->GetAt(i) != nullptr;
  EXPECT_EQ(seen, 20000);
}
