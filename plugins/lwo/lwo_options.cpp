#include "lwo_options.h"

#include <cstring>

#include "cmdline.h"
#include "profile.h"

namespace {
char kImportKey[] = "import_lwo";
char kImportLog[] = "importlwo.log";
char kExportKey[] = "export_lwo";
char kExportLog[] = "exportlwo.log";
char kExt[] = "lws";
char kSpecific[] = "Specific Settings";
char kImageSection[] = "Image_Handler";
// The store gives back at most 254 characters of a string.
constexpr unsigned long kStoredLen = 255;

void LoadString(Profile& store, const char* key, char* field) {
  char buf[kStoredLen + 1] = "";
  store.GetString(kSpecific, key, field, buf, kStoredLen);
  buf[kStoredLen - 1] = 0;
  const size_t n = strnlen(buf, kStoredLen);
  std::memcpy(field, buf, n);
  field[n] = 0;
}

void CmdString(int argc, char** argv, const char* key, char* field) {
  char buf[LWO_PATH_LEN + 1];
  if (m_get_cmdl_string(argc, argv, key, field, buf, LWO_PATH_LEN)) std::memcpy(field, buf, sizeof buf);
}

int CopyFields(const KvOptionField* fields, int n, KvOptionField* out, int max) {
  int k = 0;
  for (int i = 0; i < n && k < max; ++i) out[k++] = fields[i];
  return k;
}
}  // namespace

// ---- import

const char* LwoImportOption::Filter() {
  return "LightWave Object/Scene File     (*.lws,*.lwo)|*.lws;*.lwo|All Files                (*.*)|*.*||";
}

const char* LwoImportOption::Help() {
  return "** LWO Import Plugin 1.0 **\n\tImports Lightwave *.lsw/*.lwo \n\t-content_dir=String; // NewTek Home Path "
         "e.g. d:\\NewTek\\;\n\t-image_search_path=String: e.g. d:\\map\\;c:\\map\\;\n\n";
}

LwoImportOption::LwoImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  Profile store(kImportKey);
  LoadString(store, "content_dir", content_dir);
  LoadString(store, "image_search_path", image_search_path);
}

LwoImportOption::LwoImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  CmdString(argc, argv, "content_dir", content_dir);
  CmdString(argc, argv, "image_search_path", image_search_path);
}

LwoImportOption::~LwoImportOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kImportKey);
  store.WriteString(kSpecific, "content_dir", content_dir);
  store.WriteString(kSpecific, "image_search_path", image_search_path);
}

void LwoImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  std::fprintf(fp, "\t Home Path: %s\n", content_dir);
}

int LwoImportOption::Fields(KvOptionField* out, int max) {
  const KvOptionField fields[] = {
      {1025, "Content Directory", KV_FIELD_STRING, content_dir, sizeof content_dir},
      {1026, "Image Search Path", KV_FIELD_STRING, image_search_path, sizeof image_search_path},
  };
  return CopyFields(fields, 2, out, max);
}

// ---- export

const char* LwoExportOption::Filter() { return "LightWave    (*.lws)|*.lws|All Files (*.*)|*.*||"; }

const char* LwoExportOption::Help() {
  return "** LightWave Export Plugin 1.0 **\n\tExports *.lws, LightWave Scene/Object Files\n\t-use_homepath=FLAG; // "
         "insert object files into newtek folder\n\t-lwo_version=IVAL; // 0=5.6, 1=6.x\n\t-content_dir=String; // "
         "NewTek Home Path e.g. d:\\NewTek\\;\n\tMap conversion supported\n\n";
}

LwoExportOption::LwoExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  Profile store(kExportKey);
  unsigned long v = static_cast<unsigned long>(use_homepath);
  if (store.GetInt(kSpecific, "use_homepath", use_homepath, &v)) use_homepath = static_cast<int>(v);
  v = static_cast<unsigned long>(lwo_version);
  if (store.GetInt(kSpecific, "lwo_version", lwo_version, &v)) lwo_version = static_cast<int>(v);
  LoadString(store, "content_dir", content_dir);
  image_handler.Load(kImageSection, kExportKey);
}

LwoExportOption::LwoExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  int v = use_homepath;
  if (m_get_cmdl_int(argc, argv, "use_homepath", use_homepath, &v)) use_homepath = v;
  v = lwo_version;
  if (m_get_cmdl_int(argc, argv, "lwo_version", lwo_version, &v)) lwo_version = v;
  CmdString(argc, argv, "content_dir", content_dir);
  image_handler.Load(argc, argv);
}

LwoExportOption::~LwoExportOption() {
  if (cmd_mode) return;
  Profile store(kExportKey);
  store.WriteInt(kSpecific, "use_homepath", static_cast<unsigned long>(use_homepath));
  store.WriteInt(kSpecific, "lwo_version", static_cast<unsigned long>(lwo_version));
  store.WriteString(kSpecific, "content_dir", content_dir);
  image_handler.Save(kImageSection, kExportKey);
}

void LwoExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  std::fprintf(fp, "\n");
  std::fprintf(fp, "\t use_homepath: %d\n", use_homepath);
  std::fprintf(fp, "\t lwo_version: %d\n", lwo_version);
  std::fprintf(fp, "\t Home Path: %s\n", content_dir);
  image_handler.Print(fp);
  std::fprintf(fp, "\n");
}

int LwoExportOption::Fields(KvOptionField* out, int max) {
  const KvOptionField fields[] = {
      {1030, "Use Content Path", KV_FIELD_FLAG, &use_homepath, sizeof use_homepath},
      {1031, "Object Version", KV_FIELD_INT, &lwo_version, sizeof lwo_version},
      {1032, "Content Directory", KV_FIELD_STRING, content_dir, sizeof content_dir},
  };
  return CopyFields(fields, 3, out, max);
}
