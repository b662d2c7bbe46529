// The option record of the RenderMan export class.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"
#include "option_flags.h"

class RibExportOption : public Export_FileOption {
 public:
  kvpf::SceneSwitches switches;  // materials: a progress step only, surfaces go with their meshes
  int bmrt_compatible = 1;  // no MakeTexture, shadow attributes on lights, maps keep their extension
  int std_shader = 1;       // the standard shaders, else the program's own
  MIHandler image_handler;

  RibExportOption();                      // settings-store mode
  RibExportOption(int argc, char** argv);  // command-line mode
  ~RibExportOption() override;

  // The common options, the switches, then the map conversion options.
  void Print_Options(FILE* fp) override;
  // The switches in listing order, bound to this record.
  static constexpr int kFlagCount = kvpf::SceneSwitches::kCount + 2;
  void Flags(kvpf::FlagOption (&out)[kFlagCount]);

 private:
  void Init();
};
