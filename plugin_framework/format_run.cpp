#include "format_run.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <utility>

#include "plugin_framework.h"

namespace kvpf {
namespace {

std::string g_error;
std::vector<std::string> g_warnings;
bool g_failed = false;
std::vector<LossEntry> g_losses;
std::map<std::pair<std::string, int>, size_t> g_loss_index;
bool g_losses_accounted = false;
constexpr size_t kMaxWarnings = 200;

std::string Format(const char* fmt, va_list ap) {
  char small[512];
  va_list again;
  va_copy(again, ap);
  int n = std::vsnprintf(small, sizeof small, fmt, ap);
  if (n < 0) {
    va_end(again);
    return std::string();
  }
  if (static_cast<size_t>(n) < sizeof small) {
    va_end(again);
    return std::string(small, static_cast<size_t>(n));
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), fmt, again);
  va_end(again);
  big.resize(static_cast<size_t>(n));
  return big;
}

void SetError(const std::string& text) {
  if (!g_failed) g_error = text.empty() ? std::string("failed") : text;
  g_failed = true;
}

void AddWarning(const std::string& text) {
  if (g_warnings.size() < kMaxWarnings) {
    g_warnings.push_back(text);
  } else if (g_warnings.size() == kMaxWarnings) {
    g_warnings.push_back("more warnings left out");
  }
}

void WriteTitle(LogFile& log, const char* title, const char* stamp) {
  log.write("%s %s %s\n", title ? title : "", stamp ? stamp : "", "VC++50");
}

void WriteOptions(LogFile& log, Base_FileOption* o) {
  log.write("Options:\n");
  if (FILE* f = log.Get_FILE()) {
    if (auto* io = dynamic_cast<Import_FileOption*>(o)) io->Print_Options(f);
    if (auto* eo = dynamic_cast<Export_FileOption*>(o)) eo->Print_Options(f);
    std::fputs("\n", f);
    std::fflush(f);
  }
}

}  // namespace

void ReportError(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = Format(fmt, ap);
  va_end(ap);
  SetError(text);
}

void ReportWarning(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = Format(fmt, ap);
  va_end(ap);
  AddWarning(text);
}

void ClearReports() {
  g_error.clear();
  g_warnings.clear();
  g_failed = false;
  g_losses.clear();
  g_loss_index.clear();
  g_losses_accounted = false;
}

const char kSceneObject[] = "(scene)";

void AccountLosses() { g_losses_accounted = true; }
bool LossesAccounted() { return g_losses_accounted; }

void ReportLoss(const char* object, KvLossKind kind, long count) {
  if (count <= 0) return;
  g_losses_accounted = true;
  std::string name = object ? object : "";
  auto at = g_loss_index.emplace(std::make_pair(name, static_cast<int>(kind)), g_losses.size());
  if (at.second) {
    g_losses.push_back(LossEntry{std::move(name), kind, count});
  } else {
    g_losses[at.first->second].count += count;
  }
}

const std::vector<LossEntry>& LastLosses() { return g_losses; }

bool RunFailed() { return g_failed; }
const std::string& LastError() { return g_error; }
const std::vector<std::string>& LastWarnings() { return g_warnings; }

RunBase::~RunBase() = default;

void RunBase::Fail(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = Format(fmt, ap);
  va_end(ap);
  log_->write("%s\n", text.c_str());
  SetError(text);
}

void RunBase::Warn(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = Format(fmt, ap);
  va_end(ap);
  log_->write("%s\n", text.c_str());
  AddWarning(text);
}

// ---- import --------------------------------------------------------------

ImportRun::ImportRun(Import_FileOption* o, MessageCallBack1* cb, const char* title, const char* stamp)
    : RunBase(cb), path_(o->Get_Filename() ? o->Get_Filename() : "") {
  log_ = std::make_unique<LogFile>(path_.c_str(), o->verbose_mode == 1 ? o->logfilename : nullptr);
  WriteTitle(*log_, title, stamp);
  WriteOptions(*log_, o);
  log_->write("Parsing %s started ...      \n", path_.c_str());
}

