// The code every plug-in carries around its format routine: class
// descriptors, importer and exporter objects, the six progress callbacks and
// the entry points. A plug-in supplies one ImportClassInfo or
// ExportClassInfo per class (names, texts, how to build its option record,
// its ImportScene/ExportScene) and lists its descriptors with
// KV_PLUGIN_LIBRARY.
//
// Example (one import class):
//   static kvpf::ImportClassDesc raw_desc({...});
//   static PluginClassDesc* const classes[] = {&raw_desc};
//   KV_PLUGIN_LIBRARY("RAW Import Lib", classes)
#pragma once
#include <cstddef>
#include <cstdint>

#include "axes.h"
#include "plugin_api.h"
#include "plugin_ui.h"

#include <cstdio>
#include <string>

class Import_FileOption;
class Export_FileOption;
class LogFile;
class MIHandler;

namespace kvpf {

// ---- what a plug-in supplies -------------------------------------------

// Texts of a plug-in's string resources that the framework shows.
struct PluginTexts {
  const char* short_name;  // string 2: "RAW"; first word of every caption
  const char* help_text;   // string 1: the help text, "\n" line ends
};

// Builds the class's option record: from the settings store when cmd_mode is
// 0 (the record saves itself when deleted), otherwise from (argc, argv)
// (never writes the store). Returns null when nothing could be allocated.
typedef Import_FileOption* (*NewImportOptionProc)(int cmd_mode, int argc, char** argv);
typedef Export_FileOption* (*NewExportOptionProc)(int cmd_mode, int argc, char** argv);
typedef void (*ImportSceneProc)(MScene* scene, Import_FileOption* options, MessageCallBack1* cb);
typedef int (*ExportSceneProc)(MScene* scene, Export_FileOption* options, MessageCallBack1* cb);
// The format's own option fields for the options dialog; at most max written.
typedef int (*OptionFieldsProc)(Base_FileOption* options, KvOptionField* out, int max);

struct ImportClassInfo {
  const char* class_name;  // "RAW (*.raw)"
  uint32_t class_id;
  PluginTexts texts;
  NewImportOptionProc new_options;
  ImportSceneProc import_scene;
  OptionFieldsProc option_fields;  // may be null
};

struct ExportClassInfo {
  const char* class_name;
  uint32_t class_id;
  PluginTexts texts;
  NewExportOptionProc new_options;
  ExportSceneProc export_scene;
  OptionFieldsProc option_fields;  // may be null
};

// A descriptor states the axes of its format's files (kAxesZUp, kAxesYUp,
// kAxesYUpLeftHanded; kAxesAsStored when the format has none): an import
// gives its scene that convention, an export turns a scene of another one
// into its own for the run, unless the options keep the axes as stored.
class ImportClassDesc final : public PluginClassDesc {
 public:
  explicit ImportClassDesc(const ImportClassInfo& info, MAxisConvention axes = kAxesAsStored)
      : info_(info), axes_(axes) {}
  int IsPublic() override { return 1; }
  void* Create() override;
  const char* ClassName() override { return info_.class_name; }
  int SuperClassID() override { return MESH_IMPORT_CLASS_ID; }
  uint32_t ClassID() override { return info_.class_id; }
  const ImportClassInfo& info() const { return info_; }
  MAxisConvention axes() const { return axes_; }

 private:
  ImportClassInfo info_;
  MAxisConvention axes_;
};

class ExportClassDesc final : public PluginClassDesc {
 public:
  explicit ExportClassDesc(const ExportClassInfo& info, MAxisConvention axes = kAxesAsStored)
      : info_(info), axes_(axes) {}
  int IsPublic() override { return 1; }
  void* Create() override;
  const char* ClassName() override { return info_.class_name; }
  int SuperClassID() override { return MESH_EXPORT_CLASS_ID; }
  uint32_t ClassID() override { return info_.class_id; }
  const ExportClassInfo& info() const { return info_; }
  MAxisConvention axes() const { return axes_; }

 private:
  ExportClassInfo info_;
  MAxisConvention axes_;
};

// ---- the objects the descriptors create --------------------------------

class Importer final : public MeshImporter {
 public:
  Importer(const ImportClassInfo& info, MAxisConvention axes);
  void Destroy() override;
  void ShowHelp() override;
  void ShowOptions() override;
  MScene* ImportFile(const char* path) override;
  MScene* ImportInteractive() override;
  int Reserved() override { return 0; }
  const char* GetFilter() override;

 private:
  ~Importer();
  MScene* Run(Import_FileOption* options);
  const ImportClassInfo& info_;
  MAxisConvention axes_;
  char* filter_ = nullptr;  // text last returned by GetFilter
};

class Exporter final : public MeshExporter {
 public:
  Exporter(const ExportClassInfo& info, MAxisConvention axes) : info_(info), axes_(axes) {}
  void Destroy() override;
  void ShowHelp() override;
  void ShowOptions() override;
  void ExportFile(MScene* scene, const char* path) override;
  void ExportInteractive(MScene* scene) override;

