// The LightWave object and scene formats: chunk ids, the limits of their
// fields and the few numbers both sides agree on.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lwo {

// Four characters in file order as one big-endian long.
constexpr uint32_t Id(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

// The file and its two generations.
constexpr uint32_t kFORM = Id("FORM");
constexpr uint32_t kLWOB = Id("LWOB");
constexpr uint32_t kLWO2 = Id("LWO2");
constexpr uint32_t kLXOB = Id("LXOB");

// Top-level chunks.
constexpr uint32_t kPNTS = Id("PNTS");
constexpr uint32_t kSRFS = Id("SRFS");
constexpr uint32_t kTAGS = Id("TAGS");
constexpr uint32_t kLAYR = Id("LAYR");
constexpr uint32_t kPOLS = Id("POLS");
constexpr uint32_t kPTAG = Id("PTAG");
constexpr uint32_t kVMAP = Id("VMAP");
constexpr uint32_t kVMAD = Id("VMAD");
constexpr uint32_t kCLIP = Id("CLIP");
constexpr uint32_t kSURF = Id("SURF");
constexpr uint32_t kUVCV = Id("UVCV");
constexpr uint32_t kUVIM = Id("UVIM");

// Polygon, tag and vertex map types.
constexpr uint32_t kFACE = Id("FACE");
constexpr uint32_t kPTCH = Id("PTCH");
constexpr uint32_t kTXUV = Id("TXUV");

// Clip kinds.
constexpr uint32_t kSTIL = Id("STIL");

// Surface sub-chunks.
constexpr uint32_t kCOLR = Id("COLR");
constexpr uint32_t kFLAG = Id("FLAG");
constexpr uint32_t kLUMI = Id("LUMI");
constexpr uint32_t kDIFF = Id("DIFF");
constexpr uint32_t kSPEC = Id("SPEC");
constexpr uint32_t kREFL = Id("REFL");
constexpr uint32_t kTRAN = Id("TRAN");
constexpr uint32_t kVLUM = Id("VLUM");
constexpr uint32_t kVDIF = Id("VDIF");
constexpr uint32_t kVSPC = Id("VSPC");
constexpr uint32_t kVRFL = Id("VRFL");
constexpr uint32_t kVTRN = Id("VTRN");
constexpr uint32_t kGLOS = Id("GLOS");
constexpr uint32_t kRFLT = Id("RFLT");
constexpr uint32_t kRIMG = Id("RIMG");
constexpr uint32_t kRSAN = Id("RSAN");
constexpr uint32_t kRIND = Id("RIND");
constexpr uint32_t kEDGE = Id("EDGE");
constexpr uint32_t kSMAN = Id("SMAN");
constexpr uint32_t kALPH = Id("ALPH");
constexpr uint32_t kBLOK = Id("BLOK");

// Texture block sub-chunks.
constexpr uint32_t kIMAP = Id("IMAP");
constexpr uint32_t kTMAP = Id("TMAP");
constexpr uint32_t kPROJ = Id("PROJ");
constexpr uint32_t kIMAG = Id("IMAG");
constexpr uint32_t kCHAN = Id("CHAN");
constexpr uint32_t kOPAC = Id("OPAC");
constexpr uint32_t kENAB = Id("ENAB");
constexpr uint32_t kNEGA = Id("NEGA");

// Header sizes: a chunk has a long length, a sub-chunk a word length.
constexpr size_t kChunkHeader = 8;
constexpr size_t kSubChunkHeader = 6;

// A variable-length index below this fits in a word; from it on it takes a
// long whose first byte is 0xFF and whose low 24 bits hold the index.
constexpr uint32_t kVXWordLimit = 0xFF00;
constexpr uint32_t kVXMax = 0x00FFFFFF;
// The corner count of an LWO2 polygon; the upper six bits are flags.
constexpr uint16_t kCornerMask = 0x03FF;
// LWOB point indices and corner counts are words.
constexpr uint32_t kLwobMaxPoints = 0xFFFF;
// The projection mode of a texture block that uses a UV map.
constexpr uint16_t kProjectionUV = 5;
// The ordinal string the writer gives its single texture block.
constexpr uint16_t kBlockOrdinal = 0x8000;

// Scene items as a format above 2 numbers them: the kind in the top nibble
// of a hex id, the index among the items of that kind in the rest.
enum ItemKind : uint32_t { kItemObject = 1, kItemLight = 2, kItemCamera = 3, kItemBone = 4 };
constexpr uint32_t kItemIndexMask = 0x0FFFFFFF;

// Degrees per radian, as the formats' angles are converted.
constexpr double kDegPerRad = 57.29577951308232;

}  // namespace lwo
