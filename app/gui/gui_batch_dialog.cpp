#include "gui_batch_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "conversion.h"
#include "gui_modifier_dialogs.h"
#include "gui_support.h"
#include "modifier_commands.h"
#include "plugin_host.h"

namespace kvgui {

namespace {

const char kListFilter[] = "Files List(*.lst)|*.lst|All Files (*.*)|*.*||";

QPushButton* DialogButton(QWidget* parent, int id, const char* text) {
  auto* b = Named(new QPushButton(text, parent), id);
  b->setAutoDefault(false);
  return b;
}

QString ResultLine(const BatchResult& r) {
  QString line = QString("%1\t%2").arg(BatchStatusName(r.status), FromLocal(r.input.c_str()));
  if (!r.output.empty()) line += QString("\t-> %1").arg(FromLocal(r.output.c_str()));
  if (!r.reason.empty()) line += QString("\t%1").arg(FromLocal(r.reason.c_str()));
  return line;
}

}  // namespace

// Follows the run in the dialog: the entry worked on is line 0; a finished
// entry leaves the list (a skipped one stays), its outcome goes to the
// report. Between entries the interface takes input, so Stop can be
// pressed; everything else is locked.
class BatchDialog::RunReporter : public BatchReporter {
 public:
  explicit RunReporter(BatchDialog& d) : d_(d) {}
  void Started(const BatchJob& job, int, int) override {
    if (d_.entries_->count() > 0) d_.entries_->setCurrentRow(0);
    d_.setWindowTitle(FromLocal(
        BatchList::Caption(static_cast<int>(d_.list_.entries.size()), job.entry.input).c_str()));
    QCoreApplication::processEvents();
  }
  void Finished(const BatchResult& r, int, int) override {
    if (r.status != BatchStatus::Skipped && !d_.list_.entries.empty()) {
      d_.list_.entries.erase(d_.list_.entries.begin());
      delete d_.entries_->takeItem(0);
    }
    d_.report_->addItem(ResultLine(r));
    d_.status_->setText(QString("%1 Files left").arg(d_.list_.entries.size()));
    QCoreApplication::processEvents();
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) d_.stop_ = 1;
  }

 private:
  BatchDialog& d_;
};

