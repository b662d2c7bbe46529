#include "rib_options.h"

#include "rib_format.h"

void RibExportOption::Flags(kvpf::FlagOption (&out)[kFlagCount]) {
  switches.Describe(out);
  out[kvpf::SceneSwitches::kCount] = {"std_shader", "Std Shader", "Std Shader", &std_shader};
  out[kvpf::SceneSwitches::kCount + 1] = {"bmrt_compatible", "bmrt_compatible", "BMRT Compatible", &bmrt_compatible};
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
