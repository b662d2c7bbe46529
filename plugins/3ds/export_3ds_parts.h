// Pieces of the binary 3D Studio writer: each puts one kind of scene data
// into the editor section of the database being built.
#pragma once
#include <string>
#include <vector>

#include "chunk3ds.h"
#include "export_3ds_mesh.h"
#include "korvanelib.h"

namespace k3ds {

struct MaterialContext {
  MIHandler& image_handler;
  LogFile& log;
  // The map's name in the written file (converted or copied name), logged.
  std::string NewMapName(const char* file) const;
};

void PutMeshSet(Chunk& editor, const MSceneOptions& o);
void PutBackground(Chunk& editor, const MBackGround& b, const MaterialContext& ctx);
void PutAtmosphere(Chunk& editor, const MFog& f);
void PutCamera(Chunk& editor, MCamera& c, const std::string& name);
// False for kinds the format has no light for.
bool PutLight(Chunk& editor, MLight& l, const std::string& name, const MaterialContext& ctx);
// materials: the written (cut and unique) name of each of the mesh's
// material names.
void PutMesh(Chunk& editor, const TriMesh& m, const std::string& name, const std::vector<std::string>& materials);
void PutMaterial(Chunk& editor, MSurface& s, const std::string& name, const MaterialContext& ctx);

}  // namespace k3ds
