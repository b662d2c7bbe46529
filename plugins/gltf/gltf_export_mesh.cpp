// glTF export of one mesh: corners that share position, normal and texture
// coordinate become one vertex; one primitive per surface the faces use.
#include <cmath>
#include <cstring>
#include <limits>

#include "gltf_export.h"
#include "gltf_format.h"

namespace kvgltf {
namespace {

// The vertices made so far: per position a chain of the (normal, uv)
// pairs it was met with, so that the search stays linear in the corners.
class VertexTable {
 public:
  explicit VertexTable(int positions) : head_(static_cast<size_t>(positions), -1) {}
  // The vertex of the corner; *fresh when it is new.
  uint32_t Find(int p, int n, int t, bool* fresh) {
    for (int e = head_[static_cast<size_t>(p)]; e >= 0; e = entries_[static_cast<size_t>(e)].next) {
      const Entry& x = entries_[static_cast<size_t>(e)];
      if (x.n == n && x.t == t) {
        *fresh = false;
        return static_cast<uint32_t>(e);
      }
    }
    entries_.push_back(Entry{n, t, head_[static_cast<size_t>(p)]});
    head_[static_cast<size_t>(p)] = static_cast<int>(entries_.size() - 1);
    *fresh = true;
    return static_cast<uint32_t>(entries_.size() - 1);
  }

 private:
  struct Entry {
    int n, t, next;
  };
  std::vector<int> head_;
  std::vector<Entry> entries_;
};

bool Finite(const MVector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

MVector3 UnitOr(const MVector3& v, const MVector3& fallback) {
  const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(len > 1e-30) || !std::isfinite(len)) return fallback;
  return MVector3(v.x / len, v.y / len, v.z / len);
}

struct Attributes {
  std::vector<float> positions, normals, uvs;
  float lo[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                 std::numeric_limits<float>::max()};
  float hi[3] = {-std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                 -std::numeric_limits<float>::max()};

