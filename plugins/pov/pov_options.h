// The option record of the POV-Ray export class: the scene exporters' flags
// and map options, the dialect and the Moray files.
#pragma once
#include "scene_export_options.h"

class PovExportOption : public kvpf::SceneExportOption {
 public:
  int pov_version = 0;  // 0 POV-Ray 3.7 mesh2, 1 triangle meshes, 2 MegaPov 0.6
  int use_udo = 0;      // the Moray files too

  PovExportOption();                       // settings-store mode
  PovExportOption(int argc, char** argv);  // command-line mode
  ~PovExportOption() override;

  static const char* Get_HelpString();
};
