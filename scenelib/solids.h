// Analytic solids: scene objects described by parameters that give a
// polygon mesh on demand, made by turning a profile about the Z axis.
#pragma once
#include <cstdio>

#include "mesh.h"
#include "mobj3d.h"

enum MSolid_Types : int32_t {
  SOLID_SPHERE = 1,
  SOLID_CYLINDER = 2,
};

class MSolid : public MObj3d {
 public:
  MSolid_Types solid_type;

  MSolid(const char* name, MSolid_Types t);
  ~MSolid() override;

  MSolid_Types get_type() const { return solid_type; }
  void Print(FILE* fp, int a = 0, int b = 0) override = 0;
  int CalculateBoundingBox() override = 0;
  // A new mesh owned by the caller.
  virtual MMesh_P* Get_Mesh() = 0;

  // Turns `profile` about Z (axis 0; 1 about Y, 2 about X) from start to end
  // in steps of `step` radians. Null for fewer than two profile points, or
  // for a step that is not positive or would make an unbounded ring count.
  static MMesh_P* Generate_Rotate_Object(const char* name, const MVPolygon& profile, double start,
                                         double end, double step, int axis);
};

class MSphere : public MSolid {
 public:
  double radius = 1.0;
  int32_t segment = 16;

  explicit MSphere(const char* name);

  void Print(FILE* fp, int a = 0, int b = 0) override;
  int CalculateBoundingBox() override;
  // Segment counts below 3 mesh as 3 and above 4096 as 4096.
  MMesh_P* Get_Mesh() override;

  double Get_Radius() const { return radius; }
  void Set_Radius(double r) { radius = r; }
  int Get_Segment() const { return segment; }
  void Set_Segment(int s) { segment = s; }
};

class MCylinder : public MSolid {
 public:
  double length = 1.0;
  double radius = 0.5;
  int32_t segment_l = 3;
  int32_t segment_r = 16;

  explicit MCylinder(const char* name);
  // From a to b: +Z of the cylinder points from a to b.
  MCylinder(const char* name, MVector3 a, MVector3 b);

  void Print(FILE* fp, int a = 0, int b = 0) override;
  int CalculateBoundingBox() override;
  // Radial segment counts below 3 mesh as 3 and above 1 << 20 as 1 << 20.
  MMesh_P* Get_Mesh() override;

  double Get_Len() const { return length; }
  void Set_Len(double l) { length = l; }
  double Get_Radius() const { return radius; }
  void Set_Radius(double r) { radius = r; }
  int Get_Segment_L() const { return segment_l; }
  void Set_Segment_L(int s) { segment_l = s; }
  int Get_Segment_R() const { return segment_r; }
  void Set_Segment_R(int s) { segment_r = s; }
};
