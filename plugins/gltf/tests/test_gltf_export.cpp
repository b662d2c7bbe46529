// glTF export through the built plug-in, judged by the Khronos validator and
// assimp: test scenes and the corpus models our importers read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "gltf_bin_buffer.h"
#include "gltf_test_support.h"
#include "korvanelib.h"
#include "outside_tools.h"
#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_scenes.h"
#include "test_support.h"

namespace {

int GlbClass() { return kvtest::FindClass("glTF 2.0 Binary (*.glb)", MESH_EXPORT_CLASS_ID); }
int GltfClass() { return kvtest::FindClass("glTF 2.0 (*.gltf)", MESH_EXPORT_CLASS_ID); }

class GltfExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(GlbClass(), 0) << "export_gltf.so not found in " << kvtest::bin_dir();
    ASSERT_GE(GltfClass(), 0);
    kvtest::UseCommandLine({});
  }
  // Writes the scene and expects the validator to find no error in it.
  nlohmann::json WriteValid(MScene* scene, int cls, const std::string& name,
                            const std::vector<std::string>& options = {}) {
    kvtest::UseCommandLine(options);
    EXPECT_EQ(kvtest::ExportWith(cls, scene, dir.file(name)), 1) << name;
    kvtest::ValidatorReport v = kvtest::validate_gltf(dir.file(name));
    if (v.ran) {
      EXPECT_EQ(v.errors, 0) << name << ":\n" << v.messages;
    }
    return kvgltftest::ReadDocument(dir.file(name));
  }
  kvtest::TempDir dir;
};

TEST_F(GltfExport, BoxesAreValidAndReadByAssimpWithTheSameTrianglesBoundsAndMaterials) {
  MScene* scene = kvtest::BoxesScene();
  nlohmann::json doc = WriteValid(scene, GlbClass(), "boxes.glb");
  ASSERT_FALSE(doc.is_discarded());
  EXPECT_EQ(doc["asset"]["version"], "2.0");
  ASSERT_EQ(doc["meshes"].size(), 2u);
  // The first box keeps its two surfaces apart, each corner its normal and UV.
  const nlohmann::json& first = doc["meshes"][0]["primitives"];
  ASSERT_EQ(first.size(), 2u);
  EXPECT_TRUE(first[0]["attributes"].contains("NORMAL"));
  EXPECT_TRUE(first[0]["attributes"].contains("TEXCOORD_0"));
  EXPECT_EQ(doc["accessors"][first[0]["attributes"]["POSITION"].get<int>()]["count"], 24);
  // The second one stands on its node's matrix.
  bool moved = false;
  for (const auto& n : doc["nodes"]) moved = moved || (n.contains("mesh") && n.contains("matrix"));
  EXPECT_TRUE(moved);
  std::vector<std::string> names;
  for (const auto& m : doc["materials"]) names.push_back(m["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"red", "blue", "green"}));

  kvtest::AssimpInfo a = kvtest::assimp_info(dir.file("boxes.glb"));
  if (!a.ok) GTEST_SKIP() << "assimp did not run: " << a.text;
  EXPECT_EQ(a.faces, kvtest::TriangleCount(scene));
  EXPECT_TRUE(a.material_names.count("red") && a.material_names.count("green") && a.material_names.count("blue"))
      << a.text;
  scene->CalculateBoundingBox();
  MVector3 lo(1e30, 1e30, 1e30), hi(-1e30, -1e30, -1e30);
  for (const kvtest::Triangle& t : kvtest::SceneTriangles(scene))
    for (const kvtest::Vec3& p : {t.a, t.b, t.c}) {
      lo = MVector3(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z));
      hi = MVector3(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z));
    }
  EXPECT_NEAR(a.lo[0], lo.x, 1e-4);
  EXPECT_NEAR(a.lo[1], lo.y, 1e-4);
  EXPECT_NEAR(a.lo[2], lo.z, 1e-4);
  EXPECT_NEAR(a.hi[0], hi.x, 1e-4);
  EXPECT_NEAR(a.hi[1], hi.y, 1e-4);
  EXPECT_NEAR(a.hi[2], hi.z, 1e-4);
  delete scene;
}

TEST_F(GltfExport, QuadsAreSplitAsTheTriangulationWouldSplitThem) {
  // The writer fans quads itself, without triangulated copies: the file is
  // the one the copies give.
  MScene* scene = kvtest::BoxesScene();
  WriteValid(scene, GlbClass(), "split.glb");
  EXPECT_EQ(scene->tri_objects->count, 0);
  for (int i = 0; i < scene->objects->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
    MMesh_P* copy = o->get_type() == MESH2 ? static_cast<MMesh_P*>(o)->Triangulate(nullptr) : nullptr;
    if (copy) scene->tri_objects->Append(copy);  // used when it is there
  }
  ASSERT_GT(scene->tri_objects->count, 0) << "a mesh of quads";
  WriteValid(scene, GlbClass(), "copy.glb");
  EXPECT_EQ(kvtest::read_file(dir.file("copy.glb")), kvtest::read_file(dir.file("split.glb")));
  delete scene;
}

