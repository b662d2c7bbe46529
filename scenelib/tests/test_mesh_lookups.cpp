// Welding and smoothing answer their hash lookups bucket by bucket; the
// answers must be those of the lookups made one by one in an MHash_V.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "korvanelib.h"
#include "mesh_algo_internal.h"

namespace {

// Points on a coarse lattice, most with a neighbour a little off it, some
// repeated exactly: plenty of points closer than the tolerance, in the same
// and in neighbouring grid cells.
std::vector<MVector3> ClusteredPoints(int n, double tol, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> cell(0, 4);
  std::uniform_real_distribution<double> off(-1.5 * tol, 1.5 * tol);
  std::vector<MVector3> pts;
  for (int i = 0; i < n; ++i) {
    if (i > 0 && rng() % 5 == 0) {
      pts.push_back(pts[rng() % pts.size()]);
      continue;
    }
    MVector3 p(cell(rng) * 10 * tol, cell(rng) * 10 * tol, cell(rng) * 10 * tol);
    if (rng() % 2) p += MVector3(off(rng), off(rng), off(rng));
    pts.push_back(p);
  }
  return pts;
}

// The lookups one by one: what each query found (the query it was added
// as), by the indices the hash hands out.
std::vector<int> OneByOne(const std::vector<MVector3>& pts, int buckets, double tol) {
  MVertexArray added;
  MHash_V hash(&added, buckets);
  hash.Set_Tolerance(tol);
  std::vector<int> query_of_entry, found;
  for (int q = 0; q < static_cast<int>(pts.size()); ++q) {
    int k = hash.Get_Vertex_Index(pts[q]);
    if (k < 0) {
      k = added.Add(pts[q]);
      hash.Add_Vertex_Index(pts[q], k);
      query_of_entry.push_back(q);
    }
    found.push_back(query_of_entry[k]);
  }
  return found;
}

// Weld as the lookups one by one would do it, for one layer.
void ReferenceWeld(MVertexArray& verts, MFaceArray& faces, double tol) {
  MVertexArray out;
  MHash_V hash(&out, verts.count);
  hash.Set_Tolerance(tol);
  std::vector<int> done(static_cast<size_t>(verts.count), -1);
  for (int i = 0; i < faces.count; ++i) {
    MIPolygon& f = faces.data[i];
    for (int c = 0; c < f.count; ++c) {
      const int old = f.data[c];
      const bool known = old >= 0 && old < verts.count;
      if (known && done[old] >= 0) {
        f.data[c] = done[old];
        continue;
      }
      const MVector3 p = known ? verts.data[old] : MVector3();
      int k = hash.Get_Vertex_Index(p);
      if (k < 0) {
        k = out.Add(p);
        hash.Add_Vertex_Index(p, k);
      }
      if (known) done[old] = k;
      f.data[c] = k;
    }
  }
  verts = out;
}

}  // namespace

TEST(MeshLookups, BucketByBucketAnswersAsOneByOne) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    const double tol = seed % 2 ? 0.001 : 1e-4;
    std::vector<MVector3> pts = ClusteredPoints(4000, tol, seed);
    // A small table puts points of many cells into one bucket.
    for (int buckets : {7, 97, 12000}) {
      MVertexArray none;
      MHash_V hash(&none, buckets);
      hash.Set_Tolerance(tol);
      std::vector<unsigned int> bucket;
      for (const MVector3& p : pts) bucket.push_back(hash.Hash(p));
      std::vector<int> got = kvmesh::resolve_lookups(bucket, hash.size, tol, [&](int q) -> const MVector3& {
        return pts[static_cast<size_t>(q)];
      });
      EXPECT_EQ(got, OneByOne(pts, buckets, tol)) << "seed " << seed << ", " << buckets << " buckets";
    }
  }
}

TEST(MeshLookups, WeldMatchesTheOneByOneWeldWithStrayCorners) {
  const double tol = 0.001;
  std::vector<MVector3> pts = ClusteredPoints(3000, tol, 42);
  std::mt19937 rng(9);
  MMesh_P mesh("m");
  for (const MVector3& p : pts) mesh.Add_Vertex(p, -1.0);
  for (int i = 0; i < 2000; ++i) {
    MIPolygon f;
    const int corners = 3 + static_cast<int>(rng() % 3);
    for (int c = 0; c < corners; ++c) {
      // Now and then a corner outside the vertex array.
      int v = rng() % 50 == 0 ? (rng() % 2 ? -1 : 999999) : static_cast<int>(rng() % pts.size());
      f.Add(v);
    }
    f.Set_MatId(static_cast<int>(rng() % 3));
    mesh.Add_Face(f);
  }
  MVertexArray verts = *mesh.v_a;
  MFaceArray faces = *mesh.f_a;
  ReferenceWeld(verts, faces, tol);
  mesh.Weld(nullptr, tol);
  ASSERT_EQ(mesh.Get_Vertex_Count(), verts.count);
  for (int i = 0; i < verts.count; ++i) {
    EXPECT_EQ(mesh.v_a->data[i].x, verts.data[i].x) << i;
    EXPECT_EQ(mesh.v_a->data[i].z, verts.data[i].z) << i;
  }
  ASSERT_EQ(mesh.Get_Face_Count(), faces.count);
  for (int i = 0; i < faces.count; ++i) {
    ASSERT_EQ(mesh.f_a->data[i].count, faces.data[i].count);
    for (int c = 0; c < faces.data[i].count; ++c) EXPECT_EQ(mesh.f_a->data[i].data[c], faces.data[i].data[c]);
  }
}

TEST(MeshLookups, SmoothingIgnoresTheNormalsItReplaces) {
  // The same grid twice, once with a normal layer of its own (other corner
  // counts than the faces), smoothed alike.
  auto grid = [](bool with_normals) {
    MMesh_P* m = new MMesh_P("grid");
    const int n = 30;
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i) m->Add_Vertex(MVector3(i, j, std::sin(i * 0.3) * std::cos(j * 0.2)), -1.0);
    if (with_normals) m->UseNormals();
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        const int a = j * (n + 1) + i;
        MIPolygon f;
        for (int v : {a, a + 1, a + n + 2, a + n + 1}) f.Add(v);
        f.Set_MatId((i / 10) % 2);
        m->Add_Face(f);
        if (with_normals) {
          MIPolygon nf;
          for (int k = 0; k < 2 + (i % 5); ++k) nf.Add(k);
          m->Add_NFace(nf);
          m->Add_NVertex(MVector3(0, 0, 1), -1.0);
        }
      }
    }
    return m;
  };
  MMesh_P* plain = grid(false);
  MMesh_P* had = grid(true);
  plain->NormalSmooth(nullptr, 30.0);
  had->NormalSmooth(nullptr, 30.0);
  ASSERT_EQ(had->Get_NVertex_Count(), plain->Get_NVertex_Count());
  ASSERT_EQ(had->Get_NFace_Count(), plain->Get_NFace_Count());
  for (int i = 0; i < plain->Get_NFace_Count(); ++i) {
    ASSERT_EQ(had->nf_a->data[i].count, plain->nf_a->data[i].count) << i;
    EXPECT_EQ(had->nf_a->data[i].mat_id, plain->nf_a->data[i].mat_id);
    for (int c = 0; c < plain->nf_a->data[i].count; ++c)
      EXPECT_EQ(had->nf_a->data[i].data[c], plain->nf_a->data[i].data[c]);
  }
  for (int i = 0; i < plain->Get_NVertex_Count(); ++i) EXPECT_EQ(had->nv_a->data[i].y, plain->nv_a->data[i].y);
  delete plain;
  delete had;
}
