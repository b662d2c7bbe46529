// The pieces of one POV-Ray export run, shared by the writers of the file
// set: the names of everything, the open files and the map references.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "pov_format.h"
#include "pov_options.h"

namespace kpov {

struct Run {
  MScene* scene;
  PovExportOption* opt;
  kvpf::ExportRun& run;
  MessageCallBack1* cb;
  Dialect dialect;
  MUniqueNames names;
  // Identifiers of the scene's objects, cameras, lights and surfaces, by
  // their place in the scene's lists.
  std::vector<std::string> object_ids, camera_ids, light_ids, surface_ids;
  std::unordered_map<std::string, int> surface_by_name;
  // Maps of a type POV-Ray cannot read: converted into the export folder
  // after the map step (source name as the model gives it, target file).
  std::vector<std::pair<std::string, std::string>> conversions;

  // The files being written (null when not part of this export).
  std::unique_ptr<MTextWriter> master, master_inc, part_inc, atmosphere, objects, cameras, lights, materials, udo;

  Run(MScene* s, PovExportOption* o, kvpf::ExportRun& r, MessageCallBack1* c);
  bool MeshForm() const { return dialect == kPov3Mesh; }
  bool MegaPov() const { return dialect == kMegaPov; }
  // The texture of a surface reference: the surface's identifier, or
  // T_DEFAULT when there is no such surface or materials are not written.
  const std::string& TextureOf(const char* surface_name) const;
  std::string TextureName(const char* name) { return Unique(name, kTextureNameMode); }
  std::string Unique(const char* name, int mode);
};

// The active camera's index, -1 without cameras.
int ActiveCamera(MScene* scene);

// Every file with a title starts so.
void WriteHeader(Run& r, MTextWriter& out, const char* title);

void WriteAtmosphere(Run& r);
void WriteCameras(Run& r);
void WriteLights(Run& r);
void WriteObjects(Run& r);
void WriteMaterials(Run& r);
// The Moray objects (.udo, through r.udo) and model (.mdl, opened here).
void WriteMoray(Run& r);
// After the map step: the maps POV-Ray cannot read, converted to PNG.
void ConvertMaps(Run& r);

// How a map is written in POV-Ray: the image type keyword and the name the
// scene refers to (converted to PNG, and noted in r.conversions, when POV-Ray
// cannot read its type).
struct MapRef {
  std::string keyword;
  std::string name;
};
MapRef PovMap(Run& r, const char* map_name);
// The "#if (file_exists(...))" that keeps a scene whose map is missing
// readable; nothing in the MegaPov dialect.
void OpenMapGuard(Run& r, MTextWriter& out, const MapRef& map);
void CloseMapGuard(Run& r, MTextWriter& out, const char* fallback);

}  // namespace kpov
