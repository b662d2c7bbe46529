// Protein Data Bank import through the built plug-in: real files against
// openbabel, the atom classes, the CONECT bonds and the options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "pdb_format.h"
#include "pdb_test_util.h"

using pdbtest::Atom;
using pdbtest::Conect;
using pdbtest::Cylinders;
using pdbtest::Spheres;

namespace fs = std::filesystem;

namespace {

class PdbImport : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(pdbtest::ImportClass(), 0) << "import_pdb.so not found in " << kvtest::bin_dir(); }
  void TearDown() override { delete scene; }
  MScene* Read(const std::vector<std::string>& lines, std::vector<std::string> options = {}) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    kvtest::write_file(dir.file("in.pdb"), text);
    return ReadFile(dir.file("in.pdb"), options);
  }
  MScene* ReadFile(const std::string& path, std::vector<std::string> options = {}) {
    delete scene;
    scene = pdbtest::Import(path, options);
    return scene;
  }
  std::string Log() { return kvtest::read_file(dir.file("importpdb.log")); }
  kvtest::TempDir dir;
  MScene* scene = nullptr;
};

bool Near(const MVector3& a, const MVector3& b, double tol = 1e-6) {
  return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol;
}

// Whether some cylinder joins the two points (either way round).
bool Joined(const std::vector<MCylinder*>& cyls, const MVector3& a, const MVector3& b) {
  for (MCylinder* c : cyls) {
    const MVector3 p = pdbtest::Origin(c), q = pdbtest::FarEnd(c);
    if ((Near(p, a, 1e-4) && Near(q, b, 1e-4)) || (Near(p, b, 1e-4) && Near(q, a, 1e-4))) return true;
  }
  return false;
}

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> out;
  const fs::path folder = kvtest::corpus_dir() / "pdb";
  if (!fs::exists(folder)) return out;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".pdb") out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

// Figures of Debian's openbabel 3.1 ("obabel -otxt --append atoms", and
// "-ab --append bonds" for the CONECT bonds). openbabel keeps a CONECT bond
// only when the atom of lower serial lists it: odd01 lists 1313-1314 from
// 1314 alone, so it has one bond there and two here.
TEST_F(PdbImport, CorpusCountsMatchOpenbabel) {
  KV_REQUIRE_CORPUS();
  struct Expect {
    const char* file;
    size_t atoms, babel_bonds, bonds, listed_bonds;
  };
  const Expect files[] = {
      {"pdb/1hpv.pdb", 1631, 37, 37, 74}, {"pdb/odd01.pdb", 18, 1, 2, 5}, {"pdb/pept.pdb", 107, 0, 0, 0},
      {"pdb/tiny.pdb", 37, 9, 9, 22},      {"pdb/water.pdb", 648, 0, 0, 0},
  };
  for (const Expect& e : files) {
    SCOPED_TRACE(e.file);
    ASSERT_NE(ReadFile(kvtest::corpus_file(e.file), {"-pdb_distinct_bonds=1"}), nullptr) << pdbtest::LastImportError();
    EXPECT_EQ(Spheres(scene).size(), e.atoms);
    EXPECT_EQ(Cylinders(scene).size(), e.bonds);
    ASSERT_NE(ReadFile(kvtest::corpus_file(e.file)), nullptr);
    EXPECT_EQ(Cylinders(scene).size(), e.listed_bonds);  // every listing drawn
    if (pdbtest::HaveOpenbabel()) {
      EXPECT_EQ(pdbtest::BabelCount(kvtest::corpus_file(e.file), "atoms"), static_cast<long>(e.atoms));
      EXPECT_EQ(pdbtest::BabelCount(kvtest::corpus_file(e.file), "bonds"), static_cast<long>(e.babel_bonds));
    }
  }
}

// Every PDB file of the corpus folder, held-back ones included, against
// openbabel run now: the same atoms at the same places in the same order,
// and every bond openbabel takes from CONECT joins the same two atoms here.
// In 1hpv the TER records use up serials: by list position every cylinder
// would miss.
TEST_F(PdbImport, EveryCorpusFileHasOpenbabelsAtomsAndBonds) {
  KV_REQUIRE_CORPUS();
  if (!pdbtest::HaveOpenbabel()) GTEST_SKIP() << "openbabel not installed";
  int compared = 0;
  for (const fs::path& p : CorpusFiles()) {
    SCOPED_TRACE(p.string());
    ASSERT_NE(ReadFile(p.string(), {"-pdb_distinct_bonds=1"}), nullptr) << pdbtest::LastImportError();
    const pdbtest::BabelMolecule babel = pdbtest::BabelRead(p.string());
    const auto spheres = Spheres(scene);
    ASSERT_EQ(spheres.size(), babel.atoms.size());
    for (size_t i = 0; i < spheres.size(); ++i)
      ASSERT_TRUE(Near(pdbtest::Origin(spheres[i]), babel.atoms[i], 1e-4)) << "atom " << i;
    const auto cyls = Cylinders(scene);
    EXPECT_GE(cyls.size(), babel.bonds.size());
    for (const auto& [a, b] : babel.bonds)
      EXPECT_TRUE(Joined(cyls, babel.atoms[static_cast<size_t>(a)], babel.atoms[static_cast<size_t>(b)]))
          << "bond " << a << "-" << b;
    ++compared;
  }
  EXPECT_GE(compared, 5);
}

