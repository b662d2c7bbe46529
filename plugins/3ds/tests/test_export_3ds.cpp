// 3DS, PRJ and ASC export through the built plug-ins: the chunks written
// for hand-made scenes, round trips through our own importer, and the
// ASCII text byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "3ds_chunk.h"
#include "korvanelib.h"
#include "3ds_test_util.h"
#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_support.h"

namespace {

using kvtest::FindClass;
using kvtest::UseCommandLine;

const char k3dsClass[] = "3D Studio Binary Mesh File     (*.3ds)";
const char kPrjClass[] = "3D Studio Binary Mesh File     (*.prj)";
const char kAscClass[] = "3D Studio ASCII Mesh File      (*.asc)";

MScene* Import(const char* cls, const std::string& path) {
  return kvtest::ImportWith(FindClass(cls, MESH_IMPORT_CLASS_ID), path);
}

int Export(const char* cls, MScene* scene, const std::string& path) {
  return kvtest::ExportWith(FindClass(cls, MESH_EXPORT_CLASS_ID), scene, path);
}

MMesh_P* AddTriangles(MScene* s, const char* name, int tris, bool normals, bool uv) {
  MMesh_P* m = new MMesh_P(name);
  for (int t = 0; t < tris; ++t)
    m->Add_Tri(MVector3(t, 0, 0), MVector3(t + 1, 0, 0), MVector3(t, 1, 0), 0, -1.0);
  if (normals) {
    m->UseNormals();
    for (int t = 0; t < tris; ++t) {
      MIPolygon f;
      for (int c = 0; c < 3; ++c) f.Add(m->Add_NVertex(MVector3(0, 0, 1), -1.0));
      m->Add_NFace(f);
    }
  }
  if (uv) {
    m->UseUV();
    for (int t = 0; t < tris; ++t) m->Add_UVTri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0));
    m->mapping_type = UV_MAP;
  }
  m->surface_refs->Append(my_strdup("mat"));
  s->objects->Append(m);
  return m;
}

std::vector<const k3ds::Chunk*> Objects(const k3ds::Database& db, uint16_t kind) {
  std::vector<const k3ds::Chunk*> out;
  if (const k3ds::Chunk* ed = db.root.Find(k3ds::kMData))
    for (const k3ds::Chunk& c : ed->kids)
      if (c.id == 0x4000 && c.Find(kind)) out.push_back(&c);
  return out;
}

std::string Name(const k3ds::Chunk& c) {
  k3ds::Reader r(c.data, nullptr);
  return r.String(255);
}

std::vector<uint32_t> SmoothMasks(const k3ds::Chunk& obj) {
  std::vector<uint32_t> out;
  const k3ds::Chunk* s = obj.Find(0x4100)->Find(0x4120)->Find(0x4150);
  if (!s) return out;
  k3ds::Reader r(s->data, nullptr);
  while (r.Left() >= 4) out.push_back(r.Dword());
  return out;
}

struct Stats {
  long triangles = 0;
  double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
};

Stats StatsOf(MScene* s) {
  Stats st;
  st.triangles = kvtest::TriangleCount(s);
  for (int i = 0; i < s->objects->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(s->objects->GetAt(i));
    if (o->get_type() != MESH2) continue;
    MMesh_P* m = static_cast<MMesh_P*>(o);
    for (int v = 0; v < m->Get_Vertex_Count(); ++v) {
      const MVector3& p = m->Get_Vertex(v);
      const double c[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) st.lo[k] = std::fmin(st.lo[k], c[k]), st.hi[k] = std::fmax(st.hi[k], c[k]);
    }
  }
  return st;
}

// What lib3ds's 3dsdump reads of the meshes of a file: points, faces and
// their material names. Smoothing masks and edge flags are left out (fast
// smoothing and flag 7 are the writer's choices), and a face without a
// material reads as "DEFAULT", which the importer gives such faces. Empty
// when the tool is not installed.
std::string Lib3dsMeshes(const std::string& path) {
  const std::string out = kv3dstest::Dump3ds(path);
  std::string clean;
  size_t at = 0;
  while (at < out.size()) {
    size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(at, end - at);
    at = end + 1;
    size_t s = line.find("smoothing:");
    if (s != std::string::npos) {
      size_t m = line.find("material:", s);
      line.erase(s, m == std::string::npos ? std::string::npos : m - s);
    }
    size_t e = line.find("material:\"\"");
    if (e != std::string::npos) line.replace(e, 11, "material:\"DEFAULT\"");
    clean += line + "\n";
  }
  return clean;
}

