// Welding (merging coincident vertices through MHash_V) and removal of
// degenerate faces.
#include <cmath>
#include <vector>

#include "mesh.h"
#include "mesh_algo_internal.h"
#include "mesh_hash.h"

namespace {

// Re-indexes one layer: every vertex, in the order the faces first use it,
// is looked up in a hash over the new vertex array and appended when no
// entry closer than the tolerance is found there.
void weld_layer(MVertexArray*& verts, MFaceArray* faces, double tol, MProgressCallback cb,
                const MFaceArray* matid_from) {
  if (!verts || !faces) return;
  const int count = verts->count;
  const int nf = faces->count;
  // First uses. A corner outside the vertex array stands for the origin and
  // is looked up every time it occurs, as a point of its own.
  std::vector<int> rank(static_cast<size_t>(count), -1);
  std::vector<int> order;  // old vertex per query; -1 for such a corner
  order.reserve(static_cast<size_t>(count));
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = faces->data[i];
    for (int c = 0; c < f.count; ++c) {
      const int old = f.data[c];
      if (old < 0 || old >= count) {
        order.push_back(-1);
      } else if (rank[old] < 0) {
        rank[old] = static_cast<int>(order.size());
        order.push_back(old);
      }
    }
  }
  const int n = static_cast<int>(order.size());
  auto point = [&](int q) -> const MVector3& { return kvmesh::vertex_at(verts, order[q]); };

  MVertexArray* nv = new MVertexArray();
  nv->Reserve(n > 0 ? n : 1);
  std::vector<int> found;
  {
    MHash_V hash(nv, count);  // for its buckets; the table itself stays unused
    hash.Set_Tolerance(tol);
    std::vector<unsigned int> bucket(static_cast<size_t>(n));
    for (int q = 0; q < n; ++q) bucket[q] = hash.Hash(point(q));
    found = kvmesh::resolve_lookups(bucket, hash.size, tol, point);
  }
  // New indices in first-use order, then the faces.
  std::vector<int> index(static_cast<size_t>(n));
  for (int q = 0; q < n; ++q) index[q] = found[q] == q ? nv->Add(point(q)) : index[found[q]];
  int stray = 0;
  auto next_stray = [&]() {
    while (order[stray] >= 0) ++stray;
    return stray++;
  };
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    MIPolygon& f = faces->data[i];
    for (int c = 0; c < f.count; ++c) {
      const int old = f.data[c];
      f.data[c] = index[old >= 0 && old < count ? rank[old] : next_stray()];
    }
    if (matid_from && i < matid_from->count) f.mat_id = matid_from->data[i].mat_id;
  }
  delete verts;
  verts = nv;
}

}  // namespace

// A tolerance of 0, below 0 or NaN leaves the mesh as it is: a negative one
// would split every corner into its own vertex.
void MMesh_P::Weld(MProgressCallback cb, double tol) {
  if (!(tol > 0.0)) return;
  if (log_file) {
    fprintf(log_file, "Welding ...\n");
    fprintf(log_file, "Delta: %.3lf\n", tol);
  }
  weld_layer(v_a, f_a, tol, cb, nullptr);
  if (normals_used) weld_layer(nv_a, nf_a, tol, cb, f_a);
  if (uv_used) weld_layer(uv_a, uvf_a, tol, cb, nullptr);
}

namespace {

// Keeps the faces whose flag is set, in order; the freed tail slots are zeroed.
void compact_faces(MFaceArray* fa, const std::vector<char>& keep) {
  if (!fa) return;
  int out = 0;
  for (int i = 0; i < fa->count; ++i) {
    MIPolygon& f = fa->data[i];
    const bool k = i >= static_cast<int>(keep.size()) || keep[i];
    if (!k) {
      kvmesh::release_poly(f);
      continue;
    }
    if (out != i) {
      MIPolygon& d = fa->data[out];
      d.data = f.data;
      d.capacity = f.capacity;
      d.count = f.count;
      d.mat_id = f.mat_id;
      d.in_pool = f.in_pool;
      f.data = nullptr;
      f.capacity = f.count = f.mat_id = 0;
      f.in_pool = false;
    }
    ++out;
  }
  fa->count = out;
}

void degenerate_stats(MMesh_P& m) {
  fprintf(m.log_file, "Faces: %d\n", m.Get_Face_Count());
  if (m.uv_used) fprintf(m.log_file, "UVFaces: %d\n", m.Get_UVFace_Count());
  if (m.normals_used) fprintf(m.log_file, "NFaces: %d\n", m.Get_NFace_Count());
}

}  // namespace

void MMesh_P::Degenerate(MProgressCallback cb, double tol) {
  if (tol == 0.0 || std::isnan(tol)) return;
  if (log_file) {
    fprintf(log_file, "Degenerate ...\n");
    fprintf(log_file, "Delta: %.3lf\n", tol);
    fprintf(log_file, "Statisitcs:\n");
    fprintf(log_file, "Before:\n");
    degenerate_stats(*this);
  }
  const int nf = Get_Face_Count();
  std::vector<char> keep(nf, 1);
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    const MIPolygon& f = f_a->data[i];
    if (f.count < 2) {
      keep[i] = 0;  // no area at all
      continue;
    }
    const MVector3& p0 = kvmesh::vertex_at(v_a, f.data[0]);
    const MVector3& p1 = kvmesh::vertex_at(v_a, f.data[1]);
    const MVector3& pl = kvmesh::vertex_at(v_a, f.data[f.count - 1]);
    keep[i] = vect_cross(p1 - p0, pl - p0).Length() >= tol;
  }
  compact_faces(f_a, keep);
  if (normals_used) compact_faces(nf_a, keep);
  if (uv_used) compact_faces(uvf_a, keep);
  if (log_file) {
    fprintf(log_file, "After:\n");
    degenerate_stats(*this);
  }
}
