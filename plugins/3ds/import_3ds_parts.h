// Pieces of the 3D Studio importer: each maps one kind of chunk straight
// from the chunk tree onto the scene.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chunk3ds.h"

class LogFile;
class MColor;
class MessageCallBack1;
class MScene;

namespace imp3ds {

struct Context {
  MScene* scene;
  k3ds::ErrorList& err;
  LogFile& log;
  MessageCallBack1* cb;  // may be null
};

// Writes pending chunk-layer errors to the log and clears them; true when
// there were any (the caller then drops what it was building).
bool Failed(Context& ctx, const char* fn, const char* obj = nullptr);

// The string at the start of a chunk's own data.
std::string ChunkName(const k3ds::Chunk& c, k3ds::ErrorList& err, size_t max = 255);
// Colour sub-chunk of parent: a float colour (0x0013 before 0x0010), else a
// 24-bit one. False, and out untouched, when there is none.
bool ReadColor(const k3ds::Chunk* parent, MColor* out, k3ds::ErrorList& err);
// Amount held by the percentage sub-chunk of parent: 0x0030 × 0.01, else
// 0x0031, else 0.
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
void ImportMesh(Context& ctx, const k3ds::Chunk& obj, const k3ds::Chunk& mesh, const std::string& name);
void ImportMaterial(Context& ctx, const k3ds::Chunk& entry, const std::string& name);

// surface + "_texture" + a plug-in-wide hexadecimal counter.
std::string NextTextureName(const char* surface);

}  // namespace imp3ds
