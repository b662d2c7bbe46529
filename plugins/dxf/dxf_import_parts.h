// The pieces of the DXF import: the group-pair reader (ASCII and binary),
// the entity record, and the importer that turns entities into meshes.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "dxf_format.h"
#include "dxf_options.h"
#include "format_run.h"
#include "korvanelib.h"

namespace dxf {

// ---- group pairs -------------------------------------------------------------

enum class ValueKind { kString, kReal, kInt };

// Reads one group pair after the other and gives the live ones: entity
// strings (codes 0-9), reals (10-59, 210-239) and integers (60-79).
// Comments, extended data (1000 and up) and other codes are read and passed
// over. A malformed pair ends the reading with the reason in the log.
class GroupReader {
 public:
  // ASCII: the stream stays the caller's.
  GroupReader(FILE* f, long size, LogFile& log);
  // Binary: the bytes after the 22-byte sentinel; wide_codes for release 13
  // and later (16-bit group codes).
  GroupReader(const uint8_t* data, size_t size, bool wide_codes, LogFile& log);
  GroupReader(const GroupReader&) = delete;
  GroupReader& operator=(const GroupReader&) = delete;

  // The next live pair; false at the end of the file or on an error.
  bool Next();
  bool Failed() const { return failed_; }
  // Why the reading stopped early (empty when it did not).
  const std::string& reason() const { return reason_; }

  int code() const { return code_; }
  ValueKind kind() const { return kind_; }
  const std::string& text() const { return text_; }
  double real() const { return real_; }
  int integer() const { return int_; }
  bool Is(int code, const char* text) const { return code_ == code && kind_ == ValueKind::kString && text_ == text; }

  long Position() const;
  long Size() const { return size_; }

 private:
  enum class Raw { kSkip, kLive, kEnd };
  Raw NextAscii();
  Raw NextBinary();
  bool ParseAsciiReal(const char* s, size_t n);
  bool ParseAsciiInt(const char* s, size_t n);
  void Fail(const char* what, const char* line);

  LogFile& log_;
  long size_ = 0;
  bool failed_ = false;
  std::string reason_;
  int code_ = 0;
  ValueKind kind_ = ValueKind::kString;
  std::string text_;
  double real_ = 0;
  int int_ = 0;
  // ASCII
  std::unique_ptr<MLineReader> lines_;
  // binary
  MBinReader bin_;
  bool wide_codes_ = false;
  bool binary_ = false;
};

// ---- the entity record -------------------------------------------------------

// What the groups of one entity said, reset at its 0 group.
struct Entity {
  std::string str[kLastStringCode + 1];  // str[0] is the entity type
  double real[kLastRealCode - kFirstRealCode + 1];
  int ints[kLastIntCode - kFirstIntCode + 1];
  MVector3 extrusion{0, 0, 1};
  uint64_t real_seen = 0;  // bit (code - 10)
  uint32_t int_seen = 0;   // bit (code - 60)

  // Defaults by type; VERTEX takes the widths of the last POLYLINE.
  void Reset(const std::string& type, double start_width, double end_width);
  void Take(const GroupReader& g);

  const std::string& type() const { return str[kCodeType]; }
  const std::string& Layer() const { return str[kCodeLayer]; }
  const std::string& Handle() const { return str[kCodeHandle]; }
  const std::string& Name() const { return str[kCodeName]; }
  double Real(int code) const { return real[code - kFirstRealCode]; }
  int Int(int code) const { return ints[code - kFirstIntCode]; }
  bool HasReal(int code) const { return (real_seen >> (code - kFirstRealCode)) & 1; }
  bool HasInt(int code) const { return (int_seen >> (code - kFirstIntCode)) & 1; }
  // The point of group base 10..13; a non-zero elevation (38) replaces z.
  MVector3 Point(int base) const;
};

// Object coordinates to world coordinates by the Arbitrary Axis Algorithm.
struct Ocs {
  MVector3 ax{1, 0, 0}, ay{0, 1, 0}, az{0, 0, 1};
  bool identity = true;
  explicit Ocs(const MVector3& normal);
  MVector3 ToWorld(const MVector3& p) const {
    if (identity) return p;
    return ax * p.x + ay * p.y + az * p.z;
  }
  // The same as a matrix for row vectors.
  MMatrix Matrix() const;
};

// ---- the importer ---------------------------------------------------------------

class Importer {
 public:
  Importer(MScene* scene, DxfImportOption* options, kvpf::ImportRun& run);
  ~Importer();
  Importer(const Importer&) = delete;
  Importer& operator=(const Importer&) = delete;

  // Reads every section of the file; then Finish hands the meshes over.
  void Read(GroupReader& in);
  void Finish();

  // What a read found, for the caller's messages.
  bool SawSection() const { return sections_ > 0; }
  // The file ended inside a section, without ENDSEC.
  bool CutShort() const { return cut_short_; }
  long FaceCount() const { return static_cast<long>(model_faces_); }

  // Inserting never makes more faces than this in all.
  static constexpr long long kFaceBudget = 50000000;
  // Blocks inside blocks deeper than this are left out.
  static constexpr int kMaxNesting = 64;