  void Position(const MVector3& v) {
    const float f[3] = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
    for (int k = 0; k < 3; ++k) {
      positions.push_back(f[k]);
      lo[k] = std::fmin(lo[k], f[k]);
      hi[k] = std::fmax(hi[k], f[k]);
    }
  }
  void Normal(const MVector3& v) {
    normals.push_back(static_cast<float>(v.x));
    normals.push_back(static_cast<float>(v.y));
    normals.push_back(static_cast<float>(v.z));
  }
};

// The indices of one primitive as 16-bit numbers when every vertex fits
// below the restart value, else 32-bit.
int AddIndices(ExportContext& c, const std::vector<uint32_t>& idx, size_t vertices) {
  int view;
  int type;
  if (vertices < 0xFFFF) {
    std::vector<uint16_t> small(idx.begin(), idx.end());
    view = c.AddView(small.data(), small.size() * 2, gltf::kElementArrayBuffer);
    type = gltf::kUnsignedShort;
  } else {
    view = c.AddView(idx.data(), idx.size() * 4, gltf::kElementArrayBuffer);
    type = gltf::kUnsignedInt;
  }
  return c.AddAccessor(view, type, idx.size(), "SCALAR");
}

}  // namespace

int WriteMesh(ExportContext& c, const MExportMesh& e, bool baked) {
  MMesh_P* m = e.mesh;
  const char* listed = e.object->get_name() ? e.object->get_name() : "";
  const int nv = m->Get_Vertex_Count();
  const MExportLayers layers = m_export_layers(m);
  if (m->NormalsUsed() && !layers.normals) c.run.Lose(listed, KV_LOSS_NORMALS_DROPPED);
  if (m->UVUsed() && !layers.uvs) c.run.Lose(listed, KV_LOSS_UVS_DROPPED);

  // Faces by surface reference; the last bucket takes faces without one.
  const int refs = m->surface_refs ? m->surface_refs->count : 0;
  std::vector<std::vector<uint32_t>> buckets(static_cast<size_t>(refs) + 1);
  VertexTable table(nv);
  Attributes a;
  long dropped = 0;
  const MMatrix normal_matrix = e.matrix;  // rows 0-2 only are used by NTransform
  const int faces = m->Get_Face_Count();
  for (int i = 0; i < faces; ++i) {
    const MIPolygon& f = m->f_a->data[i];
    bool usable = f.count >= 3;
    for (int k = 0; usable && k < f.count; ++k) usable = f.data[k] >= 0 && f.data[k] < nv && Finite(m->v_a->data[f.data[k]]);
    if (!usable) {
      ++dropped;
      continue;
    }
    const MIPolygon* nf = layers.normals ? &m->nf_a->data[i] : nullptr;
    const MIPolygon* tf = layers.uvs ? &m->uvf_a->data[i] : nullptr;
    MVector3 facet = vect_cross(m->v_a->data[f.data[1]] - m->v_a->data[f.data[0]],
                                m->v_a->data[f.data[2]] - m->v_a->data[f.data[0]]);
    if (baked) facet = normal_matrix.NTransform(facet);
    facet = UnitOr(facet, MVector3(0, 0, 1));
    std::vector<uint32_t>& out = buckets[f.mat_id >= 0 && f.mat_id < refs ? static_cast<size_t>(f.mat_id)
                                                                           : static_cast<size_t>(refs)];
    uint32_t corner[3];
    // Faces the walk left larger than a triangle go as a fan.
    for (int k = 0; k < f.count; ++k) {
      const int p = f.data[k], n = nf ? nf->data[k] : -1, t = tf ? tf->data[k] : -1;
      bool fresh = false;
      const uint32_t v = table.Find(p, n, t, &fresh);
      if (fresh) {
        const MVector3& pos = m->v_a->data[p];
        a.Position(baked ? e.matrix.Transform(pos) : pos);
        if (nf) {
          MVector3 nn = m->nv_a->data[n];
          if (baked) nn = normal_matrix.NTransform(nn);
          a.Normal(UnitOr(nn, facet));
        }
        if (tf) {
          const MVector3& uv = m->uv_a->data[t];
          // glTF's texture space starts at the image's top.
          a.uvs.push_back(static_cast<float>(uv.x));
          a.uvs.push_back(static_cast<float>(1.0 - uv.y));
        }
      }
      if (k < 2) {
        corner[k] = v;
        continue;
      }
      out.push_back(corner[0]);
      out.push_back(k == 2 ? corner[1] : corner[2]);
      out.push_back(v);
      corner[2] = v;
    }
  }
  c.run.Lose(listed, KV_LOSS_FACES_DROPPED, dropped);
  const size_t vertices = a.positions.size() / 3;
  if (vertices == 0) return -1;

  Json attributes = Json::object();
  const int pos = c.AddAccessor(c.AddView(a.positions.data(), a.positions.size() * 4, gltf::kArrayBuffer),
                                gltf::kFloat, vertices, "VEC3");
  c.accessors[static_cast<size_t>(pos)]["min"] = {a.lo[0], a.lo[1], a.lo[2]};
  c.accessors[static_cast<size_t>(pos)]["max"] = {a.hi[0], a.hi[1], a.hi[2]};
  attributes["POSITION"] = pos;
  if (!a.normals.empty())
    attributes["NORMAL"] = c.AddAccessor(c.AddView(a.normals.data(), a.normals.size() * 4, gltf::kArrayBuffer),
                                         gltf::kFloat, vertices, "VEC3");
  if (!a.uvs.empty())
    attributes["TEXCOORD_0"] = c.AddAccessor(c.AddView(a.uvs.data(), a.uvs.size() * 4, gltf::kArrayBuffer),
                                             gltf::kFloat, vertices, "VEC2");
  Json primitives = Json::array();
  long unknown_surfaces = 0;
  for (size_t b = 0; b < buckets.size(); ++b) {
    if (buckets[b].empty()) continue;
    Json prim = {{"attributes", attributes}, {"indices", AddIndices(c, buckets[b], vertices)},
                 {"mode", gltf::kTriangles}};
    if (b < static_cast<size_t>(refs)) {
      const int mat = MaterialOf(c, ref_name_or_empty(m->surface_refs, static_cast<int>(b)));
      if (mat >= 0) prim["material"] = mat;
      else ++unknown_surfaces;
    }
    primitives.push_back(std::move(prim));
  }
  c.run.Lose(listed, KV_LOSS_MATERIALS_DROPPED, unknown_surfaces);
  const char* source = e.source->get_name() ? e.source->get_name() : "";
  c.meshes.push_back({{"name", NameText(source)}, {"primitives", std::move(primitives)}});
  return static_cast<int>(c.meshes.size() - 1);
}

}  // namespace kvgltf
