// The option record of the Protein Data Bank import class.
#pragma once
#include <cstdio>

#include "fileoption.h"

// Persisted in "Specific Settings": what is made (spheres, cylinders), the
// sizes, and three choices over what is drawn: each bond once, only the
// first alternate location of an atom, only the first model.
class PdbImportOption : public Import_FileOption {
 public:
  int create_atoms = 1;
  int create_connections = 1;
  double structur_size = 0.25;   // factor for every radius
  double connection_size = 0.5;  // cylinder radius before the factor
  int equal_size = 0;            // every radius 0.5 before the factor
  int distinct_bonds = 0;        // one cylinder per bond, however often it is listed
  int first_altloc = 0;          // of an atom's alternate locations only the first
  int first_model = 0;           // only the atoms of the first MODEL

  PdbImportOption();                      // settings-store mode
  PdbImportOption(int argc, char** argv);  // command-line mode
  ~PdbImportOption() override;

  // The common options, then the specific ones.
  void Print_Options(FILE* fp) override;

  static const char* Filter();
};