using kv3dstest::Have3dsdump;

std::set<std::string> SurfaceNames(MScene* s) {
  std::set<std::string> out;
  for (int i = 0; i < s->surfaces->count; ++i) out.insert(static_cast<MSurface*>(s->surfaces->GetAt(i))->name);
  return out;
}

class Export3ds : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(FindClass(k3dsClass, MESH_EXPORT_CLASS_ID), 0) << "export_3ds.so not found";
    UseCommandLine({"-ov=1", "-ld_mode=1"});
    scene = new MScene("test");
    scene->surfaces->Append(new MSurface("mat"));
  }
  void TearDown() override { delete scene; }
  k3ds::Database Write(const char* cls = k3dsClass, const std::string& name = "out.3ds") {
    EXPECT_EQ(Export(cls, scene, dir.file(name)), 1);
    k3ds::Database db;
    k3ds::ErrorList err;
    EXPECT_TRUE(k3ds::ReadDatabaseFile(dir.file(name).c_str(), &db, &err));
    EXPECT_FALSE(err.Pending());
    return db;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(Export3ds, NamesFollowTheFormatLimits) {
  for (int i = 0; i < 4; ++i) AddTriangles(scene, ('m' + std::to_string(i)).c_str(), 1, false, false);
  AddTriangles(scene, "thirteen_char", 1, false, false);  // fifth object
  AddTriangles(scene, "m0", 1, false, false);              // would replace the first
  scene->cameras->Append(new MCamera("camera_12chr"));
  k3ds::Database db = Write();
  EXPECT_EQ(db.root.id, k3ds::kM3dMagic);
  std::vector<const k3ds::Chunk*> meshes = Objects(db, 0x4100);
  ASSERT_EQ(meshes.size(), 6u);
  EXPECT_EQ(Name(*meshes[4]), "Obj_4");
  EXPECT_EQ(Name(*meshes[5]), "m0_1");
  std::vector<const k3ds::Chunk*> cams = Objects(db, 0x4700);
  ASSERT_EQ(cams.size(), 1u);
  EXPECT_EQ(Name(*cams[0]), "camera_12c");

  k3ds::Database prj = Write(kPrjClass, "out.prj");
  EXPECT_EQ(prj.root.id, k3ds::kCMagic);
  EXPECT_EQ(prj.root.Find(0x0002), nullptr);  // the version chunk is for mesh files only
  ASSERT_NE(prj.root.Find(0xB000), nullptr);
  EXPECT_NE(prj.root.Find(0xB000)->Find(0xB00A), nullptr);
}

TEST_F(Export3ds, RepeatedNamesTakeTheFirstFreeNumber) {
  AddTriangles(scene, "m", 1, false, false);
  AddTriangles(scene, "m_3", 1, false, false);  // taken before its number comes up
  for (int i = 0; i < 4; ++i) AddTriangles(scene, "m", 1, false, false);
  for (int i = 0; i < 300; ++i) AddTriangles(scene, "same_name_long", 1, false, false);
  k3ds::Database db = Write();
  std::vector<const k3ds::Chunk*> meshes = Objects(db, 0x4100);
  ASSERT_EQ(meshes.size(), 306u);
  const char* want[] = {"m", "m_3", "m_1", "m_2", "m_4", "m_5"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Name(*meshes[i]), want[i]);
  // Long names are replaced by "Obj_<k>" before they are made unique.
  std::set<std::string> names;
  for (const k3ds::Chunk* m : meshes) names.insert(Name(*m));
  EXPECT_EQ(names.size(), meshes.size());
}

TEST_F(Export3ds, SmoothingGroupsFromNormals) {
  AddTriangles(scene, "flat", 2, false, false);
  AddTriangles(scene, "fast", 3, true, false);
  k3ds::Database db = Write();
  std::vector<const k3ds::Chunk*> meshes = Objects(db, 0x4100);
  ASSERT_EQ(meshes.size(), 2u);
  EXPECT_TRUE(SmoothMasks(*meshes[0]).empty());  // no normals, no smoothing chunk
  EXPECT_EQ(SmoothMasks(*meshes[1]), (std::vector<uint32_t>{1, 1, 1}));

  // Computed groups: two triangles sharing an edge with exactly opposite
  // normals share a group; a third, apart and with another normal, gets
  // the next bit.
  delete scene;
  scene = new MScene("groups");
  MMesh_P* m = new MMesh_P("pair");
  m->Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, 1e-9);
  m->Add_Tri(MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 0), 0, 1e-9);
  m->Add_Tri(MVector3(5, 0, 0), MVector3(6, 0, 0), MVector3(5, 1, 0), 0, 1e-9);
  m->UseNormals();
  const int up = m->Add_NVertex(MVector3(0, 0, 1), -1.0), down = m->Add_NVertex(MVector3(0, 0, -1), -1.0);
  const int side = m->Add_NVertex(MVector3(1, 0, 0), -1.0);
  for (int n : {up, down, side}) {
    MIPolygon f;
    for (int c = 0; c < 3; ++c) f.Add(n);
    m->Add_NFace(f);
  }
  scene->objects->Append(m);
  UseCommandLine({"-ov=1", "-use_fast_smoothing=0"});
  k3ds::Database db2 = Write();
  std::vector<const k3ds::Chunk*> pair = Objects(db2, 0x4100);
  ASSERT_EQ(pair.size(), 1u);
  EXPECT_EQ(SmoothMasks(*pair[0]), (std::vector<uint32_t>{1, 1, 2}));
}

