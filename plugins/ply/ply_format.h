// The PLY layout: a text header ("ply", "format", "element", "property",
// "end_header") naming the elements and their properties, then the data in
// ASCII or binary of either byte order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "binio.h"

namespace ply {

enum class Format { kAscii, kBinaryLittle, kBinaryBig };

enum class Type { kInt8, kUInt8, kInt16, kUInt16, kInt32, kUInt32, kFloat32, kFloat64 };

constexpr char kDefaultSurface[] = "DEFAULT";

struct Property {
  std::string name;
  Type type = Type::kFloat32;  // of the items, for a list
  bool list = false;
  Type count_type = Type::kUInt8;
};

struct Element {
  std::string name;
  uint64_t count = 0;
  std::vector<Property> properties;
};

struct Header {
  Format format = Format::kAscii;
  std::vector<Element> elements;
  size_t data_offset = 0;  // the first byte after "end_header" and its line end
};

// Bytes of one value; false for a name that is no PLY type ("char",
// "uchar", ... and "int8", "uint8", ... alike).
size_t TypeSize(Type t);
bool ParseType(const char* name, Type* out);
const char* TypeName(Type t);  // the classic names: "float", "uchar", ...

}  // namespace ply
