#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "korvanelib.h"

namespace {
constexpr double kPi = 3.141592653589793;

void expect_near(const MVector3& a, const MVector3& b, double eps = 1e-9) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}
}  // namespace

TEST(Vector, ComparisonSwapIndexAndPrint) {
  EXPECT_TRUE(MVector3(1, 2, 3) == MVector3(1.0000005, 2, 3));
  EXPECT_FALSE(MVector3(1, 2, 3) == MVector3(1.000001, 2, 3));
  EXPECT_TRUE(MVector3(1, 2, 3) != MVector3(1.000001, 2, 3));
  expect_near(MVector3(1, 2, 3).Swap(1), MVector3(2, 1, 3));
  expect_near(MVector3(1, 2, 3).Swap(2), MVector3(3, 2, 1));
  expect_near(MVector3(1, 2, 3).Swap(3), MVector3(1, 3, 2));
  expect_near(MVector3(1, 2, 3).Swap(7), MVector3(1, 2, 3));
  MVector3 v(4, 5, 6);
  EXPECT_EQ(v[1], 5);
  EXPECT_EQ(v[9], 4);  // out of range yields x
  v = 2.0;
  expect_near(v, MVector3(2, 2, 2));
  expect_near(MVector3(1, 2, 3) + 1.0, MVector3(2, 3, 4));
  EXPECT_STREQ(MVector3(1, -2.5, 1.0 / 3).Print(), "<1.000 -2.500 0.333 >");
}

TEST(Matrix, TranslateScaleOrderAndNormals) {
  MMatrix m(1);
  m.Translate(MVector3(1, 2, 3));
  expect_near(m.Transform(MVector3(0, 0, 0)), MVector3(1, 2, 3));
  expect_near(m.NTransform(MVector3(0, 0, 0)), MVector3(0, 0, 0));

  MMatrix s(1);
  s.Scale(MVector3(2, 2, 2));
  s.Translate(MVector3(1, 0, 0));
  expect_near(s.Transform(MVector3(1, 0, 0)), MVector3(3, 0, 0));
}

TEST(Matrix, RotationsAreCounterClockwiseAndComposeXYZ) {
  MMatrix z(1);
  z.RotateDeg(MVector3(0, 0, 90));
  expect_near(z.Transform(MVector3(1, 0, 0)), MVector3(0, 1, 0));
  MMatrix x(1);
  x.RotateDeg(MVector3(90, 0, 0));
  expect_near(x.Transform(MVector3(0, 1, 0)), MVector3(0, 0, 1));
  // About X first, then Z: (0,1,0) -> (0,0,1) -> stays on Z.
  MMatrix xz(1);
  xz.RotateDeg(MVector3(90, 0, 90));
  expect_near(xz.Transform(MVector3(0, 1, 0)), MVector3(0, 0, 1));
}

TEST(Matrix, PrintFormatsFourRows) {
  MMatrix m(1);
  EXPECT_STREQ(m.Print(),
               "\n\t[1.000 0.000 0.000 0.000]\n\t[0.000 1.000 0.000 0.000]\n\t[0.000 0.000 1.000 0.000]\n\t[0.000 "
               "0.000 0.000 1.000]");
}

TEST(Transformation, CopiesTakeTheLocalMatrixOnly) {
  MTransformation a;
  a.local.Translate(MVector3(1, 0, 0));
  a.world.Translate(MVector3(0, 5, 0));
  MTransformation b(a);
  EXPECT_DOUBLE_EQ(b.local[3][0], 1);
  EXPECT_DOUBLE_EQ(b.world[3][1], 0);
}

TEST(Spherical, RoundTripAndExactZeros) {
  MVector3 out;
  Sph2Cart(MVector3(0, kPi / 2, 1), out);
  EXPECT_EQ(out.x, 0.0);
  EXPECT_EQ(out.y, 0.0);
  EXPECT_EQ(out.z, 1.0);
  Cart2Sph(MVector3(0, 0, 0), out);
  expect_near(out, MVector3(0, 0, 0));
  MVector3 sph, back;
  Cart2Sph(MVector3(1, 2, 3), sph);
  Sph2Cart(sph, back);
  expect_near(back, MVector3(1, 2, 3));
}

