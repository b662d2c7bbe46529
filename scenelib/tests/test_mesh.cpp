#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "korvanelib.h"

TEST(Mesh, ToleranceMergesOnlyWhenAsked) {
  MMesh_P keep("k");
  keep.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
  keep.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
  EXPECT_EQ(keep.Get_Vertex_Count(), 6);

  MMesh_P merge("m");
  merge.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, 0.001);
  merge.Add_Tri(MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 0), 1, 0.001);
  EXPECT_EQ(merge.Get_Vertex_Count(), 4);
  EXPECT_EQ(merge.Get_IFace(1)[0], 1);
  EXPECT_EQ(merge.Get_Face_MatId(1), 1);

  MVertexArray va;
  va.Add_Tol(MVector3(0, 0, 0), 0.0);
  va.Add_Tol(MVector3(0, 0, 0), 0.0);
  EXPECT_EQ(va.Get_Count(), 2);  // tolerance 0 never merges
  va.Del_Last();
  va.Del_Last();
  va.Del_Last();
  EXPECT_EQ(va.Get_Count(), 0);
}

TEST(Mesh, PresizedArraysAreZero) {
  MMesh_P m(3, 1, "pre");
  EXPECT_EQ(m.Get_Vertex_Count(), 3);
  EXPECT_EQ(m.Get_Face_Count(), 1);
  EXPECT_TRUE(m.Get_Vertex(2) == MVector3(0, 0, 0));
  EXPECT_EQ(m.Get_IFace(0).Get_Count(), 0);
  MIPolygon f;
  f.Add(0);
  f.Add(1);
  f.Add(2);
  f.Set_MatId(4);
  m.Set_Face_Array(0, f);
  m.Set_Vertex_Array(1, MVector3(1, 0, 0));
  EXPECT_EQ(m.Get_VertexperFace_Count(0), 3);
  EXPECT_EQ(m.Get_Face_MatId(0), 4);
  MVector3 a, b, c;
  m.Get_Tri(0, a, b, c);
  EXPECT_TRUE(b == MVector3(1, 0, 0));
}

TEST(Mesh, LayersAndMapping) {
  MMesh_P m("l");
  EXPECT_EQ(m.mapping_type, PLANAR);
  m.UseUV();
  EXPECT_EQ(m.mapping_type, UV_MAP);
  m.Add_UVTri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0));
  m.UseUV();  // keeps the data
  EXPECT_EQ(m.Get_UVVertex_Count(), 3);
  EXPECT_EQ(m.Get_IUVFace(0).Get_MatId(), -1);
  m.UseNormals(2, 1);
  EXPECT_EQ(m.Get_NVertex_Count(), 2);
  m.RemoveNormals();
  EXPECT_FALSE(m.NormalsUsed());
  EXPECT_EQ(m.Get_nv_a(), nullptr);
  m.RemoveUV();
  EXPECT_FALSE(m.UVUsed());
}

TEST(Mesh, BoundsFollowTheLocalMatrix) {
  MMesh_P m("b");
  EXPECT_EQ(m.CalculateBoundingBox(), 0);
  m.Add_Quad(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 2), 0, -1.0);
  m.Translate(MVector3(10, 0, 0));
  EXPECT_TRUE(m.GetBoundLeft() == MVector3(10, 0, 0));
  EXPECT_TRUE(m.GetBoundRight() == MVector3(11, 1, 2));
}

