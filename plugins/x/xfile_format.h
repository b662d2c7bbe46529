// The DirectX .x file format: header fields, binary token codes, the
// compressed block layout and the names of the standard templates.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kvx {

// "xof 0302txt 0032": magic, version (major, minor), body, float size.
constexpr size_t kHeaderSize = 16;
constexpr char kMagic[] = "xof ";
constexpr char kFormatText[] = "txt ";
constexpr char kFormatBinary[] = "bin ";
constexpr char kFormatTextZip[] = "tzip";
constexpr char kFormatBinaryZip[] = "bzip";
constexpr char kFloat32[] = "0032";
constexpr char kFloat64[] = "0064";

// Compressed bodies: a uint32 size (the whole decompressed file, header
// included), then blocks of uint16 decompressed size, uint16 compressed size
// (the marker included), the marker "CK" and one raw deflate stream that may
// refer back into the previous 32 KiB of output.
constexpr size_t kZipBlockMax = 32768;
constexpr size_t kZipWindow = 32768;
constexpr char kZipMarker[] = "CK";
// Deflate expands at most about 1032:1; a block claiming more is a lie.
constexpr size_t kInflateRatioMax = 1032;

// Binary tokens (each a uint16).
enum XToken : uint16_t {
  kTokName = 1,         // uint32 length, characters
  kTokString = 2,       // uint32 length, characters (a separator token follows)
  kTokInteger = 3,      // uint32
  kTokGuid = 5,         // 16 bytes
  kTokIntegerList = 6,  // uint32 count, count uint32
  kTokFloatList = 7,    // uint32 count, count floats of the header's size
  kTokOBrace = 10,
  kTokCBrace = 11,
  kTokOParen = 12,
  kTokCParen = 13,
  kTokOBracket = 14,
  kTokCBracket = 15,
  kTokOAngle = 16,
  kTokCAngle = 17,
  kTokDot = 18,
  kTokComma = 19,
  kTokSemicolon = 20,
  kTokTemplate = 31,
  kTokWord = 40,
  kTokDword = 41,
  kTokFloat = 42,
  kTokDouble = 43,
  kTokChar = 44,
  kTokUChar = 45,
  kTokSWord = 46,
  kTokSDword = 47,
  kTokVoid = 48,
  kTokLpStr = 49,
  kTokUnicode = 50,
  kTokCString = 51,
  kTokArray = 52,
};

// The keyword of a binary type token (template members), or null.
const char* TypeKeyword(uint16_t token);
// The type token of a template keyword ("DWORD", "array" ...), or 0.
uint16_t KeywordToken(const char* word, size_t n);

// Objects the importer knows, by template name.
namespace tpl {
constexpr char kHeader[] = "Header";
constexpr char kFrame[] = "Frame";
constexpr char kFrameTransformMatrix[] = "FrameTransformMatrix";
constexpr char kMesh[] = "Mesh";
constexpr char kMeshNormals[] = "MeshNormals";
constexpr char kMeshTextureCoords[] = "MeshTextureCoords";
constexpr char kMeshMaterialList[] = "MeshMaterialList";
constexpr char kMeshVertexColors[] = "MeshVertexColors";
constexpr char kMaterial[] = "Material";
constexpr char kTextureFilename[] = "TextureFilename";  // also spelled TextureFileName
constexpr char kAnimationSet[] = "AnimationSet";
constexpr char kAnimation[] = "Animation";
}  // namespace tpl

// The declarations of the first 21 standard templates (Header ... Frame), in
// their declaration order, as the text form writes them.
extern const char kStandardTemplates[];

// Nesting deeper than this is refused (objects inside objects, references
// followed from references).
constexpr int kMaxDepth = 256;

}  // namespace kvx