std::string ImportRun::folder() const {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path_, ec);
  if (ec) full = path_;
  std::string dir = full.parent_path().string();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

bool ImportRun::OpenInput(MFileView* file) {
  if (file->Open(path_.c_str())) return true;
  log_->write("File %s not found\n", path_.c_str());
  SetError("cannot read " + path_ + ": " + std::strerror(file->error()));
  return false;
}

FILE* ImportRun::OpenInputStream() {
  MFileView probe;  // a folder or a device is no input
  if (!probe.Open(path_.c_str())) {
    log_->write("File %s not found\n", path_.c_str());
    SetError("cannot read " + path_ + ": " + std::strerror(probe.error()));
    return nullptr;
  }
  probe.Close();
  errno = 0;
  FILE* f = std::fopen(path_.c_str(), "rb");
  if (!f) {
    log_->write("File %s not found\n", path_.c_str());
    SetError("cannot read " + path_ + ": " + std::strerror(errno ? errno : EIO));
  }
  return f;
}

void ImportRun::Finish(MScene* scene, int active_camera) {
  // A readable file of the format that holds nothing to convert is no
  // failure, but the user should hear of it.
  if (!RunFailed() && (!scene->objects || scene->objects->count == 0)) Warn("%s holds no geometry", path_.c_str());
  log_->write("Postprocessing ...        \n");
  scene->CalculateBoundingBox();
  MMake_Default_Cam(scene);
  const int cams = scene->cameras ? scene->cameras->count : 0;
  const int active = active_camera >= 0 && active_camera < cams ? active_camera : 0;
  if (MCamera* cam = static_cast<MCamera*>(scene->cameras->GetAt(active))) cam->active = 1;
  scene->options.active_camera = active;
  MMake_Default_Light(scene);
  log_->write("Done                            \n");
}

// ---- export --------------------------------------------------------------

std::string TimeText() {
  std::time_t now = std::time(nullptr);
  char buf[64] = "";
  if (const std::tm* t = std::localtime(&now)) std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y", t);
  return buf;
}

std::string OutputPath(Export_FileOption* o, std::string* dir_out) {
  std::string dir = o->Get_Pathname() ? o->Get_Pathname() : "";
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  const char* sub = o->Get_SubDir();
  if (o->subdir_mode && sub && *sub) {
    dir += sub;
    dir += '/';
  }
  if (dir_out) *dir_out = dir;
  std::string path = dir + (o->Get_Filename() ? o->Get_Filename() : "");
  path += '.';
  path += o->Get_Ext() ? o->Get_Ext() : "";
  return path;
}

ExportRun::ExportRun(Export_FileOption* o, MessageCallBack1* cb, const char* title, const char* stamp,
                     LogOrder order)
    : RunBase(cb) {
  path_ = OutputPath(o, &dir_);
  base_ = o->Get_Filename() ? o->Get_Filename() : "";
  ext_ = o->Get_Ext() ? o->Get_Ext() : "";
  const char* sub = o->Get_SubDir();
  if (o->subdir_mode && sub && *sub) m_CreateDirectory(dir_.c_str());
  log_ = std::make_unique<LogFile>(dir_.c_str(), o->verbose_mode == 1 ? o->logfilename : nullptr);
  WriteTitle(*log_, title, stamp);
  if (order == kWritingFirst) log_->write("Writing %s started ...\n", path_.c_str());
  WriteOptions(*log_, o);
  if (order == kOptionsFirst) log_->write("Writing %s started ...\n", path_.c_str());
}

void ExportRun::Rename(const std::string& base) {
  base_ = base;
  path_ = dir_ + base_ + "." + ext_;
  SetWrittenPath(path_.c_str());
}

