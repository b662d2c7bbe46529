// The modifier option records and the object and scene passes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "test_support.h"

namespace {

MIPolygon poly(std::initializer_list<int> idx, int matid) {
  MIPolygon p;
  for (int i : idx) p.Add(i);
  p.Set_MatId(matid);
  return p;
}

// A unit box of six quads over eight shared vertices; face i has material
// id matids[i].
MMesh_P* make_box(const char* name, const std::vector<int>& matids, int surfaces) {
  MMesh_P* m = new MMesh_P(name);
  for (int i = 0; i < 8; ++i) m->Add_Vertex(MVector3(i & 1, (i >> 1) & 1, (i >> 2) & 1), -1.0);
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (int i = 0; i < 6; ++i) {
    const int* f = faces[i];
    m->Add_Face(poly({f[0], f[1], f[2], f[3]}, matids[static_cast<size_t>(i)]));
  }
  for (int s = 0; s < surfaces; ++s) m->surface_refs->Append(my_strdup(("srf" + std::to_string(s)).c_str()));
  m->CalculateBoundingBox();
  return m;
}

// A four-sided pyramid standing at x = 5.
MMesh_P* make_cone() {
  MMesh_P* m = new MMesh_P("cone");
  const MVector3 base[4] = {{5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}};
  const MVector3 tip(5.5, 0.5, 2);
  for (int i = 0; i < 4; ++i) m->Add_Tri(base[i], base[(i + 1) % 4], tip, 0, -1.0);
  m->surface_refs->Append(my_strdup("srf0"));
  m->CalculateBoundingBox();
  return m;
}

// The same box with every face on vertices of its own (24 instead of 8).
MMesh_P* make_unwelded_box() {
  MMesh_P* src = make_box("box", {0, 0, 0, 0, 0, 0}, 1);
  MMesh_P* m = new MMesh_P("box");
  for (int i = 0; i < src->Get_Face_Count(); ++i) m->Add_Polygon(src->Get_Face(i), 0, -1.0);
  m->surface_refs->Append(my_strdup("srf0"));
  m->CalculateBoundingBox();
  delete src;
  return m;
}

MScene* scene_of(std::initializer_list<MObj3d*> objects) {
  MScene* s = new MScene("test");
  for (MObj3d* o : objects) s->objects->Append(o);
  s->CalculateBoundingBox();
  return s;
}

MObj3d* object_at(MScene* s, int i) { return static_cast<MObj3d*>(s->objects->GetAt(i)); }

MVector3 world_min(MObj3d* o) {
  o->CalculateBoundingBox();
  return o->GetBoundLeft();
}

long face_total(MScene* s) {
  long n = 0;
  for (int i = 0; i < s->objects->count; ++i)
    if (object_at(s, i)->get_type() == MESH2) n += static_cast<MMesh_P*>(object_at(s, i))->Get_Face_Count();
  return n;
}

ObjModOption1 make_objmod() { return ObjModOption1(0, nullptr, "objmod.log"); }

void expect_near(const MVector3& a, const MVector3& b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
  EXPECT_NEAR(a.z, b.z, 1e-9);
}

// What the level-1 message function was last given, formatted.
std::string g_msg1;
void record_msg1(const char* fmt, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  g_msg1 += buf;
  g_msg1 += '\n';
}

}  // namespace

TEST(ObjModOptions, DefaultsAndCommandLine) {
  ObjModOption1 d = make_objmod();
  EXPECT_EQ(d.object_mode, 0);
  ASSERT_EQ(d.sizeof_object_number, 1);
  EXPECT_EQ(d.object_number[0], 0);
  EXPECT_EQ(d.smooth_angle, 89.0);
  EXPECT_EQ(d.mesh_weld_tol, 0.001);
  EXPECT_EQ(d.flip_in_out, 1);
  expect_near(d.object_scale, MVector3(1, 1, 1));

  const char* argv[] = {"prog", "-F_MESH_WELD=1", "-mesh_weld_tol=0.25", "-object_scale=<1,2,3>",
                        "-sizeof_object_number=2", "-object_number=4,7;", "-mv=1", nullptr};
  ObjModOption1 c(7, argv, "objmod.log");
  EXPECT_EQ(c.f_mesh_weld, 1);
  EXPECT_EQ(c.mesh_weld_tol, 0.25);
  expect_near(c.object_scale, MVector3(1, 2, 3));
  ASSERT_EQ(c.sizeof_object_number, 2);
  EXPECT_EQ(c.object_number[1], 7);
  EXPECT_EQ(c.verbose_mode, 1);

  const char* argv2[] = {"prog", "-enable_scene_rotate=1", "-scene_rotate= < 0 , 0 , 90 >", nullptr};
  ObjModOption2 s(3, argv2, "objmod2.log");
  EXPECT_EQ(s.enable_scene_rotate, 1);
  expect_near(s.scene_rotate, MVector3(0, 0, 90));
  EXPECT_NE(std::string(ObjModOption1::Get_HelpString()).find("-object_rotate = VECTOR;"), std::string::npos);
  EXPECT_NE(std::string(ObjModOption2::Get_HelpString()).find("-scene_translate = VECTOR;"), std::string::npos);
}

