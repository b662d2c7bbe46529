// The conversion driver on scenes built here (counters, object list, line to
// object mapping, details, triangle count, dump) and, when the RAW plug-ins
// are built, through a real registry. Also korvane-cli's class picking and
// report formatting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>

#include "command_support.h"
#include "conversion.h"
#include "korvanelib.h"
#include "plugin_host.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

MMesh_P* TriangleMesh(const char* name, int tris, double offset) {
  MMesh_P* m = new MMesh_P(name);
  for (int i = 0; i < tris; ++i) {
    double x = offset + i;
    m->Add_Tri(MVector3(x, 0, 0), MVector3(x + 1, 0, 0), MVector3(x, 1, 0), 0, -1.0);
  }
  m->CalculateBoundingBox();
  return m;
}

// A quad and a pentagon: 2 + 3 triangles after triangulation.
MMesh_P* PolygonMesh(const char* name) {
  MMesh_P* m = new MMesh_P(name);
  m->Add_Quad(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 0), 0, -1.0);
  MVPolygon p;
  p.Add(MVector3(0, 0, 1));
  p.Add(MVector3(2, 0, 1));
  p.Add(MVector3(3, 1, 1));
  p.Add(MVector3(1, 2, 1));
  p.Add(MVector3(-1, 1, 1));
  m->Add_Polygon(p, 0, -1.0);
  m->CalculateBoundingBox();
  return m;
}

struct ConversionScene : ::testing::Test {
  PluginRegistry registry;
  ConversionDriver driver{registry};
  MScene* scene = nullptr;

  void SetUp() override {
    scene = new MScene("/models/test.raw");
    driver.scenes->Append(scene);
  }
};

bool HaveRawPlugins() {
  fs::path dir = kvtest::bin_dir() / "plugin";
  return fs::exists(dir / "import_raw.so") && fs::exists(dir / "export_raw.so");
}

std::string PluginDir() { return (kvtest::bin_dir() / "plugin").string() + "/"; }

}  // namespace

TEST(ConversionNames, TypeNamesAndListLines) {
  EXPECT_STREQ(ObjectTypeName(0), "TNULL");
  EXPECT_STREQ(ObjectTypeName(1), "MESH2");
  EXPECT_STREQ(ObjectTypeName(6), "OREF");
  EXPECT_STREQ(ObjectTypeName(7), "TSOLID");
  EXPECT_STREQ(ObjectTypeName(8), "UNKNOWN");
  EXPECT_STREQ(ObjectTypeName(-1), "UNKNOWN");

  MMesh_P mesh("box");
  MRefObj ref(10, "box");
  MSphere ball("ball");
  EXPECT_EQ(ObjectListLine(&mesh), "(M) box");
  EXPECT_EQ(ObjectListLine(&ref), "(R) box_refa");
  EXPECT_EQ(ObjectListLine(&ball), "(S) ball");
  EXPECT_EQ(ObjectListLine(nullptr), "");
}

TEST_F(ConversionScene, CountersOverAllScenes) {
  scene->objects->Append(TriangleMesh("a", 3, 0));
  scene->objects->Append(PolygonMesh("b"));
  scene->objects->Append(new MSphere("ball"));  // an object, but no faces of its own
  MScene* second = new MScene("second");
  second->objects->Append(TriangleMesh("c", 2, 10));
  driver.scenes->Append(second);

  SceneStatistics s = driver.Statistics();
  EXPECT_EQ(s.scenes, 2);
  EXPECT_EQ(s.objects, 4);
  EXPECT_EQ(s.faces, 3 + 2 + 2);
  EXPECT_EQ(s.vertices, 9 + 4 + 5 + 6);
  EXPECT_EQ(s.cameras, 0);
  EXPECT_EQ(s.materials, 0);
  EXPECT_EQ(s.images, 0);

  driver.Clear();
  EXPECT_EQ(driver.Statistics().scenes, 0);
  EXPECT_TRUE(driver.ObjectList().empty());
}

