// The DXF export: polyface meshes and 3DFACE entities, the 16-bit limits,
// colours and layers, and a file of nothing but group pairs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "dxf_options.h"
#include "dxf_test_util.h"

namespace {

using kvdxftest::Export;
using kvdxftest::Summarize;

MIPolygon Poly(std::initializer_list<int> idx, int mat = 0) {
  MIPolygon p;
  for (int i : idx) p.Add(i);
  p.Set_MatId(mat);
  return p;
}

// A unit cube of six quads over eight vertices.
MMesh_P* Cube(const char* name) {
  MMesh_P* m = new MMesh_P(name);
  for (int i = 0; i < 8; ++i) m->Add_Vertex(MVector3(i & 1, (i >> 1) & 1, (i >> 2) & 1), -1.0);
  for (auto f : {Poly({0, 2, 3, 1}), Poly({4, 5, 7, 6}), Poly({0, 1, 5, 4}), Poly({2, 6, 7, 3}), Poly({0, 4, 6, 2}),
                 Poly({1, 3, 7, 5})})
    m->Add_Face(f);
  m->surface_refs->Append(my_strdup("DEFAULT"));
  return m;
}

MScene* CubeScene(const char* name = "cube") {
  MScene* s = new MScene("cube.raw");
  s->objects->Append(Cube(name));
  return s;
}

// The pairs of a written file; fails the test when a line is neither a
// code nor its value.
std::vector<std::pair<int, std::string>> Pairs(const std::string& path) {
  const std::vector<std::string> lines = kvtest::read_lines(path);
  std::vector<std::pair<int, std::string>> out;
  EXPECT_EQ(lines.size() % 2, 0u);
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    char* end = nullptr;
    long code = std::strtol(lines[i].c_str(), &end, 10);
    EXPECT_TRUE(!lines[i].empty() && *end == 0) << "line " << i + 1 << ": \"" << lines[i] << "\"";
    out.emplace_back(static_cast<int>(code), lines[i + 1]);
  }
  return out;
}

int CountPairs(const std::vector<std::pair<int, std::string>>& p, int code, const std::string& value) {
  int n = 0;
  for (const auto& [c, v] : p) n += c == code && v == value;
  return n;
}

std::string ValueAfter(const std::vector<std::pair<int, std::string>>& p, const std::string& entity, int code) {
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i].first == 0 && p[i].second == entity)
      for (size_t j = i + 1; j < p.size() && p[j].first != 0; ++j)
        if (p[j].first == code) return p[j].second;
  return "";
}

TEST(DxfExport, CubeAsOnePolyfaceOfQuads) {
  kvtest::TempDir dir;
  MScene* s = CubeScene();
  std::string path;
  ASSERT_EQ(Export(s, dir.file("cube.xxx"), {"-ld_mode=0"}, &path), 1);
  EXPECT_EQ(path, dir.file("cube.dxf"));
  // DOS line ends, and never a blank line.
  const std::string text = kvtest::read_file(path);
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
  EXPECT_EQ(text.find("\r\n\r\n"), std::string::npos);
  auto p = Pairs(path);
  EXPECT_EQ(CountPairs(p, 0, "POLYLINE"), 1);
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 70), "64");
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 71), "8");
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 72), "6");
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 8), "cube");
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 62), "1");
  EXPECT_EQ(CountPairs(p, 70, "192"), 8);
  EXPECT_EQ(CountPairs(p, 70, "128"), 6);
  EXPECT_EQ(CountPairs(p, 74, "4") + CountPairs(p, 74, "6") + CountPairs(p, 74, "7") + CountPairs(p, 74, "8") +
                CountPairs(p, 74, "5") + CountPairs(p, 74, "3") + CountPairs(p, 74, "2") + CountPairs(p, 74, "1"),
            6);
  EXPECT_EQ(CountPairs(p, 0, "SEQEND"), 1);
  EXPECT_EQ(p.back(), (std::pair<int, std::string>{0, "EOF"}));
  // The layer table names the object's layer.
  EXPECT_EQ(CountPairs(p, 2, "cube"), 1);
  delete s;
}

