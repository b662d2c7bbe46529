// Entities that make faces on their own (3DFACE) or by extrusion along
// their thickness (LINE, CIRCLE, ARC, SOLID, TRACE), and the walls and caps
// that extruded outlines share with 2D polylines.
#include <algorithm>
#include <cmath>
#include <utility>

#include "dxf_import_parts.h"

namespace dxf {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegToRad = kPi / 180.0;
// Corners closer than this are one corner.
constexpr double kSamePoint = 1e-6;

}  // namespace

double SignedArea(const std::vector<MVector3>& pts) {
  double a = 0;
  const size_t n = pts.size();
  for (size_t i = 0; i < n; ++i) {
    const MVector3& p = pts[i];
    const MVector3& q = pts[(i + 1) % n];
    a += p.x * q.y - q.x * p.y;
  }
  return a * 0.5;
}

double Importer::Thickness(double t) const { return t != 0 ? t : zero_extrusion_; }

void Importer::Walls(int slot, const Ocs& ocs, const std::vector<MVector3>& pts, bool closed, double t, int color) {
  const size_t n = pts.size();
  if (n < 2) return;
  const MVector3 up(0, 0, t);
  const size_t segments = closed ? n : n - 1;
  for (size_t i = 0; i < segments; ++i) {
    const MVector3& a = pts[i];
    const MVector3& b = pts[(i + 1) % n];
    MVector3 q[4] = {ocs.ToWorld(a), ocs.ToWorld(b), ocs.ToWorld(b + up), ocs.ToWorld(a + up)};
    // Counter-clockwise outlines get outward walls; a negative thickness
    // turns them over.
    if (t < 0) std::swap(q[0], q[3]), std::swap(q[1], q[2]);
    AddFace(slot, q, 4, color);
  }
}

void Importer::FanCap(int slot, const Ocs& ocs, const MVector3& centre, const std::vector<MVector3>& ring, double z,
                      bool facing_up, int color) {
  const MVector3 lift(0, 0, z);
  const MVector3 c = ocs.ToWorld(centre + lift);
  for (size_t i = 0; i + 1 < ring.size(); ++i) {
    MVector3 tri[3] = {c, ocs.ToWorld(ring[i] + lift), ocs.ToWorld(ring[i + 1] + lift)};
    if (!facing_up) std::swap(tri[1], tri[2]);
    AddFace(slot, tri, 3, color);
  }
}

void Importer::PolygonCap(int slot, const Ocs& ocs, const std::vector<MVector3>& ring, double z, bool facing_up,
                          int color) {
  const MVector3 lift(0, 0, z);
  const int n = static_cast<int>(ring.size());
  if (n < 3) return;
  if (n <= 4) {
    MVector3 q[4];
    for (int i = 0; i < n; ++i) q[i] = ocs.ToWorld(ring[facing_up ? i : n - 1 - i] + lift);
    AddFace(slot, q, n, color);
    return;
  }
  std::vector<int> tris;
  m_triangulate_polygon(ring.data(), n, tris);
  for (size_t k = 0; k + 2 < tris.size(); k += 3) {
    MVector3 tri[3] = {ocs.ToWorld(ring[tris[k]] + lift), ocs.ToWorld(ring[tris[k + 1]] + lift),
                       ocs.ToWorld(ring[tris[k + 2]] + lift)};
    if (!facing_up) std::swap(tri[1], tri[2]);
    AddFace(slot, tri, 3, color);
  }
}

void Importer::Line() {
  LogEntity("Line");
  const MVector3 p0 = e_.Point(kCodeX), p1 = e_.Point(kCodeX + 1);
  LogPoint("P0", p0);
  LogPoint("P1", p1);
  const double t = Thickness(e_.Real(kCodeThickness));
  if (t == 0 || p0 == p1) return;
  const MVector3 e = Ocs(e_.extrusion).az * t;
  const int color = EntityColor(e_);
  const MVector3 q[4] = {p0 + e, p1 + e, p1, p0};
  AddFace(ChooseSlot(e_.Layer(), color, e_.Handle()), q, 4, color);
}

