// The binary contract between the host and a format plug-in. Host and
// plug-ins are built separately; they agree only on what is in this file:
// the four exported C entry points, the virtual slot order of the three
// classes below, the interface version and the super-class ids.
//
// Nothing here may be reordered: a virtual function's position is its slot.
#pragma once
#include <cstddef>
#include <cstdint>

#include "korvanelib.h"
#include "msgcallback.h"

class MScene;

// Interface version every plug-in reports and the host requires.
#define KV_PLUGIN_VERSION 1072
// SuperClassID values.
#define MESH_IMPORT_CLASS_ID 0x2000
#define MESH_EXPORT_CLASS_ID 0x2001

// The object an import class creates. Lives for one call; the caller ends
// it with Destroy (never with delete).
class MeshImporter {
 public:
  virtual void Destroy() = 0;                             // slot 0
  virtual void ShowHelp() = 0;                            // slot 1
  virtual void ShowOptions() = 0;                         // slot 2
  virtual MScene* ImportFile(const char* path) = 0;       // slot 3
  virtual MScene* ImportInteractive() = 0;                // slot 4
  virtual int Reserved() = 0;                             // slot 5
  virtual const char* GetFilter() = 0;                    // slot 6

  KV_SHARED_HEAP

 protected:
  MeshImporter() = default;
  ~MeshImporter() = default;  // Destroy is the only way out
};

// The object an export class creates. The scene stays the caller's.
class MeshExporter {
 public:
  virtual void Destroy() = 0;                                   // slot 0
  virtual void ShowHelp() = 0;                                  // slot 1
  virtual void ShowOptions() = 0;                               // slot 2
  virtual void ExportFile(MScene* scene, const char* path) = 0;  // slot 3
  virtual void ExportInteractive(MScene* scene) = 0;            // slot 4

  KV_SHARED_HEAP

 protected:
  MeshExporter() = default;
  ~MeshExporter() = default;
};

// One static object per class, owned by its library; the host never frees it.
class PluginClassDesc {
 public:
  virtual int IsPublic() = 0;             // slot 0
  virtual void* Create() = 0;             // slot 1: MeshImporter* or MeshExporter*, by SuperClassID
  virtual const char* ClassName() = 0;    // slot 2
  virtual int SuperClassID() = 0;         // slot 3
  virtual uint32_t ClassID() = 0;         // slot 4

 protected:
  PluginClassDesc() = default;
  ~PluginClassDesc() = default;
};

// The exported entry points (undecorated C names).
extern "C" {
typedef const char* (*LibNameProc)();
typedef int (*LibNumberClassesProc)();
typedef PluginClassDesc* (*LibClassDescriptionProc)(int index);
typedef int (*LibVersionProc)();

// Optional entry point, looked up by name and called when present before any
// object is created: from then on ImportFile/ExportFile build their option
// records in command-line mode from these arguments (-key=value, @file),
// which never write the settings store. argc 0 returns to settings-store
// mode. argv is not copied and must outlive the library's use of it.
typedef void (*LibSetCommandLineProc)(int argc, char** argv);

// Optional entry points about the library's last import or export: 1
// written, 0 failed, -1 none yet, with the path written (or tried);
// 1 when it failed, with the reason; warning i (1, or 0 past the last).
typedef int (*LibLastExportProc)(char* path_out, size_t size);
typedef int (*LibLastErrorProc)(char* out, size_t size);
typedef int (*LibLastWarningProc)(int i, char* out, size_t size);

// Optional entry point about what the library's last export could not keep:
// entry i (its kind, a KvLossKind, its count and the name of the object it
// concerns; "(scene)" for the scene as a whole) and 1, or 0 past the last;
// -1 when that export keeps no account of what it loses.
typedef int (*LibLastLossProc)(int i, int* kind, long* count, char* object_out, size_t size);
}

// What an export could not keep. The numbers are part of the contract: the
// host shows them by their labels (KvLossLabel); new kinds go at the end.
enum KvLossKind : int {
  KV_LOSS_NAME_CUT = 0,
  KV_LOSS_NAME_CHANGED = 1,
  KV_LOSS_NAME_DROPPED = 2,
  KV_LOSS_MESH_SPLIT = 3,
  KV_LOSS_NGON_TRIANGULATED = 4,
  KV_LOSS_SOLID_MESHED = 5,
  KV_LOSS_FACES_DROPPED = 6,
  KV_LOSS_NORMALS_DROPPED = 7,
  KV_LOSS_UVS_DROPPED = 8,
  KV_LOSS_MATERIALS_DROPPED = 9,
  KV_LOSS_MAPS_DROPPED = 10,
  KV_LOSS_CAMERAS_DROPPED = 11,
  KV_LOSS_LIGHTS_DROPPED = 12,
  KV_LOSS_HIERARCHY_FLATTENED = 13,
  KV_LOSS_KIND_COUNT
};

inline const char* KvLossLabel(int kind) {
  static const char* const kLabels[KV_LOSS_KIND_COUNT] = {
      "names cut",         "names changed",   "names dropped",      "meshes split",   "n-gons triangulated",
      "solids meshed",     "faces dropped",   "normals dropped",    "UVs dropped",    "materials dropped",
      "maps dropped",      "cameras dropped", "lights dropped",     "hierarchy flattened"};
  return kind >= 0 && kind < KV_LOSS_KIND_COUNT ? kLabels[kind] : "other losses";
}

#define KV_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

#define KV_LIBNAME_SYMBOL "LibName"
#define KV_LIBNUMBERCLASSES_SYMBOL "LibNumberClasses"
#define KV_LIBCLASSDESCRIPTION_SYMBOL "LibClassDescription"
#define KV_LIBVERSION_SYMBOL "LibVersion"
#define KV_LIBSETCOMMANDLINE_SYMBOL "LibSetCommandLine"
#define KV_LIBLASTEXPORT_SYMBOL "LibLastExport"
#define KV_LIBLASTERROR_SYMBOL "LibLastError"
#define KV_LIBLASTWARNING_SYMBOL "LibLastWarning"
#define KV_LIBLASTLOSS_SYMBOL "LibLastLoss"
// Optional: installs the window program's dialogs (plugin_ui.h).
#define KV_LIBSETUIHOOKS_SYMBOL "LibSetUiHooks"
