// Shared by the LightWave tests: the built plug-ins, a small builder of
// object files (independent of the plug-in's writer), scene summaries and
// the outside judges (assimp, and a Python reader of LWOB files).
#pragma once
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"

namespace lwotest {

int ImportClass();
int ExportClass();
// Every library in command-line mode with these options, then the run.
MScene* Import(const std::string& path, const std::vector<std::string>& options = {});
int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options = {});
std::string LastImportError();
std::vector<std::string> LastImportWarnings();
// Some warning of the last import holds text.
bool Warned(const char* text);
std::string LastExportError();

// Bytes of an IFF file, big-endian.
class Iff {
 public:
  Iff& U8(uint8_t v);
  Iff& U16(uint16_t v);
  Iff& U32(uint32_t v);
  Iff& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
  Iff& F32(float v);
  Iff& Id(const char* id);  // four characters
  Iff& VX(uint32_t v);
  Iff& S0(const std::string& s);  // with its NUL and pad byte
  Iff& Raw(const std::vector<uint8_t>& b);
  // A chunk (word length when sub) around what body adds.
  Iff& Chunk(const char* id, const Iff& body, bool sub = false);
  Iff& Sub(const char* id, const Iff& body) { return Chunk(id, body, true); }
  const std::vector<uint8_t>& bytes() const { return b_; }
  size_t size() const { return b_.size(); }

 private:
  std::vector<uint8_t> b_;
};

// FORM <type> around the chunks.
std::vector<uint8_t> Form(const char* type, const Iff& chunks);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// Triangles, bounds of the points faces use (world space) and surface
// names of a scene, references standing for their objects.
struct Summary {
  long triangles = 0;
  bool any = false;
  MVector3 lo, hi;
  std::set<std::string> surfaces;  // the names faces use
};
Summary Summarize(MScene* scene);

// What assimp says of a file: after its triangulation, in its axes.
struct AssimpInfo {
  bool ok = false;
  long faces = 0;
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  std::set<std::string> materials;
};
bool HaveAssimp();
AssimpInfo Assimp(const std::string& path);
// Our bounds in assimp's axes: it keeps LightWave's x and y and turns z
// around; we exchange y and z.
void ToAssimpAxes(const Summary& s, double lo[3], double hi[3]);

// What tests/lwob_counts.py derives from an object file.
struct ScriptCounts {
  bool ok = false;
  long triangles = 0;
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
};
ScriptCounts CountWithScript(const std::string& path);

// The object files of the corpus (lwo/ and lws/), by generation.
std::vector<std::filesystem::path> CorpusObjects(const char* form_type);
std::vector<std::filesystem::path> CorpusScenes();

}  // namespace lwotest