TEST(Polygon, FlipCornerLookupAndCircle) {
  MIPolygon p;
  for (int i = 0; i < 4; ++i) p.Add(i);
  p.Flip();
  EXPECT_EQ(p[0], 3);
  EXPECT_EQ(p[3], 0);
  MIPolygon t;
  for (int i = 0; i < 3; ++i) t.Add(i);
  t.Flip();
  EXPECT_EQ(t[0], 2);
  EXPECT_EQ(t[1], 1);

  MIPolygon face, normals;
  for (int v : {7, 8, 7}) face.Add(v);
  for (int n : {0, 1, 2}) normals.Add(n);
  EXPECT_EQ(MMesh_P::Get_INVertex_IVertex(face, normals, 7), 2);  // last occurrence
  EXPECT_EQ(MMesh_P::Get_INVertex_IVertex(face, normals, 9), -1);

  MVPolygon* c = MVPolygon::Generate_Circle(0, 3.141592653589793, 3.141592653589793 / 4, 0, 1.0);
  EXPECT_EQ(c->Get_Count(), 5);
  EXPECT_NEAR((*c)[4].x, -1.0, 1e-12);
  delete c;
  MVPolygon* end_only = MVPolygon::Generate_Circle(2, 1, 0.1, 1, 2.0);
  EXPECT_EQ(end_only->Get_Count(), 1);
  delete end_only;
  MVPolygon* no_step = MVPolygon::Generate_Circle(0, 1, 0.0, 2, 1.0);  // must not hang
  EXPECT_EQ(no_step->Get_Count(), 1);
  delete no_step;
}

TEST(Arrays, CopiesAreDeep) {
  MFaceArray fa;
  MIPolygon p;
  p.Add(1);
  p.Add(2);
  p.Add(3);
  for (int i = 0; i < 100; ++i) fa.Add(p);
  MFaceArray copy(fa);
  fa[0].Set(0, 42);
  EXPECT_EQ(copy[0][0], 1);
  EXPECT_EQ(copy.Get_Count(), 100);
  MFaceArray assigned;
  assigned = copy;
  EXPECT_EQ(assigned[99][2], 3);
}
// Faces of an array share its index blocks: each must keep its own corners
// when it grows, is overwritten, moves out or the array is copied (ASan
// catches a buffer freed twice or one face writing over the next).
TEST(Arrays, FacesInSharedBlocksStayApart) {
  MFaceArray fa;
  std::vector<int32_t> corners(200);
  for (int i = 0; i < 200; ++i) corners[static_cast<size_t>(i)] = i;
  for (int i = 0; i < 5000; ++i) fa.Add(&corners[static_cast<size_t>(i % 7)], 3 + i % 4, i);
  fa.Add(corners.data(), 200, -5);  // larger than a block holds
  fa[10].Add(99);                   // outgrows its place
  MIPolygon quad(0);
  for (int v : {7, 8, 9, 10, 11, 12}) quad.Add(v);
  fa[11] = quad;  // longer than the place
  MIPolygon one(0);
  one.Add(5);
  fa[12] = one;  // shorter: stays in place
  for (int i = 0; i < 5000; ++i) {
    const MIPolygon& f = fa[i];
    if (i == 11 || i == 12) continue;
    ASSERT_EQ(f.count, 3 + i % 4 + (i == 10 ? 1 : 0)) << i;
    EXPECT_EQ(f[0], i % 7);
    EXPECT_EQ(f.mat_id, i);
  }
  EXPECT_EQ(fa[10][5], 99);
  EXPECT_EQ(fa[11][5], 12);
  EXPECT_EQ(fa[12].count, 1);
  EXPECT_EQ(fa[12][0], 5);
  EXPECT_EQ(fa[13][0], 6);
  EXPECT_EQ(fa[5000][199], 199);

  MFaceArray copy(fa);
  fa[13].Set(0, -1);
  EXPECT_EQ(copy[13][0], 6);
  EXPECT_EQ(copy[10][5], 99);
  copy[13].Add(1);
  EXPECT_EQ(copy[14][0], 0);  // the neighbour in the block is untouched
  fa.count = 100;             // slots past the count are reused
  fa.Add(corners.data() + 50, 3, 1);
  EXPECT_EQ(fa[100][2], 52);
}

