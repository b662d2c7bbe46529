// 3DS import of hand-built files: project files and material libraries,
// object flags and the mesh matrix, cameras, spotlights, fog and box maps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "3ds_chunk.h"
#include "3ds_test_util.h"
#include "korvanelib.h"
#include "test_support.h"

namespace {

using kv3dstest::Import;
using kv3dstest::ImportClass;

void Floats(k3ds::Chunk& c, std::initializer_list<float> v) {
  k3ds::Writer w(&c.data);
  for (float f : v) w.Float(f);
}

void Named(k3ds::Chunk& c, const char* name) { k3ds::Writer(&c.data).String(name, 255); }

void Material(k3ds::Chunk& parent, const char* name, uint8_t red) {
  k3ds::Chunk& e = parent.Add(0xAFFF);
  Named(e.Add(0xA000), name);
  k3ds::Chunk& diffuse = e.Add(0xA020);
  k3ds::Writer w(&diffuse.Add(0x0011).data);
  w.Byte(red);
  w.Byte(0);
  w.Byte(0);
}

// One triangle at world position (10, 0, 0) with an object frame moved
// there and turned a quarter round Z.
void Mesh(k3ds::Chunk& editor, const char* name, bool box) {
  k3ds::Chunk& obj = editor.Add(0x4000);
  Named(obj, name);
  k3ds::Chunk& mesh = obj.Add(0x4100);
  {
    k3ds::Chunk& v = mesh.Add(0x4110);
    k3ds::Writer(&v.data).Word(3);
    Floats(v, {10, 0, 0, 11, 0, 0, 10, 1, 0});
  }
  Floats(mesh.Add(0x4160), {0, 1, 0, -1, 0, 0, 0, 0, 1, 10, 0, 0});
  k3ds::Chunk& faces = mesh.Add(0x4120);
  k3ds::Writer w(&faces.data);
  for (int x : {1, 0, 1, 2, 7}) w.Word(static_cast<uint16_t>(x));
  if (box) {
    k3ds::Writer b(&faces.Add(0x4190).data);
    for (const char* n : {"front", "back", "left", "right", "top", "bottom"}) b.String(n, 16);
  }
  obj.Add(0x4010);
  obj.Add(0x4012);
  obj.Add(0x4013);
  obj.Add(0x4017);
}

std::string Write(const kvtest::TempDir& dir, const char* name, k3ds::Chunk root, int kind) {
  k3ds::Database db;
  db.root = std::move(root);
  db.kind = static_cast<k3ds::FileKind>(kind);
  k3ds::ErrorList err;
  const std::string path = dir.file(name);
  EXPECT_TRUE(k3ds::WriteDatabaseFile(path.c_str(), db, &err));
  return path;
}

}  // namespace

