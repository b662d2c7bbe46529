#include "ogl_options.h"

#include "ogl_format.h"

void OglExportOption::Init() {
  Set_Filter(ogl::kFilter);
  Set_Ext(ogl::kExt);
  const kvpf::FlagOption flag = Flag();
  kvpf::LoadSwitches(*this, ogl::kStoreName, &flag, 1, &image_handler);
}

OglExportOption::OglExportOption() : Export_FileOption(ogl::kStoreName, ogl::kLogName) { Init(); }

OglExportOption::OglExportOption(int argc, char** argv) : Export_FileOption(argc, argv, ogl::kLogName) { Init(); }

OglExportOption::~OglExportOption() {
  const kvpf::FlagOption flag = Flag();
  kvpf::SaveSwitches(*this, ogl::kStoreName, &flag, 1, &image_handler);
}

void OglExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  const kvpf::FlagOption flag = Flag();
  kvpf::PrintFlags(fp, &flag, 1);
  std::fputs("\n", fp);
  image_handler.Print(fp);
}