ExportRun::~ExportRun() {
  for (auto& out : outputs_) out->Discard();
}

MOutputFile* ExportRun::Open(const char* path) {
  std::string p = path ? path : path_;
  auto out = std::make_unique<MOutputFile>();
  if (!out->Open(p.c_str())) {
    log_->write("Cannot open file %s \n", p.c_str());
    SetError("Cannot open file " + m_output_error(*out));
    return nullptr;
  }
  outputs_.push_back(std::move(out));
  return outputs_.back().get();
}

bool ExportRun::ProcessMaps(MIHandler& handler, MMapList* maps, const std::string& model_path) {
  if (RunFailed()) return false;
  if (!maps) return true;
  std::vector<std::string> failed, missing;
  const std::string& model = model_path.empty() ? path_ : model_path;
  handler.ProcessMapFiles(log_->Get_FILE(), cb_, maps, model.c_str(), &failed, &missing);
  for (const std::string& name : missing) AddWarning("map " + name + " not found");
  for (const std::string& why : failed) Fail("%s", why.c_str());
  return failed.empty();
}

void ExportRun::FitMapNames(MIHandler& handler, MMapList* maps, size_t max_len, const std::string& model_path) {
  handler.FitMapNames(log_->Get_FILE(), maps, max_len, (model_path.empty() ? path_ : model_path).c_str());
}

void ExportRun::Lose(const char* object, KvLossKind kind, long count) {
  if (count <= 0) return;
  log_->write("Not kept: %s: %s %ld\n", object ? object : "", KvLossLabel(kind), count);
  ReportLoss(object, kind, count);
}

void ExportRun::LoseWalkChanges(const MExportMesh& m) {
  const char* name = m.object ? m.object->get_name() : nullptr;
  Lose(name, KV_LOSS_NGON_TRIANGULATED, m.ngons);
  if (m.source && m.source->get_type() == TSOLID) Lose(name, KV_LOSS_SOLID_MESHED);
}

void ExportRun::LoseMaterials(const MExportMesh& m) {
  MList* refs = m.source ? m.source->surface_refs : nullptr;
  Lose(m.object ? m.object->get_name() : nullptr, KV_LOSS_MATERIALS_DROPPED, refs ? refs->count : 0);
}

void ExportRun::LoseCameras(MScene* scene) {
  Lose(kSceneObject, KV_LOSS_CAMERAS_DROPPED, scene && scene->cameras ? scene->cameras->count : 0);
}

void ExportRun::LoseLights(MScene* scene) {
  Lose(kSceneObject, KV_LOSS_LIGHTS_DROPPED, scene && scene->lights ? scene->lights->count : 0);
}

void ExportRun::LoseMaps(MScene* scene) {
  long n = 0;
  const int count = scene && scene->maps ? scene->maps->Get_Count_Maps() : 0;
  for (int i = 0; i < count; ++i) {
    MMap* m = scene->maps->GetMap(i);
    n += m && m->ref == -1;  // later entries of the same name refer back
  }
  Lose(kSceneObject, KV_LOSS_MAPS_DROPPED, n);
}

int ExportRun::Finish() {
  bool ok = !RunFailed();
  // Every file closed first: a full disk on the last one leaves the
  // earlier targets untouched too.
  for (auto& out : outputs_) {
    if (!out->Close() && ok) {
      log_->write("Cannot write file %s \n", out->path().c_str());
      SetError("Cannot write file " + m_output_error(*out));
      ok = false;
    }
  }
  for (auto& out : outputs_) {
    if (!ok) {
      out->Discard();
    } else if (!out->Commit()) {
      log_->write("Cannot write file %s \n", out->path().c_str());
      SetError("Cannot write file " + m_output_error(*out));
      ok = false;
    }
  }
  outputs_.clear();
  if (ok) log_->write("Writing %s finished       \n", path_.c_str());
  return ok ? 1 : 0;
}

}  // namespace kvpf
