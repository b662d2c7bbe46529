#include "mdl_options.h"

#include "cmdline.h"
#include "profile.h"

namespace {
char kImportKey[] = "import_mdl";
char kImportLog[] = "importmdl.log";
char kExportKey[] = "export_md2";
char kExportLog[] = "exportmd2.log";
char kExt[] = "md2";
char kSpecific[] = "Specific Settings";
char kImageSection[] = "Image_Handler";
constexpr unsigned long kStoredPathLen = 255;

void LoadFlag(Profile& store, const char* key, int* value) {
  unsigned long v = static_cast<unsigned long>(*value);
  if (store.GetInt(kSpecific, key, *value, &v)) *value = v != 0;
}

void LoadFlag(int argc, char** argv, const char* key, int* value) {
  int v = *value;
  if (m_get_cmdl_int(argc, argv, key, *value, &v)) *value = v != 0;
}
}  // namespace

const char* MdlImportOption::Filter() {
  return "Quake File     (*.mdl;*.md2)|*.mdl;*.md2|All Files                 (*.*)|*.*||";
}

MdlImportOption::MdlImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  Profile store(kImportKey);
  store.GetString(kSpecific, "image_search_path", "", image_search_path, kStoredPathLen);
  image_search_path[kStoredPathLen - 1] = 0;
  store.GetString(kSpecific, "mdl_skin_path", "", skin_path, kStoredPathLen);
  skin_path[kStoredPathLen - 1] = 0;
  LoadFlag(store, "mdl_write_skins", &write_skins);
  LoadFlag(store, "mdl_overwrite_skins", &overwrite_skins);
}

MdlImportOption::MdlImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  m_get_cmdl_string(argc, argv, "image_search_path", "", image_search_path, MDL_PATH_LEN - 1);
  m_get_cmdl_string(argc, argv, "mdl_skin_path", "", skin_path, MDL_PATH_LEN - 1);
  LoadFlag(argc, argv, "mdl_write_skins", &write_skins);
  LoadFlag(argc, argv, "mdl_overwrite_skins", &overwrite_skins);
  int v = frame;
  if (m_get_cmdl_int(argc, argv, "mdl_frame", frame, &v)) frame = v;
}

MdlImportOption::~MdlImportOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kImportKey);
  store.WriteString(kSpecific, "image_search_path", image_search_path);
  store.WriteString(kSpecific, "mdl_skin_path", skin_path);
  store.WriteInt(kSpecific, "mdl_write_skins", static_cast<unsigned long>(write_skins));
  store.WriteInt(kSpecific, "mdl_overwrite_skins", static_cast<unsigned long>(overwrite_skins));
}

void MdlImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  std::fprintf(fp, "\t image_search_path: %s\n", image_search_path);
  std::fprintf(fp, "\t mdl_skin_path:     %s\n", skin_path);
  std::fprintf(fp, "\t mdl_write_skins:   %d\n", write_skins);
  std::fprintf(fp, "\t mdl_overwrite_skins: %d\n", overwrite_skins);
  std::fprintf(fp, "\t mdl_frame:         %d\n", frame);
}

const char* Md2ExportOption::Filter() { return "Quake2     (*.md2)|*.md2|All Files (*.*)|*.*||"; }

Md2ExportOption::Md2ExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  image_handler.Load(kImageSection, kExportKey);
}

Md2ExportOption::Md2ExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  image_handler.Load(argc, argv);
}

Md2ExportOption::~Md2ExportOption() {
  if (cmd_mode) return;
  image_handler.Save(kImageSection, kExportKey);
}
