// The option records of the PLY import and export classes.
#pragma once
#include <cstdio>
#include <vector>

#include "fileoption.h"
#include "option_keys.h"

// Import: nothing of its own.
class PlyImportOption : public Import_FileOption {
 public:
  PlyImportOption();
  PlyImportOption(int argc, char** argv);
  ~PlyImportOption() override;

  void Print_Options(FILE* fp) override;
  std::vector<kvpf::OptionKey> Keys();

  static const char* Filter();
  static const char* Help();
};

// Export. Persisted in "Specific Settings": the data format, 0 ASCII,
// 1 binary little endian (the default), 2 binary big endian.
class PlyExportOption : public Export_FileOption {
 public:
  int format = 1;

  PlyExportOption();
  PlyExportOption(int argc, char** argv);
  ~PlyExportOption() override;

  void Print_Options(FILE* fp) override;
  std::vector<kvpf::OptionKey> Keys();

  static const char* Filter();
  static const char* Help();
};