TEST_F(Export3ds, QuadsAreSplitHereAndTheirHalvesShareAGroup) {
  // A cube of six flat quads, a normal per side: twelve triangles, no
  // triangulated copy kept, and each quad's two halves in one group.
  MMesh_P* m = new MMesh_P("cube");
  for (int i = 0; i < 8; ++i) m->Add_Vertex(MVector3(i & 1, (i >> 1) & 1, i >> 2), -1.0);
  const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {1, 3, 7, 5}, {3, 2, 6, 7}, {2, 0, 4, 6}};
  m->UseNormals();
  for (int f = 0; f < 6; ++f) {
    MIPolygon face, normals;
    const int n = m->Add_NVertex(MVector3(f, 1, 0), -1.0);
    for (int c = 0; c < 4; ++c) face.Add(quads[f][c]), normals.Add(n);
    face.Set_MatId(0);
    m->Add_Face(face);
    m->Add_NFace(normals);
  }
  scene->objects->Append(m);
  UseCommandLine({"-ov=1", "-use_fast_smoothing=0"});
  k3ds::Database db = Write();
  EXPECT_EQ(scene->tri_objects->count, 0);
  std::vector<const k3ds::Chunk*> meshes = Objects(db, 0x4100);
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(SmoothMasks(*meshes[0]), (std::vector<uint32_t>{1, 1, 2, 2, 4, 4, 8, 8, 16, 16, 32, 32}));
}

