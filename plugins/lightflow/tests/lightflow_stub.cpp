#include "lightflow_stub.h"

#include <filesystem>
#include <sstream>

#include "test_support.h"

namespace ltwtest {
namespace {

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

Record RunScript(const std::string& script) {
  Record r;
  // Debian's interpreter: another python3 may come first on PATH.
  const std::string python = "/usr/bin/python3";
  std::string out;
  r.compiled = kvtest::run_command(python + " -m py_compile " + Quote(script), &out) == 0;
  r.output = out;
  if (!r.compiled) return r;
  const std::string stub_dir = (kvtest::source_dir() / "plugins/lightflow/tests").string();
  const std::string record = script + ".record";
  const std::string folder = std::filesystem::path(script).parent_path().string();
  r.ran = kvtest::run_command("cd " + Quote(folder) + " && PYTHONDONTWRITEBYTECODE=1 PYTHONPATH=" + Quote(stub_dir) +
                                  " LIGHTFLOW_STUB_OUT=" + Quote(record) + " " + python + " " + Quote(script),
                              &out) == 0;
  r.output += out;
  std::istringstream in(kvtest::read_file(record));
  std::string word;
  while (in >> word) {
    if (word == "triangle") {
      kvtest::Triangle t;
      in >> t.label >> t.a.x >> t.a.y >> t.a.z >> t.b.x >> t.b.y >> t.b.z >> t.c.x >> t.c.y >> t.c.z;
      r.triangles.push_back(t);
    } else if (word == "camera") {
      std::vector<double> v(11);
      for (double& x : v) in >> x;
      r.cameras.push_back(v);
    } else if (word == "render") {
      int w, h;
      in >> w >> h;
      ++r.renders;
    } else if (word == "lights") {
      in >> r.lights;
    } else if (word == "materials") {
      in >> r.materials;
    }
  }
  return r;
}

}  // namespace ltwtest
