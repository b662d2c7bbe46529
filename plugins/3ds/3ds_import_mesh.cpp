// Triangle meshes: vertices, faces, material groups or box map, normals
// from smoothing groups, texture coordinates, object flags and matrix.
#include <cmath>
#include <string>
#include <vector>

#include "3ds_import.h"
#include "korvanelib.h"

namespace imp3ds {
namespace {

const char kDefault[] = "DEFAULT";

// Corner normals from smoothing groups: the faces of a vertex that share a
// group with the face (growing the mask along the vertex's faces) are summed.
void SmoothNormals(Context& ctx, MMesh_P* m, const std::vector<int32_t>& tri, const std::vector<uint32_t>& groups) {
  const int nv = m->Get_Vertex_Count();
  const int nf = static_cast<int>(tri.size() / 3);
  std::vector<MVector3> fn(static_cast<size_t>(nf));
  for (int f = 0; f < nf; ++f) fn[f] = m->Calculate_Normal(f);
  kvmesh::VertexFaces vf;
  vf.build(m->f_a, nv, -1);
  // The normal of a corner depends only on its vertex and its face's mask,
  // so each (vertex, mask) pair is summed once: fans of thousands of faces
  // around one vertex stay linear.
  // The normal index is kept with it: an equal normal always finds the
  // entry it found the first time, so the hash is asked once per pair.
  struct Known {
    uint32_t mask;
    int index;
  };
  // Nearly every vertex has one mask: its first pair is kept in place, the
  // rare further ones in a list made when first needed.
  std::vector<Known> first(static_cast<size_t>(nv), Known{0, -1});
  std::vector<std::vector<Known>> more;

  m->UseNormals();
  m->nf_a->Reserve(nf);
  // Smooth meshes have about one normal per vertex; more grow the array.
  m->nv_a->Reserve(nv);
  MHash_V hash(m->nv_a, 3 * nf > 0 ? 3 * nf : 1);
  hash.Set_Tolerance(1e-6);
  auto index_of = [&](const MVector3& n) {
    int found = hash.Get_Vertex_Index(n);
    if (found < 0) {
      found = m->Add_NVertex(n, -1.0);
      hash.Add_Vertex_Index(n, found);
    }
    return found;
  };
  Phase(ctx, "normal vertices");
  for (int f = 0; f < nf; ++f) {
    Tick(ctx, f, nf);
    int32_t idx[3];
    const uint32_t s = groups[f];
    for (int c = 0; c < 3; ++c) {
      if (s == 0) {
        idx[c] = index_of(fn[f]);
        continue;
      }
      const int v = tri[3 * f + c];
      int found = first[v].index >= 0 && first[v].mask == s ? first[v].index : -1;
      if (found < 0 && !more.empty())
        for (const Known& e : more[v])
          if (e.mask == s) {
            found = e.index;
            break;
          }
      if (found < 0) {
        uint32_t mask = s;
        for (int k = vf.start[v]; k < vf.start[v + 1]; ++k)
          if (mask & groups[vf.faces[k]]) mask |= groups[vf.faces[k]];
        MVector3 sum(0, 0, 0);
        for (int k = vf.start[v]; k < vf.start[v + 1]; ++k) {
          const int g = vf.faces[k];
          if ((mask & groups[g]) && !(fn[g] == sum)) sum = sum + fn[g];
        }
        found = index_of(vect_normalize(sum));
        if (first[v].index < 0) {
          first[v] = Known{s, found};
        } else {
          if (more.empty()) more.resize(static_cast<size_t>(nv));
          more[v].push_back(Known{s, found});
        }
      }
      idx[c] = found;
    }
    m->nf_a->Add(idx, 3, m->f_a->data[f].mat_id);
  }
}

double CleanUV(float x) { return (std::fabs(x) < 1e-6f || std::fabs(x) > 1e6f || !std::isfinite(x)) ? 0.0 : double(x); }

}  // namespace

MMesh_P* BuildMesh(Context& ctx, const k3ds::Chunk& obj, const k3ds::Chunk& tri_chunk, const std::string& name) {
  k3ds::ErrorList& err = ctx.err;
  std::vector<float> pos;
  uint32_t nv = 0;
  if (const k3ds::Chunk* c = tri_chunk.Find(kPointArray)) {
    k3ds::Reader r(*c, &err);
    nv = r.FitCount(r.Word(), 12);
    pos.resize(3 * static_cast<size_t>(nv));
    for (float& x : pos) x = r.Float();
  }
  std::vector<int32_t> tri;
  std::vector<uint32_t> groups;
  std::vector<int> matid;
  std::vector<std::string> mats;
  bool bad_index = false, box = false, smoothing = false;
  std::vector<int> face_map;  // file face -> kept face, -1 dropped
  const k3ds::Chunk* faces = tri_chunk.Find(kFaceArray);
  if (faces) {
    k3ds::Reader r(*faces, &err);
    uint32_t n = r.FitCount(r.Word(), 8);
    tri.reserve(3 * static_cast<size_t>(n));
    face_map.assign(n, -1);
    for (uint32_t i = 0; i < n; ++i) {
      uint16_t a = r.Word(), b = r.Word(), c = r.Word();
      r.Word();
      if (a >= nv || b >= nv || c >= nv) {
        // A corner past the vertex list cannot be drawn: the face is dropped.
        bad_index = true;
        continue;
      }
      face_map[i] = static_cast<int>(tri.size() / 3);
      tri.insert(tri.end(), {a, b, c});
    }
  }
  const int nf = static_cast<int>(tri.size() / 3);
  matid.assign(static_cast<size_t>(nf), 0);
  Phase(ctx, "mat id");
  if (const k3ds::Chunk* bm = faces ? faces->Find(kMshBoxmap) : nullptr) {
    box = true;
    k3ds::Reader br(*bm, &err);
    for (int i = 0; i < 6; ++i) mats.push_back(br.String(MSRF_NAME_LEN - 1));
  } else {
    mats.push_back(kDefault);
    static const std::vector<k3ds::Chunk> kNoKids;
    for (const k3ds::Chunk& g : faces ? faces->kids : kNoKids) {
      if (g.id != kMshMatGroup) continue;
      k3ds::Reader gr(g, &err);
      mats.push_back(gr.String(MSRF_NAME_LEN - 1));
      const int id = static_cast<int>(mats.size()) - 1;
      uint32_t cnt = gr.FitCount(gr.Word(), 2);
      for (uint32_t k = 0; k < cnt; ++k) {
        Tick(ctx, k, cnt);
        uint16_t f = gr.Word();
        if (f < face_map.size() && face_map[f] >= 0) matid[face_map[f]] = id;
      }
    }
  }
  if (const k3ds::Chunk* s = faces ? faces->Find(kSmoothGroup) : nullptr) {
    smoothing = true;
    k3ds::Reader sr(*s, &err);
    groups.assign(static_cast<size_t>(nf), 0);
    size_t count = sr.Left() / 4;
    for (size_t i = 0; i < count && i < face_map.size(); ++i) {
      uint32_t g = sr.Dword();
      if (face_map[i] >= 0) groups[face_map[i]] = g;
    }
  }
  std::vector<float> uv;
  uint32_t nuv = 0;
  const k3ds::Chunk* uv_chunk = tri_chunk.Find(kTexVerts);
  if (uv_chunk) {
    k3ds::Reader r(*uv_chunk, &err);
    nuv = r.FitCount(r.Word(), 8);
    uv.resize(2 * static_cast<size_t>(nuv));
    for (float& x : uv) x = r.Float();
  }
  float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  const k3ds::Chunk* mx = tri_chunk.Find(kMeshMatrix);
  if (mx) {
    k3ds::Reader r(*mx, &err);
    for (float& x : matrix) x = r.Float();
  }
  if (Failed(ctx, "GetMeshByName3ds", name.c_str())) return nullptr;

  MMesh_P* m = new MMesh_P(name.c_str());
  ctx.log.write("Working on: %s\n", name.c_str());
  if (bad_index) ctx.log.write("Faces with vertex indices past %u dropped\n", nv);
  if (box) m->mapping_type = BOX;
  for (const std::string& s : mats) m->surface_refs->Append(my_strdup(s.c_str()));
  ctx.log.write("Vertices: %d\n", static_cast<int>(nv));
  Phase(ctx, "vertices");
  // The counts were checked against the chunk sizes.
  m->v_a->Reserve(static_cast<int>(nv));
  m->f_a->Reserve(nf);
  for (uint32_t i = 0; i < nv; ++i) {
    Tick(ctx, i, nv);
    m->v_a->Add(MVector3(pos[3 * i], pos[3 * i + 1], pos[3 * i + 2]));
  }
  ctx.log.write("Faces: %d\n", nf);
  ctx.log.write("MatId's: %d\n", box ? 0 : static_cast<int>(mats.size()) - 1);
  Phase(ctx, "faces");
  for (int f = 0; f < nf; ++f) {
    Tick(ctx, f, nf);
    m->f_a->Add(&tri[3 * static_cast<size_t>(f)], 3, matid[f]);
  }
  if (smoothing) {
    SmoothNormals(ctx, m, tri, groups);
    ctx.log.write("Normals: %d\n", nf);
  }
  if (uv_chunk) {
    ctx.log.write("UVVertices: %d\n", static_cast<int>(nuv));
    m->UseUV(static_cast<int>(nv), 0);  // the faces are copied whole below
    Phase(ctx, "uv vertices");
    for (uint32_t i = 0; i < nv; ++i) {
      Tick(ctx, i, nv);
      // Vertices beyond the stored texture vertices get (0, 0).
      double u = i < nuv ? CleanUV(uv[2 * i]) : 0.0, v = i < nuv ? CleanUV(uv[2 * i + 1]) : 0.0;
      m->Set_UVVertex_Array(static_cast<int>(i), MVector3(u, v, 0));
    }
    *m->uvf_a = *m->f_a;  // texture vertices share the vertices' indices
  }
  m->hidden = obj.Find(kObjHidden) ? 1 : 0;
  m->cast_shadows = obj.Find(kObjDoesntCast) ? 0 : 1;
  m->receive_shadows = obj.Find(kObjDontRcvShadow) ? 0 : 1;
  m->flag4 = obj.Find(kObjMatte) ? 1 : 0;  // matte
  if (mx) {
    // Vertices are already in world space; the matrix only records the
    // object's frame. It is kept where no exporter moves vertices by it.
    MMatrix& w = m->transformation.world;
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 3; ++col) w[row][col] = matrix[3 * row + col];
      w[row][3] = row == 3 ? 1.0 : 0.0;
    }
  }
  return m;
}

}  // namespace imp3ds
