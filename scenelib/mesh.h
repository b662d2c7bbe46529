// MMesh_P: the polygon mesh. Three parallel, independently indexed layers
// (positions, optional normals, optional UVs); face i of every layer
// describes the same polygon corner by corner.
#pragma once
#include <cstdio>
#include <vector>

#include "mesh_arrays.h"
#include "mobj3d.h"

// Progress callback of long mesh operations: (done, total); may be null.
typedef void (*MProgressCallback)(long done, long total);

// How Triangulate splits a quad, and how writers that split quads
// themselves must: corners 0 1 2, then 0 2 3.
inline constexpr int kQuadHalves[2][3] = {{0, 1, 2}, {0, 2, 3}};

class MMesh_P : public MObj3d {
 public:
  int32_t normals_used = 0;
  int32_t uv_used = 0;
  MVertexArray* v_a = nullptr;
  MFaceArray* f_a = nullptr;
  MVertexArray* nv_a = nullptr;
  MFaceArray* nf_a = nullptr;
  MVertexArray* uv_a = nullptr;
  MFaceArray* uvf_a = nullptr;

  explicit MMesh_P(const char* name);
  MMesh_P(int nv, int nf, const char* name);
  ~MMesh_P() override;

  void Print(FILE* fp, int a = 0, int b = 0) override;
  int CalculateBoundingBox() override;
  void Dump(FILE* fp);

  // Layers
  void UseNormals();
  void UseNormals(int nv, int nf);
  void UseUV();  // also sets mapping_type to UV_MAP
  void UseUV(int nv, int nf);
  void RemoveNormals();
  void RemoveUV();
  int NormalsUsed() const { return normals_used; }
  int UVUsed() const { return uv_used; }
  MVertexArray* Get_v_a() { return v_a; }
  MVertexArray* Get_nv_a() { return nv_a; }
  MVertexArray* Get_uv_a() { return uv_a; }

  // Adding geometry; tol is the merge tolerance of MVertexArray::Add_Tol
  // (-1.0 keeps every vertex).
  int Add_Vertex(const MVector3& v, double tol);
  int Add_NVertex(const MVector3& v, double tol);
  int Add_UVVertex(const MVector3& v, double tol);
  int Add_Face(const MIPolygon& f);
  int Add_NFace(const MIPolygon& f);
  int Add_UVFace(const MIPolygon& f);
  int Add_Tri(const MVector3& a, const MVector3& b, const MVector3& c, int matid, double tol);
  int Add_Quad(const MVector3& a, const MVector3& b, const MVector3& c, const MVector3& d, int matid, double tol);
  int Add_Polygon(const MVPolygon& p, int matid, double tol);
  int Add_NTri(const MVector3& a, const MVector3& b, const MVector3& c, int matid, double tol);
  int Add_NPolygon(const MVPolygon& p, int matid, double tol);
  int Add_UVPolygon(const MVPolygon& p, int matid, double tol);
  int Add_UVTri(const MVector3& a, const MVector3& b, const MVector3& c);

  // Reading geometry
  int Get_Vertex_Count() const { return v_a ? v_a->count : 0; }
  int Get_Face_Count() const { return f_a ? f_a->count : 0; }
  int Get_NVertex_Count() const { return nv_a ? nv_a->count : 0; }
  int Get_NFace_Count() const { return nf_a ? nf_a->count : 0; }
  int Get_UVVertex_Count() const { return uv_a ? uv_a->count : 0; }
  int Get_UVFace_Count() const { return uvf_a ? uvf_a->count : 0; }
  MVector3& Get_Vertex(int i) { return v_a->data[i]; }
  MVector3& Get_NVertex(int i) { return nv_a->data[i]; }
  MVector3& Get_UVVertex(int i) { return uv_a->data[i]; }
  MIPolygon& Get_IFace(int i) { return f_a->data[i]; }
  MIPolygon& Get_INFace(int i) { return nf_a->data[i]; }
  MIPolygon& Get_IUVFace(int i) { return uvf_a->data[i]; }
  MIPolygon* Get_IFace_p(int i) { return &f_a->data[i]; }
  MIPolygon* Get_INFace_p(int i) { return &nf_a->data[i]; }
  MIPolygon* Get_IUVFace_p(int i) { return &uvf_a->data[i]; }
  MVPolygon Get_Face(int i);
  MVPolygon Get_NFace(int i);
  MVPolygon Get_UVFace(int i);
  void Get_Tri(int i, MVector3& a, MVector3& b, MVector3& c);
  void Get_NTri(int i, MVector3& a, MVector3& b, MVector3& c);
  void Get_UVTri(int i, MVector3& a, MVector3& b, MVector3& c);
  int Get_VertexperFace_Count(int i) { return f_a->data[i].count; }
  int Get_NVertexperFace_Count(int i) { return nf_a->data[i].count; }
  int Get_Face_MatId(int i) { return f_a->data[i].mat_id; }
  void Set_Face_MatId(int i, int id) { f_a->data[i].mat_id = id; }
  void Set_Vertex_Array(int i, const MVector3& v) { v_a->data[i] = v; }
  void Set_NVertex_Array(int i, const MVector3& v) { nv_a->data[i] = v; }
  void Set_UVVertex_Array(int i, const MVector3& v) { uv_a->data[i] = v; }
  void Set_Face_Array(int i, const MIPolygon& f) { f_a->data[i] = f; }
  void Set_NFace_Array(int i, const MIPolygon& f) { nf_a->data[i] = f; }
  void Set_UVFace_Array(int i, const MIPolygon& f) { uvf_a->data[i] = f; }
  // The index in `other` at the position of vertex v in `face` (last
  // occurrence); -1 when v is not a corner of face.
  static int Get_INVertex_IVertex(const MIPolygon& face, const MIPolygon& other, int v);
  static int Get_IUVVertex_IVertex(const MIPolygon& face, const MIPolygon& other, int v);

