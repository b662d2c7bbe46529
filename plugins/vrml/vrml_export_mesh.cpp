// The meshes of a VRML world: one shape per material of each mesh, with
// positions and normals in world space and only the vertices its faces use.
#include <vector>

#include "vrml_export_parts.h"
#include "vrml_format.h"

namespace kvrml {
namespace {

// The vertices of one layer that a shape's faces use, numbered in the order
// of first use; `index` maps a vertex of the layer to its number (-1 none)
// and is left all -1 again by Reset.
struct Subset {
  std::vector<int> index;
  std::vector<int> used;
  void Init(int n) { index.assign(static_cast<size_t>(n), -1); }
  void Add(int v) {
    int& k = index[static_cast<size_t>(v)];
    if (k < 0) {
      k = static_cast<int>(used.size());
      used.push_back(v);
    }
  }
  void Reset() {
    for (int v : used) index[static_cast<size_t>(v)] = -1;
    used.clear();
  }
};

struct Shape {
  MMesh_P* mesh;
  const MMatrix* matrix;
  const std::vector<int>* faces;
  size_t begin, end;
  bool normals, uvs, mirror;
  Subset* pos;
  Subset* nrm;
  Subset* tex;
};

// "a, b, c, -1," per face, the last face without the final comma.
void WriteIndices(MTextWriter& out, const Shape& s, MFaceArray* layer, const Subset& subset, const char* indent) {
  for (size_t j = s.begin; j < s.end; ++j) {
    const MIPolygon& f = layer->data[(*s.faces)[j]];
    out.Put(indent);
    for (int c = 0; c < f.count; ++c) {
      const int corner = s.mirror ? f.count - 1 - c : c;
      out.Int(subset.index[static_cast<size_t>(f.data[corner])]);
      out.Put(", ", 2);
    }
    out.Put(j + 1 < s.end ? "-1," : "-1");
    out.EndLine();
  }
}

void WritePoints(MTextWriter& out, const std::vector<MVector3>& pts, const char* indent, bool two) {
  for (size_t i = 0; i < pts.size(); ++i) {
    out.Put(indent);
    out.Fixed(pts[i].x);
    out.Put(' ');
    out.Fixed(pts[i].y);
    if (two) {
      // Texture coordinates keep their trailing blank in 2.0.
      out.Put(' ');
    } else {
      out.Put(' ');
      out.Fixed(pts[i].z);
    }
    if (i + 1 < pts.size()) out.Put(',');
    out.EndLine();
  }
}

std::vector<MVector3> Positions(const Shape& s) {
  std::vector<MVector3> out;
  out.reserve(s.pos->used.size());
  for (int v : s.pos->used) out.push_back(s.matrix->Transform(s.mesh->Get_Vertex(v)));
  return out;
}

std::vector<MVector3> Normals(const Shape& s) {
  std::vector<MVector3> out;
  out.reserve(s.nrm->used.size());
  for (int v : s.nrm->used) out.push_back(vect_normalize(s.matrix->NTransform(s.mesh->Get_NVertex(v))));
  return out;
}

std::vector<MVector3> TexCoords(const Shape& s) {
  std::vector<MVector3> out;
  out.reserve(s.tex->used.size());
  for (int v : s.tex->used) out.push_back(s.mesh->Get_UVVertex(v));
  return out;
}

void WriteShape20(Run& r, const Shape& s, const std::string& name, int surface) {
  MTextWriter& out = r.out;
  out.Printf("\tDEF %s Transform \n\t{\n\t\tchildren\n\t\t[\n\t\t\tShape\n\t\t\t{\n", name.c_str());
  WriteShapeMaterial(r, surface, "\t\t\t\t");
  out.Printf("\t\t\t\tgeometry DEF %s IndexedFaceSet \n", r.names.Get(name + kFacesSuffix).c_str());
  out.Printf("\t\t\t\t{\n\t\t\t\t\tccw TRUE\n\t\t\t\t\tsolid TRUE\n\t\t\t\t\tcoord Coordinate\n\t\t\t\t\t{\n");
  out.Line("\t\t\t\t\t\tpoint [");
  WritePoints(out, Positions(s), "\t\t\t\t\t\t\t", false);
  out.Printf("\t\t\t\t\t\t]\n\t\t\t\t\t}\n\n");
  if (s.normals) {
    out.Printf("\t\t\t\t\tnormal Normal\n\t\t\t\t\t{\n\t\t\t\t\t\tvector [\n");
    WritePoints(out, Normals(s), "\t\t\t\t\t\t\t", false);
    out.Printf("\t\t\t\t\t\t]\n\t\t\t\t\t}\n\t\t\t\t\tnormalPerVertex TRUE\n\n");
  }
  if (s.uvs) {
    out.Printf("\t\t\t\t\ttexCoord TextureCoordinate\n\t\t\t\t\t{\n\t\t\t\t\t\tpoint [\n");
    WritePoints(out, TexCoords(s), "\t\t\t\t\t\t\t", true);
    out.Printf("\t\t\t\t\t\t]\n\t\t\t\t\t}\n\n");
  }
  out.Line("\t\t\t\t\tcoordIndex [");
  WriteIndices(out, s, s.mesh->f_a, *s.pos, "\t\t\t\t\t\t");
  out.Line("\t\t\t\t\t]");
  if (s.normals) {
    out.Line("\t\t\t\t\tnormalIndex [");
    WriteIndices(out, s, s.mesh->nf_a, *s.nrm, "\t\t\t\t\t\t");
    out.Line("\t\t\t\t\t]");
  }
  if (s.uvs) {
    out.Line("\t\t\t\t\ttexCoordIndex [");
    WriteIndices(out, s, s.mesh->uvf_a, *s.tex, "\t\t\t\t\t\t");
    out.Line("\t\t\t\t\t]");
  }
  out.Printf("\t\t\t\t}\n\t\t\t}\n\t\t]\n\t}\n\n");
}

void WriteShape10(Run& r, const Shape& s, const std::string& name, int surface) {
  MTextWriter& out = r.out;
  out.Printf("\tDEF %s Separator \n\t{\n\t\tCoordinate3\n\t\t{\n\t\t\tpoint [\n", name.c_str());
  WritePoints(out, Positions(s), "\t\t\t\t", false);
  out.Printf("\t\t\t]\n\t\t}\n\n");
  if (s.normals) {
    out.Printf("\t\tNormal\n\t\t{\n\t\t\tvector [\n");
    WritePoints(out, Normals(s), "\t\t\t\t", false);
    out.Printf("\t\t\t]\n\t\t}\n\t\tNormalBinding { value PER_VERTEX_INDEXED }\n\n");
  }
  const MSrf_TextureLayer* map =
      surface >= 0 && r.opt->switches.materials ? DiffuseMap(r.surfaces[static_cast<size_t>(surface)].surface) : nullptr;
  if (map) {
    out.Printf("\t\tTexture2\n\t\t{\n\t\t\twrapS REPEAT\n\t\t\twrapT REPEAT\n");
    out.Put("\t\t\tfilename ");
    out.Quoted(MapUrl(r, map), MTextWriter::kQuoteNoOctal);
    out.EndLine();
    out.Printf("\t\t}\n\t\tTexture2Transform\n\t\t{\n");
    out.Printf("\t\t\tcenter %lf %lf\n\t\t\tscaleFactor %lf %lf\n\t\t\trotation %lf\n\t\t\ttranslation %lf %lf\n", 0.0,
               0.0, 1.0, 1.0, 0.0, 0.0, 0.0);
    out.Line("\t\t}");
  }
  if (s.uvs) {
    out.Printf("\t\tTextureCoordinate2\n\t\t{\n\t\t\tpoint [\n");
    WritePoints(out, TexCoords(s), "\t\t\t\t", true);
    out.Printf("\t\t\t]\n\t\t}\n\n");
  }
  WriteShapeMaterial(r, surface, "\t\t");
  out.Printf("\t\tIndexedFaceSet\n\t\t{\n\t\t\tcoordIndex [\n");
  WriteIndices(out, s, s.mesh->f_a, *s.pos, "\t\t\t\t");
  out.Line("\t\t\t]");
  if (s.normals) {
    out.Line("\t\t\tnormalIndex [");
    WriteIndices(out, s, s.mesh->nf_a, *s.nrm, "\t\t\t\t");
    out.Line("\t\t\t]");
    out.EndLine();
  }
  if (s.uvs) {
    out.Line("\t\t\ttextureCoordIndex [");
    WriteIndices(out, s, s.mesh->uvf_a, *s.tex, "\t\t\t\t");
    out.Line("\t\t\t]");
    out.EndLine();
  }
  out.Printf("\t\t}\n\n\t}\n\n");
}

void WriteMesh(Run& r, const MExportMesh& m) {
  MMesh_P* mesh = m.mesh;
  const char* name = m.object->get_name() ? m.object->get_name() : "";
  r.log.write("Working on: %s\n", name);
  const int nv = mesh->Get_Vertex_Count();
  const int nf = mesh->Get_Face_Count();
  MList* refs_list = m.source->surface_refs;
  const int refs = refs_list ? refs_list->count : 0;
  // A solid shows its first surface; faces of no known material come last,
  // with a default material.
  const bool solid = m.source->get_type() == TSOLID;
  auto bucket_of = [&](int i) {
    if (solid) return refs > 0 ? 0 : refs;
    const int id = mesh->f_a->data[i].mat_id;
    return id >= 0 && id < refs ? id : refs;
  };
  auto face_ok = [&](int i) {
    const MIPolygon& f = mesh->f_a->data[i];
    if (f.count < 3) return false;
    for (int c = 0; c < f.count; ++c)
      if (f.data[c] < 0 || f.data[c] >= nv) return false;
    return true;
  };
  std::vector<int> start(static_cast<size_t>(refs) + 2, 0), order;
  for (int i = 0; i < nf; ++i)
    if (face_ok(i)) ++start[static_cast<size_t>(bucket_of(i)) + 1];
  for (int k = 0; k <= refs; ++k) start[static_cast<size_t>(k) + 1] += start[static_cast<size_t>(k)];
  order.resize(static_cast<size_t>(start.back()));
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int i = 0; i < nf; ++i)
      if (face_ok(i)) order[static_cast<size_t>(fill[static_cast<size_t>(bucket_of(i))]++)] = i;
  }
  if (order.empty()) return;

