// The DXF import on files made in the test: faces of each entity kind,
// meshes by layer, colour or entity, colour surfaces, polylines, options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "dxf_format.h"
#include "dxf_options.h"
#include "dxf_test_util.h"

namespace {

using kvdxftest::Entities;
using kvdxftest::G;
using kvdxftest::ImportText;
using kvdxftest::Summarize;

const std::vector<std::string> kFront = {"-dxf_backside_flag=0"};
constexpr double kPi = 3.141592653589793;

std::string Surface(MScene* s, MMesh_P* m, int face) {
  return ref_name_or_empty(m->surface_refs, m->Get_Face_MatId(face));
}

TEST(DxfImport, ClassAndOptions) {
  ASSERT_GE(kvdxftest::ImportClass(), 0);
  PluginClassDesc* d = kvtest::Plugins().GetClass(kvdxftest::ImportClass());
  EXPECT_EQ(d->ClassID(), 0x43CE4169u);
  kvtest::UseCommandLine({"-dxf_obj_mode=2", "-dxf_arc_step=0.5", "-dxf_zero_extrusion=0", "-dxf_cap_flag=0",
                          "-dxf_backside_flag=0", "-dxf_block_names=0"});
  MeshImporter* imp = static_cast<MeshImporter*>(d->Create());
  ASSERT_NE(imp, nullptr);
  EXPECT_NE(std::strstr(imp->GetFilter(), "*.dxf"), nullptr);
  imp->Destroy();
}

TEST(DxfImport, FaceCornersThatRepeatAreDropped) {
  kvtest::TempDir dir;
  // p0 = p1 (as real writers pad), p2 = p3, a missing fourth corner, a
  // full quad, and a face of two distinct corners.
  double a[4][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  double b[4][3] = {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {1, 1, 1}};
  double q[4][3] = {{0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2}};
  double line[4][3] = {{0, 0, 3}, {0, 0, 3}, {1, 0, 3}, {1, 0, 3}};
  std::string three = G(0, "3DFACE") + G(8, "0") + G(10, "5") + G(20, "0") + G(30, "0") + G(11, "6") + G(21, "0") +
                      G(31, "0") + G(12, "6") + G(22, "1") + G(32, "0");
  MScene* s = ImportText(dir,
                         Entities(kvdxftest::Face3d(a) + kvdxftest::Face3d(b) + three + kvdxftest::Face3d(q) +
                                  kvdxftest::Face3d(line)),
                         kFront);
  ASSERT_NE(s, nullptr);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 5);  // 1 + 1 + 1 + 2 + 0
  EXPECT_EQ(sum.triangles, 5);
  // The triangle without a fourth corner never reaches the origin.
  MMesh_P* m = kvtest::MeshAt(s, 0);
  ASSERT_NE(m, nullptr);
  for (int v = 0; v < m->Get_Vertex_Count(); ++v) EXPECT_FALSE(m->Get_Vertex(v).x == 0 && m->Get_Vertex(v).z == 4);
  EXPECT_DOUBLE_EQ(sum.lo[0], 0);
  EXPECT_DOUBLE_EQ(sum.hi[0], 6);
  delete s;
  // The back faces double every face, reversed.
  s = ImportText(dir, Entities(kvdxftest::Face3d(b)));
  m = kvtest::MeshAt(s, 0);
  ASSERT_EQ(m->Get_Face_Count(), 2);
  EXPECT_EQ(m->Get_Vertex(m->Get_IFace(0)[0]), m->Get_Vertex(m->Get_IFace(1)[2]));
  delete s;
}

TEST(DxfImport, LinesExtrudeByThicknessOrTheZeroExtrusion) {
  kvtest::TempDir dir;
  const std::string line =
      G(0, "LINE") + G(8, "L") + G(10, "0") + G(20, "0") + G(30, "0") + G(11, "2") + G(21, "0") + G(31, "0");
  MScene* s = ImportText(dir, Entities(line), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 1);
  EXPECT_NEAR(sum.hi[2], 0.001, 1e-12);
  delete s;
  s = ImportText(dir, Entities(line), {"-dxf_backside_flag=0", "-dxf_zero_extrusion=0"});
  EXPECT_EQ(Summarize(s).faces, 0);
  delete s;
  // Thickness 3 along the extrusion direction (1, 0, 0).
  s = ImportText(dir, Entities(line + G(39, "3") + G(210, "1") + G(220, "0") + G(230, "0")), kFront);
  sum = Summarize(s);
  EXPECT_DOUBLE_EQ(sum.hi[0], 5);
  EXPECT_DOUBLE_EQ(sum.hi[2], 0);
  delete s;
}

TEST(DxfImport, MeshesByLayerColourOrEntity) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  std::string one = kvdxftest::Face3d(a, 1, "walls") + G(5, "1A");
  std::string five = kvdxftest::Face3d(a, 5, "walls") + G(5, "2B");
  std::string text = Entities(one + five);
  MScene* s = ImportText(dir, text, kFront);
  ASSERT_EQ(s->objects->count, 1);
  MMesh_P* m = kvtest::MeshAt(s, 0);
  EXPECT_STREQ(m->get_name(), "walls");
  EXPECT_EQ(Surface(s, m, 0), "color_1");
  EXPECT_EQ(Surface(s, m, 1), "color_5");
  // The colour surfaces carry the palette: 1 red, 5 blue.
  MSurface* red = s->GetMaterialbyName("color_1");
  ASSERT_NE(red, nullptr);
  EXPECT_NEAR(red->color.diffuse.r, 250 / 255.0, 1e-12);
  EXPECT_NEAR(s->GetMaterialbyName("color_5")->color.diffuse.b, 250 / 255.0, 1e-12);
  EXPECT_NE(s->GetMaterialbyName("DEFAULT"), nullptr);
  delete s;
  s = ImportText(dir, text, {"-dxf_backside_flag=0", "-dxf_obj_mode=1"});
  ASSERT_EQ(s->objects->count, 2);
  EXPECT_STREQ(kvtest::MeshAt(s, 0)->get_name(), "COLOR_1");
  EXPECT_STREQ(kvtest::MeshAt(s, 1)->get_name(), "COLOR_5");
  delete s;
  s = ImportText(dir, text, {"-dxf_backside_flag=0", "-dxf_obj_mode=2"});
  ASSERT_EQ(s->objects->count, 2);
  EXPECT_STREQ(kvtest::MeshAt(s, 0)->get_name(), "walls_1A");
  EXPECT_STREQ(kvtest::MeshAt(s, 1)->get_name(), "walls_2B");
  delete s;
}

