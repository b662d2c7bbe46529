// BLOCK definitions and INSERT references: placement, arrays, nesting,
// blocks that insert themselves and the face budget.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dxf_test_util.h"

namespace {

using kvdxftest::G;
using kvdxftest::ImportText;
using kvdxftest::Summarize;
using kvdxftest::WithBlocks;

const std::vector<std::string> kFront = {"-dxf_backside_flag=0"};

// A block of one triangle (0,0)-(1,0)-(0,1) around its base point.
std::string Block(const std::string& name, double bx = 0, double by = 0, const std::string& more = "") {
  return G(0, "BLOCK") + G(2, name) + G(8, "0") + G(10, bx) + G(20, by) + G(30, "0") + G(0, "3DFACE") + G(8, "leaf") +
         G(62, "3") + G(10, bx) + G(20, by) + G(30, "0") + G(11, bx + 1) + G(21, by) + G(31, "0") + G(12, bx) +
         G(22, by + 1) + G(32, "0") + G(13, bx) + G(23, by + 1) + G(33, "0") + more + G(0, "ENDBLK");
}

std::string Insert(const std::string& name, double x, double y, const std::string& more = "") {
  return G(0, "INSERT") + G(8, "ins") + G(2, name) + G(10, x) + G(20, y) + G(30, "0") + more;
}

TEST(DxfBlocks, ArrayOfCopies) {
  kvtest::TempDir dir;
  // 2 columns, 3 rows, spacings 10 and 20.
  MScene* s = ImportText(dir,
                         WithBlocks(Block("B"), Insert("B", 100, 0, G(70, "2") + G(71, "3") + G(44, "10") +
                                                                       G(45, "20"))),
                         kFront);
  ASSERT_EQ(s->objects->count, 1);
  MMesh_P* m = kvtest::MeshAt(s, 0);
  EXPECT_STREQ(m->get_name(), "B");  // named after the block
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 6);
  EXPECT_DOUBLE_EQ(sum.lo[0], 100);
  EXPECT_DOUBLE_EQ(sum.hi[0], 111);
  EXPECT_DOUBLE_EQ(sum.hi[1], 41);
  // The copies keep the block's colour surface.
  EXPECT_STREQ(ref_name_or_empty(m->surface_refs, m->Get_Face_MatId(0)), "color_3");
  delete s;
  // Without block names the INSERT's own layer chooses the mesh.
  s = ImportText(dir, WithBlocks(Block("B"), Insert("B", 0, 0)), {"-dxf_backside_flag=0", "-dxf_block_names=0"});
  EXPECT_STREQ(kvtest::MeshAt(s, 0)->get_name(), "ins");
  delete s;
}

TEST(DxfBlocks, BasePointScaleRotationAndExtrusion) {
  kvtest::TempDir dir;
  // The base point (5, 5) lands on the insertion point; x scale 2; turned
  // by 90 degrees: (1, 0) of the block goes to (0, 2).
  MScene* s = ImportText(
      dir, WithBlocks(Block("b", 5, 5), Insert("B", 10, 0, G(41, "2") + G(42, "1") + G(43, "1") + G(50, "90"))),
      kFront);
  auto sum = Summarize(s);
  EXPECT_NEAR(sum.lo[0], 9, 1e-12);
  EXPECT_NEAR(sum.hi[0], 10, 1e-12);
  EXPECT_NEAR(sum.lo[1], 0, 1e-12);
  EXPECT_NEAR(sum.hi[1], 2, 1e-12);
  delete s;
  // Extrusion (0, 0, -1): object x stays x by the arbitrary axis rule
  // (x axis = (0, 1, 0) x N = (-1, 0, 0)), so x turns over.
  s = ImportText(dir, WithBlocks(Block("B"), Insert("B", 3, 0, G(210, "0") + G(220, "0") + G(230, "-1"))), kFront);
  sum = Summarize(s);
  EXPECT_NEAR(sum.lo[0], -4, 1e-12);
  EXPECT_NEAR(sum.hi[0], -3, 1e-12);
  delete s;
}

