// Damaged and hostile PDB files: cut lines, columns holding nonsense,
// serials out of range, a line of 10 MB, CONECT records that loop. Each
// gives a scene or a stated reason, never a crash or a hang.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pdb_test_util.h"

using pdbtest::Atom;
using pdbtest::Conect;

namespace fs = std::filesystem;

namespace {

class PdbBadInput : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(pdbtest::ImportClass(), 0); }
  void TearDown() override { delete scene; }
  MScene* Read(const std::string& text, std::vector<std::string> options = {}) {
    kvtest::write_file(dir.file("bad.pdb"), text);
    delete scene;
    scene = pdbtest::Import(dir.file("bad.pdb"), options);
    if (!scene) {
      EXPECT_FALSE(pdbtest::LastImportError().empty());
    }
    return scene;
  }
  std::string Log() { return kvtest::read_file(dir.file("importpdb.log")); }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

std::string Lines(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

}  // namespace

TEST_F(PdbBadInput, NoAtomRecordIsNoPdbFile) {
  EXPECT_EQ(Read(""), nullptr);
  EXPECT_NE(pdbtest::LastImportError().find("no ATOM or HETATM record"), std::string::npos);
  EXPECT_EQ(Read(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), nullptr);
  EXPECT_EQ(Read(Lines({"HEADER    NOTHING", Conect({1, 2})})), nullptr);
  EXPECT_EQ(pdbtest::Import(dir.file("missing.pdb")), nullptr);
  EXPECT_FALSE(pdbtest::LastImportError().empty());
}

// Every line cut after every column: the atom stays (its numbers read as
// far as they go), the bond goes once a serial is cut.
TEST_F(PdbBadInput, LinesCutAtEveryColumn) {
  const std::string a1 = Atom(1, " CA ", 11.5, -2.25, 3.125, "C").Text();
  const std::string a2 = Atom(2, " N  ", 12.5, -2.25, 3.125, "N").Text();
  const std::string bond = Conect({1, 2});
  for (size_t n = 0; n <= a2.size(); ++n) {
    SCOPED_TRACE("atom line cut at " + std::to_string(n));
    if (!Read(Lines({a1, a2.substr(0, n), bond}))) continue;
    const size_t spheres = pdbtest::Spheres(scene).size();
    EXPECT_EQ(spheres, n >= 4 ? 2u : 1u);
    EXPECT_LE(pdbtest::Cylinders(scene).size(), 1u);
  }
  for (size_t n = 0; n <= bond.size(); ++n) {
    SCOPED_TRACE("CONECT line cut at " + std::to_string(n));
    ASSERT_NE(Read(Lines({a1, a2, bond.substr(0, n)})), nullptr);
    EXPECT_EQ(pdbtest::Cylinders(scene).size(), n >= 16 ? 1u : 0u);
  }
}

TEST_F(PdbBadInput, ColumnsOutOfRangeReadAsZero) {
  ASSERT_NE(Read(Lines({"ATOM  abcde  C   GLY A wxyz    x.y.z   1e999   -nan  ", "HETATM99999999999999999999999999999999999999999999999999999999",
                        "ATOM      3  C   GLY A   1    \t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t",
                        Conect(std::vector<std::string>{"-9999", "*****", "99999", "ZZZZZ"})}),
                 {"-iv=1"}),
            nullptr);
  const auto spheres = pdbtest::Spheres(scene);
  ASSERT_EQ(spheres.size(), 3u);
  const MVector3 o = pdbtest::Origin(spheres[0]);
  EXPECT_EQ(o.x, 0.0);
  EXPECT_EQ(o.y, 0.0);
  EXPECT_EQ(o.z, 0.0);
  EXPECT_EQ(pdbtest::Cylinders(scene).size(), 0u);
  const auto w = pdbtest::LastImportWarnings();
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("CONECT bond ends name no atom"), std::string::npos) << w[0];
  EXPECT_NE(Log().find("atom -9999 names no atom"), std::string::npos);
}