TEST_F(Export3ds, OversizedMeshIsSplitNotDropped) {
  // 70 000 separate triangles: 210 000 vertices, beyond the 16-bit counts.
  MMesh_P* big = AddTriangles(scene, "big", 70000, false, true);
  const long faces = big->Get_Face_Count();
  EXPECT_EQ(Export(k3dsClass, scene, dir.file("big.3ds")), 1);
  MScene* back = Import("3D Studio (*.3ds, *.prj, *.mtl)", dir.file("big.3ds"));
  ASSERT_NE(back, nullptr);
  long tris = 0;
  int pieces = 0;
  for (int i = 0; i < back->objects->count; ++i) {
    MMesh_P* m = static_cast<MMesh_P*>(back->objects->GetAt(i));
    EXPECT_LE(m->Get_Vertex_Count(), 65535);
    EXPECT_LE(m->Get_Face_Count(), 65535);
    tris += m->Get_Face_Count();
    ++pieces;
  }
  EXPECT_EQ(tris, faces);
  EXPECT_GE(pieces, 4);
  delete back;
  const std::string log = kvtest::read_file(dir.file("export3ds.log"));
  EXPECT_NE(log.find("Mesh big to big (210000 vertices, 70000 faces)\n"), std::string::npos);

  // At the limit a mesh is written as it is, in the ASCII file too.
  delete scene;
  scene = new MScene("limit");
  AddTriangles(scene, "exact", 21845, false, false);  // 65535 vertices
  AddTriangles(scene, "over", 21846, false, false);   // 65538 vertices
  k3ds::Database db = Write();
  std::vector<const k3ds::Chunk*> meshes = Objects(db, 0x4100);
  ASSERT_EQ(meshes.size(), 3u);
  EXPECT_EQ(Name(*meshes[0]), "exact");
  EXPECT_EQ(Name(*meshes[1]), "over_0");
  EXPECT_EQ(Name(*meshes[2]), "over_1");
  ASSERT_EQ(Export("3D Studio ASCII Mesh File      (*.asc)", scene, dir.file("limit.asc")), 1);
  const std::string asc = kvtest::read_file(dir.file("limit.asc"));
  EXPECT_NE(asc.find("Named object: \"exact\"\nTri-mesh, Vertices: 65535  Faces: 21845\n"), std::string::npos);
  EXPECT_NE(asc.find("Named object: \"over_1\"\nTri-mesh, Vertices: 3  Faces: 1\n"), std::string::npos);
}

