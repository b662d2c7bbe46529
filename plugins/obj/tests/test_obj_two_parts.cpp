// Large OBJ files are read in two parts, the back one on a second thread:
// where the file splits, and that the scene is what one pass would give.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "linereader.h"
#include "obj_lines.h"
#include "obj_test_util.h"

namespace {

using kvobj::Kind;

struct File {
  std::unique_ptr<FILE, int (*)(FILE*)> f{nullptr, std::fclose};
  long size = 0;
};

File OpenText(const std::string& path, const std::string& text) {
  kvtest::write_file(path, text);
  File out;
  out.f.reset(std::fopen(path.c_str(), "rb"));
  out.size = static_cast<long>(text.size());
  return out;
}

}  // namespace

TEST(ObjTwoParts, SplitsAfterALineEndWhereNoFaceContinues) {
  kvtest::TempDir dir;
  const std::string path = dir.file("split.obj");
  // The split is asked for inside the continued face: it moves past it.
  std::string text = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
  text += "f 1 2 \\\n 3 \\\n 4\n";
  text += "g back\r\nvt 0.5 0.25\r\nvn 0 0 1e999\r\n# note\r\nf -4/1/1 -3 -2//1\r\nf 1\n";
  File file = OpenText(path, text);
  ASSERT_TRUE(file.f);
  const double share = (static_cast<double>(text.find("f 1 2")) + 2) / static_cast<double>(text.size());
  long start = kvobj::SplitPoint(file.f.get(), file.size, share, 0);
  EXPECT_EQ(start, static_cast<long>(text.find("g back")));
  EXPECT_EQ(std::ftell(file.f.get()), 0L);
  // Too small with the default bound; no line end past the first: no split.
  EXPECT_EQ(kvobj::SplitPoint(file.f.get(), file.size, 0.45), 0L);
  File one = OpenText(dir.file("one.obj"), std::string(200, ' ') + "\nv 1 2 3");
  EXPECT_EQ(kvobj::SplitPoint(one.f.get(), one.size, 0.5, 0), 0L);

  kvobj::BackPart back;
  kvobj::ParseBackPart(path, start, &back);
  ASSERT_TRUE(back.ok);
  ASSERT_EQ(back.pieces.size(), 1u);
  const kvobj::BackPart::Piece& piece = back.pieces[0];
  ASSERT_EQ(piece.statements.size(), 6u);
  const Kind kinds[] = {Kind::kText, Kind::kTexture, Kind::kNormal, Kind::kStatement, Kind::kFace, Kind::kFace};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(piece.statements[i].kind, kinds[i]) << i;
    EXPECT_EQ(piece.statements[i].line, static_cast<long>(i + 1)) << i;
  }
  EXPECT_EQ(piece.text, "g back");
  EXPECT_TRUE(piece.statements[2].clamped);
  EXPECT_EQ(piece.numbers, (std::vector<double>{0.5, 0.25, 0, 0, 0, 0}));
  ASSERT_EQ(piece.corners.size(), 4u);
  EXPECT_EQ(piece.corners[0].p, -4);
  EXPECT_EQ(piece.corners[0].t, 1);
  EXPECT_EQ(piece.corners[1].t, kvobj::kNoIndex);
  EXPECT_EQ(piece.corners[2].n, 1);
  EXPECT_EQ(piece.statements[5].size, 1u);
  EXPECT_EQ(back.end_position, file.size);

  kvobj::BackPart missing;
  kvobj::ParseBackPart(dir.file("gone.obj"), 0, &missing);
  EXPECT_FALSE(missing.ok);
}