  // A solid's mesh is mapped as the solid is.
  const MExportLayers layers = m_export_layers(mesh);
  const bool normals = layers.normals;
  const bool uvs = layers.uvs && m.source->mapping_type == UV_MAP;
  Subset pos, nrm, tex;
  pos.Init(nv);
  if (normals) nrm.Init(mesh->Get_NVertex_Count());
  if (uvs) tex.Init(mesh->Get_UVVertex_Count());
  Shape s{mesh, &m.matrix, &order, 0, 0, normals, false, mat_determinant3(m.matrix) < 0, &pos, &nrm, &tex};
  for (int k = 0; k <= refs; ++k) {
    s.begin = static_cast<size_t>(start[static_cast<size_t>(k)]);
    s.end = static_cast<size_t>(start[static_cast<size_t>(k) + 1]);
    if (s.begin == s.end) continue;
    const int surface = k < refs ? r.FindSurface(ref_name_or_empty(refs_list, k)) : -1;
    s.uvs = uvs && surface >= 0 && DiffuseMap(r.surfaces[static_cast<size_t>(surface)].surface);
    for (size_t j = s.begin; j < s.end; ++j) {
      const int i = order[j];
      const MIPolygon& f = mesh->f_a->data[i];
      for (int c = 0; c < f.count; ++c) pos.Add(f.data[c]);
      if (normals)
        for (int c = 0; c < f.count; ++c) nrm.Add(mesh->nf_a->data[i].data[c]);
      if (s.uvs)
        for (int c = 0; c < f.count; ++c) tex.Add(mesh->uvf_a->data[i].data[c]);
    }
    const std::string node = r.NodeName(kObjectPrefix, name);
    if (r.v2)
      WriteShape20(r, s, node, surface);
    else
      WriteShape10(r, s, node, surface);
    pos.Reset();
    nrm.Reset();
    tex.Reset();
  }
}

}  // namespace

void WriteMeshes(Run& r) {
  MExportWalkOptions opt;
  opt.skip_hidden = true;
  ForEachExportMesh(r.scene, r.cb, opt, [&](const MExportMesh& m) { WriteMesh(r, m); });
}

}  // namespace kvrml
