#include "obj_options.h"

#include <cstring>

#include "cmdline.h"
#include "profile.h"

namespace {
char kImportKey[] = "import_obj";
char kImportLog[] = "importobj.log";
char kExportKey[] = "export_obj";
char kExportLog[] = "exportobj.log";
char kExt[] = "obj";
char kSpecific[] = "Specific Settings";
char kImageSection[] = "Image_Handler";
// The store gives back at most 254 characters of the search path.
constexpr unsigned long kStoredPathLen = 255;
}  // namespace

const char* ObjImportOption::Filter() {
  return "Alias Wavefront Object File     (*.obj)|*.obj|All Files                 (*.*)|*.*||";
}

ObjImportOption::ObjImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  Profile store(kImportKey);
  unsigned long v = static_cast<unsigned long>(obj_mode);
  if (store.GetInt(kSpecific, "obj_mode", obj_mode, &v)) obj_mode = static_cast<int>(v);
  store.GetString(kSpecific, "image_search_path", "", image_search_path, kStoredPathLen);
  image_search_path[kStoredPathLen - 1] = 0;
}

ObjImportOption::ObjImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  int mode = obj_mode;
  if (m_get_cmdl_int(argc, argv, "obj_mode", obj_mode, &mode)) obj_mode = mode;
  double tol = weld_tol;
  if (m_get_cmdl_double(argc, argv, "weld_tol", weld_tol, &tol)) weld_tol = tol;
  m_get_cmdl_string(argc, argv, "image_search_path", "", image_search_path, OBJ_SEARCH_PATH_LEN - 1);
}

ObjImportOption::~ObjImportOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kImportKey);
  store.WriteInt(kSpecific, "obj_mode", static_cast<unsigned long>(obj_mode));
  store.WriteString(kSpecific, "image_search_path", image_search_path);
}

void ObjImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  std::fprintf(fp, "\t Object Mode: %d\n", obj_mode);
}

const char* ObjExportOption::Filter() { return "Alias Wavefront    (*.obj)|*.obj|All Files (*.*)|*.*||"; }

ObjExportOption::ObjExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  image_handler.Load(kImageSection, kExportKey);
}

ObjExportOption::ObjExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  image_handler.Load(argc, argv);
}

ObjExportOption::~ObjExportOption() {
  if (cmd_mode) return;
  image_handler.Save(kImageSection, kExportKey);
}

void ObjExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  std::fputs("\n", fp);
  image_handler.Print(fp);
}
