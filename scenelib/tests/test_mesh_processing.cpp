#include <gtest/gtest.h>

#include <cstring>

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "test_support.h"

namespace {

constexpr double kPi = 3.141592653589793;

MIPolygon poly(std::initializer_list<int> idx, int matid = 0) {
  MIPolygon p;
  for (int i : idx) p.Add(i);
  p.Set_MatId(matid);
  return p;
}

// A unit cube of six outward quads over eight shared vertices.
MMesh_P* make_cube(int matid = 0) {
  MMesh_P* m = new MMesh_P("cube");
  for (int i = 0; i < 8; ++i) m->Add_Vertex(MVector3(i & 1, (i >> 1) & 1, (i >> 2) & 1), -1.0);
  m->Add_Face(poly({0, 2, 3, 1}, matid));  // z = 0
  m->Add_Face(poly({4, 5, 7, 6}, matid));  // z = 1
  m->Add_Face(poly({0, 1, 5, 4}, matid));  // y = 0
  m->Add_Face(poly({2, 6, 7, 3}, matid));  // y = 1
  m->Add_Face(poly({0, 4, 6, 2}, matid));  // x = 0
  m->Add_Face(poly({1, 3, 7, 5}, matid));  // x = 1
  return m;
}

// A mesh of one polygon given by its corners.
MMesh_P* polygon_mesh(const std::vector<MVector3>& pts) {
  MMesh_P* m = new MMesh_P("poly");
  MVPolygon p;
  for (const MVector3& v : pts) p.Add(v);
  m->Add_Polygon(p, 3, -1.0);
  return m;
}

double signed_area_xy(const std::vector<MVector3>& pts) {
  double a = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    const MVector3 &p = pts[i], &q = pts[(i + 1) % pts.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2;
}

bool inside_xy(const std::vector<MVector3>& pts, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
    if ((pts[i].y > y) != (pts[j].y > y) &&
        x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
      in = !in;
  }
  return in;
}

// A triangulation of a simple polygon in the XY plane that lies inside it:
// every triangle keeps the outline's winding, its centroid is inside, and
// the areas add up to the polygon's.
void expect_fills_outline(MMesh_P& tri, const std::vector<MVector3>& pts) {
  const double area = signed_area_xy(pts);
  double sum = 0;
  for (int i = 0; i < tri.Get_Face_Count(); ++i) {
    ASSERT_EQ(tri.Get_VertexperFace_Count(i), 3);
    MVector3 a, b, c;
    tri.Get_Tri(i, a, b, c);
    const double t = vect_cross(b - a, c - a).z / 2;
    EXPECT_GT(t * area, 0) << "triangle " << i << " turns the wrong way";
    if (i % 97 == 0) {  // a sample: the full check would be quadratic
      const MVector3 g = (a + b + c) / 3.0;
      EXPECT_TRUE(inside_xy(pts, g.x, g.y)) << "triangle " << i << " outside";
    }
    sum += t;
  }
  EXPECT_NEAR(sum, area, std::fabs(area) * 1e-9);
}

std::string log_of(MMesh_P& m, void (*op)(MMesh_P&)) {
  kvtest::TempDir dir;
  const std::string path = dir.file("log.txt");
  FILE* fp = fopen(path.c_str(), "w");
  m.SetFile(fp);
  op(m);
  m.UnSetFile();
  fclose(fp);
  return kvtest::read_file(path);
}

long g_calls = 0;
void count_progress(long, long) { ++g_calls; }

}  // namespace

// ---- Vertex hash --------------------------------------------------------------

TEST(VertexHash, FindsWithinToleranceAndPrimitives) {
  MVertexArray va;
  MHash_V h(&va, -1);
  EXPECT_EQ(h.size, 1u);  // three times zero vertices, kept at one bucket
  EXPECT_DOUBLE_EQ(h.tolerance, 1e-5);
  const MVector3 p(1.5, -2.25, 3.0);
  EXPECT_EQ(h.Get_Vertex_Index(p), -1);
  h.Add_Vertex_Index(p, va.Add(p));
  EXPECT_EQ(h.Get_Vertex_Index(MVector3(1.5, -2.25, 3.0)), 0);
  EXPECT_EQ(h.Get_Vertex_Index(MVector3(1.5, -2.25, 3.1)), -1);

  EXPECT_DOUBLE_EQ(m_round(1.27, 0.5), 1.0);
  EXPECT_DOUBLE_EQ(m_round(-0.1, 0.5), -0.5);
  EXPECT_DOUBLE_EQ(m_round(2.0, 0.0), 2.0);
  const char bytes[3] = {1, 2, static_cast<char>(-1)};
  EXPECT_EQ(getStringHashVal(bytes, 3, 1000), ((1u * 31 + 2) * 31 + 0xffffffffu) % 1000);

  hash_tt** tab = init_hash_tab(7);
  EXPECT_EQ(add_hash(tab, 4, 3), 1);
  EXPECT_EQ(add_hash(tab, 9, 3), 1);
  EXPECT_EQ(tab[3]->index, 9);
  EXPECT_EQ(tab[3]->next->index, 4);
  delete_hash_tab(tab, 7);
  EXPECT_EQ(tab[3], nullptr);
  my_free(tab);
}

TEST(VertexHash, BucketIsTheByteHashOfTheSnappedComponents) {
  // The bucket of a vector, built from the primitives: snap each component,
  // hash its 8 bytes, reduce by the table size.
  MVertexArray va;
  for (int size : {1, 2, 7, 1000, 65521, 3000017}) {
    MHash_V h(&va, size);
    h.Set_Tolerance(size == 7 ? 0.0 : 1e-5);
    unsigned int seed = 12345u + static_cast<unsigned int>(size);
    for (int i = 0; i < 200; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const MVector3 v((seed % 20001) * 0.37 - 3700.0, -(seed % 977) * 1e-3, (seed >> 7) * 1e-9);
      unsigned int want = 0;
      for (double c : {v.x, v.y, v.z}) {
        const double r = m_round(c, h.tolerance);
        char bytes[8];
        std::memcpy(bytes, &r, 8);
        want = getStringHashVal(bytes, 8, h.size, want);
      }
      ASSERT_EQ(h.Hash(v), want) << size << " " << i;
    }
  }
}

TEST(VertexHash, NaNAndZeroToleranceDoNotBreakIt) {
  MVertexArray va;
  MHash_V h(&va, 0);
  h.Set_Tolerance(0.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const MVector3 p(nan, 1, std::numeric_limits<double>::infinity());
  h.Add_Vertex_Index(p, va.Add(p));
  EXPECT_EQ(h.Get_Vertex_Index(p), -1);  // NaN is never within any distance
}

// ---- Triangulation ------------------------------------------------------------

TEST(Triangulate, TrianglesOnlyGiveNull) {
  MMesh_P m("t");
  m.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
  EXPECT_EQ(m.Triangulate(nullptr), nullptr);
}

TEST(Triangulate, ConcaveQuadSplitsFromCornerZero) {
  MMesh_P* m = polygon_mesh({{0, 0, 0}, {2, 1, 0}, {0, 2, 0}, {1, 1, 0}});
  g_calls = 0;
  MMesh_P* t = m->Triangulate(count_progress);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(g_calls, 2);  // once per face in each pass
  ASSERT_EQ(t->Get_Face_Count(), 2);
  EXPECT_EQ(t->Get_IFace(0)[0], 0);
  EXPECT_EQ(t->Get_IFace(0)[1], 1);
  EXPECT_EQ(t->Get_IFace(0)[2], 2);
  EXPECT_EQ(t->Get_IFace(1)[0], 0);
  EXPECT_EQ(t->Get_IFace(1)[1], 2);
  EXPECT_EQ(t->Get_IFace(1)[2], 3);
  EXPECT_EQ(t->Get_Face_MatId(1), 3);
  EXPECT_STREQ(t->get_name(), "poly");
  delete t;
  delete m;
}

TEST(Triangulate, LShapedHexagonStaysInside) {
  std::vector<MVector3> l = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  MMesh_P* m = polygon_mesh(l);
  MMesh_P* t = m->Triangulate(nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Get_Face_Count(), 4);
  expect_fills_outline(*t, l);
  // The ear order of the clipper: the first ear from corner 0 is (0, 1, 2).
  EXPECT_EQ(t->Get_IFace(0)[0], 0);
  EXPECT_EQ(t->Get_IFace(0)[1], 1);
  EXPECT_EQ(t->Get_IFace(0)[2], 2);
  delete t;
  delete m;
}

TEST(Triangulate, DuplicateCornerMakesAQuadrilateral) {
  MMesh_P* m = polygon_mesh({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  MMesh_P* t = m->Triangulate(nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Get_Face_Count(), 2);
  for (int i = 0; i < 2; ++i) {
    std::set<int> c = {t->Get_IFace(i)[0], t->Get_IFace(i)[1], t->Get_IFace(i)[2]};
    EXPECT_EQ(c.size(), 3u);
  }
  delete t;
  delete m;
}

TEST(Triangulate, LayersFollowTheirCorners) {
  MMesh_P m("layers");
  MVPolygon p;
  for (int i = 0; i < 5; ++i) p.Add(MVector3(std::cos(i * 2 * kPi / 5), std::sin(i * 2 * kPi / 5), 0));
  m.Add_Polygon(p, 1, -1.0);
  m.UseNormals();
  m.UseUV();
  MIPolygon nf, uf;
  for (int i = 0; i < 5; ++i) {
    m.Add_NVertex(MVector3(0, 0, 1), -1.0);
    m.Add_UVVertex(MVector3(i * 0.1, 0, 0), -1.0);
    nf.Add(4 - i);
    uf.Add(i);
  }
  m.Add_NFace(nf);
  m.Add_UVFace(uf);
  MMesh_P* t = m.Triangulate(nullptr);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->Get_Face_Count(), 3);
  ASSERT_EQ(t->Get_NFace_Count(), 3);
  ASSERT_EQ(t->Get_UVFace_Count(), 3);
  EXPECT_EQ(t->Get_NVertex_Count(), 5);
  for (int i = 0; i < 3; ++i)
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(t->Get_INFace(i)[c], 4 - t->Get_IFace(i)[c]);
      EXPECT_EQ(t->Get_IUVFace(i)[c], t->Get_IFace(i)[c]);
    }
  delete t;
}

TEST(Triangulate, HugeCombPolygonIsFastAndInside) {
  // A comb of 5000 teeth, 20 000 corners: deeply concave everywhere.
  std::vector<MVector3> pts;
  const int teeth = 5000;
  for (int k = 0; k < teeth; ++k) {
    pts.emplace_back(k * 2.0, 0, 0);
    pts.emplace_back(k * 2.0 + 1.0, 0, 0);
    pts.emplace_back(k * 2.0 + 1.0, 10, 0);
    pts.emplace_back(k * 2.0 + 1.5, 10, 0);
  }
  std::vector<MVector3> outline;
  // Close the comb with a back: reverse so it is a simple polygon.
  outline.emplace_back(0, -1, 0);
  outline.emplace_back(teeth * 2.0, -1, 0);
  for (int k = teeth - 1; k >= 0; --k) {
    outline.emplace_back(k * 2.0 + 1.5, 10, 0);
    outline.emplace_back(k * 2.0 + 1.0, 10, 0);
    outline.emplace_back(k * 2.0 + 1.0, 0.5, 0);
    outline.emplace_back(k * 2.0, 0.5, 0);
  }
  outline.pop_back();
  outline.emplace_back(0, 0.5, 0);
  ASSERT_GE(outline.size(), 20000u);
  MMesh_P* m = polygon_mesh(outline);
  MMesh_P* t = m->Triangulate(nullptr);  // speed: bench_mesh, BM_Triangulate_BigPolygon
  ASSERT_NE(t, nullptr);
  // Corners left straight by earlier cuts are dropped, so there may be fewer
  // than n - 2 triangles; together they still fill the outline exactly.
  EXPECT_LE(t->Get_Face_Count(), static_cast<int>(outline.size()) - 2);
  EXPECT_GE(t->Get_Face_Count(), 2 * teeth);
  expect_fills_outline(*t, outline);
  delete t;
  delete m;
}

TEST(Triangulate, HugeCircleInAnyPlane) {
  std::vector<MVector3> pts;
  for (int i = 0; i < 20000; ++i) pts.emplace_back(std::cos(-i * 2 * kPi / 20000), 0, std::sin(-i * 2 * kPi / 20000));
  MMesh_P* m = polygon_mesh(pts);
  MMesh_P* t = m->Triangulate(nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Get_Face_Count(), 19998);
  // Every triangle keeps the face's winding: its normal along the outline's.
  const MVector3 n = m->Calculate_Normal(0);
  for (int i = 0; i < t->Get_Face_Count(); ++i) EXPECT_GE(vect_dot(t->Calculate_Normal(i), n), 0.0) << i;
  delete t;
  delete m;
}

TEST(Triangulate, BadGeometryNeverHangs) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int n : {6, 500}) {
    std::vector<MVector3> same(n, MVector3(1, 1, 1));
    std::vector<MVector3> bad, bow, line;
    for (int i = 0; i < n; ++i) {
      bad.emplace_back(i % 3 ? nan : i, i % 5 ? 1.0 : inf, 0);
      const double a = i * 4 * kPi / n;  // twice round: self-intersecting
      bow.emplace_back(std::cos(a) * (1 + i % 2), std::sin(a), 0);
      line.emplace_back(i, 0, 0);
    }
    for (auto* pts : {&same, &bad, &bow, &line}) {
      MMesh_P* m = polygon_mesh(*pts);
      MMesh_P* t = m->Triangulate(nullptr);
      if (t) {
        for (int i = 0; i < t->Get_Face_Count(); ++i)
          for (int c = 0; c < 3; ++c) EXPECT_LT(t->Get_IFace(i)[c], n);
        EXPECT_LE(t->Get_Face_Count(), n - 2);
      }
      delete t;
      delete m;
    }
  }
}

