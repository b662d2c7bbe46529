#include "lightflow_options.h"

#include "lightflow_format.h"

void LightflowExportOption::Flags(kvpf::FlagOption (&out)[kFlagCount]) {
  const kvpf::FlagOption flags[kFlagCount] = {
      {"export_global_setting", "export_global_setting", "Global Settings", &export_global_setting},
      {"export_back_ground", "export_back_ground", "Back Ground", &export_back_ground},
      {"export_atmosphere", "export_atmosphere", "Atmosphere", &export_atmosphere},
      {"export_meshes", "export_meshes", "Meshes", &export_meshes},
      {"export_materials", "export_materials", "Materials", &export_materials},
      {"export_cameras", "export_cameras", "Cameras", &export_cameras},
      {"export_lights", "export_lights", "Lights", &export_lights}};
  for (int i = 0; i < kFlagCount; ++i) out[i] = flags[i];
}

void LightflowExportOption::Init() {
  Set_Filter(ltw::kFilter);
  Set_Ext(ltw::kExt);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::LoadSwitches(*this, ltw::kStoreName, flags, kFlagCount, &image_handler);
}

LightflowExportOption::LightflowExportOption() : Export_FileOption(ltw::kStoreName, ltw::kLogName) { Init(); }

LightflowExportOption::LightflowExportOption(int argc, char** argv) : Export_FileOption(argc, argv, ltw::kLogName) {
  Init();
}

LightflowExportOption::~LightflowExportOption() {
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::SaveSwitches(*this, ltw::kStoreName, flags, kFlagCount, &image_handler);
}

void LightflowExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::PrintFlags(fp, flags);
}
