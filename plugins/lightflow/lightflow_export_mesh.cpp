// Materials and the mesh blocks: every mesh part of one surface as a mesh
// object inside that surface's material block.
#include <memory>

#include "lightflow_export.h"

namespace ltw {
namespace {

constexpr int kProgressStep = 4096;

MVector3 Times(const MColor& c, double k) { return MVector3(c.r * k, c.g * k, c.b * k); }

// The reflection: ray-traced when set, else the cubic environment's, else
// the spherical environment's amount.
double Reflection(const MSurface& s) {
  if (s.color.reflection_intensity > 0) return s.color.reflection_intensity;
  if (s.env.cubic.enabled) return s.env.cubic.strength;
  if (s.env.sphere.enabled) return s.env.sphere.value;
  return 0;
}

void Term(PyText& py, const char* key, const MVector3& v) {
  py.Put("\n\"");
  py.Put(key);
  py.Put("\", ");
  py.Vector3(v);
  py.Put(", ");
}

void Term(PyText& py, const char* key, double v, bool last = false) {
  py.Put("\n\"");
  py.Put(key);
  py.Put("\", ");
  py.Num(v);
  py.Put(last ? " " : ", ");
}

}  // namespace

bool WriteMaterial(LtwRun& r, MSurface* s, const std::string& var) {
  PyText& py = r.py;
  const MSrf_Color& c = s->color;
  const MVector3 diffuse = Times(c.diffuse, c.diffuse_intensity);
  const MVector3 ka = c.lock_ambient ? diffuse : Times(c.ambient, c.ambient_intensity);
  const MVector3 kc = c.lock_specular ? diffuse : Times(c.specular, c.specular_intensity);
  const MVector3 kr = diffuse * Reflection(*s);
  const MVector3 kt = diffuse * (1 - s->opref.surface_opacity);
  MSrf_TextureLayer* layer = s->layers.Get(0);
  const bool textured = layer && layer->diffuse_color.enabled && layer->texture.kind == _2DBITMAP;
  if (textured) {
    const char* map = r.o->image_handler.GetNewMapName(layer->texture.bitmap.file_name, 0, "");
    if (!map || !*map) return false;
    const std::string tex = r.names.Make(kTexturePrefix, layer->texture.name);
    py.Put(tex);
    py.Put(" = s.newPattern( \"map\", [\"type\", \"surface\", \"texture\", s.newTexture( ");
    py.Str(map);
    py.Line(") ] )");
    py.Put(var);
    py.Put(" = s.newMaterial( \"standard\", [");
    // The map gives the ambient colour; the plain one stays before it.
    Term(py, "ka", MVector3(1, 1, 1));
    py.Put("\n\"ka\", ");
    py.Put(tex);
    py.Put(", ");
  } else {
    py.Put(var);
    py.Put(" = s.newMaterial( \"standard\", [");
    Term(py, "ka", ka);
  }
  Term(py, "kc", kc);
  Term(py, "kd", c.diffuse_intensity);
  Term(py, "kr", kr);
  Term(py, "kt", kt);
  Term(py, "shinyness", s->spec.phong_size);
  Term(py, "km", c.specular_intensity, true);
  py.EndLine();
  py.Line("] )");
  return true;
}

namespace {

// The material variable of a surface name; a surface that has none gets the
// plain default material, written the first time it is needed.
const std::string& MaterialOf(LtwRun& r, const char* surface) {
  auto it = r.materials.find(surface ? surface : "");
  if (it != r.materials.end()) return it->second;
  if (r.default_material.empty()) {
    r.default_material = r.names.Make(kMaterialPrefix, kDefaultMaterial);
    MSurface plain(kDefaultMaterial);
    WriteMaterial(r, &plain, r.default_material);
  }
  return r.default_material;
}

template <typename Value>
void Sets(PyText& py, const char* array, int count, Value value) {
  for (int i = 0; i < count; ++i) {
    py.Put(array);
    py.Put(".set( ");
    py.Int(i);
    py.Put(", ");
    value(i);
    py.Put(" )");
    py.EndLine();
  }
}

void MeshBlock(LtwRun& r, MMesh_P* m, const MMatrix& M, const char* surface) {
  const MExportLayers layers = m_export_layers(m);
  const MTriangleCorners tri = m_triangle_corners(m, layers);
  if (tri.count() == 0) return;
  r.run.log().write("Working on: %s\n", m->get_name() ? m->get_name() : "");
  const std::string& material = MaterialOf(r, surface);
  PyText& py = r.py;
  py.Put("s.materialBegin( ");
  py.Put(material);
  py.Line(" )");
  for (const char* line : {"p = vector3array()", "n = vector3array()", "t = vector2array()", "nv = intarray()",
                           "fp = intarray()", "fn = intarray()", "ft = intarray()"})
    py.Line(line);
  const int nv = m->Get_Vertex_Count();
  const int nn = layers.normals ? m->Get_NVertex_Count() : 1;
  const int nt = layers.uvs ? m->Get_UVVertex_Count() : 1;
  const int faces = static_cast<int>(tri.count());
  py.Printf("p.setSize( %d )\nn.setSize( %d )\nt.setSize( %d )\nnv.setSize( %d )\n", nv, nn, nt, faces);
  py.Printf("fp.setSize( %d * 3)\nfn.setSize( %d * 3)\nft.setSize( %d * 3)\n", faces, faces, faces);
  auto vector3 = [&](const MVector3& v) {
    py.Put("vector3(");
    py.Num(v.x);
    py.Put(", ");
    py.Num(v.y);
    py.Put(", ");
    py.Num(v.z);
    py.Put(" )");
  };
  Sets(py, "p", nv, [&](int i) {
    if (r.cb && r.cb->progress3 && i % kProgressStep == 0) r.cb->progress3(i, nv);
    vector3(M.Transform(m->v_a->data[i]));
  });
  Sets(py, "n", nn, [&](int i) {
    vector3(layers.normals ? vect_normalize(M.NTransform(m->nv_a->data[i])) : MVector3(0, 0, 0));
  });
  Sets(py, "t", nt, [&](int i) {
    const MVector3 uv = layers.uvs ? m->uv_a->data[i] : MVector3(0, 1, 0);
    py.Put("vector2(");
    py.Num(uv.x);
    py.Put(", ");
    py.Num(1 - uv.y);
    py.Put(" )");
  });
  // Three corners per triangle throughout.
  Sets(py, "nv", faces, [&](int) { py.Int(3); });
  Sets(py, "fp", 3 * faces, [&](int i) { py.Int(tri.positions[static_cast<size_t>(i)]); });
  Sets(py, "fn", 3 * faces, [&](int i) { py.Int(layers.normals ? tri.normals[static_cast<size_t>(i)] : 0); });
  Sets(py, "ft", 3 * faces, [&](int i) { py.Int(layers.uvs ? tri.uvs[static_cast<size_t>(i)] : 0); });
  py.Put("s.addObject( s.newObject( \"mesh\",[ \"points\",   p,  \"normals\",  n,  \"textures\", t,  \"faces\",    ");
  py.Int(faces);
  py.Put(", nv, fp, fn, ft] ) )");
  py.EndLine();
  for (const char* line : {"del p", "del n", "del t", "del nv", "del fp", "del fn", "del ft"}) py.Line(line);
  py.Line("s.materialEnd()");
}

}  // namespace

void WriteMeshes(LtwRun& r) {
  MExportWalkOptions walk;
  walk.skip_hidden_meshes = true;
  ForEachExportMesh(r.scene, r.cb, walk, [&](const MExportMesh& item) {
    MMesh_P* m = item.mesh;
    r.py.Comment("# object ", item.source->get_name());
    if (item.source->get_type() == TSOLID) return MeshBlock(r, m, item.matrix, ref_name_or_empty(m->surface_refs, 0));
    const int refs = m->surface_refs ? m->surface_refs->count : 0;
    for (int k = 0; k < refs; ++k) {
      std::unique_ptr<MMesh_P> part(m->SplitSurface(r.cb ? r.cb->progress3 : nullptr, k));
      if (part) MeshBlock(r, part.get(), item.matrix, ref_name_or_empty(m->surface_refs, k));
    }
  });
}

}  // namespace ltw
