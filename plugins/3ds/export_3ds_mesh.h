// The object walk both 3D Studio writers share: references resolved,
// polygon meshes triangulated (and the result kept in the scene for later
// exports), solids turned into meshes, texture coordinates made one per
// vertex, smoothing groups computed, and meshes beyond the format's 16-bit
// counts split into pieces that fit.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
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
};

// Calls write(mesh, k) for every writable object k of the scene, once per
// piece of a split mesh.
void ForEachMesh(MScene* scene, LogFile& log, MessageCallBack1* cb, const WalkOptions& opt,
                 const std::function<void(TriMesh&, int)>& write);

// Splits a mesh into pieces of at most kMaxCount vertices and faces, faces
// kept in order; each piece holds only the vertices its faces use.
std::vector<TriMesh> SplitMesh(const TriMesh& m);

// Names handed out so far, each at most max_len characters: the wanted name
// itself, else cut and followed by "_<n>" with the first n not yet taken.
class UniqueNames {
 public:
  explicit UniqueNames(size_t max_len) : max_len_(max_len) {}
  std::string Get(const std::string& wanted);

 private:
  size_t max_len_;
  std::unordered_set<std::string> used_;
  // The last n tried per wanted name: names are never given back, so the
  // search for the next one starts there (many objects may share a name).
  std::unordered_map<std::string, int> last_n_;
};

}  // namespace k3ds
