
#include "3ds_export.h"
#include "cmdline.h"
#include "profile.h"

namespace k3ds {

const BinaryKind kMeshFileKind{"export_3ds", "export3ds.log", "3ds",
                               "3D Studio Binary Mesh File     (*.3ds)|*.3ds|All Files (*.*)|*.*||", kMeshFile};
const BinaryKind kProjectFileKind{"export_3dsprj", "export3dsprj.log", "prj",
                                  "3D Studio Binary Project File     (*.prj)|*.prj|All Files (*.*)|*.*||", kProjectFile};

namespace {

const char kSpecific[] = "Specific Settings";
const char kImageSection[] = "Image_Handler";
const char kAscKey[] = "ascout";
const char kAscLog[] = "ascout.log";

struct Field {
  const char* key;
  int ExportFlags::*value;
};
// Key order is the dump order; the ASCII writer has no materials.
const Field kFields[] = {
    {"export_global_setting", &ExportFlags::global_setting}, {"export_back_ground", &ExportFlags::back_ground},
    {"export_atmosphere", &ExportFlags::atmosphere},         {"export_meshes", &ExportFlags::meshes},
    {"export_materials", &ExportFlags::materials},           {"export_cameras", &ExportFlags::cameras},
    {"export_lights", &ExportFlags::lights},                 {"use_fast_smoothing", &ExportFlags::fast_smoothing}};

bool Used(const Field& f, bool with_materials) { return with_materials || f.value != &ExportFlags::materials; }

void LoadStore(ExportFlags& fl, const char* key, bool with_materials) {
  Profile store(key);
  for (const Field& f : kFields) {
    if (!Used(f, with_materials)) continue;
    unsigned long v = static_cast<unsigned long>(fl.*f.value);
    if (store.GetInt(kSpecific, f.key, fl.*f.value, &v)) fl.*f.value = static_cast<int>(v);
  }
}

void SaveStore(const ExportFlags& fl, const char* key, bool with_materials) {
  Profile store(key);
  for (const Field& f : kFields)
    if (Used(f, with_materials)) store.WriteInt(kSpecific, f.key, static_cast<unsigned long>(fl.*f.value));
}

void LoadCommandLine(ExportFlags& fl, int argc, char** argv, bool with_materials) {
  for (const Field& f : kFields) {
    if (!Used(f, with_materials)) continue;
    int v = fl.*f.value;
    if (m_get_cmdl_int(argc, argv, f.key, fl.*f.value, &v)) fl.*f.value = v;
  }
}

void Print(const ExportFlags& fl, FILE* fp, bool with_materials) {
  if (!fp) return;
  for (const Field& f : kFields)
    if (Used(f, with_materials)) std::fprintf(fp, "\t %s: %d\n", f.key, fl.*f.value);
  std::fprintf(fp, "\n");
}

}  // namespace

Export3dsOption::Export3dsOption(const BinaryKind& k) : Export_FileOption(k.key, k.log), kind(k) {
  Set_Filter(k.filter);
  Set_Ext(k.ext);
  LoadStore(flags, k.key, true);
  image_handler.Load(kImageSection, k.key);
}

Export3dsOption::Export3dsOption(const BinaryKind& k, int argc, char** argv)
    : Export_FileOption(argc, argv, k.log), kind(k) {
  Set_Filter(k.filter);
  Set_Ext(k.ext);
  LoadCommandLine(flags, argc, argv, true);
  image_handler.Load(argc, argv);
}

Export3dsOption::~Export3dsOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  SaveStore(flags, kind.key, true);
  image_handler.Save(kImageSection, kind.key);
}

void Export3dsOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  Print(flags, fp, true);
  image_handler.Print(fp, 0, 0);
}

ExportAscOption::ExportAscOption() : Export_FileOption(kAscKey, kAscLog) {
  Set_Filter("3D Studio ASCII Mesh File     (*.asc)|*.asc|All Files (*.*)|*.*||");
  Set_Ext("asc");
  LoadStore(flags, kAscKey, false);
}

ExportAscOption::ExportAscOption(int argc, char** argv) : Export_FileOption(argc, argv, kAscLog) {
  Set_Filter("3D Studio ASCII Mesh File     (*.asc)|*.asc|All Files (*.*)|*.*||");
  Set_Ext("asc");
  LoadCommandLine(flags, argc, argv, false);
}

ExportAscOption::~ExportAscOption() {
  if (cmd_mode) return;
  SaveStore(flags, kAscKey, false);
}

void ExportAscOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  Print(flags, fp, false);
}

}  // namespace k3ds
