// What every format routine does around its format: the run's log with its
// banner and options, the input or output paths, the outputs written in full
// or not at all, and the reasons a run failed, which reach the host.
//
// An importer:
//   void ImportFoo(MScene* scene, Import_FileOption* o, MessageCallBack1* cb) {
//     kvpf::ImportRun run(o, cb, "Foo Import Plugin 1.0");
//     MFileView file;
//     if (!run.OpenInput(&file)) return;
//     if (!file.StartsWith("FOO1", 4)) return run.Fail("not a Foo file");
//     ... read into scene, run.log().write(...), run.Warn(...) ...
//     run.Finish(scene);
//   }
// An exporter:
//   int ExportFoo(MScene* scene, Export_FileOption* o, MessageCallBack1* cb) {
//     kvpf::ExportRun run(o, cb, "Foo Export Plugin 1.0");
//     MOutputFile* f = run.Open();
//     if (!f) return 0;
//     MTextWriter out(*f, o->ld_mode);
//     ForEachExportMesh(scene, cb, {}, [&](const MExportMesh& m) { ... });
//     out.Flush();
//     return run.Finish();
//   }
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_api.h"

namespace kvpf {

// The build stamp of a plug-in's log banner.
#define KV_BUILD_STAMP __DATE__ " " __TIME__

// ---- reasons that reach the host ---------------------------------------

// Why the running import or export failed (the first reason of a run is
// kept): the import gives no scene, the export counts as not written. The
// host shows the text (LibLastError).
void ReportError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Something the user should know although the run goes on: part of a file
// was unreadable, a map was left out (LibLastWarning).
void ReportWarning(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The framework starts every run with none.
void ClearReports();
bool RunFailed();
const std::string& LastError();
const std::vector<std::string>& LastWarnings();

// ---- what an export could not keep -----------------------------------------

// The object a loss concerns when it is the scene's as a whole.
extern const char kSceneObject[];  // "(scene)"

struct LossEntry {
  std::string object;
  KvLossKind kind;
  long count;
};

// The running export keeps an account of what it loses: from now on the
// host reports an empty account as "nothing lost" (LibLastLoss).
void AccountLosses();
bool LossesAccounted();
// count things of this kind that the object lost; records of the same object
// and kind add up, in the order they first came.
void ReportLoss(const char* object, KvLossKind kind, long count = 1);
const std::vector<LossEntry>& LastLosses();

// What an import and an export run have alike: the log, the callbacks and
// the two ways a reason leaves the run.
class RunBase {
 public:
  LogFile& log() { return *log_; }
  MessageCallBack1* cb() const { return cb_; }
  // The file is not of the format, cannot be read, or the export cannot be
  // done as asked: the reason goes to the log and to the host; an import
  // then gives no scene, an export writes nothing.
  void Fail(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // Part of the file could not be used, or was left out of the output;
  // what was done stays.
  void Warn(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  bool Failed() const { return RunFailed(); }

 protected:
  explicit RunBase(MessageCallBack1* cb) : cb_(cb) {}
  ~RunBase();
  MessageCallBack1* cb_;
  std::unique_ptr<LogFile> log_;
};

// ---- import --------------------------------------------------------------

class ImportRun : public RunBase {
 public:
  // Opens the log beside the input (in verbose mode), writes the banner
  // ("<title> <stamp> VC++50") and the options, then "Parsing <path>
  // started ...".
  ImportRun(Import_FileOption* o, MessageCallBack1* cb, const char* title, const char* stamp = KV_BUILD_STAMP);
  ImportRun(const ImportRun&) = delete;
  ImportRun& operator=(const ImportRun&) = delete;

  const std::string& path() const { return path_; }
  // The absolute folder of the input, with its trailing '/' (where its
  // material libraries and maps are looked for first). Nothing is cut.
  std::string folder() const;

  // Maps the input; on failure logs "File <path> not found" and fails the
  // run with the system's reason.
  bool OpenInput(MFileView* file);
  // The same for formats read line by line (null on failure; the caller
  // closes it).
  FILE* OpenInputStream();

  // The end of every import: a warning when the scene holds no object
  // ("<path> holds no geometry"), bounding box, the default camera (camera
  // active_camera made active, the first when out of range) and lights when
  // the file had none, and the closing log lines.
  void Finish(MScene* scene, int active_camera = 0);

 private:
  std::string path_;
};

// ---- export --------------------------------------------------------------

class ExportRun : public RunBase {
 public:
  // Builds the output path from the option record (creating the
  // sub-directory when the record asks for one), opens the log there (in
  // verbose mode) and writes the banner, "Writing <path> started ..." and
  // the options.
  // The log reads title, options, "Writing ... started"; formats whose log
  // names the file before the options ask for kWritingFirst.
  enum LogOrder { kOptionsFirst, kWritingFirst };
  ExportRun(Export_FileOption* o, MessageCallBack1* cb, const char* title, const char* stamp = KV_BUILD_STAMP,
            LogOrder order = kOptionsFirst);
  // Outputs not committed by Finish are discarded.
  ~ExportRun();
  ExportRun(const ExportRun&) = delete;
  ExportRun& operator=(const ExportRun&) = delete;

  // <dir><base>.<ext>: the model file.
  const std::string& path() const { return path_; }
  // The output folder with its trailing '/', sub-directory included.
  const std::string& dir() const { return dir_; }
  // The model file's name without folder and extension.
  const std::string& base() const { return base_; }
  // <dir><base><suffix>, for companion files: Companion(".mtl").
  std::string Companion(const char* suffix) const { return dir_ + base_ + suffix; }
  // For a format that names its files itself (before the first Open): the
  // model file becomes <dir><base>.<ext>, and the host is told so.
  void Rename(const std::string& base);

  // Opens an output (the model file when path is null), written aside until
  // Finish. Null on failure, with "Cannot open file <path> " logged and the
  // reason reported.
  MOutputFile* Open(const char* path = nullptr);
  MOutputFile* Open(const std::string& path) { return Open(path.c_str()); }

  // Copies or converts the scene's maps beside the model as the handler's
  // options say; called before Finish. A map that could not be written
  // fails the run (the model is then not committed either); a map not found
  // is a warning. False when the run has failed. model_path names the model
  // the maps go with when it is not the run's own output (a format that
  // keeps its maps in another folder).
  bool ProcessMaps(MIHandler& handler, MMapList* maps, const std::string& model_path = std::string());
  // For a format whose map names hold at most max_len characters: maps
  // that ProcessMaps will copy or convert and whose names do not fit get
  // short names (MIHandler::FitMapNames); called before the model names its
  // maps (MIHandler::GetWrittenMapName). Maps not copied keep their names.
  void FitMapNames(MIHandler& handler, MMapList* maps, size_t max_len, const std::string& model_path = std::string());

  // What the format could not keep (see ReportLoss), also logged. Lose
  // with a count of 0 or less records nothing.
  void AccountLosses() { kvpf::AccountLosses(); }
  void Lose(const char* object, KvLossKind kind, long count = 1);
  // What the scene walk did to fit the mesh in: n-gons split, a solid
  // turned into a mesh.
  void LoseWalkChanges(const MExportMesh& m);
  // The materials the written object refers to, for formats without any.
  void LoseMaterials(const MExportMesh& m);
  // Scene items the format has no place for, under "(scene)": its cameras,
  // its lights, its distinct map files.
  void LoseCameras(MScene* scene);
  void LoseLights(MScene* scene);
  void LoseMaps(MScene* scene);

  // Closes every output and, when all were written without fault, moves
  // them into place; otherwise none is ("Cannot write file <path> " logged,
  // the reason reported). 1 written, 0 not.
  int Finish();

 private:
  std::string path_, dir_, base_, ext_;
  std::vector<std::unique_ptr<MOutputFile>> outputs_;
};

// The local time as ctime() writes it, without its line end: the
// "Created by ... at" line of written files.
std::string TimeText();

// The output path of an export: Get_Pathname, then Get_SubDir + "/" when the
// sub-directory flag is set, then Get_Filename "." Get_Ext. Nothing is cut.
// dir_out (may be null) gets the folder part (with its '/').
std::string OutputPath(Export_FileOption* o, std::string* dir_out = nullptr);

}  // namespace kvpf
