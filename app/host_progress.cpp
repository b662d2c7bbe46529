#include "host_progress.h"

#include <cstdarg>
#include <cstdio>

namespace kvhost {

const char kProgressCaption[] = "Korvane Progress";

namespace {

ProgressWindowFactory g_factory = nullptr;
ProgressWindow* g_window = nullptr;
int g_open_scopes = 0;
int g_last_shown[3] = {0, 0, 0};
int g_percent_shown[3] = {-1, -1, -1};

void Show(int row, int p) {
  g_last_shown[row - 1] = p;
  if (!g_window) return;
  g_window->Pump();
  g_window->SetPos(row, p);
  if (g_percent_shown[row - 1] == p) return;
  g_percent_shown[row - 1] = p;
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", p);
  g_window->SetPercent(row, text);
}

void Message(int row, const char* fmt, va_list ap) {
  char buf[1024];
  std::vsnprintf(buf, sizeof buf, fmt ? fmt : "", ap);
  if (g_window) g_window->SetText(row, buf);
}

}  // namespace

void SetProgressWindowFactory(ProgressWindowFactory factory) { g_factory = factory; }

ProgressScope::ProgressScope(const char* caption)
    : callbacks_(Msg1, Progress1, Msg2, Progress2, Msg3, Progress3) {
  if (g_open_scopes++ > 0) return;
  owner_ = true;
  g_window = g_factory ? g_factory(caption) : nullptr;
  for (int r = 0; r < 3; ++r) {
    g_last_shown[r] = 0;
    g_percent_shown[r] = -1;
  }
  if (g_window) {
    g_window->SetPos(1, 0);
    g_window->SetPos(2, 0);
  }
}

ProgressScope::~ProgressScope() {
  --g_open_scopes;
  if (!owner_) return;
  delete g_window;
  g_window = nullptr;
}

ProgressWindow* ProgressScope::window() { return g_window; }

void ProgressScope::ShowRows(int rows) {
  if (g_window) g_window->ShowRows(rows);
}

int ProgressPercent(long done, long total) {
  int p;
  if (total == done + 1) {
    p = 100;
  } else if (total < 2) {
    p = 0;
  } else {
    double v = static_cast<double>(done) / static_cast<double>(total - 1) * 100.0;
    p = v >= 100.0 ? 100 : (v <= 0.0 ? 0 : static_cast<int>(v));
  }
  return p < 0 ? 0 : (p > 100 ? 100 : p);
}

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

void Progress1(long done, long total) {
  int p = ProgressPercent(done, total);
  if (p != g_last_shown[0] || p == 0) Show(1, p);
}
void Progress2(long done, long total) {
  int p = ProgressPercent(done, total);
  if (p - g_last_shown[1] > 4 || p == 0) Show(2, p);
}
void Progress3(long done, long total) {
  int p = ProgressPercent(done, total);
  if (p - g_last_shown[2] > 9 || p == 0) Show(3, p);
}

}  // namespace kvhost
