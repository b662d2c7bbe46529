// The scene gathered for drawing: each mesh's faces as triangles in scene
// coordinates, grouped by surface, with the file's normals or smoothed ones
// and the texture coordinates of mapped meshes.
#include <algorithm>
#include <cmath>
#include <string>

#include "export_walk.h"
#include "mesh.h"
#include "mihandler.h"
#include "mscene.h"
#include "render_private.h"
#include "surface.h"

namespace kvrender {
namespace {

constexpr double kDullestExponent = 8;

void Grow(SceneGeometry* g, const MVector3& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
  if (g->empty) {
    g->lo = g->hi = p;
    g->empty = false;
    return;
  }
  g->lo = MVector3(std::fmin(g->lo.x, p.x), std::fmin(g->lo.y, p.y), std::fmin(g->lo.z, p.z));
  g->hi = MVector3(std::fmax(g->hi.x, p.x), std::fmax(g->hi.y, p.y), std::fmax(g->hi.z, p.z));
}

void Put3(std::vector<float>& out, const MVector3& v) {
  out.push_back(static_cast<float>(v.x));
  out.push_back(static_cast<float>(v.y));
  out.push_back(static_cast<float>(v.z));
}

// The scene's surface index of each material id of a mesh (-1: none).
std::vector<int> SurfacesOf(MScene* scene, MObj3d* source, MMesh_P* mesh) {
  std::vector<int> out;
  MList* refs = mesh->surface_refs ? mesh->surface_refs : source->surface_refs;
  const int n = refs ? refs->count : 0;
  for (int i = 0; i < n; ++i) {
    const char* name = static_cast<const char*>(refs->GetAt(i));
    out.push_back(name ? scene->GetIndexMaterialbyName(name) : -1);
  }
  return out;
}

class Gatherer {
 public:
  Gatherer(MScene* scene, SceneGeometry* g) : scene_(scene), g_(g) {}

  void Add(const MExportMesh& item, bool highlighted) {
    MMesh_P* m = item.mesh;
    const int nv = m->Get_Vertex_Count();
    const MExportLayers layers = m_export_layers(m);
    const std::vector<int> surfaces = SurfacesOf(scene_, item.source, m);
    const bool solid = item.source->get_type() == TSOLID;
    std::vector<MVector3> smooth;
    if (!layers.normals) smooth = m_corner_normals(m, kSmoothingAngle);
    size_t corner0 = 0;  // the face's first corner in smooth
    for (int f = 0; f < m->Get_Face_Count(); corner0 += static_cast<size_t>(m->f_a->data[f].count), ++f) {
      const MIPolygon& p = m->f_a->data[f];
      bool ok = p.count >= 3;
      for (int c = 0; c < p.count && ok; ++c) ok = p.data[c] >= 0 && p.data[c] < nv;
      if (!ok) continue;
      const int id = solid ? 0 : p.mat_id;
      const int surface = id >= 0 && id < static_cast<int>(surfaces.size()) ? surfaces[id] : -1;
      DrawBatch& b = BatchOf(surface, highlighted);
      for (int c = 1; c + 1 < p.count; ++c) {
        const int corners[3] = {0, c, c + 1};
        for (int k : corners) {
          const MVector3 pos = item.matrix.Transform(m->Get_Vertex(p.data[k]));
          Put3(b.xyz, pos);
          MVector3 n = layers.normals ? m->Get_NVertex(m->nf_a->data[f].data[k]) : smooth[corner0 + k];
          n = vect_normalize(item.matrix.NTransform(n));
          Put3(b.normal, n);
          if (layers.uvs) {
            const MVector3& t = m->Get_UVVertex(m->uvf_a->data[f].data[k]);
            b.uv.push_back(static_cast<float>(t.x));
            b.uv.push_back(static_cast<float>(t.y));
          }
        }
      }
      // A batch is mapped when all of its meshes are; else nothing in it is.
      if (!layers.uvs) unmapped_[static_cast<size_t>(&b - g_->batches.data())] = true;
    }
  }

