// The objects of a POV-Ray scene: meshes as mesh2 or as meshes of
// triangles, spheres and cylinders as POV-Ray's own, each declared in the
// objects file and placed in the master file.
#include <algorithm>
#include <cmath>
#include <vector>

#include "plugin_framework.h"
#include "pov_export_parts.h"

namespace kpov {
namespace {

constexpr int kProgressStep = 4096;

// The value POV-Ray reads back from "%f".
double AsWritten(double v) { return std::nearbyint(v * 1e6) / 1e6; }

// A triangle whose written corners lie on one line: POV-Ray drops it.
bool Degenerate(const MVector3& a, const MVector3& b, const MVector3& c) {
  const MVector3 pa(AsWritten(a.x), AsWritten(a.y), AsWritten(a.z));
  const MVector3 pb(AsWritten(b.x), AsWritten(b.y), AsWritten(b.z));
  const MVector3 pc(AsWritten(c.x), AsWritten(c.y), AsWritten(c.z));
  const MVector3 e1 = pb - pa, e2 = pc - pa;
  return !(vect_cross(e1, e2).Length() > 1e-10 * e1.Length() * e2.Length());
}

void Vec(MTextWriter& out, const MVector3& v) {
  out.Put('<');
  out.Fixed(v.x);
  out.Put(", ", 2);
  out.Fixed(v.y);
  out.Put(", ", 2);
  out.Fixed(v.z);
  out.Put('>');
}

void Corners(MTextWriter& out, int a, int b, int c) {
  out.Put('<');
  out.Int(a);
  out.Put(", ", 2);
  out.Int(b);
  out.Put(", ", 2);
  out.Int(c);
  out.Put('>');
}

// What one mesh is written from.
struct MeshData {
  MMesh_P* mesh;
  std::vector<MVector3> pos;  // placed by the object's matrix
  std::vector<MVector3> nrm;  // placed and normalised; empty without normals
  bool uvs = false;
  std::vector<int> faces;            // the faces written: three corners in range
  std::vector<std::string> texture;  // per surface reference; one more for the rest
  std::vector<int> tex_of_face;      // index into texture, per written face
};

void Bounds(Run& r, const std::string& id, const MeshData& d) {
  MVector3 lo(0, 0, 0), hi(0, 0, 0);
  bool first = true;
  for (int i : d.faces)
    for (int c = 0; c < 3; ++c) {
      const MVector3& p = d.pos[static_cast<size_t>(d.mesh->f_a->data[i].data[c])];
      if (first) lo = hi = p, first = false;
      lo = MVector3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
      hi = MVector3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
  r.objects->Printf("#declare V_%sBoundMin = <%lf, %lf, %lf>;\n", id.c_str(), lo.x, lo.y, lo.z);
  r.objects->Printf("#declare V_%sBoundMax = <%lf, %lf, %lf>;\n", id.c_str(), hi.x, hi.y, hi.z);
  r.objects->EndLine();
}

// "\t\t<x, y, z>" per entry, ",\n" between them, "\n" after the last.
template <typename Fn>
void List(MTextWriter& out, const char* block, size_t n, MessageCallBack1* cb, Fn entry) {
  out.Printf("\t%s\n\t{\n\t\t%ld,\n", block, static_cast<long>(n));
  for (size_t i = 0; i < n; ++i) {
    if (cb && cb->progress3 && i % kProgressStep == 0) cb->progress3(static_cast<long>(i), static_cast<long>(n));
    out.Put("\t\t", 2);
    entry(i);
    if (i + 1 < n) out.Put(',');
    out.EndLine();
  }
  out.Line("\t}");
}

void WriteMesh2(Run& r, const std::string& id, const char* name, const MeshData& d) {
  MTextWriter& out = *r.objects;
  MMesh_P* m = d.mesh;
  out.Printf("#declare %s = mesh2 // ", id.c_str());
  out.Text(name);
  out.EndLine();
  out.Line("{");
  List(out, "vertex_vectors", d.pos.size(), r.cb, [&](size_t i) { Vec(out, d.pos[i]); });
  if (!d.nrm.empty()) List(out, "normal_vectors", d.nrm.size(), r.cb, [&](size_t i) { Vec(out, d.nrm[i]); });
  if (d.uvs)
    List(out, "uv_vectors", static_cast<size_t>(m->Get_UVVertex_Count()), r.cb, [&](size_t i) {
      const MVector3& t = m->uv_a->data[i];
      out.Put('<');
      out.Fixed(t.x);
      out.Put(", ", 2);
      out.Fixed(t.y);
      out.Put('>');
    });
  out.Printf("\ttexture_list\n\t{\n\t\t%d,\n", static_cast<int>(d.texture.size()));
  for (const std::string& t : d.texture) out.Printf("\t\ttexture { %s }\n", t.c_str());
  out.Line("\t}");
  List(out, "face_indices", d.faces.size(), r.cb, [&](size_t j) {
    const MIPolygon& f = m->f_a->data[d.faces[j]];
    Corners(out, f.data[0], f.data[1], f.data[2]);
    out.Put(", ", 2);
    out.Int(d.tex_of_face[j]);
  });
  if (!d.nrm.empty())
    List(out, "normal_indices", d.faces.size(), r.cb, [&](size_t j) {
      const MIPolygon& f = m->nf_a->data[d.faces[j]];
      Corners(out, f.data[0], f.data[1], f.data[2]);
    });
  if (d.uvs) {
    List(out, "uv_indices", d.faces.size(), r.cb, [&](size_t j) {
      const MIPolygon& f = m->uvf_a->data[d.faces[j]];
      Corners(out, f.data[0], f.data[1], f.data[2]);
    });
    out.Line("\tuv_mapping");
  }
  out.Line("}");
  out.EndLine();
}

void WriteTriangles(Run& r, const std::string& id, const char* name, const MeshData& d) {
  MTextWriter& out = *r.objects;
  MMesh_P* m = d.mesh;
  out.Printf("#declare %s = mesh // ", id.c_str());
  out.Text(name);
  out.EndLine();
  out.Line("{");
  // One texture for the mesh unless its faces differ: then each triangle
  // carries its own.
  const bool materials = r.opt->switches.materials != 0;
  bool per_face = false;
  for (size_t j = 1; materials && j < d.faces.size() && !per_face; ++j) per_face = d.tex_of_face[j] != d.tex_of_face[0];
  for (size_t j = 0; j < d.faces.size(); ++j) {
    if (r.cb && r.cb->progress3 && j % kProgressStep == 0)
      r.cb->progress3(static_cast<long>(j), static_cast<long>(d.faces.size()));
    const int i = d.faces[j];
    const MIPolygon& f = m->f_a->data[i];
    if (!d.nrm.empty()) {
      const MIPolygon& n = m->nf_a->data[i];
      out.Put("\tsmooth_triangle {");
      for (int c = 0; c < 3; ++c) {
        Vec(out, d.pos[static_cast<size_t>(f.data[c])]);
        out.Put(", ", 2);
        Vec(out, d.nrm[static_cast<size_t>(n.data[c])]);
        if (c < 2) out.Put(", ", 2);
      }
    } else {
      out.Put("\ttriangle {");
      for (int c = 0; c < 3; ++c) {
        Vec(out, d.pos[static_cast<size_t>(f.data[c])]);
        if (c < 2) out.Put(", ", 2);
      }
    }
    if (per_face) {
      out.Put(" texture { ");
      out.Put(d.texture[static_cast<size_t>(d.tex_of_face[j])]);
      out.Put(" }");
    }
    out.Line("}");
  }
  if (materials && !d.faces.empty())
    out.Printf("\ttexture { %s }\n", d.texture[static_cast<size_t>(d.tex_of_face[0])].c_str());
  out.Line("}");
  out.EndLine();
}

void WriteMesh(Run& r, const MExportMesh& em, const std::string& id, bool hidden) {
  MMesh_P* m = em.mesh;
  const char* name = em.object->get_name() ? em.object->get_name() : "";
  const int nv = m->Get_Vertex_Count(), nf = m->Get_Face_Count();
  if (nf == 0) return;
  MeshData d;
  d.mesh = m;
  d.pos.reserve(static_cast<size_t>(nv));
  for (int i = 0; i < nv; ++i) d.pos.push_back(em.matrix.Transform(m->v_a->data[i]));
  long sound = 0;
  for (int i = 0; i < nf; ++i) {
    const MIPolygon& f = m->f_a->data[i];
    if (f.count < 3) continue;
    bool in_range = true;
    for (int c = 0; c < 3; ++c) in_range = in_range && f.data[c] >= 0 && f.data[c] < nv;
    if (!in_range) continue;
    d.faces.push_back(i);
    const MVector3 &a = d.pos[static_cast<size_t>(f.data[0])], &b = d.pos[static_cast<size_t>(f.data[1])],
                   &c = d.pos[static_cast<size_t>(f.data[2])];
    if (!Degenerate(a, b, c)) ++sound;
  }
  if (sound == 0) {
    // POV-Ray refuses a mesh without a triangle.
    r.run.log().write("Mesh %s left out: it has no triangle of any area\n", name);
    return;
  }
  r.run.log().write("Working on: %s\n", name);
  r.master->Printf("%sobject{ %s }\n", hidden ? "// " : "", id.c_str());
  Bounds(r, id, d);

  const MExportLayers layers = m_export_layers(m);
  if (layers.normals) {
    d.nrm.reserve(static_cast<size_t>(m->Get_NVertex_Count()));
    bool zero = false;
    for (int i = 0; i < m->Get_NVertex_Count() && !zero; ++i) {
      d.nrm.push_back(vect_normalize(em.matrix.NTransform(m->nv_a->data[i])));
      zero = d.nrm.back().Length() == 0;
    }
    if (zero) {
      r.run.log().write("Normals of %s left out: one of them has no direction\n", name);
      d.nrm.clear();
    }
  }
  // A solid's mesh is mapped as the solid is.
  d.uvs = !r.MeshForm() && layers.uvs && em.source->mapping_type == UV_MAP;
  // The textures: one per surface reference, then T_DEFAULT for faces of
  // no reference (added only when some face needs it).
  MList* refs = em.source->surface_refs;
  const int nrefs = refs ? refs->count : 0;
  for (int k = 0; k < nrefs; ++k) d.texture.push_back(r.TextureOf(ref_name_or_empty(refs, k)));
  d.tex_of_face.reserve(d.faces.size());
  for (int i : d.faces) {
    const int id_ = m->f_a->data[i].mat_id;
    if (id_ >= 0 && id_ < nrefs) {
      d.tex_of_face.push_back(id_);
    } else {
      if (static_cast<int>(d.texture.size()) == nrefs) d.texture.push_back(kDefaultTexture);
      d.tex_of_face.push_back(nrefs);
    }
  }
  if (r.cb && r.cb->msg3) r.cb->msg3("Writing ...");
  if (r.MeshForm())
    WriteTriangles(r, id, name, d);
  else
    WriteMesh2(r, id, name, d);
  if (r.cb && r.cb->msg3) r.cb->msg3("");
}

void WriteSolid(Run& r, const MExportMesh& em, const std::string& id, bool hidden) {
  MSolid* s = static_cast<MSolid*>(em.source);
  const char* name = em.object->get_name() ? em.object->get_name() : "";
  const bool sphere = s->get_type() == SOLID_SPHERE;
  const bool cylinder = s->get_type() == SOLID_CYLINDER;
  if (!sphere && !cylinder) return;
  const double radius = sphere ? static_cast<MSphere*>(s)->Get_Radius() : static_cast<MCylinder*>(s)->Get_Radius();
  const double length = cylinder ? static_cast<MCylinder*>(s)->Get_Len() : 1.0;
  // POV-Ray refuses what would have no volume.
  if (!(radius > 0) || !(std::fabs(length) > 0) || mat_determinant3(em.matrix) == 0) {
    r.run.log().write("Solid %s left out: it has no volume\n", name);
    return;
  }
  r.run.log().write("Working on: %s\n", name);
  r.master->Printf("%sobject{ %s }\n", hidden ? "// " : "", id.c_str());
  MeshData d;
  d.mesh = em.mesh;
  for (int i = 0; i < em.mesh->Get_Vertex_Count(); ++i) d.pos.push_back(em.matrix.Transform(em.mesh->v_a->data[i]));
  for (int i = 0; i < em.mesh->Get_Face_Count(); ++i) {
    const MIPolygon& f = em.mesh->f_a->data[i];
    bool ok = f.count >= 3;
    for (int c = 0; ok && c < 3; ++c) ok = f.data[c] >= 0 && f.data[c] < em.mesh->Get_Vertex_Count();
    if (ok) d.faces.push_back(i);
  }
  Bounds(r, id, d);
  MTextWriter& out = *r.objects;
  out.Printf("#declare %s = %s // ", id.c_str(), sphere ? "sphere" : "cylinder");
  out.Text(name);
  out.EndLine();
  out.Line("{");
  if (sphere)
    out.Printf("\t<%lf, %lf, %lf>,%lf\n", 0.0, 0.0, 0.0, radius);
  else
    out.Printf("\t<%lf, %lf, %lf>,<%lf, %lf, %lf>, %lf\n", 0.0, 0.0, 0.0, 0.0, 0.0, 1.0, radius);
  out.Printf("\ttexture { %s }\n", r.TextureOf(ref_name_or_empty(s->surface_refs, 0)).c_str());
  if (cylinder) out.Printf("\t scale <%lf, %lf, %lf>\n", 1.0, 1.0, length);
  const MMatrix& M = em.matrix;
  out.Printf("\tmatrix < %lf, %lf, %lf,\n", M.m[0][0], M.m[0][1], M.m[0][2]);
  out.Printf("\t         %lf, %lf, %lf,\n", M.m[1][0], M.m[1][1], M.m[1][2]);
  out.Printf("\t         %lf, %lf, %lf,\n", M.m[2][0], M.m[2][1], M.m[2][2]);
  out.Printf("\t         %lf, %lf, %lf>\n", M.m[3][0], M.m[3][1], M.m[3][2]);
  out.Line("}");
  out.EndLine();
}

}  // namespace

void WriteObjects(Run& r) {
  MTextWriter& out = *r.objects;
  // The texture of faces that have none of their own (and of every face
  // when the surfaces are not written).
  out.Printf("#declare %s = texture { pigment { color rgb <0.8, 0.8, 0.8> } }\n\n", kDefaultTexture);
  MExportWalkOptions opt;
  ForEachExportMesh(r.scene, r.cb, opt, [&](const MExportMesh& em) {
    const std::string& id = r.object_ids[static_cast<size_t>(em.index)];
    const bool hidden = em.object->hidden || em.source->hidden;
    if (em.source->get_type() == TSOLID)
      WriteSolid(r, em, id, hidden);
    else
      WriteMesh(r, em, id, hidden);
  });
}

}  // namespace kpov
