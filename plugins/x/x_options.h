// The option records of the DirectX import and export classes.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"

#define X_SEARCH_PATH_LEN 260

// Import: the extra map folders ("image_search_path" in "Specific
// Settings"; command line -image_search_path=STRING).
class XImportOption : public Import_FileOption {
 public:
  char image_search_path[X_SEARCH_PATH_LEN] = {};

  XImportOption();
  XImportOption(int argc, char** argv);
  ~XImportOption() override;

  static const char* Filter();
};

// Export: binary or text, the template declarations and, beyond those,
// compression ("d3x_binary", "d3x_templates", "d3x_compressed"); the map
// conversion settings ride along in "Image_Handler".
class XExportOption : public Export_FileOption {
 public:
  int binary = 0;
  int templates = 0;
  int compressed = 0;
  MIHandler image_handler;

  XExportOption();
  XExportOption(int argc, char** argv);
  ~XExportOption() override;

  // The common options, then the specific ones and the map conversion.
  void Print_Options(FILE* fp) override;

  static const char* Filter();
};
