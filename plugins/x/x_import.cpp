// DirectX import: .x files (text, binary, compressed) through the .x file
// layer into a scene.
#include <cstring>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "x_import.h"
#include "x_options.h"
#include "xfile.h"

namespace {

const char kTitle[] = "DirectX Import Plugin 1.0";
const char kHelp[] =
    "DirectX Import Plugin 1.0\n\nImports *.x, DirectX files in text, binary or compressed form\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n"
    "Specific Settings:\n\n\tImage Search Path: folders searched for texture maps, each ending with \\ and ;\n\n";
char kDefault[] = "DEFAULT";

void ImportX(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  XImportOption* o = static_cast<XImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  scene->surfaces->Append(new MSurface(kDefault));
  char dir[M_MAX_PATH];
  if (m_getpath(dir, run.path().c_str())) scene->maps->AddSearchPath(dir);
  scene->maps->AddSearchPath(o->image_search_path);

  MFileView file;
  if (!run.OpenInput(&file)) return;
  kvx::XFile x;
  if (!x.Load(file.data(), file.size())) return run.Fail("%s: %s", run.path().c_str(), x.error().c_str());
  if (cb) cb->msg1("Mesh");
  kvx::XSceneReader reader(x, scene, run);
  const int meshes = reader.ReadAll();
  if (x.truncated()) {
    run.log().write("%s\n", x.error().c_str());
    if (meshes == 0) return run.Fail("%s: %s", run.path().c_str(), x.error().c_str());
    run.Warn("%s: %s; the objects before are kept", run.path().c_str(), x.error().c_str());
  }
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new XImportOption(argc, argv);
  return new XImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  if (max < 1) return 0;
  XImportOption* o = static_cast<XImportOption*>(base);
  out[0] = KvOptionField{1027, "Image Search Path", KV_FIELD_STRING, o->image_search_path, sizeof o->image_search_path};
  return 1;
}

kvpf::ImportClassDesc x_import_desc(kvpf::ImportClassInfo{
    "DirectX (*.x)", 0x71BC2FDAu, kvpf::PluginTexts{"D3X", kHelp}, NewOptions, ImportX, OptionFields}, kAxesYUpLeftHanded);

PluginClassDesc* const kClasses[] = {&x_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("D3X Import Lib", kClasses)
