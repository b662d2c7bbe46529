// The option record of the VRML export class: the scene exporters' flags
// and map options, and the choice of VRML 2.0 or 1.0.
#pragma once
#include "scene_export_options.h"

class VrmlExportOption : public kvpf::SceneExportOption {
 public:
  int use_vrml20 = 1;

  VrmlExportOption();                       // settings-store mode
  VrmlExportOption(int argc, char** argv);  // command-line mode
  ~VrmlExportOption() override;

  static const char* Get_HelpString();
};
