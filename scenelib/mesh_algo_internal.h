// Helpers shared by the mesh algorithm files; not part of the public interface.
#pragma once
#include <cmath>
#include <cstdio>
#include <vector>

#include "mesh.h"
#include "mesh_hash.h"

namespace kvmesh {

// The position of a face corner, or the origin for an index outside the
// array, so that corrupt faces cannot read out of bounds.
inline const MVector3& vertex_at(const MVertexArray* va, int i) {
  static const MVector3 zero;
  return (va && i >= 0 && i < va->count) ? va->data[i] : zero;
}

inline void progress(MProgressCallback cb, long done, long total) {
  if (cb) cb(done, total);
}

// Frees a face's index buffer and leaves the slot all zero, the state of an
// unused slot of a face array.
void release_poly(MIPolygon& p);

// Corner positions (0 .. n-1) of the triangles of a polygon given by its
// corner points: the ear clipper for small polygons, a hashed ear clipper for
// large ones. Appends to `tris` three entries per triangle.
void triangulate_polygon(const MVector3* pts, int n, std::vector<int>& tris);

// The answers of a run of MHash_V lookups, each followed by an add when it
// found nothing, without making them one by one. Query q is point(q) in
// bucket[q] (its MHash_V::Hash); the result says for every query the query
// whose point it found (itself when it was added). A lookup only sees its
// own bucket, newest entry first, so each bucket is worked out on its own
// with its queries in order: the same answers, but a bucket's points are
// read together instead of a chain of random addresses per lookup, which is
// what makes a big table slow.
template <class PointOf>
std::vector<int> resolve_lookups(const std::vector<unsigned int>& bucket, unsigned int buckets, double tol,
                                 PointOf point) {
  const int n = static_cast<int>(bucket.size());
  // The queries by bucket, in order within each: a counting sort whose
  // counters end up as the bucket starts (bucket b is [start[b], start[b+1])).
  std::vector<int> start(static_cast<size_t>(buckets) + 2, 0);
  for (int q = 0; q < n; ++q) ++start[bucket[q] + 2];
  for (unsigned int b = 2; b < buckets + 2; ++b) start[b] += start[b - 1];
  std::vector<int> by_bucket(static_cast<size_t>(n));
  for (int q = 0; q < n; ++q) by_bucket[start[bucket[q] + 1]++] = q;
  std::vector<int> found(static_cast<size_t>(n));
  std::vector<int> added;
  for (unsigned int b = 0; b < buckets; ++b) {
    const int lo = start[b], hi = start[b + 1];
    if (hi - lo == 1) {
      found[by_bucket[lo]] = by_bucket[lo];
      continue;
    }
    added.clear();
    for (int k = lo; k < hi; ++k) {
      const int q = by_bucket[k];
      const MVector3& v = point(q);
      found[q] = q;
      // As MHash_V::Get_Vertex_Index compares.
      for (auto e = added.rbegin(); e != added.rend(); ++e) {
        const MVector3& p = point(*e);
        const double dx = p.x - v.x, dy = p.y - v.y, dz = p.z - v.z;
        if (std::sqrt(dx * dx + dy * dy + dz * dz) < tol) {
          found[q] = *e;
          break;
        }
      }
      if (found[q] == q) added.push_back(q);
    }
  }
  return found;
}

}  // namespace kvmesh
