// Smoothing group masks of a triangle list, recovered from the explicit
// normals of its mesh: faces that meet at a vertex with the same (or the
// exactly opposite) corner normal share a group.
#pragma once
#include <cstdint>
#include <vector>

class MMesh_P;

namespace k3ds {

// faces: indices of the mesh's faces that are written (its 3-corner faces),
// in output order. Returns one mask per entry of faces. progress gets
// (first face of the pass, face count) at every pass; may be null.
std::vector<uint32_t> SmoothingGroups(MMesh_P& mesh, const std::vector<int>& faces,
                                      void (*progress)(long, long));

}  // namespace k3ds
