// 3D Studio chunk layer: the chunk tree of .3ds/.prj/.mli files, bounded
// primitive readers and writers, and the toolkit's error list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace k3ds {

enum : uint16_t {
  kMeshFile = 0x4D4D,
  kProjectFile = 0xC23D,
  kMaterialFile = 0x3DAA,
  kEditor = 0x3D3D,
};

// Bits of a map's tiling and filter word (chunk 0xA351).
enum MapTiling : uint16_t {
  kMapDecal = 0x0001,
  kMapMirror = 0x0002,
  kMapNegative = 0x0008,
  kMapNoTile = 0x0010,
  kMapSummedArea = 0x0020,
  kMapAlphaSource = 0x0040,
  kMapTint = 0x0080,
  kMapIgnoreAlpha = 0x0100,
  kMapRgbTint = 0x0200,
};

// Toolkit error codes (only those the layer raises are named).
enum ErrorCode {
  kNoErrors = 0,
  kNoMem = 1,
  kInvalidArg = 2,
  kInvalidChunk = 4,
  kInvalidDatabase = 5,
  kWrongDatabase = 6,
  kUnfoundChunk = 7,
  kOpeningFile = 11,
  kReadingFile = 13,
  kReadingDatabase = 15,
  kWritingDatabase = 16,
  kWritingFile = 17,
  kStringTooLong = 18,
  kTooManyErrors = 22,
};

const char* ErrorMessage(int code);

// Up to 19 codes, then one overflow slot that keeps the last code and turns
// into kTooManyErrors on a second overflow.
class ErrorList {
 public:
  void Add(int code);
  bool Pending() const { return pending_; }
  int Count() const { return count_; }
  int Code(int i) const { return codes_[i]; }
  void Clear() { count_ = 0; pending_ = false; overflowed_ = 0; }

 private:
  static constexpr int kSlots = 19;
  int codes_[kSlots + 1] = {};
  int count_ = 0;
  int overflowed_ = 0;
  bool pending_ = false;
};

// A chunk with its own data (raw bytes, decoded on demand by the readers) and
// its sub-chunks in file order.
struct Chunk {
  uint16_t id = 0;
  uint32_t length = 0;  // as read from the file; rewritten on output
  uint32_t pos = 0;     // file position of the header
  std::vector<uint8_t> data;
  std::vector<Chunk> kids;

  const Chunk* Find(uint16_t kid_id) const;
  Chunk* Find(uint16_t kid_id);
  Chunk& Add(uint16_t kid_id);
};

struct Database {
  Chunk root;
  int kind = 0;  // 1 mesh, 2 project, 3 material library; 0 no root
};

int KindOfRoot(uint16_t id);
uint16_t RootOfKind(int kind);

// Builds the tree from a whole file image. Bad lengths, endless nesting and
// truncation record errors and drop only what cannot be read. Returns false
// when the root is not a 3D Studio root.
bool ReadDatabase(const uint8_t* bytes, size_t size, Database* db, ErrorList* err);
bool ReadDatabaseFile(const char* path, Database* db, ErrorList* err);

// Serialises depth-first; every length is computed from what is written.
void Serialize(const Chunk& c, std::vector<uint8_t>* out);
bool WriteDatabaseFile(const char* path, const Database& db, ErrorList* err);

// Little-endian reader over a chunk's own data; a short read records
// kReadingFile once and yields zeros from then on.
class Reader {
 public:
  Reader(const std::vector<uint8_t>& d, ErrorList* err) : p_(d.data()), end_(d.data() + d.size()), err_(err) {}
  Reader(const uint8_t* p, size_t n, ErrorList* err) : p_(p), end_(p + n), err_(err) {}
  uint8_t Byte();
  uint16_t Word();
  int16_t Short() { return static_cast<int16_t>(Word()); }
  uint32_t Dword();
  int32_t Long() { return static_cast<int32_t>(Dword()); }
  float Float();
  void Vector(float v[3]) { v[0] = Float(); v[1] = Float(); v[2] = Float(); }
  // Up to the NUL (which must come within the data); at most max_len
  // characters are kept in out, longer names are cut.
  std::string String(size_t max_len);
  void Skip(size_t n);
  size_t Left() const { return static_cast<size_t>(end_ - p_); }
  bool Ok() const { return ok_; }
  // Clamps a count of fixed-size items to what the data holds.
  uint32_t FitCount(uint32_t n, size_t item_size);

 private:
  bool Need(size_t n);
  const uint8_t* p_;
  const uint8_t* end_;
  ErrorList* err_;
  bool ok_ = true;
};

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>* out) : out_(out) {}
  void Byte(uint8_t v) { out_->push_back(v); }
  void Word(uint16_t v);
  void Short(int16_t v) { Word(static_cast<uint16_t>(v)); }
  void Dword(uint32_t v);
  void Long(int32_t v) { Dword(static_cast<uint32_t>(v)); }
  void Float(float v);
  void Vector(const float v[3]) { Float(v[0]); Float(v[1]); Float(v[2]); }
  // Cut at max_len characters, then the NUL.
  void String(const char* s, size_t max_len);

 private:
  std::vector<uint8_t>* out_;
};

}  // namespace k3ds
