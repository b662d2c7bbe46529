// POLYLINE ... VERTEX ... SEQEND: polyface meshes, M x N polygon meshes and
// 2D curves (extruded by their thickness, swept when they have a width).
#include <algorithm>
#include <cmath>

#include "dxf_import_parts.h"

namespace dxf {
namespace {

constexpr double kSamePoint = 1e-6;
// A bulge this steep is a full turn for any drawing purpose.
constexpr double kMaxBulge = 1e6;

}  // namespace

void Importer::StartPolyline() {
  LogEntity("Polyline");
  const int flags = e_.Int(kCodeFlags);
  pl_.open = true;
  pl_.flags = flags;
  pl_.smooth = e_.Int(kCodeSmoothType);
  const bool smoothed_mesh = pl_.smooth != 0 && (flags & kPolyMesh);
  pl_.m = e_.Int(smoothed_mesh ? kCodeCount3 : kCodeCount1);
  pl_.n = e_.Int(smoothed_mesh ? kCodeCount4 : kCodeCount2);
  pl_.layer = e_.Layer();
  pl_.handle = e_.Handle();
  pl_.color = EntityColor(e_);
  pl_.extrusion = e_.extrusion;
  pl_.thickness = Thickness(e_.Real(kCodeThickness));
  pl_.start_width = e_.Real(kCodeRadius);
  pl_.end_width = e_.Real(kCodeEndWidth);
  pl_.elevation = e_.Point(kCodeX);
  pl_.points.clear();
  pl_.faces.clear();
  pl_.last_bulge = 0;
  if ((flags & kPolyFace) && (flags & kPolyMesh)) log_.write("### UNKNOWN Polyline Type\n");
}

void Importer::Vertex() {
  if (!pl_.open) {
    log_.write("### VERTEX without POLYLINE\n");
    return;
  }
  LogEntity("Vertex");
  const int f = e_.Int(kCodeFlags);
  if ((f & kVertexFaceRecord) && !(f & kVertexMesh)) {
    // Corner indices count from 1; a negative one marks an invisible edge.
    pl_.faces.push_back({Magnitude(e_.Int(kCodeCount1)), Magnitude(e_.Int(kCodeCount2)),
                         Magnitude(e_.Int(kCodeCount3)), Magnitude(e_.Int(kCodeCount4))});
    return;
  }
  if (f & kVertexMesh) {
    if (pl_.smooth != 0 && (pl_.flags & kPolyMesh) && !(f & kVertexSmoothed)) return;
    pl_.points.push_back(e_.Point(kCodeX));
    return;
  }
  if (f & kVertex3dCurve) return;  // 3D curves make no faces
  if (pl_.smooth != 0 && !(f & kVertexSmoothed)) return;
  MVector3 p = e_.Point(kCodeX);
  p.z = 0;
  if (!pl_.points.empty() && pl_.last_bulge != 0) {
    log_.write("Bulge Processing\n");
    AppendBulge(pl_.points, pl_.points.back(), p, pl_.last_bulge);
  }
  pl_.points.push_back(p);
  // A vertex's bulge bends the segment that starts at it.
  pl_.last_bulge = e_.Real(kCodeBulge);
}

void Importer::AppendBulge(std::vector<MVector3>& pts, MVector3 from, MVector3 to, double bulge) const {
  // from and to are copies: they may be points of pts, which grows here.
  // bulge = tan(angle / 4); positive turns counter-clockwise.
  bulge = std::clamp(bulge, -kMaxBulge, kMaxBulge);
  const MVector3 chord = to - from;
  const double len = std::hypot(chord.x, chord.y);
  if (!(len > kSamePoint)) return;
  const double angle = 4.0 * std::atan(bulge);
  const MVector3 left(-chord.y / len, chord.x / len, 0);
  const MVector3 centre = (from + to) * 0.5 + left * (len * 0.5 * (1.0 - bulge * bulge) / (2.0 * bulge));
  const double r = std::hypot(from.x - centre.x, from.y - centre.y);
  if (!std::isfinite(r) || !std::isfinite(centre.x) || !std::isfinite(centre.y)) return;
  const double a0 = std::atan2(from.y - centre.y, from.x - centre.x);
  const int steps = static_cast<int>(std::ceil(std::fabs(angle) / arc_step_ - 1e-9));
  if (log_.Get_FILE()) log_.write("\tArc: radius %lf angle %lf steps %d\n", r, angle, steps);
  for (int k = 1; k < steps; ++k) {
    const double a = a0 + angle * k / steps;
    pts.emplace_back(centre.x + r * std::cos(a), centre.y + r * std::sin(a), from.z);
  }
}

void Importer::EndPolyline() {
  if (!pl_.open) return;
  pl_.open = false;
  const int slot = ChooseSlot(pl_.layer, pl_.color, pl_.handle);
  if (pl_.flags & kPolyFace) {
    FinishPolyface(slot);
  } else if (pl_.flags & kPolyMesh) {
    FinishMeshGrid(slot);
  } else if (!(pl_.flags & kPoly3dCurve)) {
    FinishCurve(slot);
  }
  log_.write("End of Polyline\n");
  pl_.points.clear();
  pl_.faces.clear();
}

void Importer::FinishPolyface(int slot) {
  const int count = static_cast<int>(pl_.points.size());
  // Indices are the polyface's own; in the mesh they follow the vertices
  // that earlier entities of the same mesh left there.
  std::vector<int> index(pl_.points.size());
  for (int i = 0; i < count; ++i) index[i] = AddVertex(slot, pl_.points[i]);
  const int mat = SurfaceRef(slot, pl_.color);
  int made = 0;
  for (const auto& rec : pl_.faces) {
    // The first three corners must be there; a fourth that is missing or
    // repeats another one makes a triangle.
    int c[4];
    int n = 0;
    bool valid = rec[0] && rec[1] && rec[2];
    for (int k = 0; k < 4 && valid; ++k) {
      const int v = rec[k];
      if (v == 0) continue;
      if (v > count) {
        valid = false;
        break;
      }
      bool repeat = false;
      for (int j = 0; j < n; ++j) repeat |= c[j] == index[v - 1];
      if (!repeat) c[n++] = index[v - 1];
    }
    if (!valid || n < 3) {
      log_.write("### Invalid Face indices\n");
      ++invalid_faces_;
      continue;
    }
    AddIndexedFace(slot, c, 3, mat);
    if (n == 4) {
      const int second[3] = {c[0], c[2], c[3]};
      AddIndexedFace(slot, second, 3, mat);
    }
    ++made;
  }
  log_.write("Polyline: Mesh (%d vertices %d faces)\n", count, made);
}

void Importer::FinishMeshGrid(int slot) {
  long long m = pl_.m, n = pl_.n;
  const long long count = static_cast<long long>(pl_.points.size());
  log_.write("Polyline: Net (%lld x %lld vertices)\n", m, n);
  const bool closed_m = pl_.flags & kPolyClosedM, closed_n = pl_.flags & kPolyClosedN;
  log_.write(closed_m ? (closed_n ? "m/n closed\n" : "m closed\n") : (closed_n ? "n closed\n" : "open\n"));
  if (m < 1 || n < 1) return;
  if (m * n > count) {
    // Only the rows that are all there make faces.
    log_.write("### Net needs %lld vertices, %lld are there\n", m * n, count);
    ++invalid_faces_;
    m = count / n;
  }
  if (m < 2 && n < 2) return;
  std::vector<int> index(static_cast<size_t>(m * n));
  for (long long i = 0; i < m * n; ++i) index[i] = AddVertex(slot, pl_.points[i]);
  const int mat = SurfaceRef(slot, pl_.color);
  // A closed direction joins its last row (column) to the first; with two
  // rows that would double the faces.
  const long long rows = m - 1 + (closed_m && m > 2 ? 1 : 0);
  const long long cols = n - 1 + (closed_n && n > 2 ? 1 : 0);
  for (long long i = 0; i < rows; ++i) {
    const long long i1 = (i + 1) % m;
    for (long long j = 0; j < cols; ++j) {
      const long long j1 = (j + 1) % n;
      const int q[4] = {index[i * n + j], index[i * n + j1], index[i1 * n + j1], index[i1 * n + j]};
      AddIndexedFace(slot, q, 4, mat);
    }
  }
}

void Importer::FinishCurve(int slot) {
  const double t = pl_.thickness;
  std::vector<MVector3> pts = pl_.points;
  const bool closed = pl_.flags & kPolyClosedM;
  if (closed && pts.size() >= 2 && pl_.last_bulge != 0) AppendBulge(pts, pts.back(), pts.front(), pl_.last_bulge);
  for (MVector3& p : pts) p += pl_.elevation;
  // Repeated points make no walls.
  std::vector<MVector3> ring;
  ring.reserve(pts.size());
  for (const MVector3& p : pts)
    if (ring.empty() || (p - ring.back()).Length() >= kSamePoint) ring.push_back(p);
  if (closed && ring.size() > 2 && (ring.back() - ring.front()).Length() < kSamePoint) ring.pop_back();
  const int count = static_cast<int>(ring.size());
  if (t == 0 || count < 2) return;
  const Ocs ocs(pl_.extrusion);
  if (pl_.start_width > 0) {
    log_.write("Polyline: 2DCurve (%d vertices extrusion %.3lf start_width %0.3lf end_width %0.3lf)\n", count, t,
               pl_.start_width, pl_.end_width);
    SweepWideCurve(slot, ocs, ring, closed && count > 2, t);
    return;
  }
  log_.write("Polyline: 2DCurve (%d vertices extrusion %.3lf)\n", count, t);
  const bool ring_closed = closed && count > 2;
  if (ring_closed && SignedArea(ring) < 0) std::reverse(ring.begin(), ring.end());
  Walls(slot, ocs, ring, ring_closed, t, pl_.color);
  if (ring_closed && caps_) {
    PolygonCap(slot, ocs, ring, t < 0 ? t : 0, false, pl_.color);
    PolygonCap(slot, ocs, ring, t < 0 ? 0 : t, true, pl_.color);
  }
}

void Importer::SweepWideCurve(int slot, const Ocs& ocs, const std::vector<MVector3>& pts, bool closed, double t) {
  const int n = static_cast<int>(pts.size());
  const double w = pl_.start_width * 0.5;
  // The cross-section (drawn in the XY plane: x across the path, y up)
  // stands at every vertex, square to the bisector of its two segments.
  const MVector3 section[4] = {{w, 0, 0}, {w, t, 0}, {-w, t, 0}, {-w, 0, 0}};
  std::vector<std::array<MVector3, 4>> rings(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const bool first = i == 0 && !closed, last = i == n - 1 && !closed;
    const MVector3 in = vect_normalize(pts[i] - pts[(i + n - 1) % n]);
    const MVector3 out = vect_normalize(pts[(i + 1) % n] - pts[i]);
    MVector3 dir = first ? out : (last ? in : vect_normalize(in + out));
    if (dir.Length() == 0) dir = out.Length() > 0 ? out : in;
    MMatrix m;
    make_cross_section_matrix(m, pts[i], MVector3(0, 0, 1), dir);
    for (int k = 0; k < 4; ++k) rings[i][k] = ocs.ToWorld(m.Transform(section[k]));
  }
  const int segments = closed ? n : n - 1;
  for (int i = 0; i < segments; ++i) {
    const auto& a = rings[i];
    const auto& b = rings[(i + 1) % n];
    for (int k = 0; k < 4; ++k) {
      MVector3 q[4] = {a[k], b[k], b[(k + 1) % 4], a[(k + 1) % 4]};
      if (t < 0) std::swap(q[0], q[3]), std::swap(q[1], q[2]);
      AddFace(slot, q, 4, pl_.color);
    }
  }
  if (closed || !caps_) return;
  // The start section faces backwards along the path, the end one forwards
  // (a negative height turns the section over).
  const bool up = t > 0;
  MVector3 start[4], end[4];
  for (int k = 0; k < 4; ++k) {
    start[k] = rings[0][up ? k : 3 - k];
    end[k] = rings[n - 1][up ? 3 - k : k];
  }
  AddFace(slot, start, 4, pl_.color);
  AddFace(slot, end, 4, pl_.color);
}

}  // namespace dxf
