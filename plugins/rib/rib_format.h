// The RenderMan Interface Bytestream as this exporter writes it: requests,
// parameter names, shader names and the fixed texts of the file.
#pragma once

namespace rib {

constexpr char kTitle[] = "RIB Export Plugin 1.0";
// The build stamp of the log header is fixed: logs are compared across builds.
constexpr char kStamp[] = "Oct 22 2000 09:25:54";
constexpr char kLibName[] = "RIB Export Lib";
constexpr char kClassName[] = "RenderMan (*.rib)";
constexpr unsigned kClassId = 0x56442A5Cu;
constexpr char kStoreName[] = "export_rib";
constexpr char kLogName[] = "exportrib.log";
constexpr char kExt[] = "rib";
constexpr char kFilter[] = "BMRT PRMan     (*.rib)|*.rib|All Files (*.*)|*.*||";
constexpr char kImageSection[] = "Image_Handler";

constexpr char kNotice[] = "RenderMan scene written by Korvane";
constexpr char kStructure[] = "RenderMan RIB-Structure 1.1";
constexpr char kBmrt[] = "BMRT Compatible";
constexpr char kPrman[] = "RenderMan Compatible";
constexpr char kVersion[] = "3.03";
constexpr int kWidth = 640, kHeight = 480, kPixelAspect = 1;
constexpr char kImageExt[] = "tif";
constexpr char kTextureExt[] = "tex";

// The global ambient light is handle 1; the scene's lights follow from 2.
constexpr int kAmbientHandle = 1;
constexpr int kFirstLightHandle = 2;
// The scene's field of view is given for the longer side of the 4:3 frame.
constexpr double kFovFactor = 0.75;
constexpr double kAmbientIntensityFactor = 10.0;
constexpr double kFogDistanceFactor = 0.3;
constexpr double kMinAngle = 0.001;
// Counts of a PointsPolygons list per line.
constexpr int kNumbersPerLine = 15;

// Shaders: the standard set and the program's own.
struct ShaderSet {
  const char* surface;
  const char* ambient;
  const char* point;
  const char* spot;
  const char* fog;
};
constexpr ShaderSet kStandardShaders{"plastic", "ambientlight", "pointlight", "spotlight", "fog"};
constexpr ShaderSet kOwnShaders{"sh3dto3d", "mambientlight", "mpointlight", "mspotlight", "mfog"};
constexpr char kPaintedPlastic[] = "paintedplastic";
constexpr char kBackgroundImager[] = "mbackground";
constexpr char kDefaultTexture[] = "default.tif";

// What a surface without a record of its name is drawn with.
constexpr double kDefaultKa = 0.5, kDefaultKd = 0.7, kDefaultKs = 1.0, kDefaultRoughness = 0.1;
// roughness = kRoughnessBase / 10^(2 * phong size)
constexpr double kRoughnessBase = 0.05;

// The parameters of the program's surface shader, declared before use.
constexpr const char* kOwnShaderDeclarations[][2] = {
    {"texturemap1", "string"},  {"t1_value", "float"}, {"t1_u", "float"}, {"t1_v", "float"},
    {"texturemask1", "string"}, {"m1_value", "float"}, {"m1_u", "float"}, {"m1_v", "float"},
    {"texturemap2", "string"},  {"t2_value", "float"}, {"t2_u", "float"}, {"t2_v", "float"},
    {"texturemask2", "string"}, {"m2_value", "float"}, {"m2_u", "float"}, {"m2_v", "float"},
    {"opacitymap", "string"},   {"to_value", "float"}, {"ot_u", "float"}, {"ot_v", "float"}};

}  // namespace rib
