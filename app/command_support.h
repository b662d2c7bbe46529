// The pieces of korvane-cli that are worth testing without a subprocess:
// picking a class from what the user typed, the export class of a file name,
// the info report in text and JSON, the help texts and the file checks.
#pragma once
#include <string>
#include <vector>

class PluginRegistry;
class PluginClassDesc;
class ConversionDriver;
struct ExportLoss;

namespace kvcli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

enum class ClassKind { Import, Export, Any };

// CLASS as typed: an exact ClassName, a ClassID (0x...), or a
// case-insensitive part of a ClassName that picks one class of the kind.
// Returns the class-list position, or -1 with why in err.
int ResolveClass(PluginRegistry& registry, const std::string& text, ClassKind kind, std::string& err);

// Whether the class's ClassName holds ext (".raw") as "*.ext"
// (case-insensitive, the pattern not going on with more letters).
bool ClassNameHolds(PluginClassDesc* d, const std::string& ext);

// The first export class whose ClassName holds the path's extension as
// "*.ext" (case-insensitive, the pattern not going on with more letters);
// -1 with why in err.
int ExportClassForPath(PluginRegistry& registry, const std::string& path, std::string& err);

// The extension of the file-name part with its dot (".raw"), "" without.
std::string FileExtension(const std::string& path);
// 'text' in single quotes.
std::string Quote(const std::string& text);

// 1 when path names a file this process can read; else 0 with why.
int CheckReadable(const std::string& path, std::string& why);
// Why a file cannot be written at path, as far as the file system tells.
std::string WriteProblem(const std::string& path);

struct SceneInfo {
  long scenes = 0, objects = 0, faces = 0, vertices = 0, cameras = 0, lights = 0, materials = 0, images = 0;
  long triangles = 0;
  double bounds[6] = {0, 0, 0, 0, 0, 0};  // min x y z, max x y z
  std::vector<std::string> object_lines;
};

SceneInfo CollectInfo(ConversionDriver& driver);
// "scenes: N" ... "bounds: ..." and the object lines, each ended by "\n".
std::string InfoText(const SceneInfo& info);
// The same as one JSON object and "\n". Names are taken as Windows-1252 and
// written as UTF-8; bounds that are not finite are null.
std::string InfoJson(const SceneInfo& info);
// A JSON string literal of 8-bit text (Windows-1252).
std::string JsonString(const std::string& text);

// What an export could not keep, as "convert --report" prints it: one row
// per object and kind ("object", "lost", "count" columns), "nothing lost"
// for an empty account, or a line saying the export class keeps none.
std::string LossTable(const std::vector<ExportLoss>& losses, bool accounted);
// "convert --json": the files written and the same account as one JSON
// object and "\n" ("losses" is null when the export class keeps none).
std::string ConvertJson(const std::vector<std::string>& written, const std::vector<ExportLoss>& losses,
                        bool accounted);

// The common option help of imports and/or exports; exports add the map
// conversion help.
std::string CommonHelp(bool import_help, bool export_help);

}  // namespace kvcli
