// The option record of the VRML export class.
#pragma once
#include <cstdio>
#include <vector>

#include "fileoption.h"
#include "mihandler.h"
#include "specific_options.h"

class VrmlExportOption : public Export_FileOption {
 public:
  int export_global_setting = 1;
  int export_back_ground = 1;
  int export_atmosphere = 1;
  int export_meshes = 1;
  int export_materials = 1;
  int export_cameras = 1;
  int export_lights = 1;
  int use_vrml20 = 1;
  MIHandler image_handler;

  VrmlExportOption();                      // settings-store mode
  VrmlExportOption(int argc, char** argv);  // command-line mode
  ~VrmlExportOption() override;

  // The common options, the flags, then the map conversion options.
  void Print_Options(FILE* fp) override;

  static const char* Get_HelpString();

 private:
  // The flags with their keys, in the order of the listing.
  std::vector<kvpf::IntSetting> Settings();
};
