#include "gui_progress.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

#include "gui_support.h"

namespace kvgui {

namespace {
int g_owner_locks = 0;
bool g_owner_disabled = false;
PumpStats g_pumps;
}

ProgressWindow::ProgressWindow(int resource, const QString& caption, QWidget* parent) : QDialog(parent) {
  setObjectName(resource == 103 ? "dlg_103" : "dlg_plugin_102");
  setWindowTitle(caption);
  setModal(false);
  static const char* const kLabels[3] = {"File Progress:", "Mesh Progress:", "Mesh Progress:"};
  // Control ids: status, bar, percentage per row.
  static const int kIds[3][3] = {{1005, 1003, 1004}, {1008, 1006, 1007}, {1011, 1009, 1010}};
  auto* grid = new QGridLayout(this);
  for (int r = 0; r < 3; ++r) {
    Row& row = rows_[r];
    row.label = new QLabel(kLabels[r], this);
    row.status = new QLabel(this);
    row.status->setObjectName(QString("id_%1").arg(kIds[r][0]));
    row.status->setMinimumWidth(320);
    row.bar = new QProgressBar(this);
    row.bar->setObjectName(QString("id_%1").arg(kIds[r][1]));
    row.bar->setRange(0, 100);
    row.bar->setValue(0);
    row.bar->setTextVisible(false);
    row.percent = new QLabel(this);
    row.percent->setObjectName(QString("id_%1").arg(kIds[r][2]));
    row.percent->setMinimumWidth(40);
    grid->addWidget(row.label, 2 * r, 0);
    grid->addWidget(row.status, 2 * r, 1, 1, 2);
    grid->addWidget(row.bar, 2 * r + 1, 0, 1, 2);
    grid->addWidget(row.percent, 2 * r + 1, 2);
  }
  show();
}

void ProgressWindow::SetText(int row, const QString& text) {
  if (row >= 1 && row <= 3) rows_[row - 1].status->setText(text);
}
void ProgressWindow::SetPos(int row, int pos) {
  if (row >= 1 && row <= 3) rows_[row - 1].bar->setValue(pos < 0 ? 0 : (pos > 100 ? 100 : pos));
}
void ProgressWindow::SetPercent(int row, const QString& text) {
  if (row >= 1 && row <= 3) rows_[row - 1].percent->setText(text);
}
void ProgressWindow::ShowRows(int rows) {
  for (int r = 0; r < 3; ++r) {
    bool on = r < rows;
    rows_[r].label->setVisible(on);
    rows_[r].status->setVisible(on);
    rows_[r].bar->setVisible(on);
    rows_[r].percent->setVisible(on);
  }
}
QString ProgressWindow::Text(int row) const { return row >= 1 && row <= 3 ? rows_[row - 1].status->text() : QString(); }
int ProgressWindow::Pos(int row) const { return row >= 1 && row <= 3 ? rows_[row - 1].bar->value() : 0; }
QString ProgressWindow::Percent(int row) const {
  return row >= 1 && row <= 3 ? rows_[row - 1].percent->text() : QString();
}

void BeginOwnerLock() {
  if (g_owner_locks++ > 0) return;
  // Under a modal dialog (the batch) the main window takes no input anyway;
  // disabling it would disable the dialog, its Stop button included.
  g_owner_disabled = MainWidget() && !QApplication::activeModalWidget();
  if (g_owner_disabled) MainWidget()->setEnabled(false);
}
void EndOwnerLock() {
  if (g_owner_locks == 0 || --g_owner_locks > 0) return;
  if (g_owner_disabled && MainWidget()) MainWidget()->setEnabled(true);
  g_owner_disabled = false;
}

void PumpMessages() {
  static QElapsedTimer since_last;
  if (since_last.isValid()) g_pumps.longest_gap_ms = std::max<long>(g_pumps.longest_gap_ms, since_last.elapsed());
  ++g_pumps.pumps;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  since_last.start();
}

PumpStats PumpStatistics() { return g_pumps; }

}  // namespace kvgui
