// The option record of the Lightflow export class.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"
#include "option_flags.h"

class LightflowExportOption : public Export_FileOption {
 public:
  int export_global_setting = 1;  // the ambient light
  int export_back_ground = 1;     // nothing to write yet
  int export_atmosphere = 1;      // nothing to write yet
  int export_meshes = 1;
  int export_materials = 1;
  int export_cameras = 1;  // the camera, the image saver and the render call
  int export_lights = 1;
  MIHandler image_handler;

  LightflowExportOption();                      // settings-store mode
  LightflowExportOption(int argc, char** argv);  // command-line mode
  ~LightflowExportOption() override;

  // The common options, then one line per switch.
  void Print_Options(FILE* fp) override;
  static constexpr int kFlagCount = 7;
  void Flags(kvpf::FlagOption (&out)[kFlagCount]);

 private:
  void Init();
};
