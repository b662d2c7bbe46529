// A structural checker of RIB files for the tests: requests and their
// arguments, Begin/End pairs, declared parameters, the counts of
// PointsPolygons against their P, N and st, quotes and brackets; and the
// camera and the world's polygons, to compare what a renderer would show.
#pragma once
#include <array>
#include <map>
#include <string>
#include <vector>

#include "silhouette.h"

namespace ribtest {

struct RibScene {
  std::vector<std::string> errors;  // "line N: ..." per fault
  std::map<std::string, int> requests;
  bool perspective = false;
  double fov = 90;
  int width = 640, height = 480;
  double camera[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};  // world -> camera, column vectors
  // Every polygon of the world as triangles in world coordinates; the label
  // is the index of the colour in force.
  std::vector<kvtest::Triangle> triangles;
  std::vector<std::array<double, 3>> colors;
  long polygons = 0, points = 0;
  long normals = 0, texture_coordinates = 0;  // counted in points
};

RibScene CheckRib(const std::string& text);

// The camera of the file at another image size (same aspect).
kvtest::PinholeCamera CameraOf(const RibScene& scene, int width, int height);

}  // namespace ribtest
