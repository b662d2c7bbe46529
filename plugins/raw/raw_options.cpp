#include "raw_options.h"

#include "cmdline.h"
#include "profile.h"

namespace {
char kImportKey[] = "import_raw";
char kImportLog[] = "importraw.log";
char kExportKey[] = "export_raw";
char kExportLog[] = "exportraw.log";
char kExt[] = "raw";
char kSpecific[] = "Specific Settings";
char kSmoothedKey[] = "raw_smoothed";
}  // namespace

const char* RawImportOption::Filter() {
  return "Raw Ascii File     (*.raw)|*.raw|All Files                 (*.*)|*.*||";
}

const char* RawImportOption::Get_HelpString() {
  return "** RAW Import Options **\n\t-weld_tol=DVAL: vertex welding tolerance (-1 = disable)\n\n";
}

RawImportOption::RawImportOption() : Import_FileOption(kImportKey, kImportLog) { Set_Filter(Filter()); }

RawImportOption::RawImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  double tol = weld_tol;
  if (m_get_cmdl_double(argc, argv, "weld_tol", weld_tol, &tol)) weld_tol = tol;
}

const char* RawExportOption::Filter() { return "Generic ASCII File     (*.raw)|*.raw|All Files (*.*)|*.*||"; }

const char* RawExportOption::Get_HelpString() {
  return "** RAW Export Options **\n\t-raw_smoothed=FLAG: writes the corner normals too\n\n";
}

RawExportOption::RawExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  unsigned long v = static_cast<unsigned long>(smoothed);
  Profile store(kExportKey);
  if (store.GetInt(kSpecific, kSmoothedKey, smoothed, &v)) smoothed = static_cast<int>(v);
}

RawExportOption::RawExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  int v = smoothed;
  if (m_get_cmdl_int(argc, argv, "raw_smoothed", smoothed, &v)) smoothed = v;
}

RawExportOption::~RawExportOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kExportKey);
  store.WriteInt(kSpecific, kSmoothedKey, static_cast<unsigned long>(smoothed));
}

void RawExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  std::fprintf(fp, "\t raw_smoothed: %d\n", smoothed);
}