void Importer::Circle(bool arc) {
  LogEntity(arc ? "Arc" : "Circle");
  const MVector3 centre = e_.Point(kCodeX);
  const double r = e_.Real(kCodeRadius);
  LogPoint("Center", centre);
  if (log_.Get_FILE()) log_.write("\tRadius: %lf\n", r);
  const double t = Thickness(e_.Real(kCodeThickness));
  if (t == 0 || !(r > 0)) return;
  double start = 0, end = kTwoPi;
  if (arc) {
    double a = std::fmod(e_.Real(kCodeAngle), 360.0), b = std::fmod(e_.Real(kCodeEndAngle), 360.0);
    if (a < 0) a += 360.0;
    if (b < 0) b += 360.0;
    // An end angle not past the start runs on into the next turn.
    if (b <= a) b += 360.0;
    start = a * kDegToRad;
    end = b * kDegToRad;
  }
  // The angles are counted, not summed up, so that no step can run away.
  const double span = end - start;
  const int steps = static_cast<int>(std::ceil(span / arc_step_ - 1e-9));
  std::vector<MVector3> ring;
  ring.reserve(static_cast<size_t>(steps) + 1);
  for (int k = 0; k < steps; ++k) {
    const double a = start + k * arc_step_;
    ring.emplace_back(centre.x + r * std::cos(a), centre.y + r * std::sin(a), centre.z);
  }
  ring.emplace_back(centre.x + r * std::cos(end), centre.y + r * std::sin(end), centre.z);
  const Ocs ocs(e_.extrusion);
  const int color = EntityColor(e_);
  const int slot = ChooseSlot(e_.Layer(), color, e_.Handle());
  Walls(slot, ocs, ring, false, t, color);
  if (!arc && caps_) {
    FanCap(slot, ocs, centre, ring, t < 0 ? t : 0, false, color);
    FanCap(slot, ocs, centre, ring, t < 0 ? 0 : t, true, color);
  }
}

void Importer::Solid() {
  LogEntity("Solid");
  // The format's corner order: 10, 11, 13, 12. Without a fourth corner the
  // solid is a triangle.
  const bool has4 = e_.HasReal(kCodeX + 3) || e_.HasReal(kCodeY + 3) || e_.HasReal(kCodeZ + 3);
  const MVector3 c[4] = {e_.Point(kCodeX), e_.Point(kCodeX + 1), e_.Point(has4 ? kCodeX + 3 : kCodeX + 2),
                         e_.Point(kCodeX + 2)};
  std::vector<MVector3> ring;
  for (int i = 0; i < 4; ++i) {
    LogPoint("Corner", c[i]);
    if ((c[i] - c[(i + 1) % 4]).Length() >= kSamePoint) ring.push_back(c[i]);
  }
  const double t = Thickness(e_.Real(kCodeThickness));
  if (ring.size() < 2 || t == 0) return;
  if (ring.size() >= 3 && SignedArea(ring) < 0) std::reverse(ring.begin(), ring.end());
  const Ocs ocs(e_.extrusion);
  const int color = EntityColor(e_);
  const int slot = ChooseSlot(e_.Layer(), color, e_.Handle());
  Walls(slot, ocs, ring, ring.size() >= 3, t, color);
  if (caps_ && ring.size() >= 3) {
    PolygonCap(slot, ocs, ring, t < 0 ? t : 0, false, color);
    PolygonCap(slot, ocs, ring, t < 0 ? 0 : t, true, color);
  }
}

void Importer::Face3d() {
  LogEntity("3DFace");
  // A face without a fourth corner is a triangle: the fourth repeats the
  // third, never the origin.
  const bool has4 = e_.HasReal(kCodeX + 3) || e_.HasReal(kCodeY + 3) || e_.HasReal(kCodeZ + 3);
  const MVector3 p[4] = {e_.Point(kCodeX), e_.Point(kCodeX + 1), e_.Point(kCodeX + 2),
                         e_.Point(has4 ? kCodeX + 3 : kCodeX + 2)};
  // Any corner that repeats the next one goes: writers pad triangles by
  // repeating any of the corners.
  MVector3 c[4];
  int n = 0;
  for (int i = 0; i < 4; ++i) {
    LogPoint("Corner", p[i]);
    if (!(p[i] == p[(i + 1) % 4])) c[n++] = p[i];
  }
  if (n < 3) return;
  const int color = EntityColor(e_);
  const int slot = ChooseSlot(e_.Layer(), color, e_.Handle());
  AddFace(slot, c, 3, color);
  if (n == 4) {
    const MVector3 second[3] = {c[0], c[2], c[3]};
    AddFace(slot, second, 3, color);
  }
}

}  // namespace dxf
