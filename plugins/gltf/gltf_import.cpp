// glTF 2.0 import: the container, the buffers, and the class descriptor.
#include <cstring>
#include <filesystem>
#include <set>

#include "gltf_format.h"
#include "gltf_import_parts.h"
#include "gltf_uri.h"
#include "plugin_framework.h"

namespace kvgltf {
namespace {

const char kTitle[] = "glTF Import Plugin 1.0";
// Accessor elements any file may ask for beyond its buffers' bytes.
constexpr uint64_t kElementAllowance = 1u << 22;
// Extensions a file may require that this importer honours.
const std::set<std::string> kReadExtensions = {gltf::kLightsExtension};

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// The chunks of a .glb: the JSON text and the binary chunk.
bool ReadGlb(ImportContext& c, const MFileView& file, Bytes* json) {
  const uint8_t* d = file.data();
  const uint32_t version = Le32(d + 4), length = Le32(d + 8);
  if (version != gltf::kGlbVersion)
    return c.Fault("", "the binary container is of version " + std::to_string(version) + "; only 2 is read");
  if (length > file.size() || length < gltf::kGlbHeaderSize + gltf::kChunkHeaderSize)
    return c.Fault("", "the binary container declares " + std::to_string(length) + " bytes; the file holds " +
                           std::to_string(file.size()));
  size_t at = gltf::kGlbHeaderSize;
  for (int chunk = 0; at + gltf::kChunkHeaderSize <= length; ++chunk) {
    const uint32_t size = Le32(d + at), type = Le32(d + at + 4);
    at += gltf::kChunkHeaderSize;
    if (size > length - at)
      return c.Fault("", "chunk " + std::to_string(chunk) + " of " + std::to_string(size) +
                             " bytes runs past the end of the container");
    if (chunk == 0) {
      if (type != gltf::kChunkJson) return c.Fault("", "the first chunk of the binary container is no JSON chunk");
      *json = Bytes{d + at, size};
    } else if (type == gltf::kChunkBin && !c.bin_chunk.data) {
      c.bin_chunk = Bytes{d + at, size};
    }
    // Chunks of unknown types are passed over.
    at += size;
  }
  if (!json->data) return c.Fault("", "the binary container holds no JSON chunk");
  return true;
}

bool CheckAsset(ImportContext& c) {
  Fields asset(c.Top("asset"), "asset", c.faults);
  if (!c.Top("asset")) return c.Fault("", "the document has no asset");
  std::string version = asset.String("version");
  std::string min_version = asset.String("minVersion");
  if (c.faults.Any()) return false;
  if (version.rfind("2.", 0) != 0) return c.Fault("asset", "glTF version '" + version + "' is not read; only 2.x is");
  if (!min_version.empty() && min_version != "2.0")
    return c.Fault("asset", "the file needs glTF " + min_version + "; only 2.0 is read");
  const Json* required = c.Top("extensionsRequired");
  for (size_t i = 0; i < ArraySize(required); ++i) {
    const Json* e = At(required, i);
    std::string name = e->is_string() ? e->get<std::string>() : e->dump();
    if (!kReadExtensions.count(name))
      return c.Fault("", "the file needs the extension " + name + ", which this importer does not read");
  }
  return true;
}

}  // namespace

const Json* ImportContext::Top(const char* key) const {
  auto it = doc.find(key);
  return it == doc.end() ? nullptr : &*it;
}

void ImportContext::ReleaseRead(const uint8_t* data, size_t n) const {
  // Views that are not the file's (decoded data URIs) are left alone.
  if (file) file->Release(data, n);
  for (const std::unique_ptr<MFileView>& f : files) f->Release(data, n);
}

std::string ImportContext::UniqueName(const std::string& wanted) {
  auto [it, fresh] = names.emplace(wanted, 1);
  if (fresh) return wanted;
  for (;;) {
    std::string candidate = wanted + "_" + std::to_string(++it->second);
    if (names.emplace(candidate, 1).second) return candidate;
  }
}

bool ReadDocument(ImportContext& c, const MFileView& file) {
  Bytes json{file.data(), file.size()};
  if (file.size() >= gltf::kGlbHeaderSize && Le32(file.data()) == gltf::kGlbMagic) {
    c.glb = true;
    json = Bytes{};
    if (!ReadGlb(c, file, &json)) return false;
  } else if (json.size >= 3 && json.data[0] == 0xEF && json.data[1] == 0xBB && json.data[2] == 0xBF) {
    json.data += 3;  // a byte order mark, which some writers put first
    json.size -= 3;
  }
  std::string why;
  if (!ParseDocument(reinterpret_cast<const char*>(json.data), json.size, &c.doc, &why)) return c.Fault("", why);
  for (const char* list : {"accessors", "bufferViews", "buffers", "meshes", "materials", "textures", "images",
                           "samplers", "nodes", "scenes", "cameras"}) {
    const Json* v = c.Top(list);
    if (v && !v->is_array()) return c.Fault(list, "is no list");
  }
  return CheckAsset(c);
}

bool ResolveUri(ImportContext& c, const std::string& uri, std::string* path, std::string* why) {
  std::string rel;
  if (!PercentDecode(uri, &rel)) {
    *why = "its URI '" + uri + "' holds a broken % escape";
    return false;
  }
  namespace fs = std::filesystem;
  const bool absolute = IsAbsoluteUri(rel);
  if (absolute && (!c.o->any_uri || rel[0] != '/')) {
    *why = "its URI '" + uri + "' names no file beside the model" +
           (c.o->any_uri ? std::string() : std::string(" (-gltf_any_uri=1 reads absolute paths)"));
    return false;
  }
  fs::path folder = fs::path(c.dir.empty() ? "." : c.dir).lexically_normal();
  if (!folder.has_filename() && folder.has_parent_path() && folder != folder.root_path()) folder = folder.parent_path();
  fs::path p = (absolute ? fs::path(rel) : folder / rel).lexically_normal();
  if (!c.o->any_uri) {
    // Only the model's folder and the folders below it: a file from the
    // net must not pull other files of this machine into what is written.
    fs::path r = p.lexically_relative(folder);
    if (r.empty() || *r.begin() == ".." || r == ".") {
      *why = "its URI '" + uri + "' leads out of the model's folder (-gltf_any_uri=1 allows that)";
      return false;
    }
  }
  *path = p.string();
  return true;
}

bool LoadBuffers(ImportContext& c) {
  const Json* list = c.Top("buffers");
  const size_t n = ArraySize(list);
  uint64_t total = 0;
  for (size_t i = 0; i < n; ++i) {
    const std::string where = Where("buffers", i);
    Fields b(At(list, i), where, c.faults);
    const int64_t length = b.Int("byteLength", 0, 1, INT64_MAX / 4, true);
    const bool has_uri = b.Has("uri");
    const std::string uri = b.String("uri");
    if (c.faults.Any()) return false;
    const size_t want = static_cast<size_t>(length);
    Bytes got;
    DataUri data;
    if (!has_uri) {
      if (i != 0 || !c.bin_chunk.data)
        return c.Fault(where, c.glb ? "has no URI and is not the binary chunk" : "has no URI");
      got = c.bin_chunk;
    } else if (ParseDataUri(uri, &data)) {
      auto bytes = std::make_unique<std::vector<uint8_t>>();
      std::string why;
      if (!DataUriBytes(data, bytes.get(), &why)) return c.Fault(where, why);
      got = Bytes{bytes->data(), bytes->size()};
      c.decoded.push_back(std::move(bytes));
    } else {
      std::string path, why;
      if (!ResolveUri(c, uri, &path, &why)) return c.Fault(where, why);
      auto file = std::make_unique<MFileView>();
      if (!file->Open(path.c_str())) return c.Fault(where, "cannot read " + path + ": " + std::strerror(file->error()));
      got = Bytes{file->data(), file->size()};
      c.files.push_back(std::move(file));
    }
    if (got.size < want)
      return c.Fault(where, "declares " + std::to_string(want) + " bytes; its data holds " + std::to_string(got.size));
    c.buffers.push_back(Bytes{got.data, want});
    total += want;
  }
  c.budget = 2 * total + kElementAllowance;
  return true;
}

namespace {

void ImportGltf(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  GltfImportOption* o = static_cast<GltfImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  MFileView file;
  if (!run.OpenInput(&file)) return;
  ImportContext c(run, scene, o);
  c.file = &file;
  const MPathParts parts = m_split_path(run.path().c_str());
  c.dir = parts.dir;
  c.base = parts.fname;
  if (cb && cb->msg1) cb->msg1("Reading %s", run.path().c_str());
  bool ok = ReadDocument(c, file) && LoadBuffers(c) && ReadMaterials(c) && ReadNodes(c);
  if (!ok) return run.Fail("%s is no readable glTF file: %s", run.path().c_str(), c.faults.First().c_str());
  if (!c.dir.empty()) scene->maps->AddSearchPath(c.dir.c_str());
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new GltfImportOption(argc, argv);
  return new GltfImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return kvpf::OptionKeyFields(static_cast<GltfImportOption*>(base)->Keys(), out, max);
}

kvpf::ImportClassDesc gltf_import_desc(kvpf::ImportClassInfo{"glTF 2.0 (*.gltf, *.glb)", 0x6C9A41F3u,
                                                             kvpf::PluginTexts{"glTF", GltfImportOption::Help()},
                                                             NewOptions, ImportGltf, OptionFields},
                                       kAxesYUp);

PluginClassDesc* const kClasses[] = {&gltf_import_desc};

}  // namespace
}  // namespace kvgltf

KV_PLUGIN_LIBRARY("glTF Import Lib", kvgltf::kClasses)
