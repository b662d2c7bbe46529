// Lightflow scene scripts as this exporter writes them: the renderer's
// Python module, the names the script uses and the fixed texts.
#pragma once

namespace ltw {

constexpr char kTitle[] = "Lightflow Export Plugin 1.0";
constexpr char kLibName[] = "LTW Export Lib";
constexpr char kClassName[] = "Lightflow (*.py)";
constexpr unsigned kClassId = 0x4FA2076Eu;
constexpr char kStoreName[] = "export_lightflow";
constexpr char kLogName[] = "exportlightflow.log";
constexpr char kExt[] = "py";
constexpr char kFilter[] = "Lightflow     (*.py)|*.py|All Files (*.*)|*.*||";

constexpr char kNotice[] = "Lightflow scene script written by Korvane";
constexpr char kStructure[] = "Lightflow Phython-Structure ";
constexpr char kModule[] = "lightflowPM";
constexpr char kImageExt[] = ".tga";

// Prefixes of the variables made from names: nothing the script uses
// itself (s, p, n, t, camera ...), no keyword and no leading digit can come
// out of them.
constexpr char kMaterialPrefix[] = "mat_";
constexpr char kTexturePrefix[] = "tex_";
// The material of meshes whose surface has none of its own.
constexpr char kDefaultMaterial[] = "default";

constexpr double kRadPerDeg = 0.017453292519943295;
// The scene's field of view less this many degrees is the pinhole's.
constexpr double kFovOffset = 10.0;
constexpr double kAspect = 1.3333333333333333;
constexpr int kWidth = 640, kHeight = 480;

}  // namespace ltw
