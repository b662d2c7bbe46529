// glTF import through the built plug-in: what our export writes comes back
// the same, hand-made documents exercise what other writers use (node
// trees, strips and fans, strided and sparse accessors, embedded images),
// and broken files fail with a reason instead of crashing.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "gltf_test_support.h"
#include "gltf_uri.h"
#include "korvanelib.h"
#include "outside_tools.h"
#include "plugin_test_support.h"
#include "round_trip.h"
#include "test_scenes.h"
#include "test_support.h"

namespace {

using nlohmann::json;

constexpr char kImportClass[] = "glTF 2.0 (*.gltf, *.glb)";
int GlbClass() { return kvtest::ExportClass("glTF 2.0 Binary (*.glb)"); }
int GltfClass() { return kvtest::ExportClass("glTF 2.0 (*.gltf)"); }
int ImportClass() { return kvtest::ImportClass(kImportClass); }

// A little-endian buffer built piece by piece, each piece 4-byte aligned.
struct Buffer {
  std::vector<uint8_t> bytes;
  size_t Add(const void* p, size_t n) {
    while (bytes.size() % 4) bytes.push_back(0);
    const size_t at = bytes.size();
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
    return at;
  }
  template <class T>
  size_t Add(const std::vector<T>& v) {
    return Add(v.data(), v.size() * sizeof(T));
  }
  std::string Uri() const {
    return "data:application/octet-stream;base64," + kvgltf::Base64Encode(bytes.data(), bytes.size());
  }
};

class GltfImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(ImportClass(), 0) << "import_gltf.so not found in " << kvtest::bin_dir();
    kvtest::UseCommandLine({});
  }
  // A document of one buffer (the views and accessors given) as a .gltf.
  std::string Write(const std::string& name, json doc, const Buffer& buf) {
    doc["asset"] = {{"version", "2.0"}};
    if (!buf.bytes.empty()) doc["buffers"] = {{{"byteLength", buf.bytes.size()}, {"uri", buf.Uri()}}};
    const std::string path = dir.file(name);
    std::ofstream(path) << doc.dump();
    return path;
  }
  MScene* Import(const std::string& path) { return kvtest::ImportWith(ImportClass(), path); }
  kvtest::TempDir dir;
};

MVector3 WorldVertex(MScene* s, int object, int vertex) {
  MObj3d* o = static_cast<MObj3d*>(s->objects->GetAt(object));
  MObj3d* src = o->get_type() == OREF ? s->GetObjectbyName(static_cast<MRefObj*>(o)->Get_RefName()) : o;
  const MMesh_P* m = static_cast<const MMesh_P*>(src);
  return o->transformation.Get_LocalMatrix().Transform(m->v_a->data[vertex]);
}

void ExpectNear(const MVector3& a, const MVector3& b, double tol = 1e-6) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

// The triangles of the meshes that carry texture coordinates.
long UvTriangles(MScene* s) {
  long n = 0;
  for (int i = 0; i < s->objects->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(s->objects->GetAt(i));
    if (o->get_type() == OREF) o = s->GetObjectbyName(static_cast<MRefObj*>(o)->Get_RefName());
    if (o && o->get_type() == MESH2 && static_cast<MMesh_P*>(o)->UVUsed())
      n += static_cast<MMesh_P*>(o)->Count_Triangles();
  }
  return n;
}

// Every corpus model our importers read, as .glb, .gltf + .bin and embedded
// .gltf, comes back with its triangles, bounds, texture coordinates and
// material names.
TEST_F(GltfImport, CorpusModelsComeBackFromEveryGltfForm) {
  KV_REQUIRE_CORPUS();
  int checked = 0;
  for (const char* model : kvtest::CorpusModels()) {
    MScene* source = kvtest::ImportModel(kvtest::corpus_file(model));
    if (!source) continue;
    const kvtest::SceneSummary before = kvtest::Summarize(source);
    const std::string stem = std::filesystem::path(model).stem().string();
    struct Form {
      int cls;
      const char* ext;
      std::vector<std::string> options;
    } forms[] = {{GlbClass(), ".glb", {"-keep_axes=1"}},
                 {GltfClass(), ".gltf", {"-keep_axes=1"}},
                 {GltfClass(), "_embedded.gltf", {"-keep_axes=1", "-gltf_embed=1"}}};
    for (const Form& f : forms) {
      const std::string out = dir.file(stem + f.ext);
      kvtest::UseCommandLine(f.options);
      ASSERT_EQ(kvtest::ExportWith(f.cls, source, out), 1) << model;
      kvtest::UseCommandLine({});
      MScene* back = Import(out);
      ASSERT_NE(back, nullptr) << out;
      kvtest::RoundTripResult r;
      r.before = before;
      r.after = kvtest::Summarize(back);
      // The surfaces the faces use come back by name (a scene's unused
      // surfaces are not written).
      EXPECT_EQ(r.Diff(1e-4, false), "") << model << " as " << f.ext;
      EXPECT_EQ(UvTriangles(back), UvTriangles(source)) << model << " as " << f.ext;
      const json doc = kvgltftest::ReadDocument(out);
      for (const json& m : doc.value("materials", json::array())) {
        const std::string name = m.value("name", "");
        EXPECT_NE(back->GetMaterialbyName(name.c_str()), nullptr) << model << ": " << name;
      }
      delete back;
    }
    ++checked;
    delete source;
  }
  EXPECT_GT(checked, 5);
}