TEST_F(GltfExport, CamerasAndLightsLookAtTheirTargets) {
  MScene* scene = kvtest::BoxesScene();
  nlohmann::json doc = WriteValid(scene, GlbClass(), "lit.glb");
  ASSERT_EQ(doc["cameras"].size(), 1u);
  EXPECT_EQ(doc["extensionsUsed"][0], "KHR_lights_punctual");
  const nlohmann::json& lights = doc["extensions"]["KHR_lights_punctual"]["lights"];
  ASSERT_EQ(lights.size(), 3u);
  for (const auto& n : doc["nodes"]) {
    if (!n.contains("camera")) continue;
    // -Z turned by the node's rotation points from (6, -8, 5) to (1.5, 0, 0).
    const double x = n["rotation"][0], y = n["rotation"][1], z = n["rotation"][2], w = n["rotation"][3];
    const double dx = -(2 * (x * z + w * y)), dy = -(2 * (y * z - w * x)), dz = -(1 - 2 * (x * x + y * y));
    MVector3 want(1.5 - 6, 0 + 8, 0 - 5);
    want = want / std::sqrt(vect_dot(want, want));
    EXPECT_NEAR(dx, want.x, 1e-6);
    EXPECT_NEAR(dy, want.y, 1e-6);
    EXPECT_NEAR(dz, want.z, 1e-6);
  }
  // Left out on request, they are reported as not kept.
  WriteValid(scene, GlbClass(), "dark.glb", {"-gltf_cameras=0", "-gltf_lights=0"});
  EXPECT_EQ(kvgltftest::ReadDocument(dir.file("dark.glb")).count("cameras"), 0u);
  const std::vector<std::string> rows = kvtest::loss_rows(GlbClass());
  EXPECT_NE(std::find(rows.begin(), rows.end(), "(scene): cameras dropped 1"), rows.end()) << ::testing::PrintToString(rows);
  delete scene;
}

TEST_F(GltfExport, GltfWithABinBesideItOrEmbedded) {
  MScene* scene = kvtest::BoxesScene();
  nlohmann::json doc = WriteValid(scene, GltfClass(), "apart.gltf");
  EXPECT_EQ(doc["buffers"][0]["uri"], "apart.bin");
  EXPECT_EQ(std::filesystem::file_size(dir.file("apart.bin")), doc["buffers"][0]["byteLength"].get<size_t>());
  doc = WriteValid(scene, GltfClass(), "inside.gltf", {"-gltf_embed=1"});
  EXPECT_EQ(doc["buffers"][0]["uri"].get<std::string>().rfind("data:application/octet-stream;base64,", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir.file("inside.bin")));
  delete scene;
}

TEST_F(GltfExport, ReferencesShareTheirMeshAndShearIsMovedIntoThePositions) {
  MScene* scene = new MScene("refs");
  scene->objects->Append(kvtest::BoxMesh("box", MVector3(0, 0, 0), MVector3(1, 1, 1)));
  MRefObj* ref = new MRefObj(0, "box");
  ref->set_name("copy");
  ref->transformation.local.Translate(MVector3(5, 0, 0));
  scene->objects->Append(ref);
  MMesh_P* sheared = kvtest::BoxMesh("sheared", MVector3(0, 0, 0), MVector3(1, 1, 1));
  sheared->transformation.local.m[1][0] = 0.5;  // y leans into x
  scene->objects->Append(sheared);
  nlohmann::json doc = WriteValid(scene, GlbClass(), "refs.glb");
  ASSERT_EQ(doc["meshes"].size(), 2u);
  ASSERT_EQ(doc["nodes"].size(), 3u);
  EXPECT_EQ(doc["nodes"][0]["mesh"], doc["nodes"][1]["mesh"]);
  EXPECT_FALSE(doc["nodes"][2].contains("matrix"));
  const nlohmann::json& pos = doc["accessors"][doc["meshes"][1]["primitives"][0]["attributes"]["POSITION"].get<int>()];
  EXPECT_NEAR(pos["max"][0].get<double>(), 1.5, 1e-6);
  delete scene;
}

