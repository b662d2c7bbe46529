#include "ogl_build.h"

#include <cstdio>
#include <filesystem>

#include "test_support.h"

namespace ogltest {
namespace {

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string Folder(const std::string& file) { return std::filesystem::path(file).parent_path().string(); }

}  // namespace

bool CompilesStrictly(const std::string& source, std::string* messages) {
  std::string c, cpp;
  const std::string inc = " -I" + Quote(Folder(source)) + " ";
  const int rc = kvtest::run_command("gcc -x c -std=c99 -pedantic -Wall -Werror -fsyntax-only" + inc + Quote(source), &c);
  const int rcpp =
      kvtest::run_command("g++ -x c++ -std=c++17 -pedantic-errors -Wall -Werror -fsyntax-only" + inc + Quote(source), &cpp);
  *messages = c + cpp;
  return rc == 0 && rcpp == 0 && messages->empty();
}

bool BuildViewer(const std::string& source, const std::string& dir, std::string* messages) {
  const std::string viewer = (kvtest::source_dir() / "plugins/ogl/tests/ogl_viewer.c").string();
  const std::string cmd = "gcc -std=c99 -O1 -Wall -Werror -I" + Quote(Folder(source)) + " -o " + Quote(dir + "/viewer") +
                          " " + Quote(viewer) + " -x c " + Quote(source) + " -x none -lOSMesa -lGLU";
  return kvtest::run_command(cmd, messages) == 0;
}

Picture Render(const std::string& dir, const kvtest::Vec3& eye, const kvtest::Vec3& target, double fov_y_deg,
               int width, int height, double near_plane, double far_plane) {
  Picture p;
  char args[512];
  std::snprintf(args, sizeof args, " %d %d %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g", width, height, eye.x,
                eye.y, eye.z, target.x, target.y, target.z, fov_y_deg, near_plane, far_plane);
  // One rendering thread: the machine is shared.
  const std::string cmd = "LP_NUM_THREADS=0 " + Quote(dir + "/viewer") + " " + Quote(dir + "/picture.ppm") + args;
  if (kvtest::run_command(cmd, &p.output) != 0) return p;
  p.ok = kvtest::ReadPpm(dir + "/picture.ppm", &p.rgb, &p.width, &p.height);
  return p;
}

}  // namespace ogltest
