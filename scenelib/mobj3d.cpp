#include "mobj3d.h"

#include <algorithm>
#include <cstring>

const char* MObj3d_TypeName(int type) {
  static const char* const names[] = {"TNULL", "MESH2", "BSPLINES", "NURBS", "GROUP", "CSG", "OREF", "TSOLID"};
  return type >= 0 && type < 8 ? names[type] : "UNKNOWN";
}

const char* MMapping_TypeName(int type) {
  static const char* const names[] = {"NONE", "PLANAR", "SPHERE", "CYLINDER", "BOX", "UV_MAP"};
  return type >= 0 && type < 6 ? names[type] : "UNKNOWN";
}

const char* MBox_FaceLabel(int face) {
  static const char* const labels[] = {"Front ", "Back  ", "Left  ", "Right ", "Top   ", "Bottom"};
  return face >= 0 && face < 6 ? labels[face] : "";
}

static void free_string(void* p) { my_free(p); }

MObj3d::MObj3d(const char* n, MObj3d_Types t)
    : name(my_strdup(n ? n : "")), type(t), surface_refs(new MList(free_string)), surface_matrix(1),
      surface_scale(1, 1, 1) {}

MObj3d::~MObj3d() {
  my_free(name);
  delete surface_refs;
}

void MObj3d::set_name(const char* n) {
  char* copy = my_strdup(n ? n : "");  // n may be our own name
  my_free(name);
  name = copy;
}

void MObj3d::Scale(const MVector3& s) {
  MMatrix m = transformation.Get_LocalMatrix();
  m.Scale(s);
  transformation.Set_LocalMatrix(m);
  CalculateBoundingBox();
}

void MObj3d::RotateDeg(const MVector3& a) {
  MMatrix m = transformation.Get_LocalMatrix();
  m.RotateDeg(a);
  transformation.Set_LocalMatrix(m);
  CalculateBoundingBox();
}

void MObj3d::Translate(const MVector3& t) {
  MMatrix m = transformation.Get_LocalMatrix();
  m.Translate(t);
  transformation.Set_LocalMatrix(m);
  CalculateBoundingBox();
}

void MObj3d::Center() { Translate((bound_left + bound_right) * -0.5); }

void MObj3d::Normalize() {
  MVector3 d = bound_right - bound_left;
  double mx = std::max(d.x, std::max(d.y, d.z));
  if (!(mx > 0.0) || !std::isfinite(mx)) return;  // an empty or flat-to-a-point box has no scale
  double s = 2.0 / mx;
  Scale(MVector3(s, s, s));
}

int MObj3d::GetIndexMaterialbyName(const char* n) {
  if (!n || !surface_refs || surface_refs->count == 0) return -1;
  for (int i = 0; i < surface_refs->count; ++i) {
    const char* s = ref_name_or_empty(surface_refs, i);
    if (s && std::strcmp(s, n) == 0) return i;
  }
  return -1;
}

void MObj3d::CopyAttributes(MObj3d& dst) {
  dst.hidden = hidden;
  dst.cast_shadows = cast_shadows;
  dst.receive_shadows = receive_shadows;
  dst.flag4 = flag4;
  dst.bound_left = bound_left;
  dst.bound_right = bound_right;
  dst.mapping_type = mapping_type;
  dst.surface_matrix = surface_matrix;
  dst.surface_scale = surface_scale;
  dst.surface_rotate = surface_rotate;
  dst.surface_translate = surface_translate;
  dst.transformation.Set_LocalMatrix(transformation.local);
  for (int i = 0; i < surface_refs->count; ++i)
    dst.surface_refs->Append(my_strdup(ref_name_or_empty(surface_refs, i)));
}

void MObj3d::Print(FILE* fp, int, int) {
  if (!fp) return;
  std::fprintf(fp, "Object Name: %s\n", name);
  std::fprintf(fp, "Object Type: %s\n", MObj3d_TypeName(type));
  std::fprintf(fp, "Hidden: %d\n", hidden);
  std::fprintf(fp, "Cast Shadows: %d\n", cast_shadows);
  std::fprintf(fp, "Receive Shadows: %d\n", receive_shadows);
  std::fprintf(fp, "Bound Left : %s\n", bound_left.Print());
  std::fprintf(fp, "Bound Right: %s\n", bound_right.Print());
  std::fprintf(fp, "Object Matrix   : %s\n", transformation.local.Print());
  std::fprintf(fp, "Mapping Type : %s\n", MMapping_TypeName(mapping_type));
  if (mapping_type != NONE && mapping_type != UV_MAP) {
    std::fprintf(fp, "Surface Matrix   : %s\n", surface_matrix.Print());
    std::fprintf(fp, "Surface Scale    : %s\n", surface_scale.Print());
    std::fprintf(fp, "Surface Rotate   : %s\n", surface_rotate.Print());
    std::fprintf(fp, "Surface Translate: %s\n", surface_translate.Print());
  }
  std::fprintf(fp, "Number of Surface References : %d\n", surface_refs->count);
  for (int i = 0; i < surface_refs->count; ++i) {
    const char* s = ref_name_or_empty(surface_refs, i);
    if (mapping_type == BOX && i < 6)
      std::fprintf(fp, "%s %s\n", MBox_FaceLabel(i), s);
    else
      std::fprintf(fp, "%d %s\n", i, s);
  }
}

MRefObj::MRefObj(int id, const char* ref) : MObj3d(ref, OREF), ref_name(my_strdup(ref ? ref : "")) {
  char buf[1100];
  std::snprintf(buf, sizeof buf, "%.1023s_ref%x", ref ? ref : "", static_cast<unsigned>(id));
  set_name(buf);
}

MRefObj::~MRefObj() { my_free(ref_name); }

void MRefObj::Print(FILE* fp, int a, int b) {
  if (!fp) return;
  MObj3d::Print(fp, a, b);
  std::fprintf(fp, "Reference: %s\n", ref_name);
}