TEST(DxfImport, ColoursByLayerTableAndOutsideThePalette) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  auto face = [&](int color, const char* layer) {
    return kvdxftest::Face3d(a, color, layer);
  };
  // No group 62: colour 1. BYLAYER: the (switched-off, negated) layer
  // colour. 300 and -7 on entities: the default colour.
  std::string no62 = G(0, "3DFACE") + G(8, "x") + G(10, "0") + G(20, "0") + G(30, "0") + G(11, "1") + G(21, "0") +
                     G(31, "0") + G(12, "1") + G(22, "1") + G(32, "0");
  const std::string tables = G(0, "SECTION") + G(2, "TABLES") + G(0, "TABLE") + G(2, "LAYER") + G(0, "LAYER") +
                             G(2, "Walls") + G(70, "0") + G(62, "-3") + G(0, "ENDTAB") + G(0, "ENDSEC");
  MScene* s = ImportText(dir, tables + Entities(no62 + face(256, "WALLS") + face(256, "nolayer") + face(300, "x") +
                                                face(-7, "x")),
                         {"-dxf_backside_flag=0", "-dxf_obj_mode=1"});
  std::vector<std::string> names;
  for (int i = 0; i < s->objects->count; ++i) names.push_back(kvtest::MeshAt(s, i)->get_name());
  EXPECT_EQ(names, (std::vector<std::string>{"COLOR_1", "COLOR_3"}));
  EXPECT_EQ(kvtest::MeshAt(s, 0)->Get_Face_Count(), 4);
  delete s;
}

