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

void VrmlExportOption::Flags(kvpf::FlagOption (&out)[kFlagCount]) {
  switches.Describe(out);
  out[kvpf::SceneSwitches::kCount] = {"use_vrml20", "use_vrml20", "VRML 2.0", &use_vrml20};
}

void VrmlExportOption::Init() {
  Set_Filter(kvrml::kFilter);
  Set_Ext(kvrml::kExt);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::LoadSwitches(*this, kvrml::kStoreName, flags, kFlagCount, &image_handler);
}

VrmlExportOption::VrmlExportOption() : Export_FileOption(kvrml::kStoreName, kvrml::kLogName) { Init(); }

VrmlExportOption::VrmlExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kvrml::kLogName) {
  Init();
}

VrmlExportOption::~VrmlExportOption() {
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::SaveSwitches(*this, kvrml::kStoreName, flags, kFlagCount, &image_handler);
}

void VrmlExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::PrintFlags(fp, flags);
  image_handler.Print(fp);
}