TEST_F(ConversionScene, ObjectLinesMapToTheObjectsTheyShow) {
  MMesh_P* a = TriangleMesh("a", 1, 0);
  scene->objects->Append(a);
  MMesh_P* b = TriangleMesh("b", 1, 5);
  scene->objects->Append(b);
  MRefObj* r = new MRefObj(1, "a");
  scene->objects->Append(r);
  MScene* second = new MScene("second");
  MMesh_P* c = TriangleMesh("c", 1, 9);
  second->objects->Append(c);
  driver.scenes->Append(second);

  std::vector<std::string> lines = driver.ObjectList();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "(M) a");
  EXPECT_EQ(lines[2], "(R) a_ref1");
  EXPECT_EQ(lines[3], "(M) c");
  // Lines of the second scene name its objects, not those of the first.
  EXPECT_EQ(driver.ObjectAtLine(0), a);
  EXPECT_EQ(driver.ObjectAtLine(1), b);
  EXPECT_EQ(driver.ObjectAtLine(2), r);
  EXPECT_EQ(driver.ObjectAtLine(3), c);
  EXPECT_EQ(driver.ObjectAtLine(4), nullptr);
  EXPECT_EQ(driver.ObjectAtLine(-1), nullptr);

  // Renaming shows at once in the list; names are cut at 1023 characters.
  ASSERT_EQ(ConversionDriver::Rename(b, "renamed"), 1);
  EXPECT_EQ(driver.ObjectList()[1], "(M) renamed");
  std::string longname(5000, 'x');
  ConversionDriver::Rename(b, longname.c_str());
  EXPECT_EQ(std::strlen(b->get_name()), 1023u);
  EXPECT_EQ(ConversionDriver::Rename(nullptr, "x"), 0);
}

TEST_F(ConversionScene, DetailsOfMeshesAndOtherObjects) {
  MMesh_P* m = PolygonMesh("poly");
  m->surface_refs->Append(my_strdup("DEFAULT"));
  m->surface_refs->Append(my_strdup("RED"));
  ObjectDetails d = ConversionDriver::Details(m);
  EXPECT_STREQ(d.name, "poly");
  EXPECT_STREQ(d.type_name, "MESH2");
  EXPECT_EQ(d.faces, 2);
  EXPECT_EQ(d.vertices, 9);
  EXPECT_EQ(d.normal_faces, 0);  // no normal layer
  EXPECT_EQ(d.uv_faces, 0);
  EXPECT_EQ(d.surface_refs, 2);
  EXPECT_DOUBLE_EQ(d.min[0], -1);
  EXPECT_DOUBLE_EQ(d.max[0], 3);
  EXPECT_DOUBLE_EQ(d.max[1], 2);
  EXPECT_DOUBLE_EQ(d.max[2], 1);
  delete m;

  MSphere ball("ball");
  ObjectDetails s = ConversionDriver::Details(&ball);
  EXPECT_STREQ(s.type_name, "TSOLID");
  EXPECT_EQ(s.faces, 0);  // counts are for meshes only
  EXPECT_EQ(s.vertices, 0);

  ObjectDetails none = ConversionDriver::Details(nullptr);
  EXPECT_STREQ(none.name, "");
  EXPECT_EQ(none.faces, 0);
}

TEST_F(ConversionScene, TrianglesAsAnExporterWritesThem) {
  scene->objects->Append(TriangleMesh("tris", 4, 0));
  scene->objects->Append(PolygonMesh("poly"));
  scene->objects->Append(new MRefObj(1, "poly"));     // written again as poly
  scene->objects->Append(new MRefObj(2, "missing"));  // nothing to write
  MSphere* ball = new MSphere("ball");
  ball->Set_Segment(6);
  scene->objects->Append(ball);

  MMesh_P* ball_mesh = ball->Get_Mesh();
  ASSERT_NE(ball_mesh, nullptr);
  MMesh_P* ball_tris = ball_mesh->Triangulate(nullptr);
  long ball_count = ball_tris ? ball_tris->Get_Face_Count() : ball_mesh->Get_Face_Count();
  delete ball_tris;
  delete ball_mesh;

  EXPECT_EQ(driver.TriangleCount(), 4 + 5 + 5 + ball_count);
  // Counting leaves the scene as it was: no cached copies.
  EXPECT_EQ(scene->tri_objects->count, 0);
}

TEST_F(ConversionScene, TrianglesUseACachedCopy) {
  scene->objects->Append(PolygonMesh("poly"));
  // An exporter already triangulated "poly"; that copy is what gets written.
  scene->tri_objects->Append(TriangleMesh("poly", 7, 0));
  EXPECT_EQ(driver.TriangleCount(), 7);
}

