// The outside programs that judge what the plug-ins write: assimp, the
// Khronos glTF validator (run through node) and admesh. Each helper says
// whether its program ran at all, so that a test can skip with a message
// when it is not installed.
#pragma once
#include <filesystem>
#include <set>
#include <string>

namespace kvtest {

// True when the program is on PATH.
bool have_program(const char* name);
// 'text' quoted for the shell.
std::string shell_quote(const std::string& text);

// What "assimp info" reports for a file.
struct AssimpInfo {
  bool ok = false;  // it read the file and printed counts and bounds
  long meshes = 0, faces = 0, vertices = 0, materials = 0;
  double lo[3] = {}, hi[3] = {};
  std::set<std::string> material_names;
  std::string text;  // the whole output, for failure messages
};
AssimpInfo assimp_info(const std::string& path);

// The gltf-validator package: KORVANE_GLTF_VALIDATOR, else
// build-tools/node_modules/gltf-validator of the source folder (where
// scripts/install-deps.sh puts it); empty when neither is there or node is
// missing.
std::filesystem::path gltf_validator_dir();

struct ValidatorReport {
  bool ran = false;
  int errors = 0, warnings = 0, infos = 0, hints = 0;
  std::string messages;  // the errors and warnings, one per line
  std::string text;      // what the validator script printed
};
// Validates a .gltf or .glb file, its external buffers and images read from
// its folder.
ValidatorReport validate_gltf(const std::string& path);

// What "admesh --exact" finds in an STL file.
struct AdmeshReport {
  bool ran = false;
  long facets = 0, parts = 0, degenerate = 0, edges_fixed = 0, facets_removed = 0, facets_added = 0,
       facets_reversed = 0, backwards_edges = 0, normals_fixed = 0;
  std::string text;
};
AdmeshReport admesh_check(const std::string& path);

// Runs a Python script in Blender without its window (factory settings);
// the script finds dir in sys.argv after "--". False when Blender is not
// installed.
bool run_blender(const std::string& script, const std::string& dir);

// The script that puts Blender's monkey (500 faces, quads and triangles)
// at (1, 2, 3) and an icosphere of 320 triangles at (-3, 0, 0) into an empty
// scene and selects both: files of it hold 968 + 320 triangles.
extern const char kBlenderMonkeyAndSphere[];

}  // namespace kvtest
