#include "geometry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

char* MVector3::Print() const {
  static char buf[128];
  std::snprintf(buf, sizeof buf, "<%.3lf %.3lf %.3lf >", x, y, z);
  return buf;
}

MMatrix::MMatrix(int init) {
  if (init) Init();
}

void MMatrix::Init() {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = i == j ? 1.0 : 0.0;
}

void MMatrix::Zero() {
  for (auto& row : m)
    for (double& v : row) v = 0.0;
}

MMatrix& MMatrix::operator*=(const MMatrix& b) {
  double r[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j] + m[i][3] * b.m[3][j];
  std::memcpy(m, r, sizeof m);
  return *this;
}

MMatrix& MMatrix::operator*=(double d) {
  for (auto& row : m)
    for (double& v : row) v *= d;
  return *this;
}

MMatrix& MMatrix::operator/=(double d) {
  for (auto& row : m)
    for (double& v : row) v /= d;
  return *this;
}

void MMatrix::Scale(const MVector3& s) {
  MMatrix S(1);
  S.m[0][0] = s.x;
  S.m[1][1] = s.y;
  S.m[2][2] = s.z;
  *this *= S;
}

void MMatrix::Translate(const MVector3& t) {
  MMatrix T(1);
  T.m[3][0] = t.x;
  T.m[3][1] = t.y;
  T.m[3][2] = t.z;
  *this *= T;
}

void MMatrix::RotateDeg(const MVector3& a) { RotateRad(a * 0.017453292519943295); }

void MMatrix::RotateRad(const MVector3& a) {
  double cx = std::cos(a.x), sx = std::sin(a.x);
  double cy = std::cos(a.y), sy = std::sin(a.y);
  double cz = std::cos(a.z), sz = std::sin(a.z);
  MMatrix rx(1), ry(1), rz(1);
  rx.m[1][1] = cx;
  rx.m[1][2] = sx;
  rx.m[2][1] = -sx;
  rx.m[2][2] = cx;
  ry.m[0][0] = cy;
  ry.m[0][2] = -sy;
  ry.m[2][0] = sy;
  ry.m[2][2] = cy;
  rz.m[0][0] = cz;
  rz.m[0][1] = sz;
  rz.m[1][0] = -sz;
  rz.m[1][1] = cz;
  *this *= rx;
  *this *= ry;
  *this *= rz;
}

MVector3 MMatrix::Transform(const MVector3& p) const {
  return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
          p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
          p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

MVector3 MMatrix::NTransform(const MVector3& n) const {
  return {n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0], n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
          n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2]};
}

char* MMatrix::Print() const {
  static char buf[1024];
  std::snprintf(buf, sizeof buf,
                "\n\t[%.3lf %.3lf %.3lf %.3lf]\n\t[%.3lf %.3lf %.3lf %.3lf]\n\t[%.3lf %.3lf %.3lf %.3lf]\n\t[%.3lf %.3lf "
                "%.3lf %.3lf]",
                m[0][0], m[0][1], m[0][2], m[0][3], m[1][0], m[1][1], m[1][2], m[1][3], m[2][0], m[2][1], m[2][2],
                m[2][3], m[3][0], m[3][1], m[3][2], m[3][3]);
  return buf;
}

void Cart2Sph(const MVector3& in, MVector3& out) {
  double xy = std::sqrt(in.x * in.x + in.y * in.y);
  out.x = (in.x == 0.0 && in.y == 0.0) ? 0.0 : std::atan2(in.y, in.x);
  out.y = (xy == 0.0 && in.z == 0.0) ? 0.0 : std::atan2(in.z, xy);
  out.z = in.Length();
}

void Sph2Cart(const MVector3& in, MVector3& out) {
  double az = in.x, el = in.y, r = in.z;
  out.x = std::cos(el) * std::cos(az) * r;
  out.y = std::sin(az) * std::cos(el) * r;
  out.z = std::sin(el) * r;
  if (std::fabs(out.x) < 1e-9) out.x = 0.0;
  if (std::fabs(out.y) < 1e-9) out.y = 0.0;
  if (std::fabs(out.z) < 1e-9) out.z = 0.0;
}

void mat_rotate_arb_axis_rad(MMatrix& M, const MVector3& n, const double& angle) {
  double x = n.x, y = n.y, z = n.z;
  double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
  M.m[0][0] = (1 - x * x) * c + x * x;
  M.m[0][1] = t * x * y - s * z;
  M.m[0][2] = t * x * z + s * y;
  M.m[0][3] = 0;
  M.m[1][0] = t * x * y + s * z;
  M.m[1][1] = (1 - y * y) * c + y * y;
  M.m[1][2] = t * y * z - s * x;
  M.m[1][3] = 0;
  M.m[2][0] = t * x * z - s * y;
  M.m[2][1] = t * y * z + s * x;
  M.m[2][2] = (1 - z * z) * c + z * z;
  M.m[2][3] = 0;
  M.m[3][0] = M.m[3][1] = M.m[3][2] = 0;
  M.m[3][3] = 1;
}