TEST_F(ConversionScene, BoundsSpanAllScenes) {
  scene->bound_left = MVector3(-1, -2, -3);
  scene->bound_right = MVector3(1, 2, 3);
  MScene* second = new MScene("b");
  second->bound_left = MVector3(0, -5, 0);
  second->bound_right = MVector3(9, 0, 1);
  driver.scenes->Append(second);
  MVector3 lo, hi;
  ASSERT_EQ(driver.Bounds(lo, hi), 1);
  EXPECT_DOUBLE_EQ(lo.x, -1);
  EXPECT_DOUBLE_EQ(lo.y, -5);
  EXPECT_DOUBLE_EQ(lo.z, -3);
  EXPECT_DOUBLE_EQ(hi.x, 9);
  EXPECT_DOUBLE_EQ(hi.y, 2);
  EXPECT_DOUBLE_EQ(hi.z, 3);
  driver.Clear();
  EXPECT_EQ(driver.Bounds(lo, hi), 0);
}

TEST_F(ConversionScene, DumpWritesEveryScene) {
  scene->objects->Append(TriangleMesh("a", 1, 0));
  MScene* second = new MScene("/models/second.raw");
  driver.scenes->Append(second);
  kvtest::TempDir dir;
  std::string path = dir.file("dump.txt");
  ASSERT_EQ(driver.Dump(path.c_str()), 1) << driver.last_error;
  std::string text = kvtest::read_file(path);
  EXPECT_EQ(text.rfind("Scene Name : /models/test.raw\n", 0), 0u);
  EXPECT_NE(text.find("Scene Name : /models/second.raw\n"), std::string::npos);

  std::string bad = dir.file("no/such/dump.txt");
  EXPECT_EQ(driver.Dump(bad.c_str()), 0);
  EXPECT_EQ(driver.last_error, "Cannot open file " + bad + ": No such file or directory");
  driver.Clear();
  EXPECT_EQ(driver.Dump(path.c_str()), 0);
  EXPECT_EQ(driver.last_error, "No Scene available");
}

TEST(ConversionDriverNoPlugins, MessagesOfTheWindow) {
  PluginRegistry registry;
  ConversionDriver driver(registry);
  EXPECT_EQ(driver.ImportByName("/models/x.raw"), -1);
  EXPECT_EQ(driver.last_error, "Extension not recognized!");
  EXPECT_EQ(driver.ExportFile(0, "/tmp/x.raw"), 0);
  EXPECT_EQ(driver.last_error, "No Scene available");
  EXPECT_EQ(driver.ImportFile(0, "/models/x.raw"), 0);
  EXPECT_EQ(driver.ShowHelp(3), 0);
  EXPECT_EQ(driver.Statistics().scenes, 0);
}

TEST(ConversionDriverRaw, ImportReplacesExportWrites) {
  if (!HaveRawPlugins()) GTEST_SKIP() << "RAW plug-ins not built";
  PluginRegistry registry;
  ASSERT_GE(registry.Load(PluginDir().c_str()), 2);
  static char prog[] = "test";
  static char* argv[] = {prog, nullptr};
  registry.SetCommandLine(1, argv);
  ConversionDriver driver(registry);

  kvtest::TempDir dir;
  std::string a = dir.file("a.raw"), b = dir.file("b.raw");
  kvtest::write_file(a, "one\n0 0 0 1 0 0 0 1 0\ntwo\n0 0 0 1 0 0 0 1 0\n1 1 1 2 1 1 1 2 1\n");
  kvtest::write_file(b, "0 0 0 5 0 0 0 5 0\n");
  ASSERT_EQ(driver.ImportByName(a.c_str()), 1) << driver.last_error;
  EXPECT_EQ(driver.Statistics().objects, 2);
  EXPECT_EQ(driver.TriangleCount(), 3);
  // A second import replaces the first scene.
  ASSERT_EQ(driver.ImportByName(b.c_str()), 1);
  SceneStatistics s = driver.Statistics();
  EXPECT_EQ(s.scenes, 1);
  EXPECT_EQ(s.objects, 1);
  EXPECT_EQ(driver.ObjectList()[0], "(M) NONAME");

  std::string err;
  int to = kvcli::ExportClassForPath(registry, "x.raw", err);
  ASSERT_GE(to, 0) << err;
  std::vector<std::string> written;
  ASSERT_EQ(driver.ExportFile(to, dir.file("out.anything").c_str(), &written), 1) << driver.last_error;
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], dir.file("out.raw"));
  EXPECT_TRUE(fs::exists(dir.file("out.raw")));

  // A second scene gets its own file instead of overwriting the first.
  MScene* second = new MScene(dir.file("second.raw").c_str());
  second->objects->Append(TriangleMesh("extra", 2, 0));
  driver.scenes->Append(second);
  written.clear();
  ASSERT_EQ(driver.ExportFile(to, dir.file("two.raw").c_str(), &written), 1) << driver.last_error;
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], dir.file("two.raw"));
  EXPECT_EQ(written[1], dir.file("two_1.raw"));
  EXPECT_NE(kvtest::read_file(dir.file("two_1.raw")).find("extra"), std::string::npos);
  driver.scenes->RemoveAt(1);

  written.clear();
  std::string bad = dir.file("missing/out.raw");
  EXPECT_EQ(driver.ExportFile(to, bad.c_str(), &written), 0);
  EXPECT_EQ(driver.last_error, "Cannot open file " + bad + ": No such file or directory");
  EXPECT_EQ(driver.Statistics().scenes, 1);  // the scene stays
}

