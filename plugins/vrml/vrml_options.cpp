#include "vrml_options.h"

#include "vrml_format.h"

const char* VrmlExportOption::Get_HelpString() {
  return "** VRML Export Plugin 1.0 **\n"
         "\t-export_global_setting=FLAG: shape hints (1.0), world and navigation info (2.0), global ambient light\n"
         "\t-export_back_ground=FLAG: background (nothing is written)\n"
         "\t-export_atmosphere=FLAG: atmosphere (nothing is written)\n"
         "\t-export_meshes=FLAG: meshes\n"
         "\t-export_materials=FLAG: materials\n"
         "\t-export_cameras=FLAG: the active camera\n"
         "\t-export_lights=FLAG: lights\n"
         "\t-use_vrml20=FLAG: VRML 2.0, else VRML 1.0\n"
         "\tand the map conversion options: the maps' new names go into the world\n\n";
}

VrmlExportOption::VrmlExportOption()
    : SceneExportOption(kvrml::kStoreName, kvrml::kLogName, kvrml::kFilter, kvrml::kExt, 0) {
  LoadOwnSettings({{"use_vrml20", &use_vrml20}});
}

VrmlExportOption::VrmlExportOption(int argc, char** argv)
    : SceneExportOption(argc, argv, kvrml::kStoreName, kvrml::kLogName, kvrml::kFilter, kvrml::kExt, 0) {
  LoadOwnSettings({{"use_vrml20", &use_vrml20}});
}

VrmlExportOption::~VrmlExportOption() { SaveOwnSettings(); }
