// Every mesh piece of one surface as an object: its vertex, normal, texture
// coordinate and face arrays, in world coordinates; then the objects table.
#include <memory>
#include <vector>

#include "ogl_export.h"

namespace ogl {
namespace {

constexpr int kProgressStep = 4096;

// "#define MAX_<what>_n (count)", the array and its rows of three floats.
template <typename Row>
void FloatArray(OglRun& r, const char* what, const char* array, int n, int count, Row row) {
  CText& s = r.src;
  s.Printf("#define MAX_%s_%d (%d)\n", what, n, count);
  s.Printf("float %s_%d[MAX_%s_%d * 3] = \n", array, n, what, n);
  s.Line("{");
  for (int i = 0; i < count; ++i) {
    if (r.cb && r.cb->progress3 && i % kProgressStep == 0) r.cb->progress3(i, count);
    s.Put("\t");
    s.Floats(row(i));
    s.Put(" ");
    s.Line(i + 1 < count ? "," : "");
  }
  s.Line("};");
}

void NoArray(OglRun& r, const char* what, const char* array, int n) {
  r.src.Printf("#define MAX_%s_%d (%d)\n", what, n, 0);
  r.src.Printf("float *%s_%d = 0;\n", array, n);
}

// Object n: the piece m of surface `surface`; false when it has nothing to
// draw.
bool WriteObject(OglRun& r, int n, MMesh_P* m, const MMatrix& M, const char* surface, MExportLayers* written) {
  // A layer missing from a face writes -1 for its three corners.
  const MExportLayers layers = m_export_layers(m);
  const MTriangleCorners corners = m_triangle_corners(m, layers);
  if (corners.count() == 0) return false;
  const char* name = m->get_name() ? m->get_name() : "";
  r.run.log().write("Working on: %s\n", name);
  CText& s = r.src;
  s.Put("/* Object: ");
  s.CommentText(name);
  s.Line("*/");
  s.Line("/* Vertices */");
  FloatArray(r, "VERTICES", "verticies", n, m->Get_Vertex_Count(), [&](int i) { return M.Transform(m->v_a->data[i]); });
  s.Line("/* Normals */");
  if (layers.normals)
    FloatArray(r, "NORMALS", "normals", n, m->Get_NVertex_Count(),
               [&](int i) { return vect_normalize(M.NTransform(m->nv_a->data[i])); });
  else
    NoArray(r, "NORMALS", "normals", n);
  s.Line("/* Textures */");
  if (layers.uvs)
    FloatArray(r, "TEXTURES", "textures", n, m->Get_UVVertex_Count(), [&](int i) { return m->uv_a->data[i]; });
  else
    NoArray(r, "TEXTURES", "textures", n);
  s.Line("/* Faces */");
  const int faces = static_cast<int>(corners.count());
  s.Printf("#define MAX_FACE_INDICES_%d (%d)\n", n, faces);
  s.Printf("int face_indicies_%d[MAX_FACE_INDICES_%d * 9] = \n", n, n);
  s.Line("{");
  for (int f = 0; f < faces; ++f) {
    s.Put("\t");
    for (const std::vector<int>* layer : {&corners.positions, &corners.normals, &corners.uvs}) {
      if (layer != &corners.positions) s.Put(",");
      for (int c = 0; c < 3; ++c) {
        s.Int((*layer)[static_cast<size_t>(3 * f + c)]);
        s.Put(c < 2 ? ", " : " ");
      }
    }
    s.Line(f + 1 < faces ? "," : "");
  }
  s.Line("};");
  s.Printf("#define DEF_MAT_REF_%d (%d)\n", n, r.scene->GetIndexMaterialbyName(surface));
  s.Line("");
  *written = layers;
  return true;
}

}  // namespace

void WriteObjects(OglRun& r) {
  std::vector<MExportLayers> objects;
  MExportWalkOptions walk;
  walk.skip_hidden_meshes = true;
  ForEachExportMesh(r.scene, r.cb, walk, [&](const MExportMesh& item) {
    MMesh_P* m = item.mesh;
    MExportLayers layers;
    if (item.source->get_type() == TSOLID) {
      if (WriteObject(r, static_cast<int>(objects.size()), m, item.matrix, ref_name_or_empty(m->surface_refs, 0), &layers))
        objects.push_back(layers);
      return;
    }
    const int refs = m->surface_refs ? m->surface_refs->count : 0;
    for (int k = 0; k < refs; ++k) {
      std::unique_ptr<MMesh_P> piece(m->SplitSurface(r.cb ? r.cb->progress3 : nullptr, k));
      if (piece && WriteObject(r, static_cast<int>(objects.size()), piece.get(), item.matrix,
                               ref_name_or_empty(m->surface_refs, k), &layers))
        objects.push_back(layers);
    }
  });

  r.hdr.Line("/* Object Definitions */");
  r.hdr.Put(kObjectDef);
  const int count = static_cast<int>(objects.size());
  if (!BeginTable(r, "Object_Def", "objects", "MAX_OBJECTS", "/* Objects */", count)) return;
  for (int j = 0; j < count; ++j) {
    // A missing array is a null pointer: the pointer variables are no
    // constants a C initialiser may use.
    const std::string nj = std::to_string(j);
    const std::string normals = objects[static_cast<size_t>(j)].normals ? "normals_" + nj : "0";
    const std::string textures = objects[static_cast<size_t>(j)].uvs ? "textures_" + nj : "0";
    r.src.Printf(
        "\t{face_indicies_%d, MAX_FACE_INDICES_%d, verticies_%d, MAX_VERTICES_%d, %s, MAX_NORMALS_%d, %s, "
        "MAX_TEXTURES_%d, DEF_MAT_REF_%d }",
        j, j, j, j, normals.c_str(), j, textures.c_str(), j, j);
    r.src.Line(j + 1 < count ? "," : "");
  }
  r.src.Line("};");
}

}  // namespace ogl
