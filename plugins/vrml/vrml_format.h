// The names, texts and fixed values of the VRML 1.0 / 2.0 export.
#pragma once
#include <cstdint>

namespace kvrml {

constexpr char kLibName[] = "VRML Export Lib";
constexpr char kClassName[] = "VRML (*.wrl)";
constexpr uint32_t kClassId = 0x27B00A23u;
constexpr char kShortName[] = "VRML";
constexpr char kStoreName[] = "export_vrml";
constexpr char kLogName[] = "exportvrml.log";
constexpr char kExt[] = "wrl";
constexpr char kFilter[] = "VRML 1.0/2.0      (*.wrl)|*.wrl|All Files (*.*)|*.*||";
constexpr char kImageSection[] = "Image_Handler";
// The log banner keeps the build stamp of the format's first release:
// logs are compared across builds.
constexpr char kTitle[] = "VRML Export Plugin 1.0";
constexpr char kStamp[] = "Oct 22 2000 09:26:15";
constexpr char kNotice[] = "VRML world written by Korvane";

constexpr char kHeader20[] = "#VRML V2.0 utf8";
constexpr char kHeader10[] = "#VRML V1.0 ascii";

// Node names carry their kind, so that no name starts with a digit, equals
// a keyword or meets a name of another kind.
constexpr char kMaterialPrefix[] = "M_";
constexpr char kObjectPrefix[] = "O_";
constexpr char kLightPrefix[] = "L_";
constexpr char kCameraPrefix[] = "C_";
constexpr char kFacesSuffix[] = "_FACES";
constexpr char kGlobalAmbient[] = "GlobalAmbient";

// Light radii of the VRML 2.0 lights (a spot light carries both).
constexpr double kLightRadius = 256.0;
constexpr double kSpotRadius = 1000.0;
constexpr double kShininess = 0.3;
// The field of view when the camera's own gives no aspect: 4:3.
constexpr double kDefaultAspect = 4.0 / 3.0;

// Progress steps of the first row.
enum Step { kSettings, kBackground, kAtmosphere, kCameras, kLights, kMaterials, kMeshes, kMaps, kSteps };
constexpr const char* kStepText[kSteps] = {"Settings ...", "Background ...", "Atmosphere ...", "Cameras ...",
                                           "Lights ...",   "Materials ...",  "Meshes ...",     "Maps ..."};

}  // namespace kvrml
