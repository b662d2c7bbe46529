// Vertex-to-face lists.
#include "mesh.h"
#include "mesh_algo_internal.h"

namespace kvmesh {

void release_poly(MIPolygon& p) {
  if (!p.in_pool) my_free(p.data);
  p.in_pool = false;
  p.data = nullptr;
  p.capacity = 0;
  p.count = 0;
  p.mat_id = 0;
}

void VertexFaces::build(const MFaceArray* fa, int vertex_count, int matid) {
  start.assign(static_cast<size_t>(vertex_count > 0 ? vertex_count : 0) + 1, 0);
  faces.clear();
  if (!fa) return;
  auto listed = [&](const MIPolygon& f) { return matid == -1 || f.mat_id == matid; };
  for (int i = 0; i < fa->count; ++i) {
    const MIPolygon& f = fa->data[i];
    if (!listed(f)) continue;
    for (int c = 0; c < f.count; ++c)
      if (f.data[c] >= 0 && f.data[c] < vertex_count) ++start[f.data[c] + 1];
  }
  for (int v = 0; v < vertex_count; ++v) start[v + 1] += start[v];
  faces.resize(start[vertex_count]);
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (int i = 0; i < fa->count; ++i) {
    const MIPolygon& f = fa->data[i];
    if (!listed(f)) continue;
    for (int c = 0; c < f.count; ++c)
      if (f.data[c] >= 0 && f.data[c] < vertex_count) faces[fill[f.data[c]]++] = i;
  }
}

}  // namespace kvmesh

namespace {

MFaceArray* to_face_array(const MFaceArray* fa, int vertex_count, int matid) {
  kvmesh::VertexFaces vf;
  vf.build(fa, vertex_count, matid);
  MFaceArray* out = new MFaceArray(vertex_count);
  if (vertex_count < 1) return out;
  for (int v = 0; v < vertex_count; ++v) {
    MIPolygon& p = out->data[v];
    const int n = vf.start[v + 1] - vf.start[v];
    if (n == 0) continue;
    p.data = static_cast<int32_t*>(my_malloc(sizeof(int32_t) * n));
    p.capacity = n;
    p.count = n;
    for (int k = 0; k < n; ++k) p.data[k] = vf.faces[vf.start[v] + k];
  }
  return out;
}

}  // namespace

MFaceArray* MMesh_P::MakeVertexFaceLList(int matid) { return to_face_array(f_a, Get_Vertex_Count(), matid); }
MFaceArray* MMesh_P::MakeNVertexFaceLList(int matid) { return to_face_array(nf_a, Get_NVertex_Count(), matid); }
MFaceArray* MMesh_P::MakeUVVertexFaceLList(int matid) { return to_face_array(uvf_a, Get_UVVertex_Count(), matid); }
