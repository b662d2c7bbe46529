// Object modifiers: the option records of the two passes the application
// runs between import and export, and the passes themselves.
//
// ObjModOption1 drives the object pass (split by surface, mesh clean-up and
// per-object transforms on a selection of objects), ObjModOption2 the scene
// pass (centre, normalise, scale, rotate, translate the whole scene). Both
// come from the settings store (the modifier fields themselves are never
// stored there) or from a command line, and save to and load from small
// option files of command-line style lines ("-key = value;").
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "geometry.h"
#include "msgcallback.h"

class MScene;

class ObjModOption1 : public Base_FileOption {
 public:
  int object_mode = 0;            // 0: the listed objects, 1: all objects
  int sizeof_object_number = 1;
  int* object_number = nullptr;   // my_malloc'ed, sizeof_object_number entries
  int f_mesh_split_by_surface = 0;
  int f_mesh_sub_divide = 0;
  int reserved1 = 1;
  int f_mesh_unify = 0;
  int f_mesh_flip = 0;
  int flip_in_out = 1;            // carried only: the flip step ignores it
  int f_mesh_smooth = 0;
  double smooth_angle = 89.0;     // degrees
  int reserved2 = 0;
  int f_mesh_weld = 0;
  double mesh_weld_tol = 0.001;
  int f_degenerate_faces = 0;
  double degenerate_tol = 0.001;
  int enable_object_center = 0;
  int enable_object_normalize = 0;
  int enable_object_scale = 0;
  MVector3 object_scale = MVector3(1, 1, 1);
  int enable_object_rotate = 0;
  MVector3 object_rotate;         // degrees
  int enable_object_translate = 0;
  MVector3 object_translate;

  // Base from the settings store, then the defaults.
  ObjModOption1(const char* reg_name, const char* logname);
  // Base from the command line, the defaults, then the command line.
  ObjModOption1(int argc, const char* const* argv, const char* logname);
  ObjModOption1(const ObjModOption1& o);
  ObjModOption1& operator=(const ObjModOption1& o);
  ~ObjModOption1() override;

  int LoadCmd() override;
  // Reads an option file written by SaveFile (or by hand). 0 when the file
  // cannot be opened (errno tells why); the fields are then unchanged.
  int LoadFile(const char* path);
  // 1 written; 0 when the file cannot be created or a write fails.
  int SaveFile(const char* path);
  // The lines SaveFile writes.
  void Print_Options(FILE* f);
  static const char* Get_HelpString();

  // Replaces the selection list (copied); a null list or count <= 0 empties it.
  void Set_Selection(const int* indices, int count);

  KV_SHARED_HEAP

 private:
  void Init();
  int LoadCmd_Arg(int argc, const char* const* argv);
};

class ObjModOption2 : public Base_FileOption {
 public:
  int enable_scene_center = 0;
  int enable_scene_normalize = 0;
  int enable_scene_scale = 0;
  MVector3 scene_scale = MVector3(1, 1, 1);
  int enable_scene_rotate = 0;
  MVector3 scene_rotate;          // degrees
  int enable_scene_translate = 0;
  MVector3 scene_translate;

  ObjModOption2(const char* reg_name, const char* logname);
  ObjModOption2(int argc, const char* const* argv, const char* logname);
  ObjModOption2(const ObjModOption2& o) = default;
  ObjModOption2& operator=(const ObjModOption2& o) = default;
  ~ObjModOption2() override = default;

  int LoadCmd() override;
  int LoadFile(const char* path);
  int SaveFile(const char* path);
  void Print_Options(FILE* f);
  static const char* Get_HelpString();

  KV_SHARED_HEAP

 private:
  void Init();
  int LoadCmd_Arg(int argc, const char* const* argv);
};

// The object pass: the selected objects (all with object_mode 1, else the
// listed indices that name an object, each once) are split by surface, then
// cleaned up and transformed step by step; the scene's bounds are
// recomputed. Level 1 of cb reports the object, level 2 the surface being
// split, level 3 the step and the per-face progress. cb may be null.
void mod_objects(MScene* scene, ObjModOption1* options, MessageCallBack1* cb);
// The scene pass: centre, normalise, scale, rotate, translate, each when
// enabled, in that order.
void mod_objects(MScene* scene, ObjModOption2* options, MessageCallBack1* cb);