// Node trees: a child's world matrix is its own times its parent's, from a
// matrix or from translation, rotation and scale; a mesh placed twice is read
// once and referenced; cameras and lights take their node's place.
TEST_F(GltfImport, NodeTreesPlaceMeshesCamerasAndLights) {
  Buffer buf;
  const std::vector<float> pos = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const std::vector<uint16_t> idx = {0, 1, 2};
  const size_t p = buf.Add(pos), i = buf.Add(idx);
  json doc;
  doc["bufferViews"] = {{{"buffer", 0}, {"byteOffset", p}, {"byteLength", 36}},
                        {{"buffer", 0}, {"byteOffset", i}, {"byteLength", 6}}};
  doc["accessors"] = {{{"bufferView", 0}, {"componentType", 5126}, {"count", 3}, {"type", "VEC3"}},
                      {{"bufferView", 1}, {"componentType", 5123}, {"count", 3}, {"type", "SCALAR"}}};
  doc["meshes"] = {{{"primitives", {{{"attributes", {{"POSITION", 0}}}, {"indices", 1}}}}}};
  // Parent: moved by (10, 0, 0) and turned 90 degrees about +Z; child: scaled 2.
  const double h = std::sqrt(0.5);
  doc["nodes"] = {{{"name", "parent"}, {"translation", {10, 0, 0}}, {"rotation", {0, 0, h, h}}, {"children", {1, 2}},
                   {"mesh", 0}},
                  {{"name", "child"}, {"scale", {2, 2, 2}}, {"mesh", 0}},
                  {{"name", "eye"},
                   {"matrix", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1}},
                   {"camera", 0},
                   {"extensions", {{"KHR_lights_punctual", {{"light", 0}}}}}}};
  doc["scenes"] = {{{"nodes", {0}}}};
  doc["scene"] = 0;
  doc["cameras"] = {{{"type", "perspective"}, {"perspective", {{"yfov", 0.5}, {"aspectRatio", 2.0}, {"znear", 0.1}}}}};
  doc["extensions"] = {
      {"KHR_lights_punctual",
       {{"lights", {{{"type", "spot"}, {"color", {1, 0.5, 0}}, {"spot", {{"outerConeAngle", 0.5}}}}}}}}};
  MScene* s = Import(Write("tree.gltf", doc, buf));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->objects->count, 2);
  EXPECT_EQ(static_cast<MObj3d*>(s->objects->GetAt(0))->get_type(), MESH2);
  EXPECT_EQ(static_cast<MObj3d*>(s->objects->GetAt(1))->get_type(), OREF);
  EXPECT_STREQ(static_cast<MObj3d*>(s->objects->GetAt(1))->get_name(), "child");
  // (1, 0, 0) turned onto +Y, then moved: (10, 1, 0); the child's twice as far.
  ExpectNear(WorldVertex(s, 0, 1), MVector3(10, 1, 0));
  ExpectNear(WorldVertex(s, 1, 1), MVector3(10, 2, 0));
  ExpectNear(WorldVertex(s, 1, 2), MVector3(8, 0, 0));
  ASSERT_EQ(s->cameras->count, 1);
  MCamera* cam = static_cast<MCamera*>(s->cameras->GetAt(0));
  // At (10, 0, 5) in the parent's turn, looking down -Z, its up the turned +Y.
  ExpectNear(cam->position, MVector3(10, 0, 5));
  EXPECT_LT(cam->target.z, cam->position.z);
  ExpectNear(cam->up, MVector3(-1, 0, 0));
  // The horizontal field of view of a vertical 0.5 at aspect 2.
  EXPECT_NEAR(cam->fov, 2 * std::atan(std::tan(0.25) * 2) * 180 / M_PI, 1e-9);
  ASSERT_GE(s->lights->count, 1);
  MLight* l = static_cast<MLight*>(s->lights->GetAt(0));
  EXPECT_EQ(l->type, SPOTLIGHT);
  EXPECT_NEAR(l->falloff, 0.5 * 360 / M_PI, 1e-9);
  EXPECT_NEAR(l->color.g, 0.5, 1e-9);
  delete s;
}

