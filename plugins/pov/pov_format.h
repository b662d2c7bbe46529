// The names, texts and fixed values of the POV-Ray / Moray export.
#pragma once
#include <cstdint>

namespace kpov {

constexpr char kLibName[] = "POV Export Lib";
constexpr char kClassName[] = "POV-Ray/Moray (*.pov, *.mdl)";
constexpr uint32_t kClassId = 0x3F5A2EF8u;
constexpr char kShortName[] = "POV";
constexpr char kStoreName[] = "export_pov";
constexpr char kLogName[] = "exportpov.log";
constexpr char kExt[] = "pov";
constexpr char kFilter[] = "POV-Ray     (*.pov)|*.pov|All Files (*.*)|*.*||";
constexpr char kImageSection[] = "Image_Handler";
// The log banner keeps the build stamp of the format's release: logs are
// compared across builds.
constexpr char kTitle[] = "POV Export Plugin 1.1";
constexpr char kStamp[] = "Oct 11 2000 07:54:09";
constexpr char kNotice[] = "POV-Ray scene written by Korvane";

// The dialects of pov_version.
enum Dialect { kPov37 = 0, kPov3Mesh = 1, kMegaPov = 2 };
constexpr char kVersion37[] = "#version 3.7;";
constexpr char kVersionMegaPov[] = "#version unofficial MegaPov 0.6;";

// The file set: the model file F.pov and its companions F<suffix>.
constexpr char kMasterIncSuffix[] = "_g.inc";
constexpr char kPartIncSuffix[] = "_p.inc";
constexpr char kAtmosphereSuffix[] = "_a.inc";
constexpr char kObjectsSuffix[] = "_o.inc";
constexpr char kCamerasSuffix[] = "_c.inc";
constexpr char kLightsSuffix[] = "_l.inc";
constexpr char kMaterialsSuffix[] = "_m.inc";
constexpr char kUdoSuffix[] = ".udo";
constexpr char kMdlSuffix[] = "_x.mdl";

constexpr char kMasterTitle[] = "Master POV file";
constexpr char kMasterIncTitle[] = "Master include file";
constexpr char kPartIncTitle[] = "Part include file";
constexpr char kAtmosphereTitle[] = "Atmosphere setting file";
constexpr char kObjectsTitle[] = "Object file";
constexpr char kCamerasTitle[] = "Camera file";
constexpr char kLightsTitle[] = "Light file";
constexpr char kMaterialsTitle[] = "Material file";

// Identifiers: objects, cameras and lights "P_", surfaces and maps "T_",
// and the texture of faces that have no surface of their own.
constexpr int kObjectNameMode = 0;
constexpr int kTextureNameMode = 5;
constexpr char kDefaultTexture[] = "T_DEFAULT";
constexpr char kFullFilterPigment[] = "full_filter_pigment";
constexpr char kFullFilterNormal[] = "full_filter_normal";

// Image types POV-Ray reads, by file extension; others are converted to PNG.
struct ImageType {
  const char* ext;
  const char* keyword;
};
constexpr ImageType kImageTypes[] = {{"jpg", "jpeg"},  {"jpeg", "jpeg"}, {"jpe", "jpeg"}, {"tif", "tiff"},
                                     {"tiff", "tiff"}, {"tga", "tga"},   {"gif", "gif"},  {"png", "png"},
                                     {"bmp", "bmp"},   {"ppm", "ppm"},   {"pgm", "pgm"},  {"iff", "iff"},
                                     {"sys", "sys"},   {"exr", "exr"},   {"hdr", "hdr"}};
constexpr char kConvertedExt[] = "png";

constexpr double kRadToDeg = 57.29577951308232;
constexpr double kDegToRad = 0.017453292519943295;

// Moray: meshed solids, and the binary model's fixed values.
constexpr int kMoraySegments = 4;
constexpr char kMdlMagic[] = "MDLY48";

// Progress steps of the first row.
enum Step {
  kMaster,
  kMasterInc,
  kPartInc,
  kAtmosphere,
  kCameras,
  kLights,
  kObjects,
  kMaterials,
  kMoray,
  kMaps,
  kSteps
};

}  // namespace kpov
