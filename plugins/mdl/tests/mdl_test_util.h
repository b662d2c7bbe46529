// Shared by the Quake model tests: the built classes, small MD2 and MDL
// files made byte by byte, and assimp as the other reader.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"

namespace mdltest {

int ImportClass();
int ExportClass();
int ObjImportClass();
int ObjExportClass();

// Runs the import in command-line mode with these options (the log off
// unless they switch it on); null when it failed.
MScene* Import(const std::string& path, const std::vector<std::string>& options = {});
// The reason the last import failed, or "".
std::string LastImportError();
std::vector<std::string> LastImportWarnings();
// LibLastExport's result; `written` gets the path it names.
int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options = {},
           std::string* written = nullptr);

MMesh_P* Mesh(MScene* scene);

struct Bounds {
  double lo[3], hi[3];
};
Bounds SceneBounds(MScene* scene);

// ---- files made for the tests -------------------------------------------

struct Md2File {
  int skin_width = 64, skin_height = 32;
  std::vector<std::string> skins;
  std::vector<std::array<int16_t, 2>> st;
  struct Tri {
    uint16_t v[3], st[3];
  };
  std::vector<Tri> tris;
  struct Frame {
    float scale[3] = {1, 1, 1}, translate[3] = {0, 0, 0};
    std::string name = "frame";
    std::vector<std::array<uint8_t, 4>> verts;  // x, y, z, normal index
  };
  std::vector<Frame> frames;
  std::vector<uint8_t> Bytes() const;
};
// A quad of two triangles on a 64 x 32 skin with two frames.
Md2File SmallMd2();

struct MdlFile {
  float scale[3] = {1, 1, 1}, translate[3] = {0, 0, 0}, eye[3] = {0, 0, 0};
  int skin_width = 8, skin_height = 4;
  struct Skin {
    int32_t type = 0;
    std::vector<std::vector<uint8_t>> images;  // one unless a group
  };
  std::vector<Skin> skins;
  struct TexCoord {
    int32_t on_seam, s, t;
  };
  std::vector<TexCoord> st;  // one per vertex
  struct Tri {
    int32_t front, v[3];
  };
  std::vector<Tri> tris;
  struct Frame {
    int32_t type = 0;
    std::vector<std::vector<std::array<uint8_t, 4>>> poses;  // one unless a group
  };
  std::vector<Frame> frames;
  int vertices() const { return static_cast<int>(st.size()); }
  std::vector<uint8_t> Bytes() const;
};
// Three vertices (one on the seam), one front and one back triangle, one
// 8 x 4 skin, one frame.
MdlFile SmallMdl();

std::string ToString(const std::vector<uint8_t>& bytes);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Little-endian int32 at `at`, read or replaced.
int32_t GetI32(const std::vector<uint8_t>& b, size_t at);
void SetI32(std::vector<uint8_t>* b, size_t at, int32_t v);

// ---- assimp --------------------------------------------------------------

bool HaveAssimp();
struct AssimpInfo {
  bool ok = false;
  long faces = 0;
  double lo[3] = {}, hi[3] = {};
};
// What "assimp info" reports for a file.
AssimpInfo AssimpRead(const std::string& path);
// assimp turns Quake models to Y up: its (x, y, z) is our (x, z, -y).
Bounds FromAssimpAxes(const AssimpInfo& a);

}  // namespace mdltest
