// Our reader and writer against independent ones: ezdxf (python3-ezdxf)
// and assimp on the real files and on what we write; round trips through
// DXF from DXF, OBJ and 3DS. Skipped where a judge is not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "dxf_test_util.h"

namespace {

using kvdxftest::Summarize;
using kvdxftest::Summary;

const std::vector<std::string> kFront = {"-dxf_backside_flag=0"};
// Lines of no thickness are no faces to the other readers.
const std::vector<std::string> kFacesOnly = {"-dxf_backside_flag=0", "-dxf_zero_extrusion=0"};

std::vector<std::filesystem::path> Files(const char* folder, std::initializer_list<const char*> exts) {
  std::vector<std::filesystem::path> out;
  const auto dir = kvtest::corpus_dir() / folder;
  if (!std::filesystem::is_directory(dir)) return out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* x : exts)
      if (ext == x) out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// ezdxf's drawings of every kind we read: R12 and R2000, ASCII and binary.
std::vector<std::string> EzdxfSamples(const kvtest::TempDir& dir) {
  std::vector<std::string> out;
  for (const char* version : {"R12", "R2000"})
    for (const char* fmt : {"asc", "bin"}) {
      const std::string path = dir.file(std::string("sample_") + version + "_" + fmt + ".dxf");
      kvdxftest::EzdxfScript("sample '" + path + "' " + version + " " + fmt);
      if (std::filesystem::exists(path)) out.push_back(path);
    }
  return out;
}

TEST(DxfAgreement, EzdxfCountsTheSameFaces) {
  KV_REQUIRE_CORPUS();
  if (!kvdxftest::HaveEzdxf()) GTEST_SKIP() << "python3-ezdxf not installed";
  kvtest::TempDir dir;
  std::vector<std::string> files;
  for (const auto& f : Files("dxf", {".dxf"})) files.push_back(f.string());
  const auto samples = EzdxfSamples(dir);
  EXPECT_EQ(samples.size(), 4u);
  files.insert(files.end(), samples.begin(), samples.end());
  int compared = 0;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Summary want;
    ASSERT_TRUE(kvdxftest::EzdxfSummary(file, &want));
    MScene* s = kvdxftest::Import(file, kFacesOnly);
    ASSERT_NE(s, nullptr);
    Summary got = Summarize(s);
    EXPECT_EQ(got.triangles, want.triangles);
    if (want.triangles) {
      EXPECT_TRUE(got.Near(want, 1e-9)) << got.Text() << " vs " << want.Text();
    }
    // The back faces double every one.
    delete s;
    s = kvdxftest::Import(file, {"-dxf_zero_extrusion=0"});
    EXPECT_EQ(Summarize(s).triangles, 2 * want.triangles);
    delete s;
    compared += want.triangles > 0;
  }
  EXPECT_GE(compared, 6);
}

TEST(DxfAgreement, AssimpReadsTheSameTriangles) {
  KV_REQUIRE_CORPUS();
  if (!kvdxftest::HaveAssimp()) GTEST_SKIP() << "assimp not installed";
  int compared = 0;
  for (const auto& f : Files("dxf", {".dxf"})) {
    SCOPED_TRACE(f.string());
    Summary want;
    if (!kvdxftest::AssimpSummary(f.string(), &want)) continue;  // no 3D data for it
    MScene* s = kvdxftest::Import(f.string(), kFacesOnly);
    Summary got = Summarize(s);
    delete s;
    EXPECT_EQ(got.triangles, want.triangles);
    EXPECT_TRUE(kvdxftest::SameBoundsUpToAxisTurn(got, want, 1e-5)) << got.Text() << " vs " << want.Text();
    ++compared;
  }
  EXPECT_GE(compared, 2);
}

// What we write from a scene: ezdxf reads and audits it clean, counts the
// scene's triangles, and so does assimp.
// Polyface faces are read by their indices, 3DFACE corners by their
// positions; assimp leaves flat triangles out of either.
void ExpectReadersAgree(MScene* scene, const std::string& out_base, bool polyface) {
  std::string path;
  ASSERT_EQ(kvdxftest::Export(scene, out_base, {polyface ? "-export_dxf_type=1" : "-export_dxf_type=0"}, &path), 1);
  const long flat_dropped = kvdxftest::Triangles(scene, true);
  if (kvdxftest::HaveEzdxf()) {
    Summary want;
    EXPECT_EQ(kvdxftest::EzdxfAudit(path, &want), "");
    EXPECT_EQ(want.triangles, polyface ? kvdxftest::Triangles(scene) : flat_dropped);
  }
  if (kvdxftest::HaveAssimp() && flat_dropped) {
    Summary want;
    ASSERT_TRUE(kvdxftest::AssimpSummary(path, &want));
    EXPECT_EQ(want.triangles, flat_dropped);
    MScene* back = kvdxftest::Import(path, kFront);
    EXPECT_TRUE(kvdxftest::SameBoundsUpToAxisTurn(Summarize(back), want, 1e-5));
    delete back;
  }
}

