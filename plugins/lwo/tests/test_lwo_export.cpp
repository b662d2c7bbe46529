// LightWave export through the built plug-in: the object files of both
// generations, the scene file, and round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "lwo_chunks.h"
#include "lwo_iff.h"
#include "lwo_test_util.h"

namespace {

// The top-level chunks of an object file by id (the last of each id).
std::map<uint32_t, std::vector<uint8_t>> Chunks(const std::vector<uint8_t>& file, uint32_t* type = nullptr) {
  std::map<uint32_t, std::vector<uint8_t>> out;
  lwo::Form form;
  if (!lwo::ReadForm(MBinReader(file.data(), file.size(), MByteOrder::kBig), &form)) return out;
  if (type) *type = form.type;
  lwo::ChunkWalker walk(form.body, lwo::ChunkWalker::kLongLength);
  lwo::Chunk c;
  while (walk.Next(&c)) out[c.id].assign(c.data.Here(), c.data.Here() + c.data.Size());
  return out;
}

MBinReader Reader(const std::vector<uint8_t>& b) { return MBinReader(b.data(), b.size(), MByteOrder::kBig); }

// The sub-chunks of a SURF chunk by id.
std::map<uint32_t, std::vector<uint8_t>> SurfaceSubs(const std::vector<uint8_t>& surf, bool lwo2) {
  MBinReader r = Reader(surf);
  lwo::ReadS0(r, 1000);
  if (lwo2) lwo::ReadS0(r, 1000);
  std::map<uint32_t, std::vector<uint8_t>> out;
  lwo::ChunkWalker walk(r, lwo::ChunkWalker::kWordLength);
  lwo::Chunk c;
  while (walk.Next(&c)) out[c.id].assign(c.data.Here(), c.data.Here() + c.data.Size());
  return out;
}

class LwoExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(lwotest::ExportClass(), 0) << "export_lwo.so not built";
    scene = new MScene("test");
  }
  void TearDown() override { delete scene; }
  MMesh_P* AddMesh(const char* name, int vertices, std::vector<std::vector<int>> faces, const char* surface = "red") {
    MMesh_P* m = new MMesh_P(name);
    for (int i = 0; i < vertices; ++i) m->Add_Vertex(MVector3(i, 2.0 * i + (i % 3), 3.0 * (i % 5)), -1.0);
    for (const auto& f : faces) {
      MIPolygon p;
      for (int v : f) p.Add(v);
      p.Set_MatId(0);
      m->Add_Face(p);
    }
    if (surface) {
      m->surface_refs->Append(my_strdup(surface));
      if (!scene->GetMaterialbyName(surface)) scene->surfaces->Append(new MSurface(surface));
    }
    scene->objects->Append(m);
    return m;
  }
  int Write(const std::vector<std::string>& options) {
    return lwotest::Export(scene, dir.file("out.lws"), options);
  }
  std::vector<std::string> SceneLines() { return kvtest::read_lines(dir.file("out.lws")); }
  static int Count(const std::vector<std::string>& l, const std::string& s) {
    return static_cast<int>(std::count(l.begin(), l.end(), s));
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

TEST_F(LwoExport, Lwob) {
  AddMesh("tri", 3, {{0, 1, 2}});
  MSurface* red = scene->GetMaterialbyName("red");
  red->color.diffuse.Init_RGB(1, 0.5, 0, 1);
  red->color.diffuse_intensity = 1.5;  // held at the field's top, not wrapped
  red->color.specular_intensity = 0.5;
  red->spec.phong_size = 4.0;
  ASSERT_EQ(Write({"-lwo_version=0"}), 1);
  uint32_t type = 0;
  auto c = Chunks(lwotest::ReadBytes(dir.file("tri.lwo")), &type);
  EXPECT_EQ(type, lwo::kLWOB);
  MBinReader p = Reader(c[lwo::kPNTS]);
  ASSERT_EQ(p.Size(), 36u);
  p.Skip(12);
  EXPECT_EQ(p.F32(), 1.0f);
  EXPECT_EQ(p.F32(), 3.0f);  // z
  EXPECT_EQ(p.F32(), 3.0f);  // y
  MBinReader pols = Reader(c[lwo::kPOLS]);
  EXPECT_EQ(pols.U16(), 3);
  EXPECT_EQ(pols.U16(), 2);
  EXPECT_EQ(pols.U16(), 1);
  EXPECT_EQ(pols.U16(), 0);
  EXPECT_EQ(pols.I16(), 1);
  auto subs = SurfaceSubs(c[lwo::kSURF], false);
  ASSERT_EQ(subs[lwo::kCOLR].size(), 4u);
  EXPECT_EQ(subs[lwo::kCOLR][1], 128);
  EXPECT_EQ(Reader(subs[lwo::kDIFF]).U16(), 255);
  EXPECT_EQ(Reader(subs[lwo::kSPEC]).U16(), 128);
  EXPECT_EQ(Reader(subs[lwo::kGLOS]).U16(), 410);  // shininess 4 is glossiness 0.4
  EXPECT_EQ(subs.count(lwo::kSMAN), 0u);         // no normals

  const std::vector<std::string> l = SceneLines();
  ASSERT_GE(l.size(), 8u);
  EXPECT_EQ(l[0], "LWSC");
  EXPECT_EQ(l[1], "1");
  EXPECT_EQ(l[6], "FramesPerSecond 30.000000");
  EXPECT_EQ(Count(l, "LoadObject tri.lwo"), 1);
}

TEST_F(LwoExport, LwobRefusesMorePointsThanItsWordsNumber) {
  AddMesh("big", 70000, {{0, 1, 69999}});
  EXPECT_EQ(Write({"-lwo_version=0"}), 0);
  EXPECT_NE(lwotest::LastExportError().find("65535"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.lws")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("big.lwo")));
}

TEST_F(LwoExport, Lwo2LongIndicesAndTheDefaultSurface) {
  MMesh_P* m = AddMesh("far", 0xFF10, {{0, 1, 2}, {0xFF05, 1, 0xFF0F}, {3, 4, 5}});
  m->Set_Face_MatId(1, -1);
  m->Set_Face_MatId(2, 7);
  ASSERT_EQ(Write({"-lwo_version=1"}), 1);
  auto c = Chunks(lwotest::ReadBytes(dir.file("far.lwo")));
  MBinReader tags = Reader(c[lwo::kTAGS]);
  EXPECT_EQ(lwo::ReadS0(tags, 100), "red");
  EXPECT_EQ(lwo::ReadS0(tags, 100), "Default");
  MBinReader ptag = Reader(c[lwo::kPTAG]);
  EXPECT_EQ(ptag.U32(), lwo::kSURF);
  std::vector<uint32_t> tag_of;
  while (ptag.Left() >= 4) {
    EXPECT_EQ(lwo::ReadVX(ptag), tag_of.size());
    tag_of.push_back(ptag.U16());
  }
  EXPECT_EQ(tag_of, (std::vector<uint32_t>{0, 1, 1}));
  // Read back: the long corner indices come back where they were.
  MScene* back = lwotest::Import(dir.file("far.lwo"));
  ASSERT_NE(back, nullptr);
  MMesh_P* b = kvtest::MeshAt(back, 0);
  ASSERT_EQ(b->Get_Face_Count(), 3);
  EXPECT_EQ(b->Get_IFace(1)[0], 0xFF05);
  EXPECT_EQ(b->Get_IFace(1)[2], 0xFF0F);
  EXPECT_STREQ(ref_name_or_empty(b->surface_refs, b->Get_Face_MatId(2)), "Default");
  delete back;
}

TEST_F(LwoExport, SceneFileCamerasLightsAndTargets) {
  AddMesh("tri", 3, {{0, 1, 2}});
  for (const char* n : {"Cam1", "Cam2", "Cam3"}) scene->cameras->Append(new MCamera(n));
  MLight* spot = new MLight("Lamp");
  spot->type = SPOTLIGHT;
  spot->falloff = 40;
  spot->position = MVector3(1, 2, 3);
  scene->lights->Append(spot);
  scene->lights->Append(new MLight("Bulb"));
  ASSERT_EQ(Write({"-lwo_version=1"}), 1);
  const std::vector<std::string> l = SceneLines();
  EXPECT_EQ(l[1], "3");
  EXPECT_EQ(Count(l, "AddCamera"), 1);
  EXPECT_EQ(Count(l, "CameraName Cam1"), 1);
  EXPECT_EQ(Count(l, "ZoomFactor 4.000"), 1);
  auto at = [&](const std::string& s) { return std::find(l.begin(), l.end(), s) - l.begin(); };
  EXPECT_LT(at("AddNullObject Lamp_target"), at("LightName Lamp"));
  EXPECT_EQ(Count(l, "TargetObject 1"), 1);  // the camera's target
  EXPECT_EQ(Count(l, "TargetObject 2"), 1);  // Lamp_target
  EXPECT_EQ(Count(l, "ConeAngle 20.000"), 1);
  EXPECT_EQ(Count(l, "LightType 1"), 1);
  EXPECT_EQ(Count(l, "LoadObjectLayer 1 tri.lwo"), 1);
  // Our reader places what we wrote.
  MScene* back = lwotest::Import(dir.file("out.lws"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->cameras->count, 1);
  ASSERT_EQ(back->lights->count, 2);
  MLight* l0 = static_cast<MLight*>(back->lights->GetAt(0));
  EXPECT_EQ(l0->type, SPOTLIGHT);
  EXPECT_NEAR(l0->position.z, 3, 1e-6);
  delete back;
}

TEST_F(LwoExport, ObjectFileNamesStayUnique) {
  AddMesh("part", 3, {{0, 1, 2}});
  AddMesh("part", 4, {{0, 1, 2, 3}});
  MRefObj* ref = new MRefObj(0, "part");
  ref->transformation.Set_LocalMatrix(MMatrix(1));
  scene->objects->Append(ref);
  AddMesh("PART", 3, {{0, 1, 2}});
  ASSERT_EQ(Write({"-lwo_version=1"}), 1);
  const std::vector<std::string> l = SceneLines();
  for (const char* f : {"part.lwo", "part_1.lwo", "part_2.lwo", "PART_3.lwo"}) {
    EXPECT_EQ(Count(l, std::string("LoadObjectLayer 1 ") + f), 1) << f;
    EXPECT_TRUE(std::filesystem::exists(dir.file(f))) << f;
  }
  EXPECT_EQ(Chunks(lwotest::ReadBytes(dir.file("part_1.lwo")))[lwo::kPNTS].size(), 48u);
}

TEST_F(LwoExport, TextureMapsOnlyWithWorkingUVsAndTheSceneStaysAsItWas) {
  MMesh_P* m = AddMesh("quad", 4, {{0, 1, 2, 3}}, "wood");
  m->UseUV();
  for (int i = 0; i < 4; ++i) m->Add_UVVertex(MVector3(i & 1, i >> 1, 0), -1.0);
  MIPolygon uf;
  for (int v : {0, 1, 3, 2}) uf.Add(v);
  m->Add_UVFace(uf);
  MSrf_TextureLayer* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  layer->diffuse_color.enabled = 1;
  layer->diffuse_color.value = 0.75;
  msrf_copy_name(layer->texture.bitmap.file_name, "grain.png");
  scene->GetMaterialbyName("wood")->layers.Add(layer);
  scene->maps->AddMap("other.png");
  scene->maps->AddMap("grain.png");
  scene->maps->AddMap("grain.png");
  ASSERT_EQ(Write({"-lwo_version=1"}), 1);
  auto c = Chunks(lwotest::ReadBytes(dir.file("quad.lwo")));
  ASSERT_EQ(c.count(lwo::kVMAP), 1u);
  ASSERT_EQ(c.count(lwo::kCLIP), 1u);
  MBinReader clip = Reader(c[lwo::kCLIP]);
  EXPECT_EQ(clip.U32(), 2u);  // the last clip: grain.png, numbered from 1
  auto subs = SurfaceSubs(c[lwo::kSURF], true);
  ASSERT_EQ(subs.count(lwo::kBLOK), 1u);
  // The scene is not changed: no welding, no copies left behind.
  EXPECT_EQ(m->Get_Vertex_Count(), 4);
  EXPECT_EQ(m->Get_UVFace_Count(), 1);
  EXPECT_EQ(m->Get_IUVFace(0)[2], 3);
  EXPECT_EQ(scene->tri_objects->count, 0);
  // Read back: the block names its clip and map.
  MScene* back = lwotest::Import(dir.file("quad.lwo"));
  ASSERT_NE(back, nullptr);
  MSurface* s = back->GetMaterialbyName("wood");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->layers.Get_Count(), 1);
  EXPECT_STREQ(s->layers.Get(0)->texture.bitmap.file_name, "grain.png");
  MMesh_P* b = kvtest::MeshAt(back, 0);
  ASSERT_TRUE(b->UVUsed());
  for (int k = 0; k < 4; ++k) {
    const MVector3 want = m->Get_UVVertex(m->Get_IUVFace(0)[k]);
    const MVector3 got = b->Get_UVVertex(b->Get_IUVFace(0)[k]);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
  }
  delete back;

  // Texture faces out of step with the faces: no map, clip or block.
  m->Add_UVFace(uf);
  ASSERT_EQ(Write({"-lwo_version=1"}), 1);
  c = Chunks(lwotest::ReadBytes(dir.file("quad.lwo")));
  EXPECT_EQ(c.count(lwo::kVMAP), 0u);
  EXPECT_EQ(c.count(lwo::kCLIP), 0u);
  EXPECT_EQ(SurfaceSubs(c[lwo::kSURF], true).count(lwo::kBLOK), 0u);
}

// Writing what was read gives the same bytes from the second pass on.
TEST_F(LwoExport, ObjectsAreStableAfterTheFirstPass) {
  KV_REQUIRE_CORPUS();
  std::vector<std::filesystem::path> files = lwotest::CorpusObjects("LWO2");
  for (const auto& f : lwotest::CorpusObjects("LWOB")) files.push_back(f);
  ASSERT_FALSE(files.empty());
  for (const auto& file : files) {
    for (int version : {0, 1}) {
      SCOPED_TRACE(file.string() + " version " + std::to_string(version));
      const std::string opt = "-lwo_version=" + std::to_string(version);
      std::string input = file.string();
      std::vector<uint8_t> passes[3];
      kvtest::TempDir out[3];
      for (int pass = 0; pass < 3; ++pass) {
        MScene* s = lwotest::Import(input);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(lwotest::Export(s, out[pass].file("pass.lws"), {opt}), 1) << lwotest::LastExportError();
        delete s;
        // The object keeps the name of the file it came from.
        input = out[pass].file(file.stem().string() + ".lwo");
        passes[pass] = lwotest::ReadBytes(input);
      }
      EXPECT_FALSE(passes[1].empty());
      EXPECT_EQ(passes[1], passes[2]);
    }
  }
}

// OBJ in, LightWave 6 out and back in, OBJ out and in again: the faces keep
// their texture coordinates and materials, as far as OBJ out and in again
// keeps them without LightWave in between.
TEST_F(LwoExport, ObjThroughLightWaveKeepsTextureCoordinatesAndMaterials) {
  KV_REQUIRE_CORPUS();
  const int obj_in = kvtest::FindClass("Alias Wavefront (*.obj)", MESH_IMPORT_CLASS_ID);
  const int obj_out = kvtest::FindClass("Alias Wavefront (*.obj)", MESH_EXPORT_CLASS_ID);
  ASSERT_GE(obj_in, 0);
  ASSERT_GE(obj_out, 0);
  for (const char* name : {"spider.obj", "cube_usemtl.obj"}) {
    SCOPED_TRACE(name);
    kvtest::UseCommandLine({"-lwo_version=1"});
    MScene* a = kvtest::ImportWith(obj_in, (kvtest::corpus_dir() / "obj" / name).string());
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(lwotest::Export(a, dir.file("mid.lws"), {"-lwo_version=1"}), 1) << lwotest::LastExportError();
    MScene* b = lwotest::Import(dir.file("mid.lws"));
    ASSERT_NE(b, nullptr);
    kvtest::UseCommandLine({});
    ASSERT_EQ(kvtest::ExportWith(obj_out, b, dir.file("back.obj")), 1);
    MScene* c = kvtest::ImportWith(obj_in, dir.file("back.obj"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(kvtest::ExportWith(obj_out, a, dir.file("direct.obj")), 1);
    MScene* d = kvtest::ImportWith(obj_in, dir.file("direct.obj"));
    ASSERT_NE(d, nullptr);
    const lwotest::Summary sa = lwotest::Summarize(a), sc = lwotest::Summarize(c);
    EXPECT_EQ(sc.triangles, sa.triangles);
    EXPECT_EQ(sc.surfaces, sa.surfaces);
    // Texture coordinates per face corner, in face order over all meshes.
    auto corners = [](MScene* s) {
      std::multiset<std::pair<double, double>> uv;
      for (int i = 0; i < s->objects->count; ++i) {
        MMesh_P* m = kvtest::MeshAt(s, i);
        if (!m || !m->UVUsed()) continue;
        for (int f = 0; f < m->Get_UVFace_Count(); ++f)
          for (int k = 0; k < m->Get_IUVFace(f).count; ++k) {
            const MVector3 t = m->Get_UVVertex(m->Get_IUVFace(f)[k]);
            uv.emplace(std::round(t.x * 1e5) / 1e5, std::round(t.y * 1e5) / 1e5);
          }
      }
      return uv;
    };
    EXPECT_EQ(corners(c), corners(a));
    for (const std::string& n : sa.surfaces) {
      MSurface* x = d->GetMaterialbyName(n.c_str());
      ASSERT_NE(x, nullptr) << n;
      MSurface* y = c->GetMaterialbyName(n.c_str());
      ASSERT_NE(y, nullptr) << n;
      EXPECT_NEAR(y->color.diffuse.r, x->color.diffuse.r, 1e-6) << n;
      EXPECT_NEAR(y->color.diffuse.g, x->color.diffuse.g, 1e-6) << n;
      EXPECT_EQ(y->layers.Get_Count(), x->layers.Get_Count()) << n;
      if (x->layers.Get_Count() && y->layers.Get_Count()) {
        const MPathParts px = m_split_path(x->layers.Get(0)->texture.bitmap.file_name);
        const MPathParts py = m_split_path(y->layers.Get(0)->texture.bitmap.file_name);
        EXPECT_EQ(py.fname + py.ext, px.fname + px.ext) << n;
      }
    }
    delete a;
    delete b;
    delete c;
    delete d;
  }
}

}  // namespace
