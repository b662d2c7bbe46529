// The six callback functions of the framework and the views they drive.
#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "plugin_framework.h"

namespace kvpf {
namespace {

// Last shown value per row; plug-in-wide, back to 0 when a run opens its
// window (a value carried over would hide the new run's first steps).
int g_last_shown[3] = {0, 0, 0};
// Percentage text shown per row, so it is rewritten only when it changes.
char g_percent_text[3][16] = {"", "", ""};

ProgressView* g_test_view = nullptr;  // installed by SetProgressView
ProgressView* g_run_view = nullptr;   // opened by OpenProgress
MessageCallBack1* g_current = nullptr;

// The window program's progress window behind the hooks.
class HookView final : public ProgressView {
 public:
  HookView(const KvUiHooks& hooks, const char* caption) : hooks_(hooks) {
    window_ = hooks_.progress_create(caption);
  }
  ~HookView() override {
    if (hooks_.progress_destroy) hooks_.progress_destroy(window_);
  }
  void SetText(int row, const char* text) override {
    if (hooks_.progress_set_text) hooks_.progress_set_text(window_, row, text);
  }
  void SetPos(int row, int pos) override {
    if (hooks_.progress_set_pos) hooks_.progress_set_pos(window_, row, pos);
  }
  void SetPercent(int row, const char* text) override {
    if (hooks_.progress_set_percent) hooks_.progress_set_percent(window_, row, text);
  }
  void Pump() override {
    if (hooks_.pump_messages) hooks_.pump_messages();
  }

 private:
  KvUiHooks hooks_;
  void* window_ = nullptr;
};

// Without a window: three lines on a terminal's standard error, one per row,
// redrawn in place when something visible changes.
class TerminalView final : public ProgressView {
 public:
  TerminalView() = default;
  ~TerminalView() override {
    if (drawn_) std::fflush(stderr);
  }
  void SetText(int row, const char* text) override {
    if (row < 1 || row > 3) return;
    char cut[sizeof text_[0]];
    std::snprintf(cut, sizeof cut, "%s", text ? text : "");
    if (std::strcmp(cut, text_[row - 1]) == 0) return;
    std::memcpy(text_[row - 1], cut, sizeof cut);
    Draw();
  }
  void SetPos(int row, int pos) override {
    if (row < 1 || row > 3) return;
    pos = pos < 0 ? 0 : (pos > 100 ? 100 : pos);
    if (pos_[row - 1] == pos) return;
    pos_[row - 1] = pos;
    Draw();
  }
  void SetPercent(int row, const char* text) override {
    if (row < 1 || row > 3) return;
    std::snprintf(percent_[row - 1], sizeof percent_[0], "%s", text ? text : "");
    Draw();
  }

 private:
  void Draw() {
    static const char* const kLabels[3] = {"File Progress:", "Mesh Progress:", "Mesh Progress:"};
    char out[512];
    int n = 0;
    if (drawn_) n += std::snprintf(out + n, sizeof out - n, "\033[3F");  // back to the first row
    for (int r = 0; r < 3; ++r) {
      char bar[kBar + 1];
      int fill = pos_[r] * kBar / 100;
      for (int i = 0; i < kBar; ++i) bar[i] = i < fill ? '#' : '.';
      bar[kBar] = 0;
      n += std::snprintf(out + n, sizeof out - n, "%-14s [%s] %4s %s\033[K\n", kLabels[r], bar, percent_[r],
                         text_[r]);
      if (n >= static_cast<int>(sizeof out)) n = sizeof out - 1;
    }
    std::fwrite(out, 1, static_cast<size_t>(n), stderr);
    std::fflush(stderr);
    drawn_ = true;
  }

