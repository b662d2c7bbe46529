#include <cstring>

#include "ply_format.h"

namespace ply {
namespace {

struct TypeNames {
  const char* classic;
  const char* sized;
  Type type;
};

constexpr TypeNames kTypes[] = {{"char", "int8", Type::kInt8},       {"uchar", "uint8", Type::kUInt8},
                                {"short", "int16", Type::kInt16},    {"ushort", "uint16", Type::kUInt16},
                                {"int", "int32", Type::kInt32},      {"uint", "uint32", Type::kUInt32},
                                {"float", "float32", Type::kFloat32}, {"double", "float64", Type::kFloat64}};

}  // namespace

size_t TypeSize(Type t) {
  switch (t) {
    case Type::kInt8:
    case Type::kUInt8:
      return 1;
    case Type::kInt16:
    case Type::kUInt16:
      return 2;
    case Type::kInt32:
    case Type::kUInt32:
    case Type::kFloat32:
      return 4;
    case Type::kFloat64:
      return 8;
  }
  return 4;
}

bool ParseType(const char* name, Type* out) {
  for (const TypeNames& t : kTypes)
    if (std::strcmp(name, t.classic) == 0 || std::strcmp(name, t.sized) == 0) return *out = t.type, true;
  return false;
}

const char* TypeName(Type t) {
  for (const TypeNames& n : kTypes)
    if (n.type == t) return n.classic;
  return "float";
}

}  // namespace ply
