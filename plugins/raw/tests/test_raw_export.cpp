// RAW export through the built plug-in, and the round trip.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "raw_test_util.h"

namespace {

class RawExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(rawtest::ExportClass(), 0) << "export_raw.so not found in " << kvtest::bin_dir();
    rawtest::UseCommandLine({"-ld_mode=1"});
    scene = new MScene((dir.str() + "/model.3ds").c_str());
  }
  void TearDown() override { delete scene; }
  MMesh_P* AddMesh(const char* name, bool normals) {
    MMesh_P* m = new MMesh_P(name);
    if (normals) m->UseNormals();
    m->Add_Tri(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(0, 1, 0), 0, -1.0);
    if (normals) m->Add_NTri(MVector3(0, 0, 2), MVector3(0, 0, 2), MVector3(0, 0, 0), 0, -1.0);
    scene->objects->Append(m);
    return m;
  }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

}  // namespace

TEST_F(RawExport, KeepsFolderAndBaseNameAndWritesItsOwnExtension) {
  AddMesh("box", false);
  std::string written;
  ASSERT_EQ(rawtest::Export(scene, dir.file("model.xxx"), &written), 1);
  EXPECT_EQ(written, dir.file("model.raw"));
  EXPECT_EQ(rawtest::Lines(dir.file("model.raw")),
            (std::vector<std::string>{"box", "0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 "
                                             "1.000000 0.000000"}));
}

TEST_F(RawExport, SubDirectoryFromTheSceneName) {
  rawtest::UseCommandLine({"-ld_mode=1", "-subdir_mode=1"});
  AddMesh("box", false);
  std::string written;
  ASSERT_EQ(rawtest::Export(scene, dir.file("out.raw"), &written), 1);
  EXPECT_EQ(written, dir.file("model/out.raw"));
  EXPECT_FALSE(kvtest::read_file(dir.file("model/out.raw")).empty());
}

TEST_F(RawExport, LineDelimiterModes) {
  AddMesh("a", false);
  rawtest::UseCommandLine({});  // DOS by default
  ASSERT_EQ(rawtest::Export(scene, dir.file("dos.raw")), 1);
  EXPECT_EQ(kvtest::read_file(dir.file("dos.raw")).substr(0, 3), "a\r\n");
  rawtest::UseCommandLine({"-ld_mode=2"});
  ASSERT_EQ(rawtest::Export(scene, dir.file("mac.raw")), 1);
  EXPECT_EQ(kvtest::read_file(dir.file("mac.raw")).substr(0, 2), "a\r");
  EXPECT_EQ(kvtest::read_file(dir.file("mac.raw")).find('\n'), std::string::npos);
}

