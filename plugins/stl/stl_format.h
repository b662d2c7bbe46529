// The STL layout: a binary file is an 80-byte header, a little-endian
// triangle count and one 50-byte record per triangle (normal, three
// corners, an attribute word); an ASCII file is "solid" ... "endsolid".
#pragma once
#include <cstddef>

namespace stl {

constexpr size_t kHeaderSize = 80;
constexpr size_t kCountSize = 4;
constexpr size_t kPreambleSize = kHeaderSize + kCountSize;
constexpr size_t kRecordSize = 50;  // 12 floats and a 16-bit attribute word
constexpr char kDefaultSurface[] = "DEFAULT";

// A binary file of n triangles has exactly this size.
constexpr unsigned long long BinarySize(unsigned long long n) { return kPreambleSize + kRecordSize * n; }

}  // namespace stl
