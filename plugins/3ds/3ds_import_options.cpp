#include "3ds_import.h"

#include "cmdline.h"
#include "profile.h"

namespace {

char kKey[] = "import_3ds";
char kLog[] = "import3ds.log";
char kSpecific[] = "Specific Settings";
// The store gives back at most 254 characters of the search path.
constexpr unsigned long kStoredPathLen = 255;

struct IntField {
  const char* key;
  int Import3dsOption::*value;
};

const IntField kIntFields[] = {
    {"import_global_setting", &Import3dsOption::global_setting},
    {"import_back_ground", &Import3dsOption::back_ground},
    {"import_atmosphere", &Import3dsOption::atmosphere},
    {"import_meshes", &Import3dsOption::meshes},
    {"import_materials", &Import3dsOption::materials},
    {"import_cameras", &Import3dsOption::cameras},
    {"activate_camera_number", &Import3dsOption::activate_camera},
    {"import_lights", &Import3dsOption::lights},
};

}  // namespace

const char* Import3dsOption::Filter() {
  return "3D Studio Binary File     (*.3ds;*.prj;*.mli)|*.3ds;*.prj;*.mli|All Files                 (*.*)|*.*||";
}

const char* Import3dsOption::Help() {
  return "** 3DS Import Plugin 1.0 **\n\tImports *.3ds, *.prj *.mli of 3DStudio V2/V3/V4\n"
         "\t-import_global_setting=FLAG; // import scale, shadowsettings and ambient\n"
         "\t-import_back_ground=FLAG; // import solid, gradient and bitmap\n"
         "\t-import_atmosphere=FLAG; // import fog\n"
         "\t-import_meshes=FLAG; // import vertices, faces, normals, uv and surfaces\n"
         "\t-import_materials=FLAG; //\n\t-import_cameras=FLAG; //\n"
         "\t-activate_camera_number=IVAL; // activates camera with number IVAL\n"
         "\t-import_lights=FLAG; //\n\t-image_search_path=String; // e.g. d:\\map\\;c:\\map\\;\n\n";
}

Import3dsOption::Import3dsOption() : Import_FileOption(kKey, kLog) {
  Set_Filter(Filter());
  Profile store(kKey);
  for (const IntField& f : kIntFields) {
    int& field = this->*f.value;
    unsigned long v = static_cast<unsigned long>(field);
    if (store.GetInt(kSpecific, f.key, field, &v)) field = static_cast<int>(v);
  }
  store.GetString(kSpecific, "image_search_path", "", image_search_path, kStoredPathLen);
  image_search_path[kStoredPathLen - 1] = 0;
}

Import3dsOption::Import3dsOption(int argc, char** argv) : Import_FileOption(argc, argv, kLog) {
  Set_Filter(Filter());
  for (const IntField& f : kIntFields) {
    int& field = this->*f.value;
    int v = field;
    if (m_get_cmdl_int(argc, argv, f.key, field, &v)) field = v;
  }
  m_get_cmdl_string(argc, argv, "image_search_path", "", image_search_path, IMP3DS_SEARCH_PATH_LEN);
}

Import3dsOption::~Import3dsOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kKey);
  for (const IntField& f : kIntFields)
    store.WriteInt(kSpecific, f.key, static_cast<unsigned long>(static_cast<long>(this->*f.value)));
  store.WriteString(kSpecific, "image_search_path", image_search_path);
}

void Import3dsOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  for (const IntField& f : kIntFields) std::fprintf(fp, "\t %s: %d\n", f.key, this->*f.value);
}

int Import3dsOption::Fields(KvOptionField* out, int max) {
  const KvOptionField fields[] = {
      {1026, "Global Settings", KV_FIELD_FLAG, &global_setting, sizeof global_setting},
      {1027, "Back Ground", KV_FIELD_FLAG, &back_ground, sizeof back_ground},
      {1028, "Atmosphere", KV_FIELD_FLAG, &atmosphere, sizeof atmosphere},
      {1029, "Meshes", KV_FIELD_FLAG, &meshes, sizeof meshes},
      {1030, "Materials", KV_FIELD_FLAG, &materials, sizeof materials},
      {1031, "Cameras", KV_FIELD_FLAG, &cameras, sizeof cameras},
      {1032, "Lights", KV_FIELD_FLAG, &lights, sizeof lights},
      {1033, "Activated Camera", KV_FIELD_INT, &activate_camera, sizeof activate_camera},
      {1034, "Image Search Path", KV_FIELD_STRING, image_search_path, sizeof image_search_path},
  };
  int n = 0;
  for (const KvOptionField& f : fields)
    if (n < max) out[n++] = f;
  return n;
}
