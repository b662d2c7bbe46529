// What the glTF export's parts share: the document being built, its binary
// buffer, and the indices given to what was written already (a mesh shared by
// several objects is written once, a surface once).
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "format_run.h"
#include "gltf_bin_buffer.h"
#include "gltf_options.h"
#include "korvanelib.h"

namespace kvgltf {

using Json = nlohmann::json;

struct ExportContext {
  ExportContext(kvpf::ExportRun& r, MScene* s, GltfExportOption* opt) : run(r), scene(s), o(opt) {}

  kvpf::ExportRun& run;
  MScene* scene;
  GltfExportOption* o;

  BinBuffer bin;  // the one buffer, each view 4-byte aligned
  Json views = Json::array(), accessors = Json::array(), meshes = Json::array(), nodes = Json::array(),
       materials = Json::array(), textures = Json::array(), images = Json::array(), cameras = Json::array(),
       lights = Json::array();
  std::map<const MObj3d*, int> mesh_of;      // the glTF mesh written for a source object
  std::map<std::string, int> material_of;    // by surface name
  std::map<std::string, int> texture_of;     // by map file name

  // Appends n bytes as a buffer view (target 0: none); its index.
  int AddView(const void* data, size_t n, int target);
  // An accessor over a whole view.
  int AddAccessor(int view, int component_type, size_t count, const char* type);
};

// The glTF mesh of an exported object (-1 when it has no triangle); baked:
// its positions and normals moved by e.matrix (a matrix glTF cannot hold).
int WriteMesh(ExportContext& c, const MExportMesh& e, bool baked);
// The material of a scene surface (-1 when the scene has none of the name).
int MaterialOf(ExportContext& c, const char* surface_name);
// Cameras and punctual lights as nodes, each appended to roots.
void WriteCameras(ExportContext& c, std::vector<int>* roots);
void WriteLights(ExportContext& c, std::vector<int>* roots);

// The scene's row-vector matrix as glTF's column-major list; false when it
// is no translation, rotation and scale (shear, projection) and so cannot
// stand on a node.
bool ToGltfMatrix(const MMatrix& m, double out[16]);
bool Finite3(const MVector3& v);
// A scene name as the UTF-8 of a glTF "name".
std::string NameText(const char* name);

}  // namespace kvgltf
