#include "stl_options.h"

namespace {
char kImportKey[] = "import_stl";
char kImportLog[] = "importstl.log";
char kExportKey[] = "export_stl";
char kExportLog[] = "exportstl.log";
char kExt[] = "stl";
}  // namespace

const char* StlImportOption::Filter() {
  return "Stereolithography     (*.stl)|*.stl|All Files                 (*.*)|*.*||";
}

const char* StlImportOption::Help() {
  return "** STL Import Options **\n"
         "\t-stl_weld_tol=DVAL: vertex welding tolerance (0 = equal corners only, -1 = no welding)\n\n";
}

std::vector<kvpf::OptionKey> StlImportOption::Keys() {
  return {{"stl_weld_tol", {1030, "Weld Tolerance", KV_FIELD_DOUBLE, &weld_tol, 0}}};
}

StlImportOption::StlImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  kvpf::LoadOptionKeys(Keys(), this);
}

StlImportOption::StlImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  kvpf::LoadOptionKeys(Keys(), this);
}

StlImportOption::~StlImportOption() { kvpf::SaveOptionKeys(Keys(), this); }

void StlImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  kvpf::PrintOptionKeys(fp, Keys());
}

const char* StlExportOption::Filter() { return "Stereolithography     (*.stl)|*.stl|All Files (*.*)|*.*||"; }

const char* StlExportOption::Help() {
  return "** STL Export Options **\n\t-stl_binary=FLAG: binary file (1, the default) or ASCII (0)\n\n";
}

std::vector<kvpf::OptionKey> StlExportOption::Keys() {
  return {{"stl_binary", {1030, "Binary STL", KV_FIELD_FLAG, &binary, 0}}};
}

StlExportOption::StlExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  kvpf::LoadOptionKeys(Keys(), this);
}

StlExportOption::StlExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  kvpf::LoadOptionKeys(Keys(), this);
}

StlExportOption::~StlExportOption() { kvpf::SaveOptionKeys(Keys(), this); }

void StlExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::PrintOptionKeys(fp, Keys());
}