TEST(Triangulate, OnePolygonByItsPoints) {
  // An L-shaped hexagon: four triangles, each inside the outline and in
  // the polygon's own winding.
  const MVector3 l[6] = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  std::vector<int> tris;
  m_triangulate_polygon(l, 6, tris);
  ASSERT_EQ(tris.size(), 12u);
  for (size_t t = 0; t < tris.size(); t += 3) {
    const MVector3 a = l[tris[t]], b = l[tris[t + 1]], c = l[tris[t + 2]];
    EXPECT_GT(vect_cross(b - a, c - a).z, 0);
    const MVector3 centre = (a + b + c) / 3.0;
    EXPECT_FALSE(centre.x > 1 && centre.y > 1);
  }
  // A repeated corner is dropped; two corners give nothing.
  const MVector3 q[5] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  tris.clear();
  m_triangulate_polygon(q, 5, tris);
  EXPECT_EQ(tris.size(), 6u);
  tris.clear();
  m_triangulate_polygon(q, 2, tris);
  m_triangulate_polygon(nullptr, 4, tris);
  EXPECT_TRUE(tris.empty());
}

// ---- Welding, degenerate faces, orientation -----------------------------------

TEST(Weld, MergesSharedCornersInAllLayers) {
  MMesh_P m("w");
  m.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
  m.Add_Tri(MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0.001, 1, 0), 2, -1.0);
  m.UseNormals();
  for (int i = 0; i < 6; ++i) m.Add_NVertex(MVector3(0, 0, 1), -1.0);
  m.Add_NFace(poly({0, 1, 2}, -1));
  m.Add_NFace(poly({3, 4, 5}, -1));
  EXPECT_EQ(m.Get_Vertex_Count(), 6);
  m.Weld(nullptr, 0.0);
  EXPECT_EQ(m.Get_Vertex_Count(), 6);
  m.Weld(nullptr, -3.0);
  EXPECT_EQ(m.Get_Vertex_Count(), 6);
  m.Weld(nullptr, 0.01);
  EXPECT_EQ(m.Get_Vertex_Count(), 4);
  EXPECT_EQ(m.Get_Face_Count(), 2);
  EXPECT_EQ(m.Get_IFace(1)[0], m.Get_IFace(0)[1]);
  EXPECT_EQ(m.Get_IFace(1)[2], m.Get_IFace(0)[2]);
  EXPECT_EQ(m.Get_Face_MatId(1), 2);
  EXPECT_EQ(m.Get_NVertex_Count(), 1);
  EXPECT_EQ(m.Get_INFace(1).Get_MatId(), 2);  // from the position face
}

