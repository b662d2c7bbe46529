#include "export_walk.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "camera.h"
#include "mesh.h"
#include "mscene.h"
#include "solids.h"

bool m_all_triangles(MMesh_P* m) {
  const int n = m->Get_Face_Count();
  for (int i = 0; i < n; ++i)
    if (m->Get_VertexperFace_Count(i) != 3) return false;
  auto layer_fits = [&](MFaceArray* layer) {
    if (!layer) return true;
    if (layer->count != n) return false;
    for (int i = 0; i < n; ++i)
      if (layer->data[i].count != 3) return false;
    return true;
  };
  if (m->NormalsUsed() && !layer_fits(m->nf_a)) return false;
  if (m->UVUsed() && !layer_fits(m->uvf_a)) return false;
  return true;
}

bool m_layer_fits(MMesh_P* m, const MFaceArray* layer, int vertex_count) {
  const int n = m->Get_Face_Count();
  if (!layer || layer->count < n) return false;
  for (int i = 0; i < n; ++i) {
    const MIPolygon& f = layer->data[i];
    if (f.count != m->f_a->data[i].count) return false;
    for (int c = 0; c < f.count; ++c)
      if (f.data[c] < 0 || f.data[c] >= vertex_count) return false;
  }
  return true;
}

MCamera* m_active_camera(MScene* scene) {
  const int n = scene && scene->cameras ? scene->cameras->count : 0;
  if (n == 0) return nullptr;
  const int active = scene->options.active_camera;
  return static_cast<MCamera*>(scene->cameras->GetAt(active >= 0 && active < n ? active : 0));
}

MExportLayers m_export_layers(MMesh_P* m) {
  MExportLayers l;
  l.normals = m->NormalsUsed() && m_layer_fits(m, m->nf_a, m->Get_NVertex_Count());
  l.uvs = m->UVUsed() && m->mapping_type == UV_MAP && m_layer_fits(m, m->uvf_a, m->Get_UVVertex_Count());
  return l;
}

MTriangleCorners m_triangle_corners(MMesh_P* m, const MExportLayers& layers) {
  MTriangleCorners out;
  const int nv = m->Get_Vertex_Count();
  for (int f = 0; f < m->Get_Face_Count(); ++f) {
    const MIPolygon& p = m->f_a->data[f];
    bool ok = p.count >= 3;
    for (int c = 0; c < p.count && ok; ++c) ok = p.data[c] >= 0 && p.data[c] < nv;
    if (!ok) continue;
    for (int k = 1; k + 1 < p.count; ++k) {
      for (int c : {0, k, k + 1}) {
        out.positions.push_back(p.data[c]);
        out.normals.push_back(layers.normals ? m->nf_a->data[f].data[c] : -1);
        out.uvs.push_back(layers.uvs ? m->uvf_a->data[f].data[c] : -1);
      }
    }
  }
  return out;
}