BatchDialog::BatchDialog(ConversionDriver& driver, PluginRegistry& registry, const std::vector<int>& import_table,
                         const std::vector<int>& export_table, int import_pos, int export_pos, QWidget* parent)
    : QDialog(parent),
      driver_(driver),
      registry_(registry),
      import_table_(import_table),
      export_table_(export_table),
      objects_(kvhost::NewObjectModifierOptions("objmod1.log")),
      scene_(kvhost::NewSceneModifierOptions("objmod2.log")) {
  setObjectName("dlg_148");
  setAcceptDrops(true);
  objects_->object_mode = 1;  // a batch works on all objects of every file
  add_folder_ = target_folder_ = QDir::currentPath() + "/";

  auto* layout = new QVBoxLayout(this);
  auto* classes = new QGridLayout;
  import_list_ = Named(new QComboBox(this), 1003);
  export_list_ = Named(new QComboBox(this), 1007);
  for (int i : import_table_) import_list_->addItem(FromLocal(registry_.GetClass(i)->ClassName()));
  for (int i : export_table_) export_list_->addItem(FromLocal(registry_.GetClass(i)->ClassName()));
  import_list_->setCurrentIndex(import_pos);
  export_list_->setCurrentIndex(export_pos);
  auto* import_options = DialogButton(this, 1000, "Options");
  auto* import_help = DialogButton(this, 1001, "Help");
  auto* export_options = DialogButton(this, 1004, "Options");
  auto* export_help = DialogButton(this, 1005, "Help");
  classes->addWidget(new QLabel("Import", this), 0, 0);
  classes->addWidget(import_list_, 0, 1);
  classes->addWidget(import_options, 0, 2);
  classes->addWidget(import_help, 0, 3);
  classes->addWidget(new QLabel("Export", this), 1, 0);
  classes->addWidget(export_list_, 1, 1);
  classes->addWidget(export_options, 1, 2);
  classes->addWidget(export_help, 1, 3);
  classes->setColumnStretch(1, 1);
  layout->addLayout(classes);

  entries_ = Named(new QListWidget(this), 1066);
  entries_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  entries_->setMinimumSize(640, 220);
  layout->addWidget(entries_, 1);

  auto* list_row = new QHBoxLayout;
  auto* add = DialogButton(this, 1033, "&Add ...");
  auto* del = DialogButton(this, 1034, "&Delete");
  auto* all = DialogButton(this, 1036, "&Select All");
  auto* load = DialogButton(this, 1037, "&Load ...");
  auto* save = DialogButton(this, 1038, "S&ave ...");
  auto* mod_objects = DialogButton(this, 1055, "Modify Objects");
  auto* mod_scene = DialogButton(this, 1056, "Modify Scene");
  for (QPushButton* b : {add, del, all, load, save, mod_objects, mod_scene}) list_row->addWidget(b);
  layout->addLayout(list_row);

  report_ = new QListWidget(this);
  report_->setObjectName("batch_report");
  report_->setMaximumHeight(100);
  layout->addWidget(report_);
  auto* run_row = new QHBoxLayout;
  status_ = new QLabel(this);
  status_->setObjectName("batch_status");
  auto* go = DialogButton(this, 1035, "&Go ...");
  stop_button_ = DialogButton(this, 0, "S&top");
  stop_button_->setObjectName("batch_stop");
  stop_button_->setEnabled(false);
  auto* close = DialogButton(this, 1, "&Close");
  run_row->addWidget(status_, 1);
  for (QPushButton* b : {go, stop_button_, close}) run_row->addWidget(b);
  layout->addLayout(run_row);

  connect(import_options, &QPushButton::clicked, this, [this] { driver_.ShowOptions(SelectedImportClass()); });
  connect(import_help, &QPushButton::clicked, this, [this] { driver_.ShowHelp(SelectedImportClass()); });
  connect(export_options, &QPushButton::clicked, this, [this] { driver_.ShowOptions(SelectedExportClass()); });
  connect(export_help, &QPushButton::clicked, this, [this] { driver_.ShowHelp(SelectedExportClass()); });
  connect(add, &QPushButton::clicked, this, &BatchDialog::Add);
  connect(del, &QPushButton::clicked, this, &BatchDialog::Delete);
  connect(all, &QPushButton::clicked, this, &BatchDialog::SelectAll);
  connect(load, &QPushButton::clicked, this, &BatchDialog::LoadList);
  connect(save, &QPushButton::clicked, this, &BatchDialog::SaveList);
  connect(go, &QPushButton::clicked, this, &BatchDialog::Go);
  connect(stop_button_, &QPushButton::clicked, this, &BatchDialog::Stop);
  connect(close, &QPushButton::clicked, this, &BatchDialog::reject);
  connect(mod_objects, &QPushButton::clicked, this, [this] { ProcessObjectsDialog(*objects_, true, this).exec(); });
  connect(mod_scene, &QPushButton::clicked, this, [this] { ProcessSceneDialog(*scene_, true, this).exec(); });
  ShowList();
}

BatchDialog::~BatchDialog() = default;

int BatchDialog::ImportPosition() const { return import_list_->currentIndex(); }
int BatchDialog::ExportPosition() const { return export_list_->currentIndex(); }

int BatchDialog::SelectedImportClass() const {
  int pos = import_list_->currentIndex();
  return pos >= 0 && pos < static_cast<int>(import_table_.size()) ? import_table_[pos] : -1;
}

int BatchDialog::SelectedExportClass() const {
  int pos = export_list_->currentIndex();
  return pos >= 0 && pos < static_cast<int>(export_table_.size()) ? export_table_[pos] : -1;
}

QStringList BatchDialog::Report() const {
  QStringList lines;
  for (int i = 0; i < report_->count(); ++i) lines << report_->item(i)->text();
  return lines;
}

void BatchDialog::ShowList() {
  entries_->clear();
  for (const BatchEntry& e : list_.entries) entries_->addItem(FromLocal(BatchList::DisplayLine(e).c_str()));
  setWindowTitle(FromLocal(BatchList::Caption(static_cast<int>(list_.entries.size())).c_str()));
}