TEST(CommandSupport, ResolveClassByNameIdAndPart) {
  if (!HaveRawPlugins()) GTEST_SKIP() << "RAW plug-ins not built";
  PluginRegistry registry;
  ASSERT_GE(registry.Load(PluginDir().c_str()), 2);
  std::string err;
  int imp = kvcli::ResolveClass(registry, "RAW (*.raw)", kvcli::ClassKind::Import, err);
  ASSERT_GE(imp, 0) << err;
  EXPECT_EQ(registry.GetClass(imp)->ClassID(), 0x1A1954B9u);
  EXPECT_EQ(kvcli::ResolveClass(registry, "0x1a1954b9", kvcli::ClassKind::Any, err), imp);
  EXPECT_EQ(kvcli::ResolveClass(registry, "raw", kvcli::ClassKind::Import, err), imp);
  int exp = kvcli::ResolveClass(registry, "raw", kvcli::ClassKind::Export, err);
  ASSERT_GE(exp, 0);
  EXPECT_EQ(registry.GetClass(exp)->ClassID(), 0x38B21086u);
  // An exact name is of one kind only.
  EXPECT_EQ(kvcli::ResolveClass(registry, "RAW (*.raw)", kvcli::ClassKind::Export, err), -1);

  EXPECT_EQ(kvcli::ResolveClass(registry, "raw", kvcli::ClassKind::Any, err), -1);
  EXPECT_NE(err.find("more than one"), std::string::npos);
  EXPECT_EQ(kvcli::ResolveClass(registry, "0x12345678", kvcli::ClassKind::Any, err), -1);
  EXPECT_NE(err.find("0x12345678"), std::string::npos);
  EXPECT_EQ(kvcli::ResolveClass(registry, "wavefront", kvcli::ClassKind::Any, err), -1);
  EXPECT_NE(err.find("'wavefront'"), std::string::npos);

  EXPECT_EQ(kvcli::ExportClassForPath(registry, "out/x.RAW", err), exp);
  EXPECT_EQ(kvcli::ExportClassForPath(registry, "out/x.ra", err), -1);  // no "*.ra" class
  EXPECT_EQ(kvcli::ExportClassForPath(registry, "out/x", err), -1);
  EXPECT_EQ(kvcli::ExportClassForPath(registry, "out.raw/x", err), -1);  // a dot in a folder is no extension
}

TEST(CommandSupport, Extensions) {
  EXPECT_EQ(kvcli::FileExtension("/a/b/model.RAW"), ".RAW");
  EXPECT_EQ(kvcli::FileExtension("/tmp/tmp.Xy12/model"), "");
  EXPECT_EQ(kvcli::FileExtension("model"), "");
  EXPECT_EQ(kvcli::FileExtension("c:\\m\\chair.3ds"), ".3ds");
}