TEST(ObjModOptions, FileRoundTripKeepsVectorsTolerancesAndSelections) {
  kvtest::TempDir dir;
  ObjModOption1 a = make_objmod();
  a.verbose_mode = 1;
  a.object_mode = 0;
  const int three[] = {2, 0, 5};
  a.Set_Selection(three, 3);
  a.f_mesh_split_by_surface = a.f_mesh_unify = a.f_mesh_flip = a.f_mesh_smooth = 1;
  a.flip_in_out = 0;
  a.smooth_angle = 30.125;
  a.f_mesh_weld = a.f_degenerate_faces = 1;
  a.mesh_weld_tol = 0.0004;  // "%.3f" would have made it 0
  a.degenerate_tol = 1e-9;
  a.enable_object_center = a.enable_object_normalize = a.enable_object_scale = 1;
  a.object_scale = MVector3(1.5, -2.25, 1.0 / 3.0);
  a.enable_object_rotate = 1;
  a.object_rotate = MVector3(10, 20.5, -30);
  a.enable_object_translate = 1;
  a.object_translate = MVector3(0.1, 0.2, 1e6);
  ASSERT_EQ(a.SaveFile(dir.file("a.ini").c_str()), 1);

  ObjModOption1 b = make_objmod();
  ASSERT_EQ(b.LoadFile(dir.file("a.ini").c_str()), 1);
  EXPECT_EQ(b.verbose_mode, 1);
  ASSERT_EQ(b.sizeof_object_number, 3);
  EXPECT_EQ(b.object_number[0], 2);
  EXPECT_EQ(b.object_number[2], 5);
  EXPECT_EQ(b.f_mesh_split_by_surface + b.f_mesh_unify + b.f_mesh_flip + b.f_mesh_smooth, 4);
  EXPECT_EQ(b.flip_in_out, 0);
  EXPECT_EQ(b.smooth_angle, 30.125);
  EXPECT_EQ(b.mesh_weld_tol, 0.0004);
  EXPECT_EQ(b.degenerate_tol, 1e-9);
  EXPECT_EQ(b.enable_object_center + b.enable_object_normalize + b.enable_object_scale, 3);
  EXPECT_EQ(b.object_scale.x, 1.5);
  EXPECT_EQ(b.object_scale.y, -2.25);
  EXPECT_EQ(b.object_scale.z, 1.0 / 3.0);
  EXPECT_EQ(b.object_rotate.y, 20.5);
  EXPECT_EQ(b.object_translate.x, 0.1);
  EXPECT_EQ(b.object_translate.z, 1e6);

  // An empty selection still ends its line, so the option after it loads.
  ObjModOption1 e = make_objmod();
  e.Set_Selection(nullptr, 0);
  e.f_mesh_split_by_surface = 1;
  ASSERT_EQ(e.SaveFile(dir.file("e.ini").c_str()), 1);
  EXPECT_NE(kvtest::read_file(dir.file("e.ini")).find("-object_number = ;\n-f_mesh_split_by_surface = 1;\n"),
            std::string::npos);
  ObjModOption1 f = make_objmod();
  ASSERT_EQ(f.LoadFile(dir.file("e.ini").c_str()), 1);
  EXPECT_EQ(f.sizeof_object_number, 0);
  EXPECT_EQ(f.f_mesh_split_by_surface, 1);

  // A long selection fits the line it is written on.
  std::vector<int> many;
  for (int i = 0; i < 3000; ++i) many.push_back(i * 7);
  e.Set_Selection(many.data(), static_cast<int>(many.size()));
  ASSERT_EQ(e.SaveFile(dir.file("m.ini").c_str()), 1);
  ASSERT_EQ(f.LoadFile(dir.file("m.ini").c_str()), 1);
  ASSERT_EQ(f.sizeof_object_number, 3000);
  EXPECT_EQ(f.object_number[2999], 2999 * 7);

  ObjModOption2 s(0, nullptr, "objmod2.log");
  s.enable_scene_scale = s.enable_scene_translate = 1;
  s.scene_scale = MVector3(2, 3, 4);
  s.scene_translate = MVector3(-0.001, 0, 7.75);
  ASSERT_EQ(s.SaveFile(dir.file("s.ini").c_str()), 1);
  ObjModOption2 t(0, nullptr, "objmod2.log");
  ASSERT_EQ(t.LoadFile(dir.file("s.ini").c_str()), 1);
  EXPECT_EQ(t.enable_scene_scale, 1);
  EXPECT_EQ(t.enable_scene_center, 0);
  EXPECT_EQ(t.scene_scale.z, 4);
  EXPECT_EQ(t.scene_translate.x, -0.001);

  // The copy owns its own selection.
  ObjModOption1 copy(b);
  b.Set_Selection(nullptr, 0);
  ASSERT_EQ(copy.sizeof_object_number, 3);
  EXPECT_EQ(copy.object_number[1], 0);
}

