// DirectX import: the walk over the data objects of a .x file that fills a
// scene (frames, meshes with their normals, texture coordinates and
// materials). Private to import_x.
#pragma once
#include <string>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "xfile.h"

namespace kvx {

enum class Kind {
  kOther, kHeader, kFrame, kFrameMatrix, kMesh, kNormals, kTexCoords, kMaterialList, kVertexColors,
  kMaterial, kTextureFile, kAnimation
};
Kind KindOf(const std::string& type);

class XSceneReader {
 public:
  XSceneReader(const XFile& x, MScene* scene, kvpf::ImportRun& run);
  // Every top-level object, then every one placed only by references that
  // were never reached. Returns the number of meshes made.
  int ReadAll();

 private:
  struct MeshState {
    MMesh_P* mesh = nullptr;
    uint32_t file_vertices = 0;
    std::vector<int> face_map;  // face of the file -> face of the mesh, -1 when left out
    bool normals = false, texcoords = false, materials = false;
  };

  void Walk(int obj, Kind parent, const MMatrix& world, MeshState* ms, MSurface* surface, int depth);
  void Children(int obj, Kind kind, const MMatrix& world, MeshState* ms, MSurface* surface, int depth);
  MMatrix FrameWorld(int frame, const MMatrix& parent);
  bool ReadMesh(int obj, const MMatrix& world, MeshState* ms);
  void FinishMesh(MeshState* ms);
  void ReadNormals(int obj, MeshState* ms);
  void ReadTexCoords(int obj, MeshState* ms);
  void ReadMaterialList(int obj, const MMatrix& world, MeshState* ms, int depth);
  MSurface* ReadMaterial(int obj, MeshState* ms);
  void ReadTextureFile(int obj, MSurface* surface);
  std::string Name(int obj) const { return x_.object(obj).name; }

  const XFile& x_;
  MScene* scene_;
  kvpf::ImportRun& run_;
  LogFile& log_;
  std::vector<char> on_path_, visited_;
  std::vector<int32_t> corners_;
  int meshes_ = 0;
  int layers_ = 0;
  bool warned_cycle_ = false, warned_depth_ = false, warned_budget_ = false;
  // References may place one object many times over (a chain of frames
  // each naming the next twice doubles at every step): the walk and the
  // mesh data it reads are bounded by the size of the file.
  size_t steps_left_ = 0;
  size_t mesh_bytes_left_ = 0;
};

}  // namespace kvx
