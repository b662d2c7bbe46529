// What the reading and the building of the Protein Data Bank import share:
// the records kept from the file, and the two steps.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format_run.h"
#include "korvanelib.h"
#include "pdb_format.h"
#include "pdb_options.h"

namespace pdb {

struct Atom {
  char record;  // 'A' (ATOM) or 'H' (HETATM)
  char name[kMaxText + 1];
  char alt_loc;  // ' ' for none
  int serial;
  int res_seq;
  int model;  // 0 for the first MODEL, or when the file has none
  int atom_class;  // index in kClasses, -1 for none
  MVector3 position;
  long line;
};

struct Connection {
  int serial;
  int partners[kPartners];
  long line;
};

struct Molecule {
  std::vector<Atom> atoms;
  std::vector<Connection> connections;
  int models = 1;            // how many models the atoms belong to
  long cut_lines = 0;        // lines longer than kMaxLine
  long left_out_atoms = 0;   // by the altLoc or MODEL options
};

// Field access by columns on one line of `length` characters: columns past
// the end are empty.
struct RecordLine {
  const char* text;
  size_t length;
  // The columns as they stand (may be shorter than the range, or empty).
  const char* Raw(Columns c, size_t* n) const;
  // The columns without blanks, at most kMaxText characters.
  void Text(Columns c, char (&out)[kMaxText + 1]) const;
  // Decimal, or hybrid-36 when the digits fill the columns (serials past
  // 99 999 and residue numbers past 9 999); 0 when it does not parse.
  int Integer(Columns c) const;
  // 0 when it does not parse or is not finite.
  double Real(Columns c) const;
};

// Hybrid-36 value of exactly `width` characters, or false.
bool DecodeHybrid36(const char* s, int width, int* out);

// Reads every ATOM, HETATM and CONECT record; false (the run failed) when
// the file is no PDB file.
bool ReadMolecule(kvpf::ImportRun& run, const PdbImportOption& o, FILE* f, Molecule* mol);

// Appends the class surfaces, then the spheres and cylinders.
void AppendSurfaces(MScene* scene);
void BuildAtoms(kvpf::ImportRun& run, const PdbImportOption& o, const Molecule& mol, MScene* scene);
void BuildBonds(kvpf::ImportRun& run, const PdbImportOption& o, const Molecule& mol, MScene* scene);

// The name a scene gives the file in its messages.
constexpr const char* kFileLabel = "PDB file";

}  // namespace pdb
