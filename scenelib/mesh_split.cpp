// Splitting a mesh by material, and UV optimisation (one shared index for
// positions and UV coordinates).
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mesh.h"
#include "mesh_algo_internal.h"

namespace {

// True when every index of the key layer (UV faces when by_uv, else position
// faces) meets a single index of the other layer, so a shared index loses
// nothing.
bool OneToOne(const MFaceArray& pos, const MFaceArray& uv, bool by_uv, int count) {
  std::vector<int> other(static_cast<size_t>(count > 0 ? count : 0), -1);
  const int nf = pos.count < uv.count ? pos.count : uv.count;
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = pos.data[i];
    const MIPolygon& u = uv.data[i];
    const int n = f.count < u.count ? f.count : u.count;
    for (int c = 0; c < n; ++c) {
      const int k = by_uv ? u.data[c] : f.data[c], o = by_uv ? f.data[c] : u.data[c];
      if (k < 0 || k >= count) continue;
      int& seen = other[static_cast<size_t>(k)];
      if (seen == -1) seen = o;
      else if (seen != o) return false;
    }
  }
  return true;
}

// Copies the listed faces of one layer into dst, renumbering the vertices
// they use in first-use order.
void copy_layer(const MVertexArray* src_v, const MFaceArray* src_f, const std::vector<int>& faces,
                MVertexArray* dst_v, MFaceArray* dst_f, const MFaceArray* matid_from) {
  if (!src_v || !src_f || !dst_v || !dst_f) return;
  std::vector<int> remap(static_cast<size_t>(src_v->count), -1);
  dst_f->Reserve(static_cast<int>(faces.size()) + 1);
  MIPolygon p;
  for (size_t k = 0; k < faces.size(); ++k) {
    const int i = faces[k];
    p.count = 0;
    if (i < src_f->count) {
      const MIPolygon& f = src_f->data[i];
      p.Set_MatId(matid_from ? matid_from->data[i].mat_id : f.mat_id);
      for (int c = 0; c < f.count; ++c) {
        const int v = f.data[c];
        int nv;
        if (v >= 0 && v < src_v->count) {
          if (remap[v] < 0) remap[v] = dst_v->Add(src_v->data[v]);
          nv = remap[v];
        } else {
          nv = dst_v->Add(MVector3());  // a corrupt index gets a vertex of its own
        }
        p.Add(nv);
      }
    } else if (matid_from) {
      p.Set_MatId(matid_from->data[i].mat_id);
    }
    dst_f->Add(p);
  }
}

// The listed faces of a mesh as a new mesh of the same name and attributes.
MMesh_P* faces_as_mesh(MMesh_P& src, const std::vector<int>& faces) {
  MMesh_P* m = new MMesh_P(src.get_name());
  copy_layer(src.v_a, src.f_a, faces, m->v_a, m->f_a, nullptr);
  if (src.normals_used) {
    m->UseNormals();
    copy_layer(src.nv_a, src.nf_a, faces, m->nv_a, m->nf_a, nullptr);
  }
  if (src.uv_used) {
    m->UseUV();
    copy_layer(src.uv_a, src.uvf_a, faces, m->uv_a, m->uvf_a, nullptr);
  }
  src.CopyAttributes(*m);
  return m;
}

}  // namespace

MMesh_P* MMesh_P::SplitSurface(MProgressCallback cb, int matid) {
  if (log_file) fprintf(log_file, "Mesh Surface Splitting (%d)...\n", matid);
  const int nf = Get_Face_Count();
  std::vector<int> faces;
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    if (f_a->data[i].mat_id == matid) faces.push_back(i);
  }
  if (faces.empty()) return nullptr;
  MMesh_P* m = faces_as_mesh(*this, faces);
  char name_buf[1024];
  snprintf(name_buf, sizeof name_buf, "%s%d", get_name() ? get_name() : "", matid);
  m->set_name(name_buf);
  return m;
}

MMesh_P* MMesh_P::SplitOtherSurfaces(MProgressCallback cb, int count) {
  const int nf = Get_Face_Count();
  std::vector<int> faces;
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    const int id = f_a->data[i].mat_id;
    if (id < 0 || id >= count) faces.push_back(i);
  }
  if (faces.empty()) return nullptr;
  return faces_as_mesh(*this, faces);
}

