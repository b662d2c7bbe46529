#include "mscene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "camera.h"
#include "surface.h"

namespace {

void delete_object(void* p) { delete static_cast<MObj3d*>(p); }
void delete_camera(void* p) { delete static_cast<MCamera*>(p); }
void delete_light(void* p) { delete static_cast<MLight*>(p); }
void delete_surface(void* p) { delete static_cast<MSurface*>(p); }

MObj3d* find_object(MList* list, const char* n) {
  if (!list || !n) return nullptr;
  for (int i = 0; i < list->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(list->GetAt(i));
    if (o && o->get_name() && std::strcmp(o->get_name(), n) == 0) return o;
  }
  return nullptr;
}

template <typename T>
void each(MList* list, void (*fn)(T*, const MVector3&), const MVector3& v) {
  if (!list) return;
  for (int i = 0; i < list->count; ++i)
    if (T* t = static_cast<T*>(list->GetAt(i))) fn(t, v);
}

}  // namespace

MScene::MScene(const char* n)
    : name(my_strdup(n ? n : "")),
      objects(new MList(delete_object)),
      tri_objects(new MList(delete_object)),
      cameras(new MList(delete_camera)),
      lights(new MList(delete_light)),
      surfaces(new MList(delete_surface)),
      maps(new MMapList()) {}

MScene::~MScene() {
  my_free(name);
  delete objects;
  delete tri_objects;
  delete cameras;
  delete lights;
  delete surfaces;
  delete maps;
}

int MScene::CalculateBoundingBox() {
  if (!objects || objects->count == 0) return 0;
  bool first = true;
  for (int i = 0; i < objects->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(objects->GetAt(i));
    if (!o) continue;
    o->CalculateBoundingBox();
    const MVector3& l = o->bound_left;
    const MVector3& r = o->bound_right;
    if (first) {
      bound_left = l;
      bound_right = r;
      first = false;
      continue;
    }
    bound_left = MVector3(std::min(bound_left.x, l.x), std::min(bound_left.y, l.y), std::min(bound_left.z, l.z));
    bound_right = MVector3(std::max(bound_right.x, r.x), std::max(bound_right.y, r.y), std::max(bound_right.z, r.z));
  }
  return 1;
}

MVector3 MScene::Get_Center() { return (bound_left + bound_right) * -0.5; }

MVector3 MScene::Get_Normalize() {
  MVector3 d = bound_right - bound_left;
  double mx = std::max(d.x, std::max(d.y, d.z));
  // A scene without extent keeps its size instead of scaling by infinity.
  double s = (mx > 0.0 && std::isfinite(mx)) ? 2.0 / mx : 1.0;
  return MVector3(s, s, s);
}

void MScene::Center() { Translate(Get_Center()); }

void MScene::Normalize() { Scale(Get_Normalize()); }

void MScene::Scale(const MVector3& s) {
  each<MObj3d>(objects, [](MObj3d* o, const MVector3& v) { o->Scale(v); }, s);
  each<MCamera>(cameras, [](MCamera* c, const MVector3& v) { c->Scale(v); }, s);
  each<MLight>(lights, [](MLight* l, const MVector3& v) { l->Scale(v); }, s);
  CalculateBoundingBox();
}

void MScene::RotateDeg(const MVector3& a) {
  each<MObj3d>(objects, [](MObj3d* o, const MVector3& v) { o->RotateDeg(v); }, a);
  each<MCamera>(cameras, [](MCamera* c, const MVector3& v) { c->RotateDeg(v); }, a);
  each<MLight>(lights, [](MLight* l, const MVector3& v) { l->RotateDeg(v); }, a);
  CalculateBoundingBox();
}

void MScene::Translate(const MVector3& t) {
  each<MObj3d>(objects, [](MObj3d* o, const MVector3& v) { o->Translate(v); }, t);
  each<MCamera>(cameras, [](MCamera* c, const MVector3& v) { c->Translate(v); }, t);
  each<MLight>(lights, [](MLight* l, const MVector3& v) { l->Translate(v); }, t);
  CalculateBoundingBox();
}

MObj3d* MScene::GetObjectbyName(const char* n) { return find_object(objects, n); }
MObj3d* MScene::GetTriObjectbyName(const char* n) { return find_object(tri_objects, n); }

MSurface* MScene::GetMaterialbyName(const char* n) {
  int i = GetIndexMaterialbyName(n);
  return i < 0 ? nullptr : static_cast<MSurface*>(surfaces->GetAt(i));
}

int MScene::GetIndexMaterialbyName(const char* n) {
  if (!surfaces || !n) return -1;
  for (int i = 0; i < surfaces->count; ++i) {
    MSurface* s = static_cast<MSurface*>(surfaces->GetAt(i));
    if (s && std::strcmp(s->name, n) == 0) return i;
  }
  return -1;
}

void MScene::Print(FILE* fp, int a, int b) {
  if (!fp) return;
  std::fprintf(fp, "Scene Name : %s\n", name);
  std::fprintf(fp, "Bound Left : %s\n", bound_left.Print());
  std::fprintf(fp, "Bound Right: %s\n", bound_right.Print());
  std::fprintf(fp, "\n");
  options.Print(fp, a, b);
  std::fprintf(fp, "\n");
  background.Print(fp, a, b);
  std::fprintf(fp, "\n");
  fog.Print(fp, a, b);
  std::fprintf(fp, "\n");
  std::fprintf(fp, "Number of Geometry Objects: %d\n", objects ? objects->count : 0);
  for (int i = 0; objects && i < objects->count; ++i) {
    if (auto* o = static_cast<MObj3d*>(objects->GetAt(i))) o->Print(fp, a, b);
    std::fprintf(fp, "\n");
  }
  std::fprintf(fp, "Number of Camera Objects: %d\n", cameras ? cameras->count : 0);
  for (int i = 0; cameras && i < cameras->count; ++i) {
    if (auto* c = static_cast<MCamera*>(cameras->GetAt(i))) c->Print(fp, a, b);
    std::fprintf(fp, "\n");
  }
  std::fprintf(fp, "Number of Light Objects : %d\n", lights ? lights->count : 0);
  for (int i = 0; lights && i < lights->count; ++i) {
    if (auto* l = static_cast<MLight*>(lights->GetAt(i))) l->Print(fp, a, b);
    std::fprintf(fp, "\n");
  }
  std::fprintf(fp, "Number of Materials : %d\n", surfaces ? surfaces->count : 0);
  for (int i = 0; surfaces && i < surfaces->count; ++i) {
    if (auto* s = static_cast<MSurface*>(surfaces->GetAt(i))) s->Print(fp, a, b, 0);
    std::fprintf(fp, "\n");
  }
  if (maps) maps->Print(fp, a, b);
  std::fprintf(fp, "\n");
}
