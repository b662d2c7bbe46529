// The pieces of the LightWave import: objects, their surfaces and texture
// coordinates, and scenes.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "binio.h"
#include "format_run.h"
#include "korvanelib.h"
#include "lwo_options.h"

namespace lwoimp {

// What one import run shares between the objects it reads.
struct Context {
  MScene* scene;
  LwoImportOption* o;
  MessageCallBack1* cb;
  kvpf::ImportRun& run;
  LogFile& log;
  std::string content_dir;  // with '/' and a trailing separator, "" for none
  // The folder of the object being read, with its separator.
  std::string object_dir;
  // Smoothing angles (degrees) of the surfaces read so far, by name; a name
  // that is here has had its SURF chunk read.
  std::map<std::string, double> smoothing;
};

// ---- chunk layer helpers of the object reader

// Strings of names: at most this many characters are kept.
constexpr size_t kNameMax = MSRF_NAME_LEN - 1;
// Paths in files.
constexpr size_t kPathMax = 4095;

// '\\' turned into '/', the way the platform writes paths.
std::string SlashPath(std::string p);

// ---- surfaces (lwo_import_surface.cpp)

struct Clip {
  uint32_t index = 0;  // the clip's own number, which IMAG names
  bool still = false;
  std::string path;  // with '/'
};

// What the object reader keeps of a SURF chunk besides its MSurface.
struct SurfaceInfo {
  std::string name;
  double smoothing = 0.0;  // degrees; 0: flat
  std::string uv_map;      // the vertex map its texture block names
};

// Builds the surface of a SURF chunk (appended to the scene unless one of
// that name is there already).
SurfaceInfo ReadSurface(Context& ctx, MBinReader data, bool lwo2, const std::vector<Clip>& clips);
// A CLIP chunk.
Clip ReadClip(Context& ctx, MBinReader data);

// ---- texture coordinates of LWOB objects (lwo_import_uv.cpp)

// The UV side file beside an LWOB object: false when there is none or it
// does not fit the mesh.
bool ReadUVSideFile(Context& ctx, MMesh_P* mesh, const std::string& object_path);
// The texture polygons of an UVCV chunk.
void ReadUVCV(Context& ctx, MMesh_P* mesh, MBinReader data);
// A UV layer whose faces fall short of the mesh's gets the missing ones at
// (0, 0), so that every face keeps a texture face of its own.
void CompleteUVFaces(MMesh_P* mesh);

// ---- objects (lwo_import_object.cpp)

// Reads the object file at path into a new mesh appended to the scene.
// Null when the file cannot be used (why is in *error). layer >= 0 reads
// only the layer of that number, when the file has one.
MMesh_P* ImportObjectFile(Context& ctx, const std::string& path, std::string* error, int layer = -1);
// The same for a file already mapped.
MMesh_P* ImportObject(Context& ctx, const std::string& path, const MFileView& file, std::string* error,
                      int layer = -1);

// ---- scenes (lwo_import_scene.cpp)

// Reads a scene file (the "LWSC" text form).
void ImportSceneFile(Context& ctx, FILE* f);

}  // namespace lwoimp