// Strips and fans, with the strip's joining triangles left out and every
// other strip triangle turned back; interleaved attributes; UVs as
// normalised bytes with v turned to the scene's bottom origin; a sparse
// accessor moving one vertex.
TEST_F(GltfImport, StripsFansStridesNormalisedAndSparseAccessors) {
  Buffer buf;
  // Interleaved: x y z u v (u, v normalised unsigned bytes, padded to 16).
  struct Vertex {
    float p[3];
    uint8_t uv[2];
    uint8_t pad[2];
  };
  std::vector<Vertex> v;
  for (int k = 0; k < 6; ++k) v.push_back(Vertex{{float(k / 2), float(k % 2), 0}, {255, 0}, {0, 0}});
  const size_t vp = buf.Add(v.data(), v.size() * sizeof(Vertex));
  const std::vector<uint8_t> strip = {0, 1, 2, 2, 3, 4, 5};  // the repeated 2 joins two pieces
  const std::vector<uint8_t> fan = {0, 1, 3, 5};
  const size_t sp = buf.Add(strip), fp = buf.Add(fan);
  const std::vector<uint16_t> moved_index = {4};
  const std::vector<float> moved_value = {7, 7, 7};
  const size_t mi = buf.Add(moved_index), mv = buf.Add(moved_value);
  json doc;
  doc["bufferViews"] = {{{"buffer", 0}, {"byteOffset", vp}, {"byteLength", v.size() * 16}, {"byteStride", 16}},
                        {{"buffer", 0}, {"byteOffset", sp}, {"byteLength", strip.size()}},
                        {{"buffer", 0}, {"byteOffset", fp}, {"byteLength", fan.size()}},
                        {{"buffer", 0}, {"byteOffset", mi}, {"byteLength", 2}},
                        {{"buffer", 0}, {"byteOffset", mv}, {"byteLength", 12}}};
  doc["accessors"] = {
      {{"bufferView", 0}, {"componentType", 5126}, {"count", 6}, {"type", "VEC3"}},
      {{"bufferView", 0}, {"byteOffset", 12}, {"componentType", 5121}, {"normalized", true}, {"count", 6}, {"type", "VEC2"}},
      {{"bufferView", 1}, {"componentType", 5121}, {"count", strip.size()}, {"type", "SCALAR"}},
      {{"bufferView", 2}, {"componentType", 5121}, {"count", fan.size()}, {"type", "SCALAR"}},
      {{"bufferView", 0},
       {"componentType", 5126},
       {"count", 6},
       {"type", "VEC3"},
       {"sparse",
        {{"count", 1},
         {"indices", {{"bufferView", 3}, {"componentType", 5123}}},
         {"values", {{"bufferView", 4}}}}}}};
  doc["meshes"] = {{{"primitives",
                     {{{"attributes", {{"POSITION", 0}, {"TEXCOORD_0", 1}}}, {"indices", 2}, {"mode", 5}},
                      {{"attributes", {{"POSITION", 4}}}, {"indices", 3}, {"mode", 6}},
                      {{"attributes", {{"POSITION", 0}}}, {"mode", 1}}}}}};
  doc["nodes"] = {{{"mesh", 0}}};
  MScene* s = Import(Write("strips.gltf", doc, buf));
  ASSERT_NE(s, nullptr);
  MMesh_P* m = kvtest::MeshAt(s, 0);
  ASSERT_NE(m, nullptr);
  // The strip's triangles, every odd one turned back, those with a repeated
  // corner (the joins) left out.
  std::vector<std::array<int, 3>> want;
  for (size_t k = 2; k < strip.size(); ++k) {
    const bool odd = k % 2;
    std::array<int, 3> t = {strip[k - 2], odd ? strip[k] : strip[k - 1], odd ? strip[k - 1] : strip[k]};
    if (t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) want.push_back(t);
  }
  ASSERT_EQ(m->Get_Face_Count(), static_cast<int>(want.size()) + 2);  // two fan triangles
  for (size_t k = 0; k < want.size(); ++k)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(m->f_a->data[k].data[j], want[k][j]) << k;
  // The fan's vertices follow the strip's six; its sparse vertex 4 moved.
  EXPECT_EQ(m->Get_Vertex_Count(), 12);
  ExpectNear(m->v_a->data[6 + 4], MVector3(7, 7, 7));
  ExpectNear(m->v_a->data[6 + 3], MVector3(1, 1, 0));
  // u = 255/255, v = 0 at the top: the scene's v is 1.
  ASSERT_TRUE(m->UVUsed());
  ExpectNear(m->uv_a->data[0], MVector3(1, 1, 0));
  EXPECT_EQ(m->surface_refs->count, 2);  // the lines primitive is left out
  delete s;
}

