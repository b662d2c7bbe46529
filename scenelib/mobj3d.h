// MObj3d: the abstract base of every geometric thing in a scene, and MRefObj,
// an instance standing for another object of the same scene.
#pragma once
#include <cstdint>
#include <cstdio>

#include "allocator.h"
#include "geometry.h"
#include "mlist.h"

enum MObj3d_Types : int32_t {
  TNULL = 0,
  MESH2 = 1,
  BSPLINES = 2,
  NURBS = 3,
  GROUP = 4,
  CSG = 5,
  OREF = 6,
  TSOLID = 7,
};

// How an object's surfaces are projected.
enum MMapping_Types : int32_t {
  NONE = 0,
  PLANAR = 1,
  SPHERE = 2,
  CYLINDER = 3,
  BOX = 4,
  UV_MAP = 5,
};

const char* MObj3d_TypeName(int type);      // "MESH2", ...; "UNKNOWN" out of range
const char* MMapping_TypeName(int type);    // "PLANAR", ...
const char* MBox_FaceLabel(int face);       // "Front ", "Back  ", ... (six wide)

// Surface reference i of a list of names, "" when there is none.
inline const char* ref_name_or_empty(MList* refs, int i) {
  const char* s = refs ? static_cast<const char*>(refs->GetAt(i)) : nullptr;
  return s ? s : "";
}

class MObj3d {
 public:
  MVector3 bound_left;
  MVector3 bound_right;
  FILE* log_file = nullptr;
  char* name = nullptr;
  MObj3d_Types type;
  int32_t ref_counter = 0;
  int32_t reserved1 = 0;
  int32_t reserved2 = 0;
  int32_t hidden = 0;
  int32_t cast_shadows = 1;
  int32_t receive_shadows = 1;
  int32_t flag4 = 0;
  MTransformation transformation;
  MList* surface_refs = nullptr;  // owned C strings
  MMapping_Types mapping_type = PLANAR;
  MMatrix surface_matrix;
  MVector3 surface_scale;
  MVector3 surface_rotate;
  MVector3 surface_translate;

  MObj3d(const char* name, MObj3d_Types type);
  virtual ~MObj3d();
  MObj3d(const MObj3d&) = delete;
  MObj3d& operator=(const MObj3d&) = delete;

  virtual void Print(FILE* fp, int a = 0, int b = 0);
  virtual int CalculateBoundingBox() = 0;

  char* get_name() const { return name; }
  void set_name(const char* n);
  MObj3d_Types get_type() const { return type; }
  int Get_RefCounter() const { return ref_counter; }
  void Inc_RefCounter() { ++ref_counter; }

  MVector3& GetBoundLeft() { return bound_left; }
  MVector3& GetBoundRight() { return bound_right; }

  void Scale(const MVector3& s);
  void RotateDeg(const MVector3& a);
  void Translate(const MVector3& t);
  void Center();
  void Normalize();

  int GetIndexMaterialbyName(const char* surface_name);
  void Get_SurfaceTransformation(MMatrix& out) const { out = surface_matrix; }
  void CopyAttributes(MObj3d& dst);

  void SetFile(FILE* fp) { log_file = fp; }
  void UnSetFile() { log_file = nullptr; }

  KV_SHARED_HEAP
};

class MRefObj : public MObj3d {
 public:
  char* ref_name = nullptr;

  MRefObj(int id, const char* ref_name);
  ~MRefObj() override;

  void Print(FILE* fp, int a = 0, int b = 0) override;
  int CalculateBoundingBox() override { return 1; }
  char* Get_RefName() const { return ref_name; }
};
