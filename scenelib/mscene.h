// MScene: the in-memory model every importer fills and every exporter walks.
// Its containers are plain public lists; the scene owns all they hold.
#pragma once
#include <cstdio>

#include "allocator.h"
#include "axes.h"
#include "environment.h"
#include "geometry.h"
#include "maplist.h"
#include "mlist.h"
#include "mobj3d.h"

class MSurface;

class MScene {
 public:
  char* name = nullptr;
  MVector3 bound_left;
  MVector3 bound_right;
  MSceneOptions options;
  MBackGround background;
  MFog fog;
  MList* objects = nullptr;      // MObj3d*
  MList* tri_objects = nullptr;  // triangulated copies of meshes, by source name
  MList* cameras = nullptr;      // MCamera*
  MList* lights = nullptr;       // MLight*
  MList* surfaces = nullptr;     // MSurface*
  MMapList* maps = nullptr;
  // The axes of the file the scene was read from (its import class's);
  // exports to formats of other axes turn the scene for their run.
  MAxisConvention axes;
  // Exports keep the triangulated copies they make in tri_objects for the
  // next export; off for a scene that is exported once, so that each copy
  // is freed as soon as it is written.
  bool keep_export_copies = true;

  explicit MScene(const char* name);
  ~MScene();
  MScene(const MScene&) = delete;
  MScene& operator=(const MScene&) = delete;

  char* get_name() const { return name; }

  int CalculateBoundingBox();
  MVector3& GetBoundLeft() { return bound_left; }
  MVector3& GetBoundRight() { return bound_right; }
  MVector3 Get_Center();
  void Center();
  MVector3 Get_Normalize();
  void Normalize();
  void Scale(const MVector3& s);
  void RotateDeg(const MVector3& a);
  void Translate(const MVector3& t);

  MObj3d* GetObjectbyName(const char* n);
  MObj3d* GetTriObjectbyName(const char* n);
  MSurface* GetMaterialbyName(const char* n);
  int GetIndexMaterialbyName(const char* n);

  void Print(FILE* fp, int a = 0, int b = 0);

  KV_SHARED_HEAP
};

// Called by importers after reading: a camera and three lights when the file
// had none.
void MMake_Default_Cam(MScene* scene);
void MMake_Default_Light(MScene* scene);
