#include "gui_hooks.h"

#include <cstring>
#include <string>

#include "gui_plugin_dialogs.h"
#include "gui_progress.h"
#include "gui_support.h"
#include "plugin_host.h"

namespace kvgui {

namespace {

bool g_save_answered = false;
bool g_open_answered = false;

// The chosen path goes back whole or not at all.
int GiveBack(const QString& path, char* out, size_t out_size) {
  std::string bytes = ToLocal(path);
  if (!out || bytes.size() + 1 > out_size) {
    ShowError(MainWidget(), QString("The path is too long: %1").arg(path));
    return 0;
  }
  std::memcpy(out, bytes.c_str(), bytes.size() + 1);
  return 1;
}

int OpenFile(const char* filter, const char* initial, char* out, size_t out_size) {
  QString chosen;
  if (!AskOpenFile(MainWidget(), QtFilter(filter), FromLocal(initial), &chosen)) return 0;
  int ok = GiveBack(chosen, out, out_size);
  if (ok) g_open_answered = true;
  return ok;
}

int SaveFile(const char* def_ext, const char* filter, const char* proposed, char* out, size_t out_size) {
  QString chosen;
  if (!AskSaveFile(MainWidget(), FromLocal(def_ext), QtFilter(filter), FromLocal(proposed), &chosen)) return 0;
  int ok = GiveBack(chosen, out, out_size);
  if (ok) g_save_answered = true;
  return ok;
}

void ShowHelp(const char* caption, const char* text) {
  HelpDialog(132, FromLocal(caption), FromLocal(text), MainWidget()).exec();
}

void* ProgressCreate(const char* caption) {
  BeginOwnerLock();
  return new ProgressWindow(102, FromLocal(caption), MainWidget());
}

void ProgressDestroy(void* w) {
  delete static_cast<ProgressWindow*>(w);
  EndOwnerLock();
}

void ProgressText(void* w, int row, const char* text) {
  if (w) static_cast<ProgressWindow*>(w)->SetText(row, FromLocal(text));
}
void ProgressPos(void* w, int row, int pos) {
  if (w) static_cast<ProgressWindow*>(w)->SetPos(row, pos);
}
void ProgressPercent(void* w, int row, const char* text) {
  if (w) static_cast<ProgressWindow*>(w)->SetPercent(row, FromLocal(text));
}

KvUiHooks MakeHooks() {
  KvUiHooks h{};
  h.size = sizeof h;
  h.open_file = OpenFile;
  h.save_file = SaveFile;
  h.show_help = ShowHelp;
  h.show_options = RunOptionsDialog;
  h.progress_create = ProgressCreate;
  h.progress_destroy = ProgressDestroy;
  h.progress_set_text = ProgressText;
  h.progress_set_pos = ProgressPos;
  h.progress_set_percent = ProgressPercent;
  h.pump_messages = PumpMessages;
  return h;
}

void SetAll(PluginRegistry& registry, const KvUiHooks* hooks) {
  if (!registry.libraries) return;
  for (int i = 0; i < registry.libraries->count; ++i) {
    auto* lib = static_cast<PluginLibrary*>(registry.libraries->GetAt(i));
    if (lib && lib->status == 0 && lib->lib_set_ui_hooks)
      reinterpret_cast<LibSetUiHooksProc>(lib->lib_set_ui_hooks)(hooks);
  }
}

}  // namespace

const KvUiHooks& UiHooks() {
  static const KvUiHooks hooks = MakeHooks();
  return hooks;
}

void InstallUiHooks(PluginRegistry& registry) { SetAll(registry, &UiHooks()); }
void UninstallUiHooks(PluginRegistry& registry) { SetAll(registry, nullptr); }

bool TakeSaveAnswered() {
  bool was = g_save_answered;
  g_save_answered = false;
  return was;
}

bool TakeOpenAnswered() {
  bool was = g_open_answered;
  g_open_answered = false;
  return was;
}

}  // namespace kvgui
