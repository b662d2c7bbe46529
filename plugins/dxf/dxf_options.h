// The option records of the DXF import and export classes.
#pragma once
#include <cstdio>

#include "fileoption.h"

// Import: six settings persisted in "Specific Settings"; the weld tolerance
// starts at -1.0 (no welding) in every run.
class DxfImportOption : public Import_FileOption {
 public:
  int dxf_obj_mode = 0;                        // 0 by layer, 1 by colour, 2 by entity
  double dxf_arc_step = 0.15707963267948966;   // radians per circle or arc segment
  double dxf_zero_extrusion = 0.001;           // thickness when group 39 is 0
  int dxf_cap_flag = 1;
  int dxf_backside_flag = 1;
  int dxf_block_names = 1;
  double weld_tol = -1.0;

  DxfImportOption();                       // settings-store mode
  DxfImportOption(int argc, char** argv);  // command-line mode
  ~DxfImportOption() override;

  // The common options, then the specific ones.
  void Print_Options(FILE* fp) override;

  // The values the reader works with: a grouping mode of 0..2, an arc step
  // that cannot make endless or enormous circles, a finite thickness.
  int ObjMode() const;
  double ArcStep() const;
  double ZeroExtrusion() const;

  static const char* Filter();
  static const char* Help();
};

// Export: 3DFACE entities (0) or polyface meshes (1, the default).
class DxfExportOption : public Export_FileOption {
 public:
  int export_dxf_type = 1;

  DxfExportOption();
  DxfExportOption(int argc, char** argv);
  ~DxfExportOption() override;

  void Print_Options(FILE* fp) override;

  static const char* Filter();
  static const char* Help();
};
