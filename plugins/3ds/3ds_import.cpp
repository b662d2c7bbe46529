// 3D Studio import: .3ds, .prj and .mli through the chunk layer.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "3ds_chunk.h"
#include "3ds_import.h"
#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"

namespace {

using namespace k3ds;
using imp3ds::Context;
using imp3ds::Failed;

const char kTitle[] = "3DS Import Plugin 1.0";
const long kSteps = 8;

void Step(Context& ctx, long step, const char* text) { kvpf::ReportStep(ctx.cb, step, kSteps, text); }

struct Named {
  const k3ds::Chunk* obj;
  const k3ds::Chunk* part;
  std::string name;
};

enum Kind { kCamera, kOmni, kSpot, kMesh };

// Named objects of one kind in file order.
std::vector<Named> NameList(Context& ctx, const k3ds::Chunk& ed, Kind kind, const char* fn) {
  std::vector<Named> out;
  for (const k3ds::Chunk& obj : ed.kids) {
    if (obj.id != kNamedObject) continue;
    const k3ds::Chunk* part = nullptr;
    switch (kind) {
      case kCamera: part = obj.Find(kNCamera); break;
      case kOmni: part = obj.Find(kNDirectLight); if (part && part->Find(kDlSpotlight)) part = nullptr; break;
      case kSpot: part = obj.Find(kNDirectLight); if (part && !part->Find(kDlSpotlight)) part = nullptr; break;
      case kMesh: part = obj.Find(kNTriObject); break;
    }
    if (!part) continue;
    std::string name = imp3ds::ChunkName(obj, ctx.err);
    if (Failed(ctx, fn)) continue;
    out.push_back({&obj, part, name});
  }
  return out;
}

void ImportSections(Context& ctx, Import3dsOption* o, const k3ds::Database& db) {
  // A material library holds its entries at the root; the other files in
  // the editor section.
  const k3ds::Chunk* ed = db.kind == kMaterialLibrary ? &db.root : db.root.Find(k3ds::kMData);
  if (!ed) return;
  const bool has_editor = db.kind != kMaterialLibrary;
  if (o->global_setting && has_editor) {
    Step(ctx, 0, "Settings ...");
    imp3ds::ImportGlobals(ctx, *ed);
  }
  if (o->back_ground && has_editor) {
    Step(ctx, 1, "Background ...");
    imp3ds::ImportBackground(ctx, *ed);
  }
  if (o->atmosphere && has_editor) {
    Step(ctx, 2, "Atmosphere ...");
    imp3ds::ImportAtmosphere(ctx, *ed);
  }
  if (o->cameras) {
    Step(ctx, 3, "Cameras ...");
    std::vector<Named> cams = NameList(ctx, *ed, kCamera, "GetCameraNameList3ds");
    for (size_t i = 0; i < cams.size(); ++i) {
      imp3ds::Item(ctx, cams[i].name.c_str(), static_cast<long>(i), static_cast<long>(cams.size()));
      imp3ds::ImportCamera(ctx, *cams[i].part, cams[i].name);
    }
  }
  if (o->lights) {
    Step(ctx, 4, "Lights ...");
    for (Kind k : {kOmni, kSpot}) {
      std::vector<Named> lights =
          NameList(ctx, *ed, k, k == kOmni ? "GetOmnilightNameList3ds" : "GetSpotlightNameList3ds");
      for (size_t i = 0; i < lights.size(); ++i) {
        imp3ds::Item(ctx, lights[i].name.c_str(), static_cast<long>(i), static_cast<long>(lights.size()));
        imp3ds::ImportLight(ctx, *lights[i].part, lights[i].name);
      }
    }
  }
  if (o->meshes) {
    Step(ctx, 5, "Meshes ...");
    std::vector<Named> named = NameList(ctx, *ed, kMesh, "GetMeshNameList3ds");
    std::vector<imp3ds::MeshPart> meshes;
    meshes.reserve(named.size());
    for (size_t i = 0; i < named.size(); ++i) {
      std::string name = named[i].name;
      if (name.empty()) name = "Mesh_" + std::to_string(i);
      meshes.push_back({named[i].obj, named[i].part, name});
    }
    imp3ds::ImportMeshes(ctx, meshes);
  }
  if (o->materials) {
    Step(ctx, 6, "Materials ...");
    std::vector<const k3ds::Chunk*> entries;
    std::vector<std::string> names;
    for (const k3ds::Chunk& e : ed->kids) {
      if (e.id != kMatEntry || !e.Find(kMatName)) continue;
      std::string name = imp3ds::ChunkName(*e.Find(kMatName), ctx.err, MSRF_NAME_LEN - 1);
      if (Failed(ctx, "GetMaterialNameList3ds")) continue;
      entries.push_back(&e);
      names.push_back(name);
    }
    // A file's own "DEFAULT" material (files we wrote have one) takes the
    // place of the blank one, and a name seen before would only repeat the
    // first entry of that name: surfaces stay unique by name.
    std::vector<std::string> seen;
    if (std::find(names.begin(), names.end(), "DEFAULT") == names.end()) {
      ctx.scene->surfaces->Append(new MSurface("DEFAULT"));
      seen.push_back("DEFAULT");
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      if (std::find(seen.begin(), seen.end(), names[i]) != seen.end()) continue;
      seen.push_back(names[i]);
      imp3ds::Item(ctx, names[i].c_str(), static_cast<long>(i), static_cast<long>(entries.size()));
      imp3ds::ImportMaterial(ctx, *entries[i], names[i]);
    }
  }
}

void Import3ds(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  Import3dsOption* o = static_cast<Import3dsOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  k3ds::ErrorList err;
  Context ctx{scene, err, run.log(), cb};
  MFileView file;
  if (!run.OpenInput(&file)) return;
  ctx.file = &file;
  // The root chunk first: of a foreign file nothing more is read.
  if (file.size() < 6 || !k3ds::KindOfRoot(file.Reader().U16())) {
    run.log().write("Sorry, no valid 3DStudio file\n");
    return run.Fail("%s is not a 3D Studio file", run.path().c_str());
  }
  k3ds::Database db;
  k3ds::ReadDatabaseView(file.data(), file.size(), &db, &err);  // the tree points into the mapping
  Failed(ctx, "CreateDatabase3ds");
  scene->maps->AddSearchPath(run.folder().c_str());
  scene->maps->AddSearchPath(o->image_search_path);
  ImportSections(ctx, o, db);
  if (ctx.damaged)
    run.Warn("%s is damaged: %d parts of it could not be read and were left out", run.path().c_str(), ctx.damaged);
  run.log().write("Parsing finished       \n");
  Step(ctx, 7, "PostProcessing ...");
  run.Finish(scene, o->activate_camera);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new Import3dsOption(argc, argv);
  return new Import3dsOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return static_cast<Import3dsOption*>(base)->Fields(out, max);
}

kvpf::ImportClassDesc import_3ds_desc(kvpf::ImportClassInfo{"3D Studio (*.3ds, *.prj, *.mtl)", 0x57DB52C5u,
                                                            kvpf::PluginTexts{"3DS", Import3dsOption::Help()},
                                                            NewOptions, Import3ds, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&import_3ds_desc};

}  // namespace

KV_PLUGIN_LIBRARY("3DS Import Lib", kClasses)