TEST(Weld, LogsItsTexts) {
  MMesh_P* cube = make_cube();
  std::string log = log_of(*cube, [](MMesh_P& m) { m.Weld(nullptr, 0.5); });
  EXPECT_EQ(log, "Welding ...\nDelta: 0.500\n");
  delete cube;
}

TEST(Degenerate, DropsFlatFacesInStep) {
  MMesh_P m("d");
  m.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
  m.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(2, 0, 0), 1, -1.0);
  m.Add_Tri(MVector3(0, 0, 0), MVector3(2, 0, 0), MVector3(0, 2, 0), 2, -1.0);
  m.UseUV();
  for (int i = 0; i < 3; ++i) m.Add_UVTri(MVector3(i, 0, 0), MVector3(i, 1, 0), MVector3(i, 2, 0));
  m.Degenerate(nullptr, 0.0);
  EXPECT_EQ(m.Get_Face_Count(), 3);
  std::string log = log_of(m, [](MMesh_P& mm) { mm.Degenerate(nullptr, 1e-3); });
  ASSERT_EQ(m.Get_Face_Count(), 2);
  ASSERT_EQ(m.Get_UVFace_Count(), 2);
  EXPECT_EQ(m.Get_Face_MatId(1), 2);
  EXPECT_EQ(m.Get_IUVFace(1)[0], 6);
  EXPECT_EQ(log,
            "Degenerate ...\nDelta: 0.001\nStatisitcs:\nBefore:\nFaces: 3\nUVFaces: 3\n"
            "After:\nFaces: 2\nUVFaces: 2\n");
  m.Add_Tri(MVector3(5, 5, 5), MVector3(6, 5, 5), MVector3(5, 6, 5), 0, -1.0);  // the array still grows
  EXPECT_EQ(m.Get_Face_Count(), 3);
}

