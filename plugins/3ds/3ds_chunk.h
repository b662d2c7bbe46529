// 3D Studio chunk layer: the format's constants, the chunk tree of
// .3ds/.prj/.mli files, its readers and writers over the library's bounded
// binary ones, and the toolkit's error list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "binio.h"

class MOutputFile;

namespace k3ds {

// The chunk ids, as the format's readers name them.
enum ChunkId : uint16_t {
  // Roots of the three kinds of file.
  kM3dMagic = 0x4D4D,  // a mesh file (.3ds)
  kCMagic = 0xC23D,  // a project file (.prj)
  kMLibMagic = 0x3DAA,  // a material library (.mli)
  // Common records.
  kM3dVersion = 0x0002,
  kColorF = 0x0010,  // three floats
  kColor24 = 0x0011,  // three bytes
  kLinColor24 = 0x0012,  // three bytes, gamma corrected
  kLinColorF = 0x0013,  // three floats, gamma corrected
  kIntPercentage = 0x0030,  // a short
  kFloatPercentage = 0x0031,  // a float
  // The editor section and its settings.
  kMData = 0x3D3D,
  kMeshVersion = 0x3D3E,
  kMasterScale = 0x0100,
  kBitMap = 0x1100,  // background bitmap name
  kUseBitMap = 0x1101,
  kSolidBgnd = 0x1200,
  kUseSolidBgnd = 0x1201,
  kVGradient = 0x1300,
  kUseVGradient = 0x1301,
  kLoShadowBias = 0x1400,
  kShadowMapSize = 0x1420,
  kShadowFilter = 0x1450,
  kRayBias = 0x1460,
  kOConsts = 0x1500,
  kAmbientLight = 0x2100,
  kFog = 0x2200,
  kUseFog = 0x2201,
  kFogBgnd = 0x2210,
  kDistanceCue = 0x2300,
  kLayerFog = 0x2302,
  kDefaultView = 0x3000,
  kViewportLayout = 0x7001,
  // Named objects: meshes, lights, cameras.
  kNamedObject = 0x4000,  // name, then one object
  kObjHidden = 0x4010,
  kObjDoesntCast = 0x4012,
  kObjMatte = 0x4013,
  kObjDontRcvShadow = 0x4017,
  kNTriObject = 0x4100,  // a triangle mesh
  kPointArray = 0x4110,
  kFaceArray = 0x4120,
  kMshMatGroup = 0x4130,
  kTexVerts = 0x4140,
  kSmoothGroup = 0x4150,
  kMeshMatrix = 0x4160,
  kMeshColor = 0x4165,
  kMshBoxmap = 0x4190,
  kNDirectLight = 0x4600,  // a light
  kDlSpotlight = 0x4610,
  kDlOff = 0x4620,
  kDlAttenuate = 0x4625,
  kDlRaytrace = 0x4627,
  kDlShadowed = 0x4630,
  kDlLocalShadow2 = 0x4641,
  kDlSeeCone = 0x4650,
  kDlSpotRectangular = 0x4651,
  kDlSpotProjector = 0x4653,
  kDlSpotRoll = 0x4656,
  kDlSpotAspect = 0x4657,
  kDlRayBias = 0x4658,
  kDlInnerRange = 0x4659,
  kDlOuterRange = 0x465A,
  kDlMultiplier = 0x465B,
  kNCamera = 0x4700,  // a camera
  kCamRanges = 0x4720,
  // Materials.
  kMatEntry = 0xAFFF,
  kMatName = 0xA000,
  kMatAmbient = 0xA010,
  kMatDiffuse = 0xA020,
  kMatSpecular = 0xA030,
  kMatShininess = 0xA040,
  kMatShin2Pct = 0xA041,
  kMatShin3Pct = 0xA042,
  kMatTransparency = 0xA050,
  kMatXpFall = 0xA052,
  kMatRefBlur = 0xA053,
  kMatTwoSide = 0xA081,
  kMatSelfIlPct = 0xA084,
  kMatWire = 0xA085,
  kMatWireSize = 0xA087,
  kMatFaceMap = 0xA088,
  kMatXpFallIn = 0xA08A,
  kMatPhongSoft = 0xA08C,
  kMatShading = 0xA100,
  kMatUseXpFall = 0xA240,
  kMatBumpPercent = 0xA252,
  kMatAcubic = 0xA310,
  // Maps and masks of a material, and their records.
  kMatTexMap = 0xA200,
  kMatTex2Map = 0xA33A,
  kMatSpecMap = 0xA204,
  kMatOpacMap = 0xA210,
  kMatReflMap = 0xA220,
  kMatBumpMap = 0xA230,
  kMatShinMap = 0xA33C,
  kMatSelfIllumMap = 0xA33D,
  kMatTexMask = 0xA33E,
  kMatTex2Mask = 0xA340,
  kMatOpacMask = 0xA342,
  kMatBumpMask = 0xA344,
  kMatShinMask = 0xA346,
  kMatSpecMask = 0xA348,
  kMatSelfIllumMask = 0xA34A,
  kMatReflMask = 0xA34C,
  kMatMapName = 0xA300,
  kMatMapTiling = 0xA351,  // the MapTiling bits
  kMatMapTexBlur = 0xA353,
  kMatMapUScale = 0xA354,
  kMatMapVScale = 0xA356,
  kMatMapUOffset = 0xA358,
  kMatMapVOffset = 0xA35A,
  kMatMapAng = 0xA35C,
  kMatMapCol1 = 0xA360,
  kMatMapCol2 = 0xA362,
  kMatMapRCol = 0xA364,
  kMatMapGCol = 0xA366,
  kMatMapBCol = 0xA368,
  // The keyframer section.
  kKfData = 0xB000,
  kAmbientNodeTag = 0xB001,
  kObjectNodeTag = 0xB002,
  kCameraNodeTag = 0xB003,
  kTargetNodeTag = 0xB004,
  kLightNodeTag = 0xB005,
  kLTargetNodeTag = 0xB006,
  kSpotlightNodeTag = 0xB007,
  kKfSeg = 0xB008,
  kKfCurTime = 0xB009,
  kKfHdr = 0xB00A,
  kNodeHdr = 0xB010,
  kPivot = 0xB013,
  kPosTrackTag = 0xB020,
  kRotTrackTag = 0xB021,
  kSclTrackTag = 0xB022,
  kNodeId = 0xB030,
  // Extension data of other programs.
  kXDataSection = 0x8000,
  kXDataEntry = 0x8001,  // holds only the records below
  kXDataFirstRecord = 0x8002,
  kXDataLastRecord = 0x800F,
  kInMemoryOnly = 0x80F0,  // a toolkit's own chunk, never written
};

// Bits of a map's tiling and filter word (kMatMapTiling).
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
  // A tree read with ReadDatabaseView leaves `data` empty and points into
  // the file image instead; Bytes() and Size() are the own data either way.
  const uint8_t* view = nullptr;
  size_t view_size = 0;
  std::vector<Chunk> kids;

