// The object pass and the scene pass: what they select, in which order the
// steps run, and the log and callbacks around them.
#include <string>
#include <unordered_set>
#include <vector>

#include "mobj3d.h"
#include "mscene.h"
#include "objmod.h"
#include "objmod_internal.h"
#include "pathutil.h"

namespace kvobjmod {

namespace {

std::string log_base() {
  char cur[M_MAX_PATH];
  if (!m_getcurdir(cur, sizeof cur)) return "";
  return std::string(cur) + "/";
}

}  // namespace

Pass::Pass(const Base_FileOption& options, MessageCallBack1* cb)
    : log_(log_base().c_str(), options.verbose_mode == 1 ? options.logfilename : nullptr) {
  if (cb) cb_ = *cb;
  log_.write("Object Modifier\n");
}

void Pass::say(int level, const char* text) {
  MMessageCallback m = level == 1 ? cb_.msg1 : (level == 2 ? cb_.msg2 : cb_.msg3);
  if (m) m("%s", text ? text : "");
}

void Pass::progress(int level, long done, long total) {
  MProgressCallback p = level == 1 ? cb_.progress1 : (level == 2 ? cb_.progress2 : cb_.progress3);
  if (p) p(done, total);
}

}  // namespace kvobjmod

namespace {

// Every object in list order (object_mode 1), else the objects the listed
// indices name, in the order listed and each once: a repeated index would
// split, and so free, the same object twice.
std::vector<MObj3d*> select_objects(MScene* scene, const ObjModOption1& o) {
  std::vector<MObj3d*> out;
  MList* objects = scene->objects;
  const int count = objects ? objects->count : 0;
  if (o.object_mode == 1) {
    for (int i = 0; i < count; ++i)
      if (MObj3d* obj = static_cast<MObj3d*>(objects->GetAt(i))) out.push_back(obj);
    return out;
  }
  std::unordered_set<int> seen;
  for (int k = 0; k < o.sizeof_object_number && o.object_number; ++k) {
    const int i = o.object_number[k];
    if (i < 0 || i >= count || !seen.insert(i).second) continue;
    if (MObj3d* obj = static_cast<MObj3d*>(objects->GetAt(i))) out.push_back(obj);
  }
  return out;
}

}  // namespace

void mod_objects(MScene* scene, ObjModOption1* options, MessageCallBack1* cb) {
  if (!scene || !options) return;
  kvobjmod::Pass pass(*options, cb);
  options->Print_Options(pass.log_file());
  std::vector<MObj3d*> selection = select_objects(scene, *options);
  bool changed = false;
  if (options->f_mesh_split_by_surface) changed = kvobjmod::split_by_surface(scene, selection, pass);
  if (kvobjmod::run_object_steps(selection, *options, pass)) changed = true;
  // Triangulated copies kept by earlier exports show the old geometry.
  if (changed && scene->tri_objects) scene->tri_objects->Clear();
  scene->CalculateBoundingBox();
}

void mod_objects(MScene* scene, ObjModOption2* options, MessageCallBack1* cb) {
  if (!scene || !options) return;
  kvobjmod::Pass pass(*options, cb);
  options->Print_Options(pass.log_file());
  pass.say(1, "Scene");
  pass.progress(1, 100, 100);
  if (options->enable_scene_center) scene->Center();
  if (options->enable_scene_normalize) scene->Normalize();
  if (options->enable_scene_scale) scene->Scale(options->scene_scale);
  if (options->enable_scene_rotate) scene->RotateDeg(options->scene_rotate);
  if (options->enable_scene_translate) scene->Translate(options->scene_translate);
}