TEST(DxfImport, PaletteEntries) {
  const int expect[][4] = {{1, 250, 0, 0},   {7, 250, 250, 250}, {10, 255, 0, 0},    {11, 255, 127, 127},
                           {12, 165, 0, 0},  {19, 38, 19, 19},   {20, 255, 63, 0},   {50, 255, 255, 0},
                           {250, 84, 84, 84}, {255, 255, 255, 255}, {0, 0, 0, 0}, {140, 0, 191, 255}};
  for (const auto& e : expect) {
    dxf::Rgb c = dxf::PaletteColor(e[0]);
    EXPECT_EQ(c.r, e[1]) << e[0];
    EXPECT_EQ(c.g, e[2]) << e[0];
    EXPECT_EQ(c.b, e[3]) << e[0];
  }
  EXPECT_EQ(dxf::PaletteColor(256).r, dxf::PaletteColor(1).r);
  EXPECT_EQ(dxf::NearestColor(0, 0, 250 / 255.0), 5);
  EXPECT_EQ(dxf::NearestColor(1, 1, 1), 255);
}

std::string Polyface(const std::vector<std::array<double, 3>>& v, const std::vector<std::array<int, 4>>& f,
                     const char* layer = "pf", int color = 1) {
  std::string s = G(0, "POLYLINE") + G(8, layer) + G(62, std::to_string(color)) + G(66, "1") + G(70, "64") +
                  G(71, std::to_string(v.size())) + G(72, std::to_string(f.size()));
  for (const auto& p : v)
    s += G(0, "VERTEX") + G(8, layer) + G(10, p[0]) + G(20, p[1]) + G(30, p[2]) + G(70, "192");
  for (const auto& q : f) {
    s += G(0, "VERTEX") + G(8, layer) + G(70, "128");
    for (int k = 0; k < 4; ++k)
      if (q[k]) s += G(71 + k, std::to_string(q[k]));
  }
  return s + G(0, "SEQEND") + G(8, layer);
}

TEST(DxfImport, PolyfaceFaces) {
  kvtest::TempDir dir;
  const std::vector<std::array<double, 3>> v = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  // 1 2 3 3: a triangle; 1 0 3: dropped; 9 past the vertices: dropped;
  // -1 2 3 4 (an invisible edge): a quad as two triangles; 1 2 3 2: one.
  MScene* s = ImportText(
      dir, Entities(Polyface(v, {{1, 2, 3, 3}, {1, 0, 3, 0}, {1, 2, 9, 0}, {-1, 2, 3, 4}, {1, 2, 3, 2}})), kFront);
  MMesh_P* m = kvtest::MeshAt(s, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Get_Vertex_Count(), 4);
  EXPECT_EQ(m->Get_Face_Count(), 4);
  for (int f = 0; f < m->Get_Face_Count(); ++f)
    for (int k = 0; k < 3; ++k) EXPECT_LT(m->Get_IFace(f)[k], 4);
  delete s;
}

TEST(DxfImport, PolyfacesOnOneLayerShareAMesh) {
  kvtest::TempDir dir;
  const std::vector<std::array<double, 3>> a = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  const std::vector<std::array<double, 3>> b = {{5, 0, 0}, {6, 0, 0}, {6, 1, 0}};
  MScene* s = ImportText(dir, Entities(Polyface(a, {{1, 2, 3, 0}}) + Polyface(b, {{1, 2, 3, 0}}, "pf", 5)), kFront);
  ASSERT_EQ(s->objects->count, 1);
  MMesh_P* m = kvtest::MeshAt(s, 0);
  ASSERT_EQ(m->Get_Face_Count(), 2);
  // The second polyface's indices follow the first one's vertices.
  EXPECT_DOUBLE_EQ(m->Get_Vertex(m->Get_IFace(1)[0]).x, 5);
  EXPECT_EQ(Surface(s, m, 1), "color_5");
  delete s;
}

