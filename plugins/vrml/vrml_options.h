// The option record of the VRML export class: the scene exporters'
// switches and map options, and the choice of VRML 2.0 or 1.0.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"
#include "option_flags.h"

class VrmlExportOption : public Export_FileOption {
 public:
  kvpf::SceneSwitches switches;
  int use_vrml20 = 1;
  MIHandler image_handler;

  VrmlExportOption();                       // settings-store mode
  VrmlExportOption(int argc, char** argv);  // command-line mode
  ~VrmlExportOption() override;

  // The common options, the switches, then the map conversion options.
  void Print_Options(FILE* fp) override;
  // The switches in listing order, bound to this record.
  static constexpr int kFlagCount = kvpf::SceneSwitches::kCount + 1;
  void Flags(kvpf::FlagOption (&out)[kFlagCount]);

  static const char* Get_HelpString();

 private:
  void Init();
};