TEST_F(Export3ds, LightsFogAndBackground) {
  MLight* off = new MLight("off");
  off->active = 0;
  scene->lights->Append(off);
  MLight* spot = new MLight("spot");
  spot->type = SPOTLIGHT;
  spot->aspect = 2.0;
  scene->lights->Append(spot);
  MLight* dir_light = new MLight("sun");
  dir_light->type = DIRECTIONALLIGHT;  // no such light in the format
  scene->lights->Append(dir_light);
  scene->background.type = BCKG_GRADIENT;
  scene->background.top_color = MColor(1, 0, 0);
  scene->background.bottom_color = MColor(0, 0, 1);
  k3ds::Database db = Write();
  std::vector<const k3ds::Chunk*> omni = Objects(db, 0x4600);
  ASSERT_EQ(omni.size(), 2u);
  EXPECT_NE(omni[0]->Find(0x4600)->Find(0x4620), nullptr);  // switched off
  const k3ds::Chunk* cone = omni[1]->Find(0x4600)->Find(0x4610);
  ASSERT_NE(cone, nullptr);
  EXPECT_NE(cone->Find(0x4657), nullptr);
  EXPECT_NE(cone->Find(0x4650), nullptr);
  const k3ds::Chunk* ed = db.root.Find(k3ds::kMData);
  EXPECT_EQ(ed->Find(0x2201), nullptr);  // fog off: no effect in use
  EXPECT_NE(ed->Find(0x1301), nullptr);
  EXPECT_EQ(ed->Find(0x1201), nullptr);

  MScene* back = Import("3D Studio (*.3ds, *.prj, *.mtl)", dir.file("out.3ds"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->background.type, BCKG_GRADIENT);
  EXPECT_NEAR(back->background.top_color.r, 1.0, 1e-6);
  EXPECT_NEAR(back->background.bottom_color.b, 1.0, 1e-6);
  delete back;
}

TEST_F(Export3ds, MaterialsAndMapsSurviveTheRoundTrip) {
  MSurface* s = new MSurface("a_material_name_longer_than_16");
  s->color.lock_specular = 1;
  s->color.diffuse = MColor(0.5, 0.25, 1.0);
  MSrf_TextureLayer* l = new MSrf_TextureLayer();
  s->layers.Add(l);
  l->texture.kind = _2DBITMAP;
  msrf_copy_name(l->texture.bitmap.file_name, "maps/wood.tga");
  l->diffuse_color.enabled = 1;
  l->diffuse_color.value = 0.75;
  l->bump_intensity.enabled = 1;
  scene->surfaces->Append(s);
  MSurface* far = new MSurface("far");
  MSrf_TextureLayer* fl = new MSrf_TextureLayer();
  fl->texture.kind = _2DBITMAP;
  msrf_copy_name(fl->texture.bitmap.file_name, "a_very_long_map_name.tga");
  fl->diffuse_color.enabled = 1;
  far->layers.Add(fl);
  scene->surfaces->Append(far);
  MMesh_P* m = AddTriangles(scene, "box", 2, false, false);
  m->surface_refs->Append(my_strdup("a_material_name_longer_than_16"));
  m->Get_IFace(1).mat_id = 1;

  k3ds::Database db = Write();
  const k3ds::Chunk* ed = db.root.Find(k3ds::kMData);
  int entries = 0;
  for (const k3ds::Chunk& c : ed->kids) entries += c.id == 0xAFFF;
  EXPECT_EQ(entries, 3);
  // Materials come before the objects that name them.
  size_t first_material = 0, first_object = 0;
  for (size_t i = 0; i < ed->kids.size(); ++i) {
    if (ed->kids[i].id == 0xAFFF && !first_material) first_material = i;
    if (ed->kids[i].id == 0x4000 && !first_object) first_object = i;
  }
  EXPECT_LT(first_material, first_object);

  MScene* back = Import("3D Studio (*.3ds, *.prj, *.mtl)", dir.file("out.3ds"));
  ASSERT_NE(back, nullptr);
  MSurface* r = back->GetMaterialbyName("a_material_name_");
  ASSERT_NE(r, nullptr);
  EXPECT_NEAR(r->color.specular.r, 0.5, 1.0 / 255);  // the locked specular is the diffuse colour
  ASSERT_GE(r->layers.Get_Count(), 1);
  bool wood = false;
  for (int i = 0; i < r->layers.Get_Count(); ++i)
    wood = wood || std::strcmp(r->layers.Get(i)->texture.bitmap.file_name, "wood.tga") == 0;
  EXPECT_TRUE(wood);
  // A map name the format cannot hold drops the map, not the material.
  EXPECT_NE(back->GetMaterialbyName("far"), nullptr);
  MMesh_P* bm = static_cast<MMesh_P*>(back->objects->GetAt(0));
  ASSERT_EQ(bm->Get_Face_Count(), 2);
  EXPECT_STREQ(ref_name_or_empty(bm->surface_refs, bm->Get_IFace(1).mat_id), "a_material_name_");
  delete back;
  const std::string log = kvtest::read_file(dir.file("export3ds.log"));
  EXPECT_NE(log.find("old map file maps/wood.tga to new map file wood.tga\n"), std::string::npos);
  EXPECT_NE(log.find("ERR_STRING_TOO_LONG"), std::string::npos);
}

TEST_F(Export3ds, CorpusRoundTripsKeepTrianglesBoundsAndMaterials) {
  KV_REQUIRE_CORPUS();
  int files = 0;
  for (const auto& file : kv3dstest::CorpusFiles()) {
    SCOPED_TRACE(file.filename().string());
    MScene* a = Import("3D Studio (*.3ds, *.prj, *.mtl)", file.string());
    ASSERT_NE(a, nullptr);
    const std::string out = dir.file("rt_" + std::to_string(files++) + ".3ds");
    ASSERT_EQ(Export(k3dsClass, a, out), 1);
    MScene* b = Import("3D Studio (*.3ds, *.prj, *.mtl)", out);
    ASSERT_NE(b, nullptr);
    Stats sa = StatsOf(a), sb = StatsOf(b);
    EXPECT_EQ(sa.triangles, sb.triangles);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(sa.lo[k], sb.lo[k], 1e-4 * (1 + std::fabs(sa.lo[k])));
      EXPECT_NEAR(sa.hi[k], sb.hi[k], 1e-4 * (1 + std::fabs(sa.hi[k])));
    }
    EXPECT_EQ(SurfaceNames(a), SurfaceNames(b));
    EXPECT_EQ(a->surfaces->count, b->surfaces->count);  // no second "DEFAULT"
    EXPECT_EQ(a->cameras->count, b->cameras->count);
    if (Have3dsdump()) {
      EXPECT_EQ(Lib3dsMeshes(file.string()), Lib3dsMeshes(out));
    }
    delete a;
    delete b;
  }
  EXPECT_GT(files, 0);
}

