// The option record of the Lightflow export class.
#pragma once
#include <cstdio>

#include "fileoption.h"
#include "mihandler.h"
#include "option_flags.h"

class LightflowExportOption : public Export_FileOption {
 public:
  // global_setting: the ambient light; back_ground and atmosphere: nothing
  // to write yet; cameras: the camera, the image saver and the render call.
  kvpf::SceneSwitches switches;
  MIHandler image_handler;

  LightflowExportOption();                      // settings-store mode
  LightflowExportOption(int argc, char** argv);  // command-line mode
  ~LightflowExportOption() override;

  // The common options, then one line per switch.
  void Print_Options(FILE* fp) override;
  static constexpr int kFlagCount = kvpf::SceneSwitches::kCount;
  void Flags(kvpf::FlagOption (&out)[kFlagCount]) { switches.Describe(out); }

 private:
  void Init();
};
