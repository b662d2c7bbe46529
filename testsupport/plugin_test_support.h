// Loading the build's plug-ins and running their classes, for the plug-in
// tests of every format.
#pragma once
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_host.h"

namespace kvtest {

// The registry over the build's plug-in folder, loaded once per process.
PluginRegistry& Plugins();

// The index of the class with this exact name and super class (0: any),
// or -1.
int FindClass(const char* name, int super = 0);
inline int ImportClass(const char* name) { return FindClass(name, MESH_IMPORT_CLASS_ID); }
inline int ExportClass(const char* name) { return FindClass(name, MESH_EXPORT_CLASS_ID); }

// The class names the cross-format tests use most.
inline constexpr char kObjClass[] = "Alias Wavefront (*.obj)";
inline constexpr char k3dsImportClass[] = "3D Studio (*.3ds, *.prj, *.mtl)";
inline constexpr char k3dsExportClass[] = "3D Studio Binary Mesh File     (*.3ds)";

// Every loaded library in command-line mode with these -key=value options
// (argv[0] is supplied), or back to settings-store mode.
void UseCommandLine(const std::vector<std::string>& options);
void UseSettingsStore();

// Runs an import class on a file; null when the class is missing or fails.
MScene* ImportWith(int cls, const std::string& path);
// Runs an export class and returns LibLastExport's result (1 written,
// 0 failed, -1 no such class); `written` receives its file name.
int ExportWith(int cls, MScene* scene, const std::string& path, std::string* written = nullptr);

// The i-th object of a scene when it is a polygon mesh, else null.
MMesh_P* MeshAt(MScene* scene, int i);

// What the last export of a class could not keep, one "object: label count"
// row per entry; *accounted tells whether it kept an account at all.
std::vector<std::string> loss_rows(int cls, bool* accounted = nullptr);

// Every line of a text file, without its line end (LF or CR LF).
std::vector<std::string> read_lines(const std::string& path);

}  // namespace kvtest