// A file past the bound, its groups, materials, relative and continued
// faces, a bad face and a bad number spread over both parts: every face of
// every group must come out with the corners and material that the text
// gives it, and the log must name the lines of the whole file.
TEST(ObjTwoParts, ALargeFileGivesTheSceneOfOnePass) {
  ASSERT_GE(objtest::ObjImport(), 0);
  objtest::UseCommandLine({"-iv=1", "-obj_mode=2"});
  kvtest::TempDir dir;
  struct Face {
    std::string material;
    std::vector<double> xs;  // the x of each corner: the vertex's number
  };
  std::vector<std::vector<Face>> groups(7);
  std::string text;
  long line = 0, vertices = 0;
  long bad_face_line = 0, bad_number_line = 0;
  const int kBlocks = 30000;
  for (int b = 0; b < kBlocks; ++b) {
    const int g = b % 7;
    const std::string mat = "m" + std::to_string(b % 5);
    text += "g grp" + std::to_string(g) + "\nusemtl " + mat + "\n# block " + std::to_string(b) + "\n";
    line += 3;
    for (int i = 0; i < 6; ++i) {
      ++vertices;
      if (b == kBlocks * 7 / 10 && i == 0) {
        text += "v 1e999 0 0\n";  // read as 0
        bad_number_line = line + 1;
      } else {
        text += "v " + std::to_string(vertices) + " 0.5 -1\n";
      }
      ++line;
    }
    const double first = static_cast<double>(vertices - 5);
    auto x = [&](int k) { return b == kBlocks * 7 / 10 && k == 0 ? 0.0 : first + k; };
    // Relative corners, absolute ones, and a face continued over two lines.
    text += "f -6 -5 -4\n";
    groups[static_cast<size_t>(g)].push_back({mat, {x(0), x(1), x(2)}});
    text += "f " + std::to_string(vertices - 2) + " " + std::to_string(vertices - 1) + " \\\n  " +
            std::to_string(vertices) + " " + std::to_string(vertices - 5) + "\n";
    groups[static_cast<size_t>(g)].push_back({mat, {x(3), x(4), x(5), x(0)}});
    line += 3;
    if (b == kBlocks * 8 / 10) {
      text += "f 1 2 " + std::to_string(vertices + 1) + "\n";
      bad_face_line = ++line;
    }
  }
  ASSERT_GT(static_cast<long>(text.size()), kvobj::kSplitMinBytes);
  const std::string path = dir.file("large.obj");
  kvtest::write_file(path, text);

  std::unique_ptr<MScene> scene(objtest::Import(objtest::ObjImport(), path));
  ASSERT_NE(scene, nullptr);
  for (int g = 0; g < 7; ++g) {
    const std::string name = "grp" + std::to_string(g);
    MMesh_P* m = objtest::MeshByName(scene.get(), name.c_str());
    ASSERT_NE(m, nullptr) << name;
    const std::vector<Face>& want = groups[static_cast<size_t>(g)];
    ASSERT_EQ(m->Get_Face_Count(), static_cast<int>(want.size())) << name;
    for (int i = 0; i < m->Get_Face_Count(); ++i) {
      const MIPolygon& f = m->f_a->data[i];
      const Face& w = want[static_cast<size_t>(i)];
      ASSERT_EQ(f.count, static_cast<int>(w.xs.size())) << name << " face " << i;
      for (int c = 0; c < f.count; ++c) ASSERT_EQ(m->v_a->data[f.data[c]].x, w.xs[static_cast<size_t>(c)]);
      ASSERT_STREQ(static_cast<const char*>(m->surface_refs->GetAt(f.mat_id)), w.material.c_str());
    }
  }
  const std::string log = kvtest::read_file(dir.file("importobj.log"));
  EXPECT_NE(log.find("Face in line " + std::to_string(bad_face_line) + " refers"), std::string::npos);
  EXPECT_NE(log.find("Number out of range in line " + std::to_string(bad_number_line) + " "), std::string::npos);
  EXPECT_NE(log.find("Polygons:   " + std::to_string(2 * kBlocks + 1) + "\n"), std::string::npos);
  EXPECT_NE(log.find("Vertices:   " + std::to_string(vertices) + "\n"), std::string::npos);
}
