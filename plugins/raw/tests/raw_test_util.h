// Loading the built RAW plug-ins and running them for the tests.
#pragma once
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"

namespace rawtest {

// The registry over the build's plug-in folder, loaded once per process.
PluginRegistry& Registry();
int ImportClass();
int ExportClass();

// Switches both RAW libraries to command-line mode with these -key=value
// options (argv[0] is supplied), or back to settings-store mode.
void UseCommandLine(const std::vector<std::string>& options);
void UseSettingsStore();

MScene* Import(const std::string& path);
void FreeScene(MScene* scene);
// Exports and returns LibLastExport's result (1 written, 0 failed).
int Export(MScene* scene, const std::string& path, std::string* written = nullptr);

MMesh_P* Mesh(MScene* scene, int i);

// Every line of a text file, without its line end (LF or CR LF).
std::vector<std::string> Lines(const std::string& path);

}  // namespace rawtest
