// What the glTF import's parts share: the run, the parsed document, the
// buffers it names, and what has been made of materials, images and meshes.
// Every part notes the first fault it finds in `faults` and returns false;
// the import then fails with that reason.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "format_run.h"
#include "gltf_json.h"
#include "gltf_options.h"
#include "korvanelib.h"

namespace kvgltf {

struct Bytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

struct ImportContext {
  ImportContext(kvpf::ImportRun& r, MScene* s, GltfImportOption* opt) : run(r), scene(s), o(opt) {}

  kvpf::ImportRun& run;
  MScene* scene;
  GltfImportOption* o;
  Json doc;
  std::string dir;   // the model's folder, with its '/' ("" for the current one)
  std::string base;  // the model's file name without its extension
  Bytes bin_chunk;   // the binary chunk of a .glb (data null without one)
  bool glb = false;
  Faults faults;

  std::vector<Bytes> buffers;  // each holding exactly its byteLength bytes
  std::vector<std::unique_ptr<std::vector<uint8_t>>> decoded;  // data URIs
  std::vector<std::unique_ptr<MFileView>> files;               // buffers beside the model
  const MFileView* file = nullptr;                             // the model itself
  // Accessor elements the rest of the file may still ask for: the buffers'
  // bytes twice over and a fixed allowance, so that a small file cannot ask
  // for gigabytes.
  uint64_t budget = 0;

  std::vector<std::string> surfaces;  // the scene surface of each material
  std::string default_surface;        // for primitives without one ("" until needed)
  std::vector<std::string> image_maps;  // the map file of each image ("": none)
  std::set<std::string> written_images;  // files this import made of images
  std::map<std::string, int> names;   // object names taken, with the last suffix used

  const Json* Top(const char* key) const;  // a top-level list or object, or null
  size_t Count(const char* key) const { return ArraySize(Top(key)); }
  bool Fault(const std::string& where, const std::string& why) {
    faults.Note(where, why);
    return false;
  }
  // A name not yet taken by an object of this import (suffixes _2, _3 ...).
  std::string UniqueName(const std::string& wanted);
  // Bytes read into the scene: their pages of a mapped file leave memory
  // (read again, they come back from the file).
  void ReleaseRead(const uint8_t* data, size_t n) const;
};

// The container and the document: a .glb's chunks or the whole file as
// JSON, then the asset version and the extensions the file requires.
bool ReadDocument(ImportContext& c, const MFileView& file);
// Every buffer, from the binary chunk, a data URI or a file beside the model.
bool LoadBuffers(ImportContext& c);
// The file a relative URI names beside the model; false with why.
bool ResolveUri(ImportContext& c, const std::string& uri, std::string* path, std::string* why);

// The bytes of a buffer view, checked against its buffer.
bool ViewBytes(ImportContext& c, int64_t view, Bytes* out, size_t* stride);
// An accessor's elements as floats (components per element; normalised
// integers scaled as glTF says), sparse substitutions applied.
bool ReadFloats(ImportContext& c, int64_t accessor, int components, std::vector<float>* out);
// An index accessor (unsigned byte, short or int scalars).
bool ReadIndices(ImportContext& c, int64_t accessor, std::vector<uint32_t>* out);

// Materials into scene surfaces, images into map files.
bool ReadMaterials(ImportContext& c);
// The surface of a primitive's material index (-1: the default one).
const std::string& SurfaceOf(ImportContext& c, int64_t material);

// Mesh m as a polygon mesh named name (null with a fault).
MMesh_P* ReadMesh(ImportContext& c, int64_t m, const std::string& name);
// The node tree of the default scene: objects, cameras and lights.
bool ReadNodes(ImportContext& c);

// glTF's column-major matrix (16 numbers) as the scene's row-vector matrix.
MMatrix FromGltfMatrix(const double* m);

}  // namespace kvgltf