TEST_F(RawExport, NamesStartingWithDigitsGetAnUnderscore) {
  AddMesh("3dbox", false);
  AddMesh("-1a", false);
  ASSERT_EQ(rawtest::Export(scene, dir.file("n.raw")), 1);
  std::vector<std::string> lines = rawtest::Lines(dir.file("n.raw"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "_3dbox");
  EXPECT_EQ(lines[2], "-1a");
}

TEST_F(RawExport, SmoothedWritesNormalizedNormalsWhenThereAreAny) {
  rawtest::UseCommandLine({"-ld_mode=1", "-raw_smoothed=1"});
  AddMesh("plain", false);
  AddMesh("smooth", true);
  ASSERT_EQ(rawtest::Export(scene, dir.file("s.raw")), 1);
  std::vector<std::string> lines = rawtest::Lines(dir.file("s.raw"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 1.000000 0.000000");
  EXPECT_EQ(lines[3],
            "0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 1.000000 0.000000 "
            "0.000000 0.000000 1.000000 0.000000 0.000000 1.000000 0.000000 0.000000 0.000000");
}

TEST_F(RawExport, LocalMatrixIsApplied) {
  MMesh_P* m = AddMesh("moved", false);
  m->transformation.local.Translate(MVector3(10, 20, 30));
  ASSERT_EQ(rawtest::Export(scene, dir.file("t.raw")), 1);
  EXPECT_EQ(rawtest::Lines(dir.file("t.raw"))[1],
            "10.000000 20.000000 30.000000 11.000000 20.000000 30.000000 10.000000 21.000000 30.000000");
}

TEST_F(RawExport, PolygonsAreTriangulatedAndCached) {
  MMesh_P* m = new MMesh_P("quad");
  m->Add_Quad(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 0), 0, -1.0);
  scene->objects->Append(m);
  ASSERT_EQ(rawtest::Export(scene, dir.file("q.raw")), 1);
  EXPECT_EQ(rawtest::Lines(dir.file("q.raw")).size(), 3u);
  EXPECT_EQ(scene->tri_objects->count, 1);
  ASSERT_EQ(rawtest::Export(scene, dir.file("q2.raw")), 1);
  EXPECT_EQ(scene->tri_objects->count, 1);  // the cached copy is reused
}

TEST_F(RawExport, UnwritableFolderFails) {
  AddMesh("box", false);
  std::string written;
  EXPECT_EQ(rawtest::Export(scene, "/nonexistent/korvane/out.raw", &written), 0);
  EXPECT_EQ(written, "/nonexistent/korvane/out.raw");
  // A log of its own says why.
  kvtest::TempDir logs;
  {
    Profile store(const_cast<char*>("export_raw"));
    store.WriteString(const_cast<char*>("Common Settings"), const_cast<char*>("logfilename"),
                      const_cast<char*>(logs.file("exportraw.log").c_str()));
    store.WriteInt(const_cast<char*>("Common Settings"), const_cast<char*>("verbose_mode"), 1);
  }
  rawtest::UseSettingsStore();
  EXPECT_EQ(rawtest::Export(scene, "/nonexistent/korvane/out.raw"), 0);
  rawtest::UseCommandLine({});
  EXPECT_NE(kvtest::read_file(logs.file("exportraw.log")).find("Cannot open file /nonexistent/korvane/out.raw \n"),
            std::string::npos);
}

TEST_F(RawExport, RoundTripKeepsEveryTriangleToPrintedPrecision) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-5000, 5000);
  std::string text;
  std::vector<std::string> positions;  // the lines as written back without normals
  char buf[64];
  int tris = 0;
  for (int o = 0; o < 10; ++o) {
    text += "object " + std::to_string(o) + "\n";
    positions.push_back("object " + std::to_string(o));
    for (int t = 0; t < 500 + o; ++t, ++tris) {
      std::string line;
      for (int k = 0; k < (o % 2 ? 18 : 9); ++k) {
        std::snprintf(buf, sizeof buf, "%s%f", k ? " " : "", u(rng) / (k % 3 + 1));
        line += buf;
        if (k == 8) positions.push_back(line);
      }
      text += line + "\n";
    }
  }
  kvtest::write_file(dir.file("orig.raw"), text);
  MScene* a = rawtest::Import(dir.file("orig.raw"));
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->objects->count, 10);
  ASSERT_EQ(rawtest::Export(a, dir.file("copy.raw")), 1);
  EXPECT_EQ(rawtest::Lines(dir.file("copy.raw")), positions);
  MScene* b = rawtest::Import(dir.file("copy.raw"));
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->objects->count, 10);
  int total = 0;
  for (int i = 0; i < 10; ++i) total += rawtest::Mesh(b, i)->Get_Face_Count();
  EXPECT_EQ(total, tris);
  // And again: the second copy is identical to the first.
  ASSERT_EQ(rawtest::Export(b, dir.file("copy2.raw")), 1);
  EXPECT_EQ(kvtest::read_file(dir.file("copy2.raw")), kvtest::read_file(dir.file("copy.raw")));
  delete a;
  delete b;
}

TEST_F(RawExport, AccountsForWhatATriangleListCannotKeep) {
  MMesh_P* quad = new MMesh_P("3quad");
  quad->Add_Quad(MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 0), 0, -1.0);
  quad->UseUV();
  quad->Add_UVPolygon(quad->Get_Face(0), 0, -1.0);
  quad->surface_refs->Append(my_strdup("wood"));
  scene->objects->Append(quad);
  MRefObj* ref = new MRefObj(0, "3quad");
  ref->set_name("copy");
  scene->objects->Append(ref);
  scene->cameras->Append(new MCamera("cam"));
  scene->maps->AddMap("wood.png");
  scene->maps->AddMap("wood.png");
  ASSERT_EQ(rawtest::Export(scene, dir.file("l.raw")), 1);
  bool accounted = false;
  std::vector<ExportLoss> losses = kvtest::Plugins().LastLosses(rawtest::ExportClass(), &accounted);
  ASSERT_TRUE(accounted);
  std::vector<std::string> rows;
  for (const ExportLoss& l : losses)
    rows.push_back(l.object + ": " + KvLossLabel(l.kind) + " " + std::to_string(l.count));
  EXPECT_EQ(rows, (std::vector<std::string>{"3quad: names changed 2", "3quad: n-gons triangulated 1",
                                            "3quad: materials dropped 1", "3quad: UVs dropped 1",
                                            "copy: n-gons triangulated 1", "copy: materials dropped 1",
                                            "copy: hierarchy flattened 1", "copy: UVs dropped 1",
                                            "(scene): cameras dropped 1", "(scene): maps dropped 1"}));
}
