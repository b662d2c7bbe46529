// Compiling, linking and running what the OpenGL export writes.
#pragma once
#include <string>

#include "silhouette.h"

namespace ogltest {

// Compiles one written source file: as C99 with -pedantic and as C++17 with
// -pedantic-errors, -Wall -Werror both. The compilers' messages when not.
bool CompilesStrictly(const std::string& source, std::string* messages);

// Links the written source with the test viewer, OSMesa and GLU into
// dir/viewer; false with the messages when it does not build.
bool BuildViewer(const std::string& source, const std::string& dir, std::string* messages);

// Runs dir/viewer through the camera; the picture and what it printed.
struct Picture {
  bool ok = false;
  std::string output;
  std::vector<uint8_t> rgb;
  int width = 0, height = 0;
};
Picture Render(const std::string& dir, const kvtest::Vec3& eye, const kvtest::Vec3& target, double fov_y_deg,
               int width, int height, double near_plane, double far_plane);

}  // namespace ogltest
