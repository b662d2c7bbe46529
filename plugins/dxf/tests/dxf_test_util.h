// Shared by the DXF tests: the built plug-ins' classes, DXF text and binary
// DXF made in the test, face counts and bounds of a scene, and the outside
// readers (ezdxf through /usr/bin/python3, assimp) as judges.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"


namespace kvdxftest {

int ImportClass();
int ExportClass();

// Imports in command-line mode with these -key=value options.
MScene* Import(const std::string& path, const std::vector<std::string>& options = {});
// Writes text into dir/name and imports it.
MScene* ImportText(const kvtest::TempDir& dir, const std::string& text, const std::vector<std::string>& options = {},
                   const std::string& name = "in.dxf");
// Exports in command-line mode; 1 written, 0 failed. `written` gets the path.
int Export(MScene* scene, const std::string& path, const std::vector<std::string>& options = {},
           std::string* written = nullptr);

// "code\nvalue\n" pairs.
std::string G(int code, const std::string& value);
std::string G(int code, double value);
// A file of one ENTITIES section holding these entities, or of a BLOCKS
// section and an ENTITIES section.
std::string Entities(const std::string& entities);
std::string WithBlocks(const std::string& blocks, const std::string& entities);
std::string Face3d(double p[4][3], int color = 1, const char* layer = "0");

// Binary DXF made by hand: group pairs after the sentinel, one-byte codes
// (release 12) or two-byte codes (13 and later).
class BinaryDxf {
 public:
  explicit BinaryDxf(bool wide);
  BinaryDxf& Code(int code);
  BinaryDxf& Str(int code, const char* s);
  BinaryDxf& Real(int code, double v);
  BinaryDxf& Short(int code, int16_t v);
  BinaryDxf& Int32(int code, int32_t v);
  // A binary chunk: a length byte, then the bytes.
  BinaryDxf& Chunk(int code, const std::string& data);
  // Bytes as they are, to make lies.
  BinaryDxf& Raw(const std::string& data);
  // One 3DFACE of the corners (0,0,0) (1,0,0) (1,1,0) shifted by x.
  BinaryDxf& Face(double x);
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::string str() const { return std::string(bytes_.begin(), bytes_.end()); }

 private:
  bool wide_;
  std::vector<uint8_t> bytes_;
};

// Faces, triangles (a polygon of n corners counts n - 2) and the bounds
// of the corners of faces of three corners or more, over every mesh of a
// scene.
struct Summary {
  long faces = 0;
  long triangles = 0;
  double lo[3] = {1e300, 1e300, 1e300};
  double hi[3] = {-1e300, -1e300, -1e300};
  void Add(const MVector3& p);
  bool Near(const Summary& o, double tol) const;
  std::string Text() const;
};
Summary Summarize(MScene* scene);
// The triangles a scene's polygons make, cut by the library's
// triangulation. With drop_flat, corners at the position of the next one
// are dropped first (as 3DFACE corners are read, and as assimp leaves such
// triangles out as lines).
long Triangles(MScene* scene, bool drop_flat = false);

// The judges: missing ones skip the test that needs them.
bool HaveEzdxf();
bool HaveAssimp();
// Output of a command (stdout only).
std::string Run(const std::string& command);
// ezdxf's count of a file (see ezdxf_reference.py); false when it failed.
bool EzdxfSummary(const std::string& path, Summary* out);
// ezdxf's readfile and audit (empty when clean, else what it reported) and
// its count, in one run.
std::string EzdxfAudit(const std::string& path, Summary* count = nullptr);
std::string EzdxfScript(const std::string& args);
// Triangles of the meshes assimp reads and their bounds, as `assimp info`
// prints them; false when it cannot read the file.
bool AssimpSummary(const std::string& path, Summary* out);
// Bounds equal up to assimp's turn from Z up to Y up.
bool SameBoundsUpToAxisTurn(const Summary& ours, const Summary& assimp, double tol);

std::string Slurp(const std::string& path);

}  // namespace kvdxftest