TEST(CommandSupport, InfoTextAndJson) {
  kvcli::SceneInfo info;
  info.scenes = 1;
  info.objects = 2;
  info.triangles = 12;
  info.bounds[0] = -1.5;
  info.bounds[3] = 1e20;
  info.bounds[4] = std::numeric_limits<double>::quiet_NaN();
  info.object_lines = {"(M) a", "(R) b"};
  std::string text = kvcli::InfoText(info);
  EXPECT_EQ(text,
            "scenes: 1\nobjects: 2\nfaces: 0\nvertices: 0\ncameras: 0\nlights: 0\nmaterials: 0\nimages: 0\n"
            "triangles: 12\nbounds: -1.5 0 0 1e+20 nan 0\n(M) a\n(R) b\n");
  std::string json = kvcli::InfoJson(info);
  EXPECT_EQ(json,
            "{\"scenes\": 1, \"objects\": 2, \"faces\": 0, \"vertices\": 0, \"cameras\": 0, \"lights\": 0, "
            "\"materials\": 0, \"images\": 0, \"triangles\": 12, \"bounds\": [-1.5, 0, 0, 1e+20, null, 0], "
            "\"object_list\": [\"(M) a\", \"(R) b\"]}\n");
}

TEST(CommandSupport, JsonStringsFromWindows1252) {
  EXPECT_EQ(kvcli::JsonString("plain"), "\"plain\"");
  EXPECT_EQ(kvcli::JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(kvcli::JsonString(std::string("t\tn\n\x01", 5)), "\"t\\tn\\n\\u0001\"");
  EXPECT_EQ(kvcli::JsonString("\xE9"), "\"\xC3\xA9\"");        // é
  EXPECT_EQ(kvcli::JsonString("\x80"), "\"\xE2\x82\xAC\"");    // €
  EXPECT_EQ(kvcli::JsonString("\xD4uter"), "\"\xC3\x94uter\"");
}

TEST(CommandSupport, FileChecks) {
  kvtest::TempDir dir;
  std::string why;
  EXPECT_EQ(kvcli::CheckReadable(dir.file("none"), why), 0);
  EXPECT_NE(why.find("No such file"), std::string::npos);
  EXPECT_EQ(kvcli::CheckReadable(dir.str(), why), 0);
  EXPECT_EQ(why, "it is a directory");
  kvtest::write_file(dir.file("f"), "x");
  EXPECT_EQ(kvcli::CheckReadable(dir.file("f"), why), 1);
  EXPECT_NE(kvcli::WriteProblem(dir.file("no/x.raw")).find("No such file"), std::string::npos);
}

TEST(CommandSupport, CommonHelpTexts) {
  std::string both = kvcli::CommonHelp(true, true);
  EXPECT_EQ(both.rfind("** Common Import Options **\n\t-iv=FLAG: enables verbose mode\n\n", 0), 0u);
  EXPECT_NE(both.find("** Common Export Options **\n\t-ov=FLAG: enables verbose mode\n\t-ld_mode=IVAL"),
            std::string::npos);
  EXPECT_NE(both.find("** Map Conversion paramter **\n"), std::string::npos);
  EXPECT_EQ(kvcli::CommonHelp(true, false).find("Export"), std::string::npos);
}

TEST(LossReport, TableAndJsonOfAnAccount) {
  std::vector<ExportLoss> losses = {{"a very long object name", KV_LOSS_NGON_TRIANGULATED, 12},
                                    {"(scene)", KV_LOSS_CAMERAS_DROPPED, 1}};
  EXPECT_EQ(kvcli::LossTable(losses, true),
            "object                   lost                 count\n"
            "a very long object name  n-gons triangulated     12\n"
            "(scene)                  cameras dropped          1\n");
  EXPECT_EQ(kvcli::LossTable({}, true), "nothing lost\n");
  EXPECT_EQ(kvcli::LossTable({}, false), "the export class does not report what it could not keep\n");
  EXPECT_EQ(kvcli::ConvertJson({"out/a.glb"}, {}, false), "{\"written\": [\"out/a.glb\"], \"losses\": null}\n");
  EXPECT_EQ(kvcli::ConvertJson({}, {{"caf\xE9", KV_LOSS_UVS_DROPPED, 2}}, true),
            "{\"written\": [], \"losses\": [{\"object\": \"caf\xC3\xA9\", \"lost\": \"UVs dropped\", \"count\": 2}]}\n");
}