  void Finish() {
    for (size_t i = 0; i < g_->batches.size(); ++i)
      if (unmapped_[i] || g_->batches[i].uv.size() / 2 != g_->batches[i].xyz.size() / 3) g_->batches[i].uv.clear();
  }

 private:
  DrawBatch& BatchOf(int surface, bool highlighted) {
    for (DrawBatch& b : g_->batches)
      if (b.surface == surface && b.highlighted == highlighted) return b;
    g_->batches.emplace_back();
    g_->batches.back().surface = surface;
    g_->batches.back().highlighted = highlighted;
    unmapped_.push_back(false);
    return g_->batches.back();
  }

  MScene* scene_;
  SceneGeometry* g_;
  std::vector<bool> unmapped_;
};

MExportWalkOptions DrawWalk() {
  MExportWalkOptions walk;
  walk.skip_hidden_meshes = true;
  walk.report_objects = false;
  return walk;
}

}  // namespace

SceneGeometry CollectGeometry(MScene* scene, bool bounds_only, const std::vector<const MObj3d*>* highlight) {
  SceneGeometry g;
  if (!scene) return g;
  Gatherer gather(scene, &g);
  std::vector<const MObj3d*> lit;
  if (highlight) lit = *highlight;
  std::sort(lit.begin(), lit.end());
  ForEachExportMesh(scene, nullptr, DrawWalk(), [&](const MExportMesh& item) {
    MMesh_P* m = item.mesh;
    for (int i = 0; i < m->Get_Vertex_Count(); ++i) Grow(&g, item.matrix.Transform(m->Get_Vertex(i)));
    if (!bounds_only) gather.Add(item, std::binary_search(lit.begin(), lit.end(), item.object));
  });
  gather.Finish();
  return g;
}

bool DrawnBounds(MScene* scene, MVector3* lo, MVector3* hi) {
  SceneGeometry g = CollectGeometry(scene, true);
  if (g.empty) return false;
  *lo = g.lo;
  *hi = g.hi;
  return true;
}

MaterialLook LookOf(MScene* scene, MSurface* s) {
  MaterialLook look;
  if (!s) return look;
  auto set = [](float* dst, const MColor& c, double k) {
    dst[0] = static_cast<float>(c.r * k);
    dst[1] = static_cast<float>(c.g * k);
    dst[2] = static_cast<float>(c.b * k);
  };
  const MSrf_Color& c = s->color;
  set(look.diffuse, c.diffuse, c.diffuse_intensity);
  if (c.lock_ambient) set(look.ambient, c.diffuse, c.diffuse_intensity);
  else set(look.ambient, c.ambient, c.ambient_intensity);
  if (c.lock_specular) set(look.specular, c.diffuse, c.diffuse_intensity);
  else set(look.specular, c.specular, c.specular_intensity);
  // An exponent near 0 would light every lit pixel with the full specular
  // colour; files mean a dull surface by it.
  const double exponent = s->spec.phong_size * 200.0;
  look.shininess = static_cast<float>(std::isfinite(exponent) ? std::fmin(128.0, std::fmax(kDullestExponent, exponent)) : kDullestExponent);
  const double a = s->opref.surface_opacity;
  look.alpha = static_cast<float>(std::isfinite(a) ? std::fmin(1.0, std::fmax(0.0, a)) : 1.0);
  for (int i = 0; i < s->layers.Get_Count(); ++i) {
    MSrf_TextureLayer* l = s->layers.Get(i);
    if (!l || !l->diffuse_color.enabled || l->texture.kind != _2DBITMAP || !l->texture.bitmap.file_name[0]) continue;
    look.map_name = l->texture.bitmap.file_name;
    std::string found;
    if (scene->maps && m_find_map(look.map_name.c_str(), scene->maps->search_path, found)) look.map_path = found;
    // The map shows as it is: it is not darkened by a colour meant for
    // untextured viewers.
    for (int k = 0; k < 3; ++k) look.diffuse[k] = 0.9f, look.ambient[k] = 0.25f;
    break;
  }
  for (float* v : {look.ambient, look.diffuse, look.specular}) v[3] = look.alpha;
  return look;
}

}  // namespace kvrender