MMesh_P* MMesh_P::SplitAtSeams(MProgressCallback cb) {
  // One new vertex per distinct (position, texture vertex) pair, numbered
  // in first-use order; each face's new corners are noted on the way.
  const int nf = Get_Face_Count(), nv = Get_Vertex_Count(), nuv = Get_UVVertex_Count();
  std::unordered_map<uint64_t, int> index;
  index.reserve(static_cast<size_t>(nv > nuv ? nv : nuv) * 2);
  std::vector<std::pair<int, int>> pairs;
  std::vector<int32_t> corners;             // every face's new corners, in face order
  std::vector<size_t> first(static_cast<size_t>(nf) + 1, 0);  // face i: corners[first[i], first[i+1])
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = f_a->data[i];
    const MIPolygon& uf = uvf_a->data[i];
    const int n = f.count < uf.count ? f.count : uf.count;
    for (int c = 0; c < n; ++c) {
      const int pi = f.data[c], ui = uf.data[c];
      if (pi < 0 || pi >= nv || ui < 0 || ui >= nuv) continue;
      const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(pi)) << 32) | static_cast<uint32_t>(ui);
      auto it = index.try_emplace(key, static_cast<int>(pairs.size())).first;
      if (it->second == static_cast<int>(pairs.size())) pairs.emplace_back(pi, ui);
      corners.push_back(it->second);
    }
    first[static_cast<size_t>(i) + 1] = corners.size();
  }
  const int count = static_cast<int>(pairs.size());
  MMesh_P* m = new MMesh_P(count, nf, get_name());
  m->UseUV(count, nf);
  for (int k = 0; k < count; ++k) {
    m->v_a->data[k] = v_a->data[pairs[static_cast<size_t>(k)].first];
    m->uv_a->data[k] = uv_a->data[pairs[static_cast<size_t>(k)].second];
  }
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    m->f_a->data[i] = MIPolygon(0);
    m->uvf_a->data[i] = MIPolygon(0);
    for (size_t c = first[static_cast<size_t>(i)]; c < first[static_cast<size_t>(i) + 1]; ++c) {
      m->f_a->data[i].Add(corners[c]);
      m->uvf_a->data[i].Add(corners[c]);
    }
    m->f_a->data[i].mat_id = f_a->data[i].mat_id;
    m->uvf_a->data[i].mat_id = f_a->data[i].mat_id;
  }
  if (normals_used) {
    m->UseNormals();
    *m->nv_a = *nv_a;
    *m->nf_a = *nf_a;
  }
  CopyAttributes(*m);
  return m;
}

MMesh_P* MMesh_P::UV_OptimizeMesh(MProgressCallback cb) {
  if (!uv_used || !uv_a || !uvf_a) return nullptr;
  if (log_file) fprintf(log_file, "UV Optimizing ...\n");
  Weld(cb, 1e-6);
  const int nf = Get_Face_Count();
  if (nf != Get_UVFace_Count()) return nullptr;
  const int nv = Get_Vertex_Count(), nuv = Get_UVVertex_Count();
  if (log_file) {
    fprintf(log_file, "Statistics:\n");
    fprintf(log_file, "Old:\n");
    fprintf(log_file, "Vertex Count:   %d\n", nv);
    fprintf(log_file, "UVVertex Count: %d\n", nuv);
  }
  const bool by_uv = nv < nuv;
  if (log_file) fprintf(log_file, by_uv ? "Vertex Count < UVVertex Count\n" : "Vertex Count >= UVVertex Count\n");
  if (!OneToOne(*f_a, *uvf_a, by_uv, by_uv ? nuv : nv)) {
    MMesh_P* m = SplitAtSeams(cb);
    if (log_file) {
      fprintf(log_file, "Vertices split at texture seams\n");
      fprintf(log_file, "New:\n");
      fprintf(log_file, "Vertex Count:   %d\n", m->Get_Vertex_Count());
      fprintf(log_file, "UVVertex Count: %d\n", m->Get_UVVertex_Count());
    }
    return m;
  }
  const int count = by_uv ? nuv : nv;
  MMesh_P* m = new MMesh_P(count, nf, get_name());
  m->UseUV(count, nf);
  for (int i = 0; i < nf; ++i) {
    kvmesh::progress(cb, i, nf);
    const MIPolygon& f = f_a->data[i];
    const MIPolygon& uf = uvf_a->data[i];
    const int corners = f.count < uf.count ? f.count : uf.count;
    const MIPolygon& shared = by_uv ? uf : f;
    for (int c = 0; c < corners; ++c) {
      const int pi = f.data[c], ui = uf.data[c];
      const int k = by_uv ? ui : pi;
      if (k < 0 || k >= count) continue;
      m->v_a->data[k] = kvmesh::vertex_at(v_a, pi);
      m->uv_a->data[k] = kvmesh::vertex_at(uv_a, ui);
    }
    // Both faces take the shared corner list; the position face keeps its
    // material id even when the list comes from the UV face.
    m->f_a->data[i] = shared;
    m->f_a->data[i].mat_id = f.mat_id;
    m->uvf_a->data[i] = shared;
  }
  if (normals_used) {
    m->UseNormals();
    *m->nv_a = *nv_a;
    *m->nf_a = *nf_a;
  }
  CopyAttributes(*m);
  if (log_file) {
    fprintf(log_file, "New:\n");
    fprintf(log_file, "Vertex Count:   %d\n", m->Get_Vertex_Count());
    fprintf(log_file, "UVVertex Count: %d\n", m->Get_UVVertex_Count());
  }
  return m;
}