TEST(ObjModOptions, MissingOrUnwritableFilesFail) {
  kvtest::TempDir dir;
  ObjModOption1 a = make_objmod();
  a.f_mesh_weld = 1;
  errno = 0;
  EXPECT_EQ(a.LoadFile(dir.file("none.ini").c_str()), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(a.f_mesh_weld, 1);
  EXPECT_EQ(a.LoadFile(nullptr), 0);
  EXPECT_EQ(a.SaveFile(dir.file("no/such/dir/a.ini").c_str()), 0);
  ObjModOption2 s(0, nullptr, "x.log");
  EXPECT_EQ(s.LoadFile(dir.file("none.ini").c_str()), 0);
  EXPECT_EQ(s.SaveFile(dir.str().c_str()), 0);  // a folder
}

TEST(ObjModOptions, SelectionSizeFromTheFileIsOnlyABound) {
  kvtest::TempDir dir;
  struct Case {
    const char* text;
    std::vector<int> expect;
  };
  const Case cases[] = {
      {"-sizeof_object_number = 1000000000;\n-object_number = 0,1;\n", {0, 1}},
      {"-sizeof_object_number = -5;\n-object_number = 0,1;\n", {}},
      {"-sizeof_object_number = 2;\n-object_number = 3,4,5,6;\n", {3, 4}},
      {"-sizeof_object_number = 4;\n-object_number = 1,x,2;\n", {1}},
      {"-sizeof_object_number = 3;\n", {}},
      {"-object_number = 9, 8 ,-1;\n", {9, 8, -1}},
      {"-sizeof_object_number = 2;\n-object_number = 99999999999,4;\n", {4}},
  };
  for (const Case& c : cases) {
    kvtest::write_file(dir.file("s.ini"), c.text);
    ObjModOption1 o = make_objmod();
    ASSERT_EQ(o.LoadFile(dir.file("s.ini").c_str()), 1);
    ASSERT_EQ(o.sizeof_object_number, static_cast<int>(c.expect.size())) << c.text;
    for (size_t i = 0; i < c.expect.size(); ++i) EXPECT_EQ(o.object_number[i], c.expect[i]) << c.text;
  }
}

TEST(ObjModPass, SelectionOutOfRangeOrRepeatedIsSafe) {
  // {5} on three objects touches nothing.
  MScene* s = scene_of({make_box("a", {0, 0, 0, 0, 0, 0}, 1), make_box("b", {0, 0, 0, 0, 0, 0}, 1), make_cone()});
  ObjModOption1 o = make_objmod();
  const int five[] = {5};
  o.Set_Selection(five, 1);
  o.enable_object_translate = 1;
  o.object_translate = MVector3(10, 0, 0);
  mod_objects(s, &o, nullptr);
  EXPECT_EQ(world_min(object_at(s, 0)).x, 0);
  EXPECT_EQ(world_min(object_at(s, 2)).x, 5);

  // {0, 0, -3} with split: the box is split once, translated once.
  MScene* t = scene_of({make_box("box", {0, 0, 1, 1, 1, 1}, 2), make_cone()});
  const int twice[] = {0, 0, -3};
  o.Set_Selection(twice, 3);
  o.f_mesh_split_by_surface = 1;
  mod_objects(t, &o, nullptr);
  ASSERT_EQ(t->objects->count, 3);
  EXPECT_STREQ(object_at(t, 1)->get_name(), "box0");
  EXPECT_STREQ(object_at(t, 2)->get_name(), "box1");
  EXPECT_EQ(world_min(object_at(t, 1)).x, 10);
  EXPECT_EQ(world_min(object_at(t, 2)).x, 10);
  EXPECT_EQ(face_total(t), 6 + 4);
  delete s;
  delete t;
}

TEST(ObjModPass, SplitKeepsFacesWithoutSurfaceAndTheSelection) {
  // Faces with id -1 and past the surface list go into a piece of their own.
  MScene* s = scene_of({make_box("box", {0, 1, -1, -1, 7, 0}, 2), make_cone()});
  ObjModOption1 o = make_objmod();
  o.f_mesh_split_by_surface = 1;
  o.enable_object_translate = 1;
  o.object_translate = MVector3(0, 0, 100);
  mod_objects(s, &o, nullptr);  // selection {0}: the box
  ASSERT_EQ(s->objects->count, 4);
  EXPECT_STREQ(object_at(s, 0)->get_name(), "cone");
  EXPECT_STREQ(object_at(s, 1)->get_name(), "box0");
  EXPECT_STREQ(object_at(s, 2)->get_name(), "box1");
  EXPECT_STREQ(object_at(s, 3)->get_name(), "box");
  EXPECT_EQ(static_cast<MMesh_P*>(object_at(s, 1))->Get_Face_Count(), 2);
  EXPECT_EQ(static_cast<MMesh_P*>(object_at(s, 2))->Get_Face_Count(), 1);
  EXPECT_EQ(static_cast<MMesh_P*>(object_at(s, 3))->Get_Face_Count(), 3);
  EXPECT_EQ(face_total(s), 6 + 4);
  // The cone, now first in the list, stays where it was; every piece moved.
  EXPECT_EQ(world_min(object_at(s, 0)).z, 0);
  for (int i = 1; i < 4; ++i) EXPECT_GE(world_min(object_at(s, i)).z, 100) << i;
  EXPECT_EQ(s->GetBoundLeft().z, 0);
  EXPECT_EQ(s->GetBoundRight().z, 101);

  // A mesh without any surface face is left whole.
  MScene* t = scene_of({make_box("plain", {-1, -1, -1, -1, -1, -1}, 0)});
  o.enable_object_translate = 0;
  mod_objects(t, &o, nullptr);
  ASSERT_EQ(t->objects->count, 1);
  EXPECT_STREQ(object_at(t, 0)->get_name(), "plain");
  delete s;
  delete t;
}

TEST(ObjModPass, MeshLogIsRestoredAndNamesAreNoFormats) {
  kvtest::TempDir dir;
  FILE* own = std::fopen(dir.file("own.log").c_str(), "wb");
  ASSERT_NE(own, nullptr);
  MMesh_P* box = make_box("%s%s%n%s", {-1, -1, -1, -1, -1, -1}, 0);
  box->log_file = own;
  MScene* s = scene_of({box});
  ObjModOption1 o(0, nullptr, dir.file("pass.log").c_str());
  o.verbose_mode = 1;
  o.f_mesh_split_by_surface = 1;
  o.f_mesh_weld = 1;
  MessageCallBack1 cb(record_msg1, nullptr, nullptr, nullptr, nullptr, nullptr);
  g_msg1.clear();
  mod_objects(s, &o, &cb);
  EXPECT_EQ(box->log_file, own);
  EXPECT_NE(g_msg1.find("%s%s%n%s\n"), std::string::npos) << g_msg1;
  std::fclose(own);
  box->log_file = nullptr;
  delete s;
}

TEST(ObjModPass, WeldMergesTheCornersOfAnUnweldedCube) {
  MScene* s = scene_of({make_unwelded_box()});
  MMesh_P* m = static_cast<MMesh_P*>(object_at(s, 0));
  ASSERT_EQ(m->Get_Vertex_Count(), 24);
  // A normal layer of its own, which smoothing replaces.
  m->UseNormals();
  for (int i = 0; i < 6; ++i) {
    m->Add_NFace(poly({0, 0, 0}, 0));
    m->Add_NVertex(MVector3(0, 0, 1), -1.0);
  }
  ObjModOption1 o = make_objmod();
  o.f_mesh_weld = 1;
  o.f_mesh_smooth = 1;
  mod_objects(s, &o, nullptr);
  EXPECT_EQ(m->Get_Vertex_Count(), 8);
  EXPECT_EQ(m->Get_Face_Count(), 6);
  EXPECT_EQ(m->Get_NFace_Count(), 6);  // smoothing made the normal layer
  EXPECT_EQ(m->NormalsUsed(), 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m->nf_a->data[i].count, 4) << i;
  EXPECT_EQ(m->Get_NVertex_Count(), 6);  // below 90 degrees: one flat normal per side
  expect_near(s->GetBoundLeft(), MVector3(0, 0, 0));
  expect_near(s->GetBoundRight(), MVector3(1, 1, 1));
  delete s;
}

TEST(ObjModPass, TransformsInDegreesAndOrder) {
  // Rotation (0, 0, 90) turns +X into +Y, for an object and for the scene.
  MMesh_P* m = new MMesh_P("x");
  m->Add_Tri(MVector3(1, 0, 0), MVector3(2, 0, 0), MVector3(2, 0, 1), 0, -1.0);
  m->CalculateBoundingBox();
  MScene* s = scene_of({m});
  ObjModOption1 o = make_objmod();
  o.enable_object_rotate = 1;
  o.object_rotate = MVector3(0, 0, 90);
  mod_objects(s, &o, nullptr);
  expect_near(m->transformation.local.Transform(MVector3(1, 0, 0)), MVector3(0, 1, 0));
  expect_near(s->GetBoundLeft(), MVector3(0, 1, 0));
  expect_near(s->GetBoundRight(), MVector3(0, 2, 1));

  ObjModOption2 sc(0, nullptr, "objmod2.log");
  sc.enable_scene_rotate = 1;
  sc.scene_rotate = MVector3(0, 0, 90);
  mod_objects(s, &sc, nullptr);  // now +X has become -X
  expect_near(s->GetBoundLeft(), MVector3(-2, 0, 0));

  // Centre, normalise, then translate: a box of edge 2 around (3, 0, 0).
  ObjModOption2 c(0, nullptr, "objmod2.log");
  c.enable_scene_center = c.enable_scene_normalize = c.enable_scene_translate = 1;
  c.scene_translate = MVector3(3, 0, 0);
  mod_objects(s, &c, nullptr);
  EXPECT_NEAR(s->GetBoundRight().x - s->GetBoundLeft().x, 2, 1e-9);
  EXPECT_NEAR((s->GetBoundRight().x + s->GetBoundLeft().x) / 2, 3, 1e-9);
  delete s;
}

TEST(ObjModPass, VerboseLogGoesToTheCurrentFolder) {
  kvtest::TempDir dir;
  std::error_code ec;
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  MScene* s = scene_of({make_box("box", {0, 0, 0, 0, 0, 0}, 1)});
  ObjModOption1 o(0, nullptr, "pass.log");
  o.verbose_mode = 1;
  o.f_mesh_weld = 1;
  mod_objects(s, &o, nullptr);
  ObjModOption2 q(0, nullptr, "quiet.log");
  mod_objects(s, &q, nullptr);
  std::filesystem::current_path(old);
  std::string log = kvtest::read_file(dir.file("pass.log"));
  EXPECT_EQ(log.rfind("Object Modifier\n// Object Modifier options\n", 0), 0u) << log;
  EXPECT_NE(log.find("Working on: box\n"), std::string::npos);
  EXPECT_NE(log.find("Welding ...\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("quiet.log")));
  delete s;
}