TEST_F(PdbImport, SpheresSitAtTheCoordinatesWithTheirClass) {
  KV_REQUIRE_CORPUS();
  ASSERT_NE(ReadFile(kvtest::corpus_file("pdb/1hpv.pdb")), nullptr);
  const auto spheres = Spheres(scene);
  ASSERT_EQ(spheres.size(), 1631u);
  // Its element columns hold " 1" (the old line numbers): the names decide.
  EXPECT_STREQ(spheres[0]->get_name(), "A0_N_1");
  EXPECT_TRUE(Near(pdbtest::Origin(spheres[0]), MVector3(13.120, 39.003, 5.159))) << pdbtest::Origin(spheres[0]).x;
  EXPECT_EQ(pdbtest::SurfaceOf(spheres[0]), "mat_N");
  EXPECT_DOUBLE_EQ(spheres[0]->radius, 1.5 * 0.25);
  EXPECT_STREQ(spheres.back()->get_name(), "H1630_O_280");
  EXPECT_TRUE(Near(pdbtest::Origin(spheres.back()), MVector3(0.093, 25.836, -13.132)));
  EXPECT_EQ(pdbtest::SurfaceOf(spheres.back()), "mat_O");
}

TEST_F(PdbImport, ClassesByNameThenElementThenSearch) {
  struct Case {
    const char* name;
    const char* element;
    const char* surface;
    double radius;
  };
  const Case cases[] = {
      {" CA ", "C", "mat_CA", 1.7},    {" OXT", "O", "mat_OXT", 1.4}, {" CH2", "C", "mat_CH2", 1.7},
      {" HN ", "H", "mat_H", 1.1},     {" HN ", "", "mat_H", 1.1},    {" O1P", "O", "mat_O", 1.4},
      {" O1P", "", "mat_O", 1.4},      {"Na+ ", "", "mat_other", 1.0}, {"Cl- ", "", "mat_other", 1.0},
      {"NA  ", "NA", "mat_other", 1.0}, {"CL  ", "CL", "mat_other", 1.0}, {"FE  ", "", "mat_other", 1.0},
      {"FE  ", "FE", "mat_other", 1.0}, {"ZN  ", "Zn", "mat_other", 1.0}, {" SG ", "S", "mat_S", 1.85},
      {"1HB ", "", "mat_H", 1.1},      {"CA  ", "CA", "mat_CA", 1.7}, {"C1' ", "", "mat_C", 1.7},
      {"XYZ ", "O", "mat_O", 1.4},     {" LMN", "", "mat_other", 1.0}, {" PE ", "18", "mat_P", 1.9},
  };
  std::vector<std::string> lines;
  int serial = 1;
  for (const Case& c : cases) {
    lines.push_back(Atom(serial, c.name, serial, 0, 0, c.element).Text());
    ++serial;
  }
  ASSERT_NE(Read(lines), nullptr) << pdbtest::LastImportError();
  const auto spheres = Spheres(scene);
  ASSERT_EQ(spheres.size(), std::size(cases));
  for (size_t i = 0; i < spheres.size(); ++i) {
    SCOPED_TRACE(std::string("'") + cases[i].name + "' element '" + cases[i].element + "'");
    EXPECT_EQ(pdbtest::SurfaceOf(spheres[i]), cases[i].surface);
    EXPECT_DOUBLE_EQ(spheres[i]->radius, cases[i].radius * 0.25);
    EXPECT_NE(scene->GetMaterialbyName(pdbtest::SurfaceOf(spheres[i]).c_str()), nullptr);
  }
}