std::string Net(int m, int n, int flags, int present) {
  std::string s = G(0, "POLYLINE") + G(8, "net") + G(66, "1") + G(70, std::to_string(16 | flags)) +
                  G(71, std::to_string(m)) + G(72, std::to_string(n));
  for (int i = 0; i < present; ++i)
    s += G(0, "VERTEX") + G(8, "net") + G(10, i / n) + G(20, i % n) + G(30, 0.5 * i) + G(70, "64");
  return s + G(0, "SEQEND");
}

TEST(DxfImport, PolygonMeshes) {
  kvtest::TempDir dir;
  struct Case {
    int m, n, flags, present, faces;
  } cases[] = {
      {3, 4, 0, 12, 6},   // open: (3-1) x (4-1) quads
      {3, 4, 1, 12, 9},   // closed in M
      {3, 4, 33, 12, 12}, // closed in M and N
      {3, 4, 0, 9, 3},    // a row short: the two complete rows
      {3, 4, 0, 2, 0},    // not even one row
      {0, 4, 0, 4, 0},
  };
  for (const Case& c : cases) {
    MScene* s = ImportText(dir, Entities(Net(c.m, c.n, c.flags, c.present)), kFront);
    EXPECT_EQ(Summarize(s).faces, c.faces) << c.m << "x" << c.n << " flags " << c.flags << " with " << c.present;
    if (MMesh_P* m = kvtest::MeshAt(s, 0)) {
      for (int f = 0; f < m->Get_Face_Count(); ++f) EXPECT_EQ(m->Get_VertexperFace_Count(f), 4);
    }
    delete s;
  }
}

TEST(DxfImport, CirclesArcsAndSolids) {
  kvtest::TempDir dir;
  const std::string circle = G(0, "CIRCLE") + G(8, "c") + G(10, "1") + G(20, "2") + G(30, "0") + G(40, "2") +
                             G(39, "5");
  // 40 segments of pi/20: 40 walls and 2 x 40 cap triangles.
  MScene* s = ImportText(dir, Entities(circle), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 120);
  EXPECT_NEAR(sum.lo[0], -1, 1e-9);
  EXPECT_NEAR(sum.hi[1], 4, 1e-9);
  EXPECT_DOUBLE_EQ(sum.hi[2], 5);
  delete s;
  s = ImportText(dir, Entities(circle), {"-dxf_backside_flag=0", "-dxf_cap_flag=0", "-dxf_arc_step=0.31415926535897931"});
  EXPECT_EQ(Summarize(s).faces, 20);
  delete s;
  // Steps of 0, below 0 or tiny never run away.
  for (const char* step : {"0", "-1", "1e-300", "nan"}) {
    s = ImportText(dir, Entities(circle), {"-dxf_backside_flag=0", std::string("-dxf_arc_step=") + step});
    EXPECT_LE(Summarize(s).faces, 3 * 3600) << step;
    EXPECT_GT(Summarize(s).faces, 0) << step;
    delete s;
  }
  // An arc from 350 to 10 degrees: 20 degrees, walls only.
  const std::string arc = G(0, "ARC") + G(8, "a") + G(10, "0") + G(20, "0") + G(40, "1") + G(50, "350") +
                          G(51, "10") + G(39, "1");
  s = ImportText(dir, Entities(arc), kFront);
  sum = Summarize(s);
  EXPECT_EQ(sum.faces, 3);  // 20 degrees in steps of 9
  EXPECT_NEAR(sum.lo[1], -std::sin(10 * kPi / 180), 1e-12);
  EXPECT_NEAR(sum.hi[1], std::sin(10 * kPi / 180), 1e-12);
  delete s;
  // A SOLID without a fourth corner is a triangular prism: 3 walls, 2 caps.
  const std::string solid = G(0, "SOLID") + G(8, "s") + G(10, "0") + G(20, "0") + G(11, "2") + G(21, "0") +
                            G(12, "0") + G(22, "2") + G(39, "-1");
  s = ImportText(dir, Entities(solid), kFront);
  sum = Summarize(s);
  EXPECT_EQ(sum.faces, 5);
  EXPECT_DOUBLE_EQ(sum.lo[2], -1);
  EXPECT_DOUBLE_EQ(sum.hi[2], 0);
  delete s;
}

