// glTF import of accessors: typed elements in buffer views, strided or
// packed, normalised integers, and sparse substitutions. Every offset and
// count is checked against the bytes there are before anything is read, and
// every element read is charged to the run's budget.
#include <cstring>

#include "gltf_format.h"
#include "gltf_import_parts.h"

namespace kvgltf {
namespace {

int ComponentSize(int64_t type) {
  switch (type) {
    case gltf::kByte:
    case gltf::kUnsignedByte: return 1;
    case gltf::kShort:
    case gltf::kUnsignedShort: return 2;
    case gltf::kUnsignedInt:
    case gltf::kFloat: return 4;
    default: return 0;
  }
}

int ComponentsOf(const std::string& type) {
  if (type == "SCALAR") return 1;
  if (type == "VEC2") return 2;
  if (type == "VEC3") return 3;
  if (type == "VEC4") return 4;
  if (type == "MAT2") return 4;
  if (type == "MAT3") return 9;
  if (type == "MAT4") return 16;
  return 0;
}

// One component at p as a float; normalised integers scaled to [0, 1] or
// [-1, 1] as glTF says.
float Component(const uint8_t* p, int64_t type, bool normalized) {
  switch (type) {
    case gltf::kFloat: {
      float f;
      std::memcpy(&f, p, 4);
      return f;
    }
    case gltf::kUnsignedByte: return normalized ? p[0] / 255.0f : p[0];
    case gltf::kByte: {
      const float v = static_cast<int8_t>(p[0]);
      return normalized ? (v / 127.0f < -1.0f ? -1.0f : v / 127.0f) : v;
    }
    case gltf::kUnsignedShort: {
      const uint16_t u = static_cast<uint16_t>(p[0] | p[1] << 8);
      return normalized ? u / 65535.0f : u;
    }
    case gltf::kShort: {
      const float v = static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
      return normalized ? (v / 32767.0f < -1.0f ? -1.0f : v / 32767.0f) : v;
    }
    case gltf::kUnsignedInt: {
      const uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
      return static_cast<float>(u);
    }
    default: return 0;
  }
}

uint32_t IndexAt(const uint8_t* p, int size) {
  if (size == 1) return p[0];
  if (size == 2) return static_cast<uint32_t>(p[0] | p[1] << 8);
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// What an accessor says of its elements, checked against its view.
struct Layout {
  int64_t count = 0;
  int64_t component_type = 0;
  int components = 0;
  int size = 0;  // of one component
  bool normalized = false;
  const uint8_t* data = nullptr;  // null: no view, the elements are zeros
  size_t stride = 0;
};

// The elements of bytes at offset, count elements of elem bytes each,
// stride apart, all inside view.
bool FitsView(const Bytes& view, size_t offset, size_t stride, int64_t count, size_t elem) {
  if (count == 0) return offset <= view.size;
  if (offset > view.size || elem > view.size - offset) return false;
  const uint64_t last = static_cast<uint64_t>(count - 1);
  return stride == 0 || last <= (view.size - offset - elem) / stride;
}

bool Charge(ImportContext& c, const std::string& where, uint64_t elements) {
  if (elements > c.budget)
    return c.Fault(where, "asks for " + std::to_string(elements) + " elements, more than the file's buffers can hold");
  c.budget -= elements;
  return true;
}

bool ReadLayout(ImportContext& c, int64_t accessor, Layout* out, std::string* where_out) {
  const std::string where = Where("accessors", static_cast<size_t>(accessor));
  *where_out = where;
  Fields a(At(c.Top("accessors"), static_cast<size_t>(accessor)), where, c.faults);
  out->count = a.Int("count", 0, 0, INT32_MAX, true);
  out->component_type = a.Int("componentType", 0, 0, INT32_MAX, true);
  const std::string type = a.String("type");
  out->normalized = a.Flag("normalized", false);
  const int64_t view = a.Index("bufferView", c.Count("bufferViews"));
  const int64_t offset = a.Int("byteOffset", 0, 0, INT64_MAX / 4);
  if (c.faults.Any()) return false;
  out->components = ComponentsOf(type);
  out->size = ComponentSize(out->component_type);
  if (!out->components) return c.Fault(where, "type '" + type + "' is no accessor type");
  if (!out->size) return c.Fault(where, "componentType " + std::to_string(out->component_type) + " is unknown");
  if (!Charge(c, where, static_cast<uint64_t>(out->count) * static_cast<uint64_t>(out->components))) return false;
  const size_t elem = static_cast<size_t>(out->components) * static_cast<size_t>(out->size);
  if (view < 0) return true;  // all zeros, sparse values may follow
  Bytes bytes;
  size_t stride = 0;
  if (!ViewBytes(c, view, &bytes, &stride)) return false;
  if (stride && stride < elem)
    return c.Fault(where, "its elements of " + std::to_string(elem) + " bytes overlap in a stride of " +
                              std::to_string(stride));
  if (!stride) stride = elem;
  if (static_cast<uint64_t>(offset) % static_cast<uint64_t>(out->size))
    return c.Fault(where, "byteOffset " + std::to_string(offset) + " is not a multiple of its component size");
  if (!FitsView(bytes, static_cast<size_t>(offset), stride, out->count, elem))
    return c.Fault(where, std::to_string(out->count) + " elements run past the end of bufferView " +
                              std::to_string(view));
  out->data = bytes.data + offset;
  out->stride = stride;
  return true;
}

// Sparse substitutions: indices of elements and their new values.
bool ApplySparse(ImportContext& c, int64_t accessor, const Layout& l, const std::string& where,
                 std::vector<float>* out) {
  Fields a(At(c.Top("accessors"), static_cast<size_t>(accessor)), where, c.faults);
  const Json* sparse = a.Object("sparse");
  if (!sparse) return !c.faults.Any();
  const std::string sw = where + ".sparse";
  Fields s(sparse, sw, c.faults);
  const int64_t count = s.Int("count", 0, 1, l.count, true);
  Fields idx(s.Object("indices"), sw + ".indices", c.faults);
  Fields val(s.Object("values"), sw + ".values", c.faults);
  if (c.faults.Any()) return false;
  const int64_t iview = idx.Index("bufferView", c.Count("bufferViews"), true);
  const int64_t ioff = idx.Int("byteOffset", 0, 0, INT64_MAX / 4);
  const int64_t itype = idx.Int("componentType", 0, 0, INT32_MAX, true);
  const int64_t vview = val.Index("bufferView", c.Count("bufferViews"), true);
  const int64_t voff = val.Int("byteOffset", 0, 0, INT64_MAX / 4);
  if (c.faults.Any()) return false;
  const int isize = itype == gltf::kUnsignedByte || itype == gltf::kUnsignedShort || itype == gltf::kUnsignedInt
                        ? ComponentSize(itype)
                        : 0;
  if (!isize) return c.Fault(sw, "its indices are of componentType " + std::to_string(itype));
  if (!Charge(c, sw, static_cast<uint64_t>(count) * static_cast<uint64_t>(l.components + 1))) return false;
  Bytes ib, vb;
  size_t unused;
  if (!ViewBytes(c, iview, &ib, &unused) || !ViewBytes(c, vview, &vb, &unused)) return false;
  const size_t elem = static_cast<size_t>(l.components) * static_cast<size_t>(l.size);
  if (!FitsView(ib, static_cast<size_t>(ioff), static_cast<size_t>(isize), count, static_cast<size_t>(isize)) ||
      !FitsView(vb, static_cast<size_t>(voff), elem, count, elem))
    return c.Fault(sw, std::to_string(count) + " substitutions run past the end of their views");
  for (int64_t k = 0; k < count; ++k) {
    const uint32_t e = IndexAt(ib.data + ioff + k * isize, isize);
    if (e >= static_cast<uint64_t>(l.count))
      return c.Fault(sw, "substitutes element " + std::to_string(e) + " of " + std::to_string(l.count));
    const uint8_t* p = vb.data + voff + static_cast<size_t>(k) * elem;
    for (int j = 0; j < l.components; ++j)
      (*out)[static_cast<size_t>(e) * static_cast<size_t>(l.components) + static_cast<size_t>(j)] =
          Component(p + j * l.size, l.component_type, l.normalized);
  }
  return true;
}

}  // namespace

bool ViewBytes(ImportContext& c, int64_t view, Bytes* out, size_t* stride) {
  const std::string where = Where("bufferViews", static_cast<size_t>(view));
  Fields v(At(c.Top("bufferViews"), static_cast<size_t>(view)), where, c.faults);
  const int64_t buffer = v.Index("buffer", c.buffers.size(), true);
  const int64_t offset = v.Int("byteOffset", 0, 0, INT64_MAX / 4);
  const int64_t length = v.Int("byteLength", 0, 1, INT64_MAX / 4, true);
  const int64_t s = v.Int("byteStride", 0, gltf::kMinStride, gltf::kMaxStride);
  if (c.faults.Any()) return false;
  const Bytes& b = c.buffers[static_cast<size_t>(buffer)];
  if (static_cast<uint64_t>(offset) > b.size || static_cast<uint64_t>(length) > b.size - static_cast<size_t>(offset))
    return c.Fault(where, "bytes " + std::to_string(offset) + " to " + std::to_string(offset + length) +
                              " lie beyond buffer " + std::to_string(buffer) + " of " + std::to_string(b.size));
  *out = Bytes{b.data + offset, static_cast<size_t>(length)};
  *stride = static_cast<size_t>(s);
  return true;
}

bool ReadFloats(ImportContext& c, int64_t accessor, int components, std::vector<float>* out) {
  Layout l;
  std::string where;
  if (!ReadLayout(c, accessor, &l, &where)) return false;
  if (l.components != components)
    return c.Fault(where, "holds " + std::to_string(l.components) + " components per element where " +
                              std::to_string(components) + " are read");
  const size_t n = static_cast<size_t>(l.count) * static_cast<size_t>(components);
  out->assign(n, 0.0f);
  if (l.data) {
    if (l.component_type == gltf::kFloat && l.stride == static_cast<size_t>(components) * 4) {
      std::memcpy(out->data(), l.data, n * 4);
    } else {
      float* dst = out->data();
      for (int64_t e = 0; e < l.count; ++e) {
        const uint8_t* p = l.data + static_cast<size_t>(e) * l.stride;
        for (int j = 0; j < components; ++j) *dst++ = Component(p + j * l.size, l.component_type, l.normalized);
      }
    }
  }
  if (l.data) c.ReleaseRead(l.data, static_cast<size_t>(l.count) * l.stride);
  return ApplySparse(c, accessor, l, where, out);
}

bool ReadIndices(ImportContext& c, int64_t accessor, std::vector<uint32_t>* out) {
  Layout l;
  std::string where;
  if (!ReadLayout(c, accessor, &l, &where)) return false;
  if (l.components != 1 || l.component_type == gltf::kFloat || l.component_type == gltf::kByte ||
      l.component_type == gltf::kShort)
    return c.Fault(where, "is no list of unsigned integer indices");
  if (!l.data) return c.Fault(where, "holds indices but no bufferView");
  out->resize(static_cast<size_t>(l.count));
  for (int64_t e = 0; e < l.count; ++e) (*out)[static_cast<size_t>(e)] = IndexAt(l.data + e * l.stride, l.size);
  c.ReleaseRead(l.data, static_cast<size_t>(l.count) * l.stride);
  Fields a(At(c.Top("accessors"), static_cast<size_t>(accessor)), where, c.faults);
  if (a.Has("sparse")) return c.Fault(where, "sparse index accessors are not read");
  return true;
}

}  // namespace kvgltf
