// The pieces of the DXF export: group pairs written line by line, layer
// names, and one mesh as polyface meshes or 3DFACE entities.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "dxf_format.h"
#include "korvanelib.h"

namespace dxf {

// Every line written is a group code or its value, never a blank line.
class GroupWriter {
 public:
  explicit GroupWriter(MTextWriter& out) : out_(out) {}
  void Text(int code, const char* s);
  void Text(int code, const std::string& s) { Text(code, s.c_str()); }
  void Int(int code, long v);
  // 15 significant digits, "%.15g": all a double holds of a decimal
  // number, so sub-micron detail stays, also far from the origin, and a
  // value read back writes the same text again.
  void Real(int code, double v);
  void Point(int base, const MVector3& p);
  // Coordinates that were not finite (written as 0).
  long bad_numbers() const { return bad_numbers_; }

 private:
  void Code(int code);
  MTextWriter& out_;
  long bad_numbers_ = 0;
};

// A valid, case-folded unique layer name for an object name.
std::string LayerName(const char* object_name);

// One face to write: three or four position indices and its colour.
struct ExportFace {
  std::array<int, 4> v;
  int corners;
  int color;
};

// What a mesh export left out or changed, for the log and the host.
struct ExportCounts {
  long faces_written = 0;
  long faces_skipped = 0;       // fewer than three corners, or corners outside the mesh
  long meshes_as_3dface = 0;    // past the polyface limits
};

// Writes one mesh: polyface meshes (one per colour) when polyface is set
// and the limits allow it, else 3DFACE entities.
void WriteMesh(GroupWriter& out, MScene* scene, MMesh_P* mesh, const MMatrix& matrix, const std::string& layer,
               bool polyface, LogFile& log, MessageCallBack1* cb, ExportCounts* counts);

}  // namespace dxf