TEST_F(PdbBadInput, BondEndsOfZeroUnknownOrSelfAreSkipped) {
  ASSERT_NE(Read(Lines({Atom(1, " C  ", 0, 0, 0).Text(), Atom(2, " C  ", 1, 0, 0).Text(), Atom(3, " C  ", 2, 0, 0).Text(),
                        Conect({0, 1}), Conect({1, 0, 2}), Conect({2, 7}), Conect({3, 3}),
                        // a loop: 1-2-3-1, listed both ways
                        Conect({1, 2, 3}), Conect({2, 3, 1}), Conect({3, 1, 2})}),
                 {"-iv=1"}),
            nullptr);
  EXPECT_EQ(pdbtest::Cylinders(scene).size(), 7u);
  const std::string log = Log();
  EXPECT_NE(log.find("atom 0 names no atom"), std::string::npos);
  EXPECT_NE(log.find("bond 1 of atom 1 to 0 names no atom"), std::string::npos);
  EXPECT_NE(log.find("bond 1 of atom 2 to 7 names no atom"), std::string::npos);
  EXPECT_NE(log.find("atom 3 bonded to itself"), std::string::npos);
  ASSERT_NE(Read(Lines({Atom(1, " C  ", 0, 0, 0).Text(), Atom(2, " C  ", 1, 0, 0).Text(), Atom(3, " C  ", 2, 0, 0).Text(),
                        Conect({1, 2, 3}), Conect({2, 3, 1}), Conect({3, 1, 2})}),
                 {"-pdb_distinct_bonds=1"}),
            nullptr);
  EXPECT_EQ(pdbtest::Cylinders(scene).size(), 3u);
}

TEST_F(PdbBadInput, ATenMegabyteLine) {
  const std::string a1 = Atom(1, " C  ", 1, 2, 3).Text();
  std::string huge = Atom(2, " O  ", 4, 5, 6).Text() + std::string(10 << 20, 'x');
  ASSERT_NE(Read(a1 + "\n" + huge + "\n" + Conect({1, 2}) + "\n" + std::string(10 << 20, ' '), {"-iv=1"}), nullptr);
  const auto spheres = pdbtest::Spheres(scene);
  ASSERT_EQ(spheres.size(), 2u);
  EXPECT_NEAR(pdbtest::Origin(spheres[1]).z, 6.0, 1e-12);
  EXPECT_EQ(pdbtest::Cylinders(scene).size(), 1u);
  EXPECT_NE(Log().find("Line 2 is longer than 4096 characters"), std::string::npos);
}

TEST_F(PdbBadInput, ManyModelsAndRepeatedSerials) {
  std::vector<std::string> lines;
  for (int m = 1; m <= 50; ++m) {
    lines.push_back("MODEL     " + std::to_string(m));
    lines.push_back(Atom(1, " C  ", m, 0, 0).Text());
    lines.push_back(Atom(1, " C  ", m, 1, 0).Text());  // the same serial again
    lines.push_back(Atom(2, " C  ", m, 2, 0).Text());
    lines.push_back("ENDMDL");
  }
  lines.push_back(Conect({1, 2}));
  ASSERT_NE(Read(Lines(lines), {"-iv=1"}), nullptr);
  EXPECT_EQ(pdbtest::Spheres(scene).size(), 150u);
  const auto cyls = pdbtest::Cylinders(scene);
  ASSERT_EQ(cyls.size(), 50u);
  EXPECT_NEAR(pdbtest::Origin(cyls[0]).y, 0.0, 1e-12);  // the first atom of serial 1
  EXPECT_NE(Log().find("50 atoms repeat the serial"), std::string::npos);
}

// Every CONECT line applies to every model: 2 000 models and 2 000 lines
// would ask for 4 000 000 cylinders. The bonds stay bounded by the file.
TEST_F(PdbBadInput, ManyModelsTimesManyConectLinesStayBounded) {
  std::string text;
  for (int m = 1; m <= 2000; ++m)
    text += "MODEL     " + std::to_string(m) + "\n" + Atom(1, " C  ", m, 0, 0).Text() + "\n" +
            Atom(2, " C  ", m, 1, 0).Text() + "\nENDMDL\n";
  for (int i = 0; i < 2000; ++i) text += Conect({1, 2}) + "\n";
  ASSERT_NE(Read(text), nullptr);
  EXPECT_EQ(pdbtest::Spheres(scene).size(), 4000u);
  const size_t cylinders = pdbtest::Cylinders(scene).size();
  EXPECT_GE(cylinders, 2000u);
  EXPECT_LE(cylinders, 8u * 4000 + 4 * 2000);
  const auto w = pdbtest::LastImportWarnings();
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("the rest are not drawn"), std::string::npos) << w[0];
}

// Inputs the fuzzer found: each reads or fails with a reason.
TEST_F(PdbBadInput, FuzzRegressions) {
  const fs::path folder = KV_PDB_REGRESSIONS_DIR;
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (!e.is_regular_file() || e.path().filename().string()[0] == '.') continue;
    SCOPED_TRACE(e.path().string());
    delete scene;
    scene = pdbtest::Import(e.path().string());
    if (!scene) {
      EXPECT_FALSE(pdbtest::LastImportError().empty());
    }
    ++n;
  }
  EXPECT_GE(n, 1);
}
