#include "mdl_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mdltest {
namespace {

void WriteHeaderInts(MBinWriter& w, const std::vector<int32_t>& ints) {
  for (int32_t v : ints) w.I32(v);
}

void Vertex(MBinWriter& w, const std::array<uint8_t, 4>& v) {
  for (uint8_t b : v) w.U8(b);
}

}  // namespace

int ImportClass() { return kvtest::FindClass("Quake (*.mdl, *.md2)", MESH_IMPORT_CLASS_ID); }
int ExportClass() { return kvtest::FindClass("Quake2 (*.md2)", MESH_EXPORT_CLASS_ID); }
int ObjImportClass() { return kvtest::FindClass("Alias Wavefront (*.obj)", MESH_IMPORT_CLASS_ID); }
int ObjExportClass() { return kvtest::FindClass("Alias Wavefront (*.obj)", MESH_EXPORT_CLASS_ID); }

MScene* Import(const std::string& path, const std::vector<std::string>& options) {
  kvtest::UseCommandLine(options);
  return kvtest::ImportWith(ImportClass(), path);
}

std::string LastImportError() { return kvtest::Plugins().LastError(ImportClass()); }
std::vector<std::string> LastImportWarnings() { return kvtest::Plugins().LastWarnings(ImportClass()); }

int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options, std::string* written) {
  kvtest::UseCommandLine(options);
  return kvtest::ExportWith(ExportClass(), scene, path, written);
}

MMesh_P* Mesh(MScene* scene) { return scene && scene->objects->count > 0 ? kvtest::MeshAt(scene, 0) : nullptr; }

Bounds SceneBounds(MScene* s) {
  return Bounds{{s->bound_left.x, s->bound_left.y, s->bound_left.z},
                {s->bound_right.x, s->bound_right.y, s->bound_right.z}};
}

std::vector<uint8_t> Md2File::Bytes() const {
  const int nv = frames.empty() ? 0 : static_cast<int>(frames[0].verts.size());
  const int frame_size = 40 + 4 * nv;
  const int ofs_skins = 68;
  const int ofs_st = ofs_skins + 64 * static_cast<int>(skins.size());
  const int ofs_tris = ofs_st + 4 * static_cast<int>(st.size());
  const int ofs_frames = ofs_tris + 12 * static_cast<int>(tris.size());
  const int ofs_gl = ofs_frames + frame_size * static_cast<int>(frames.size());
  const int ofs_end = ofs_gl + 4;
  std::vector<uint8_t> out;
  MBinWriter w(&out);
  w.Bytes("IDP2", 4);
  WriteHeaderInts(w, {8, skin_width, skin_height, frame_size, static_cast<int32_t>(skins.size()), nv,
                      static_cast<int32_t>(st.size()), static_cast<int32_t>(tris.size()), 1,
                      static_cast<int32_t>(frames.size()), ofs_skins, ofs_st, ofs_tris, ofs_frames, ofs_gl, ofs_end});
  for (const std::string& s : skins) w.FixedString(s.c_str(), 64);
  for (const auto& c : st) {
    w.I16(c[0]);
    w.I16(c[1]);
  }
  for (const Tri& t : tris) {
    for (uint16_t v : t.v) w.U16(v);
    for (uint16_t v : t.st) w.U16(v);
  }
  for (const Frame& f : frames) {
    for (float v : f.scale) w.F32(v);
    for (float v : f.translate) w.F32(v);
    w.FixedString(f.name.c_str(), 16);
    for (const auto& v : f.verts) Vertex(w, v);
  }
  w.U32(0);
  return out;
}

Md2File SmallMd2() {
  Md2File m;
  m.st = {{0, 0}, {64, 0}, {64, 32}, {0, 32}};
  m.tris = {{{0, 1, 2}, {0, 1, 2}}, {{0, 2, 3}, {0, 2, 3}}};
  Md2File::Frame f0;
  f0.scale[0] = f0.scale[1] = f0.scale[2] = 0.5f;
  f0.translate[0] = -1.0f;
  f0.translate[1] = 2.0f;
  f0.translate[2] = 10.0f;
  f0.name = "stand01";
  f0.verts = {{{0, 0, 0, 0}}, {{4, 0, 0, 0}}, {{4, 4, 0, 0}}, {{0, 4, 0, 0}}};
  Md2File::Frame f1 = f0;
  f1.name = "stand02";
  f1.verts = {{{0, 0, 2, 0}}, {{4, 0, 2, 0}}, {{4, 4, 2, 0}}, {{0, 4, 2, 0}}};
  m.frames = {f0, f1};
  return m;
}