TEST(Import3dsRecords, ProjectFileWithEveryKindOfRecord) {
  k3ds::Chunk root;
  root.id = k3ds::kCMagic;
  k3ds::Chunk& ed = root.Add(k3ds::kMData);
  Material(ed, "red", 255);
  {
    k3ds::Chunk& fog = ed.Add(0x2200);
    Floats(fog, {1, 20, 500, 80});
    fog.Add(0x2210);
  }
  ed.Add(0x2201);
  {
    k3ds::Chunk& obj = ed.Add(0x4000);
    Named(obj, "cam");
    k3ds::Chunk& cam = obj.Add(0x4700);
    Floats(cam, {0, -10, 0, 0, 0, 0, 5, 50});
    Floats(cam.Add(0x4720), {1, 900});
  }
  {
    k3ds::Chunk& obj = ed.Add(0x4000);
    Named(obj, "spot");
    k3ds::Chunk& light = obj.Add(0x4600);
    Floats(light, {0, 0, 10});
    Floats(light.Add(0x465B), {2});
    light.Add(0x4620);
    k3ds::Chunk& spot = light.Add(0x4610);
    Floats(spot, {0, 0, 0, 20, 40});
    Floats(spot.Add(0x4656), {15});
    Floats(spot.Add(0x4657), {2});
    spot.Add(0x4627);
    spot.Add(0x4651);
    Named(spot.Add(0x4653), "PROJ.TGA");
  }
  Mesh(ed, "tri", false);
  kvtest::TempDir dir;
  MScene* s = Import(Write(dir, "scene.prj", std::move(root), 2));
  ASSERT_NE(s, nullptr);

  ASSERT_EQ(s->objects->count, 1);
  MMesh_P* m = static_cast<MMesh_P*>(s->objects->GetAt(0));
  EXPECT_STREQ(m->get_name(), "tri");
  EXPECT_EQ(m->hidden, 1);
  EXPECT_EQ(m->cast_shadows, 0);
  EXPECT_EQ(m->receive_shadows, 0);
  EXPECT_EQ(m->flag4, 1);  // matte
  // Vertices stay where the file puts them; the frame is kept apart.
  EXPECT_TRUE(m->Get_Vertex(0) == MVector3(10, 0, 0));
  const MMatrix local = m->transformation.Get_LocalMatrix();
  EXPECT_TRUE(local.Transform(MVector3(1, 2, 3)) == MVector3(1, 2, 3));
  EXPECT_DOUBLE_EQ(m->transformation.world[3][0], 10.0);
  EXPECT_DOUBLE_EQ(m->transformation.world[0][1], 1.0);
  EXPECT_EQ(m->Get_Face_MatId(0), 0);  // no material group: "DEFAULT"

  ASSERT_EQ(s->cameras->count, 1);
  MCamera* c = static_cast<MCamera*>(s->cameras->GetAt(0));
  EXPECT_DOUBLE_EQ(c->fov, 48.0);
  EXPECT_DOUBLE_EQ(c->roll_angle, 5.0);
  EXPECT_DOUBLE_EQ(c->far_plane, 900.0);

  ASSERT_EQ(s->lights->count, 1);
  MLight* l = static_cast<MLight*>(s->lights->GetAt(0));
  EXPECT_EQ(l->type, SPOTLIGHT);
  EXPECT_EQ(l->active, 0);
  EXPECT_DOUBLE_EQ(l->intensity, 2.0);
  EXPECT_DOUBLE_EQ(l->falloff, 40.0);
  EXPECT_DOUBLE_EQ(l->roll, 15.0);
  EXPECT_DOUBLE_EQ(l->aspect, 2.0);
  EXPECT_EQ(l->shadow_type, 1);
  EXPECT_EQ(l->cone_style, 1);
  EXPECT_EQ(l->projector, 1);
  EXPECT_STREQ(l->bitmap_name, "PROJ.TGA");
  bool projector_map = false;
  for (int i = 0; i < s->maps->Get_Count_Maps(); ++i)
    projector_map = projector_map || std::strcmp(s->maps->GetMap(i)->name, "PROJ.TGA") == 0;
  EXPECT_TRUE(projector_map);

  EXPECT_EQ(s->fog.enabled, 1);
  EXPECT_EQ(s->fog.fog_background, 1);
  EXPECT_DOUBLE_EQ(s->fog.near_density, 0.2);
  EXPECT_DOUBLE_EQ(s->fog.far_plane, 500.0);

  MSurface* red = s->GetMaterialbyName("red");
  ASSERT_NE(red, nullptr);
  EXPECT_DOUBLE_EQ(red->color.diffuse.r, 1.0);
  delete s;
}

TEST(Import3dsRecords, MaterialLibraryAndBoxMap) {
  k3ds::Chunk lib;
  lib.id = k3ds::kMLibMagic;
  Material(lib, "first", 10);
  Material(lib, "second", 20);
  Material(lib, "first", 30);  // a repeated name adds nothing
  kvtest::TempDir dir;
  MScene* s = Import(Write(dir, "lib.mli", std::move(lib), 3));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->objects->count, 0);
  ASSERT_EQ(s->surfaces->count, 3);
  EXPECT_STREQ(static_cast<MSurface*>(s->surfaces->GetAt(0))->name, "DEFAULT");
  EXPECT_NEAR(s->GetMaterialbyName("first")->color.diffuse.r, 10 / 255.0, 1e-12);
  delete s;

  k3ds::Chunk root;
  root.id = k3ds::kM3dMagic;
  Mesh(root.Add(k3ds::kMData), "boxed", true);
  s = Import(Write(dir, "box.3ds", std::move(root), 1));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->objects->count, 1);
  MMesh_P* m = static_cast<MMesh_P*>(s->objects->GetAt(0));
  EXPECT_EQ(m->mapping_type, BOX);
  ASSERT_EQ(m->surface_refs->count, 6);
  EXPECT_STREQ(ref_name_or_empty(m->surface_refs, 5), "bottom");
  delete s;
}
