// The object walk both 3D Studio writers share: references resolved,
// polygon meshes triangulated (and the result kept in the scene for later
// exports), solids turned into meshes, texture coordinates made one per
// vertex, smoothing groups computed, and meshes beyond the format's 16-bit
// counts split into pieces that fit.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "korvanelib.h"

class LogFile;

namespace k3ds {

constexpr int kMaxCount = 65535;  // vertices or faces of one 3D Studio mesh

struct TriMesh {
  std::string name;       // the source object's name; pieces add "_<n>"
  int piece = -1;         // -1 when the mesh was not split
  std::vector<MVector3> verts;  // already transformed by the local matrix
  std::vector<float> uv;        // u, v per vertex when mapped, else empty
  std::vector<uint32_t> tris;   // three vertex indices per face
  std::vector<int> mat;         // material index per face
  std::vector<uint32_t> smooth; // group mask per face; empty without normals
  int normal_count = 0;         // normal vertices of the source (for the log)
  std::vector<std::string> materials;  // the mesh's material name list
  bool box_map = false;
  MMatrix matrix;         // object frame (axes in rows 0..2, origin in row 3)
  int hidden = 0, matte = 0, cast_shadows = 1, receive_shadows = 1;

  int VertexCount() const { return static_cast<int>(verts.size()); }
  int FaceCount() const { return static_cast<int>(mat.size()); }
};

struct WalkOptions {
  bool fast_smoothing = true;
  bool dump_meshes = true;  // MMesh_P::Dump of the meshes with texture coordinates
  const char* tool = "";    // log prefix for the split message
};

// Calls write(mesh, k) for every writable object k of the scene, once per
// piece of a split mesh.
void ForEachMesh(MScene* scene, LogFile& log, MessageCallBack1* cb, const WalkOptions& opt,
                 const std::function<void(TriMesh&, int)>& write);

// Splits a mesh into pieces of at most kMaxCount vertices and faces, faces
// kept in order; each piece holds only the vertices its faces use.
std::vector<TriMesh> SplitMesh(const TriMesh& m);

// A name of at most max_len characters not yet in used (which it joins):
// the wanted name itself, else cut and followed by "_<n>".
std::string UniqueName(const std::string& wanted, size_t max_len, std::vector<std::string>& used);

}  // namespace k3ds
