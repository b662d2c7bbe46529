// What a format test compares of scenes: triangles as an exporter writes
// them, the bounds, the material names; and the round trip of a file through
// an import class, an export class and the import class of what was written.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "korvanelib.h"

namespace kvtest {

// The triangles an exporter writes of the scene (references as the object
// they name, polygons through their triangulation, solids meshed); the
// scene is left as it is.
long TriangleCount(MScene* scene);

struct SceneSummary {
  long triangles = 0;
  MVector3 min, max;                   // the scene's bounds as its importer computed them
  std::vector<std::string> materials;  // surface names, sorted, each once
};

SceneSummary Summarize(MScene* scene);

struct RoundTripResult {
  std::string written;  // the file the export class wrote
  std::string failure;  // the step that failed and why; empty when all ran
  SceneSummary before, after;

  // What differs, one line each ("triangles 12 -> 10"); empty when the
  // runs succeeded and triangles, bounds (within tolerance, relative to the
  // size of the box) and, when asked, material names agree.
  std::string Diff(double tolerance = 1e-4, bool materials = true) const;
  bool Same(double tolerance = 1e-4, bool materials = true) const { return Diff(tolerance, materials).empty(); }
};

std::ostream& operator<<(std::ostream& out, const RoundTripResult& r);

// Imports file with import_class, exports the scene with export_class into a
// fresh folder, and imports what was written with the import class its
// extension names (reimport_class when given). Both runs in command-line
// mode with the options in effect (UseCommandLine).
RoundTripResult RoundTrip(int import_class, int export_class, const std::string& file, int reimport_class = -1);

}  // namespace kvtest
