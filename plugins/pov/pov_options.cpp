#include "pov_options.h"

#include "pov_format.h"

const char* PovExportOption::Get_HelpString() {
  return "** POV Export Plugin 1.1 **\n"
         "\t-export_global_setting=FLAG: global_settings (ambient light, gamma)\n"
         "\t-export_back_ground=FLAG: the background\n"
         "\t-export_atmosphere=FLAG: the fog\n"
         "\t-export_meshes=FLAG: the objects\n"
         "\t-export_materials=FLAG: the surfaces as textures\n"
         "\t-export_cameras=FLAG: the cameras\n"
         "\t-export_lights=FLAG: the lights\n"
         "\t-pov_version=IVAL; // 0=UV_Pov, 1 = POV 3.x \n"
         "\t\t0: mesh2 with texture coordinates, 1: meshes of triangles (both POV-Ray 3.7),\n"
         "\t\t2: mesh2 in the MegaPov 0.6 dialect (opacity and mask layers)\n"
         "\t-use_udo=FLAG; // write UDO/MDL file for Moray \n"
         "\tand the map conversion options: the maps' new names go into the scene\n\n";
}

namespace {
// The dialog's listing aligns the values in one column.
constexpr int kListingWidth = 22;
}  // namespace

void PovExportOption::Flags(kvpf::FlagOption (&out)[kFlagCount]) {
  switches.Describe(out);
  // pov_version is a number, not a check box: the dialog lists it apart.
  out[kvpf::SceneSwitches::kCount] = {"pov_version", "pov_version", "POV Version", &pov_version};
  out[kvpf::SceneSwitches::kCount + 1] = {"use_udo", "use_udo", "Moray UDO/MDL", &use_udo};
}

void PovExportOption::Init() {
  Set_Filter(kpov::kFilter);
  Set_Ext(kpov::kExt);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::LoadSwitches(*this, kpov::kStoreName, flags, kFlagCount, &image_handler);
}

PovExportOption::PovExportOption() : Export_FileOption(kpov::kStoreName, kpov::kLogName) { Init(); }

PovExportOption::PovExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kpov::kLogName) { Init(); }

PovExportOption::~PovExportOption() {
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::SaveSwitches(*this, kpov::kStoreName, flags, kFlagCount, &image_handler);
}

void PovExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::PrintFlags(fp, flags, kListingWidth);
  image_handler.Print(fp);
}
