// The host's progress for korvane-cli: one line on standard error, redrawn
// in place, only when standard error is a terminal.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli_common.h"
#include "host_progress.h"

namespace kvcli {

namespace {

class TerminalProgress;
TerminalProgress* g_terminal = nullptr;
std::string g_prefix;

class TerminalProgress final : public kvhost::ProgressWindow {
 public:
  TerminalProgress() { g_terminal = this; }
  ~TerminalProgress() override {
    g_terminal = nullptr;
    if (drawn_) {
      std::fputs("\r\033[K", stderr);
      std::fflush(stderr);
    }
  }
  void SetText(int row, const char* text) override {
    if (row < 1 || row > 3) return;
    std::snprintf(text_[row - 1], sizeof text_[0], "%s", text ? text : "");
    Draw(false);
  }
  void SetPos(int row, int pos) override {}
  void SetPercent(int row, const char* text) override {
    if (row < 1 || row > 3) return;
    std::snprintf(percent_[row - 1], sizeof percent_[0], "%s", text ? text : "");
    Draw(false);
  }
  void ShowRows(int rows) override { rows_ = rows < 1 ? 1 : (rows > 3 ? 3 : rows); }
  void Redraw() { Draw(true); }

 private:
  // At most about 20 redraws a second: a scene of many objects must not
  // spend its time on the terminal.
  void Draw(bool now) {
    auto t = std::chrono::steady_clock::now();
    if (!now && drawn_ && t - last_ < std::chrono::milliseconds(50)) return;
    last_ = t;
    char line[400];
    int n = std::snprintf(line, sizeof line, "\r%s%.60s %s", g_prefix.c_str(), text_[0], percent_[0]);
    if (rows_ >= 3 && text_[2][0] && n > 0 && n < static_cast<int>(sizeof line))
      n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "  %.40s %s", text_[2], percent_[2]);
    std::fputs(line, stderr);
    std::fputs("\033[K", stderr);
    std::fflush(stderr);
    drawn_ = true;
  }

  char text_[3][128] = {"", "", ""};
  char percent_[3][8] = {"", "", ""};
  int rows_ = 3;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_;
};

kvhost::ProgressWindow* OpenTerminal(const char*) {
  if (!isatty(STDERR_FILENO)) return nullptr;
  return new TerminalProgress();
}

}  // namespace

void UseTerminalProgress() { kvhost::SetProgressWindowFactory(OpenTerminal); }

void SetTerminalProgressPrefix(const std::string& prefix) {
  g_prefix = prefix;
  if (g_terminal) g_terminal->Redraw();
}

}  // namespace kvcli