TEST(ArbitraryRotation, SameAndOppositeDirections) {
  MMatrix m(1);
  mat_make_arbrot(m, MVector3(0, 0, 1), MVector3(0, 0, 1));
  MMatrix id(1);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(m[i][j], id[i][j], 1e-12);
  mat_make_arbrot(m, MVector3(1, 0, 0), MVector3(-1, 0, 0));
  EXPECT_NEAR(m[0][0], -1, 1e-12);
  EXPECT_NEAR(m[1][1], -1, 1e-12);
  EXPECT_NEAR(m[2][2], -1, 1e-12);
  // a onto b for a general pair
  mat_make_arbrot(m, MVector3(0, 0, 1), MVector3(1, 0, 0));
  expect_near(m.Transform(MVector3(0, 0, 1)), MVector3(1, 0, 0), 1e-12);
}

TEST(ArbitraryRotation, AxisRotateTurnsByMinusAngle) {
  MVector3 v = vect_axis_rotate(MVector3(1, 0, 0), MVector3(0, 0, 1), 90.0);
  expect_near(v, MVector3(0, -1, 0), 1e-12);
  expect_near(vect_axis_rotate(MVector3(1, 2, 3), MVector3(0, 0, 1), 0.0), MVector3(1, 2, 3));
}

namespace {
// Rodrigues: v turned counter-clockwise by angle about the unit axis.
MVector3 turn(const MVector3& v, const MVector3& axis, double angle) {
  return v * std::cos(angle) + vect_cross(axis, v) * std::sin(angle) +
         axis * (vect_dot(axis, v) * (1 - std::cos(angle)));
}
}  // namespace

TEST(BasisAxisAngle, TurnsTheUnitAxesOntoTheBasis) {
  // Camera bases (x = d × u, y = u, z = -d) in and out of the YZ plane, and
  // turns of nearly and exactly pi, which need care.
  const MVector3 dirs[] = {{-2, 6, -3}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0.3, 0.2, -1}, {0, 0, -1}, {0, 1e-9, 1}};
  for (const MVector3& dir : dirs) {
    MVector3 d = vect_normalize(dir);
    MVector3 up = std::fabs(d.z) > 0.99 ? MVector3(0, 1, 0) : MVector3(0, 0, 1);
    MVector3 u = vect_normalize(up - d * vect_dot(up, d));
    MVector3 x = vect_cross(d, u), z = -d;
    MVector3 axis;
    double angle;
    m_basis_axis_angle(x, u, z, axis, angle);
    EXPECT_NEAR(axis.Length(), 1.0, 1e-12);
    expect_near(turn(MVector3(1, 0, 0), axis, angle), x, 1e-9);
    expect_near(turn(MVector3(0, 1, 0), axis, angle), u, 1e-9);
    expect_near(turn(MVector3(0, 0, -1), axis, angle), d, 1e-9);
  }
  MVector3 axis;
  double angle;
  m_basis_axis_angle(MVector3(1, 0, 0), MVector3(0, 1, 0), MVector3(0, 0, 1), axis, angle);
  EXPECT_EQ(angle, 0.0);
  expect_near(axis, MVector3(0, 0, 1));
  m_basis_axis_angle(MVector3(-1, 0, 0), MVector3(0, 1, 0), MVector3(0, 0, -1), axis, angle);
  EXPECT_NEAR(angle, M_PI, 1e-12);
  expect_near(axis, MVector3(0, 1, 0), 1e-12);
}

TEST(VectAcross, PerpendicularPartOrAnotherAxis) {
  expect_near(vect_across(MVector3(0, 1, 1), MVector3(0, 0, 1)), MVector3(0, 1, 0));
  expect_near(vect_across(MVector3(0, 0, 3), MVector3(0, 0, 1)), MVector3(1, 0, 0));
  expect_near(vect_across(MVector3(0, 0, 0), MVector3(1, 0, 0)), MVector3(0, 1, 0));
  MVector3 d = vect_normalize(MVector3(1, 2, 3));
  EXPECT_NEAR(vect_dot(vect_across(MVector3(0, 0, 1), d), d), 0.0, 1e-12);
}

TEST(Determinant3, SignTellsMirrors) {
  MMatrix m(1);
  m.Translate(MVector3(5, 6, 7));
  EXPECT_EQ(mat_determinant3(m), 1.0);
  m.Scale(MVector3(-1, 2, 1));
  EXPECT_EQ(mat_determinant3(m), -2.0);
  m.Scale(MVector3(1, 1, 0));
  EXPECT_EQ(mat_determinant3(m), 0.0);
}
