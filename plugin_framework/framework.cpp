// Descriptors, importer and exporter objects and the library-wide state of
// a plug-in. No exception leaves these functions: the host is another module.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fileoption.h"
#include "logfile.h"
#include "mscene.h"
#include "pathutil.h"
#include "format_run.h"
#include "plugin_framework.h"

namespace kvpf {
namespace {

int g_argc = 0;
char** g_argv = nullptr;
bool g_cmd_mode = false;

KvUiHooks g_hooks;
bool g_have_hooks = false;

int g_last_export = -1;
// Room for a path chosen in a file dialog; a longer one fails the dialog.
constexpr size_t kChosenPathSize = 8192;
std::string g_last_export_path;

// Remembers the current directory and goes back to it at the end of a run,
// whatever the format code or a file dialog did to it.
class CurrentDirGuard {
 public:
  CurrentDirGuard() {
    if (!getcwd(dir_, sizeof dir_)) dir_[0] = 0;
  }
  ~CurrentDirGuard() {
    if (dir_[0] && chdir(dir_) != 0) {
      // Nothing sensible to do; the next run starts where it is.
    }
  }

 private:
  char dir_[PATH_MAX];
};

std::string Caption(const PluginTexts& t, const char* word, const char* file = nullptr) {
  std::string c = t.short_name ? t.short_name : "";
  c += ' ';
  c += word;
  if (file) {
    c += ' ';
    c += file;
  }
  return c;
}

// The file name part of a path, for the progress caption.
std::string FilePart(const char* path) {
  MPathParts parts = m_split_path(path ? path : "");
  return parts.fname + parts.ext;
}

std::string BaseName(const char* path) { return m_split_path(path ? path : "").fname; }

void ShowHelpText(const PluginTexts& texts) {
  std::string caption = Caption(texts, "Help");
  const char* text = texts.help_text ? texts.help_text : "";
  if (g_have_hooks && g_hooks.show_help) {
    g_hooks.show_help(caption.c_str(), text);
    return;
  }
  std::fprintf(stderr, "%s\n%s", caption.c_str(), text);
}

void ShowOptionsDialog(const PluginTexts& texts, Base_FileOption* record, OptionFieldsProc fields_proc,
                       int is_export) {
  std::string caption = Caption(texts, "Configuration");
  if (!(g_have_hooks && g_hooks.show_options)) {
    std::fprintf(stderr, "%s: no options dialog without a window; options are given as -key=value\n",
                 caption.c_str());
    return;
  }
  KvOptionField fields[32];
  int count = fields_proc ? fields_proc(record, fields, 32) : 0;
  if (count < 0) count = 0;
  if (count > 32) count = 32;
  std::string help_caption = Caption(texts, "Help");
  KvOptionsDialogData data{caption.c_str(), help_caption.c_str(), texts.help_text, is_export, record, fields, count};
  g_hooks.show_options(&data);
}

}  // namespace

// ---- library state ------------------------------------------------------

void SetCommandLine(int argc, char** argv) {
  g_cmd_mode = argc > 0 && argv != nullptr;
  g_argc = g_cmd_mode ? argc : 0;
  g_argv = g_cmd_mode ? argv : nullptr;
}
int CommandLineMode() { return g_cmd_mode ? 1 : 0; }
int CommandLineArgc() { return g_argc; }
char** CommandLineArgv() { return g_argv; }

void SetUiHooks(const KvUiHooks* hooks) {
  g_hooks = KvUiHooks{};
  g_have_hooks = hooks != nullptr;
  if (hooks) {
    // Copy only what the window program knows; the rest stays null.
    size_t n = hooks->size < sizeof g_hooks ? hooks->size : sizeof g_hooks;
    std::memcpy(&g_hooks, hooks, n);
    g_hooks.size = sizeof g_hooks;
  }
}
const KvUiHooks* UiHooks() { return g_have_hooks ? &g_hooks : nullptr; }

int LastExportResult(char* path_out, size_t size) {
  if (path_out && size > 0) std::snprintf(path_out, size, "%s", g_last_export_path.c_str());
  return g_last_export;
}

void SetWrittenPath(const char* path) { g_last_export_path = path ? path : ""; }

int LastErrorText(char* out, size_t size) {
  if (out && size > 0) std::snprintf(out, size, "%s", LastError().c_str());
  return RunFailed() ? 1 : 0;
}

int LastWarningText(int i, char* out, size_t size) {
  const std::vector<std::string>& w = LastWarnings();
  if (i < 0 || static_cast<size_t>(i) >= w.size()) return 0;
  if (out && size > 0) std::snprintf(out, size, "%s", w[static_cast<size_t>(i)].c_str());
  return 1;
}

int LastLossEntry(int i, int* kind, long* count, char* object_out, size_t size) {
  if (!LossesAccounted()) return -1;
  const std::vector<LossEntry>& l = LastLosses();
  if (i < 0 || static_cast<size_t>(i) >= l.size()) return 0;
  const LossEntry& e = l[static_cast<size_t>(i)];
  if (kind) *kind = e.kind;
  if (count) *count = e.count;
  if (object_out && size > 0) std::snprintf(object_out, size, "%s", e.object.c_str());
  return 1;
}

// ---- descriptors --------------------------------------------------------

void* ImportClassDesc::Create() {
  try {
    return static_cast<MeshImporter*>(new Importer(info_, axes_));
  } catch (...) {
    return nullptr;
  }
}

void* ExportClassDesc::Create() {
  try {
    return static_cast<MeshExporter*>(new Exporter(info_, axes_));
  } catch (...) {
    return nullptr;
  }
}

// ---- importer -----------------------------------------------------------

Importer::Importer(const ImportClassInfo& info, MAxisConvention axes) : info_(info), axes_(axes) {
  filter_ = my_strdup("");
}

Importer::~Importer() { my_free(filter_); }

void Importer::Destroy() { delete this; }

void Importer::ShowHelp() { ShowHelpText(info_.texts); }

void Importer::ShowOptions() {
  Import_FileOption* o = info_.new_options(0, 0, nullptr);
  if (!o) return;
  ShowOptionsDialog(info_.texts, o, info_.option_fields, 0);
  delete o;
}

const char* Importer::GetFilter() {
  Import_FileOption* o = info_.new_options(g_cmd_mode ? 1 : 0, g_argc, g_argv);
  const char* f = o ? o->Get_Filter() : nullptr;
  char* copy = my_strdup(f ? f : "");
  delete o;
  if (!copy) return filter_;
  my_free(filter_);
  filter_ = copy;
  return filter_;
}

MScene* Importer::Run(Import_FileOption* o) {
  const char* path = o->Get_Filename();
  MScene* scene = nullptr;
  MessageCallBack1* cb = NewCallbacks();
  if (!cb) return nullptr;
  OpenProgress(Caption(info_.texts, "Import", FilePart(path).c_str()).c_str());
  try {
    scene = new MScene(path ? path : "");
  } catch (...) {
    scene = nullptr;
  }
  ClearReports();
  if (scene) {
    SetCurrentCallbacks(cb);
    scene->axes = axes_;
    try {
      info_.import_scene(scene, o, cb);
    } catch (...) {
      // Out of memory deep in the reader: keep what was read.
      ReportWarning("out of memory: %s was read in part only", path ? path : "");
    }
    SetCurrentCallbacks(nullptr);
    if (RunFailed()) {
      // Not of the format, or unreadable: the reason is the host's to show.
      delete scene;
      scene = nullptr;
    }
  } else {
    ReportError("out of memory");
  }
  CloseProgress();
  delete cb;
  return scene;
}

MScene* Importer::ImportFile(const char* path) {
  CurrentDirGuard cwd;
  Import_FileOption* o = nullptr;
  try {
    o = info_.new_options(g_cmd_mode ? 1 : 0, g_argc, g_argv);
  } catch (...) {
    o = nullptr;
  }
  if (!o) return nullptr;
  o->Set_Filename(path ? path : "");
  MScene* scene = Run(o);
  delete o;
  return scene;
}

MScene* Importer::ImportInteractive() {
  CurrentDirGuard cwd;
  Import_FileOption* o = nullptr;
  try {
    o = info_.new_options(0, 0, nullptr);
  } catch (...) {
    o = nullptr;
  }
  if (!o) return nullptr;
  MScene* scene = nullptr;
  std::vector<char> chosen(kChosenPathSize, '\0');
  if (g_have_hooks && g_hooks.open_file) {
    const char* last = o->Get_Filename();
    if (g_hooks.open_file(o->Get_Filter(), last ? last : "", chosen.data(), chosen.size())) {
      o->Set_Filename(chosen.data());
      scene = Run(o);
    }
  } else {
    std::fprintf(stderr, "%s: no file dialog without a window; nothing imported\n",
                 Caption(info_.texts, "Import").c_str());
  }
  delete o;
  return scene;
}

// ---- exporter -----------------------------------------------------------

void Exporter::Destroy() { delete this; }

void Exporter::ShowHelp() { ShowHelpText(info_.texts); }

void Exporter::ShowOptions() {
  Export_FileOption* o = info_.new_options(0, 0, nullptr);
  if (!o) return;
  ShowOptionsDialog(info_.texts, o, info_.option_fields, 1);
  delete o;
}

void Exporter::Run(MScene* scene, Export_FileOption* o) {
  ClearReports();
  MessageCallBack1* cb = NewCallbacks();
  g_last_export_path = OutputPath(o);
  g_last_export = 0;
  if (!cb) {
    ReportError("out of memory");
    return;
  }
  const char* base = o->Get_Filename();
  OpenProgress(Caption(info_.texts, "Export", base ? base : "").c_str());
  SetCurrentCallbacks(cb);
  // The scene is the host's: turned into the format's axes for the run and
  // back after it (exactly: the change only moves and negates numbers).
  const MAxisChange turn = o->keep_axes ? MAxisChange() : m_axis_change(scene->axes, axes_);
  m_change_scene_axes(scene, turn);
  try {
    g_last_export = info_.export_scene(scene, o, cb) && !RunFailed() ? 1 : 0;
  } catch (...) {
    ReportError("out of memory");
    g_last_export = 0;
  }
  m_change_scene_axes(scene, turn.Inverse());
  if (g_last_export != 1 && !RunFailed()) ReportError("%s was not written", g_last_export_path.c_str());
  SetCurrentCallbacks(nullptr);
  CloseProgress();
  delete cb;
}

void Exporter::ExportFile(MScene* scene, const char* path) {
  if (!scene) return;
  Export_FileOption* o = nullptr;
  try {
    o = info_.new_options(g_cmd_mode ? 1 : 0, g_argc, g_argv);
  } catch (...) {
    o = nullptr;
  }
  if (!o) {
    g_last_export = 0;
    return;
  }
  const char* scene_name = scene->get_name() ? scene->get_name() : "";
  o->Set_SubDir(BaseName(scene_name).c_str());
  MPathParts parts = m_split_path(path ? path : "");
  o->Set_Pathname(parts.dir.c_str());
  o->Set_Filename(parts.fname.c_str());
  o->Set_ImportFilename(scene_name);
  Run(scene, o);
  delete o;
}

void Exporter::ExportInteractive(MScene* scene) {
  if (!scene) return;
  CurrentDirGuard cwd;
  Export_FileOption* o = nullptr;
  try {
    o = info_.new_options(0, 0, nullptr);
  } catch (...) {
    o = nullptr;
  }
  if (!o) return;
  const char* scene_name = scene->get_name() ? scene->get_name() : "";
  std::string fname = BaseName(scene_name);
  std::string proposed = m_join_path("", fname, o->Get_Ext() ? o->Get_Ext() : "");
  std::vector<char> chosen(kChosenPathSize, '\0');
  if (g_have_hooks && g_hooks.save_file) {
    if (g_hooks.save_file(o->Get_Ext(), o->Get_Filter(), proposed.c_str(), chosen.data(), chosen.size())) {
      MPathParts parts = m_split_path(chosen.data());
      o->Set_Pathname(parts.dir.c_str());
      o->Set_Filename(parts.fname.c_str());
      o->Set_SubDir(fname.c_str());
      o->Set_ImportFilename(scene_name);
      Run(scene, o);
    }
  } else {
    std::fprintf(stderr, "%s: no file dialog without a window; nothing exported\n",
                 Caption(info_.texts, "Export").c_str());
  }
  delete o;
}

}  // namespace kvpf