// Each face's normal points away from the centre of its mesh.
void ExpectOutward(MScene* s) {
  MMesh_P* m = kvtest::MeshAt(s, 0);
  ASSERT_NE(m, nullptr);
  MVector3 c;
  for (int v = 0; v < m->Get_Vertex_Count(); ++v) c += m->Get_Vertex(v);
  c /= m->Get_Vertex_Count();
  for (int f = 0; f < m->Get_Face_Count(); ++f) {
    MVector3 mid;
    for (int k = 0; k < m->Get_VertexperFace_Count(f); ++k) mid += m->Get_Vertex(m->Get_IFace(f)[k]);
    mid /= m->Get_VertexperFace_Count(f);
    EXPECT_GT(vect_dot(m->Calculate_Normal(f), mid - c), 0) << "face " << f;
  }
}

TEST(DxfImport, ExtrusionsFaceOutwards) {
  kvtest::TempDir dir;
  for (const char* t : {"2", "-2"}) {
    MScene* s = ImportText(dir, Entities(G(0, "CIRCLE") + G(10, "0") + G(20, "0") + G(40, "1") + G(39, t)), kFront);
    ExpectOutward(s);
    delete s;
    // Corners clockwise (10, 11, 13, 12 order).
    s = ImportText(dir,
                   Entities(G(0, "SOLID") + G(10, "0") + G(20, "0") + G(11, "0") + G(21, "1") + G(12, "1") +
                            G(22, "0") + G(13, "1") + G(23, "1") + G(39, t)),
                   kFront);
    EXPECT_EQ(Summarize(s).faces, 6);
    ExpectOutward(s);
    delete s;
  }
}

std::string Curve(const std::vector<std::array<double, 3>>& pts, int flags, double thickness, double width = 0) {
  std::string s = G(0, "POLYLINE") + G(8, "curve") + G(66, "1") + G(10, "0") + G(20, "0") + G(30, "1") +
                  G(70, std::to_string(flags)) + G(39, thickness) + G(40, width) + G(41, width);
  for (const auto& p : pts) s += G(0, "VERTEX") + G(10, p[0]) + G(20, p[1]) + G(42, p[2]);
  return s + G(0, "SEQEND");
}

TEST(DxfImport, Polylines2d) {
  kvtest::TempDir dir;
  const std::vector<std::array<double, 3>> square = {{0, 0, 0}, {0, 2, 0}, {2, 2, 0}, {2, 0, 0}};
  // Closed (clockwise here): four walls and two caps of two triangles, at
  // the elevation 1 up to 1 + 3, all outward.
  MScene* s = ImportText(dir, Entities(Curve(square, 1, 3)), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 4 + 2);
  EXPECT_DOUBLE_EQ(sum.lo[2], 1);
  EXPECT_DOUBLE_EQ(sum.hi[2], 4);
  ExpectOutward(s);
  delete s;
  // Open: three walls.
  s = ImportText(dir, Entities(Curve(square, 0, 3)), kFront);
  EXPECT_EQ(Summarize(s).faces, 3);
  delete s;
  std::vector<std::array<double, 3>> bulged = square;
  // A bulge of -1 on the first segment makes it a clockwise half circle
  // of 20 steps out to x = -1; +1 turns the other way, into the square.
  bulged[0][2] = -1;
  s = ImportText(dir, Entities(Curve(bulged, 0, 3)), kFront);
  sum = Summarize(s);
  EXPECT_EQ(sum.faces, 20 + 2);
  EXPECT_NEAR(sum.lo[0], -1, 1e-9);
  delete s;
  bulged[0][2] = 1;
  s = ImportText(dir, Entities(Curve(bulged, 0, 3)), kFront);
  sum = Summarize(s);
  EXPECT_EQ(sum.faces, 20 + 2);
  EXPECT_NEAR(sum.lo[0], 0, 1e-9);
  delete s;
  // Width 0.5: a swept rectangle, 4 quads per segment and 2 end caps.
  s = ImportText(dir, Entities(Curve({{0, 0, 0}, {4, 0, 0}}, 0, 1, 0.5)), kFront);
  sum = Summarize(s);
  EXPECT_EQ(sum.faces, 4 + 2);
  EXPECT_DOUBLE_EQ(sum.lo[1], -0.25);
  EXPECT_DOUBLE_EQ(sum.hi[1], 0.25);
  EXPECT_DOUBLE_EQ(sum.hi[0], 4);
  ExpectOutward(s);
  delete s;
  // A 3D polyline makes nothing.
  s = ImportText(dir, Entities(Curve(square, 8, 3)), kFront);
  EXPECT_EQ(s->objects->count, 0);
  delete s;
}

