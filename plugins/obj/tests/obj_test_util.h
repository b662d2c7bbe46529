// Loading the built OBJ (and RAW) plug-ins and running them for the tests.
#pragma once
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_support.h"

namespace objtest {

PluginRegistry& Registry();
// Class indices: OBJ import / export, RAW import / export.
int ObjImport();
int ObjExport();
int RawImport();
int RawExport();

// Every OBJ and RAW library in command-line mode with these -key=value
// options (argv[0] is supplied).
void UseCommandLine(const std::vector<std::string>& options);

MScene* Import(int cls, const std::string& path);
// LibLastExport's result (1 written, 0 failed).
int Export(int cls, MScene* scene, const std::string& path);

MMesh_P* Mesh(MScene* scene, int i);
MMesh_P* MeshByName(MScene* scene, const char* name);
// The triangles an exporter writes (kvtest::TriangleCount).
long Triangles(MScene* scene);

std::vector<std::string> Lines(const std::string& path);
// The file without the header line that carries the time of writing.
std::string WithoutTime(const std::string& path);

}  // namespace objtest
