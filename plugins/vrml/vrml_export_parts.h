// The pieces of one VRML export run, shared by the writers of the nodes
// (camera, lights, appearances) and of the meshes.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "korvanelib.h"
#include "vrml_options.h"

namespace kvrml {

struct SurfaceNode {
  MSurface* surface = nullptr;
  std::string node;      // DEF name
  bool defined = false;  // 2.0: a shape has carried its DEF already
};

struct Run {
  MScene* scene;
  VrmlExportOption* opt;
  MTextWriter& out;
  LogFile& log;
  MessageCallBack1* cb;
  bool v2;
  MUniqueNames names;
  std::vector<SurfaceNode> surfaces;  // the scene's surfaces in list order
  std::unordered_map<std::string, int> surface_by_name;

  Run(MScene* s, VrmlExportOption* o, MTextWriter& w, LogFile& l, MessageCallBack1* c);
  // The surface a reference names (-1: none of that name).
  int FindSurface(const char* name) const;
  // A unique node name of a kind: prefix and the name made an identifier.
  std::string NodeName(const char* prefix, const char* name);
};

// A surface shows its first layer's bitmap when that layer drives the
// diffuse colour.
const MSrf_TextureLayer* DiffuseMap(MSurface* s);
// The map's name as the world refers to it (converted, and with '/').
std::string MapUrl(Run& r, const MSrf_TextureLayer* layer);

void WriteCamera(Run& r);
void WriteGlobalAmbient(Run& r);
void WriteLights(Run& r);
// VRML 1.0: every surface as a DEF'd Material of the world.
void WriteMaterials10(Run& r);
// The material of a shape: 2.0 "appearance ..." (the DEF with the first
// shape of a surface, USE after it), 1.0 "USE ..." or "Material"; a
// surface that is missing or not exported gets an inline default.
void WriteShapeMaterial(Run& r, int surface, const char* indent);
void WriteMeshes(Run& r);

}  // namespace kvrml
