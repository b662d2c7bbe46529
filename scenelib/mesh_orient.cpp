// Face reversal, the edge table and consistent orientation.
#include <unordered_map>
#include <vector>

#include "mesh.h"
#include "mesh_algo_internal.h"

namespace {

// Reverses face i in every layer, so that its normal and UV corners stay
// with their position corners.
void flip_face(MMesh_P& m, int i) {
  m.f_a->data[i].Flip();
  if (m.normals_used && m.nf_a && i < m.nf_a->count) m.nf_a->data[i].Flip();
  if (m.uv_used && m.uvf_a && i < m.uvf_a->count) m.uvf_a->data[i].Flip();
}

// True when some consecutive corner pair (a, b) of f also runs a -> b in g.
bool same_direction(const MIPolygon& f, const MIPolygon& g, int a_shared, int b_shared) {
  const int nf = f.count, ng = g.count;
  if (static_cast<long>(nf) * ng > 4096) {
    // Large faces: decide on the shared edge alone.
    for (int c = 0; c < ng; ++c) {
      const int a = g.data[c], b = g.data[(c + 1) % ng];
      if ((a == a_shared && b == b_shared) || (a == b_shared && b == a_shared)) {
        for (int d = 0; d < nf; ++d)
          if (f.data[d] == a && f.data[(d + 1) % nf] == b) return true;
        return false;
      }
    }
    return false;
  }
  for (int c = 0; c < nf; ++c) {
    const int a = f.data[c], b = f.data[(c + 1) % nf];
    for (int d = 0; d < ng; ++d)
      if (g.data[d] == a && g.data[(d + 1) % ng] == b) return true;
  }
  return false;
}

}  // namespace

void MMesh_P::Flip(MProgressCallback cb) {
  const int nf = Get_Face_Count();
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    f_a->data[i].Flip();
  }
  if (normals_used && nf_a)
    for (int i = 0; i < nf_a->count; ++i) nf_a->data[i].Flip();
  if (uv_used && uvf_a)
    for (int i = 0; i < uvf_a->count; ++i) uvf_a->data[i].Flip();
}

void MMesh_P::MakeEdgeList(MProgressCallback cb, MEdgeArray** edges_out, MFaceArray** face_edges_out, int reorient) {
  const int nf = Get_Face_Count();
  MEdgeArray* edges = new MEdgeArray();
  MFaceArray* fe = new MFaceArray(nf);
  std::unordered_map<unsigned long long, int> lookup;
  lookup.reserve(static_cast<size_t>(nf) * 2 + 1);
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    const MIPolygon& f = f_a->data[i];
    MIPolygon& list = fe->data[i];
    list.mat_id = f.mat_id;
    for (int c = 0; c < f.count; ++c) {
      const int a = f.data[c], b = f.data[(c + 1) % f.count];
      const unsigned lo = static_cast<unsigned>(a < b ? a : b), hi = static_cast<unsigned>(a < b ? b : a);
      const unsigned long long key = (static_cast<unsigned long long>(lo) << 32) | hi;
      auto it = lookup.find(key);
      int e;
      if (it == lookup.end()) {
        e = edges->Add(MEdge{a, b, i, -1});
        lookup.emplace(key, e);
      } else {
        e = it->second;
        // A third face on one edge (non-manifold) is not recorded.
        if (edges->data[e].d == -1 && edges->data[e].c != i) edges->data[e].d = i;
      }
      list.Add(e);
    }
  }
  if (reorient && nf > 0) {
    std::vector<char> visited(nf, 0);
    std::vector<int> stack;
    for (int seed = 0; seed < nf; ++seed) {
      if (visited[seed]) continue;
      stack.push_back(seed);
      while (!stack.empty()) {
        const int F = stack.back();
        stack.pop_back();
        if (visited[F]) continue;
        visited[F] = 1;
        const MIPolygon& elist = fe->data[F];
        for (int k = 0; k < elist.count; ++k) {
          const MEdge& e = edges->data[elist.data[k]];
          const int G = e.c == F ? e.d : e.c;
          if (G < 0 || G == F || visited[G]) continue;
          stack.push_back(G);
          if (same_direction(f_a->data[F], f_a->data[G], e.a, e.b)) {
            flip_face(*this, G);
            fe->data[G].Flip();
          }
        }
      }
    }
  }
  if (edges_out) *edges_out = edges;
  else delete edges;
  if (face_edges_out) *face_edges_out = fe;
  else delete fe;
}

// Orients every connected part like its lowest-numbered face, then reverses
// every face.
void MMesh_P::Unify(MProgressCallback cb) {
  if (log_file) fprintf(log_file, "Unifying ...\n");
  MakeEdgeList(cb, nullptr, nullptr, 1);
  if (log_file) fprintf(log_file, "outside\n");
  const int nf = Get_Face_Count();
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    flip_face(*this, i);
  }
}