  const uint8_t* Bytes() const { return view ? view : data.data(); }
  size_t Size() const { return view ? view_size : data.size(); }

  const Chunk* Find(uint16_t kid_id) const;
  Chunk* Find(uint16_t kid_id);
  Chunk& Add(uint16_t kid_id);
};

// The kinds of 3D Studio file, each by its root chunk.
enum FileKind { kNoFile = 0, kMeshFile = 1, kProjectFile = 2, kMaterialLibrary = 3 };

FileKind KindOfRoot(uint16_t id);
uint16_t RootOfKind(FileKind kind);

struct Database {
  Chunk root;
  FileKind kind = kNoFile;
};

// Builds the tree from a whole file image. Bad lengths, endless nesting and
// truncation record errors and drop only what cannot be read. Returns false
// when the root is not a 3D Studio root; nothing past the root's header is
// looked at then.
bool ReadDatabase(const uint8_t* bytes, size_t size, Database* db, ErrorList* err);
// The same without copying: the chunks point into bytes, which must outlive
// the tree (an importer's mapped file).
bool ReadDatabaseView(const uint8_t* bytes, size_t size, Database* db, ErrorList* err);
// The same for a file, mapped rather than read.
bool ReadDatabaseFile(const char* path, Database* db, ErrorList* err);

// Serialises depth-first; every length is computed from what is written.
void Serialize(const Chunk& c, std::vector<uint8_t>* out);
// The bytes Serialize gives for c: its header, its data and its kids.
uint64_t SerializedSize(const Chunk& c);
// The same bytes straight into a file, without the copy in memory; false
// when a write failed (out notes the error).
bool WriteChunks(const Chunk& c, MOutputFile* out);
// Written in full or not at all (an existing file is then untouched).
bool WriteDatabaseFile(const char* path, const Database& db, ErrorList* err);

// A little-endian reader over a chunk's own data with the format's names
// for its fields; the first short read records kReadingFile and yields zeros
// from then on.
class Reader : public MBinReader {
 public:
  Reader(const std::vector<uint8_t>& d, ErrorList* err) : MBinReader(d.data(), d.size()), err_(err) {}
  Reader(const Chunk& c, ErrorList* err) : MBinReader(c.Bytes(), c.Size()), err_(err) {}
  Reader(const uint8_t* p, size_t n, ErrorList* err) : MBinReader(p, n), err_(err) {}
  uint8_t Byte() { return Noted(U8()); }
  uint16_t Word() { return Noted(U16()); }
  int16_t Short() { return static_cast<int16_t>(Word()); }
  uint32_t Dword() { return Noted(U32()); }
  int32_t Long() { return static_cast<int32_t>(Dword()); }
  float Float() { return Noted(F32()); }
  void Vector(float v[3]) { v[0] = Float(); v[1] = Float(); v[2] = Float(); }
  // Up to the NUL (which must come within the data); at most max_len
  // characters are kept, longer names are cut. "" without a NUL.
  std::string String(size_t max_len);
  void Skip(size_t n) {
    MBinReader::Skip(n);
    Noted(0);
  }
  // Clamps a count of fixed-size items to what the data holds (recording
  // kReadingFile when it does not).
  uint32_t FitCount(uint32_t n, size_t item_size);

 private:
  template <class T>
  T Noted(T v) {
    if (!Ok() && !noted_) {
      noted_ = true;
      if (err_) err_->Add(kReadingFile);
    }
    return v;
  }
  ErrorList* err_;
  bool noted_ = false;
};

// A little-endian writer with the format's names for its fields.
class Writer : public MBinWriter {
 public:
  explicit Writer(std::vector<uint8_t>* out) : MBinWriter(out) {}
  void Byte(uint8_t v) { U8(v); }
  void Word(uint16_t v) { U16(v); }
  void Short(int16_t v) { I16(v); }
  void Dword(uint32_t v) { U32(v); }
  void Long(int32_t v) { I32(v); }
  void Float(float v) { F32(v); }
  void Vector(const float v[3]) { Float(v[0]); Float(v[1]); Float(v[2]); }
  // Cut at max_len characters, then the NUL.
  void String(const char* s, size_t max_len) { CString(s, max_len); }
};

}  // namespace k3ds
