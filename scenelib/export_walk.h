// The walk every exporter makes over a scene: the objects in list order,
// each reference standing for the object it names, polygon meshes through
// their triangulated copy (cached in the scene's tri_objects for the next
// export, unless the scene is exported once), solids through a mesh made
// for the call.
#pragma once
#include <cstddef>
#include <functional>
#include <vector>

#include "geometry.h"
#include "msgcallback.h"

class MScene;
class MObj3d;
class MMesh_P;
class MFaceArray;
class MCamera;

struct MExportWalkOptions {
  // Meshes as stored, n-gons and all, instead of their triangulation.
  bool triangulate = true;
  // With triangulate: a mesh of triangles and quads (and faces of fewer
  // corners) is passed on as stored, for a writer that splits each quad as
  // the triangulation does (corners 0 1 2, then 0 2 3) — no copy is made.
  // Meshes with larger faces are triangulated as ever.
  bool writer_splits_quads = false;
  // Keep triangulated copies in the scene for later exports (else each is
  // freed after the last object of the walk that writes its mesh). Scenes
  // that are exported once (keep_export_copies off) keep none. A copy an
  // earlier export kept is used either way: it is what was written.
  bool cache = true;
  // Leave out hidden objects (a reference is left out when it or the
  // object it names is hidden).
  bool skip_hidden = false;
  // Leave out hidden polygon meshes only (also when a reference names one);
  // solids are written whatever their flag.
  bool skip_hidden_meshes = false;
  // Row-2 progress: the name of each object and its place in the list.
  bool report_objects = true;
};

struct MExportMesh {
  MObj3d* object = nullptr;  // as listed: the reference itself for an instance
  MObj3d* source = nullptr;  // what is written: the named object of a reference, else object
  MMesh_P* mesh = nullptr;   // the faces to write; valid during the call only
  MMatrix matrix;            // the listed object's local matrix
  int index = 0;             // position of object in the scene's list
  int count = 0;             // objects in the list
  // Faces of more than three corners that the triangulation split (0 when
  // the mesh is written as stored).
  int ngons = 0;
  // The walk passed the quads of mesh on as stored (writer_splits_quads):
  // the writer splits them.
  bool split_quads = false;
};

// Calls fn once per written mesh; returns how many there were. Objects that
// give no mesh (other types, a reference naming nothing or another
// reference, a solid without a mesh) are passed over.
int ForEachExportMesh(MScene* scene, MessageCallBack1* cb, const MExportWalkOptions& options,
                      const std::function<void(const MExportMesh&)>& fn);

// How many triangles ForEachExportMesh with these options (triangulating)
// gives the writers, without making the triangulated copies: a faster and
// smaller count for statistics.
long m_export_triangle_count(MScene* scene, const MExportWalkOptions& options);

// The camera a scene is seen through: its active camera, the first when
// the index is out of range; null without cameras.
MCamera* m_active_camera(MScene* scene);

// True when every face (and every normal and texture face, where the mesh
// has them) has three corners: the mesh is its own triangulation.
bool m_all_triangles(MMesh_P* mesh);

// True when layer (the normal or texture faces of mesh) gives every face of
// mesh a polygon with the same number of corners, each an index below
// vertex_count: the layer can be written corner by corner with the
// positions.
bool m_layer_fits(MMesh_P* mesh, const MFaceArray* layer, int vertex_count);

// The layers a writer can give corner by corner with the positions: the
// normals when used and fitting, the texture coordinates when used,
// fitting, and the mesh is mapped by them (UV_MAP).
struct MExportLayers {
  bool normals = false;
  bool uvs = false;
};
MExportLayers m_export_layers(MMesh_P* mesh);

// The faces of a mesh that can be drawn (three corners or more, each a
// position of the mesh) as triangles, a larger polygon as a fan from its
// first corner: three indices per triangle in each layer, -1 in a layer not
// asked for.
struct MTriangleCorners {
  std::vector<int> positions, normals, uvs;
  size_t count() const { return positions.size() / 3; }
};
MTriangleCorners m_triangle_corners(MMesh_P* mesh, const MExportLayers& layers);