TEST_F(PdbImport, ClassSurfacesInTableOrderWithTheirColours) {
  ASSERT_NE(Read({Atom(1, " CA ", 0, 0, 0).Text()}), nullptr);
  ASSERT_EQ(scene->surfaces->count, 2 + pdb::kClassCount);
  EXPECT_STREQ(static_cast<MSurface*>(scene->surfaces->GetAt(0))->name, "DEFAULT");
  for (int i = 0; i < pdb::kClassCount; ++i) {
    const MSurface* s = static_cast<MSurface*>(scene->surfaces->GetAt(i + 1));
    EXPECT_EQ(std::string(s->name), std::string("mat_") + pdb::kClasses[i].name);
    EXPECT_DOUBLE_EQ(s->color.diffuse.r, pdb::kClasses[i].r);
    EXPECT_DOUBLE_EQ(s->color.diffuse.g, pdb::kClasses[i].g);
    EXPECT_DOUBLE_EQ(s->color.diffuse.b, pdb::kClasses[i].b);
    EXPECT_DOUBLE_EQ(s->color.diffuse_intensity, 0.4);
  }
  EXPECT_STREQ(static_cast<MSurface*>(scene->surfaces->GetAt(1 + pdb::kClassCount))->name, "mat_other");
  EXPECT_STREQ(pdb::kClasses[0].name, "X");
  EXPECT_STREQ(pdb::kClasses[pdb::kClassCount - 1].name, "C");
}

TEST_F(PdbImport, SizeOptions) {
  const std::vector<std::string> file = {Atom(1, " CA ", 0, 0, 0).Text(), Atom(2, " N  ", 1, 0, 0).Text(),
                                         Conect({1, 2})};
  ASSERT_NE(Read(file, {"-equal_size=1"}), nullptr);
  EXPECT_DOUBLE_EQ(Spheres(scene)[0]->radius, 0.125);
  EXPECT_DOUBLE_EQ(Cylinders(scene)[0]->radius, 0.125);
  ASSERT_NE(Read(file, {"-structur_size=1", "-connection_size=0.3"}), nullptr);
  EXPECT_DOUBLE_EQ(Spheres(scene)[0]->radius, 1.7);
  EXPECT_DOUBLE_EQ(Spheres(scene)[1]->radius, 1.5);
  EXPECT_DOUBLE_EQ(Cylinders(scene)[0]->radius, 0.3);
  EXPECT_EQ(pdbtest::SurfaceOf(Cylinders(scene)[0]), "DEFAULT");
  ASSERT_NE(Read(file, {"-create_atoms=0"}), nullptr);
  EXPECT_EQ(Spheres(scene).size(), 0u);
  EXPECT_EQ(Cylinders(scene).size(), 1u);
  ASSERT_NE(Read(file, {"-create_connections=0"}), nullptr);
  EXPECT_EQ(Spheres(scene).size(), 2u);
  EXPECT_EQ(Cylinders(scene).size(), 0u);
}

// CONECT names atoms by serial: serials from 10 with a gap that a TER
// record leaves.
TEST_F(PdbImport, BondsJoinTheAtomsTheirSerialsName) {
  ASSERT_NE(Read({Atom(10, " N  ", 0, 0, 0).Text(), Atom(11, " CA ", 1, 0, 0).Text(), "TER      12      GLY A   1",
                  Atom(13, " C  ", 1, 1, 0).Text(), Atom(14, " O  ", 1, 1, 1).Text(), Conect({10, 11, 13, 13}),
                  Conect({14, 13})},
                 {"-iv=1"}),
            nullptr);
  const auto cyls = Cylinders(scene);
  ASSERT_EQ(cyls.size(), 3u);  // the repeated 13 makes no cylinder
  EXPECT_TRUE(Joined(cyls, MVector3(0, 0, 0), MVector3(1, 0, 0)));
  EXPECT_TRUE(Joined(cyls, MVector3(0, 0, 0), MVector3(1, 1, 0)));
  EXPECT_TRUE(Joined(cyls, MVector3(1, 1, 1), MVector3(1, 1, 0)));
  EXPECT_STREQ(cyls[0]->get_name(), "C0_0");
  EXPECT_STREQ(cyls[1]->get_name(), "C0_1");
  EXPECT_STREQ(cyls[2]->get_name(), "C1_0");
  EXPECT_NEAR(cyls[2]->length, 1.0, 1e-12);
  const std::string log = Log();
  for (const char* want : {"4 ATOMS/HETATM scanned\n", "2 Conects scanned\n", "0 Connect 10 11\n", "0 Connect 10 13\n",
                           "1 Connect 14 13\n", "\t create_atoms: 1\n", "\t structur_size: 0.250\n",
                           "\t pdb_distinct_bonds: 0\n", "Postprocessing ...        \n"})
    EXPECT_NE(log.find(want), std::string::npos) << want;
}

TEST_F(PdbImport, RepeatedBondsAreExtraCylindersUnlessDistinct) {
  const std::vector<std::string> file = {Atom(1, " C  ", 0, 0, 0).Text(), Atom(2, " C  ", 1, 0, 0).Text(),
                                         Atom(3, " C  ", 2, 0, 0).Text(), Conect({1, 2}), Conect({2, 1, 3}),
                                         Conect({2, 3}), Conect({3, 2})};
  ASSERT_NE(Read(file, {"-iv=1"}), nullptr);
  EXPECT_EQ(Cylinders(scene).size(), 5u);
  EXPECT_NE(Log().find("3 bonds are listed again"), std::string::npos) << Log();
  ASSERT_NE(Read(file, {"-pdb_distinct_bonds=1"}), nullptr);
  const auto cyls = Cylinders(scene);
  ASSERT_EQ(cyls.size(), 2u);
  EXPECT_STREQ(cyls[0]->get_name(), "C0_0");
  EXPECT_STREQ(cyls[1]->get_name(), "C1_1");
}

