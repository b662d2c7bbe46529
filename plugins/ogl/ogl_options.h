// The option record of the OpenGL source export class.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"
#include "option_flags.h"

class OglExportOption : public Export_FileOption {
 public:
  int write_scene_name = 1;  // both files are named "scene" instead of the option file name
  MIHandler image_handler;

  OglExportOption();                      // settings-store mode
  OglExportOption(int argc, char** argv);  // command-line mode
  ~OglExportOption() override;

  // The common options, the switch, then the map conversion options.
  void Print_Options(FILE* fp) override;
  kvpf::FlagOption Flag() { return {"write_scene_name", "write_scene_name", "Use Scene Name", &write_scene_name}; }

 private:
  void Init();
};
