// glTF 2.0 export: every mesh of the scene as a node of one scene, its
// matrix on the node (or moved into the positions when glTF cannot hold
// it), cameras and punctual lights as nodes; a .glb holds the document and
// its buffer, a .gltf names a .bin beside it or holds it as a data URI.
#include <cstring>
#include <string>

#include "format_run.h"
#include "gltf_export.h"
#include "gltf_format.h"
#include "gltf_uri.h"
#include "plugin_framework.h"

namespace kvgltf {
namespace {

const char kTitle[] = "glTF Export Plugin 1.0";

bool IsIdentity(const MMatrix& m) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m.m[i][j] != (i == j ? 1.0 : 0.0)) return false;
  return true;
}

void WriteMeshes(ExportContext& c, std::vector<int>* roots) {
  MExportWalkOptions walk;
  walk.writer_splits_quads = true;  // WriteMesh fans every face
  ForEachExportMesh(c.scene, c.run.cb(), walk, [&](const MExportMesh& e) {
    const char* listed = e.object->get_name() ? e.object->get_name() : "";
    c.run.log().write("Working on: %s\n", listed);
    c.run.LoseWalkChanges(e);
    double matrix[16];
    const bool on_node = ToGltfMatrix(e.matrix, matrix);
    int mesh;
    if (on_node) {
      // A mesh named by several references is written once.
      auto it = c.mesh_of.find(e.source);
      mesh = it != c.mesh_of.end() ? it->second : WriteMesh(c, e, false);
      if (it == c.mesh_of.end()) c.mesh_of.emplace(e.source, mesh);
    } else {
      mesh = WriteMesh(c, e, true);
    }
    Json node = {{"name", NameText(listed)}};
    if (mesh >= 0) node["mesh"] = mesh;
    if (on_node && !IsIdentity(e.matrix)) node["matrix"] = matrix;
    c.nodes.push_back(std::move(node));
    roots->push_back(static_cast<int>(c.nodes.size() - 1));
  });
}

Json Document(ExportContext& c, const std::vector<int>& roots, const std::string& buffer_uri) {
  Json doc = {{"asset", {{"version", gltf::kVersion}, {"generator", gltf::kGenerator}}}};
  doc["scene"] = 0;
  doc["scenes"] = Json::array({{{"name", NameText(c.scene->get_name())}, {"nodes", roots}}});
  if (!c.nodes.empty()) doc["nodes"] = std::move(c.nodes);
  if (!c.meshes.empty()) doc["meshes"] = std::move(c.meshes);
  if (!c.materials.empty()) doc["materials"] = std::move(c.materials);
  if (!c.textures.empty()) doc["textures"] = std::move(c.textures);
  if (!c.images.empty()) doc["images"] = std::move(c.images);
  if (!c.cameras.empty()) doc["cameras"] = std::move(c.cameras);
  if (!c.accessors.empty()) doc["accessors"] = std::move(c.accessors);
  if (!c.views.empty()) doc["bufferViews"] = std::move(c.views);
  if (!c.bin.empty()) {
    Json buffer = {{"byteLength", c.bin.size()}};
    if (!buffer_uri.empty()) buffer["uri"] = buffer_uri;
    doc["buffers"] = Json::array({buffer});
  }
  if (!c.lights.empty()) {
    doc["extensionsUsed"] = Json::array({gltf::kLightsExtension});
    doc["extensions"] = {{gltf::kLightsExtension, {{"lights", std::move(c.lights)}}}};
  }
  return doc;
}

std::string DocumentText(const Json& doc) { return doc.dump(-1, ' ', false, Json::error_handler_t::replace); }

