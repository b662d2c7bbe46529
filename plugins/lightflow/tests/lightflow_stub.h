// Running a written Lightflow script against the test stub of the
// renderer's module (lightflowPM.py beside this file).
#pragma once
#include <string>
#include <vector>

#include "silhouette.h"

namespace ltwtest {

struct Record {
  bool compiled = false;  // python3 -m py_compile
  bool ran = false;       // the script ran to its end without a fault
  std::string output;     // what python printed
  std::vector<kvtest::Triangle> triangles;  // labelled with their material's number
  std::vector<std::vector<double>> cameras;  // eye, aim, up, fov, aspect
  int renders = 0, lights = 0, materials = 0;
};

Record RunScript(const std::string& script);

}  // namespace ltwtest