TEST(FlipAndUnify, ReverseAllLayersTogether) {
  MMesh_P* m = make_cube();
  m->UseUV();
  for (int i = 0; i < 6; ++i) {
    MIPolygon u;
    for (int c = 0; c < 4; ++c) u.Add(m->Add_UVVertex(MVector3(c, i, 0), -1.0));
    m->Add_UVFace(u);
  }
  m->Flip(nullptr);
  EXPECT_EQ(m->Get_IFace(0)[0], 1);
  EXPECT_EQ(m->Get_IFace(0)[3], 0);
  EXPECT_EQ(m->Get_IUVFace(0)[0], 3);
  m->Flip(nullptr);
  // Turn two faces the wrong way; Unify makes them agree with face 0 and
  // then reverses everything.
  m->Get_IFace(3).Flip();
  m->Get_IUVFace(3).Flip();
  m->Get_IFace(5).Flip();
  m->Get_IUVFace(5).Flip();
  MMesh_P* ref = make_cube();
  std::string log = log_of(*m, [](MMesh_P& mm) { mm.Unify(nullptr); });
  EXPECT_EQ(log, "Unifying ...\noutside\n");
  for (int i = 0; i < 6; ++i) {
    MVector3 n = m->Calculate_Normal(i);
    MVector3 centre;
    for (int c = 0; c < 4; ++c) centre += m->Get_Vertex(m->Get_IFace(i)[c]);
    EXPECT_LT(vect_dot(n, centre / 4.0 - MVector3(0.5, 0.5, 0.5)), 0) << i;  // all reversed: inwards
    // The UV corners still belong to their position corners.
    MIPolygon& orig = ref->Get_IFace(i);
    for (int k = 0; k < 4; ++k) {
      const MVector3& uv = m->Get_UVVertex(m->Get_IUVFace(i)[k]);
      EXPECT_DOUBLE_EQ(uv.y, i);
      EXPECT_EQ(orig[static_cast<int>(uv.x)], m->Get_IFace(i)[k]) << i << " " << k;
    }
  }
  delete ref;
  delete m;
}

