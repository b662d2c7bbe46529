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

// The dialog's listing aligns the values in one column.
constexpr int kListingWidth = 22;

PovExportOption::PovExportOption()
    : SceneExportOption(kpov::kStoreName, kpov::kLogName, kpov::kFilter, kpov::kExt, kListingWidth) {
  LoadOwnSettings({{"pov_version", &pov_version}, {"use_udo", &use_udo}});
}

PovExportOption::PovExportOption(int argc, char** argv)
    : SceneExportOption(argc, argv, kpov::kStoreName, kpov::kLogName, kpov::kFilter, kpov::kExt, kListingWidth) {
  LoadOwnSettings({{"pov_version", &pov_version}, {"use_udo", &use_udo}});
}

PovExportOption::~PovExportOption() { SaveOwnSettings(); }