MVector3 vect_axis_rotate(const MVector3& v, const MVector3& n, const double& angle_deg) {
  if (angle_deg == 0.0) return v;
  MMatrix M(1);
  double rad = angle_deg * 0.017453292519943295;
  mat_rotate_arb_axis_rad(M, n, rad);
  return M.Transform(v);
}

void mat_make_arbrot(MMatrix& M, const MVector3& a, const MVector3& b) {
  MVector3 axis = vect_normalize(vect_cross(a, b));
  double la = a.Length() * b.Length();
  double angle = 0.0;
  if (la != 0.0) {
    double c = vect_dot(a, b) / la;
    if (c <= -1.0)
      angle = 3.141592653589793;
    else if (c >= 1.0)
      angle = 0.0;
    else
      angle = std::acos(c);
  }
  double neg = -angle;
  mat_rotate_arb_axis_rad(M, axis, neg);
}

void make_cross_section_matrix(MMatrix& M, const MVector3& pos, const MVector3& up, const MVector3& dir) {
  M.Init();
  MVector3 sph;
  Cart2Sph(dir, sph);
  M.RotateDeg(MVector3(0, 0, sph.x * 57.29577951308232 - 90));
  MMatrix r(1);
  mat_make_arbrot(r, dir, up);
  M *= r;
  M.Translate(pos);
}

double mat_determinant3(const MMatrix& m) {
  return m.m[0][0] * (m.m[1][1] * m.m[2][2] - m.m[1][2] * m.m[2][1]) -
         m.m[0][1] * (m.m[1][0] * m.m[2][2] - m.m[1][2] * m.m[2][0]) +
         m.m[0][2] * (m.m[1][0] * m.m[2][1] - m.m[1][1] * m.m[2][0]);
}

MVector3 vect_across(const MVector3& v, const MVector3& d) {
  MVector3 u = v - d * vect_dot(v, d);
  if (u.Length() > 1e-9 * std::max(1.0, v.Length())) return vect_normalize(u);
  const double ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
  MVector3 e = (ax <= ay && ax <= az) ? MVector3(1, 0, 0) : (ay <= az ? MVector3(0, 1, 0) : MVector3(0, 0, 1));
  return vect_normalize(e - d * vect_dot(e, d));
}

void m_basis_axis_angle(const MVector3& x, const MVector3& y, const MVector3& z, MVector3& axis, double& angle) {
  // Through the unit quaternion, taken from the largest of the trace and
  // the diagonal so that angles near pi stay exact. R[row][col] = axis col.
  const double r00 = x.x, r11 = y.y, r22 = z.z;
  const double trace = r00 + r11 + r22;
  double qw, qx, qy, qz;
  if (trace > r00 && trace > r11 && trace > r22) {
    double s = 2.0 * std::sqrt(std::max(0.0, 1.0 + trace));
    qw = 0.25 * s;
    qx = (y.z - z.y) / s;
    qy = (z.x - x.z) / s;
    qz = (x.y - y.x) / s;
  } else if (r00 >= r11 && r00 >= r22) {
    double s = 2.0 * std::sqrt(std::max(0.0, 1.0 + r00 - r11 - r22));
    qw = (y.z - z.y) / s;
    qx = 0.25 * s;
    qy = (y.x + x.y) / s;
    qz = (z.x + x.z) / s;
  } else if (r11 >= r22) {
    double s = 2.0 * std::sqrt(std::max(0.0, 1.0 + r11 - r00 - r22));
    qw = (z.x - x.z) / s;
    qx = (y.x + x.y) / s;
    qy = 0.25 * s;
    qz = (z.y + y.z) / s;
  } else {
    double s = 2.0 * std::sqrt(std::max(0.0, 1.0 + r22 - r00 - r11));
    qw = (x.y - y.x) / s;
    qx = (z.x + x.z) / s;
    qy = (z.y + y.z) / s;
    qz = 0.25 * s;
  }
  if (qw < 0) qw = -qw, qx = -qx, qy = -qy, qz = -qz;
  const double len = std::sqrt(qx * qx + qy * qy + qz * qz);
  if (!(len > 1e-15)) {
    axis = MVector3(0, 0, 1);
    angle = 0.0;
    return;
  }
  axis = MVector3(qx / len, qy / len, qz / len);
  angle = 2.0 * std::atan2(len, qw);
}
