// The three export classes of the 3D Studio export library.
#include "3ds_export.h"
#include "plugin_framework.h"
#include "plugin_ui.h"

namespace {

const char kMeshHelp[] =
    "** 3DS Export Plugin 1.0 **\n\tExports *.3ds, 3DStudio V4\n\tMap conversion supported\n"
    "\t-export_global_setting=FLAG; // export scale, shadowsettings and ambient\n"
    "\t-export_back_ground=FLAG; // export solid, gradient and bitmap\n\t-export_atmosphere=FLAG; // export fog\n"
    "\t-export_meshes=FLAG; // export vertices, faces, normals, uv and surfaces\n\t-export_materials=FLAG; //\n"
    "\t-export_cameras=FLAG; //\n\t-export_lights=FLAG; //\n\t-use_fast_smoothing=FLAG:\n\n";
const char kProjectHelp[] =
    "** 3DS Export Plugin 1.0 **\n\tExports *.prj, 3DStudio V4\n\tMap conversion supported\n"
    "\t-export_global_setting=FLAG: export scale, shadowsettings and ambient\n"
    "\t-export_back_ground=FLAG: export solid, gradient and bitmap\n\t-export_atmosphere=FLAG: export fog\n"
    "\t-export_meshes=FLAG: export vertices, faces, normals, uv and surfaces\n\t-export_materials=FLAG:\n"
    "\t-export_cameras=FLAG:\n\t-export_lights=FLAG:\n\t-use_fast_smoothing=FLAG:\n\n";
const char kAscHelp[] =
    "** ASC Export Plugin 1.0 **\n\tExports *.asc, 3DStudio V4\n"
    "\t-export_global_setting=FLAG; // export scale, shadowsettings and ambient\n"
    "\t-export_back_ground=FLAG; // export solid, gradient and bitmap\n\t-export_atmosphere=FLAG; // export fog\n"
    "\t-export_meshes=FLAG; // export vertices, faces, normals, uv and surfaces\n\t-export_cameras=FLAG; //\n"
    "\t-export_lights=FLAG; //\n\t-use_fast_smoothing=FLAG; //\n\n";

Export_FileOption* NewMeshOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new k3ds::Export3dsOption(k3ds::kMeshFileKind, argc, argv);
  return new k3ds::Export3dsOption(k3ds::kMeshFileKind);
}

Export_FileOption* NewProjectOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new k3ds::Export3dsOption(k3ds::kProjectFileKind, argc, argv);
  return new k3ds::Export3dsOption(k3ds::kProjectFileKind);
}

Export_FileOption* NewAscOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new k3ds::ExportAscOption(argc, argv);
  return new k3ds::ExportAscOption();
}

// The "Specific" check boxes of the options dialog; the ASCII class has no
// materials.
int Fields(k3ds::ExportFlags& f, bool materials, KvOptionField* out, int max) {
  struct Box {
    const char* label;
    int* value;
  };
  const Box boxes[] = {{"Global Settings", &f.global_setting}, {"Back Ground", &f.back_ground},
                       {"Atmosphere", &f.atmosphere},         {"Meshes", &f.meshes},
                       {"Materials", &f.materials},           {"Cameras", &f.cameras},
                       {"Lights", &f.lights},                 {"Fast Smoothing", &f.fast_smoothing}};
  int n = 0, id = 1030;
  for (const Box& b : boxes) {
    const int control = id++;
    if (!materials && b.value == &f.materials) continue;
    if (n < max) out[n++] = KvOptionField{control, b.label, KV_FIELD_FLAG, b.value, sizeof(int)};
  }
  return n;
}

int BinaryFields(Base_FileOption* o, KvOptionField* out, int max) {
  auto* options = static_cast<k3ds::Export3dsOption*>(o);
  int n = Fields(options->flags, true, out, max);
  if (n < max) out[n++] = kvpf::ImageHandlerField(&options->image_handler);
  return n;
}

int AscFields(Base_FileOption* o, KvOptionField* out, int max) {
  return Fields(static_cast<k3ds::ExportAscOption*>(o)->flags, false, out, max);
}

int ExportBinary(MScene* scene, Export_FileOption* o, MessageCallBack1* cb) {
  return k3ds::ExportBinary(scene, static_cast<k3ds::Export3dsOption*>(o), cb);
}

int ExportAsc(MScene* scene, Export_FileOption* o, MessageCallBack1* cb) {
  return k3ds::ExportAsc(scene, static_cast<k3ds::ExportAscOption*>(o), cb);
}

kvpf::ExportClassDesc mesh_desc(kvpf::ExportClassInfo{"3D Studio Binary Mesh File     (*.3ds)", 0x1A8A6EA5u,
                                                      kvpf::PluginTexts{"3DS", kMeshHelp}, NewMeshOptions,
                                                      ExportBinary, BinaryFields}, kAxesZUp);
kvpf::ExportClassDesc project_desc(kvpf::ExportClassInfo{"3D Studio Binary Mesh File     (*.prj)", 0x67E872A5u,
                                                         kvpf::PluginTexts{"3DS", kProjectHelp}, NewProjectOptions,
                                                         ExportBinary, BinaryFields}, kAxesZUp);
kvpf::ExportClassDesc asc_desc(kvpf::ExportClassInfo{"3D Studio ASCII Mesh File      (*.asc)", 0x55CC5C9Eu,
                                                     kvpf::PluginTexts{"ASC", kAscHelp}, NewAscOptions, ExportAsc,
                                                     AscFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&mesh_desc, &project_desc, &asc_desc};

}  // namespace

KV_PLUGIN_LIBRARY("3DS Export Lib", kClasses)
