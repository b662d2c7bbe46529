#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
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

// Clustered points around cell borders, at small and far-out coordinates:
// the weld must give what the scan of Add_Tol gives, point by point.
TEST(GridWeld, GivesWhatTheFullScanGives) {
  for (double tol : {0.01, 0.25, 0.0}) {
    for (double scale : {1.0, 1e9}) {
      SCOPED_TRACE(testing::Message() << "tol " << tol << " scale " << scale);
      MVertexArray welded, scanned;
      MGridWeld w(&welded, tol);
      uint32_t seed = 12345;
      auto next = [&]() {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 16777216.0;
      };
      for (int i = 0; i < 3000; ++i) {
        // Few distinct grid points, each jittered by about the tolerance.
        const double jitter = tol > 0 ? tol : 0;
        MVector3 p(std::floor(next() * 8) * 0.02 * scale + (next() - 0.5) * 2 * jitter,
                   (std::floor(next() * 8) * 0.02 + (next() - 0.5) * 2 * jitter) - 0.08,
                   std::floor(next() * 3) * 0.02 + (next() - 0.5) * 2 * jitter);
        const int want = tol > 0 ? scanned.Add_Tol(p, tol) : scanned.Add_Tol(p, 1e-300);
        ASSERT_EQ(w.Add(p), want) << i;
      }
      EXPECT_EQ(welded.count, scanned.count);
    }
  }
}

}  // namespace