TEST(EdgeList, SharedEdgesAndFaceLists) {
  MMesh_P* m = make_cube();
  MEdgeArray* edges = nullptr;
  MFaceArray* fe = nullptr;
  m->MakeEdgeList(nullptr, &edges, &fe, 0);
  ASSERT_NE(edges, nullptr);
  ASSERT_NE(fe, nullptr);
  EXPECT_EQ(edges->Get_Count(), 12);
  EXPECT_EQ(fe->Get_Count(), 6);
  for (int e = 0; e < 12; ++e) {
    EXPECT_GE((*edges)[e].c, 0);
    EXPECT_GE((*edges)[e].d, 0);
    EXPECT_NE((*edges)[e].c, (*edges)[e].d);
  }
  for (int f = 0; f < 6; ++f) EXPECT_EQ((*fe)[f].Get_Count(), 4);
  delete edges;
  delete fe;
  delete m;
}

// ---- Normals --------------------------------------------------------------------

TEST(Normals, CalculateNormal) {
  MMesh_P* m = make_cube();
  EXPECT_TRUE(m->Calculate_Normal(0) == MVector3(0, 0, -1));
  EXPECT_TRUE(m->Calculate_Normal(1) == MVector3(0, 0, 1));
  m->Add_Face(poly({0, 1}));
  EXPECT_TRUE(m->Calculate_Normal(6) == MVector3(1, 0, 0));
  m->Add_Face(poly({0, 0, 0}));
  EXPECT_TRUE(m->Calculate_Normal(7) == MVector3(0, 0, 0));
  delete m;
}

TEST(Normals, CubeByAngle) {
  MMesh_P* m = make_cube();
  std::string log = log_of(*m, [](MMesh_P& mm) { mm.NormalSmooth(nullptr, 30.0); });
  EXPECT_EQ(log, "Smoothing ...\nAngle: 30.000\nNVertices : 6\nNFaces    : 6\n");
  EXPECT_EQ(m->Get_NVertex_Count(), 6);
  EXPECT_EQ(m->Get_NFace_Count(), 6);
  EXPECT_EQ(m->Get_INFace(0).Get_MatId(), 0);
  m->NormalSmooth(nullptr, 100.0);
  ASSERT_EQ(m->Get_NVertex_Count(), 8);
  const double k = 1 / std::sqrt(3.0);
  EXPECT_TRUE(m->Get_NVertex(m->Get_INFace(0)[0]) == MVector3(-k, -k, -k));
  m->NormalSmooth(nullptr, 0.0);  // nothing
  EXPECT_EQ(m->Get_NVertex_Count(), 8);
  delete m;
}

