// DirectX export through the built plug-in: what the file holds, read back
// by our import and by assimp in every form, and round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "x_test_util.h"
#include "xfile.h"
#include "xfile_format.h"

namespace {

class XExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(xtest::XExport(), 0) << "export_x.so not found in " << kvtest::bin_dir();
    ASSERT_GE(xtest::XImport(), 0);
    scene = new MScene("test");
  }
  void TearDown() override { delete scene; }
  // A unit cube of six quads, translated, with normals and UVs per corner.
  MMesh_P* AddCube(const char* name, const char* material) {
    MMesh_P* m = new MMesh_P(name);
    const double p[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (auto& v : p) m->Add_Vertex(MVector3(v[0], v[1], v[2]), -1.0);
    const int q[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    m->UseNormals();
    m->UseUV();
    const double uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0.25, 0.75}};
    for (auto& t : uv) m->Add_UVVertex(MVector3(t[0], t[1], 0), -1.0);
    for (int f = 0; f < 6; ++f) {
      MIPolygon face, nface, tface;
      for (int c = 0; c < 4; ++c) face.Add(q[f][c]), nface.Add(f), tface.Add(c);
      face.Set_MatId(f % 2);
      m->Add_Face(face);
      m->Add_NFace(nface);
      m->Add_UVFace(tface);
      m->Add_NVertex(MVector3(0, 0, f + 1.0), -1.0);
    }
    m->surface_refs->Append(my_strdup("DEFAULT"));
    m->surface_refs->Append(my_strdup(material));
    MMatrix t(1);
    t.m[3][0] = 10;
    m->transformation.Set_LocalMatrix(t);
    scene->objects->Append(m);
    return m;
  }
  MSurface* AddSurface(const char* name, const char* map = nullptr) {
    MSurface* s = new MSurface(name);
    s->color.diffuse = MColor(0.5, 0.25, 1);
    s->color.diffuse_intensity = 1;
    if (map) {
      MSrf_TextureLayer* l = new MSrf_TextureLayer;
      l->enabled = 1;
      l->texture.kind = _2DBITMAP;
      msrf_copy_name(l->texture.bitmap.file_name, map);
      l->diffuse_color.enabled = 1;
      s->layers.Add(l);
      scene->maps->AddMap(map);
    }
    scene->surfaces->Append(s);
    return s;
  }
  std::string Write(const std::string& name, const std::vector<std::string>& options = {}) {
    const std::string path = dir.file(name);
    EXPECT_EQ(xtest::Export(scene, path, options), 1);
    return path;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

std::vector<std::string> Materials(MScene* s) {
  std::vector<std::string> names;
  for (int i = 0; i < s->objects->count; ++i) {
    MMesh_P* m = xtest::Mesh(s, i);
    for (int f = 0; m && f < m->Get_Face_Count(); ++f) names.push_back(xtest::FaceMaterial(m, f));
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace

TEST_F(XExport, TextFileLayout) {
  AddSurface("DEFAULT");
  AddSurface("my-mat", "maps/wood.bmp");
  AddCube("my box", "my-mat");
  const std::string text = kvtest::read_file(Write("cube.x", {"-d3x_templates=1"}));
  EXPECT_EQ(text.rfind("xof 0302txt 0032\ntemplate Header {\n <3D82AB43-62DA-11cf-AB39-0020AF71E433>\n", 0), 0u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '<') - 0, 21);  // the 21 template GUIDs
  EXPECT_NE(text.find("template Frame {"), std::string::npos);
  EXPECT_EQ(text.find("template AnimationSet"), std::string::npos);
  EXPECT_NE(text.find("Header {\n 1;\n 0;\n 1;\n}\n"), std::string::npos);
  EXPECT_NE(text.find("Mesh my_box {\n 20;\n 10;0;0;,\n 10;1;0;,\n 11;1;0;,\n"), std::string::npos);  // world space
  EXPECT_NE(text.find(" 12;\n 3;"), std::string::npos);                        // six quads, twelve triangles
  EXPECT_NE(text.find("\n  0.25;0.25;,\n"), std::string::npos);                 // v written as 1 - v
  EXPECT_NE(text.find("Material my_mat {"), std::string::npos);
  EXPECT_NE(text.find("TextureFilename {\n    \"wood.bmp\";"), std::string::npos);
}

TEST_F(XExport, NGonsAreWrittenWithAllTheirCorners) {
  // A quad and a pentagon with every corner on one line: triangulating
  // gives as many faces as there are, so the faces are written as stored.
  MMesh_P* m = new MMesh_P("ngon");
  for (int i = 0; i < 4; ++i) m->Add_Vertex(MVector3(i & 1, i >> 1, 0), -1.0);
  for (int i = 0; i < 5; ++i) m->Add_Vertex(MVector3(i, 5, 0), -1.0);
  MIPolygon quad, line;
  for (int c : {0, 1, 3, 2}) quad.Add(c);
  for (int c = 4; c < 9; ++c) line.Add(c);
  quad.Set_MatId(0), line.Set_MatId(0);
  m->Add_Face(quad);
  m->Add_Face(line);
  scene->objects->Append(m);  // and no surface reference at all
  const std::string text = kvtest::read_file(Write("ngon.x"));
  EXPECT_NE(text.find(" 2;\n 4;0,1,3,2;,\n 5;4,5,6,7,8;;\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("4;0,1,3;"), std::string::npos);  // never the first three of four
  EXPECT_NE(text.find("MeshMaterialList {\n  1;"), std::string::npos);  // a fallback material
  MScene* back = xtest::Import(dir.file("ngon.x"));
  ASSERT_NE(back, nullptr);
  EXPECT_GE(xtest::Mesh(back, 0)->Get_Face_Count(), 1);
  delete back;
}

TEST_F(XExport, QuadsGoAsTheTriangulationWouldSplitThem) {
  // The writer splits quads itself, without a triangulated copy; the file is
  // the one the copy gives (normals, UVs given one index, materials).
  AddSurface("DEFAULT");
  AddSurface("red");
  MMesh_P* cube = AddCube("a", "red");
  const std::string split = kvtest::read_file(Write("split.x"));
  EXPECT_EQ(scene->tri_objects->count, 0);
  EXPECT_NE(split.find(" 12;\n 3;0,1,2;,\n 3;0,2,3;,"), std::string::npos) << split;
  scene->tri_objects->Append(cube->Triangulate(nullptr));  // used when it is there
  EXPECT_EQ(kvtest::read_file(Write("copy.x")), split);
}

TEST_F(XExport, EveryFormReadsBackHereAndInAssimp) {
  AddSurface("DEFAULT");
  AddSurface("red");
  AddSurface("tex", "wood.bmp");
  AddCube("a", "red");
  AddCube("b", "tex");
  scene->CalculateBoundingBox();
  const xtest::Box box = xtest::Bounds(scene);
  struct Form {
    const char* name;
    std::vector<std::string> options;
    const char* magic;
  };
  const Form forms[] = {{"text.x", {}, "xof 0302txt 0032"},
                        {"bin.x", {"-d3x_binary=1"}, "xof 0302bin 0032"},
                        {"tzip.x", {"-d3x_compressed=1", "-d3x_templates=1"}, "xof 0302tzip0032"},
                        {"bzip.x", {"-d3x_binary=1", "-d3x_compressed=1", "-d3x_templates=1"}, "xof 0302bzip0032"}};
  for (const Form& f : forms) {
    SCOPED_TRACE(f.name);
    const std::string path = Write(f.name, f.options);
    EXPECT_EQ(kvtest::read_file(path).substr(0, 16), f.magic);
    MScene* back = xtest::Import(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(xtest::Triangles(back), 24);
    const xtest::Box b = xtest::Bounds(back);
    EXPECT_NEAR(b.lo.x, box.lo.x, 1e-6);
    EXPECT_NEAR(b.hi.x, box.hi.x, 1e-6);
    EXPECT_NEAR(b.hi.z, box.hi.z, 1e-6);
    EXPECT_EQ(Materials(back), (std::vector<std::string>{"DEFAULT", "red", "tex"}));
    MMesh_P* m = xtest::Mesh(back, 1);
    ASSERT_TRUE(m->UVUsed());
    ASSERT_TRUE(m->NormalsUsed());
    delete back;
    if (!xtest::HaveAssimp()) continue;
    const xtest::Assimp a = xtest::AssimpInfo(path);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.faces, 24);
    EXPECT_NEAR(a.box.lo.x, box.lo.x, 1e-5);
    EXPECT_NEAR(a.box.hi.x, box.hi.x, 1e-5);
    EXPECT_NEAR(a.box.lo.y, box.lo.y, 1e-5);
    EXPECT_NEAR(a.box.hi.y, box.hi.y, 1e-5);
    EXPECT_NEAR(std::fabs(a.box.hi.z - a.box.lo.z), box.hi.z - box.lo.z, 1e-5);
    std::vector<std::string> am = a.materials;
    std::sort(am.begin(), am.end());
    am.erase(std::unique(am.begin(), am.end()), am.end());
    EXPECT_EQ(am, (std::vector<std::string>{"DEFAULT", "red", "tex"}));
  }
}

TEST_F(XExport, XToXToXIsStableAfterTheFirstPass) {
  AddSurface("DEFAULT");
  AddSurface("tex", "wood.bmp");
  AddCube("cube", "tex");
  std::string prev = Write("p0.x");
  std::vector<std::string> texts;
  for (int pass = 1; pass <= 3; ++pass) {
    MScene* s = xtest::Import(prev);
    ASSERT_NE(s, nullptr);
    const std::string next = dir.file("p" + std::to_string(pass) + ".x");
    ASSERT_EQ(xtest::Export(s, next), 1);
    delete s;
    texts.push_back(kvtest::read_file(next));
    prev = next;
  }
  EXPECT_EQ(texts[1], texts[0]);
  EXPECT_EQ(texts[2], texts[0]);
}

TEST_F(XExport, ObjToXToObjKeepsTextureCoordinatesAndMaterials) {
  ASSERT_GE(xtest::ObjImport(), 0);
  kvtest::write_file(dir.file("in.mtl"), "newmtl wood\nKd 1 0.5 0\nmap_Kd wood.bmp\nnewmtl plain\nKd 0 1 0\n");
  kvtest::write_file(dir.file("in.obj"),
                     "mtllib in.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 0.75\nvt 0 0.25\n"
                     "usemtl wood\nf 1/1 2/2 3/3\nusemtl plain\nf 1/1 3/3 4/4\n");
  MScene* obj = kvtest::ImportWith(xtest::ObjImport(), dir.file("in.obj"));
  ASSERT_NE(obj, nullptr);
  ASSERT_EQ(xtest::Export(obj, dir.file("mid.x")), 1);
  delete obj;
  MScene* x = xtest::Import(dir.file("mid.x"));
  ASSERT_NE(x, nullptr);
  xtest::Options({"-ld_mode=1"});
  ASSERT_EQ(kvtest::ExportWith(xtest::ObjExport(), x, dir.file("out.obj")), 1);
  xtest::Options({});
  delete x;
  const std::vector<std::string> lines = kvtest::read_lines(dir.file("out.obj"));
  auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_TRUE(has("vt 1.000000 0.750000 0.000000"));
  EXPECT_TRUE(has("vt 0.000000 0.250000 0.000000"));
  EXPECT_TRUE(has("usemtl wood"));
  EXPECT_TRUE(has("usemtl plain"));
  const std::string mtl = kvtest::read_file(dir.file("out.mtl"));
  EXPECT_NE(mtl.find("map_Kd wood.bmp"), std::string::npos) << mtl;
  EXPECT_NE(mtl.find("newmtl plain"), std::string::npos);
}

TEST_F(XExport, AMeshWhoseTexturesCannotBeIndexedIsWrittenWithoutThem) {
  AddSurface("DEFAULT");
  MMesh_P* m = new MMesh_P("tris");
  m->UseNormals();
  m->UseUV();
  for (int i = 0; i < 4; ++i) {
    m->Add_Vertex(MVector3(i & 1, i >> 1, 0), -1.0);
    m->Add_UVVertex(MVector3(i & 1, i >> 1, 0), -1.0);
  }
  m->Add_NVertex(MVector3(0, 0, 1), -1.0);
  MIPolygon a, b, n;
  a.Add(0), a.Add(1), a.Add(2), b.Add(2), b.Add(1), b.Add(3), n.Add(0), n.Add(0), n.Add(0);
  m->Add_Face(a), m->Add_Face(b), m->Add_NFace(n), m->Add_NFace(n);
  m->Add_UVFace(a);  // one texture face for two faces
  m->surface_refs->Append(my_strdup("DEFAULT"));
  scene->objects->Append(m);
  const std::string text = kvtest::read_file(Write("nouv.x", {"-ov=1"}));
  EXPECT_NE(text.find("Mesh tris {"), std::string::npos);
  EXPECT_EQ(text.find("MeshTextureCoords"), std::string::npos);
  EXPECT_NE(text.find("MeshNormals"), std::string::npos);
  EXPECT_NE(kvtest::read_file(dir.file("exportx.log")).find("written without them"), std::string::npos);
}

TEST_F(XExport, MaterialIdsOutsideTheListAndNamesThatCleanUpAlike) {
  AddSurface("a-b");
  AddSurface("a_b");
  MMesh_P* m = AddCube("cube", "a_b");
  char* first = static_cast<char*>(m->surface_refs->GetAt(0));
  first[0] = 'a', first[1] = '-', first[2] = 'b', first[3] = 0;  // DEFAULT -> a-b
  m->Set_Face_MatId(5, 42);
  const std::string text = kvtest::read_file(Write("ids.x"));
  EXPECT_NE(text.find("Material a_b {"), std::string::npos);
  EXPECT_NE(text.find("Material a_b_1 {"), std::string::npos);
  MScene* back = xtest::Import(dir.file("ids.x"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Materials(back).size(), 2u);
  delete back;
}

TEST_F(XExport, CompressedFilesHoldThePlainBodyByteForByte) {
  // A grid of 40 000 quads: the body spans many write chunks and blocks.
  AddSurface("DEFAULT");
  MMesh_P* m = new MMesh_P("grid");
  const int side = 201;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) m->Add_Vertex(MVector3(x, y, (x * y) % 7), -1.0);
  for (int y = 0; y + 1 < side; ++y)
    for (int x = 0; x + 1 < side; ++x) {
      MIPolygon q;
      for (int c : {y * side + x, y * side + x + 1, (y + 1) * side + x + 1, (y + 1) * side + x}) q.Add(c);
      q.Set_MatId(0);
      m->Add_Face(q);
    }
  m->surface_refs->Append(my_strdup("DEFAULT"));
  scene->objects->Append(m);
  for (const bool binary : {false, true}) {
    SCOPED_TRACE(binary ? "binary" : "text");
    std::vector<std::string> plain_options{"-d3x_templates=1"};
    if (binary) plain_options.push_back("-d3x_binary=1");
    std::vector<std::string> zip_options = plain_options;
    zip_options.push_back("-d3x_compressed=1");
    const std::string plain = kvtest::read_file(Write("plain.x", plain_options));
    const std::string zip = kvtest::read_file(Write("zip.x", zip_options));
    ASSERT_GT(plain.size(), 20 * kvx::kZipBlockMax);
    std::vector<uint8_t> inflated;
    std::string error;
    ASSERT_TRUE(kvx::InflateBody(reinterpret_cast<const uint8_t*>(zip.data()) + 16, zip.size() - 16, &inflated, &error))
        << error;
    EXPECT_EQ(std::string(inflated.begin(), inflated.end()), plain.substr(16));
    EXPECT_EQ(zip.substr(0, 8), plain.substr(0, 8));
  }
}
