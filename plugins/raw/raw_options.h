// The option records of the RAW import and export classes.
#pragma once
#include "fileoption.h"

// Import: no setting of its own is persisted; the weld tolerance comes from
// the options dialog or the command line (-weld_tol=VALUE) and starts at -1.0
// (no welding) in every run.
class RawImportOption : public Import_FileOption {
 public:
  double weld_tol = -1.0;

  RawImportOption();                      // settings-store mode
  RawImportOption(int argc, char** argv);  // command-line mode

  static const char* Filter();
  static const char* Get_HelpString();
};

// Export: the smoothed flag, persisted as "raw_smoothed" in "Specific
// Settings" (command line: -raw_smoothed=FLAG).
class RawExportOption : public Export_FileOption {
 public:
  int smoothed = 0;

  RawExportOption();
  RawExportOption(int argc, char** argv);
  ~RawExportOption() override;

  // The common options, then the specific ones.
  void Print_Options(FILE* fp) override;

  static const char* Filter();
  static const char* Get_HelpString();
};
