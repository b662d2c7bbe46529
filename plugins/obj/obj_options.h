// The option records of the Wavefront OBJ import and export classes.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"

#define OBJ_SEARCH_PATH_LEN 4096

// MTL's specular exponent Ns runs from 0 to 1000 and is the phong size times 200.
constexpr double kObjPhongToNs = 200.0;
constexpr double kObjMaxNs = 1000.0;

// Import: the grouping mode and the extra map folders are persisted in
// "Specific Settings"; the weld tolerance starts at -1.0 (no welding) in
// every run.
class ObjImportOption : public Import_FileOption {
 public:
  int obj_mode = 2;
  double weld_tol = -1.0;
  char image_search_path[OBJ_SEARCH_PATH_LEN] = {};

  ObjImportOption();                      // settings-store mode
  ObjImportOption(int argc, char** argv);  // command-line mode
  ~ObjImportOption() override;

  // The common options, then the specific ones.
  void Print_Options(FILE* fp) override;

  static const char* Filter();
};

// Export: no option of its own; the map conversion settings ride along in
// the section "Image_Handler".
class ObjExportOption : public Export_FileOption {
 public:
  MIHandler image_handler;

  ObjExportOption();
  ObjExportOption(int argc, char** argv);
  ~ObjExportOption() override;

  // The common options, then the map conversion settings.
  void Print_Options(FILE* fp) override;

  static const char* Filter();
};
