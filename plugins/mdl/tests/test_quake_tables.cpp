// The palette and normal tables in the code agree with the published lists.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "quake_format.h"
#include "test_support.h"

namespace {

// The data lines of a list: index and three numbers.
std::vector<std::array<double, 3>> ReadList(const std::string& name) {
  std::ifstream in(kvtest::shared_data_dir() / name);
  std::vector<std::array<double, 3>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ss(line);
    int index;
    std::array<double, 3> v;
    ss >> index >> v[0] >> v[1] >> v[2];
    EXPECT_EQ(index, static_cast<int>(rows.size())) << line;
    rows.push_back(v);
  }
  return rows;
}

}  // namespace

TEST(QuakeTables, PaletteIsThePublishedOne) {
  KV_REQUIRE_DATA();
  auto rows = ReadList("quake-palette.txt");
  ASSERT_EQ(rows.size(), static_cast<size_t>(quake::kPaletteSize));
  for (int i = 0; i < quake::kPaletteSize; ++i)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(quake::kPalette[i][c], rows[i][c]) << "colour " << i;
}

TEST(QuakeTables, NormalsAreThePublishedUnitVectors) {
  KV_REQUIRE_DATA();
  auto rows = ReadList("quake-normals.txt");
  ASSERT_EQ(rows.size(), static_cast<size_t>(quake::kNormalCount));
  for (int i = 0; i < quake::kNormalCount; ++i) {
    double len = 0;
    for (int c = 0; c < 3; ++c) {
      EXPECT_FLOAT_EQ(quake::kNormals[i][c], static_cast<float>(rows[i][c])) << "normal " << i;
      len += rows[i][c] * rows[i][c];
    }
    EXPECT_NEAR(std::sqrt(len), 1.0, 1e-5) << "normal " << i;
  }
}
