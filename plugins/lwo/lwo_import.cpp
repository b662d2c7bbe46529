// LightWave import: an object file (IFF FORM, LWOB or LWO2) or a scene file
// (LWSC) with the objects it loads.
#include <cstdio>
#include <cstring>

#include "format_run.h"
#include "korvanelib.h"
#include "lwo_import_parts.h"
#include "lwo_options.h"
#include "plugin_framework.h"

namespace {

const char kTitle[] = "LWO Import Plugin 1.0";

// The content folder with '/' and its closing separator.
std::string ContentDir(const char* dir) {
  std::string d = lwoimp::SlashPath(dir ? dir : "");
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

void ImportLwo(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  LwoImportOption* o = static_cast<LwoImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  MFileView file;
  if (!run.OpenInput(&file)) return;
  const MPathParts parts = m_split_path(run.path().c_str());
  scene->maps->AddSearchPath(parts.dir.empty() ? "./" : parts.dir.c_str());
  scene->maps->AddSearchPath(o->image_search_path);
  lwoimp::Context ctx{scene, o, cb, run, run.log(), ContentDir(o->content_dir), {}, {}};
  if (file.StartsWith("FORM", 4)) {
    std::string error;
    if (!lwoimp::ImportObject(ctx, run.path(), file, &error)) return run.Fail("%s", error.c_str());
  } else if (file.StartsWith("LWSC", 4)) {
    file.Close();
    FILE* f = run.OpenInputStream();
    if (!f) return;
    lwoimp::ImportSceneFile(ctx, f);
    std::fclose(f);
    if (run.Failed()) return;
  } else {
    run.log().write("No LightWave File\n");
    return run.Fail("%s is neither a LightWave object (FORM) nor a scene (LWSC)", run.path().c_str());
  }
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new LwoImportOption(argc, argv);
  return new LwoImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  return static_cast<LwoImportOption*>(base)->Fields(out, max);
}

// LightWave files are Y up and left-handed; the reader exchanges y and z
// itself, so its scenes are Z up.
kvpf::ImportClassDesc lwo_import_desc(kvpf::ImportClassInfo{"LightWave (*.lwo, *.lws)", 0x245F4662u,
                                                            kvpf::PluginTexts{"LWO", LwoImportOption::Help()},
                                                            NewOptions, ImportLwo, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&lwo_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("LWO Import Lib", kClasses)
