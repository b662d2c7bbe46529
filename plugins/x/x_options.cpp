#include "x_options.h"

#include "cmdline.h"
#include "profile.h"

namespace {
char kImportKey[] = "import_x";
char kImportLog[] = "importx.log";
char kExportKey[] = "export_x";
char kExportLog[] = "exportx.log";
char kExt[] = "x";
char kSpecific[] = "Specific Settings";
char kImageSection[] = "Image_Handler";
char kSearchKey[] = "image_search_path";
char kBinaryKey[] = "d3x_binary";
char kTemplatesKey[] = "d3x_templates";
char kCompressedKey[] = "d3x_compressed";

void LoadFlag(Profile& store, char* key, int* v) {
  unsigned long got = static_cast<unsigned long>(*v);
  if (store.GetInt(kSpecific, key, static_cast<unsigned long>(*v), &got)) *v = got ? 1 : 0;
}
void LoadFlag(int argc, char** argv, const char* key, int* v) {
  int got = *v;
  if (m_get_cmdl_int(argc, argv, key, *v, &got)) *v = got ? 1 : 0;
}
}  // namespace

const char* XImportOption::Filter() { return "Direct X File            (*.x)|*.x|All Files (*.*)|*.*||"; }

XImportOption::XImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  Profile store(kImportKey);
  store.GetString(kSpecific, kSearchKey, "", image_search_path, X_SEARCH_PATH_LEN);
  image_search_path[X_SEARCH_PATH_LEN - 1] = 0;
}

XImportOption::XImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  m_get_cmdl_string(argc, argv, kSearchKey, "", image_search_path, X_SEARCH_PATH_LEN - 1);
}

XImportOption::~XImportOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kImportKey);
  store.WriteString(kSpecific, kSearchKey, image_search_path);
}

const char* XExportOption::Filter() { return "Direct X File            (*.x)|*.x|All Files (*.*)|*.*||"; }

XExportOption::XExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  Profile store(kExportKey);
  LoadFlag(store, kBinaryKey, &binary);
  LoadFlag(store, kTemplatesKey, &templates);
  LoadFlag(store, kCompressedKey, &compressed);
  image_handler.Load(kImageSection, kExportKey);
}

XExportOption::XExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  LoadFlag(argc, argv, kBinaryKey, &binary);
  LoadFlag(argc, argv, kTemplatesKey, &templates);
  LoadFlag(argc, argv, kCompressedKey, &compressed);
  image_handler.Load(argc, argv);
}

XExportOption::~XExportOption() {
  if (cmd_mode) return;
  Profile store(kExportKey);
  store.WriteInt(kSpecific, kBinaryKey, static_cast<unsigned long>(binary));
  store.WriteInt(kSpecific, kTemplatesKey, static_cast<unsigned long>(templates));
  store.WriteInt(kSpecific, kCompressedKey, static_cast<unsigned long>(compressed));
  image_handler.Save(kImageSection, kExportKey);
}

void XExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  std::fprintf(fp, "\n");
  std::fprintf(fp, "\t d3x_binary      : %d\n", binary);
  std::fprintf(fp, "\t d3x_templates      : %d\n", templates);
  std::fprintf(fp, "\t d3x_compressed      : %d\n", compressed);
  image_handler.Print(fp, 0, 0);
  std::fprintf(fp, "\n");
}
