// The host's own progress functions: the six functions of the callback
// record the modifier commands and the batch run hand to the scene library,
// and the window they drive. The window program shows them in its progress
// window; korvane-cli on standard error when it is a terminal; without a
// window they still run and show nothing.
#pragma once

#include "msgcallback.h"

namespace kvhost {

// The caption of the progress window: the program name and "Progress".
extern const char kProgressCaption[];

// Three rows (1..3): a status text, a bar position 0..100, a percentage.
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void SetText(int row, const char* text) = 0;
  virtual void SetPos(int row, int pos) = 0;
  virtual void SetPercent(int row, const char* text) = 0;
  // Shows rows 1..rows only; the scene pass has a first row alone.
  virtual void ShowRows(int rows) {}
  // Keeps a window program's interface alive during long work.
  virtual void Pump() {}
};

// How a front end opens its window; null (the default) shows nothing. The
// window returned is deleted by the host.
typedef ProgressWindow* (*ProgressWindowFactory)(const char* caption);
void SetProgressWindowFactory(ProgressWindowFactory factory);

// The progress window of one command: opened through the factory when no
// window is open yet (so a batch keeps one window over all its entries and
// their modifier passes), closed when the outermost scope ends.
class ProgressScope {
 public:
  explicit ProgressScope(const char* caption = kProgressCaption);
  ~ProgressScope();
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

  // The window, or null when the front end shows none.
  ProgressWindow* window();
  // The host's six functions, in constructor order.
  MessageCallBack1* callbacks() { return &callbacks_; }
  void ShowRows(int rows);

 private:
  bool owner_ = false;
  MessageCallBack1 callbacks_;
};

// The percentage of a progress call as the plug-ins' progress computes it
// (done = current item, total = item count), kept to 0..100: a call of
// (100, 100) shows 100 %, not 101 % taken modulo 100.
int ProgressPercent(long done, long total);

// The six functions. Messages are formatted into 1024 bytes; row 1 shows
// every change of its percentage, row 2 steps of more than 4, row 3 steps of
// more than 9, and 0 always.
void Msg1(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Progress1(long done, long total);
void Msg2(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Progress2(long done, long total);
void Msg3(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Progress3(long done, long total);

}  // namespace kvhost
