
#include <algorithm>

#include "3ds_export.h"
#include "plugin_framework.h"

namespace k3ds {

namespace {

void Progress3(long a, long b) {
  if (MessageCallBack1* cb = kvpf::CurrentCallbacks())
    if (cb->progress3) cb->progress3(a, b);
}

// The written faces (3 corners only, or quads the walk left to be split
// here) of a mesh with one position per vertex and, when mapped, one texture
// coordinate per vertex.
TriMesh Collect(MMesh_P& m, const MMatrix& local, const WalkOptions& opt, bool split_quads) {
  TriMesh t;
  const int nv = m.Get_Vertex_Count(), nf = m.Get_Face_Count();
  t.verts.resize(static_cast<size_t>(nv));
  for (int i = 0; i < nv; ++i) t.verts[i] = local.Transform(m.Get_Vertex(i));

  std::vector<int> faces;
  faces.reserve(static_cast<size_t>(nf));
  for (int f = 0; f < nf; ++f) {
    const MIPolygon& p = m.Get_IFace(f);
    if (p.count != 3 && !(split_quads && p.count == 4)) continue;
    bool ok = true;
    for (int c = 0; c < p.count; ++c) ok = ok && p.data[c] >= 0 && p.data[c] < nv;
    if (ok) faces.push_back(f);
  }
  // A quad goes as the triangulation splits it (kQuadHalves).
  t.tris.reserve(faces.size() * 3);
  t.mat.reserve(faces.size());
  for (int f : faces) {
    const MIPolygon& p = m.Get_IFace(f);
    for (int h = 0; h < p.count - 2; ++h) {
      for (int c : kQuadHalves[h]) t.tris.push_back(static_cast<uint32_t>(p.data[c]));
      t.mat.push_back(p.mat_id < 0 ? 0 : p.mat_id);
    }
  }

  if (m.UVUsed() && m.mapping_type == UV_MAP && m.uvf_a) {
    // The texture vertex a face gives a corner; the last assignment wins.
    t.uv.assign(static_cast<size_t>(nv) * 2, 0.0f);
    const int nuv = m.Get_UVVertex_Count();
    for (int f = 0; f < nf && f < m.Get_UVFace_Count(); ++f) {
      const MIPolygon& p = m.Get_IFace(f);
      const MIPolygon& u = m.uvf_a->data[f];
      for (int c = 0; c < p.count && c < u.count; ++c) {
        if (p.data[c] < 0 || p.data[c] >= nv || u.data[c] < 0 || u.data[c] >= nuv) continue;
        const MVector3& uv = m.Get_UVVertex(u.data[c]);
        t.uv[2 * p.data[c]] = static_cast<float>(uv.x);
        t.uv[2 * p.data[c] + 1] = static_cast<float>(uv.y);
      }
    }
  }

  if (m.NormalsUsed()) {
    t.normal_count = m.Get_NVertex_Count();
    if (opt.fast_smoothing) {
      t.smooth.assign(t.mat.size(), 1u);
    } else {
      // A quad's two triangles share its group.
      const std::vector<uint32_t> groups = SmoothingGroups(m, faces, Progress3);
      t.smooth.reserve(t.mat.size());
      for (size_t k = 0; k < faces.size(); ++k)
        t.smooth.insert(t.smooth.end(), static_cast<size_t>(m.Get_IFace(faces[k]).count - 2), groups[k]);
    }
  }

  for (int i = 0; m.surface_refs && i < m.surface_refs->count; ++i)
    t.materials.emplace_back(ref_name_or_empty(m.surface_refs, i));
  t.box_map = m.mapping_type == BOX;

  // The stored frame moves with the vertices.
  const MMatrix& w = m.transformation.world;
  for (int r = 0; r < 3; ++r) {
    MVector3 axis = local.NTransform(MVector3(w[r][0], w[r][1], w[r][2]));
    t.matrix[r][0] = axis.x, t.matrix[r][1] = axis.y, t.matrix[r][2] = axis.z, t.matrix[r][3] = 0;
  }
  MVector3 origin = local.Transform(MVector3(w[3][0], w[3][1], w[3][2]));
  t.matrix[3][0] = origin.x, t.matrix[3][1] = origin.y, t.matrix[3][2] = origin.z, t.matrix[3][3] = 1;
  return t;
}

// Texture vertex i already belongs to vertex i (as in meshes read from 3D
// Studio files): nothing for the UV optimisation to do, and the mesh keeps
// its own vertex numbering.
bool SharedUVIndices(MMesh_P& m) {
  if (!m.UVUsed() || !m.uvf_a || m.Get_UVFace_Count() != m.Get_Face_Count()) return false;
  const int n = std::min(m.Get_Vertex_Count(), m.Get_UVVertex_Count());
  for (int f = 0; f < m.Get_Face_Count(); ++f) {
    const MIPolygon& p = m.Get_IFace(f);
    const MIPolygon& u = m.uvf_a->data[f];
    if (p.count != u.count) return false;
    for (int c = 0; c < p.count; ++c)
      if (p.data[c] != u.data[c] || p.data[c] < 0 || p.data[c] >= n) return false;
  }
  return true;
}

}  // namespace

std::vector<TriMesh> SplitMesh(const TriMesh& m) {
  std::vector<TriMesh> pieces;
  std::vector<int> remap(m.verts.size(), -1);
  const int nf = m.FaceCount();
  int f = 0;
  while (f < nf || pieces.empty()) {
    TriMesh p;
    p.name = m.name + "_" + std::to_string(pieces.size());
    p.piece = static_cast<int>(pieces.size());
    p.normal_count = m.normal_count;
    p.materials = m.materials;
    p.box_map = m.box_map;
    p.matrix = m.matrix;
    p.hidden = m.hidden, p.matte = m.matte, p.cast_shadows = m.cast_shadows, p.receive_shadows = m.receive_shadows;
    std::vector<uint32_t> touched;
    for (; f < nf && p.FaceCount() < kMaxCount; ++f) {
      int fresh = 0;
      for (int c = 0; c < 3; ++c) fresh += remap[m.tris[3 * f + c]] < 0;
      if (p.VertexCount() + fresh > kMaxCount) break;
      for (int c = 0; c < 3; ++c) {
        uint32_t v = m.tris[3 * f + c];
        if (remap[v] < 0) {
          remap[v] = p.VertexCount();
          touched.push_back(v);
          p.verts.push_back(m.verts[v]);
          if (!m.uv.empty()) p.uv.insert(p.uv.end(), {m.uv[2 * v], m.uv[2 * v + 1]});
        }
        p.tris.push_back(static_cast<uint32_t>(remap[v]));
      }
      p.mat.push_back(m.mat[f]);
      if (!m.smooth.empty()) p.smooth.push_back(m.smooth[f]);
    }
    for (uint32_t v : touched) remap[v] = -1;
    pieces.push_back(std::move(p));
  }
  return pieces;
}

std::string UniqueNames::Get(const std::string& wanted) {
  std::string name = wanted.substr(0, max_len_);
  if (used_.insert(name).second) return name;
  for (int& n = last_n_[wanted];;) {
    std::string suffix = '_' + std::to_string(++n);
    name = wanted.substr(0, max_len_ > suffix.size() ? max_len_ - suffix.size() : 0) + suffix;
    if (used_.insert(name).second) return name;
  }
}

void ForEachMesh(MScene* scene, LogFile& log, MessageCallBack1* cb, const WalkOptions& opt,
                 const std::function<void(TriMesh&, int)>& write) {
  // The scene's walk gives the triangles; what is the format's own is one
  // texture coordinate per vertex and the 16-bit counts.
  MExportWalkOptions walk;
  walk.writer_splits_quads = true;  // Collect splits them
  ForEachExportMesh(scene, cb, walk, [&](const MExportMesh& item) {
    MMesh_P* mesh = item.mesh;
    const MObj3d* obj = item.source;
    MMesh_P* optimized = nullptr;
    const bool shared = SharedUVIndices(*mesh);
    if (mesh->UVUsed() && !shared) {
      mesh->SetFile(log.Get_FILE());
      if (opt.dump_meshes && log.Get_FILE()) mesh->Dump(log.Get_FILE());
      optimized = mesh->UV_OptimizeMesh(Progress3);
      mesh->UnSetFile();
      if (optimized) {
        if (opt.dump_meshes && log.Get_FILE()) optimized->Dump(log.Get_FILE());
      } else {
        // Written without texture coordinates rather than lost.
        log.write("UV optimization of %s failed, texture coordinates dropped\n", mesh->get_name());
      }
    }
    TriMesh t = Collect(optimized ? *optimized : *mesh, item.matrix, opt, item.split_quads);
    if (!optimized && !shared) t.uv.clear();
    delete optimized;
    t.name = obj->get_name() ? obj->get_name() : "";
    t.hidden = obj->hidden;
    t.matte = obj->flag4;
    t.cast_shadows = obj->cast_shadows;
    t.receive_shadows = obj->receive_shadows;

    if (t.VertexCount() > kMaxCount || t.FaceCount() > kMaxCount) {
      std::vector<TriMesh> pieces = SplitMesh(t);
      log.write("Mesh %s to big (%d vertices, %d faces)\n", t.name.c_str(), t.VertexCount(), t.FaceCount());
      log.write("Mesh %s split into %d meshes\n", t.name.c_str(), static_cast<int>(pieces.size()));
      t = TriMesh();
      for (TriMesh& p : pieces) write(p, item.index);
    } else {
      write(t, item.index);
    }
  });
}

}  // namespace k3ds
