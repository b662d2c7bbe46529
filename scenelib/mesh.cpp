#include "mesh.h"

#include <algorithm>
#include <cstring>

MMesh_P::MMesh_P(const char* n) : MObj3d(n, MESH2), v_a(new MVertexArray()), f_a(new MFaceArray()) {}

MMesh_P::MMesh_P(int nv, int nf, const char* n)
    : MObj3d(n, MESH2), v_a(new MVertexArray(nv)), f_a(new MFaceArray(nf)) {}

MMesh_P::~MMesh_P() {
  delete v_a;
  delete f_a;
  RemoveNormals();
  RemoveUV();
}

void MMesh_P::UseNormals() {
  if (normals_used) return;
  nv_a = new MVertexArray();
  nf_a = new MFaceArray();
  normals_used = 1;
}

void MMesh_P::UseNormals(int nv, int nf) {
  if (normals_used) return;
  nv_a = new MVertexArray(nv);
  nf_a = new MFaceArray(nf);
  normals_used = 1;
}

void MMesh_P::UseUV() {
  mapping_type = UV_MAP;
  if (uv_used) return;
  uv_a = new MVertexArray();
  uvf_a = new MFaceArray();
  uv_used = 1;
}

void MMesh_P::UseUV(int nv, int nf) {
  mapping_type = UV_MAP;
  if (uv_used) return;
  uv_a = new MVertexArray(nv);
  uvf_a = new MFaceArray(nf);
  uv_used = 1;
}

void MMesh_P::RemoveNormals() {
  if (normals_used) {
    delete nv_a;
    delete nf_a;
  }
  nv_a = nullptr;
  nf_a = nullptr;
  normals_used = 0;
}

void MMesh_P::RemoveUV() {
  if (uv_used) {
    delete uv_a;
    delete uvf_a;
  }
  uv_a = nullptr;
  uvf_a = nullptr;
  uv_used = 0;
}

int MMesh_P::Add_Vertex(const MVector3& v, double tol) { return v_a->Add_Tol(v, tol); }
int MMesh_P::Add_NVertex(const MVector3& v, double tol) { return nv_a->Add_Tol(v, tol); }
int MMesh_P::Add_UVVertex(const MVector3& v, double tol) { return uv_a->Add_Tol(v, tol); }
int MMesh_P::Add_Face(const MIPolygon& f) { return f_a->Add(f); }
int MMesh_P::Add_NFace(const MIPolygon& f) { return nf_a->Add(f); }
int MMesh_P::Add_UVFace(const MIPolygon& f) { return uvf_a->Add(f); }

namespace {

// The corner indices of a small face stay on the stack and are copied once
// into the face array: one allocation per face.
int add_corners(MVertexArray* va, MFaceArray* fa, const MVector3* pts, int n, int matid, double tol) {
  int32_t small[16] = {};
  int32_t* idx = n <= 16 ? small : static_cast<int32_t*>(my_malloc(static_cast<size_t>(n) * sizeof(int32_t)));
  for (int i = 0; i < n; ++i) idx[i] = va->Add_Tol(pts[i], tol);
  int face = fa->Add(idx, n, matid);
  if (idx != small) my_free(idx);
  return face;
}

}  // namespace

int MMesh_P::Add_Tri(const MVector3& a, const MVector3& b, const MVector3& c, int matid, double tol) {
  const MVector3 p[3] = {a, b, c};
  return add_corners(v_a, f_a, p, 3, matid, tol);
}

int MMesh_P::Add_Quad(const MVector3& a, const MVector3& b, const MVector3& c, const MVector3& d, int matid,
                      double tol) {
  const MVector3 p[4] = {a, b, c, d};
  return add_corners(v_a, f_a, p, 4, matid, tol);
}

int MMesh_P::Add_Polygon(const MVPolygon& p, int matid, double tol) {
  return add_corners(v_a, f_a, p.data, p.count, matid, tol);
}

int MMesh_P::Add_NTri(const MVector3& a, const MVector3& b, const MVector3& c, int matid, double tol) {
  const MVector3 p[3] = {a, b, c};
  return add_corners(nv_a, nf_a, p, 3, matid, tol);
}

int MMesh_P::Add_NPolygon(const MVPolygon& p, int matid, double tol) {
  return add_corners(nv_a, nf_a, p.data, p.count, matid, tol);
}

int MMesh_P::Add_UVPolygon(const MVPolygon& p, int matid, double tol) {
  return add_corners(uv_a, uvf_a, p.data, p.count, matid, tol);
}

int MMesh_P::Add_UVTri(const MVector3& a, const MVector3& b, const MVector3& c) {
  const MVector3 p[3] = {a, b, c};
  return add_corners(uv_a, uvf_a, p, 3, -1, -1.0);
}

// Faces read from files may name corners outside the array or be short of
// corners: such a corner reads as the origin instead of past the buffer.
static MVector3 corner_of(const MVertexArray* va, const MIPolygon& f, int k) {
  if (!va || k >= f.count || !f.data) return MVector3(0, 0, 0);
  int idx = f.data[k];
  return (idx >= 0 && idx < va->count) ? va->data[idx] : MVector3(0, 0, 0);
}

static MVPolygon corners_of(const MVertexArray* va, const MFaceArray* fa, int i) {
  MVPolygon p;
  if (!fa || i < 0 || i >= fa->count) return p;
  const MIPolygon& f = fa->data[i];
  for (int k = 0; k < f.count; ++k) p.Add(corner_of(va, f, k));
  return p;
}

