// Options of the 3D Studio import.
#pragma once
#include <cstdio>

#include "korvanelib.h"
#include "plugin_ui.h"

#define IMP3DS_SEARCH_PATH_LEN 4096

class Import3dsOption : public Import_FileOption {
 public:
  int global_setting = 1;
  int back_ground = 1;
  int atmosphere = 1;
  int meshes = 1;
  int materials = 1;
  int cameras = 1;
  int activate_camera = 0;
  int lights = 1;
  char image_search_path[IMP3DS_SEARCH_PATH_LEN + 1] = "";

  Import3dsOption();                         // from the settings store
  Import3dsOption(int argc, char** argv);    // from a command line
  ~Import3dsOption() override;

  void PrintSpecific(FILE* fp);
  // The dialog's own fields; at most max written.
  int Fields(KvOptionField* out, int max);

  static const char* Filter();
  static const char* Help();
};
