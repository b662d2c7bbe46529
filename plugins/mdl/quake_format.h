// The Quake model formats: Quake 1 MDL ("IDPO", version 6) and Quake 2 MD2
// ("IDP2", version 8). Both are little-endian; sizes are in bytes.
#pragma once
#include <cstddef>
#include <cstdint>

class LogFile;

namespace quake {

// Signatures as the first four bytes read as a little-endian 32-bit value.
constexpr uint32_t Magic(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}
constexpr uint32_t kMd2Magic = Magic("IDP2");
constexpr uint32_t kMdlMagic = Magic("IDPO");
constexpr int kMd2Version = 8;
constexpr int kMdlVersion = 6;

// ---- MD2 -------------------------------------------------------------------

// 17 ints: ident, version, skin width and height, frame size, then the
// counts of skins, vertices, texture coordinates, triangles, GL commands and
// frames, then the offsets of skins, texture coordinates, triangles, frames,
// GL commands and the end.
constexpr size_t kMd2HeaderSize = 68;
enum Md2Field {
  kMd2Ident, kMd2VersionField, kMd2SkinWidth, kMd2SkinHeight, kMd2FrameSize,
  kMd2NumSkins, kMd2NumVertices, kMd2NumTexCoords, kMd2NumTriangles, kMd2NumGlCommands, kMd2NumFrames,
  kMd2OfsSkins, kMd2OfsTexCoords, kMd2OfsTriangles, kMd2OfsFrames, kMd2OfsGlCommands, kMd2OfsEnd,
  kMd2HeaderInts
};
constexpr size_t kMd2SkinNameSize = 64;   // zero-padded path
constexpr size_t kMd2TexCoordSize = 4;    // short s, short t (texels)
constexpr size_t kMd2TriangleSize = 12;   // 3 vertex indices, 3 texture indices (shorts)
constexpr size_t kMd2FrameHeadSize = 40;  // float scale[3], translate[3], char name[16]

// Vertex and texture indices are shorts.
constexpr int kMd2MaxIndexed = 32768;
// What the Quake 2 engine itself loads.
constexpr int kQuake2MaxVertices = 2048;
constexpr int kQuake2MaxTriangles = 4096;

// "Model Properties:" and the header's counts, as the import and the export
// log them.
void LogMd2Header(LogFile& log, const int32_t (&h)[kMd2HeaderInts]);

// The skin size the exporter declares: texture coordinates in hundredths.
constexpr int kMd2ExportSkinSize = 100;
constexpr char kMd2ExportFrameName[] = "start";

// ---- MDL -------------------------------------------------------------------

// ident, version, float scale[3], translate[3], bounding radius, eye
// position[3], then ints: skins, skin width, skin height, vertices,
// triangles, frames, sync type, flags, and a float size.
constexpr size_t kMdlHeaderSize = 84;
constexpr size_t kMdlTexCoordSize = 12;  // int on-seam, int s, int t
constexpr size_t kMdlTriangleSize = 16;  // int faces-front, 3 int vertex indices
// A pose: bounding box minimum and maximum (two vertex records), name[16].
constexpr size_t kMdlPoseHeadSize = 24;
constexpr size_t kMdlGroupHeadSize = 12;  // int count, bounding box minimum and maximum
constexpr int32_t kMdlSingle = 0;        // skin or frame type; anything else is a group
// The skins Quake itself keeps; further ones are read past, not written.
constexpr int kMdlMaxSkinFiles = 32;

// ---- shared ----------------------------------------------------------------

constexpr size_t kFrameNameSize = 16;
constexpr size_t kFrameVertexSize = 4;  // unsigned x, y, z and a normal index

// The standard 256-colour palette of MDL skins (r, g, b).
constexpr int kPaletteSize = 256;
extern const uint8_t kPalette[kPaletteSize][3];
// The standard vertex normals that a frame vertex's normal index names.
constexpr int kNormalCount = 162;
extern const float kNormals[kNormalCount][3];

// ---- the TGA files MDL skins are written as ---------------------------------

constexpr size_t kTgaHeaderSize = 18;
constexpr uint8_t kTgaTrueColour = 2;  // uncompressed
constexpr uint8_t kTgaBitsPerPixel = 24;
constexpr int kTgaMaxSide = 65535;

}  // namespace quake