TEST(Normals, CubeFullSmoothing) {
  MMesh_P* m = make_cube();
  std::string log = log_of(*m, [](MMesh_P& mm) { mm.NormalSmooth(nullptr, -1.0); });
  EXPECT_EQ(log, "Smoothing ...\nAll\nNVertices : 8\nNFaces    : 6\n");
  EXPECT_EQ(m->Get_NVertex_Count(), 8);
  for (int f = 0; f < 6; ++f)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m->Get_INFace(f)[c], m->Get_IFace(f)[c]);
  for (int v = 0; v < 8; ++v) {
    EXPECT_NEAR(m->Get_NVertex(v).Length(), 1.0, 1e-12);
    // Later faces weigh more, but the normal still points out of the corner.
    EXPECT_GT(vect_dot(m->Get_NVertex(v), m->Get_Vertex(v) - MVector3(0.5, 0.5, 0.5)), 0);
  }
  delete m;
}

TEST(Normals, MaterialsSeparateAndAngleList) {
  MMesh_P* m = make_cube();
  m->Set_Face_MatId(1, 1);  // the top in a material of its own
  m->NormalSmooth(nullptr, 100.0);
  EXPECT_EQ(m->Get_NVertex_Count(), 8 + 1);  // the top is flat; its corners share one normal
  double angles[2] = {100.0, 30.0};
  std::string log = log_of(*m, [](MMesh_P& mm) {
    double a[2] = {100.0, 30.0};
    mm.NormalSmooth(nullptr, a, 2);
  });
  EXPECT_EQ(log, "Smoothing ...\nAngleList\nNVertices : 9\nNFaces    : 6\n");
  // Material ids outside the list keep flat normals instead of reading past it.
  m->Set_Face_MatId(2, 7);
  m->Set_Face_MatId(3, -1);
  m->NormalSmooth(nullptr, angles, 2);
  EXPECT_TRUE(m->Get_NVertex(m->Get_INFace(2)[0]) == MVector3(0, -1, 0));
  EXPECT_TRUE(m->Get_NVertex(m->Get_INFace(3)[0]) == MVector3(0, 1, 0));
  // The form without a length covers the surface references, at least id 0.
  m->NormalSmooth(nullptr, angles);
  EXPECT_TRUE(m->Get_NVertex(m->Get_INFace(1)[0]) == MVector3(0, 0, 1));
  delete m;
}

TEST(Normals, VertexFaceLists) {
  MMesh_P* m = make_cube();
  m->Set_Face_MatId(1, 4);
  MFaceArray* all = m->MakeVertexFaceLList();
  ASSERT_EQ(all->Get_Count(), 8);
  EXPECT_EQ((*all)[0].Get_Count(), 3);
  EXPECT_EQ((*all)[0][0], 0);
  EXPECT_EQ((*all)[0][1], 2);
  EXPECT_EQ((*all)[0][2], 4);
  delete all;
  MFaceArray* mat = m->MakeVertexFaceLList(4);
  EXPECT_EQ((*mat)[0].Get_Count(), 0);
  EXPECT_EQ((*mat)[7].Get_Count(), 1);
  delete mat;
  m->NormalSmooth(nullptr);
  MFaceArray* nl = m->MakeNVertexFaceLList();
  EXPECT_EQ(nl->Get_Count(), 8);
  delete nl;
  delete m;
}

// ---- Splitting and UV optimisation -------------------------------------------

TEST(SplitSurface, FacesOfOneMaterial) {
  MMesh_P* m = make_cube(0);
  m->Set_Face_MatId(1, 2);
  m->Set_Face_MatId(5, 2);
  m->NormalSmooth(nullptr, 30.0);
  EXPECT_EQ(m->SplitSurface(nullptr, 9), nullptr);
  MMesh_P* s = m->SplitSurface(nullptr, 2);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->get_name(), "cube2");
  EXPECT_EQ(s->Get_Face_Count(), 2);
  EXPECT_EQ(s->Get_Vertex_Count(), 6);  // faces z=1 and x=1 share an edge
  EXPECT_EQ(s->Get_IFace(0)[0], 0);     // first-use order
  EXPECT_EQ(s->Get_IFace(0)[1], 1);
  EXPECT_TRUE(s->Get_Vertex(0) == m->Get_Vertex(4));
  EXPECT_EQ(s->Get_Face_MatId(0), 2);
  ASSERT_TRUE(s->NormalsUsed());
  EXPECT_EQ(s->Get_NVertex_Count(), 2);
  EXPECT_EQ(s->Get_NFace_Count(), 2);
  delete s;
  MMesh_P empty("e");
  EXPECT_EQ(empty.SplitSurface(nullptr, 0), nullptr);
  delete m;
}

