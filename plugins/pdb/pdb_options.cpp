#include "pdb_options.h"

#include <cmath>

#include "cmdline.h"
#include "profile.h"

namespace {
char kKey[] = "import_pdb";
char kLog[] = "importpdb.log";
char kSpecific[] = "Specific Settings";

struct FlagKey {
  const char* key;
  int PdbImportOption::*field;
};
constexpr FlagKey kFlags[] = {
    {"create_atoms", &PdbImportOption::create_atoms},
    {"create_connections", &PdbImportOption::create_connections},
    {"equal_size", &PdbImportOption::equal_size},
    {"pdb_distinct_bonds", &PdbImportOption::distinct_bonds},
    {"pdb_first_altloc", &PdbImportOption::first_altloc},
    {"pdb_first_model", &PdbImportOption::first_model},
};

struct SizeKey {
  const char* key;
  double PdbImportOption::*field;
};
constexpr SizeKey kSizes[] = {
    {"structur_size", &PdbImportOption::structur_size},
    {"connection_size", &PdbImportOption::connection_size},
};

// A size that is not a finite number keeps the value it replaces.
void StoreSize(double v, double* field) {
  if (std::isfinite(v)) *field = v;
}
}  // namespace

const char* PdbImportOption::Filter() {
  return "Protein Data Bank     (*.pdb)|*.pdb|All Files                 (*.*)|*.*||";
}

PdbImportOption::PdbImportOption() : Import_FileOption(kKey, kLog) {
  Set_Filter(Filter());
  Profile store(kKey);
  for (const FlagKey& f : kFlags) {
    unsigned long v = static_cast<unsigned long>(this->*f.field);
    if (store.GetInt(kSpecific, f.key, this->*f.field, &v)) this->*f.field = v != 0;
  }
  for (const SizeKey& s : kSizes) {
    double v = this->*s.field;
    if (store.GetDouble(kSpecific, s.key, this->*s.field, &v)) StoreSize(v, &(this->*s.field));
  }
}

PdbImportOption::PdbImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kLog) {
  Set_Filter(Filter());
  for (const FlagKey& f : kFlags) {
    int v = this->*f.field;
    if (m_get_cmdl_int(argc, argv, f.key, this->*f.field, &v)) this->*f.field = v != 0;
  }
  for (const SizeKey& s : kSizes) {
    double v = this->*s.field;
    if (m_get_cmdl_double(argc, argv, s.key, this->*s.field, &v)) StoreSize(v, &(this->*s.field));
  }
}

PdbImportOption::~PdbImportOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kKey);
  for (const FlagKey& f : kFlags) store.WriteInt(kSpecific, f.key, static_cast<unsigned long>(this->*f.field));
  for (const SizeKey& s : kSizes) store.WriteDouble(kSpecific, s.key, this->*s.field);
}

void PdbImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  std::fprintf(fp, "\t create_atoms: %d\n", create_atoms);
  std::fprintf(fp, "\t create_connections: %d\n", create_connections);
  std::fprintf(fp, "\t structur_size: %.3lf\n", structur_size);
  std::fprintf(fp, "\t connection_size: %.3lf\n", connection_size);
  std::fprintf(fp, "\t equal_size: %d\n", equal_size);
  std::fprintf(fp, "\t pdb_distinct_bonds: %d\n", distinct_bonds);
  std::fprintf(fp, "\t pdb_first_altloc: %d\n", first_altloc);
  std::fprintf(fp, "\t pdb_first_model: %d\n", first_model);
}