TEST_F(Export3ds, RawTo3dsToRawKeepsTheText) {
  const std::string raw0 = dir.file("a.raw");
  kvtest::write_file(raw0, "tri\n0 0 0 1 0 0 0 1 0\n1 0 0 1 1 0 0 1 0\nother\n2.5 0 0 3 0 1 2 1 -1\n");
  MScene* s = Import("RAW (*.raw)", raw0);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(Export(k3dsClass, s, dir.file("mid.3ds")), 1);
  delete s;
  s = Import("3D Studio (*.3ds, *.prj, *.mtl)", dir.file("mid.3ds"));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(Export("Raw (*.raw)", s, dir.file("b.raw")), 1);
  delete s;
  s = Import("RAW (*.raw)", dir.file("b.raw"));
  ASSERT_NE(s, nullptr);
  Stats st = StatsOf(s);
  EXPECT_EQ(st.triangles, 3);
  EXPECT_DOUBLE_EQ(st.lo[2], -1.0);
  EXPECT_DOUBLE_EQ(st.hi[0], 3.0);
  delete s;
}

TEST_F(Export3ds, AsciiFileByteForByte) {
  MCamera* cam = new MCamera("Cam");
  scene->cameras->Append(cam);
  scene->lights->Append(new MLight("Omni"));
  MLight* off = new MLight("Off");
  off->active = 0;
  scene->lights->Append(off);
  AddTriangles(scene, "Tri", 1, true, true);
  AddTriangles(scene, "Plain", 1, false, false)->Get_IFace(0).mat_id = 7;
  ASSERT_EQ(Export(kAscClass, scene, dir.file("out.asc")), 1);
  EXPECT_EQ(kvtest::read_file(dir.file("out.asc")),
            "Ambient light color: Red=0.200000 Green=0.200000 Blue=0.200000\n\n"
            "Named object: \"Cam\"\nCamera (50.000000mm)\nPosition: X:1.000000 Y:1.000000 Z:1.000000\n"
            "Target: X:0.000000 Y:0.000000 Z:0.000000\nBank angle: 0.000000 degrees\n"
            "Near 0.000000 Far 10000.000000\n\n"
            "Named object: \"Omni\"\nDirect light\nPosition: X:1.000000 Y:1.000000 Z:1.000000\n"
            "Light color: Red=1.000000 Green=1.000000 Blue=1.000000\n\n"
            "Named object: \"Tri\"\nTri-mesh, Vertices: 3  Faces: 1\nMapped\nVertex list:\n"
            "Vertex 0:  X: 0.000000 Y: 0.000000 Z: 0.000000 U: 0.000000 V: 0.000000\n"
            "Vertex 1:  X: 1.000000 Y: 0.000000 Z: 0.000000 U: 1.000000 V: 0.000000\n"
            "Vertex 2:  X: 0.000000 Y: 1.000000 Z: 0.000000 U: 0.000000 V: 1.000000\n"
            "Face list:\nFace 0: A:0 B:1 C:2 AB:1 BC:1 CA:1 \nMaterial: \"mat\"\nSmoothing: 1\n\n\n"
            "Named object: \"Plain\"\nTri-mesh, Vertices: 3  Faces: 1\nVertex list:\n"
            "Vertex 0:  X: 0.000000 Y: 0.000000 Z: 0.000000\n"
            "Vertex 1:  X: 1.000000 Y: 0.000000 Z: 0.000000\n"
            "Vertex 2:  X: 0.000000 Y: 1.000000 Z: 0.000000\n"
            "Face list:\nFace 0: A:0 B:1 C:2 AB:1 BC:1 CA:1 \nMaterial: \"\"\n\n\n");

  UseCommandLine({"-ov=1", "-ld_mode=0", "-export_meshes=0", "-export_cameras=0", "-export_lights=0"});
  scene->fog.enabled = 1;
  ASSERT_EQ(Export(kAscClass, scene, dir.file("fog.asc")), 1);
  EXPECT_EQ(kvtest::read_file(dir.file("fog.asc")),
            "Ambient light color: Red=0.200000 Green=0.200000 Blue=0.200000\r\n\r\n"
            "Fog settings: Near 0.000000 Level 0.000000 Far 10000.000000 Level: 100.000000\r\n"
            "Fog color: Red=0.000000 Green=0.000000 Blue=0.000000\r\nBackground fogged\r\n\r\n");
}