MVPolygon MMesh_P::Get_Face(int i) { return corners_of(v_a, f_a, i); }
MVPolygon MMesh_P::Get_NFace(int i) { return corners_of(nv_a, nf_a, i); }
MVPolygon MMesh_P::Get_UVFace(int i) { return corners_of(uv_a, uvf_a, i); }

static void tri_of(const MVertexArray* va, const MFaceArray* fa, int i, MVector3& a, MVector3& b, MVector3& c) {
  if (!fa || i < 0 || i >= fa->count) {
    a = b = c = MVector3(0, 0, 0);
    return;
  }
  const MIPolygon& f = fa->data[i];
  a = corner_of(va, f, 0);
  b = corner_of(va, f, 1);
  c = corner_of(va, f, 2);
}

void MMesh_P::Get_Tri(int i, MVector3& a, MVector3& b, MVector3& c) { tri_of(v_a, f_a, i, a, b, c); }
void MMesh_P::Get_NTri(int i, MVector3& a, MVector3& b, MVector3& c) { tri_of(nv_a, nf_a, i, a, b, c); }
void MMesh_P::Get_UVTri(int i, MVector3& a, MVector3& b, MVector3& c) { tri_of(uv_a, uvf_a, i, a, b, c); }

int MMesh_P::Get_INVertex_IVertex(const MIPolygon& face, const MIPolygon& other, int v) {
  int pos = -1;
  for (int i = 0; i < face.count; ++i)
    if (face.data[i] == v) pos = i;
  if (pos < 0 || pos >= other.count) return -1;
  return other.data[pos];
}

int MMesh_P::Get_IUVVertex_IVertex(const MIPolygon& face, const MIPolygon& other, int v) {
  return Get_INVertex_IVertex(face, other, v);
}

int MMesh_P::CalculateBoundingBox() {
  if (!v_a || v_a->count == 0) return 0;
  const MMatrix& m = transformation.local;
  MVector3 lo = m.Transform(v_a->data[0]);
  MVector3 hi = lo;
  for (int i = 1; i < v_a->count; ++i) {
    MVector3 p = m.Transform(v_a->data[i]);
    lo.x = std::min(lo.x, p.x);
    lo.y = std::min(lo.y, p.y);
    lo.z = std::min(lo.z, p.z);
    hi.x = std::max(hi.x, p.x);
    hi.y = std::max(hi.y, p.y);
    hi.z = std::max(hi.z, p.z);
  }
  bound_left = lo;
  bound_right = hi;
  return 1;
}

void MMesh_P::Print(FILE* fp, int a, int b) {
  if (!fp) return;
  MObj3d::Print(fp, a, b);
  std::fprintf(fp, "Vertex Count: %d\n", Get_Vertex_Count());
  std::fprintf(fp, "Face Count: %d\n", Get_Face_Count());
  if (normals_used) {
    std::fprintf(fp, "Normal Vertex Count: %d\n", Get_NVertex_Count());
    std::fprintf(fp, "Normal Face Count: %d\n", Get_NFace_Count());
  }
  if (uv_used) {
    std::fprintf(fp, "UV Vertex Count: %d\n", Get_UVVertex_Count());
    std::fprintf(fp, "UV Face Count: %d\n", Get_UVFace_Count());
  }
}

static void dump_vertices(FILE* fp, const char* label, const MVertexArray* va) {
  std::fprintf(fp, label, va->count);
  for (int i = 0; i < va->count; ++i) std::fprintf(fp, "%03d %s\n", i, va->data[i].Print());
  std::fprintf(fp, "\n");
}

static void dump_faces(FILE* fp, const char* label, const MFaceArray* fa, bool with_mat) {
  std::fprintf(fp, label, fa->count);
  for (int i = 0; i < fa->count; ++i) {
    const MIPolygon& f = fa->data[i];
    if (with_mat)
      std::fprintf(fp, "%03d (%d, %d): ", i, f.count, f.mat_id);
    else
      std::fprintf(fp, "%03d (%d): ", i, f.count);
    for (int k = 0; k < f.count; ++k) std::fprintf(fp, "%3d ", f.data[k]);
    std::fprintf(fp, "\n");
  }
  std::fprintf(fp, "\n");
}

void MMesh_P::Dump(FILE* fp) {
  if (!fp) return;
  std::fprintf(fp, "############################################\n");
  std::fprintf(fp, "Mesh Dump\n");
  std::fprintf(fp, "%s\n", name);
  dump_vertices(fp, "Vertex Count: %d\n", v_a);
  if (normals_used) dump_vertices(fp, "NVertex Count: %d\n", nv_a);
  if (uv_used) dump_vertices(fp, "UVVertex Count: %d\n", uv_a);
  dump_faces(fp, "Face Count: %d\n", f_a, true);
  if (normals_used) dump_faces(fp, "NFace Count: %d\n", nf_a, false);
  if (uv_used) dump_faces(fp, "UVFace Count: %d\n", uvf_a, false);
  std::fprintf(fp, "Surfaces: %d\n", surface_refs->count);
  for (int i = 0; i < surface_refs->count; ++i)
    std::fprintf(fp, "(%d) %s\n", i, ref_name_or_empty(surface_refs, i));
  std::fprintf(fp, "\n");
}
