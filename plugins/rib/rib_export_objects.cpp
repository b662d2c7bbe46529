// The objects of the world block: every mesh and solid in its attribute
// block, its faces grouped by surface, each group a surface and one
// PointsPolygons request in world coordinates.
#include <cmath>
#include <vector>

#include "rib_export.h"

namespace rib {
namespace {

constexpr int kProgressStep = 4096;

const MSrf_TextureLayer* BitmapLayer(MSurface* s, int nth, bool (*use)(const MSrf_TextureLayer&)) {
  for (int i = 0; i < s->layers.Get_Count(); ++i) {
    const MSrf_TextureLayer* l = s->layers.Get(i);
    if (l && l->texture.kind == _2DBITMAP && use(*l) && nth-- == 0) return l;
  }
  return nullptr;
}

bool DiffuseMap(const MSrf_TextureLayer& l) { return l.diffuse_color.enabled != 0; }
bool OpacityMap(const MSrf_TextureLayer& l) { return l.opacity_intensity.enabled != 0; }

void ShaderValues(RibText& t, double ka, double kd, double ks, const MColor& specular, double roughness) {
  t.Param("Ka", ka);
  t.Param("Kd", kd);
  t.Param("Ks", ks);
  t.Param("specularcolor", specular);
  t.Param("roughness", roughness);
}

// One parameter group of the program's shader: a map with its strength and
// scale, written when there is a map and it has an effect.
void MapGroup(RibRun& r, const char* map, const char* value, const char* u, const char* v, const MSrf_Texture& tex,
              double strength) {
  if (strength <= 0) return;
  r.text.Param(map, MapName(r, tex.bitmap.file_name).c_str());
  r.text.Param(value, strength);
  r.text.Param(u, tex.bitmap.uv_scale.x);
  r.text.Param(v, tex.bitmap.uv_scale.y);
}

void OwnShaderMaps(RibRun& r, MSurface* s) {
  static const char* const kGroups[2][8] = {
      {"texturemap1", "t1_value", "t1_u", "t1_v", "texturemask1", "m1_value", "m1_u", "m1_v"},
      {"texturemap2", "t2_value", "t2_u", "t2_v", "texturemask2", "m2_value", "m2_u", "m2_v"}};
  for (int k = 0; k < 2; ++k) {
    const MSrf_TextureLayer* l = BitmapLayer(s, k, DiffuseMap);
    if (!l) break;
    const char* const* g = kGroups[k];
    MapGroup(r, g[0], g[1], g[2], g[3], l->texture, l->diffuse_color.value);
    if (l->mask_manipulator.enabled && l->mask.kind == _2DBITMAP)
      MapGroup(r, g[4], g[5], g[6], g[7], l->mask, l->mask_manipulator.value);
  }
  if (const MSrf_TextureLayer* l = BitmapLayer(s, 0, OpacityMap))
    MapGroup(r, "opacitymap", "to_value", "ot_u", "ot_v", l->texture, l->opacity_intensity.value);
}

void Surface(RibRun& r, const char* name) {
  RibText& t = r.text;
  t.Comment("#Material ", name);
  MSurface* s = r.scene->GetMaterialbyName(name);
  if (!s) {
    t.Put("Color ");
    t.Triple(1, 1, 1);
    t.EndLine();
    t.Put("Opacity ");
    t.Triple(1, 1, 1);
    t.EndLine();
    t.Request("Surface", r.shaders.surface);
    ShaderValues(t, kDefaultKa, kDefaultKd, kDefaultKs, MColor(1, 1, 1), kDefaultRoughness);
    return;
  }
  const MSrf_Color& c = s->color;
  const MSrf_TextureLayer* map = BitmapLayer(s, 0, DiffuseMap);
  // Every shader takes the colour from here, the standard ones too; the
  // shaders multiply a map by it.
  t.Put("Color ");
  t.Triple(map ? m_color_under_map(c.diffuse) : c.diffuse);
  t.EndLine();
  const double op = s->opref.surface_opacity;
  t.Put("Opacity ");
  t.Triple(op, op, op);
  t.EndLine();
  const MColor& specular = c.lock_specular ? c.diffuse : c.specular;
  const double roughness = kRoughnessBase / std::pow(10.0, 2 * s->spec.phong_size);
  if (map && r.o->std_shader) {
    t.Line("Declare \"texturename\" \"string\"");
    t.Request("Surface", kPaintedPlastic);
    ShaderValues(t, c.ambient_intensity, c.diffuse_intensity, c.specular_intensity, specular, roughness);
    t.Param("texturename", MapName(r, map->texture.bitmap.file_name).c_str());
  } else if (map) {
    for (const auto& d : kOwnShaderDeclarations) {
      t.Put("Declare ");
      t.Str(d[0]);
      t.Put(" ");
      t.Str(d[1]);
      t.EndLine();
    }
    t.Request("Surface", r.shaders.surface);
    ShaderValues(t, c.ambient_intensity, c.diffuse_intensity, c.specular_intensity, specular, roughness);
    OwnShaderMaps(r, s);
  } else {
    t.Request("Surface", r.shaders.surface);
    ShaderValues(t, c.ambient_intensity, c.diffuse_intensity, c.specular_intensity, specular, roughness);
  }
}

// "\t[ " n n n ... "]" with a break after every kNumbersPerLine numbers.
void IntList(RibText& t, const std::vector<int>& values, int width) {
  t.Put("\t[ ", 3);
  char buf[24];
  for (size_t i = 0; i < values.size(); ++i) {
    int n = std::snprintf(buf, sizeof buf, "%*d ", width, values[i]);
    t.Put(buf, static_cast<size_t>(n));
    if ((i + 1) % kNumbersPerLine == 0 && i + 1 < values.size()) {
      t.EndLine();
      t.Put("\t  ", 3);
    }
  }
  t.Put(']');
  t.EndLine();
}

// One PointsPolygons request: every corner its own point.
void Geometry(RibRun& r, MMesh_P* m, const MMatrix& M, const std::vector<int>& faces, const MExportLayers& layers) {
  RibText& t = r.text;
  r.run.log().write("Working on: %s\n", m->get_name() ? m->get_name() : "");
  std::vector<int> counts, corners;
  counts.reserve(faces.size());
  for (int f : faces) {
    const int n = m->f_a->data[f].count;
    counts.push_back(n);
    for (int c = 0; c < n; ++c) corners.push_back(static_cast<int>(corners.size()));
  }
  t.Line("AttributeBegin");
  t.Line("PointsPolygons");
  IntList(t, counts, 3);
  IntList(t, corners, 5);
  auto vectors = [&](const char* name, MFaceArray* fa, MVertexArray* va, bool normal) {
    t.Put("\t");
    t.Str(name);
    t.EndLine();
    t.Line("\t[");
    size_t done = 0;
    for (int f : faces) {
      if (r.cb && r.cb->progress3 && done++ % kProgressStep == 0) r.cb->progress3(static_cast<long>(done), static_cast<long>(faces.size()));
      const MIPolygon& p = fa->data[f];
      for (int c = 0; c < p.count; ++c) {
        const MVector3& v = va->data[p.data[c]];
        // The object's matrix first, in the scene's own axes; then RenderMan's.
        const MVector3 w = ToRib(normal ? vect_normalize(M.NTransform(v)) : M.Transform(v));
        t.Put("\t  ", 3);
        t.Num(w.x);
        t.Put(' ');
        t.Num(w.y);
        t.Put(' ');
        t.Num(w.z);
        t.Put(' ');
        t.EndLine();
      }
    }
    t.Line("\t]");
  };
  vectors("P", m->f_a, m->v_a, false);
  if (layers.uvs) {
    t.Put("\t");
    t.Str("st");
    t.EndLine();
    t.Line("\t[");
    for (int f : faces) {
      const MIPolygon& p = m->uvf_a->data[f];
      for (int c = 0; c < p.count; ++c) {
        const MVector3& uv = m->uv_a->data[p.data[c]];
        t.Put("\t  ", 3);
        t.Num(std::fabs(uv.x));
        t.Put(' ');
        t.Num(std::fabs(1.0 - uv.y));
        t.Put(' ');
        t.EndLine();
      }
    }
    t.Line("\t]");
  }
  if (layers.normals) vectors("N", m->nf_a, m->nv_a, true);
  t.Line("AttributeEnd");
}

// Faces that can be drawn: three corners or more, each a position of the
// mesh.
bool Drawable(MMesh_P* m, int f) {
  const MIPolygon& p = m->f_a->data[f];
  if (p.count < 3) return false;
  for (int c = 0; c < p.count; ++c)
    if (p.data[c] < 0 || p.data[c] >= m->Get_Vertex_Count()) return false;
  return true;
}

// PointsPolygons takes convex polygons only.
bool Convex(MMesh_P* m, int f) {
  const MIPolygon& p = m->f_a->data[f];
  if (p.count <= 3) return true;
  auto at = [&](int i) { return m->v_a->data[p.data[i % p.count]]; };
  MVector3 n;  // Newell's normal
  for (int i = 0; i < p.count; ++i) {
    const MVector3 a = at(i), b = at(i + 1);
    n += MVector3((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
  }
  for (int i = 0; i < p.count; ++i)
    if (vect_dot(vect_cross(at(i + 1) - at(i), at(i + 2) - at(i + 1)), n) < 0) return false;
  return true;
}

}  // namespace

void WriteObjects(RibRun& r) {
  MExportWalkOptions walk;
  walk.triangulate = false;  // PointsPolygons takes polygons as they are
  walk.skip_hidden_meshes = true;
  ForEachExportMesh(r.scene, r.cb, walk, [&](const MExportMesh& item) {
    MMesh_P* m = item.mesh;
    // A mesh with a polygon that is not convex goes as its triangles.
    MMesh_P* triangles = nullptr;
    for (int f = 0; f < m->Get_Face_Count() && !triangles; ++f)
      if (Drawable(m, f) && !Convex(m, f)) triangles = m->Triangulate(r.cb ? r.cb->progress3 : nullptr);
    if (triangles) m = triangles;
    const bool solid = item.source->get_type() == TSOLID;
    const char* name = item.source->get_name() ? item.source->get_name() : "";
    RibText& t = r.text;
    t.Comment("# object ", name);
    t.Line("AttributeBegin");
    t.Put("Attribute ");
    t.Str("identifier");
    t.Put(" ");
    t.Str("name");
    t.Put(" ");
    t.Str(name);
    t.EndLine();
    t.Line("Sides 2");
    const MExportLayers layers = m_export_layers(m);
    // The faces by surface reference in one pass; a solid is drawn with
    // its first surface.
    MList* refs = item.source->surface_refs;
    const int groups = solid ? 1 : (m->surface_refs ? m->surface_refs->count : 0);
    std::vector<std::vector<int>> faces(static_cast<size_t>(groups));
    for (int f = 0; f < m->Get_Face_Count(); ++f) {
      if (!Drawable(m, f)) continue;
      const int id = solid ? 0 : m->f_a->data[f].mat_id;
      if (id >= 0 && id < groups) faces[static_cast<size_t>(id)].push_back(f);
    }
    for (int k = 0; k < groups; ++k) {
      if (faces[static_cast<size_t>(k)].empty()) continue;
      Surface(r, ref_name_or_empty(solid ? refs : m->surface_refs, k));
      Geometry(r, m, item.matrix, faces[static_cast<size_t>(k)], layers);
    }
    t.Line("AttributeEnd");
    delete triangles;
  });
}

}  // namespace rib
