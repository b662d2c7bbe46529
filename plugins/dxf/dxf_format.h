// What the DXF format itself fixes: group codes, entity and section names,
// flag bits, the binary sentinel, the numbers that are 16-bit in the format
// and the AutoCAD Color Index palette.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace dxf {

// ---- group codes -----------------------------------------------------------
constexpr int kCodeType = 0;  // entity, table entry or section marker
constexpr int kCodeText = 1;
constexpr int kCodeName = 2;  // block, section or table entry name
constexpr int kCodeHandle = 5;
constexpr int kCodeLinetype = 6;
constexpr int kCodeLayer = 8;
constexpr int kCodeVariable = 9;  // $NAME of a header variable
constexpr int kCodeX = 10;        // first point; 11..13 further points, +10 y, +20 z
constexpr int kCodeY = 20;
constexpr int kCodeZ = 30;
constexpr int kCodeElevation = 38;
constexpr int kCodeThickness = 39;
constexpr int kCodeRadius = 40;       // also start width, text height
constexpr int kCodeEndWidth = 41;     // also x scale
constexpr int kCodeBulge = 42;        // also y scale
constexpr int kCodeScaleX = 41;
constexpr int kCodeScaleY = 42;
constexpr int kCodeScaleZ = 43;
constexpr int kCodeColumnSpacing = 44;
constexpr int kCodeRowSpacing = 45;
constexpr int kCodeAngle = 50;  // start angle, rotation
constexpr int kCodeEndAngle = 51;
constexpr int kCodeColor = 62;
constexpr int kCodeAttribsFollow = 66;
constexpr int kCodePaperSpace = 67;
constexpr int kCodeFlags = 70;  // also column count of INSERT
constexpr int kCodeCount1 = 71;  // row count, M, first face index
constexpr int kCodeCount2 = 72;
constexpr int kCodeCount3 = 73;
constexpr int kCodeCount4 = 74;
constexpr int kCodeSmoothType = 75;
constexpr int kCodeExtrusionX = 210;
constexpr int kCodeExtrusionY = 220;
constexpr int kCodeExtrusionZ = 230;
constexpr int kCodeComment = 999;
constexpr int kCodeXdataFirst = 1000;  // extended data: never a live code

// Ranges of the entity record.
constexpr int kFirstStringCode = 0, kLastStringCode = 9;
constexpr int kFirstRealCode = 10, kLastRealCode = 59;
constexpr int kFirstIntCode = 60, kLastIntCode = 79;
constexpr int kFirstExtrusionCode = 210, kLastExtrusionCode = 239;

// ---- names ---------------------------------------------------------------
constexpr char kSection[] = "SECTION";
constexpr char kEndSection[] = "ENDSEC";
constexpr char kEndOfFile[] = "EOF";
constexpr char kHeader[] = "HEADER";
constexpr char kTables[] = "TABLES";
constexpr char kBlocks[] = "BLOCKS";
constexpr char kEntities[] = "ENTITIES";
constexpr char kTable[] = "TABLE";
constexpr char kEndTable[] = "ENDTAB";
constexpr char kLayerEntry[] = "LAYER";
constexpr char kVersionVariable[] = "$ACADVER";

// ---- POLYLINE flags (group 70) and VERTEX flags ----------------------------
constexpr int kPolyClosedM = 1;
constexpr int kPoly3dCurve = 8;
constexpr int kPolyMesh = 16;
constexpr int kPolyClosedN = 32;
constexpr int kPolyFace = 64;
constexpr int kVertexSmoothed = 8;     // made by smoothing or curve fitting
constexpr int kVertex3dCurve = 32;
constexpr int kVertexMesh = 64;        // polygon mesh or polyface vertex
constexpr int kVertexFaceRecord = 128;  // with kVertexMesh: a polyface vertex

// ---- colours ---------------------------------------------------------------
constexpr int kColorByBlock = 0;
constexpr int kColorByLayer = 256;
constexpr int kDefaultColor = 1;
constexpr int kPaletteSize = 256;

// (red, green, blue) in 0..255 of an AutoCAD colour number 0..255.
struct Rgb {
  uint8_t r, g, b;
};
Rgb PaletteColor(int aci);
// The colour number 1..255 nearest to (r, g, b) in 0..1.
int NearestColor(double r, double g, double b);

// Block, layer and table names ignore case: the upper-case ASCII copy.
std::string FoldName(const std::string& s);

// ---- binary DXF ------------------------------------------------------------
// "AutoCAD Binary DXF" CR LF SUB NUL; the first group follows.
constexpr char kBinarySentinel[] = "AutoCAD Binary DXF";
constexpr size_t kBinarySentinelLength = 18;
constexpr size_t kBinaryHeaderLength = 22;
// A release 12 file codes groups in one byte; this byte says a 16-bit code
// follows.
constexpr int kBinaryWideCode = 255;
// In the 24 first bytes: 0 here means two-byte group codes (release 13 and
// later), since the first group is (0, "SECTION").
constexpr size_t kBinaryReleaseByte = 23;

// ---- limits ----------------------------------------------------------------
// Longest string value kept (the format's line length).
constexpr size_t kMaxString = 255;
// Polyface vertex indices and counts are signed 16-bit.
constexpr int kMaxPolyfaceIndex = 32767;

}  // namespace dxf
