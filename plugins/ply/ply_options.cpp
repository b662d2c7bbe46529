#include "ply_options.h"

namespace {
char kImportKey[] = "import_ply";
char kImportLog[] = "importply.log";
char kExportKey[] = "export_ply";
char kExportLog[] = "exportply.log";
char kExt[] = "ply";
}  // namespace

const char* PlyImportOption::Filter() {
  return "Polygon File Format     (*.ply)|*.ply|All Files                 (*.*)|*.*||";
}

const char* PlyImportOption::Help() {
  return "** PLY Import Options **\n\tnone\n\n";
}

std::vector<kvpf::OptionKey> PlyImportOption::Keys() {
  return {};
}

PlyImportOption::PlyImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  kvpf::LoadOptionKeys(Keys(), this);
}

PlyImportOption::PlyImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  kvpf::LoadOptionKeys(Keys(), this);
}

PlyImportOption::~PlyImportOption() { kvpf::SaveOptionKeys(Keys(), this); }

void PlyImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  kvpf::PrintOptionKeys(fp, Keys());
}

const char* PlyExportOption::Filter() { return "Polygon File Format     (*.ply)|*.ply|All Files (*.*)|*.*||"; }

const char* PlyExportOption::Help() {
  return "** PLY Export Options **\n\t-ply_format=IVAL: 0 ASCII, 1 binary little endian (the default), 2 binary big "
         "endian\n\n";
}

std::vector<kvpf::OptionKey> PlyExportOption::Keys() {
  return {{"ply_format", {1030, "Format (0 ASCII, 1 Little Endian, 2 Big Endian)", KV_FIELD_INT, &format, 0}}};
}

PlyExportOption::PlyExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  kvpf::LoadOptionKeys(Keys(), this);
}

PlyExportOption::PlyExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  kvpf::LoadOptionKeys(Keys(), this);
}

PlyExportOption::~PlyExportOption() { kvpf::SaveOptionKeys(Keys(), this); }

void PlyExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::PrintOptionKeys(fp, Keys());
}