// An image inside the file is written beside the model and becomes the
// surface's diffuse map; with -gltf_write_images=0 it is left out.
TEST_F(GltfImport, EmbeddedImagesBecomeMapFiles) {
  Buffer buf;
  const std::vector<float> pos = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const std::vector<float> uv = {0, 0, 1, 0, 0, 1};
  const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
  const size_t p = buf.Add(pos), t = buf.Add(uv), im = buf.Add(png, sizeof png);
  json doc;
  doc["bufferViews"] = {{{"buffer", 0}, {"byteOffset", p}, {"byteLength", 36}},
                        {{"buffer", 0}, {"byteOffset", t}, {"byteLength", 24}},
                        {{"buffer", 0}, {"byteOffset", im}, {"byteLength", sizeof png}}};
  doc["accessors"] = {{{"bufferView", 0}, {"componentType", 5126}, {"count", 3}, {"type", "VEC3"}},
                      {{"bufferView", 1}, {"componentType", 5126}, {"count", 3}, {"type", "VEC2"}}};
  doc["images"] = {{{"bufferView", 2}, {"mimeType", "image/png"}, {"name", "../../etc/skin"}}};
  doc["textures"] = {{{"source", 0}}};
  doc["materials"] = {{{"name", "skin"},
                       {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}, {"roughnessFactor", 0.25}}}}};
  doc["meshes"] = {{{"primitives", {{{"attributes", {{"POSITION", 0}, {"TEXCOORD_0", 1}}}, {"material", 0}}}}}};
  doc["nodes"] = {{{"mesh", 0}}};
  const std::string path = Write("skinned.gltf", doc, buf);
  MScene* s = Import(path);
  ASSERT_NE(s, nullptr);
  MSurface* skin = s->GetMaterialbyName("skin");
  ASSERT_NE(skin, nullptr);
  EXPECT_NEAR(skin->spec.phong_size, 0.75, 1e-12);
  ASSERT_EQ(skin->layers.Get_Count(), 1);
  // The image's name cannot lead out of the folder: it is made file-safe.
  const std::string map = skin->layers.Get(0)->texture.bitmap.file_name;
  EXPECT_EQ(map.find('/'), std::string::npos) << map;
  EXPECT_EQ(map.substr(map.size() - 4), ".png");
  EXPECT_EQ(std::filesystem::file_size(dir.file(map)), sizeof png);
  delete s;

  kvtest::UseCommandLine({"-gltf_write_images=0"});
  std::filesystem::remove(dir.file(map));
  s = Import(path);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetMaterialbyName("skin")->layers.Get_Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file(map)));
  delete s;
}