void BatchDialog::Add() {
  int cls = SelectedImportClass();
  if (cls < 0 || SelectedExportClass() < 0) return;
  QString filter;
  if (auto* importer = static_cast<MeshImporter*>(registry_.GetClass(cls)->Create())) {
    filter = QtFilter(importer->GetFilter());
    importer->Destroy();
  }
  QStringList files;
  if (!AskOpenFiles(this, filter, add_folder_, &files, "Select Files to convert ...") || files.isEmpty()) return;
  add_folder_ = QFileInfo(files.first()).absolutePath() + "/";
  QString folder;
  // Without a target folder the files chosen are not added.
  if (!AskFolder(this, target_folder_, "Choose Output Folder ...", &folder)) return;
  target_folder_ = folder;
  AddFiles(files, folder, false);
}

void BatchDialog::AddFiles(const QStringList& files, const QString& target, bool by_extension) {
  PluginClassDesc* selected = registry_.GetClass(SelectedImportClass());
  PluginClassDesc* exporter = registry_.GetClass(SelectedExportClass());
  if (!selected || !exporter) return;
  QStringList refused;
  for (const QString& file : files) {
    PluginClassDesc* import = selected;
    if (by_extension) {
      int cls = registry_.FindImportClass(ToLocal(file).c_str());
      if (cls >= 0) import = registry_.GetClass(cls);
    }
    BatchEntry e;
    e.import_class = import->ClassName();
    e.export_class = exporter->ClassName();
    e.input = ToLocal(QFileInfo(file).absoluteFilePath());
    e.target = ToLocal(target);
    std::string why;
    if (!list_.Add(e, why)) refused << QString("%1: %2").arg(file, FromLocal(why.c_str()));
  }
  ShowList();
  if (!refused.isEmpty()) ShowError(this, refused.join("\n"));
}

void BatchDialog::Delete() {
  std::vector<int> rows;
  for (QListWidgetItem* item : entries_->selectedItems()) rows.push_back(entries_->row(item));
  if (rows.empty()) return;
  list_.Delete(rows);
  ShowList();
}

void BatchDialog::SelectAll() { entries_->selectAll(); }

void BatchDialog::LoadList() {
  QString path;
  if (!AskOpenFile(this, QtFilter(kListFilter), QString(), &path)) return;
  BatchLoadReport report;
  std::string why;
  if (!list_.Load(ToLocal(path), report, why)) {
    ShowError(this, "File not found");
    return;
  }
  status_->setText(report.skipped.empty()
                       ? QString("%1 entries read").arg(report.entries)
                       : QString("%1 entries read, %2 lines skipped").arg(report.entries).arg(report.skipped.size()));
  ShowList();
}

void BatchDialog::SaveList() {
  if (list_.entries.empty()) return;
  QString path;
  if (!AskSaveFile(this, "lst", QtFilter(kListFilter), "batch.lst", &path)) return;
  std::string why;
  if (!list_.Save(ToLocal(path), why)) ShowError(this, "File not found");
}

void BatchDialog::Lock(bool running) {
  running_ = running;
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w == stop_button_) continue;
    if (qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w) || w == entries_) w->setEnabled(!running);
  }
  stop_button_->setEnabled(running);
}

void BatchDialog::Go() {
  if (running_ || list_.entries.empty()) return;
  std::vector<BatchJob> jobs = PlanBatch(registry_, list_, {});
  BatchSettings settings;
  settings.objects = objects_.get();
  settings.scene = scene_.get();
  report_->clear();
  stop_ = 0;
  Lock(true);
  RunReporter reporter(*this);
  BatchSummary summary = RunBatch(registry_, jobs, settings, reporter, &stop_);
  Lock(false);
  ShowList();
  QString text = QString("%1 converted, %2 failed").arg(summary.converted).arg(summary.failed);
  if (summary.interrupted) text += QString(", stopped with %1 left").arg(summary.skipped);
  status_->setText(text);
}

void BatchDialog::reject() {
  if (running_) return;  // only Stop acts during a run
  QDialog::reject();
}

void BatchDialog::closeEvent(QCloseEvent* e) {
  if (running_) {
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}

void BatchDialog::dragEnterEvent(QDragEnterEvent* e) {
  if (!running_ && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void BatchDialog::dropEvent(QDropEvent* e) {
  if (running_) return;
  QStringList files;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
  if (files.isEmpty()) return;
  e->acceptProposedAction();
  AddFiles(files, target_folder_, true);
}

}  // namespace kvgui