void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void WriteGlb(kvpf::ExportRun& run, MOutputFile& f, ExportContext& c, const std::vector<int>& roots) {
  std::string json = DocumentText(Document(c, roots, ""));
  while (json.size() % gltf::kChunkAlign) json += ' ';
  c.bin.PadTo(gltf::kChunkAlign);
  const uint64_t total = gltf::kGlbHeaderSize + gltf::kChunkHeaderSize + json.size() +
                         (c.bin.empty() ? 0 : gltf::kChunkHeaderSize + c.bin.size());
  if (total > gltf::kGlbMaxSize)
    return run.Fail("the scene needs %llu bytes; a .glb file holds at most 4 GB", static_cast<unsigned long long>(total));
  uint8_t head[gltf::kGlbHeaderSize + gltf::kChunkHeaderSize];
  PutLe32(head, gltf::kGlbMagic);
  PutLe32(head + 4, gltf::kGlbVersion);
  PutLe32(head + 8, static_cast<uint32_t>(total));
  PutLe32(head + 12, static_cast<uint32_t>(json.size()));
  PutLe32(head + 16, gltf::kChunkJson);
  f.Write(head, sizeof head);
  f.Write(json.data(), json.size());
  if (c.bin.empty()) return;
  PutLe32(head, static_cast<uint32_t>(c.bin.size()));
  PutLe32(head + 4, gltf::kChunkBin);
  f.Write(head, gltf::kChunkHeaderSize);
  c.bin.WriteTo(f);
}

void WriteGltf(kvpf::ExportRun& run, MOutputFile& f, ExportContext& c, const std::vector<int>& roots) {
  std::string uri;
  if (!c.bin.empty() && c.o->embed) {
    const std::vector<uint8_t> all = c.bin.Joined();
    uri = MakeDataUri("application/octet-stream", all.data(), all.size());
  } else if (!c.bin.empty()) {
    MOutputFile* bin = run.Open(run.Companion(".bin"));
    if (!bin) return;
    c.bin.WriteTo(*bin);
    uri = PercentEncode(NameText((run.base() + ".bin").c_str()));
  }
  const std::string json = DocumentText(Document(c, roots, uri));
  f.Write(json.data(), json.size());
}

int ExportScene(MScene* scene, GltfExportOption* o, MessageCallBack1* cb) {
  kvpf::ExportRun run(o, cb, kTitle);
  run.AccountLosses();
  MOutputFile* f = run.Open();
  if (!f) return 0;
  ExportContext c(run, scene, o);
  std::vector<int> roots;
  if (cb) cb->msg1("Mesh");
  WriteMeshes(c, &roots);
  if (o->cameras) WriteCameras(c, &roots);
  else run.LoseCameras(scene);
  if (o->lights) WriteLights(c, &roots);
  else run.LoseLights(scene);
  if (o->binary) WriteGlb(run, *f, c, roots);
  else WriteGltf(run, *f, c, roots);
  run.ProcessMaps(o->image_handler, scene->maps);
  return run.Finish();
}

int ExportGlb(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  return ExportScene(scene, static_cast<GltfExportOption*>(base), cb);
}

Export_FileOption* NewGlbOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new GltfExportOption(true, argc, argv);
  return new GltfExportOption(true);
}

Export_FileOption* NewGltfOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new GltfExportOption(false, argc, argv);
  return new GltfExportOption(false);
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return kvpf::OptionKeyFields(static_cast<GltfExportOption*>(base)->Keys(), out, max);
}

// glTF is Y up and right-handed.
kvpf::ExportClassDesc glb_export_desc(kvpf::ExportClassInfo{"glTF 2.0 Binary (*.glb)", 0x6C9A41F4u,
                                                            kvpf::PluginTexts{"glTF", GltfExportOption::Help(true)},
                                                            NewGlbOptions, ExportGlb, OptionFields}, kAxesYUp);
kvpf::ExportClassDesc gltf_export_desc(kvpf::ExportClassInfo{"glTF 2.0 (*.gltf)", 0x6C9A41F5u,
                                                             kvpf::PluginTexts{"glTF", GltfExportOption::Help(false)},
                                                             NewGltfOptions, ExportGlb, OptionFields}, kAxesYUp);

PluginClassDesc* const kClasses[] = {&glb_export_desc, &gltf_export_desc};

}  // namespace
}  // namespace kvgltf

KV_PLUGIN_LIBRARY("glTF Export Lib", kvgltf::kClasses)
