// Welding (merging coincident vertices through MHash_V) and removal of
// degenerate faces.
#include <cmath>
#include <vector>

#include "mesh.h"
#include "mesh_algo_internal.h"
#include "mesh_hash.h"

namespace {

// Re-indexes one layer: every corner of `faces` is looked up in a hash over
// a new vertex array and appended when new. Faces are rewritten in place,
// which leaves the same result as building a new face array.
void weld_layer(MVertexArray*& verts, MFaceArray* faces, double tol, MProgressCallback cb,
                const MFaceArray* matid_from) {
  if (!verts || !faces) return;
  MVertexArray* nv = new MVertexArray();
  nv->Reserve(verts->count > 0 ? verts->count : 1);
  {
    MHash_V hash(nv, verts->count);
    hash.Set_Tolerance(tol);
    // A vertex already welded keeps the index it got: corners sharing an
    // old vertex are looked up once, not once per face around it.
    std::vector<int> done(static_cast<size_t>(verts->count), -1);
    const int nf = faces->count;
    for (int i = 0; i < nf; ++i) {
      kvmesh::progress(cb, i, nf);
      MIPolygon& f = faces->data[i];
      for (int c = 0; c < f.count; ++c) {
        const int old = f.data[c];
        const bool known = old >= 0 && old < verts->count;
        if (known && done[old] >= 0) {
          f.data[c] = done[old];
          continue;
        }
        const MVector3& p = kvmesh::vertex_at(verts, old);
        int k = hash.Get_Vertex_Index(p);
        if (k < 0) {
          k = nv->Add(p);
          hash.Add_Vertex_Index(p, k);
        }
        if (known) done[old] = k;
        f.data[c] = k;
      }
      if (matid_from && i < matid_from->count) f.mat_id = matid_from->data[i].mat_id;
    }
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
      f.data = nullptr;
      f.capacity = f.count = f.mat_id = 0;
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