 private:
  // One mesh being filled, of the model or of a block definition.
  struct Slot {
    MMesh_P* mesh = nullptr;
    std::vector<int> ref_of_color;  // surface reference of each colour, -1 none
    std::vector<int> colors;        // colour of each surface reference
    std::unique_ptr<MGridWeld> weld;
    bool model = false;  // of the model, not of a block definition
  };
  struct InsertRef {
    std::string key;  // block name, folded
    std::string name;
    MVector3 point, scale{1, 1, 1}, extrusion{0, 0, 1};
    double rotation = 0, column_spacing = 0, row_spacing = 0;
    int columns = 1, rows = 1;
    int target = -1;  // model slot (top-level inserts)
    bool refused = false;
    // The placement of copy (c, r) of a block with the given base point.
    MMatrix Cell(const MVector3& base, int c, int r) const;
  };
  struct Block {
    std::string name;
    MVector3 base;
    std::vector<int> slots;
    std::vector<InsertRef> inserts;  // nested, in definition order
    long long faces = -1;            // all faces one copy makes, nesting included
  };
  struct Polyline {
    bool open = false;
    bool in_blocks = false;
    int flags = 0, smooth = 0, m = 0, n = 0;
    std::string layer, handle;
    int color = kDefaultColor;
    MVector3 extrusion{0, 0, 1}, elevation;
    double thickness = 0, start_width = 0, end_width = 0;
    std::vector<MVector3> points;
    double last_bulge = 0;
    std::vector<std::array<int, 4>> faces;  // polyface records, 1-based, signs dropped
  };

  // sections (dxf_import.cpp)
  bool SkipSection(GroupReader& in);
  bool ReadHeader(GroupReader& in);
  bool ReadTables(GroupReader& in);
  bool ReadEntities(GroupReader& in, bool blocks);
  bool ReadRecord(GroupReader& in);
  void Dispatch();
  void DumpError(const GroupReader& in);
  void Progress(const GroupReader& in);

  // line-like and surface entities (dxf_import_entities.cpp)
  void Line();
  void Circle(bool arc);
  void Solid();
  void Face3d();
  double Thickness(double t) const;
  // Side quads of an outline (object coordinates) up to its thickness.
  void Walls(int slot, const Ocs& ocs, const std::vector<MVector3>& pts, bool closed, double t, int color);
  // End faces at height z of a counter-clockwise ring: a fan from the
  // centre, or the polygon itself (ear-clipped past four corners).
  void FanCap(int slot, const Ocs& ocs, const MVector3& centre, const std::vector<MVector3>& ring, double z,
              bool facing_up, int color);
  void PolygonCap(int slot, const Ocs& ocs, const std::vector<MVector3>& ring, double z, bool facing_up, int color);

  // polylines (dxf_import_polyline.cpp)
  void StartPolyline();
  void Vertex();
  void EndPolyline();
  void FinishPolyface(int slot);
  void FinishMeshGrid(int slot);
  void FinishCurve(int slot);
  void SweepWideCurve(int slot, const Ocs& ocs, const std::vector<MVector3>& pts, bool closed, double t);
  // The points strictly between from and to of the arc a bulge makes.
  void AppendBulge(std::vector<MVector3>& pts, MVector3 from, MVector3 to, double bulge) const;

  // blocks (dxf_import_blocks.cpp)
  void StartBlock();
  void EndBlock();
  void Insert();
  int FindBlock(const std::string& key) const;
  int CurrentBlock();
  void ExpandInserts();
  void MarkCycles();
  void CopyBlock(int block, const MMatrix& m, int target, int depth);

  // meshes and surfaces (dxf_import_slots.cpp)
  int EntityColor(const Entity& e) const;
  int ChooseSlot(const std::string& layer, int color, const std::string& handle);
  int ModelSlot(const std::string& name);
  int NewSlot(const std::string& name, bool in_block);
  int SurfaceRef(int slot, int color);
  int AddVertex(int slot, const MVector3& v);
  void AddFace(int slot, const MVector3* pts, int n, int color);
  void AddIndexedFace(int slot, const int* idx, int n, int mat);
  void Announce(const std::string& name);
  void LogEntity(const char* title) const;
  void LogPoint(const char* label, const MVector3& p) const;

  MScene* scene_;
  DxfImportOption* o_;
  kvpf::ImportRun& run_;
  LogFile& log_;
  MessageCallBack1* cb_;
  const int mode_;
  const double arc_step_, zero_extrusion_, weld_tol_;
  const bool caps_, backside_, block_names_;

  Entity e_;
  bool in_blocks_ = false;
  int sections_ = 0;
  bool cut_short_ = false;
  long last_progress_ = -1;

  std::vector<std::unique_ptr<Slot>> slots_;
  std::vector<int> model_order_;  // model slots in the order they were made
  std::unordered_map<std::string, int> model_slots_, block_slots_;
  std::unordered_map<std::string, int> layer_colors_;  // folded layer name -> colour
  std::vector<bool> surface_made_;
  std::string announced_;

  std::vector<Block> blocks_;
  std::unordered_map<std::string, int> block_index_;
  int current_block_ = -1;
  std::string current_block_name_;
  MVector3 current_base_;
  std::vector<InsertRef> inserts_;  // top level, expanded at the end
  long long model_faces_ = 0;
  long invalid_faces_ = 0;  // polyface and net faces left out
  bool budget_warned_ = false;

  Polyline pl_;
};

// The area of an outline in the XY plane, positive when it runs
// counter-clockwise.
double SignedArea(const std::vector<MVector3>& pts);

// |v| for any int (the most negative one gives the largest).
inline int Magnitude(int v) { return v >= 0 ? v : (v == INT32_MIN ? INT32_MAX : -v); }


}  // namespace dxf
