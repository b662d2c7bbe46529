// Helpers shared by the mesh algorithm files; not part of the public interface.
#pragma once
#include <cstdio>
#include <vector>

#include "mesh.h"

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

}  // namespace kvmesh
