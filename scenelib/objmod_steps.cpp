// The per-object steps of the object pass: mesh clean-up through the mesh
// processing of the library, then the object transforms.
#include "mesh.h"
#include "objmod_internal.h"

namespace {

using kvobjmod::Pass;

// One mesh step: its flag, its status text and what it does.
struct MeshStep {
  int ObjModOption1::*flag;
  const char* text;
  void (*run)(MMesh_P& mesh, const ObjModOption1& o, MProgressCallback cb);
};

const MeshStep kMeshSteps[] = {
    {&ObjModOption1::f_mesh_weld, "Welding ...",
     [](MMesh_P& m, const ObjModOption1& o, MProgressCallback cb) { m.Weld(cb, o.mesh_weld_tol); }},
    {&ObjModOption1::f_mesh_sub_divide, "Sub Dividing ...",
     [](MMesh_P& m, const ObjModOption1& o, MProgressCallback cb) { delete m.SubDivide(cb, o.f_mesh_sub_divide); }},
    {&ObjModOption1::f_mesh_unify, "Unifying ...",
     [](MMesh_P& m, const ObjModOption1&, MProgressCallback cb) { m.Unify(cb); }},
    {&ObjModOption1::f_mesh_flip, "Flipping ...",
     [](MMesh_P& m, const ObjModOption1&, MProgressCallback cb) { m.Flip(cb); }},
    {&ObjModOption1::f_mesh_smooth, "Smoothing ...",
     [](MMesh_P& m, const ObjModOption1& o, MProgressCallback cb) { m.NormalSmooth(cb, o.smooth_angle); }},
    {&ObjModOption1::f_degenerate_faces, "Checkking Degenerate Faces ...",
     [](MMesh_P& m, const ObjModOption1& o, MProgressCallback cb) { m.Degenerate(cb, o.degenerate_tol); }},
};

// Steps 1-6: meshes only, with the mesh logging into the pass log while
// they run. True when one ran.
bool run_mesh_steps(MMesh_P& mesh, const ObjModOption1& o, Pass& pass) {
  bool ran = false;
  // Smoothing makes the normals anew from the faces: the steps before it
  // leave the old ones alone (welding, unifying or flipping them would be
  // work thrown away), and smoothing reuses their storage.
  const bool renew_normals = o.f_mesh_smooth && o.smooth_angle != 0.0 && mesh.normals_used;
  if (renew_normals) mesh.normals_used = 0;
  FILE* old_log = mesh.log_file;
  mesh.log_file = pass.log_file();
  for (const MeshStep& step : kMeshSteps) {
    if (step.flag == &ObjModOption1::f_mesh_smooth && renew_normals) mesh.normals_used = 1;
    if (!(o.*step.flag)) continue;
    pass.say(3, step.text);
    step.run(mesh, o, pass.face_progress());
    ran = true;
  }
  mesh.log_file = old_log;
  // Welding drops unused vertices, so the box may shrink; centring and
  // normalising below need the box of what is left.
  if (ran) mesh.CalculateBoundingBox();
  return ran;
}

// Steps 7-11: every object type.
void run_transforms(MObj3d& obj, const ObjModOption1& o, Pass& pass) {
  if (o.enable_object_center) {
    pass.say(3, "Centering ...");
    obj.Center();
  }
  if (o.enable_object_normalize) {
    pass.say(3, "Normalizing ...");
    obj.Normalize();
  }
  if (o.enable_object_scale) {
    pass.say(3, "Scaling ...");
    obj.Scale(o.object_scale);
  }
  if (o.enable_object_rotate) {
    pass.say(3, "Rotating ...");
    obj.RotateDeg(o.object_rotate);
  }
  if (o.enable_object_translate) {
    pass.say(3, "Translating ...");
    obj.Translate(o.object_translate);
  }
}

}  // namespace

namespace kvobjmod {

bool run_object_steps(const std::vector<MObj3d*>& selection, ObjModOption1& options, Pass& pass) {
  bool changed = false;
  const long n = static_cast<long>(selection.size());
  for (long k = 0; k < n; ++k) {
    MObj3d* obj = selection[static_cast<size_t>(k)];
    const char* name = obj->get_name() ? obj->get_name() : "";
    pass.say(1, name);
    pass.progress(1, k, n);
    pass.say(2, "");
    pass.progress(2, 100, 100);
    pass.log().write("Working on: %s\n", name);
    if (obj->get_type() == MESH2 && run_mesh_steps(*static_cast<MMesh_P*>(obj), options, pass)) changed = true;
    run_transforms(*obj, options, pass);
  }
  return changed;
}

}  // namespace kvobjmod
