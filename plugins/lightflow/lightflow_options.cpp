#include "lightflow_options.h"

#include "lightflow_format.h"

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
