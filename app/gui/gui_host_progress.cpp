// The host's progress functions (modifier passes, batch runs) drive the
// program's own progress window (103).
#include "gui_host_progress.h"

#include "gui_progress.h"
#include "gui_support.h"
#include "host_progress.h"

namespace kvgui {

namespace {

class HostProgress : public kvhost::ProgressWindow {
 public:
  explicit HostProgress(const char* caption) {
    BeginOwnerLock();
    window_ = new kvgui::ProgressWindow(103, FromLocal(caption), MainWidget());
  }
  ~HostProgress() override {
    delete window_;
    EndOwnerLock();
  }
  void SetText(int row, const char* text) override { window_->SetText(row, FromLocal(text)); }
  void SetPos(int row, int pos) override { window_->SetPos(row, pos); }
  void SetPercent(int row, const char* text) override { window_->SetPercent(row, FromLocal(text)); }
  void ShowRows(int rows) override { window_->ShowRows(rows); }
  void Pump() override { PumpMessages(); }

 private:
  kvgui::ProgressWindow* window_;
};

kvhost::ProgressWindow* OpenHostProgress(const char* caption) { return new HostProgress(caption); }

}  // namespace

void InstallHostProgress() { kvhost::SetProgressWindowFactory(OpenHostProgress); }
void UninstallHostProgress() { kvhost::SetProgressWindowFactory(nullptr); }

}  // namespace kvgui