std::vector<uint8_t> MdlFile::Bytes() const {
  std::vector<uint8_t> out;
  MBinWriter w(&out);
  w.Bytes("IDPO", 4);
  w.I32(6);
  for (float v : scale) w.F32(v);
  for (float v : translate) w.F32(v);
  w.F32(10.0f);  // bounding radius
  for (float v : eye) w.F32(v);
  WriteHeaderInts(w, {static_cast<int32_t>(skins.size()), skin_width, skin_height, vertices(),
                      static_cast<int32_t>(tris.size()), static_cast<int32_t>(frames.size()), 0, 0});
  w.F32(1.0f);
  for (const Skin& s : skins) {
    w.I32(s.type);
    if (s.type != 0) {
      w.I32(static_cast<int32_t>(s.images.size()));
      for (size_t i = 0; i < s.images.size(); ++i) w.F32(0.1f * static_cast<float>(i + 1));
    }
    for (const auto& img : s.images) w.Bytes(img.data(), img.size());
  }
  for (const TexCoord& c : st) {
    w.I32(c.on_seam);
    w.I32(c.s);
    w.I32(c.t);
  }
  for (const Tri& t : tris) {
    w.I32(t.front);
    for (int32_t v : t.v) w.I32(v);
  }
  for (const Frame& f : frames) {
    w.I32(f.type);
    if (f.type != 0) {
      w.I32(static_cast<int32_t>(f.poses.size()));
      w.Zeros(8);  // bounding box
      for (size_t i = 0; i < f.poses.size(); ++i) w.F32(0.1f * static_cast<float>(i + 1));
    }
    for (const auto& pose : f.poses) {
      w.Zeros(8);
      w.FixedString("pose", 16);
      for (const auto& v : pose) Vertex(w, v);
    }
  }
  return out;
}

MdlFile SmallMdl() {
  MdlFile m;
  m.scale[0] = 2.0f;
  m.scale[1] = 1.0f;
  m.scale[2] = 0.5f;
  m.translate[0] = -10.0f;
  m.translate[1] = 0.0f;
  m.translate[2] = 5.0f;
  m.eye[0] = 0.0f;
  m.eye[1] = 0.0f;
  m.eye[2] = 24.0f;
  MdlFile::Skin skin;
  std::vector<uint8_t> img(static_cast<size_t>(m.skin_width * m.skin_height));
  for (size_t i = 0; i < img.size(); ++i) img[i] = static_cast<uint8_t>(i);
  skin.images = {img};
  m.skins = {skin};
  m.st = {{0, 0, 0}, {32, 2, 0}, {0, 2, 4}};  // vertex 1 on the seam
  m.tris = {{1, {0, 1, 2}}, {0, {2, 1, 0}}};
  MdlFile::Frame f;
  f.poses = {{{{0, 0, 0, 0}}, {{10, 0, 0, 0}}, {{0, 20, 40, 0}}}};
  m.frames = {f};
  return m;
}

std::string ToString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) { kvtest::write_file(path, ToString(bytes)); }

int32_t GetI32(const std::vector<uint8_t>& b, size_t at) {
  MBinReader r(b.data() + at, 4);
  return r.I32();
}

void SetI32(std::vector<uint8_t>* b, size_t at, int32_t v) {
  MBinWriter w(b);
  w.PatchU32(at, static_cast<uint32_t>(v));
}

bool HaveAssimp() { return std::system("command -v assimp >/dev/null 2>&1") == 0; }

AssimpInfo AssimpRead(const std::string& path) {
  AssimpInfo info;
  FILE* p = popen(("assimp info '" + path + "' 2>/dev/null").c_str(), "r");
  if (!p) return info;
  char line[4096];
  bool lo = false, hi = false;
  while (std::fgets(line, sizeof line, p)) {
    if (std::sscanf(line, "Faces: %ld", &info.faces) == 1) continue;
    if (std::sscanf(line, "Minimum point (%lf %lf %lf)", &info.lo[0], &info.lo[1], &info.lo[2]) == 3) lo = true;
    if (std::sscanf(line, "Maximum point (%lf %lf %lf)", &info.hi[0], &info.hi[1], &info.hi[2]) == 3) hi = true;
  }
  info.ok = pclose(p) == 0 && lo && hi;
  return info;
}

Bounds FromAssimpAxes(const AssimpInfo& a) {
  return Bounds{{a.lo[0], -a.hi[2], a.lo[1]}, {a.hi[0], -a.lo[2], a.hi[1]}};
}

}  // namespace mdltest