TEST(UVOptimize, SharedIndexFromTheLargerLayer) {
  MMesh_P* m = make_cube(1);
  EXPECT_EQ(m->UV_OptimizeMesh(nullptr), nullptr);  // no UV layer
  m->UseUV();
  for (int f = 0; f < 6; ++f) {
    MIPolygon u;
    u.Set_MatId(-1);
    for (int c = 0; c < 4; ++c) u.Add(m->Add_UVVertex(MVector3((c & 1) + 2 * f, c >> 1, 0), -1.0));
    m->Add_UVFace(u);
  }
  // 8 positions, 24 UVs: one vertex per UV vertex.
  MMesh_P* o = m->UV_OptimizeMesh(nullptr);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Get_Vertex_Count(), 24);
  EXPECT_EQ(o->Get_UVVertex_Count(), 24);
  for (int f = 0; f < 6; ++f)
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(o->Get_IFace(f)[c], o->Get_IUVFace(f)[c]);
      EXPECT_TRUE(o->Get_Vertex(o->Get_IFace(f)[c]) == m->Get_Vertex(m->Get_IFace(f)[c]));
    }
  EXPECT_EQ(o->Get_Face_MatId(0), 1);  // the material survives the UV face's -1
  delete o;
  delete m;
}

TEST(UVOptimize, PositionsWinWhenTheyAreMore) {
  MMesh_P m("uv");
  m.Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
  m.Add_Tri(MVector3(5, 0, 0), MVector3(6, 0, 0), MVector3(5, 1, 0), 0, -1.0);
  m.UseUV();
  m.Add_UVTri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0));
  m.Add_UVTri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0));
  kvtest::TempDir dir;
  FILE* fp = fopen(dir.file("l").c_str(), "w");
  m.SetFile(fp);
  MMesh_P* o = m.UV_OptimizeMesh(nullptr);
  m.UnSetFile();
  fclose(fp);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(m.Get_UVVertex_Count(), 3);  // welded in place
  EXPECT_EQ(o->Get_Vertex_Count(), 6);
  EXPECT_EQ(o->Get_UVVertex_Count(), 6);
  EXPECT_TRUE(o->Get_UVVertex(4) == MVector3(1, 0, 0));
  EXPECT_EQ(kvtest::read_file(dir.file("l")),
            "UV Optimizing ...\nWelding ...\nDelta: 0.000\nStatistics:\nOld:\nVertex Count:   6\n"
            "UVVertex Count: 3\nVertex Count >= UVVertex Count\nNew:\nVertex Count:   6\nUVVertex Count: 6\n");
  delete o;
}

TEST(Normals, AngleBoundariesAreStrict) {
  MMesh_P* m = make_cube();
  m->NormalSmooth(nullptr, 90.0);  // faces exactly 90 degrees apart are not merged
  EXPECT_EQ(m->Get_NVertex_Count(), 6);
  m->NormalSmooth(nullptr, 90.0001);
  EXPECT_EQ(m->Get_NVertex_Count(), 8);
  m->NormalSmooth(nullptr, 400.0);  // beyond 180 everything around a vertex counts
  EXPECT_EQ(m->Get_NVertex_Count(), 8);
  m->NormalSmooth(nullptr, -5.0);  // no face is below a negative angle
  EXPECT_EQ(m->Get_NVertex_Count(), 1);
  EXPECT_TRUE(m->Get_NVertex(0) == MVector3(0, 0, 0));
  delete m;
}

TEST(BadInput, CorruptIndicesAndEmptyMeshesAreSurvived) {
  MMesh_P* m = make_cube();
  m->Get_IFace(2)[1] = 9999;  // past the vertex array
  m->Get_IFace(3)[0] = -4;
  m->Add_Face(poly({}));
  m->Add_Face(poly({5}));
  m->NormalSmooth(nullptr);
  EXPECT_EQ(m->Get_NFace_Count(), 8);
  m->NormalSmooth(nullptr, 45.0);
  EXPECT_EQ(m->Get_NFace_Count(), 8);
  MMesh_P* s = m->SplitSurface(nullptr, 0);
  ASSERT_NE(s, nullptr);
  for (int f = 0; f < s->Get_Face_Count(); ++f)
    for (int c = 0; c < s->Get_VertexperFace_Count(f); ++c) {
      EXPECT_GE(s->Get_IFace(f)[c], 0);
      EXPECT_LT(s->Get_IFace(f)[c], s->Get_Vertex_Count());
    }
  delete s;
  MMesh_P* t = m->Triangulate(nullptr);
  delete t;
  m->Unify(nullptr);
  m->Weld(nullptr, 0.1);
  for (int f = 0; f < m->Get_Face_Count(); ++f)
    for (int c = 0; c < m->Get_VertexperFace_Count(f); ++c) EXPECT_LT(m->Get_IFace(f)[c], m->Get_Vertex_Count());
  m->Degenerate(nullptr, 1e-6);
  EXPECT_LE(m->Get_Face_Count(), 6);
  EXPECT_EQ(m->Get_NFace_Count(), m->Get_Face_Count());
  delete m;

  MMesh_P empty("empty");
  EXPECT_EQ(empty.Triangulate(nullptr), nullptr);
  empty.Weld(nullptr, 1.0);
  empty.NormalSmooth(nullptr, 30.0);
  empty.NormalSmooth(nullptr);
  empty.Unify(nullptr);
  empty.Degenerate(nullptr, 1.0);
  EXPECT_EQ(empty.SplitSurface(nullptr, 0), nullptr);
  empty.UseUV();
  MMesh_P* o = empty.UV_OptimizeMesh(nullptr);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Get_Face_Count(), 0);
  delete o;
}

