// The three-row progress window: each row a status text, a bar and a
// percentage ("File Progress:", "Mesh Progress:", "Mesh Progress:"). The
// plug-ins' window (102) and the host's (103) differ in name and caption only.
#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;

namespace kvgui {

class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  // resource 102 (plug-ins) or 103 (host). Shown at once, rows at 0.
  ProgressWindow(int resource, const QString& caption, QWidget* parent);

  void SetText(int row, const QString& text);
  void SetPos(int row, int pos);
  void SetPercent(int row, const QString& text);
  void ShowRows(int rows);

  QString Text(int row) const;
  int Pos(int row) const;
  QString Percent(int row) const;

 protected:
  // A progress window cannot be cancelled.
  void reject() override {}

 private:
  struct Row {
    QLabel* label;
    QLabel* status;
    QProgressBar* bar;
    QLabel* percent;
  };
  Row rows_[3];
};

// Disables the program's main window while progress windows exist (counted,
// so nested runs re-enable it only at the end); not while a modal dialog,
// which already keeps input from it, is up.
void BeginOwnerLock();
void EndOwnerLock();

// Keeps the interface repainting during long work; input waits.
void PumpMessages();
// How often the interface was pumped and the longest time without (ms),
// for the start-up and import timings.
struct PumpStats {
  long pumps = 0;
  long longest_gap_ms = 0;
};
PumpStats PumpStatistics();

}  // namespace kvgui
