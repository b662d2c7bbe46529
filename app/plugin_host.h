// The plug-in host: loads the format plug-ins of one folder, lists their
// classes, finds the import class of a file, writes the plug-in summary, and
// keeps the application's own settings.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "mlist.h"
#include "plugin_api.h"

// One loaded plug-in file.
struct PluginLibrary {
  void* handle = nullptr;
  LibNameProc lib_name = nullptr;
  LibNumberClassesProc lib_number_classes = nullptr;
  LibClassDescriptionProc lib_class_description = nullptr;
  LibVersionProc lib_version = nullptr;
  // 0 loaded with all four entry points; 1 could not be loaded (or unload
  // failed); 2 an entry point is missing.
  int status = 1;
  char* path = nullptr;  // owned copy

  // Optional entry points; null when the plug-in lacks them.
  LibSetCommandLineProc lib_set_command_line = nullptr;
  void* lib_set_ui_hooks = nullptr;   // LibSetUiHooksProc (plugin_ui.h)
  void* lib_last_export = nullptr;    // LibLastExportProc (plugin_framework.h)
  void* lib_last_error = nullptr;     // LibLastErrorProc
  void* lib_last_warning = nullptr;   // LibLastWarningProc
  void* lib_last_loss = nullptr;      // LibLastLossProc

  KV_SHARED_HEAP
};

// One thing an export could not keep (LibLastLoss).
struct ExportLoss {
  std::string object;
  int kind = 0;  // KvLossKind
  long count = 0;
};

// The loaded plug-ins and their accepted classes.
class PluginRegistry {
 public:
  MList* libraries;  // PluginLibrary*; the deleter unloads and frees
  MList* classes;    // PluginClassDesc*; no deleter, descriptors are the libraries'

  PluginRegistry();
  ~PluginRegistry();
  PluginRegistry(const PluginRegistry&) = delete;
  PluginRegistry& operator=(const PluginRegistry&) = delete;

  // Scans directory (a trailing '/' is added when missing) for "*.so" files in
  // sorted name order and loads every acceptable one (four entry points,
  // LibNumberClasses() != 0, LibVersion() == version); then collects the
  // classes, the first of equal ClassID winning. Returns the class count.
  int Load(const char* directory, int version = KV_PLUGIN_VERSION);

  PluginClassDesc* GetClass(int i);
  int ClassCount() const;
  // The library that holds class i; null when out of range.
  PluginLibrary* GetClassLibrary(int i);

  // Class-list position of the first import class whose filter lists the
  // path's extension ("*.3ds" for model.3DS: the whole extension, any case;
  // "*.*" matches nothing); -1 for no extension or one no class lists.
  int FindImportClass(const char* path);

  // Positions of the import (0x2000) and the export (0x2001) classes.
  std::vector<int> ImportTable();
  std::vector<int> ExportTable();

  // The plug-in summary lines (without line ends).
  std::vector<std::string> SummaryLines();
  // Writes the summary lines, each followed by "\n"; 0 when the file cannot
  // be written (an existing one is then untouched).
  int WriteSummary(const char* path);

  // Hands the arguments to every library that has LibSetCommandLine; argc 0
  // returns them to settings-store mode.
  void SetCommandLine(int argc, char** argv);

  // Result and path of the last export done through class i's library
  // (LibLastExport): 1 written, 0 failed, -1 unknown.
  int LastExport(int class_index, char* path_out, size_t size);
  // Why the last import or export through class i's library failed; "" when
  // it did not fail or the library cannot tell.
  std::string LastError(int class_index);
  // The warnings of that run.
  std::vector<std::string> LastWarnings(int class_index);
  // What the last export through class i's library could not keep;
  // *accounted (may be null) is false when the library keeps no such
  // account (then the list is empty).
  std::vector<ExportLoss> LastLosses(int class_index, bool* accounted = nullptr);

  // Deletes both lists (unloading every library); the registry stays usable.
  void Destroy();

 private:
  std::vector<PluginLibrary*> class_libs_;  // parallel to classes
};

// The extensions an import filter lists, lower-cased with their dot
// ("Name (*.a)|*.a;*.b|All (*.*)|*.*||" gives ".a", ".b").
std::vector<std::string> FilterExtensions(const char* filter);

// KORVANE_PLUGIN_DIR (with a trailing '/') when set; else "plugin/" beside
// the running program when that folder exists (the build tree); else the
// installed plug-in folder relative to the program (../lib/korvane/plugin/).
std::string DefaultPluginDir();
// Base name of the running program (no directory, no extension).
std::string ProgramName();

// The application's persisted settings (section "Settings" of the settings
// store named by the program name).
class AppSettings {
 public:
  char program_name[260];
  int clear_flag = 1;
  int check_name_mode = 2;
  char plugin_path[260];
  char* last_import_class = nullptr;  // owned
  char* last_export_class = nullptr;  // owned

  // Defaults: program name and plug-in path of the running program
  // (DefaultPluginDir); program_name may be given for tests.
  explicit AppSettings(const char* program_name = nullptr);
  ~AppSettings();
  AppSettings(const AppSettings&) = delete;
  AppSettings& operator=(const AppSettings&) = delete;

  void Load();
  // Writes the five keys and, last, "Build" = 1687.
  void Save();

  void Set_LastImportClass(const char* name);
  void Set_LastExportClass(const char* name);

  KV_SHARED_HEAP
};

// Combo position whose ClassName equals name in the table (the last equal
// one), 0 otherwise.
int FindTablePosition(PluginRegistry& registry, const std::vector<int>& table, const char* name);