TEST(DxfExport, ThreeDFaceModeKeepsQuadsAndPadsTriangles) {
  kvtest::TempDir dir;
  MScene* s = CubeScene();
  MMesh_P* m = kvtest::MeshAt(s, 0);
  m->Add_Face(Poly({0, 1, 2}));
  std::string path;
  ASSERT_EQ(Export(s, dir.file("cube"), {"-export_dxf_type=0"}, &path), 1);
  auto p = Pairs(path);
  EXPECT_EQ(CountPairs(p, 0, "3DFACE"), 7);
  EXPECT_EQ(CountPairs(p, 0, "POLYLINE"), 0);
  // The triangle's fourth corner repeats its third: (0, 1, 0).
  size_t last = 0;
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i].first == 0 && p[i].second == "3DFACE") last = i;
  std::string c3, c4;
  for (size_t j = last + 1; j < p.size() && p[j].first != 0; ++j) {
    if (p[j].first >= 12 && p[j].first <= 32 && p[j].first % 10 == 2) c3 += p[j].second + " ";
    if (p[j].first >= 13 && p[j].first <= 33 && p[j].first % 10 == 3) c4 += p[j].second + " ";
  }
  EXPECT_EQ(c3, "0 1 0 ");
  EXPECT_EQ(c3, c4);
  delete s;
}

TEST(DxfExport, PrecisionAndLargePolygons) {
  kvtest::TempDir dir;
  MScene* s = new MScene("tiny");
  MMesh_P* m = new MMesh_P("tiny");
  // A hexagon, and a sub-micron triangle far from the origin.
  for (int i = 0; i < 6; ++i) m->Add_Vertex(MVector3(std::cos(i * 1.0471975511965976), std::sin(i * 1.0471975511965976), 0), -1.0);
  m->Add_Face(Poly({0, 1, 2, 3, 4, 5}));
  m->Add_Vertex(MVector3(1000, 0, 0.123456789012), -1.0);
  m->Add_Vertex(MVector3(1000.0000001, 0, 0.123456789012), -1.0);
  m->Add_Vertex(MVector3(1000, 2e-7, 0.123456789012), -1.0);
  m->Add_Face(Poly({6, 7, 8}));
  s->objects->Append(m);
  std::string path;
  ASSERT_EQ(Export(s, dir.file("tiny"), {}, &path), 1);
  auto p = Pairs(path);
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 72), "5");  // the hexagon in four triangles, and the triangle
  EXPECT_EQ(CountPairs(p, 30, "0.123456789012"), 3);
  EXPECT_EQ(CountPairs(p, 10, "1000.0000001"), 1);
  EXPECT_EQ(CountPairs(p, 20, "2e-07"), 1);
  // Read back and written again: the same text.
  MScene* back = kvdxftest::Import(path, {"-dxf_backside_flag=0"});
  std::string again;
  ASSERT_EQ(Export(back, dir.file("again"), {}, &again), 1);
  auto q = Pairs(again);
  EXPECT_EQ(CountPairs(q, 10, "1000.0000001"), 1);
  EXPECT_EQ(CountPairs(q, 30, "0.123456789012"), 3);
  delete back;
  delete s;
}

TEST(DxfExport, PastThePolyfaceLimitAsFaces) {
  kvtest::TempDir dir;
  MScene* s = new MScene("big");
  MMesh_P* m = new MMesh_P("big");
  // 40000 vertices (a polyface index would read back as -25536).
  const int quads = 10000;
  for (int i = 0; i < quads; ++i) {
    for (int k = 0; k < 4; ++k) m->Add_Vertex(MVector3(i + (k == 1 || k == 2), k >= 2, 0), -1.0);
    m->Add_Face(Poly({4 * i, 4 * i + 1, 4 * i + 2, 4 * i + 3}));
  }
  s->objects->Append(m);
  s->objects->Append(Cube("small"));
  std::string path;
  ASSERT_EQ(Export(s, dir.file("big"), {}, &path), 1);
  auto p = Pairs(path);
  EXPECT_EQ(CountPairs(p, 0, "3DFACE"), quads);
  EXPECT_EQ(CountPairs(p, 0, "POLYLINE"), 1);  // the small cube
  auto warnings = kvtest::Plugins().LastWarnings(kvdxftest::ExportClass());
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("3DFACE"), std::string::npos);
  // Read back: every face is there.
  MScene* back = kvdxftest::Import(path, {"-dxf_backside_flag=0"});
  EXPECT_EQ(Summarize(back).triangles, 2 * quads + 12);
  delete back;
  delete s;
}