 private:
  ~Exporter() = default;
  void Run(MScene* scene, Export_FileOption* options);
  const ExportClassInfo& info_;
  MAxisConvention axes_;
};

// The options dialog's "Image Handler" button (1047) over an exporter's map
// settings.
inline KvOptionField ImageHandlerField(MIHandler* handler) {
  return KvOptionField{1047, "Image Handler", KV_FIELD_IMAGE_HANDLER, handler, sizeof(void*)};
}

// ---- progress and the callback record ----------------------------------

// Percentage of a progress call (a = current item, b = number of items):
// 100 when b == a + 1, 0 when b < 2, else a / (b - 1) * 100 truncated.
int Percent(long a, long b);

// Where the rows are shown. Without a window: standard error when it is a
// terminal, nowhere otherwise. Tests install their own.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void SetText(int row, const char* text) = 0;
  virtual void SetPos(int row, int pos) = 0;
  virtual void SetPercent(int row, const char* text) = 0;
  virtual void Pump() {}
};

// The view the six callbacks drive; null shows nothing (the rules still run).
void SetProgressView(ProgressView* view);
ProgressView* GetProgressView();

// The six framework functions, in constructor order.
void Msg1(const char* fmt, ...);
void Progress1(long a, long b);
void Msg2(const char* fmt, ...);
void Progress2(long a, long b);
void Msg3(const char* fmt, ...);
void Progress3(long a, long b);

// Through a run's callback record (null, or null members, are skipped):
// row 1 names a step of the run and its place among all steps, row 2 the
// item being worked on (name, i of n).
void ReportStep(MessageCallBack1* cb, long step, long steps, const char* text);
void ReportItem(MessageCallBack1* cb, const char* name, long i, long n);

// Last value shown in row 1..3; plug-in-wide, back at 0 whenever a run opens
// its progress (OpenProgress), so every run starts from zero.
int LastShown(int row);
void ResetShown();

// A callback record with the six functions, allocated on the shared heap
// (free with delete); null when nothing could be allocated.
MessageCallBack1* NewCallbacks();

// The plug-in-wide record of the running import or export, so that code deep
// in a format reports progress without passing it around. Null outside a run.
MessageCallBack1* CurrentCallbacks();
void SetCurrentCallbacks(MessageCallBack1* cb);

// Opens the progress window (or the terminal bar) for one run and closes it.
void OpenProgress(const char* caption);
void CloseProgress();

// ---- library state shared by the entry points ---------------------------

// Command-line mode (LibSetCommandLine): argc 0 means settings-store mode.
void SetCommandLine(int argc, char** argv);
int CommandLineMode();
int CommandLineArgc();
char** CommandLineArgv();

// The window program's dialogs (LibSetUiHooks); null when headless.
void SetUiHooks(const KvUiHooks* hooks);
const KvUiHooks* UiHooks();

// Result of the last ExportScene in this library: 1 written, 0 failed, -1 no
// export yet; the path it wrote (or tried to) when asked.
int LastExportResult(char* path_out, size_t size);
// For an export that names its files itself (one file per object, say): the
// path the host reports as written instead of the one the options give.
// Holds for the running export only.
void SetWrittenPath(const char* path);
// 1 when the last import or export of this library failed, with its reason
// in out; 0 otherwise.
int LastErrorText(char* out, size_t size);
// Warning i of the last run in out: 1, or 0 past the last one.
int LastWarningText(int i, char* out, size_t size);
// Entry i of what the last export could not keep (LibLastLoss): 1, 0 past
// the last, -1 when that export keeps no account of its losses.
int LastLossEntry(int i, int* kind, long* count, char* object_out, size_t size);

}  // namespace kvpf


// Defines the plug-in's entry points. `classes` is a static array of
// PluginClassDesc*.
#define KV_PLUGIN_LIBRARY(lib_name, classes)                                                           \
  KV_PLUGIN_EXPORT const char* LibName() { return lib_name; }                                          \
  KV_PLUGIN_EXPORT int LibNumberClasses() { return static_cast<int>(sizeof(classes) / sizeof(classes[0])); } \
  KV_PLUGIN_EXPORT PluginClassDesc* LibClassDescription(int i) {                                       \
    return (i >= 0 && i < LibNumberClasses()) ? classes[i] : nullptr;                                  \
  }                                                                                                    \
  KV_PLUGIN_EXPORT int LibVersion() { return KV_PLUGIN_VERSION; }                                      \
  KV_PLUGIN_EXPORT void LibSetCommandLine(int argc, char** argv) { kvpf::SetCommandLine(argc, argv); } \
  KV_PLUGIN_EXPORT void LibSetUiHooks(const KvUiHooks* hooks) { kvpf::SetUiHooks(hooks); }              \
  KV_PLUGIN_EXPORT int LibLastExport(char* path_out, size_t size) {                                    \
    return kvpf::LastExportResult(path_out, size);                                                     \
  }                                                                                                    \
  KV_PLUGIN_EXPORT int LibLastError(char* out, size_t size) { return kvpf::LastErrorText(out, size); }  \
  KV_PLUGIN_EXPORT int LibLastWarning(int i, char* out, size_t size) {                                 \
    return kvpf::LastWarningText(i, out, size);                                                        \
  }                                                                                                    \
  KV_PLUGIN_EXPORT int LibLastLoss(int i, int* kind, long* count, char* object_out, size_t size) {     \
    return kvpf::LastLossEntry(i, kind, count, object_out, size);                                      \
  }