namespace {

// The triangulated copy of mesh an earlier export cached in scene, or null.
MMesh_P* CachedTriangles(MScene* scene, MMesh_P* mesh) {
  if (!scene || !mesh->get_name()) return nullptr;
  MObj3d* cached = scene->GetTriObjectbyName(mesh->get_name());
  // The copies list may hold other kinds of objects under the same name.
  return cached && cached->get_type() == MESH2 ? static_cast<MMesh_P*>(cached) : nullptr;
}

long DrawnFaces(MMesh_P* mesh) {
  long n = 0;
  const int faces = mesh->Get_Face_Count();
  for (int i = 0; i < faces; ++i) n += mesh->Get_VertexperFace_Count(i) >= 3 ? 1 : 0;
  return n;
}

bool AtMostQuads(MMesh_P* m) {
  for (int i = 0; i < m->Get_Face_Count(); ++i)
    if (m->Get_VertexperFace_Count(i) > 4) return false;
  return true;
}

int CountNgons(MMesh_P* m) {
  int n = 0;
  for (int i = 0; i < m->Get_Face_Count(); ++i) n += m->Get_VertexperFace_Count(i) > 3;
  return n;
}

// The triangles of mesh: itself when it has nothing else, the copy an
// earlier export cached in scene (null: none to look at), or a new copy
// (kept in the scene when caching, else in made for the rest of the walk).
MMesh_P* Triangles(MScene* scene, MMesh_P* mesh, MessageCallBack1* cb, bool cache,
                   std::unordered_map<MMesh_P*, std::unique_ptr<MMesh_P>>* made) {
  if (m_all_triangles(mesh)) return mesh;
  if (MMesh_P* cached = CachedTriangles(scene, mesh)) return cached;
  if (made) {
    auto it = made->find(mesh);
    if (it != made->end()) return it->second ? it->second.get() : mesh;
  }
  if (cb && cb->msg3) cb->msg3("Triangulating ...");
  MMesh_P* tri = mesh->Triangulate(cb ? cb->progress3 : nullptr);
  if (cb && cb->msg3) cb->msg3("");
  if (!tri || tri->Get_Face_Count() == 0) {
    // Nothing to write from: the mesh itself is passed on, and writers
    // skip its faces of fewer than three corners.
    delete tri;
    tri = nullptr;
  }
  if (cache && scene && tri) {
    scene->tri_objects->Append(tri);
  } else if (made) {
    (*made)[mesh].reset(tri);
  } else {
    delete tri;
    tri = nullptr;
  }
  return tri ? tri : mesh;
}

// The triangles the walk writes of mesh (no copy made).
long MeshTriangles(MScene* scene, const MExportMesh& m) {
  MMesh_P* mesh = m.mesh;
  if (!m_all_triangles(mesh)) {
    // What Triangles() would hand on: a solid's mesh is never cached.
    MMesh_P* cached = m.source->get_type() == MESH2 ? CachedTriangles(scene, mesh) : nullptr;
    if (cached) {
      mesh = cached;
    } else {
      const long made = mesh->Count_Triangles();
      // No copy is made when it would hold nothing or the faces' count:
      // the mesh itself is written then.
      if (made > 0 && made != mesh->Get_Face_Count() && made <= 0x7fffffffL) return made;
    }
  }
  return DrawnFaces(mesh);
}

// A solid's mesh has the same faces whatever its size, as long as the size
// is a plain positive number: such solids are counted once per shape.
struct SolidShape {
  int32_t type, a, b;
  bool operator==(const SolidShape& o) const { return type == o.type && a == o.a && b == o.b; }
};
struct SolidShapeHash {
  size_t operator()(const SolidShape& k) const {
    return std::hash<uint64_t>()((static_cast<uint64_t>(static_cast<uint32_t>(k.a)) << 32) ^
                                 static_cast<uint32_t>(k.b) ^ (static_cast<uint64_t>(k.type) << 60));
  }
};

bool Plain(double v) { return std::isfinite(v) && v > 0; }

bool ShapeOf(const MSolid* solid, SolidShape* key) {
  if (solid->solid_type == SOLID_SPHERE) {
    const MSphere* s = static_cast<const MSphere*>(solid);
    *key = {SOLID_SPHERE, s->segment, 0};
    return Plain(s->radius);
  }
  if (solid->solid_type == SOLID_CYLINDER) {
    const MCylinder* c = static_cast<const MCylinder*>(solid);
    *key = {SOLID_CYLINDER, c->segment_l, c->segment_r};
    return Plain(c->radius) && Plain(c->length);
  }
  return false;
}

// What a listed object writes: itself, or for a reference the object it
// names; null for a reference naming nothing or another reference.
MObj3d* ListedSource(MScene* scene, MObj3d* obj) {
  if (!obj || obj->get_type() != OREF) return obj;
  MObj3d* named = scene->GetObjectbyName(static_cast<MRefObj*>(obj)->Get_RefName());
  return named && named->get_type() != OREF ? named : nullptr;
}

// The export walk; take_solid, when set, sees each solid first and may
// take it without its mesh being made.
int WalkExportMeshes(MScene* scene, MessageCallBack1* cb, const MExportWalkOptions& options,
                     const std::function<void(const MExportMesh&)>& fn,
                     const std::function<bool(MSolid*)>& take_solid) {
  if (!scene || !scene->objects) return 0;
  const int count = scene->objects->count;
  int written = 0;
  const bool cache = options.cache && scene->keep_export_copies;
  // Without caching, a copy lives until the last object of the list that
  // writes its mesh: a mesh named by several references is triangulated
  // once, and the copies of a scene of many meshes are never all held.
  std::unordered_map<MMesh_P*, std::unique_ptr<MMesh_P>> made;
  std::vector<MMesh_P*> mesh_at;           // the mesh object k writes, or null
  std::unordered_map<MMesh_P*, int> last;  // the last k writing each mesh
  if (options.triangulate && !cache) {
    mesh_at.assign(static_cast<size_t>(count), nullptr);
    for (int k = 0; k < count; ++k) {
      MObj3d* source = ListedSource(scene, static_cast<MObj3d*>(scene->objects->GetAt(k)));
      if (source && source->get_type() == MESH2) {
        mesh_at[static_cast<size_t>(k)] = static_cast<MMesh_P*>(source);
        last[static_cast<MMesh_P*>(source)] = k;
      }
    }
  }
  for (int k = 0; k < count; ++k) {
    if (k > 0 && !mesh_at.empty()) {
      MMesh_P* before = mesh_at[static_cast<size_t>(k) - 1];
      if (before && last[before] == k - 1) made.erase(before);
    }
    MObj3d* obj = static_cast<MObj3d*>(scene->objects->GetAt(k));
    if (!obj) continue;
    if (options.report_objects && cb) {
      if (cb->msg2) cb->msg2("%s", obj->get_name() ? obj->get_name() : "");
      if (cb->progress2) cb->progress2(k, count);
    }
    MObj3d* source = ListedSource(scene, obj);
    if (!source) continue;
    if (options.skip_hidden && (obj->hidden || source->hidden)) continue;
    if (options.skip_hidden_meshes && source->get_type() == MESH2 && source->hidden) continue;

    MMesh_P* mesh = nullptr;
    std::unique_ptr<MMesh_P> temp;  // a solid's mesh, freed after the call
    std::unique_ptr<MMesh_P> solid_tris;
    bool quads_kept = false;  // for the writer to split
    if (source->get_type() == MESH2) {
      mesh = static_cast<MMesh_P*>(source);
      quads_kept = options.triangulate && options.writer_splits_quads && !m_all_triangles(mesh) &&
                   !CachedTriangles(scene, mesh) && AtMostQuads(mesh);
      if (options.triangulate && !quads_kept)
        mesh = Triangles(scene, mesh, cb, cache, cache ? nullptr : &made);
    } else if (source->get_type() == TSOLID) {
      if (take_solid && take_solid(static_cast<MSolid*>(source))) continue;
      temp.reset(static_cast<MSolid*>(source)->Get_Mesh());
      mesh = temp.get();
      if (mesh && options.triangulate) {
        std::unordered_map<MMesh_P*, std::unique_ptr<MMesh_P>> once;
        mesh = Triangles(nullptr, mesh, cb, false, &once);
        if (!once.empty()) solid_tris = std::move(once.begin()->second);
      }
    }
    if (!mesh) continue;

    MExportMesh item;
    // A triangulated copy stands for the mesh: what it split is counted.
    MMesh_P* stored = source->get_type() == MESH2 ? static_cast<MMesh_P*>(source) : temp.get();
    if (stored && (mesh != stored || quads_kept)) item.ngons = CountNgons(stored);
    item.split_quads = quads_kept;
    item.object = obj;
    item.source = source;
    item.mesh = mesh;
    item.matrix = obj->transformation.Get_LocalMatrix();
    item.index = k;
    item.count = count;
    fn(item);
    ++written;
  }
  return written;
}

}  // namespace

int ForEachExportMesh(MScene* scene, MessageCallBack1* cb, const MExportWalkOptions& options,
                      const std::function<void(const MExportMesh&)>& fn) {
  return WalkExportMeshes(scene, cb, options, fn, nullptr);
}

long m_export_triangle_count(MScene* scene, const MExportWalkOptions& options) {
  MExportWalkOptions walk = options;
  walk.triangulate = false;
  walk.cache = false;
  walk.report_objects = false;
  long total = 0;
  std::unordered_map<SolidShape, long, SolidShapeHash> by_shape;
  // Solids come here before their mesh is made; true: counted without it.
  auto solid = [&](MSolid* s) {
    SolidShape key;
    if (!ShapeOf(s, &key)) return false;
    auto it = by_shape.find(key);
    if (it == by_shape.end()) return false;
    total += it->second;
    return true;
  };
  WalkExportMeshes(scene, nullptr, walk, [&](const MExportMesh& m) {
    const long n = MeshTriangles(scene, m);
    SolidShape key;
    if (m.source->get_type() == TSOLID && ShapeOf(static_cast<MSolid*>(m.source), &key)) by_shape[key] = n;
    total += n;
  }, solid);
  return total;
}
