#include "rib_options.h"

#include "rib_format.h"

void RibExportOption::Flags(kvpf::FlagOption (&out)[kFlagCount]) {
  const kvpf::FlagOption flags[kFlagCount] = {
      {"export_global_setting", "export_global_setting", "Global Settings", &export_global_setting},
      {"export_back_ground", "export_back_ground", "Back Ground", &export_back_ground},
      {"export_atmosphere", "export_atmosphere", "Atmosphere", &export_atmosphere},
      {"export_meshes", "export_meshes", "Meshes", &export_meshes},
      {"export_materials", "export_materials", "Materials", &export_materials},
      {"export_cameras", "export_cameras", "Cameras", &export_cameras},
      {"export_lights", "export_lights", "Lights", &export_lights},
      {"std_shader", "Std Shader", "Std Shader", &std_shader},
      {"bmrt_compatible", "bmrt_compatible", "BMRT Compatible", &bmrt_compatible}};
  for (int i = 0; i < kFlagCount; ++i) out[i] = flags[i];
}

void RibExportOption::Init() {
  Set_Filter(rib::kFilter);
  Set_Ext(rib::kExt);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::LoadSwitches(*this, rib::kStoreName, flags, kFlagCount, &image_handler);
}

RibExportOption::RibExportOption() : Export_FileOption(rib::kStoreName, rib::kLogName) { Init(); }

RibExportOption::RibExportOption(int argc, char** argv) : Export_FileOption(argc, argv, rib::kLogName) { Init(); }

RibExportOption::~RibExportOption() {
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::SaveSwitches(*this, rib::kStoreName, flags, kFlagCount, &image_handler);
}

void RibExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::FlagOption flags[kFlagCount];
  Flags(flags);
  kvpf::PrintFlags(fp, flags);
  std::fputs("\n", fp);
  image_handler.Print(fp);
}