TEST_F(Export3ds, UnwritablePathsFail) {
  AddTriangles(scene, "m", 1, false, false);
  EXPECT_EQ(Export(k3dsClass, scene, "/nonexistent/korvane/out.3ds"), 0);
  EXPECT_EQ(Export(kAscClass, scene, "/nonexistent/korvane/out.asc"), 0);
}

TEST_F(Export3ds, CopiedMapsGetShortNamesThatFit) {
  kvtest::TempDir src;
  const char* long_names[] = {"longmapname_a.tga", "longmapname_b.tga"};
  for (int i = 0; i < 2; ++i) {
    kvtest::write_file(src.file(long_names[i]), std::string("pixels ") + long_names[i]);
    MSurface* s = new MSurface(i ? "b" : "a");
    MSrf_TextureLayer* l = new MSrf_TextureLayer();
    l->texture.kind = _2DBITMAP;
    msrf_copy_name(l->texture.bitmap.file_name, long_names[i]);
    l->diffuse_color.enabled = 1;
    s->layers.Add(l);
    scene->surfaces->Append(s);
    scene->maps->AddMap(long_names[i]);
  }
  scene->maps->AddSearchPath(src.str().c_str());
  MMesh_P* m = AddTriangles(scene, "box", 2, false, true);
  m->surface_refs->Append(my_strdup("b"));
  m->Get_IFace(0).mat_id = 1;
  // Another file already holds the first short name: it must stay as it is.
  kvtest::write_file(dir.file("LONGMA~1.tga"), "someone else's");

  for (int run = 0; run < 2; ++run) {  // a second run finds its own copies and keeps their names
    UseCommandLine({"-ov=1", "-ld_mode=1", "-enable_copy=1"});
    k3ds::Database db = Write();
    std::set<std::string> written;
    for (const k3ds::Chunk& e : db.root.Find(k3ds::kMData)->kids) {
      const k3ds::Chunk* map = e.id == 0xAFFF ? e.Find(0xA200) : nullptr;
      if (map) written.insert(Name(*map->Find(0xA300)));
    }
    EXPECT_EQ(written, (std::set<std::string>{"LONGMA~2.tga", "LONGMA~3.tga"}));
    EXPECT_EQ(kvtest::read_file(dir.file("LONGMA~2.tga")), "pixels longmapname_a.tga");
    EXPECT_EQ(kvtest::read_file(dir.file("LONGMA~3.tga")), "pixels longmapname_b.tga");
    EXPECT_EQ(kvtest::read_file(dir.file("LONGMA~1.tga")), "someone else's");
    EXPECT_FALSE(std::filesystem::exists(dir.file("LONGMA~4.tga")));
  }
  if (Have3dsdump()) {
    const std::string dump = kvtest::command_output("3dsdump -m '" + dir.file("out.3ds") + "' 2>/dev/null");
    EXPECT_NE(dump.find("LONGMA~2.tga"), std::string::npos);
  }

  // Maps left where they are keep their names and are left out, as before.
  UseCommandLine({"-ov=1", "-ld_mode=1", "-enable_copy=0"});
  k3ds::Database db = Write();
  for (const k3ds::Chunk& e : db.root.Find(k3ds::kMData)->kids) EXPECT_TRUE(e.id != 0xAFFF || !e.Find(0xA200));
}