// Broken files: each fails with a reason that names what is wrong; none
// crashes, none allocates what its bytes cannot back.
TEST_F(GltfImport, BrokenFilesFailWithTheirReason) {
  Buffer buf;
  const std::vector<float> pos = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  buf.Add(pos);
  auto base = [&] {
    json doc;
    doc["bufferViews"] = {{{"buffer", 0}, {"byteLength", 36}}};
    doc["accessors"] = {{{"bufferView", 0}, {"componentType", 5126}, {"count", 3}, {"type", "VEC3"}}};
    doc["meshes"] = {{{"primitives", {{{"attributes", {{"POSITION", 0}}}}}}}};
    doc["nodes"] = {{{"mesh", 0}}};
    return doc;
  };
  struct Case {
    const char* what;
    std::function<void(json&)> edit;
    const char* reason;
  } cases[] = {
      {"count past the view", [](json& d) { d["accessors"][0]["count"] = 4; }, "run past the end"},
      {"huge count", [](json& d) { d["accessors"][0]["count"] = 2000000000; }, "more than the file's buffers"},
      {"view past the buffer", [](json& d) { d["bufferViews"][0]["byteOffset"] = 8; }, "beyond buffer 0"},
      {"unknown component type", [](json& d) { d["accessors"][0]["componentType"] = 5127; }, "componentType"},
      {"wrong type", [](json& d) { d["accessors"][0]["type"] = "VEC2"; }, "components per element"},
      {"missing accessor", [](json& d) { d["meshes"][0]["primitives"][0]["attributes"]["POSITION"] = 9; }, "names none"},
      {"node cycle", [](json& d) { d["nodes"][0]["children"] = {0}; }, "no tree"},
      {"node cycle in a scene",
       [](json& d) {
         d["nodes"][0]["children"] = {0};
         d["scenes"] = {{{"nodes", {0}}}};
       },
       "no tree"},
      {"version 1", [](json& d) { d["asset"]["version"] = "1.0"; }, "only 2.x"},
      {"required extension", [](json& d) { d["extensionsRequired"] = {"KHR_draco_mesh_compression"}; }, "KHR_draco"},
      {"buffer outside the folder",
       [](json& d) { d["buffers"][0]["uri"] = "../outside.bin"; },
       "leads out of the model's folder"},
      {"short buffer", [](json& d) { d["buffers"][0]["byteLength"] = 400; }, "declares 400 bytes"},
      {"stride too small", [](json& d) { d["bufferViews"][0]["byteStride"] = 4; }, "overlap"},
  };
  for (const Case& c : cases) {
    json doc = base();
    doc["asset"] = {{"version", "2.0"}};
    doc["buffers"] = {{{"byteLength", buf.bytes.size()}, {"uri", buf.Uri()}}};
    c.edit(doc);
    const std::string path = dir.file("broken.gltf");
    std::ofstream(path) << doc.dump();
    MScene* s = Import(path);
    EXPECT_EQ(s, nullptr) << c.what;
    delete s;
    EXPECT_NE(kvtest::Plugins().LastError(ImportClass()).find(c.reason), std::string::npos) << c.what << ": " << kvtest::Plugins().LastError(ImportClass());
  }
  // Not JSON, nested too deep, a .glb that claims more than it holds.
  const std::string texts[] = {"{\"asset\": ", std::string(100, '[') + std::string(100, ']'),
                               std::string("glTF\x02\0\0\0\xFF\xFF\0\0", 12)};
  for (const std::string& t : texts) {
    const std::string path = dir.file("broken2.glb");
    std::ofstream(path, std::ios::binary) << t;
    MScene* s = Import(path);
    EXPECT_EQ(s, nullptr) << t.substr(0, 12);
    delete s;
  }
  // A corner past the vertices loses its triangle, not the file.
  json doc = base();
  Buffer b2 = buf;
  const std::vector<uint16_t> idx = {0, 1, 2, 0, 1, 7};
  const size_t at = b2.Add(idx);
  doc["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", at}, {"byteLength", 12}});
  doc["accessors"].push_back({{"bufferView", 1}, {"componentType", 5123}, {"count", 6}, {"type", "SCALAR"}});
  doc["meshes"][0]["primitives"][0]["indices"] = 1;
  MScene* s = Import(Write("corner.gltf", doc, b2));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(kvtest::MeshAt(s, 0)->Get_Face_Count(), 1);
  delete s;
}

}  // namespace

namespace {

// Files of another writer: assimp's glTF 2.0 export (.gltf with its .bin
// and .glb) of corpus models, read with the triangles assimp reads of them
// — or, where assimp drops degenerate triangles on reading, of the source.
TEST_F(GltfImport, AssimpWrittenFilesOfCorpusModels) {
  KV_REQUIRE_CORPUS();
  if (!kvtest::have_program("assimp")) GTEST_SKIP() << "assimp is not installed";
  int checked = 0;
  for (const char* model : {"3ds/jeep1.3ds", "obj/spider.obj", "x/test_cube_text.x"}) {
    const std::string src = kvtest::corpus_file(model);
    if (!std::filesystem::is_regular_file(src)) continue;
    MScene* source = kvtest::ImportModel(src);
    ASSERT_NE(source, nullptr) << model;
    const long triangles = kvtest::TriangleCount(source);
    delete source;
    for (const char* format : {"gltf2", "glb2"}) {
      const std::string out =
          dir.file(std::filesystem::path(model).stem().string() + (format[2] == 'b' ? ".glb" : ".gltf"));
      const std::string cmd = "assimp export " + kvtest::shell_quote(src) + " " + kvtest::shell_quote(out) + " -f" +
                              format + " >/dev/null 2>&1";
      ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
      MScene* back = Import(out);
      ASSERT_NE(back, nullptr) << out << ": " << kvtest::Plugins().LastError(ImportClass());
      const long got = kvtest::TriangleCount(back);
      if (got != triangles) {
        EXPECT_EQ(got, kvtest::assimp_info(out).faces) << out << " of " << model << " with " << triangles;
      }
      delete back;
      ++checked;
    }
  }
  EXPECT_GE(checked, 6);
}

}  // namespace
