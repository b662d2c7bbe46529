#include "solids.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
// More rings than this would only come from a step far too small for the
// sweep; such a request is refused instead of exhausting memory.
constexpr double kMaxRings = 1 << 22;

const char* safe_name(const char* n) { return n ? n : ""; }

// acos that stays defined for ratios pushed just past +-1 by rounding, and
// for the 0/0 of a zero radius.
double clamped_acos(double r) {
  if (std::isnan(r)) return 0.0;
  return std::acos(std::clamp(r, -1.0, 1.0));
}

// The ring count a sweep makes: angles start, start + step, ... below limit.
long count_rings(double start, double limit, double step) {
  long r = 0;
  for (double a = start; a < limit; a += step) ++r;
  return r;
}
}  // namespace

MSolid::MSolid(const char* name, MSolid_Types t) : MObj3d(name, TSOLID), solid_type(t) {}
MSolid::~MSolid() = default;

MMesh_P* MSolid::Generate_Rotate_Object(const char* name, const MVPolygon& profile, double start,
                                        double end, double step, int axis) {
  const int n = profile.count;
  if (n < 2) return nullptr;
  if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(start) || !std::isfinite(end)) return nullptr;
  if ((end - start) / step > kMaxRings || start + step == start) return nullptr;

  // Which two coordinates must vanish for a profile end to lie on the axis.
  auto on_axis = [axis](const MVector3& p) {
    double u = p.x, v = p.y;
    if (axis == 1) u = p.y, v = p.z;
    else if (axis == 2) u = p.z, v = p.x;
    return std::fabs(u) < 1e-6 && std::fabs(v) < 1e-6;
  };
  const int f = on_axis(profile.data[0]) ? 1 : 0;
  const int l = on_axis(profile.data[n - 1]) ? 1 : 0;
  const int m = n - f - l;

  MMesh_P* mesh = new MMesh_P(safe_name(name));
  if (f) mesh->Add_Vertex(profile.data[0], -1.0);
  long rings = 0;
  for (double a = start; a < end; a += step) {
    MMatrix rot(1);
    if (axis == 1) rot.RotateRad(MVector3(0, a, 0));
    else if (axis == 2) rot.RotateRad(MVector3(a, 0, 0));
    else rot.RotateRad(MVector3(0, 0, a));
    for (int i = f; i < n - l; ++i) mesh->Add_Vertex(rot.Transform(profile.data[i]), -1.0);
    ++rings;
  }
  const int last_pole = f + static_cast<int>(rings) * m;
  if (l) mesh->Add_Vertex(profile.data[n - 1], -1.0);
  if (rings == 0 || m == 0) return mesh;

  const bool closed = end - start >= kTwoPi;
  const long face_rings = closed ? rings : count_rings(start, end - step, step);
  auto idx = [&](long k, int i) { return f + static_cast<int>(k) * m + i; };
  MIPolygon tri(3);
  tri.Set_MatId(0);
  auto add = [&](int a, int b, int c) {
    tri.Set(0, a);
    tri.Set(1, b);
    tri.Set(2, c);
    mesh->Add_Face(tri);
  };
  for (long k = 0; k < face_rings; ++k) {
    const long k2 = (k + 1) % rings;
    if (f) add(0, idx(k, 0), idx(k2, 0));
    for (int i = 0; i + 1 < m; ++i) {
      add(idx(k, i), idx(k, i + 1), idx(k2, i + 1));
      add(idx(k2, i + 1), idx(k2, i), idx(k, i));
    }
    if (l) add(idx(k, m - 1), last_pole, idx(k2, m - 1));
  }
  return mesh;
}

// ---- Sphere ----------------------------------------------------------------

MSphere::MSphere(const char* name) : MSolid(name, SOLID_SPHERE) {}

void MSphere::Print(FILE* fp, int a, int b) {
  if (!fp) return;
  MObj3d::Print(fp, a, b);
  fprintf(fp, "Radius: %.3lf\n", radius);
  fprintf(fp, "Segements: %d\n", segment);
}

int MSphere::CalculateBoundingBox() {
  const MMatrix& m = transformation.local;
  bound_left = m.Transform(MVector3(-radius, -radius, -radius));
  bound_right = m.Transform(MVector3(radius, radius, radius));
  return 1;
}

MMesh_P* MSphere::Get_Mesh() {
  const int seg = std::clamp<int>(segment, 3, 4096);
  MVPolygon* profile = MVPolygon::Generate_Circle(0.0, kPi, kPi / seg, 1, radius);
  MMesh_P* mesh = Generate_Rotate_Object(safe_name(get_name()), *profile, 0.0, kTwoPi, kTwoPi / seg, 0);
  delete profile;
  if (!mesh) return nullptr;
  CopyAttributes(*mesh);
  mesh->NormalSmooth(nullptr, -1.0);
  mesh->UseUV();
  const int nv = mesh->Get_Vertex_Count();
  mesh->uv_a->Reserve(nv);
  for (int i = 0; i < nv; ++i) {
    const MVector3& p = mesh->Get_Vertex(i);
    const double v = clamped_acos(p.z / radius) / kPi;
    double u;
    if (std::fabs(v) >= 1e-6) {
      u = clamped_acos(p.x / (std::sin(v * 3.141592654) * radius)) / kTwoPi;
      if (p.y < 0) u = 1.0 - u;
    } else {
      u = p.y < 0 ? 0.5 : 0.0;
    }
    mesh->Add_UVVertex(MVector3(u, v, 0), -1.0);
  }
  *mesh->uvf_a = *mesh->f_a;
  return mesh;
}

// ---- Cylinder --------------------------------------------------------------

MCylinder::MCylinder(const char* name) : MSolid(name, SOLID_CYLINDER) {}

MCylinder::MCylinder(const char* name, MVector3 a, MVector3 b) : MSolid(name, SOLID_CYLINDER) {
  const MVector3 d = b - a;
  length = d.Length();
  MMatrix m(1);
  // A zero-length cylinder has no direction; it keeps the identity rotation.
  if (length > 0.0 && std::isfinite(length)) mat_make_arbrot(m, MVector3(0, 0, 1), vect_normalize(d));
  m.Translate(a);
  transformation.Set_LocalMatrix(m);
}

void MCylinder::Print(FILE* fp, int a, int b) {
  if (!fp) return;
  MObj3d::Print(fp, a, b);
  fprintf(fp, "Length: %.3lf\n", length);
  fprintf(fp, "Radius: %.3lf\n", radius);
  fprintf(fp, "Segements Len: %d\n", segment_l);
  fprintf(fp, "Segements Radius: %d\n", segment_r);
}

int MCylinder::CalculateBoundingBox() {
  const MMatrix& m = transformation.local;
  bound_left = m.Transform(MVector3(-radius, -radius, 0));
  bound_right = m.Transform(MVector3(radius, radius, length));
  return 1;
}

MMesh_P* MCylinder::Get_Mesh() {
  const int seg = std::clamp<int>(segment_r, 3, 1 << 20);
  MVPolygon profile;
  profile.Add(MVector3(0, 0, length));
  profile.Add(MVector3(radius, 0, length));
  profile.Add(MVector3(radius, 0, 0));
  profile.Add(MVector3(0, 0, 0));
  MMesh_P* mesh = Generate_Rotate_Object(safe_name(get_name()), profile, 0.0, kTwoPi, kTwoPi / seg, 0);
  if (!mesh) return nullptr;
  CopyAttributes(*mesh);
  mesh->NormalSmooth(nullptr, 89.0);
  return mesh;
}