TEST_F(GltfExport, ADiffuseMapGoesInsideTheGlbAndIsNamedByTheGltf) {
  KV_REQUIRE_CORPUS();
  MScene* scene = kvtest::BoxesScene();
  MSurface* red = scene->GetMaterialbyName("red");
  ASSERT_NE(red, nullptr);
  MSrf_TextureLayer* l = new MSrf_TextureLayer();
  l->texture.kind = _2DBITMAP;
  msrf_copy_name(l->texture.bitmap.file_name, "test.png");
  l->diffuse_color.enabled = 1;
  red->layers.Add(l);
  scene->maps->AddMap("test.png");
  scene->maps->AddSearchPath(kvtest::corpus_file("x").c_str());
  nlohmann::json doc = WriteValid(scene, GlbClass(), "mapped.glb");
  ASSERT_EQ(doc["images"].size(), 1u);
  EXPECT_EQ(doc["images"][0]["mimeType"], "image/png");
  EXPECT_EQ(doc["materials"][0]["pbrMetallicRoughness"]["baseColorTexture"]["index"], 0);
  doc = WriteValid(scene, GltfClass(), "mapped.gltf", {"-enable_copy=1"});
  EXPECT_EQ(doc["images"][0]["uri"], "test.png");
  EXPECT_TRUE(std::filesystem::exists(dir.file("test.png")));
  delete scene;
}

TEST_F(GltfExport, SurfacesMapToMetallicRoughness) {
  MScene* scene = new MScene("pbr");
  MMesh_P* box = kvtest::BoxMesh("box", MVector3(0, 0, 0), MVector3(1, 1, 1));
  box->surface_refs->Append(my_strdup("glass"));
  scene->objects->Append(box);
  MSurface* glass = new MSurface("glass");
  glass->color.diffuse = MColor(0.2, 0.4, 0.6);
  glass->opref.surface_opacity = 0.25;
  glass->spec.phong_size = 0.7;
  glass->attributes.use_twosided = 1;
  scene->surfaces->Append(glass);
  nlohmann::json doc = WriteValid(scene, GlbClass(), "pbr.glb");
  const nlohmann::json& m = doc["materials"][0];
  EXPECT_EQ(m["alphaMode"], "BLEND");
  EXPECT_EQ(m["doubleSided"], true);
  EXPECT_NEAR(m["pbrMetallicRoughness"]["baseColorFactor"][3].get<double>(), 0.25, 1e-12);
  EXPECT_NEAR(m["pbrMetallicRoughness"]["roughnessFactor"].get<double>(), 0.3, 1e-12);
  EXPECT_EQ(m["pbrMetallicRoughness"]["metallicFactor"], 0.0);
  delete scene;
}

// Every corpus model our importers read, written as .glb: valid, and read
// by assimp with the triangles we wrote.
TEST_F(GltfExport, CorpusModelsAsGlb) {
  KV_REQUIRE_CORPUS();
  int checked = 0;
  for (const char* model : kvtest::CorpusModels()) {
    MScene* s = kvtest::ImportModel(kvtest::corpus_file(model));
    if (!s) continue;
    const std::string out = dir.file(std::filesystem::path(model).stem().string() + ".glb");
    kvtest::UseCommandLine({});
    ASSERT_EQ(kvtest::ExportWith(GlbClass(), s, out), 1) << model;
    kvtest::ValidatorReport v = kvtest::validate_gltf(out);
    if (v.ran) {
      EXPECT_EQ(v.errors, 0) << model << ":\n" << v.messages;
    }
    kvtest::AssimpInfo a = kvtest::assimp_info(out);
    const long triangles = kvtest::TriangleCount(s);
    // assimp turns degenerate triangles into lines; it does the same
    // reading the model itself.
    if (a.ok && a.faces != triangles) {
      EXPECT_EQ(a.faces, kvtest::assimp_info(kvtest::corpus_file(model)).faces) << model << " has " << triangles;
    }
    ++checked;
    delete s;
  }
  EXPECT_GT(checked, 5);
}

}  // namespace

// The buffer grows in blocks: views across a block's end, padding and the
// joined copy give the bytes in the order they came.
TEST(GltfBinBuffer, BlocksKeepTheOrderOfTheBytes) {
  kvgltf::BinBuffer bin;
  std::vector<uint8_t> want;
  auto add = [&](size_t n, uint8_t seed) {
    std::vector<uint8_t> part(n);
    for (size_t i = 0; i < n; ++i) part[i] = static_cast<uint8_t>(seed + i * 7);
    bin.Append(part.data(), part.size());
    want.insert(want.end(), part.begin(), part.end());
  };
  add(3u << 20, 1);
  add(2u << 20, 2);  // crosses the first block's end
  add(3, 3);
  bin.PadTo(4);
  want.push_back(0);
  add(9u << 20, 4);  // larger than a block
  add(0, 5);
  EXPECT_EQ(bin.size(), want.size());
  EXPECT_TRUE(bin.Joined() == want);
  kvtest::TempDir dir;
  MOutputFile out;
  ASSERT_TRUE(out.Open(dir.file("b.bin").c_str()));
  ASSERT_TRUE(bin.WriteTo(out));
  ASSERT_TRUE(out.Commit());
  EXPECT_TRUE(kvtest::read_file(dir.file("b.bin")) == std::string(want.begin(), want.end()));
}