TEST(UVOptimize, SeamsKeepTheirCoordinates) {
  // A strip of two quads whose shared edge carries different texture
  // coordinates on either side, and whose UV numbering is shared with an
  // unrelated corner: neither layer's numbering can hold every pair.
  MMesh_P m("seam");
  const MVector3 p[6] = {MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(2, 0, 0),
                         MVector3(0, 1, 0), MVector3(1, 1, 0), MVector3(2, 1, 0)};
  for (const MVector3& v : p) m.Add_Vertex(v, -1.0);
  m.Add_Face(poly({0, 1, 4, 3}));
  m.Add_Face(poly({1, 2, 5, 4}));
  m.UseUV();
  for (int i = 0; i < 4; ++i) m.Add_UVVertex(MVector3(i & 1, i >> 1, 0), -1.0);
  m.Add_UVFace(poly({0, 1, 3, 2}));
  m.Add_UVFace(poly({0, 1, 3, 2}));
  MMesh_P* o = m.UV_OptimizeMesh(nullptr);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Get_Vertex_Count(), 8);
  for (int f = 0; f < 2; ++f)
    for (int c = 0; c < 4; ++c) {
      const int k = o->Get_IFace(f)[c];
      EXPECT_EQ(k, o->Get_IUVFace(f)[c]);
      EXPECT_TRUE(o->Get_Vertex(k) == m.Get_Vertex(m.Get_IFace(f)[c]));
      EXPECT_TRUE(o->Get_UVVertex(k) == m.Get_UVVertex(m.Get_IUVFace(f)[c]));
    }
  delete o;
}

// The smoothing spares the hash lookup of a corner whose normal equals the
// one its vertex added last; the result must be what the lookup per corner
// gives. Replayed here corner by corner on a bumpy grid of two materials.
TEST(Normals, ByAngleAsTheLookupPerCornerGivesIt) {
  const int n = 24;
  MMesh_P* m = new MMesh_P("grid");
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i)
      m->Add_Vertex(MVector3(i, j, ((i * 7 + j * 3) % 5) * 0.3 + (i == 12 ? -0.0 : 0.0)), -1.0);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i;
      MIPolygon f;
      for (int v : {a, a + 1, a + n + 2, a + n + 1}) f.Add(v);
      f.Set_MatId((i / 6 + j / 6) % 2);
      m->Add_Face(f);
    }
  const double angles[2] = {40.0, 75.0};
  m->NormalSmooth(nullptr, angles, 2);

  const int nf = m->Get_Face_Count();
  std::vector<MVector3> fn(nf);
  for (int i = 0; i < nf; ++i) fn[i] = m->Calculate_Normal(i);
  MVertexArray normals;
  MHash_V hash(&normals, 3 * m->Get_Vertex_Count());
  hash.Set_Tolerance(1e-4);
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = m->Get_IFace(i);
    const double angle = angles[f.mat_id];
    for (int c = 0; c < f.count; ++c) {
      MVector3 sum;
      for (int g = 0; g < nf; ++g) {
        const MIPolygon& other = m->Get_IFace(g);
        bool uses = false;
        for (int k = 0; k < other.count; ++k) uses = uses || other[k] == f[c];
        if (!uses || other.mat_id != f.mat_id) continue;
        const double d = vect_dot(fn[g], fn[i]);
        if (std::acos(d <= -1 ? -1 : d >= 1 ? 1 : d) * 57.29577951308232 < angle) sum += fn[g];
      }
      const MVector3 cn = vect_normalize(sum);
      int k = hash.Get_Vertex_Index(cn);
      if (k < 0) {
        k = normals.Add(cn);
        hash.Add_Vertex_Index(cn, k);
      }
      ASSERT_EQ(m->Get_INFace(i)[c], k) << "face " << i << " corner " << c;
    }
  }
  EXPECT_EQ(m->Get_NVertex_Count(), normals.Get_Count());
  delete m;
}
