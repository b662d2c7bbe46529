// The option records of the LightWave import and export classes.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"
#include "plugin_ui.h"

#define LWO_PATH_LEN 4096

// Import: the LightWave content folder (relative object paths of a scene
// are resolved against it) and extra map folders, both persisted in
// "Specific Settings".
class LwoImportOption : public Import_FileOption {
 public:
  char content_dir[LWO_PATH_LEN + 1] = "c:\\NewTek\\";
  char image_search_path[LWO_PATH_LEN + 1] = "";

  LwoImportOption();                      // settings-store mode
  LwoImportOption(int argc, char** argv);  // command-line mode
  ~LwoImportOption() override;

  // The common options, then the content folder.
  void Print_Options(FILE* fp) override;
  int Fields(KvOptionField* out, int max);

  static const char* Filter();
  static const char* Help();
};

// Export: where the object files go, which generation they are written in,
// and the map conversion settings (section "Image_Handler").
class LwoExportOption : public Export_FileOption {
 public:
  int use_homepath = 0;
  int lwo_version = 0;  // 0: LightWave 5.6 (LWOB), 1: LightWave 6.x (LWO2)
  char content_dir[LWO_PATH_LEN + 1] = "c:\\NewTek\\";
  MIHandler image_handler;

  LwoExportOption();
  LwoExportOption(int argc, char** argv);
  ~LwoExportOption() override;

  void Print_Options(FILE* fp) override;
  int Fields(KvOptionField* out, int max);

  static const char* Filter();
  static const char* Help();
};