  MMesh_P* SubDivide(MProgressCallback cb, int level) { return nullptr; }

  // Mesh processing (mesh_*.cpp). Returned meshes belong to the caller.
  MMesh_P* Triangulate(MProgressCallback cb);
  // How many triangles Triangulate makes of the faces, without making them
  // (0 when it would make none).
  long Count_Triangles();
  void Weld(MProgressCallback cb, double tol);
  void Degenerate(MProgressCallback cb, double tol);
  void Flip(MProgressCallback cb);
  void Unify(MProgressCallback cb);
  void NormalSmooth(MProgressCallback cb);
  void NormalSmooth(MProgressCallback cb, double angle);
  void NormalSmooth(MProgressCallback cb, double* angles);  // one angle per surface reference
  // The angle list with its length; faces of material ids outside [0, count)
  // keep their flat face normal.
  void NormalSmooth(MProgressCallback cb, const double* angles, int count);
  MVector3 Calculate_Normal(int face);
  MMesh_P* SplitSurface(MProgressCallback cb, int matid);
  // The faces whose material id lies outside [0, count) as a mesh of their
  // own, under the same name; null when there are none.
  MMesh_P* SplitOtherSurfaces(MProgressCallback cb, int count);
  // One shared index for positions and texture coordinates. Where neither
  // layer's numbering can serve without losing coordinates (texture
  // seams), every distinct position/texture pair becomes its own vertex.
  MMesh_P* UV_OptimizeMesh(MProgressCallback cb);
  MMesh_P* SplitAtSeams(MProgressCallback cb);
  MFaceArray* MakeVertexFaceLList(int matid = -1);
  MFaceArray* MakeNVertexFaceLList(int matid = -1);
  MFaceArray* MakeUVVertexFaceLList(int matid = -1);
  void MakeEdgeList(MProgressCallback cb, MEdgeArray** edges, MFaceArray** face_edges, int reorient);

 private:
  MFaceArray* TriangulateFace(int face);
};

namespace kvmesh {

// Vertex-to-face lists in compressed form: the faces of vertex v are
// faces[start[v] .. start[v + 1]). Faces listed in face order; a face using
// a vertex twice appears twice; corners outside the vertex range are ignored.
// matid -1 lists the faces of every material.
struct VertexFaces {
  std::vector<int> start;
  std::vector<int> faces;
  void build(const MFaceArray* fa, int vertex_count, int matid);
};

}  // namespace kvmesh

// Smoothed normals of every face corner, face by face, leaving the mesh as
// it is: a corner gets the mean normal of the faces of its face's material
// around its vertex that lie within angle degrees of its own face (angle 0:
// every corner its face's normal).
std::vector<MVector3> m_corner_normals(MMesh_P* mesh, double angle);

// The triangles of one polygon given by its corner points, as the mesh's
// own triangulation makes them (corners equal to their successor dropped,
// then ear clipping): three corner positions (0 .. n-1) per triangle are
// appended to tris. Fewer than three usable corners give nothing.
void m_triangulate_polygon(const MVector3* pts, int n, std::vector<int>& tris);
