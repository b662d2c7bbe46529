// The option record of the POV-Ray export class: the scene exporters'
// switches and map options, the dialect and the Moray files.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"
#include "option_flags.h"

class PovExportOption : public Export_FileOption {
 public:
  kvpf::SceneSwitches switches;
  int pov_version = 0;  // 0 POV-Ray 3.7 mesh2, 1 triangle meshes, 2 MegaPov 0.6
  int use_udo = 0;      // the Moray files too
  MIHandler image_handler;

  PovExportOption();                       // settings-store mode
  PovExportOption(int argc, char** argv);  // command-line mode
  ~PovExportOption() override;

  // The common options, the settings in one column, then the map
  // conversion options.
  void Print_Options(FILE* fp) override;
  // The switches and the dialect in listing order, bound to this record.
  static constexpr int kFlagCount = kvpf::SceneSwitches::kCount + 2;
  void Flags(kvpf::FlagOption (&out)[kFlagCount]);

  static const char* Get_HelpString();

 private:
  void Init();
};
