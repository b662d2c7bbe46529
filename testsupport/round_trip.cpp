#include "round_trip.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "plugin_test_support.h"
#include "test_support.h"

namespace kvtest {

long TriangleCount(MScene* scene) {
  long total = 0;
  MExportWalkOptions walk;
  walk.cache = false;
  walk.report_objects = false;
  ForEachExportMesh(scene, nullptr, walk, [&](const MExportMesh& m) {
    const int faces = m.mesh->Get_Face_Count();
    for (int i = 0; i < faces; ++i) total += m.mesh->Get_VertexperFace_Count(i) >= 3 ? 1 : 0;
  });
  return total;
}

SceneSummary Summarize(MScene* scene) {
  SceneSummary s;
  if (!scene) return s;
  s.triangles = TriangleCount(scene);
  s.min = scene->GetBoundLeft();
  s.max = scene->GetBoundRight();
  const int n = scene->surfaces ? scene->surfaces->count : 0;
  for (int i = 0; i < n; ++i)
    if (MSurface* m = static_cast<MSurface*>(scene->surfaces->GetAt(i))) s.materials.emplace_back(m->name);
  std::sort(s.materials.begin(), s.materials.end());
  s.materials.erase(std::unique(s.materials.begin(), s.materials.end()), s.materials.end());
  return s;
}

namespace {

std::string Text(const MVector3& v) {
  std::ostringstream o;
  o << v.x << ' ' << v.y << ' ' << v.z;
  return o.str();
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return "[" + out + "]";
}

}  // namespace

std::string RoundTripResult::Diff(double tolerance, bool with_materials) const {
  if (!failure.empty()) return failure + "\n";
  std::string out;
  if (before.triangles != after.triangles)
    out += "triangles " + std::to_string(before.triangles) + " -> " + std::to_string(after.triangles) + "\n";
  const MVector3 size = before.max - before.min;
  const double scale = std::max(1.0, std::max(std::fabs(size.x), std::max(std::fabs(size.y), std::fabs(size.z))));
  auto near = [&](const MVector3& a, const MVector3& b) {
    return std::fabs(a.x - b.x) <= tolerance * scale && std::fabs(a.y - b.y) <= tolerance * scale &&
           std::fabs(a.z - b.z) <= tolerance * scale;
  };
  if (!near(before.min, after.min) || !near(before.max, after.max))
    out += "bounds " + Text(before.min) + " / " + Text(before.max) + " -> " + Text(after.min) + " / " +
           Text(after.max) + "\n";
  if (with_materials && before.materials != after.materials)
    out += "materials " + Joined(before.materials) + " -> " + Joined(after.materials) + "\n";
  return out;
}

std::ostream& operator<<(std::ostream& out, const RoundTripResult& r) {
  out << "round trip through " << (r.written.empty() ? std::string("(nothing written)") : r.written) << ": "
      << r.before.triangles << " triangles";
  const std::string diff = r.Diff();
  if (diff.empty()) return out << ", the same after";
  return out << "\n" << diff;
}

RoundTripResult RoundTrip(int import_class, int export_class, const std::string& file, int reimport_class) {
  RoundTripResult r;
  MScene* first = ImportWith(import_class, file);
  if (!first) {
    r.failure = "import of " + file + " failed: " + Plugins().LastError(import_class);
    return r;
  }
  r.before = Summarize(first);
  TempDir dir;
  std::string name = m_split_path(file.c_str()).fname;
  if (name.empty()) name = "model";
  const int ok = ExportWith(export_class, first, dir.file(name + ".out"), &r.written);
  delete first;
  if (ok != 1) {
    r.failure = "export failed: " + Plugins().LastError(export_class);
    return r;
  }
  const int back = reimport_class >= 0 ? reimport_class : Plugins().FindImportClass(r.written.c_str());
  MScene* second = back >= 0 ? ImportWith(back, r.written) : nullptr;
  if (!second) {
    r.failure = "import of " + r.written + " failed: " +
                (back >= 0 ? Plugins().LastError(back) : std::string("no import class fits"));
    return r;
  }
  r.after = Summarize(second);
  delete second;
  return r;
}

}  // namespace kvtest
