#include "outside_tools.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "test_support.h"

namespace fs = std::filesystem;

namespace kvtest {
namespace {

// The integer after "key": in a JSON text, or 0.
int JsonInt(const std::string& text, const char* key) {
  std::string k = std::string("\"") + key + "\":";
  size_t at = text.find(k);
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + k.size());
}

// The strings of the "messages" array, one per line (escapes left as they are).
std::string JsonMessages(const std::string& text) {
  std::string out;
  size_t at = text.find("\"messages\":[");
  if (at == std::string::npos) return out;
  bool in_string = false;
  for (size_t i = at + 12; i < text.size(); ++i) {
    char c = text[i];
    if (!in_string && c == ']') break;
    if (c == '"' && text[i - 1] != '\\') {
      in_string = !in_string;
      if (!in_string) out += '\n';
    } else if (in_string) {
      out += c;
    }
  }
  return out;
}

// The first number after the ':' of a line that starts with label.
long After(const std::string& line, const char* label) {
  if (line.rfind(label, 0) != 0) return -1;
  size_t colon = line.find(':');
  return colon == std::string::npos ? -1 : std::atol(line.c_str() + colon + 1);
}

}  // namespace

bool have_program(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string shell_quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

AssimpInfo assimp_info(const std::string& path) {
  AssimpInfo a;
  a.text = command_output("assimp info " + shell_quote(path) + " 2>&1");
  std::istringstream in(a.text);
  std::string line;
  bool have_min = false, have_max = false, in_materials = false;
  while (std::getline(in, line)) {
    if (line.rfind("Meshes:", 0) == 0) a.meshes = std::atol(line.c_str() + 7);
    if (line.rfind("Faces:", 0) == 0) a.faces = std::atol(line.c_str() + 6);
    if (line.rfind("Vertices:", 0) == 0) a.vertices = std::atol(line.c_str() + 9);
    if (line.rfind("Materials:", 0) == 0) a.materials = std::atol(line.c_str() + 10);
    if (line.rfind("Minimum point", 0) == 0)
      have_min = std::sscanf(line.c_str(), "Minimum point (%lf %lf %lf)", &a.lo[0], &a.lo[1], &a.lo[2]) == 3;
    if (line.rfind("Maximum point", 0) == 0)
      have_max = std::sscanf(line.c_str(), "Maximum point (%lf %lf %lf)", &a.hi[0], &a.hi[1], &a.hi[2]) == 3;
    if (line.rfind("Named Materials:", 0) == 0) {
      in_materials = true;
    } else if (in_materials) {
      // "    'name' (prop) ..." heads each material; its properties follow.
      if (line.rfind("    '", 0) == 0) {
        size_t end = line.rfind("' (prop)");
        if (end != std::string::npos && end > 5) a.material_names.insert(line.substr(5, end - 5));
      } else if (!line.empty() && line[0] != ' ') {
        in_materials = false;
      }
    }
  }
  a.ok = have_min && have_max;
  return a;
}

fs::path gltf_validator_dir() {
  static const fs::path found = [] {
    if (!have_program("node")) return fs::path();
    std::error_code ec;
    if (const char* s = std::getenv("KORVANE_GLTF_VALIDATOR"); s && *s)
      return fs::exists(fs::path(s) / "index.js", ec) ? fs::path(s) : fs::path();
    fs::path p = source_dir() / "build-tools" / "node_modules" / "gltf-validator";
    return fs::exists(p / "index.js", ec) ? p : fs::path();
  }();
  return found;
}

ValidatorReport validate_gltf(const std::string& path) {
  ValidatorReport r;
  fs::path dir = gltf_validator_dir();
  if (dir.empty()) return r;
  const std::string script = (source_dir() / "testsupport" / "gltf_validate.js").string();
  r.text = command_output("node " + shell_quote(script) + " " + shell_quote(dir.string()) + " " +
                          shell_quote(path) + " 2>&1");
  r.ran = r.text.find("\"errors\":") != std::string::npos;
  r.errors = JsonInt(r.text, "errors");
  r.warnings = JsonInt(r.text, "warnings");
  r.infos = JsonInt(r.text, "infos");
  r.hints = JsonInt(r.text, "hints");
  r.messages = JsonMessages(r.text);
  return r;
}

AdmeshReport admesh_check(const std::string& path) {
  AdmeshReport r;
  if (!have_program("admesh")) return r;
  r.text = command_output("admesh --exact " + shell_quote(path) + " 2>&1");
  std::istringstream in(r.text);
  std::string line;
  while (std::getline(in, line)) {
    long v;
    // "Number of facets : <original> <final>": the original count.
    if ((v = After(line, "Number of facets")) >= 0) r.facets = v, r.ran = true;
    if ((v = After(line, "Number of parts")) >= 0) r.parts = v;
    if ((v = After(line, "Degenerate facets")) >= 0) r.degenerate = v;
    if ((v = After(line, "Edges fixed")) >= 0) r.edges_fixed = v;
    if ((v = After(line, "Facets removed")) >= 0) r.facets_removed = v;
    if ((v = After(line, "Facets added")) >= 0) r.facets_added = v;
    if ((v = After(line, "Facets reversed")) >= 0) r.facets_reversed = v;
    if ((v = After(line, "Backwards edges")) >= 0) r.backwards_edges = v;
    if ((v = After(line, "Normals fixed")) >= 0) r.normals_fixed = v;
  }
  return r;
}

const char kBlenderMonkeyAndSphere[] =
    "import bpy, sys\n"
    "out = sys.argv[sys.argv.index('--') + 1]\n"
    "bpy.ops.object.select_all(action='SELECT')\nbpy.ops.object.delete()\n"
    "bpy.ops.mesh.primitive_monkey_add(location=(1, 2, 3))\n"
    "bpy.ops.mesh.primitive_ico_sphere_add(subdivisions=3, location=(-3, 0, 0))\n"
    "bpy.ops.object.select_all(action='SELECT')\n";

bool run_blender(const std::string& script, const std::string& dir) {
  if (!have_program("blender")) return false;
  const std::string file = (fs::path(dir) / "blender_script.py").string();
  write_file(file, script);
  command_output("blender -b --factory-startup -noaudio --python " + shell_quote(file) + " -- " + shell_quote(dir) +
                 " >/dev/null 2>&1");
  return true;
}

}  // namespace kvtest