TEST(DxfAgreement, WhatWeWriteReadsClean) {
  KV_REQUIRE_CORPUS();
  if (!kvdxftest::HaveEzdxf() && !kvdxftest::HaveAssimp()) GTEST_SKIP() << "no outside DXF reader";
  kvtest::TempDir dir;
  std::vector<std::pair<std::string, int>> inputs;  // file, import class
  const int obj = kvtest::FindClass("Alias Wavefront (*.obj)", MESH_IMPORT_CLASS_ID);
  const int tds = kvtest::FindClass("3D Studio (*.3ds, *.prj, *.mtl)", MESH_IMPORT_CLASS_ID);
  for (const auto& f : Files("dxf", {".dxf"})) inputs.emplace_back(f.string(), kvdxftest::ImportClass());
  for (const auto& f : Files("obj", {".obj"})) inputs.emplace_back(f.string(), obj);
  for (const auto& f : Files("3ds", {".3ds"})) inputs.emplace_back(f.string(), tds);
  int written = 0;
  for (const auto& [file, cls] : inputs) {
    if (cls < 0) continue;
    SCOPED_TRACE(file);
    kvtest::UseCommandLine(kFront);
    MScene* s = kvtest::ImportWith(cls, file);
    if (!s) continue;
    for (bool polyface : {true, false}) {
      SCOPED_TRACE(polyface ? "polyface" : "3DFACE");
      ExpectReadersAgree(s, dir.file("out" + std::to_string(written++)), polyface);
    }
    delete s;
  }
  EXPECT_GT(written, 20);
}

TEST(DxfAgreement, DxfRoundTripIsStableAfterTheFirstPass) {
  KV_REQUIRE_CORPUS();
  kvtest::TempDir dir;
  std::vector<std::string> files;
  for (const auto& f : Files("dxf", {".dxf"})) files.push_back(f.string());
  if (kvdxftest::HaveEzdxf()) {
    const auto samples = EzdxfSamples(dir);
    files.insert(files.end(), samples.begin(), samples.end());
  }
  for (const std::string& file : files)
    for (const char* type : {"-export_dxf_type=1", "-export_dxf_type=0"}) {
      SCOPED_TRACE(file + " " + type);
      std::string text[3];
      std::string in = file;
      for (int pass = 0; pass < 3; ++pass) {
        MScene* s = kvdxftest::Import(in, kFront);
        ASSERT_NE(s, nullptr);
        std::string out;
        ASSERT_EQ(kvdxftest::Export(s, dir.file("pass" + std::to_string(pass)), {type, "-ld_mode=1"}, &out), 1);
        delete s;
        // Without the three comment lines (time and path).
        std::vector<std::string> lines = kvtest::read_lines(out);
        ASSERT_GT(lines.size(), 6u);
        for (size_t i = 6; i < lines.size(); ++i) text[pass] += lines[i] + "\n";
        in = out;
      }
      // The first pass may turn quads into triangles and drop flat
      // corners; from then on nothing changes.
      EXPECT_EQ(text[2], text[1]);
    }
}

// OBJ -> DXF -> OBJ and 3DS -> DXF -> 3DS: the same triangles and bounds.
void RoundTrip(const char* folder, std::initializer_list<const char*> exts, const char* import_class,
               const char* export_class) {
  KV_REQUIRE_CORPUS();
  const int imp = kvtest::FindClass(import_class, MESH_IMPORT_CLASS_ID);
  const int exp = kvtest::FindClass(export_class, MESH_EXPORT_CLASS_ID);
  if (imp < 0 || exp < 0) GTEST_SKIP() << "the other format's plug-ins are not built";
  kvtest::TempDir dir;
  int compared = 0;
  for (const auto& f : Files(folder, exts)) {
    SCOPED_TRACE(f.string());
    kvtest::UseCommandLine(kFront);
    MScene* src = kvtest::ImportWith(imp, f.string());
    if (!src) continue;
    std::string dxf, back;
    ASSERT_EQ(kvdxftest::Export(src, dir.file("mid"), {}, &dxf), 1);
    MScene* mid = kvdxftest::Import(dxf, kFront);
    ASSERT_NE(mid, nullptr);
    kvtest::UseCommandLine({});
    ASSERT_EQ(kvtest::ExportWith(exp, mid, dir.file(std::string("back") + std::to_string(compared)), &back), 1);
    kvtest::UseCommandLine({});
    MScene* end = kvtest::ImportWith(imp, back);
    ASSERT_NE(end, nullptr);
    const long want = kvdxftest::Triangles(src);
    EXPECT_EQ(kvdxftest::Triangles(mid), want);
    EXPECT_EQ(kvdxftest::Triangles(end), want);
    Summary a = Summarize(src), b = Summarize(end);
    b.triangles = a.triangles;
    EXPECT_TRUE(a.Near(b, 1e-5)) << a.Text() << " vs " << b.Text();
    delete src;
    delete mid;
    delete end;
    ++compared;
  }
  EXPECT_GT(compared, 2);
}

TEST(DxfAgreement, ObjThroughDxfKeepsTrianglesAndBounds) {
  RoundTrip("obj", {".obj"}, "Alias Wavefront (*.obj)", "Alias Wavefront (*.obj)");
}

TEST(DxfAgreement, ThreeDsThroughDxfKeepsTrianglesAndBounds) {
  RoundTrip("3ds", {".3ds"}, "3D Studio (*.3ds, *.prj, *.mtl)", "3D Studio Binary Mesh File     (*.3ds)");
}

}  // namespace
