#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gridweld.h"

namespace {

TEST(GridWeld, ToleranceMergesNearPointsWithTheFirstOne) {
  MVertexArray v;
  MGridWeld w(&v, 0.01);
  EXPECT_EQ(w.Add(MVector3(1, 2, 3)), 0);
  EXPECT_EQ(w.Add(MVector3(1.005, 2, 3)), 0);
  EXPECT_EQ(w.Add(MVector3(1.02, 2, 3)), 1);
  EXPECT_EQ(v.count, 2);
}

TEST(GridWeld, ExactModeJoinsOnlyEqualPoints) {
  MVertexArray v;
  MGridWeld w(&v, 0.0);
  EXPECT_EQ(w.Add(MVector3(1, 2, 3)), 0);
  EXPECT_EQ(w.Add(MVector3(1, 2, 3.0000000001)), 1);
  EXPECT_EQ(w.Add(MVector3(1, 2, 3)), 0);
  // 0 and -0 are the same point.
  EXPECT_EQ(w.Add(MVector3(0, -0.0, 0)), 2);
  EXPECT_EQ(w.Add(MVector3(-0.0, 0, -0.0)), 2);
  // A point that is not a number is never equal to anything.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(w.Add(MVector3(nan, 0, 0)), 3);
  EXPECT_EQ(w.Add(MVector3(nan, 0, 0)), 4);
  EXPECT_EQ(v.count, 5);
}

TEST(GridWeld, ExactModeOverManyPointsKeepsFirstIndices) {
  MVertexArray v;
  MGridWeld w(&v, 0.0);
  for (int round = 0; round < 3; ++round)
    for (int i = 0; i < 5000; ++i) EXPECT_EQ(w.Add(MVector3(i * 0.5, -i, i % 7)), i);
  EXPECT_EQ(v.count, 5000);
}

}  // namespace