TEST(DxfImport, ExtendedDataIsNeverLive) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  // 1000 would end the entity, 1002 rename, 1010 move the first corner, 1062 recolour.
  const std::string xdata = G(1001, "APP") + G(1000, "text") + G(1002, "{") + G(1010, "99") + G(1020, "99") +
                            G(1030, "99") + G(1062, "5") + G(1002, "}");
  MScene* s = ImportText(dir, Entities(kvdxftest::Face3d(a) + xdata), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 1);
  EXPECT_DOUBLE_EQ(sum.hi[0], 1);
  EXPECT_EQ(Surface(s, kvtest::MeshAt(s, 0), 0), "color_1");
  delete s;
}

TEST(DxfImport, StraySequenceEntitiesAreIgnored) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  const std::string stray = G(0, "SEQEND") + G(0, "VERTEX") + G(10, "50") + G(70, "192");
  // And a polyline that never gets its SEQEND.
  const std::string open = G(0, "POLYLINE") + G(70, "64") + G(0, "VERTEX") + G(10, "0") + G(70, "192") +
                           G(0, "VERTEX") + G(10, "1") + G(70, "192") + G(0, "VERTEX") + G(20, "1") + G(70, "192") +
                           G(0, "VERTEX") + G(70, "128") + G(71, "1") + G(72, "2") + G(73, "3");
  MScene* s = ImportText(dir, Entities(stray + kvdxftest::Face3d(a) + open), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 2);
  EXPECT_DOUBLE_EQ(sum.hi[0], 1);
  delete s;
}

TEST(DxfImport, EveryFaceKeepsItsOwnCorners) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  // Without welding the two triangles of a quad and their backsides each
  // get corners of their own.
  const std::string text = Entities(kvdxftest::Face3d(a));
  MScene* s = ImportText(dir, text);
  EXPECT_EQ(kvtest::MeshAt(s, 0)->Get_Vertex_Count(), 12);
  delete s;
}

TEST(DxfImport, HelpTextNamesTheSwitches) {
  const std::string help = DxfImportOption::Help();
  for (const char* s : {"** DXF Import Plugin 1.0 **", "-dxf_obj_mode=IVAL", "-dxf_arc_step=DVAL",
                        "-dxf_zero_extrusion=DVAL", "-dxf_cap_flag=FLAG", "-dxf_backside_flag=FLAG",
                        "-dxf_block_names=FLAG"})
    EXPECT_NE(help.find(s), std::string::npos) << s;
}

TEST(DxfImport, VerboseLogTellsTheSteps) {
  kvtest::TempDir dir;
  double a[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}};
  MScene* s = ImportText(dir, Entities(kvdxftest::Face3d(a) + G(0, "TEXT") + G(0, "POINT") + G(0, "HATCH")),
                         {"-iv=1"});
  delete s;
  const std::string log = kvtest::read_file(dir.file("importdxf.log"));
  for (const char* t : {"DXF Import Plugin 1.0", "Ascii DXF file", "Parsing ENTITIES ...", "3DFace (", "Working on: 0",
                        "Text is not supported", "Point is not supported", "Ignored HATCH entity",
                        "dxf_obj_mode      : 0", "Postprocessing ...", "Done"})
    EXPECT_NE(log.find(t), std::string::npos) << t;
}

}  // namespace
