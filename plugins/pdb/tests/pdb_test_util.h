// Shared by the Protein Data Bank tests: the built class, PDB lines made
// column by column, the spheres and cylinders of a scene, and openbabel as
// the other reader.
#pragma once
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"

namespace pdbtest {

int ImportClass();

// Runs the import in command-line mode with these options; null when it
// failed.
MScene* Import(const std::string& path, const std::vector<std::string>& options = {});
std::string LastImportError();
std::vector<std::string> LastImportWarnings();

// An ATOM or HETATM line with its fields in their columns. name is the
// four columns 13-16 as they stand (" CA "), serial the five columns 7-11.
struct AtomLine {
  std::string record = "ATOM";
  std::string serial;
  std::string name = " C  ";
  char alt_loc = ' ';
  std::string res_name = "GLY";
  char chain = 'A';
  int res_seq = 1;
  double x = 0, y = 0, z = 0;
  std::string element;  // columns 77-78, empty: the line ends at column 66
  std::string Text() const;
};
AtomLine Atom(int serial, const char* name, double x, double y, double z, const char* element = "");
// "CONECT" with the serial and partners in their five columns each.
std::string Conect(const std::vector<std::string>& serials);
std::string Conect(const std::vector<int>& serials);

std::vector<MSphere*> Spheres(MScene* scene);
std::vector<MCylinder*> Cylinders(MScene* scene);
// Where a solid's local matrix puts its origin.
MVector3 Origin(MObj3d* o);
// The far end of a cylinder: origin + length along its +Z.
MVector3 FarEnd(MCylinder* c);
std::string SurfaceOf(MObj3d* o);

// ---- openbabel -------------------------------------------------------------

bool HaveOpenbabel();
struct BabelMolecule {
  std::vector<MVector3> atoms;                 // in file order
  std::vector<std::pair<int, int>> bonds;  // 0-based atom indices, from the CONECT records only
};
// What "obabel -ipdb F -omol2 -ab" reads from a file (its first molecule).
BabelMolecule BabelRead(const std::string& path);
// "obabel -ipdb F -otxt --append atoms" (or bonds with -ab), -1 when it cannot run.
long BabelCount(const std::string& path, const char* what);

}  // namespace pdbtest