TEST(DxfBlocks, NestedAndDefinedAfterUse) {
  kvtest::TempDir dir;
  // OUTER holds INNER (defined later) twice; the model inserts OUTER at
  // x = 100.
  const std::string outer = G(0, "BLOCK") + G(2, "OUTER") + G(10, "0") + G(20, "0") + Insert("INNER", 0, 0) +
                            Insert("inner", 10, 0) + G(0, "ENDBLK");
  MScene* s = ImportText(dir, WithBlocks(outer + Block("INNER"), Insert("OUTER", 100, 0)), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, 2);
  EXPECT_DOUBLE_EQ(sum.lo[0], 100);
  EXPECT_DOUBLE_EQ(sum.hi[0], 111);
  delete s;
}

TEST(DxfBlocks, BlocksThatInsertThemselvesAreRefused) {
  kvtest::TempDir dir;
  // A inserts itself; B and C insert each other.
  const std::string blocks = Block("A", 0, 0, Insert("A", 5, 0)) + Block("B", 0, 0, Insert("C", 5, 0)) +
                             Block("C", 0, 0, Insert("B", 5, 0));
  MScene* s = ImportText(dir, WithBlocks(blocks, Insert("A", 0, 0) + Insert("B", 0, 10)), kFront);
  ASSERT_NE(s, nullptr);
  // A alone; B with C but not C's copy of B.
  EXPECT_EQ(Summarize(s).faces, 1 + 2);
  delete s;
  const auto warnings = kvtest::Plugins().LastWarnings(kvdxftest::ImportClass());
  ASSERT_FALSE(warnings.empty());
  EXPECT_NE(warnings[0].find("inserts itself"), std::string::npos);
}

TEST(DxfBlocks, FaceBudgetRefusesHugeArrays) {
  kvtest::TempDir dir;
  // 32767 x 32767 copies, or 1000 x 1000 nested in 100 copies: refused at
  // once, the small insert beside them stays.
  const std::string nest = G(0, "BLOCK") + G(2, "N") + Insert("B", 0, 0, G(70, "1000") + G(71, "1000")) +
                           G(0, "ENDBLK");
  MScene* s = ImportText(dir,
                         WithBlocks(Block("B") + nest, Insert("B", 0, 0, G(70, "32767") + G(71, "32767")) +
                                                           Insert("N", 0, 0, G(70, "100")) + Insert("B", 0, 0)),
                         kFront);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(Summarize(s).faces, 1);
  delete s;
  const auto warnings = kvtest::Plugins().LastWarnings(kvdxftest::ImportClass());
  ASSERT_FALSE(warnings.empty());
  EXPECT_NE(warnings[0].find("limit of 50000000 faces"), std::string::npos);
  // An empty block in a huge array costs nothing.
  s = ImportText(dir,
                 WithBlocks(G(0, "BLOCK") + G(2, "E") + G(0, "ENDBLK"),
                            Insert("E", 0, 0, G(70, "32767") + G(71, "32767"))),
                 kFront);
  EXPECT_EQ(Summarize(s).faces, 0);
  delete s;
}

TEST(DxfBlocks, ManyInsertsOfOneBlock) {
  kvtest::TempDir dir;
  std::string inserts;
  const int n = 100000;
  inserts.reserve(static_cast<size_t>(n) * 48);
  for (int i = 0; i < n; ++i) inserts += Insert("B", i % 1000, i / 1000);
  MScene* s = ImportText(dir, WithBlocks(Block("B"), inserts), kFront);
  auto sum = Summarize(s);
  EXPECT_EQ(sum.faces, n);
  EXPECT_DOUBLE_EQ(sum.hi[0], 1000);
  EXPECT_DOUBLE_EQ(sum.hi[1], 100);
  delete s;
}

TEST(DxfBlocks, MissingBlockAndStrayEndblk) {
  kvtest::TempDir dir;
  MScene* s = ImportText(dir, WithBlocks(G(0, "ENDBLK") + Block("B"), Insert("nothing", 0, 0) + G(0, "ENDBLK") +
                                                                         Insert("B", 0, 0)),
                         kFront);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(Summarize(s).faces, 1);
  delete s;
}

}  // namespace
