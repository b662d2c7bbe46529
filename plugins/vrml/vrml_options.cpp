#include "vrml_options.h"

#include "specific_options.h"
#include "vrml_format.h"

std::vector<kvpf::IntSetting> VrmlExportOption::Settings() {
  return {{"export_global_setting", &export_global_setting}, {"export_back_ground", &export_back_ground},
          {"export_atmosphere", &export_atmosphere},         {"export_meshes", &export_meshes},
          {"export_materials", &export_materials},           {"export_cameras", &export_cameras},
          {"export_lights", &export_lights},                 {"use_vrml20", &use_vrml20}};
}

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

VrmlExportOption::VrmlExportOption() : Export_FileOption(kvrml::kStoreName, kvrml::kLogName) {
  Set_Filter(kvrml::kFilter);
  Set_Ext(kvrml::kExt);
  kvpf::LoadIntSettings(*this, kvrml::kStoreName, Settings());
  image_handler.Load(kvrml::kImageSection, kvrml::kStoreName);
}

VrmlExportOption::VrmlExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kvrml::kLogName) {
  Set_Filter(kvrml::kFilter);
  Set_Ext(kvrml::kExt);
  kvpf::LoadIntSettings(*this, kvrml::kStoreName, Settings());
  image_handler.Load(argc, argv);
}

VrmlExportOption::~VrmlExportOption() {
  if (cmd_mode) return;  // command-line records never write the store
  kvpf::SaveIntSettings(*this, kvrml::kStoreName, Settings());
  image_handler.Save(kvrml::kImageSection, kvrml::kStoreName);
}

void VrmlExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::PrintIntSettings(fp, Settings());
  image_handler.Print(fp);
}
