// The option records of the STL import and export classes.
#pragma once
#include <cstdio>
#include <vector>

#include "fileoption.h"
#include "option_keys.h"

// Import. Persisted in "Specific Settings": the weld tolerance (0: corners
// of equal coordinates become one vertex; below 0: every triangle keeps
// its own three corners).
class StlImportOption : public Import_FileOption {
 public:
  double weld_tol = 0.0;

  StlImportOption();
  StlImportOption(int argc, char** argv);
  ~StlImportOption() override;

  void Print_Options(FILE* fp) override;
  std::vector<kvpf::OptionKey> Keys();

  static const char* Filter();
  static const char* Help();
};

// Export. Persisted: binary (the default) or ASCII.
class StlExportOption : public Export_FileOption {
 public:
  int binary = 1;

  StlExportOption();
  StlExportOption(int argc, char** argv);
  ~StlExportOption() override;

  void Print_Options(FILE* fp) override;
  std::vector<kvpf::OptionKey> Keys();

  static const char* Filter();
  static const char* Help();
};