TEST(DxfExport, ColoursPerSurfaceAndOnePolyfacePerColour) {
  kvtest::TempDir dir;
  MScene* s = CubeScene("wall/1: \"x\"");
  MMesh_P* m = kvtest::MeshAt(s, 0);
  m->surface_refs->Append(my_strdup("color_5"));
  m->surface_refs->Append(my_strdup("green"));
  MSurface* green = new MSurface("green");
  green->color.Init(0, 0.98, 0);
  s->surfaces->Append(green);
  m->Set_Face_MatId(1, 1);
  m->Set_Face_MatId(2, 2);
  m->Set_Face_MatId(3, 1);
  std::string path;
  ASSERT_EQ(Export(s, dir.file("c"), {}, &path), 1);
  auto p = Pairs(path);
  EXPECT_EQ(CountPairs(p, 0, "POLYLINE"), 3);
  EXPECT_EQ(CountPairs(p, 0, "SEQEND"), 3);
  // Colours 1 (DEFAULT), 5 (a DXF colour surface), 3 (nearest to green).
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 62), "1");
  // Header, the 6 vertices of its two quads, 2 face records, SEQEND.
  EXPECT_EQ(CountPairs(p, 62, "5"), 1 + 6 + 2 + 1);
  // The layer name loses what a layer name may not hold.
  EXPECT_EQ(ValueAfter(p, "POLYLINE", 8), "wall_1_ _x_");
  // Read back: the same faces and colours.
  MScene* back = kvdxftest::Import(path, {"-dxf_backside_flag=0", "-dxf_obj_mode=1"});
  ASSERT_EQ(back->objects->count, 3);
  EXPECT_STREQ(kvtest::MeshAt(back, 1)->get_name(), "COLOR_5");
  EXPECT_EQ(Summarize(back).triangles, 12);
  delete back;
  delete s;
}

TEST(DxfExport, EmptySceneAndBadFaces) {
  kvtest::TempDir dir;
  MScene* s = new MScene("empty");
  std::string path;
  ASSERT_EQ(Export(s, dir.file("empty"), {}, &path), 1);
  auto p = Pairs(path);
  EXPECT_EQ(CountPairs(p, 2, "ENTITIES"), 1);
  EXPECT_EQ(CountPairs(p, 0, "ENDSEC"), 4);
  delete s;
  // A line, a face pointing past the vertices: left out, and told.
  s = CubeScene();
  kvtest::MeshAt(s, 0)->Add_Face(Poly({0, 1}));
  kvtest::MeshAt(s, 0)->Add_Face(Poly({0, 1, 99}));
  ASSERT_EQ(Export(s, dir.file("bad"), {}, &path), 1);
  EXPECT_EQ(ValueAfter(Pairs(path), "POLYLINE", 72), "6");
  auto warnings = kvtest::Plugins().LastWarnings(kvdxftest::ExportClass());
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("2 faces"), std::string::npos);
  delete s;
}

TEST(DxfExport, WriteErrorsFail) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  kvtest::TempDir dir;
  std::filesystem::create_symlink("/dev/full", dir.file("full.dxf"));
  MScene* s = CubeScene();
  EXPECT_EQ(Export(s, dir.file("full"), {}), 0);
  delete s;
}

TEST(DxfExport, HelpAndOptions) {
  const std::string help = DxfExportOption::Help();
  EXPECT_NE(help.find("** DXF Export Plugin 1.0 **"), std::string::npos);
  EXPECT_NE(help.find("-export_dxf_type=IFLAG; // 0 = 3DFace, 1 = PolyMesh"), std::string::npos);
  PluginClassDesc* d = kvtest::Plugins().GetClass(kvdxftest::ExportClass());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->ClassID(), 0x4C010CF1u);
  kvtest::TempDir dir;
  MScene* s = CubeScene();
  ASSERT_EQ(Export(s, dir.file("log"), {"-ov=1"}), 1);
  const std::string log = kvtest::read_file(dir.file("exportdxf.log"));
  for (const char* t : {"DXF Export Plugin 1.0", "export_dxf_type: 1", "Working on: cube", "Vertices: 8", "Faces: 6",
                        "finished"})
    EXPECT_NE(log.find(t), std::string::npos) << t;
  delete s;
}

}  // namespace
