// The 3D Studio importer's own declarations: its option record and the
// pieces that each map one kind of chunk from the chunk tree onto the scene.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "3ds_chunk.h"
#include "korvanelib.h"
#include "plugin_ui.h"

#define IMP3DS_SEARCH_PATH_LEN 4096

class Import3dsOption : public Import_FileOption {
 public:
  int global_setting = 1;
  int back_ground = 1;
  int atmosphere = 1;
  int meshes = 1;
  int materials = 1;
  int cameras = 1;
  int activate_camera = 0;
  int lights = 1;
  char image_search_path[IMP3DS_SEARCH_PATH_LEN + 1] = "";

  Import3dsOption();                         // from the settings store
  Import3dsOption(int argc, char** argv);    // from a command line
  ~Import3dsOption() override;

  // The common options, then the specific ones.
  void Print_Options(FILE* fp) override;
  // The dialog's own fields; at most max written.
  int Fields(KvOptionField* out, int max);

  static const char* Filter();
  static const char* Help();
};

namespace imp3ds {

// The chunk ids and the layer's types by their own names.
using namespace k3ds;

struct Context {
  MScene* scene;
  k3ds::ErrorList& err;
  LogFile& log;
  MessageCallBack1* cb;  // may be null
  int damaged = 0;       // parts that could not be read
  const MFileView* file = nullptr;  // the mapped file the chunks point into
};

// Writes pending chunk-layer errors to the log and clears them, counting a
// damaged part; true when there were any (the caller then drops what it was
// building).
bool Failed(Context& ctx, const char* fn, const char* obj = nullptr);

// The string at the start of a chunk's own data.
std::string ChunkName(const k3ds::Chunk& c, k3ds::ErrorList& err, size_t max = 255);
// Colour sub-chunk of parent: a float colour (kLinColorF before kColorF),
// else a 24-bit one. False, and out untouched, when there is none.
bool ReadColor(const k3ds::Chunk* parent, MColor* out, k3ds::ErrorList& err);
// Amount held by the percentage sub-chunk of parent: kIntPercentage × 0.01,
// else kFloatPercentage, else 0.
double ReadPercent(const k3ds::Chunk& parent, k3ds::ErrorList& err);
// Percentage container `id` below parent; def when it is missing.
double ReadPercentOf(const k3ds::Chunk& parent, uint16_t id, double def, k3ds::ErrorList& err);
// A float (or short) as the whole own data of the sub-chunk `id`; out
// untouched when the sub-chunk is missing.
void ReadFloatOf(const k3ds::Chunk& parent, uint16_t id, double* out, k3ds::ErrorList& err);
void ReadShortOf(const k3ds::Chunk& parent, uint16_t id, int32_t* out, k3ds::ErrorList& err);

// Level-2 item and level-3 phase reports of the progress interface.
void Item(Context& ctx, const char* name, long i, long n);
void Phase(Context& ctx, const char* name);
void Tick(Context& ctx, long i, long n);

void ImportGlobals(Context& ctx, const k3ds::Chunk& editor);
void ImportBackground(Context& ctx, const k3ds::Chunk& editor);
void ImportAtmosphere(Context& ctx, const k3ds::Chunk& editor);
void ImportCamera(Context& ctx, const k3ds::Chunk& cam, const std::string& name);
void ImportLight(Context& ctx, const k3ds::Chunk& light, const std::string& name);
// A triangle mesh of the named object obj; null when it could not be read.
// Touches nothing but ctx's log and error list, and reports progress
// through ctx.cb when there is one.
MMesh_P* BuildMesh(Context& ctx, const k3ds::Chunk& obj, const k3ds::Chunk& mesh, const std::string& name);

struct MeshPart {
  const k3ds::Chunk* obj;   // the named object
  const k3ds::Chunk* part;  // its triangle mesh
  std::string name;
};
// The meshes into the scene in file order. A second thread builds some of
// a large file's meshes; their log lines still come in file order.
void ImportMeshes(Context& ctx, const std::vector<MeshPart>& meshes);
void ImportMaterial(Context& ctx, const k3ds::Chunk& entry, const std::string& name);

// surface + "_texture" + a plug-in-wide hexadecimal counter.
std::string NextTextureName(const char* surface);

}  // namespace imp3ds