TEST_F(PdbImport, AlternateLocationsAllOrTheFirst) {
  auto alt = [](int serial, const char* name, char loc, int res, double x) {
    auto a = Atom(serial, name, x, 0, 0);
    a.alt_loc = loc;
    a.res_seq = res;
    return a.Text();
  };
  const std::vector<std::string> file = {alt(1, " N  ", ' ', 1, 0), alt(2, " CA ", 'A', 1, 1), alt(3, " CA ", 'B', 1, 1.1),
                                         alt(4, " CB ", 'A', 1, 2), alt(5, " CB ", 'B', 1, 2.1), alt(6, " N  ", 'B', 2, 3),
                                         Conect({1, 2, 3}), Conect({5, 3})};
  ASSERT_NE(Read(file), nullptr);
  EXPECT_EQ(Spheres(scene).size(), 6u);
  EXPECT_EQ(Cylinders(scene).size(), 3u);
  ASSERT_NE(Read(file, {"-pdb_first_altloc=1", "-iv=1"}), nullptr);
  const auto spheres = Spheres(scene);
  ASSERT_EQ(spheres.size(), 4u);  // residue 2 has B alone: it is its first
  EXPECT_NEAR(pdbtest::Origin(spheres[1]).x, 1.0, 1e-9);
  EXPECT_NEAR(pdbtest::Origin(spheres[2]).x, 2.0, 1e-9);
  EXPECT_NEAR(pdbtest::Origin(spheres[3]).x, 3.0, 1e-9);
  EXPECT_EQ(Cylinders(scene).size(), 1u);  // 1-2; 3 and 5 are left out
  EXPECT_NE(Log().find("2 atoms left out"), std::string::npos);
}

TEST_F(PdbImport, EveryModelOrTheFirst) {
  const std::vector<std::string> file = {"MODEL        1", Atom(1, " N  ", 0, 0, 0).Text(), Atom(2, " CA ", 1, 0, 0).Text(),
                                         "ENDMDL", "MODEL        2", Atom(1, " N  ", 0, 5, 0).Text(),
                                         Atom(2, " CA ", 1, 5, 0).Text(), "ENDMDL", Conect({1, 2})};
  ASSERT_NE(Read(file), nullptr);
  EXPECT_EQ(Spheres(scene).size(), 4u);
  auto cyls = Cylinders(scene);
  ASSERT_EQ(cyls.size(), 2u);  // the bond in each model
  EXPECT_TRUE(Joined(cyls, MVector3(0, 5, 0), MVector3(1, 5, 0)));
  EXPECT_STREQ(cyls[1]->get_name(), "C0_0_1");
  ASSERT_NE(Read(file, {"-pdb_first_model=1"}), nullptr);
  EXPECT_EQ(Spheres(scene).size(), 2u);
  cyls = Cylinders(scene);
  ASSERT_EQ(cyls.size(), 1u);
  EXPECT_TRUE(Joined(cyls, MVector3(0, 0, 0), MVector3(1, 0, 0)));
}

// Past 99 999 serials go on in hybrid-36: A0000 is 100 000.
TEST_F(PdbImport, Hybrid36Serials) {
  auto at = [](const char* serial, double x) {
    auto a = Atom(0, " C  ", x, 0, 0);
    a.serial = serial;
    return a.Text();
  };
  ASSERT_NE(Read({at("99999", 0), at("A0000", 1), at("A0001", 2), at("zzzzz", 3),
                  Conect(std::vector<std::string>{"99999", "A0000"}), Conect(std::vector<std::string>{"A0001", "zzzzz"})}),
            nullptr);
  const auto cyls = Cylinders(scene);
  ASSERT_EQ(cyls.size(), 2u);
  EXPECT_TRUE(Joined(cyls, MVector3(0, 0, 0), MVector3(1, 0, 0)));
  EXPECT_TRUE(Joined(cyls, MVector3(2, 0, 0), MVector3(3, 0, 0)));
}

TEST_F(PdbImport, KnownToKorvaneCli) {
  KV_REQUIRE_CORPUS();
  const std::string out = kvtest::command_output((kvtest::bin_dir() / "korvane-cli").string() + " info '" +
                                                 kvtest::corpus_file("pdb/tiny.pdb") + "' 2>&1");
  EXPECT_NE(out.find("objects: 59"), std::string::npos) << out;
  EXPECT_NE(out.find("materials: 42"), std::string::npos) << out;
}