  static constexpr int kBar = 30;
  char text_[3][48] = {"", "", ""};
  char percent_[3][16] = {"", "", ""};
  int pos_[3] = {0, 0, 0};
  bool drawn_ = false;
};

ProgressView* View() { return g_test_view ? g_test_view : g_run_view; }

void Show(int row, int p) {
  ProgressView* view = View();
  if (view) view->Pump();
  if (view) view->SetPos(row, p);
  // Range 0..100: the text is the value itself, 100 shown as such and any
  // other value modulo 100.
  int value = p == 100 ? 100 : p % 100;
  char text[16];
  std::snprintf(text, sizeof text, "%d%c", value, '%');
  if (std::strcmp(text, g_percent_text[row - 1]) != 0) {
    std::memcpy(g_percent_text[row - 1], text, sizeof text);
    if (view) view->SetPercent(row, text);
  }
  g_last_shown[row - 1] = p;
}

void Message(int row, const char* fmt, va_list ap) {
  char buf[1024];
  if (!fmt) fmt = "";
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  ProgressView* view = View();
  if (view) view->SetText(row, buf);
}

}  // namespace

int Percent(long a, long b) {
  if (b == a + 1) return 100;
  if (b < 2) return 0;
  double p = static_cast<double>(a) / static_cast<double>(b - 1) * 100.0;
  // Out-of-range calls (a far beyond b) must not overflow the conversion.
  if (p > 1e9) return 1000000000;
  if (p < -1e9) return -1000000000;
  return static_cast<int>(p);
}

void SetProgressView(ProgressView* view) { g_test_view = view; }
ProgressView* GetProgressView() { return View(); }

void Msg1(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  Message(1, fmt, ap);
  va_end(ap);
}
void Msg2(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  Message(2, fmt, ap);
  va_end(ap);
}
void Msg3(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  Message(3, fmt, ap);
  va_end(ap);
}

void Progress1(long a, long b) {
  int p = Percent(a, b);
  if (p != g_last_shown[0] || p == 0) Show(1, p);
}
void Progress2(long a, long b) {
  int p = Percent(a, b);
  if (p - g_last_shown[1] > 4 || p == 0) Show(2, p);
}
void Progress3(long a, long b) {
  int p = Percent(a, b);
  if (p - g_last_shown[2] > 9 || p == 0) Show(3, p);
}

void ReportStep(MessageCallBack1* cb, long step, long steps, const char* text) {
  if (!cb) return;
  if (cb->msg1) cb->msg1("%s", text ? text : "");
  if (cb->progress1) cb->progress1(step, steps);
}

void ReportItem(MessageCallBack1* cb, const char* name, long i, long n) {
  if (!cb) return;
  if (cb->msg2) cb->msg2("%s", name ? name : "");
  if (cb->progress2) cb->progress2(i, n);
}

int LastShown(int row) { return (row >= 1 && row <= 3) ? g_last_shown[row - 1] : 0; }
void ResetShown() {
  for (int r = 0; r < 3; ++r) {
    g_last_shown[r] = 0;
    g_percent_text[r][0] = 0;
  }
}

MessageCallBack1* NewCallbacks() {
  try {
    return new MessageCallBack1(Msg1, Progress1, Msg2, Progress2, Msg3, Progress3);
  } catch (...) {
    return nullptr;
  }
}

MessageCallBack1* CurrentCallbacks() { return g_current; }
void SetCurrentCallbacks(MessageCallBack1* cb) { g_current = cb; }

void OpenProgress(const char* caption) {
  CloseProgress();
  const KvUiHooks* hooks = UiHooks();
  try {
    if (hooks && hooks->progress_create)
      g_run_view = new HookView(*hooks, caption);
    else if (isatty(STDERR_FILENO))
      g_run_view = new TerminalView();
  } catch (...) {
    g_run_view = nullptr;
  }
  // A new window starts rows 1 and 2 at position 0.
  if (ProgressView* view = View()) {
    view->SetPos(1, 0);
    view->SetPos(2, 0);
  }
  ResetShown();
}

void CloseProgress() {
  delete g_run_view;
  g_run_view = nullptr;
}

}  // namespace kvpf
