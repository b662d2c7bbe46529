// The option record of the POV-Ray export class.
#pragma once
#include <cstdio>
#include <vector>

#include "fileoption.h"
#include "mihandler.h"
#include "specific_options.h"

class PovExportOption : public Export_FileOption {
 public:
  int export_global_setting = 1;
  int export_back_ground = 1;
  int export_atmosphere = 1;
  int export_meshes = 1;
  int export_materials = 1;
  int export_cameras = 1;
  int export_lights = 1;
  int pov_version = 0;  // 0 POV-Ray 3.7 mesh2, 1 triangle meshes, 2 MegaPov 0.6
  int use_udo = 0;      // the Moray files too
  MIHandler image_handler;

  PovExportOption();                      // settings-store mode
  PovExportOption(int argc, char** argv);  // command-line mode
  ~PovExportOption() override;

  // The common options, the specific ones, then the map conversion options.
  void Print_Options(FILE* fp) override;

  static const char* Get_HelpString();

 private:
  std::vector<kvpf::IntSetting> Settings();
};
