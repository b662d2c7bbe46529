// The split-by-surface step of the object pass.
#include <unordered_set>
#include <vector>

#include "mesh.h"
#include "mscene.h"
#include "objmod_internal.h"

namespace {

// Removes the given objects from the list and destroys them in one walk;
// the others keep their order.
void remove_objects(MList* list, const std::unordered_set<MObj3d*>& gone) {
  std::vector<void*> keep;
  keep.reserve(static_cast<size_t>(list->count));
  for (MListNode* n = list->head; n; n = n->next)
    if (!gone.count(static_cast<MObj3d*>(n->data))) keep.push_back(n->data);
  // Clear without the deleter drops the nodes only (and the list's cursor).
  MListDeleter deleter = list->deleter;
  list->deleter = nullptr;
  list->Clear();
  list->deleter = deleter;
  for (void* p : keep) list->Append(p);
  for (MObj3d* obj : gone) {
    if (deleter) deleter(obj);
  }
}

// The pieces of one mesh: one per surface that has faces, then the faces
// of no surface (material id -1 or past the surface list) under the mesh's
// own name, so that no face is lost with the original. Empty when the mesh
// has no face on any surface: then there is nothing to split.
std::vector<MMesh_P*> split_mesh(MMesh_P* mesh, kvobjmod::Pass& pass) {
  std::vector<MMesh_P*> pieces;
  FILE* old_log = mesh->log_file;
  mesh->log_file = pass.log_file();
  const int count = mesh->surface_refs ? mesh->surface_refs->count : 0;
  for (int m = 0; m < count; ++m) {
    pass.say(2, "");
    pass.progress(2, m, count);
    pass.say(3, "Splitting ...");
    if (MMesh_P* piece = mesh->SplitSurface(pass.face_progress(), m)) pieces.push_back(piece);
  }
  if (!pieces.empty()) {
    if (MMesh_P* rest = mesh->SplitOtherSurfaces(pass.face_progress(), count)) pieces.push_back(rest);
  }
  mesh->log_file = old_log;
  return pieces;
}

}  // namespace

namespace kvobjmod {

bool split_by_surface(MScene* scene, std::vector<MObj3d*>& selection, Pass& pass) {
  if (!scene->objects) return false;
  std::unordered_set<MObj3d*> split;
  std::vector<MObj3d*> stayed;
  std::vector<MMesh_P*> pieces;
  const long n = static_cast<long>(selection.size());
  for (long k = 0; k < n; ++k) {
    MObj3d* obj = selection[static_cast<size_t>(k)];
    pass.say(1, obj->get_name());
    pass.progress(1, k, n);
    std::vector<MMesh_P*> mine;
    if (obj->get_type() == MESH2) mine = split_mesh(static_cast<MMesh_P*>(obj), pass);
    if (mine.empty()) {
      stayed.push_back(obj);
      continue;
    }
    split.insert(obj);
    pieces.insert(pieces.end(), mine.begin(), mine.end());
  }
  if (split.empty()) return false;
  remove_objects(scene->objects, split);
  for (MMesh_P* piece : pieces) {
    piece->CalculateBoundingBox();  // a piece starts with the box of the whole mesh
    scene->objects->Append(piece);
    stayed.push_back(piece);
  }
  selection = stayed;
  return true;
}

}  // namespace kvobjmod
