// The conversion driver: what the window and the command line do with
// scenes. It imports through a class of the registry, keeps the imported
// scenes, counts what they hold, lists their objects, shows one object's
// details, dumps them to a text file and exports them.
//
// It shows nothing itself: failures are returned (0, -1, null) and described
// in last_error with the texts the window puts in its message boxes
// (caption "Error").
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "mlist.h"
#include "mobj3d.h"
#include "mscene.h"

#include "plugin_host.h"

// The counters of the main window, recomputed after every change of the
// scene list.
struct SceneStatistics {
  long scenes = 0;
  long objects = 0;
  long faces = 0;
  long vertices = 0;
  long cameras = 0;
  long lights = 0;
  long materials = 0;
  long images = 0;
};

// Everything the "Detailed Statistics" dialog shows of one object.
struct ObjectDetails {
  char name[1024] = "";
  const char* type_name = "";
  int faces = 0;
  int vertices = 0;
  double min[3] = {0, 0, 0};
  double max[3] = {0, 0, 0};
  int normal_faces = 0;
  int normal_vertices = 0;
  int uv_faces = 0;
  int uv_vertices = 0;
  int surface_refs = 0;
};

// "TNULL", "MESH2", ... indexed by MObj3d_Types; "UNKNOWN" outside.
const char* ObjectTypeName(int type);

// The object-list line of one object: "(M) name", "(R) name", "(S) name";
// empty for types the list does not show.
std::string ObjectListLine(MObj3d* obj);

// Scene-list deleter: ~MScene, then my_free.
void DeleteScene(void* scene);

class ConversionDriver {
 public:
  MList* scenes;  // MScene*, owned (DeleteScene)
  // Why the last import, export or dump failed, as the plug-in or the file
  // system said it.
  std::string last_error;
  // What the last import or export reported although it went on.
  std::vector<std::string> warnings;
  // What the last export could not keep, over all scenes, and whether the
  // export class keeps such an account at all.
  std::vector<ExportLoss> losses;
  bool losses_accounted = false;

  explicit ConversionDriver(PluginRegistry& registry);
  ~ConversionDriver();
  ConversionDriver(const ConversionDriver&) = delete;
  ConversionDriver& operator=(const ConversionDriver&) = delete;

  // Imports path through class class_index (an import class) and, when a
  // scene comes back, makes it the only scene. 1 imported, 0 when the class
  // is no import class or returned no scene (last_error then holds the
  // importer's reason: not of the format, unreadable).
  int ImportFile(int class_index, const char* path);
  // The same through the class whose filter holds the path's extension;
  // -1 and "Extension not recognized!" when none does.
  int ImportByName(const char* path);
  // The class's open-file dialog, then the import; 0 when cancelled.
  int ImportInteractive(int class_index);

  // Exports every scene through class class_index (an export class) to
  // path; the exporter keeps its folder and base name and appends its own
  // extension. With more than one scene, scene k > 0 gets "_k" after the
  // base name so no scene overwrites another. 1 when every file was
  // written; 0 otherwise ("No Scene available" for an empty list, else the
  // exporter's reason, such as "Cannot open file <path>: <why>").
  // written (may be null) receives the paths the exporter wrote or tried.
  int ExportFile(int class_index, const char* path, std::vector<std::string>* written = nullptr);
  // The class's save-file dialog for every scene.
  int ExportInteractive(int class_index);

  // ShowHelp / ShowOptions of a class; 0 when the index is out of range.
  int ShowHelp(int class_index);
  int ShowOptions(int class_index);

  // Empties the scene list.
  void Clear();
  // For a process that ends with this driver (a command-line command): the
  // scenes are left for the system to take back at the exit, which is
  // quicker than freeing a large scene face by face. Builds that check for
  // leaks free them all the same.
  void LeaveScenesAtExit() { leave_scenes_ = true; }
  // The scenes are exported once (a conversion, a batch job): exports free
  // each triangulated copy once written instead of keeping it for the next.
  void ExportOnce() { export_once_ = true; }

  SceneStatistics Statistics();
  // One line per listed object, of all scenes, in order.
  std::vector<std::string> ObjectList();
  // The object behind a line of ObjectList (lines skip unlisted types and
  // run over all scenes); null out of range.
  MObj3d* ObjectAtLine(int line);
  // The details of an object; all zero for null.
  static ObjectDetails Details(MObj3d* obj);
  // Renames the object (cut at 1023 characters); 0 for null.
  static int Rename(MObj3d* obj, const char* name);

  // The triangles the meshes and solids give after triangulation, as an
  // exporter writes them (references count as the object they name). The
  // scene is left as it is: triangulated copies made here are not kept.
  long TriangleCount();
  // The box around all scenes (each as its importer computed it); 0 when
  // there is no scene.
  int Bounds(MVector3& min, MVector3& max);

  // MScene::Print of every scene into path (a text file, truncated). 0 and
  // "Cannot open file ..." when it cannot be created, 0 without a scene.
  int Dump(const char* path);

 private:
  PluginRegistry& registry_;
  bool leave_scenes_ = false;
  bool export_once_ = false;
  void ReplaceScenes(MScene* scene);
};
