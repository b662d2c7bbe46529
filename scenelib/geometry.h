// Double-precision geometry: vectors, 4x4 matrices (row-major, row vectors,
// p' = p * M, translation in row 3) and the local transformation of objects.
#pragma once
#include <cmath>

class MVector3 {
 public:
  double x, y, z;

  MVector3() : x(0), y(0), z(0) {}
  MVector3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
  MVector3(const MVector3&) = default;
  MVector3& operator=(const MVector3&) = default;
  MVector3& operator=(double d) {
    x = y = z = d;
    return *this;
  }
  void Init(double x_, double y_, double z_) {
    x = x_;
    y = y_;
    z = z_;
  }

  // 0 -> x, 1 -> y, 2 -> z; any other index yields x.
  double& operator[](int i) { return i == 1 ? y : (i == 2 ? z : x); }
  double operator[](int i) const { return i == 1 ? y : (i == 2 ? z : x); }

  MVector3 operator+(const MVector3& v) const { return {x + v.x, y + v.y, z + v.z}; }
  MVector3 operator-(const MVector3& v) const { return {x - v.x, y - v.y, z - v.z}; }
  MVector3 operator+(double d) const { return {x + d, y + d, z + d}; }
  MVector3 operator-(double d) const { return {x - d, y - d, z - d}; }
  MVector3 operator*(double d) const { return {x * d, y * d, z * d}; }
  MVector3 operator/(double d) const { return {x / d, y / d, z / d}; }
  MVector3 operator-() const { return {-x, -y, -z}; }
  MVector3& operator+=(const MVector3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  MVector3& operator-=(const MVector3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
  }
  MVector3& operator+=(double d) {
    x += d;
    y += d;
    z += d;
    return *this;
  }
  MVector3& operator-=(double d) {
    x -= d;
    y -= d;
    z -= d;
    return *this;
  }
  MVector3& operator*=(double d) {
    x *= d;
    y *= d;
    z *= d;
    return *this;
  }
  MVector3& operator/=(double d) {
    x /= d;
    y /= d;
    z /= d;
    return *this;
  }

  // Equal when every component differs by less than 1e-6, the single-precision
  // constant (9.99999997e-7): so 1.000001 is already unequal to 1.
  static constexpr double kEqualEps = static_cast<double>(1e-6f);
  bool operator==(const MVector3& v) const {
    return std::fabs(x - v.x) < kEqualEps && std::fabs(y - v.y) < kEqualEps && std::fabs(z - v.z) < kEqualEps;
  }
  bool operator!=(const MVector3& v) const { return !(*this == v); }

  double Length() const { return std::sqrt(x * x + y * y + z * z); }

  // Axis exchange for exporters: 1 (y,x,z), 2 (z,y,x), 3 (x,z,y), else as is.
  MVector3 Swap(int mode) const {
    switch (mode) {
      case 1: return {y, x, z};
      case 2: return {z, y, x};
      case 3: return {x, z, y};
      default: return *this;
    }
  }

  // "<%.3lf %.3lf %.3lf >" in a process-wide buffer, overwritten by the next call.
  char* Print() const;
};

class MMatrix {
 public:
  double m[4][4];

  explicit MMatrix(int init = 1);  // identity when init != 0, else unset
  MMatrix(const MMatrix&) = default;
  MMatrix& operator=(const MMatrix&) = default;

  double* operator[](int i) { return m[i]; }
  const double* operator[](int i) const { return m[i]; }

  void Init();  // identity
  void Zero();

  MMatrix& operator*=(const MMatrix& b);  // this = this * b
  MMatrix& operator*=(double d);
  MMatrix& operator/=(double d);

  void Scale(const MVector3& s);      // this = this * S
  void Translate(const MVector3& t);  // this = this * T
  void RotateDeg(const MVector3& a);  // degrees, then RotateRad
  void RotateRad(const MVector3& a);  // this = this * Rx * Ry * Rz

  MVector3 Transform(const MVector3& p) const;   // p * M with translation
  MVector3 NTransform(const MVector3& n) const;  // without translation

  // The four rows in a process-wide buffer, overwritten by the next call.
  char* Print() const;
};

class MTransformation {
 public:
  MMatrix local;
  MMatrix world;

  MTransformation() : local(1), world(1) {}
  // Copies take the local matrix only; the world matrix starts as identity.
  MTransformation(const MTransformation& o) : local(o.local), world(1) {}
  MTransformation& operator=(const MTransformation& o) {
    local = o.local;
    return *this;
  }

  void Reset_Local() { local.Init(); }
  void Reset_World() { world.Init(); }
  void Set_LocalMatrix(const MMatrix& mat) { local = mat; }
  MMatrix Get_LocalMatrix() const { return local; }
};

// Cartesian <-> spherical (azimuth, elevation, radius), radians.
void Cart2Sph(const MVector3& in, MVector3& out);
void Sph2Cart(const MVector3& in, MVector3& out);
// Axis-angle matrix for the unit axis n (turns row vectors by -angle about n).
void mat_rotate_arb_axis_rad(MMatrix& M, const MVector3& n, const double& angle);
MVector3 vect_axis_rotate(const MVector3& v, const MVector3& n, const double& angle_deg);
// The rotation that turns direction a onto direction b.
void mat_make_arbrot(MMatrix& M, const MVector3& a, const MVector3& b);
void make_cross_section_matrix(MMatrix& M, const MVector3& pos, const MVector3& up, const MVector3& dir);
// The determinant of the upper 3x3 part: negative for a matrix that mirrors
// (and so turns faces inside out), 0 for one that flattens.
double mat_determinant3(const MMatrix& m);
// The part of v across the unit direction d, normalised: an up vector for a
// view along d. When v runs along d (or is zero), the world axis least
// along d stands in for it.
MVector3 vect_across(const MVector3& v, const MVector3& d);
// The rotation that turns the unit X, Y and Z axes onto the orthonormal,
// right-handed x, y and z, as a unit axis and an angle in radians (0 to pi,
// counter-clockwise about the axis). No rotation gives (0, 0, 1) and 0.
void m_basis_axis_angle(const MVector3& x, const MVector3& y, const MVector3& z, MVector3& axis, double& angle);

inline MVector3 vect_cross(const MVector3& a, const MVector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double vect_dot(const MVector3& a, const MVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline MVector3 vect_normalize(const MVector3& v) {
  double l = v.Length();
  return l == 0.0 ? MVector3(0, 0, 0) : v / l;
}
