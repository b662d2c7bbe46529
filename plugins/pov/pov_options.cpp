#include "pov_options.h"

#include "pov_format.h"

std::vector<kvpf::IntSetting> PovExportOption::Settings() {
  return {{"export_global_setting", &export_global_setting}, {"export_back_ground", &export_back_ground},
          {"export_atmosphere", &export_atmosphere},         {"export_meshes", &export_meshes},
          {"export_materials", &export_materials},           {"export_cameras", &export_cameras},
          {"export_lights", &export_lights},                 {"pov_version", &pov_version},
          {"use_udo", &use_udo}};
}

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

PovExportOption::PovExportOption() : Export_FileOption(kpov::kStoreName, kpov::kLogName) {
  Set_Filter(kpov::kFilter);
  Set_Ext(kpov::kExt);
  kvpf::LoadIntSettings(*this, kpov::kStoreName, Settings());
  image_handler.Load(kpov::kImageSection, kpov::kStoreName);
}

PovExportOption::PovExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kpov::kLogName) {
  Set_Filter(kpov::kFilter);
  Set_Ext(kpov::kExt);
  kvpf::LoadIntSettings(*this, kpov::kStoreName, Settings());
  image_handler.Load(argc, argv);
}

PovExportOption::~PovExportOption() {
  if (cmd_mode) return;  // command-line records never write the store
  kvpf::SaveIntSettings(*this, kpov::kStoreName, Settings());
  image_handler.Save(kpov::kImageSection, kpov::kStoreName);
}

void PovExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::PrintIntSettings(fp, Settings(), 22);
  image_handler.Print(fp);
}
