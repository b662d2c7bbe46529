#include "axes.h"

#include "camera.h"
#include "mesh.h"
#include "mscene.h"

namespace {

// Into and out of the frame the changes are composed in: Z up, right-handed.
MAxisChange ToZUp(const MAxisConvention& c) {
  MAxisChange t;
  if (c.up == 'Y') {
    // (x, y, z) -> (x, -z, y); a left-handed frame first loses its z.
    t.from[1] = 2, t.from[2] = 1;
    t.sign[1] = c.left_handed ? 1 : -1;
  } else if (c.left_handed) {
    t.sign[2] = -1;
  }
  return t;
}

// a then b.
MAxisChange Then(const MAxisChange& a, const MAxisChange& b) {
  MAxisChange t;
  for (int i = 0; i < 3; ++i) {
    t.from[i] = a.from[b.from[i]];
    t.sign[i] = b.sign[i] * a.sign[b.from[i]];
  }
  return t;
}

void TurnCamera(MCamera* c, const MAxisChange& k) {
  c->position = k.Apply(c->position);
  c->target = k.Apply(c->target);
  c->sky = k.Apply(c->sky);
  c->up = k.Apply(c->up);
  c->right = k.Apply(c->right);
}

void TurnLight(MLight* l, const MAxisChange& k) {
  l->position = k.Apply(l->position);
  l->target = k.Apply(l->target);
}

}  // namespace

bool MAxisChange::Identity() const {
  for (int i = 0; i < 3; ++i)
    if (from[i] != i || sign[i] != 1) return false;
  return true;
}

bool MAxisChange::Mirrors() const {
  // An odd permutation turns the hand once, every sign change once more.
  bool odd = false;
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j)
      if (from[i] > from[j]) odd = !odd;
  for (double s : sign)
    if (s < 0) odd = !odd;
  return odd;
}

MAxisChange MAxisChange::Inverse() const {
  MAxisChange t;
  for (int i = 0; i < 3; ++i) {
    t.from[from[i]] = i;
    t.sign[from[i]] = sign[i];
  }
  return t;
}

MVector3 MAxisChange::Apply(const MVector3& v) const {
  const double in[3] = {v.x, v.y, v.z};
  return MVector3(sign[0] * in[from[0]], sign[1] * in[from[1]], sign[2] * in[from[2]]);
}

MMatrix MAxisChange::Matrix() const {
  MMatrix m(1);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) m[i][j] = i == from[j] ? sign[j] : 0.0;
  return m;
}

MAxisChange m_axis_change(const MAxisConvention& from, const MAxisConvention& to) {
  if (!from.Known() || !to.Known() || from == to) return MAxisChange();
  return Then(ToZUp(from), ToZUp(to).Inverse());
}

void m_change_scene_axes(MScene* scene, const MAxisChange& k) {
  if (!scene || k.Identity()) return;
  const bool mirrors = k.Mirrors();
  auto turn_objects = [&](MList* list, bool matrices) {
    for (int i = 0; list && i < list->count; ++i) {
      MObj3d* o = static_cast<MObj3d*>(list->GetAt(i));
      if (!o) continue;
      if (matrices) {
        // local * K: K only moves and negates columns, so nothing rounds.
        MMatrix& m = o->transformation.local;
        for (int r = 0; r < 4; ++r) {
          const double row[3] = {m[r][0], m[r][1], m[r][2]};
          for (int c = 0; c < 3; ++c) m[r][c] = k.sign[c] * row[k.from[c]];
        }
      }
      if (mirrors && o->get_type() == MESH2) static_cast<MMesh_P*>(o)->Flip(nullptr);
      o->CalculateBoundingBox();
    }
  };
  turn_objects(scene->objects, true);
  // The cached triangulations are drawn with their source's matrix.
  turn_objects(scene->tri_objects, false);
  for (int i = 0; scene->cameras && i < scene->cameras->count; ++i)
    if (auto* c = static_cast<MCamera*>(scene->cameras->GetAt(i))) TurnCamera(c, k);
  for (int i = 0; scene->lights && i < scene->lights->count; ++i)
    if (auto* l = static_cast<MLight*>(scene->lights->GetAt(i))) TurnLight(l, k);
  scene->CalculateBoundingBox();
}
