// What the MDL and MD2 readers of the Quake import share: the model as read
// from the file, which one routine turns into the mesh, its surface and skin.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "mdl_options.h"

namespace kvmdl {

struct TexCoord {
  double s, t;  // texels
};

// Corner indices as the file gives them; checked when the mesh is built.
struct Triangle {
  int v[3];
  int st[3];
};

struct Model {
  int skin_width = 0, skin_height = 0;
  std::vector<MVector3> positions;  // of the frame read
  std::vector<TexCoord> st;         // none: the mesh has no texture layer
  std::vector<Triangle> triangles;
  std::string skin_file;  // name and extension of the skin image; empty: none
  bool dump = false;      // the mesh dump goes into the log
};

struct Context {
  kvpf::ImportRun& run;
  MdlImportOption* options;
  MScene* scene;
  const char* path() const { return run.path().c_str(); }
  LogFile& log() { return run.log(); }
};

// Each reads the file into model, or fails the run and returns false.
bool ReadMd2(Context& ctx, const MFileView& file, Model* model);
bool ReadMdl(Context& ctx, const MFileView& file, Model* model);

// Row-1 progress of a read: 0 at the start, 20 before the skins, 40 before
// the texture coordinates, 60 before the triangles, 80 before the frame,
// 100 at the end.
void Step(Context& ctx, int percent);

// Whether count records of size bytes at offset lie inside a file of
// file_size bytes.
bool BlockFits(int64_t offset, int64_t count, uint64_t size, uint64_t file_size);

// The vertices of a frame (unsigned x, y, z and a normal index each) as
// byte x scale + translate per axis.
void ReadPose(Context& ctx, MBinReader& in, size_t vertices, const float (&scale)[3], const float (&translate)[3],
              Model* model);

// Writes MDL skin `index` (width x height palette indices, rows from the
// top) as a 24-bit TGA file, as the options allow, and returns the file's
// name and extension for the texture.
std::string WriteSkin(Context& ctx, int index, int width, int height, const uint8_t* pixels);
// Where skin `index` of the model goes.
std::string SkinPath(const MdlImportOption& o, const std::string& model_path, int index);

// The mesh, the surface "skin_mat" and its texture; fails the run when no
// triangle is usable.
bool BuildMesh(Context& ctx, const Model& model);

}  // namespace kvmdl
