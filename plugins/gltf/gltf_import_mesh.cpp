// glTF import of one mesh: its triangle primitives (lists, strips, fans) as
// one polygon mesh, one surface reference per primitive. glTF vertices carry
// position, normal and texture coordinate together, so a face's corners are
// the same indices in all three arrays. Points and lines are left out.
#include <cmath>

#include "gltf_format.h"
#include "gltf_import_parts.h"

namespace kvgltf {
namespace {

bool Finite(const float* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

// One primitive's attributes and triangles.
struct Primitive {
  int64_t material = -1;
  int mode = gltf::kTriangles;
  std::vector<float> positions, normals, uvs;
  std::vector<uint32_t> indices;
  bool has_normals = false, has_uvs = false;
};

bool ReadPrimitive(ImportContext& c, const Json* pj, const std::string& where, Primitive* p) {
  Fields f(pj, where, c.faults);
  Fields attrs(f.Object("attributes"), where + ".attributes", c.faults);
  if (!f.Has("attributes")) return c.Fault(where, "has no attributes");
  const size_t accessors = c.Count("accessors");
  const int64_t pos = attrs.Index("POSITION", accessors, true);
  const int64_t nor = attrs.Index("NORMAL", accessors);
  const int64_t uv = attrs.Index("TEXCOORD_0", accessors);
  const int64_t idx = f.Index("indices", accessors);
  p->material = f.Index("material", c.Count("materials"));
  p->mode = static_cast<int>(f.Int("mode", gltf::kTriangles, gltf::kPoints, gltf::kTriangleFan));
  if (c.faults.Any()) return false;
  if (p->mode < gltf::kTriangles) return true;  // nothing read of points and lines
  if (!ReadFloats(c, pos, 3, &p->positions)) return false;
  const size_t nv = p->positions.size() / 3;
  if (nor >= 0) {
    if (!ReadFloats(c, nor, 3, &p->normals)) return false;
    p->has_normals = p->normals.size() == p->positions.size();
  }
  if (uv >= 0) {
    if (!ReadFloats(c, uv, 2, &p->uvs)) return false;
    p->has_uvs = p->uvs.size() == nv * 2;
  }
  if (idx >= 0) return ReadIndices(c, idx, &p->indices);
  p->indices.resize(nv);
  for (size_t i = 0; i < nv; ++i) p->indices[i] = static_cast<uint32_t>(i);
  return true;
}

// The triangles of a primitive's index list in its mode, as corner triples.
void Triangles(const Primitive& p, std::vector<uint32_t>* out) {
  const std::vector<uint32_t>& ix = p.indices;
  const size_t n = ix.size();
  out->clear();
  if (p.mode == gltf::kTriangles) {
    out->assign(ix.begin(), ix.begin() + static_cast<std::ptrdiff_t>(n - n % 3));
  } else if (p.mode == gltf::kTriangleStrip) {
    // Every other triangle of a strip turns the other way round.
    for (size_t i = 2; i < n; ++i) {
      const bool odd = (i % 2) != 0;
      out->insert(out->end(), {ix[i - 2], odd ? ix[i] : ix[i - 1], odd ? ix[i - 1] : ix[i]});
    }
  } else if (p.mode == gltf::kTriangleFan) {
    for (size_t i = 2; i < n; ++i) out->insert(out->end(), {ix[0], ix[i - 1], ix[i]});
  }
}

}  // namespace

MMesh_P* ReadMesh(ImportContext& c, int64_t m, const std::string& name) {
  const std::string where = Where("meshes", static_cast<size_t>(m));
  Fields mesh(At(c.Top("meshes"), static_cast<size_t>(m)), where, c.faults);
  const Json* list = mesh.Array("primitives");
  if (c.faults.Any()) return nullptr;
  const size_t np = ArraySize(list);
  std::vector<Primitive> prims(np);
  bool all_normals = true, any_uvs = false;
  size_t vertices = 0, triangles = 0;
  long left_out = 0;
  for (size_t i = 0; i < np; ++i) {
    if (!ReadPrimitive(c, At(list, i), where + "." + Where("primitives", i), &prims[i])) return nullptr;
    if (prims[i].mode < gltf::kTriangles) {
      ++left_out;
      continue;
    }
    all_normals = all_normals && prims[i].has_normals;
    any_uvs = any_uvs || prims[i].has_uvs;
    vertices += prims[i].positions.size() / 3;
    const size_t n = prims[i].indices.size();
    triangles += prims[i].mode == gltf::kTriangles ? n / 3 : n > 2 ? n - 2 : 0;
  }
  if (left_out)
    c.run.log().write("%s: %ld primitives of points or lines left out\n", where.c_str(), left_out);
  if (vertices > static_cast<size_t>(INT32_MAX / 2) || triangles > static_cast<size_t>(INT32_MAX / 2)) {
    c.Fault(where, "holds " + std::to_string(vertices) + " vertices and " + std::to_string(triangles) +
                       " triangles, more than a mesh can");
    return nullptr;
  }

  auto* out = new MMesh_P(name.c_str());
  out->v_a->Reserve(static_cast<int>(vertices));
  out->f_a->Reserve(static_cast<int>(triangles));
  if (all_normals && vertices) {
    out->UseNormals();
    out->nv_a->Reserve(static_cast<int>(vertices));
    out->nf_a->Reserve(static_cast<int>(triangles));
  }
  if (any_uvs) {
    out->UseUV();
    out->uv_a->Reserve(static_cast<int>(vertices));
    out->uvf_a->Reserve(static_cast<int>(triangles));
  }
  const bool normals = out->NormalsUsed() != 0, uvs = out->UVUsed() != 0;
  std::vector<uint32_t> tris;
  long bad = 0, degenerate = 0;
  for (Primitive& p : prims) {
    if (p.mode < gltf::kTriangles) continue;
    const int base = out->Get_Vertex_Count();
    const size_t nv = p.positions.size() / 3;
    for (size_t v = 0; v < nv; ++v) {
      const float* q = &p.positions[v * 3];
      out->v_a->Add(MVector3(q[0], q[1], q[2]));
      if (normals) {
        const float* n = &p.normals[v * 3];
        out->nv_a->Add(MVector3(n[0], n[1], n[2]));
      }
      if (uvs) {
        // glTF's texture space starts at the image's top.
        if (p.has_uvs) out->uv_a->Add(MVector3(p.uvs[v * 2], 1.0 - p.uvs[v * 2 + 1], 0));
        else out->uv_a->Add(MVector3(0, 0, 0));
      }
    }
    out->surface_refs->Append(my_strdup(SurfaceOf(c, p.material).c_str()));
    const int mat = out->surface_refs->count - 1;
    Triangles(p, &tris);
    for (size_t t = 0; t + 2 < tris.size(); t += 3) {
      const uint32_t a = tris[t], b = tris[t + 1], d = tris[t + 2];
      if (a >= nv || b >= nv || d >= nv || !Finite(&p.positions[a * 3]) || !Finite(&p.positions[b * 3]) ||
          !Finite(&p.positions[d * 3])) {
        ++bad;
        continue;
      }
      // Strips and fans join their pieces with triangles of a repeated
      // corner; a list's triangles are kept as the file has them.
      if (p.mode != gltf::kTriangles && (a == b || b == d || a == d)) {
        ++degenerate;
        continue;
      }
      const int corners[3] = {base + static_cast<int>(a), base + static_cast<int>(b), base + static_cast<int>(d)};
      out->f_a->Add(corners, 3, mat);
      if (normals) out->nf_a->Add(corners, 3, mat);
      if (uvs) out->uvf_a->Add(corners, 3, mat);
    }
    // The primitive's arrays are done with: free them before the next.
    p = Primitive{};
  }
  if (bad)
    c.run.Warn("%s: %s: %ld triangles with a corner past its vertices or not finite left out", c.run.path().c_str(),
               where.c_str(), bad);
  if (degenerate) c.run.log().write("%s: %ld triangles with a repeated corner left out\n", where.c_str(), degenerate);
  return out;
}

}  // namespace kvgltf
