// The option records of the Quake import class and the MD2 export class.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"

#define MDL_PATH_LEN 4096

// Import. Persisted in "Specific Settings": the image search path (the
// store gives back at most 254 characters), whether MDL skins are written as
// TGA files, whether such a file that exists already is replaced, and the
// folder they go to (empty: beside the model). The frame to read starts at
// 0 in every run.
class MdlImportOption : public Import_FileOption {
 public:
  char image_search_path[MDL_PATH_LEN] = {};
  char skin_path[MDL_PATH_LEN] = {};
  int write_skins = 1;
  int overwrite_skins = 0;
  int frame = 0;

  MdlImportOption();                      // settings-store mode
  MdlImportOption(int argc, char** argv);  // command-line mode
  ~MdlImportOption() override;

  // The common options, then the specific ones.
  void Print_Options(FILE* fp) override;

  static const char* Filter();
};

// Export: the map conversion settings, in the section "Image_Handler".
class Md2ExportOption : public Export_FileOption {
 public:
  MIHandler image_handler;

  Md2ExportOption();
  Md2ExportOption(int argc, char** argv);
  ~Md2ExportOption() override;

  static const char* Filter();
};
