// Groups spread pass by pass: a pass starts at the first face without a
// group and carries groups from every grouped face across its not yet
// visited corner vertices. A vertex is visited once over the whole run, so a
// face has nothing more to give once its vertices are visited; only
// faces that still have one are kept in the ordered work set. That gives
// exactly the face order of a plain scan at O(n log n) instead of a full
// rescan per pass.

#include <set>

#include "3ds_export.h"
#include "korvanelib.h"

namespace k3ds {

namespace {

// Corner normal of written face f at vertex v; false when the mesh holds none.
bool NormalAt(MMesh_P& m, int face, int v, MVector3* out) {
  if (face >= m.Get_Face_Count() || !m.nf_a || face >= m.nf_a->count) return false;
  const MIPolygon& f = m.Get_IFace(face);
  const MIPolygon& nf = m.Get_INFace(face);
  for (int c = 0; c < f.count && c < nf.count; ++c) {
    if (f.data[c] != v) continue;
    int n = nf.data[c];
    if (n < 0 || n >= m.Get_NVertex_Count()) return false;
    *out = m.Get_NVertex(n);
    return true;
  }
  return false;
}

}  // namespace

std::vector<uint32_t> SmoothingGroups(MMesh_P& mesh, const std::vector<int>& faces,
                                      void (*progress)(long, long)) {
  const int nf = static_cast<int>(faces.size());
  std::vector<uint32_t> g(static_cast<size_t>(nf), 0);
  if (nf == 0) return g;
  const int nv = mesh.Get_Vertex_Count();

  // Vertex -> mesh faces in face order, and mesh face -> written face.
  kvmesh::VertexFaces vf;
  vf.build(mesh.f_a, nv, -1);
  std::vector<int> written(static_cast<size_t>(mesh.Get_Face_Count()), -1);
  for (int f = 0; f < nf; ++f) written[static_cast<size_t>(faces[f])] = f;
  auto corner = [&](int f, int c) { return mesh.Get_IFace(faces[f]).data[c]; };
  auto valid = [&](int v) { return v >= 0 && v < nv; };

  std::vector<char> done(static_cast<size_t>(nf), 0), visited(static_cast<size_t>(nv), 0);
  std::set<int> work;  // grouped faces that may still have an unvisited vertex
  g[0] = 1;
  done[0] = 1;
  work.insert(0);
  uint32_t bit = 1;
  int s = 0, unassigned = 0;
  for (;;) {
    if (progress) progress(s, nf);
    for (auto it = work.lower_bound(s); it != work.end(); it = work.erase(it)) {
      const int f = *it;
      for (int c = 0, n = mesh.Get_IFace(faces[f]).count; c < n; ++c) {
        const int v = corner(f, c);
        if (!valid(v) || visited[v]) continue;
        visited[v] = 1;
        MVector3 nf_v;
        const bool has_f = NormalAt(mesh, faces[f], v, &nf_v);
        for (int k = vf.start[v]; k < vf.start[v + 1]; ++k) {
          const int h = written[static_cast<size_t>(vf.faces[k])];
          if (h < 0 || done[h] || h == f) continue;
          MVector3 nh_v;
          if (!has_f || !NormalAt(mesh, faces[h], v, &nh_v)) continue;
          if (nf_v == nh_v || nf_v == -nh_v) {
            g[h] = g[f];
            done[h] = 1;
            work.insert(h);
          }
        }
      }
    }
    while (unassigned < nf && g[unassigned] != 0) ++unassigned;
    if (unassigned == nf) break;
    bit <<= 1;
    if (bit == 0) bit = 1;
    s = unassigned;
    g[s] = bit;
    work.insert(s);
  }
  return g;
}

}  // namespace k3ds