// A reserve from a stated count takes that count, not the next power of two:
// on huge pages the unused rest would be resident memory.
TEST(Arrays, ReserveTakesTheCountGiven) {
  MVertexArray v;
  v.Add(MVector3(1, 2, 3));
  v.Reserve(50001);
  EXPECT_EQ(v.capacity, 50001);
  EXPECT_EQ(v.count, 1);
  EXPECT_EQ(v[0].z, 3.0);
  MFaceArray f;
  f.Reserve(70000);
  EXPECT_EQ(f.capacity, 70000);
  const int32_t tri[3] = {0, 1, 2};
  for (int i = 0; i < 70001; ++i) f.Add(tri, 3, 0);
  EXPECT_EQ(f.count, 70001);
  EXPECT_GE(f.capacity, 70001);
}

TEST(Arrays, ShrinkToFitKeepsTheEntriesAndFreesWhatIsPastThem) {
  MVertexArray v;
  for (int i = 0; i < 33; ++i) v.Add(MVector3(i, 0, 0));
  v.ShrinkToFit();
  EXPECT_EQ(v.capacity, 33);
  EXPECT_EQ(v[32].x, 32.0);
  MFaceArray f;
  const int32_t tri[3] = {0, 1, 2};
  for (int i = 0; i < 9; ++i) f.Add(tri, 3, i);
  std::vector<int32_t> big(100, 7);
  f.Add(big.data(), 100, 9);  // a buffer of its own, then left past the count
  f.count = 9;
  f.ShrinkToFit();  // leak detection sees the buffer freed
  EXPECT_EQ(f.capacity, 9);
  EXPECT_EQ(f[8].mat_id, 8);
  EXPECT_EQ(f[8][2], 2);
  f.Add(big.data(), 100, 10);  // grows again
  EXPECT_EQ(f[9][99], 7);
}

TEST(Arrays, EdgesFlip) {
  MEdgeArray e;
  e.Add(1, 2);
  e.Add(MEdge{3, 4, 5, 6});
  e.Flip();
  EXPECT_EQ(e[0].c, 5);
  EXPECT_EQ(e[1].a, 1);
  EXPECT_EQ(e.Get_MatId(), -1);
}

TEST(Mesh, DumpListsLayers) {
  MMesh_P m("dumpme");
  m.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 2, -1.0);
  m.surface_refs->Append(my_strdup("steel"));
  char* buf = nullptr;
  size_t len = 0;
  FILE* fp = open_memstream(&buf, &len);
  m.Dump(fp);
  std::fclose(fp);
  std::string d(buf, len);
  free(buf);
  EXPECT_EQ(d,
            "############################################\nMesh Dump\ndumpme\nVertex Count: 3\n"
            "000 <0.000 0.000 0.000 >\n001 <1.000 0.000 0.000 >\n002 <0.000 1.000 0.000 >\n\n"
            "Face Count: 1\n000 (3, 2):   0   1   2 \n\nSurfaces: 1\n(0) steel\n\n");
}

TEST(Mesh, BrokenFacesReadSafely) {
  MMesh_P m("broken");
  m.Add_Vertex(MVector3(1, 2, 3), -1.0);
  MIPolygon bad;
  bad.Add(0);
  bad.Add(7);  // no such vertex
  m.Add_Face(bad);

  MVPolygon p = m.Get_Face(0);
  ASSERT_EQ(p.count, 2);
  EXPECT_EQ(p.data[0], MVector3(1, 2, 3));
  EXPECT_EQ(p.data[1], MVector3(0, 0, 0));

  // Two corners only: the third triangle corner is not read past the buffer.
  MVector3 a, b, c(9, 9, 9);
  m.Get_Tri(0, a, b, c);
  EXPECT_EQ(a, MVector3(1, 2, 3));
  EXPECT_EQ(c, MVector3(0, 0, 0));

  EXPECT_EQ(m.Get_Face(5).count, 0);
  EXPECT_EQ(m.Get_Face(-1).count, 0);
}
