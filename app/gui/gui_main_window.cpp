#include "gui_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "gui_batch_dialog.h"
#include "gui_dialogs.h"
#include "gui_host_progress.h"
#include "gui_hooks.h"
#include "gui_modifier_dialogs.h"
#include "gui_preview.h"
#include "gui_support.h"
#include "modifier_commands.h"
#include "profile.h"

namespace kvgui {

namespace {

constexpr int kMaxRecent = 8;
const char kRecentSection[] = "Recent Files";

// Counter order of SceneStatistics with their label ids and captions.
struct CounterSpec {
  int id;
  const char* caption;
};
const CounterSpec kCounters[8] = {{1012, "Scenes"}, {1014, "Face"},    {1013, "Vertex"},    {1017, "Objects"},
                                  {1019, "Cameras"}, {1020, "Lights"}, {1021, "Materials"}, {1022, "Images"}};

QString CounterText(long v) { return QString(":%1").arg(v); }

QPushButton* Button(QWidget* parent, int id, const char* text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString("id_%1").arg(id));
  b->setAutoDefault(false);
  return b;
}

QStringList LocalFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

}  // namespace

BusyScope::~BusyScope() {
  if (--w_.busy_ == 0 && !w_.pending_.isEmpty()) w_.DrainPending();
}

MainWindow::MainWindow(const QString& plugin_dir, QWidget* parent)
    : QDialog(parent), settings_(), registry_(), driver_(registry_) {
  setObjectName("dlg_102");
  setWindowTitle(MainCaption());
  setAcceptDrops(true);
  SetMainWidget(this);
  settings_.Load();
  std::string dir = plugin_dir.isEmpty() ? std::string(settings_.plugin_path) : ToLocal(plugin_dir);
  registry_.Load(dir.c_str());
  InstallUiHooks(registry_);
  InstallHostProgress();
  BuildControls();
  FillClassLists();
  LoadRecent();
  Refresh();
}

MainWindow::~MainWindow() {
  driver_.Clear();
  UninstallUiHooks(registry_);
  UninstallHostProgress();
  if (MainWidget() == this) SetMainWidget(nullptr);
}

void MainWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  QMenu* file = bar->addMenu("&File");
  recent_menu_ = file->addMenu("&Recent Files");
  recent_menu_->setObjectName("menu_recent");
  file->addSeparator();
  file->addAction("&Quit", this, &MainWindow::Quit);
  help_menu_ = bar->addMenu("&Help");
  help_menu_->addAction("&Help", this, [this] { OpenHelpPage(this); });
  help_menu_->addAction("Inf&o about Korvane...", this, &MainWindow::ShowAbout);
  layout->setMenuBar(bar);

  auto* classes = new QGridLayout;
  import_list_ = new QComboBox(this);
  import_list_->setObjectName("id_1003");
  import_list_->addItem("(none)");
  export_list_ = new QComboBox(this);
  export_list_->setObjectName("id_1007");
  export_list_->addItem("(none)");
  classes->addWidget(new QLabel("Import", this), 0, 0);
  classes->addWidget(import_list_, 0, 1);
  auto* import_options = Button(this, 1000, "Options");
  auto* import_help = Button(this, 1001, "Help");
  auto* import = Button(this, 1002, "&Import ...");
  classes->addWidget(import_options, 0, 2);
  classes->addWidget(import_help, 0, 3);
  classes->addWidget(import, 0, 4);
  classes->addWidget(new QLabel("Export", this), 1, 0);
  classes->addWidget(export_list_, 1, 1);
  auto* export_options = Button(this, 1004, "Options");
  auto* export_help = Button(this, 1005, "Help");
  auto* exp = Button(this, 1006, "&Export ...");
  classes->addWidget(export_options, 1, 2);
  classes->addWidget(export_help, 1, 3);
  classes->addWidget(exp, 1, 4);
  classes->setColumnStretch(1, 1);
  layout->addLayout(classes);

  auto* middle = new QHBoxLayout;
  auto* stats = new QGroupBox("Statistic", this);
  auto* grid = new QGridLayout(stats);
  for (int i = 0; i < 8; ++i) {
    grid->addWidget(new QLabel(kCounters[i].caption, stats), i, 0);
    counters_[i] = new QLabel(CounterText(0), stats);
    counters_[i]->setObjectName(QString("id_%1").arg(kCounters[i].id));
    grid->addWidget(counters_[i], i, 1);
  }
  middle->addWidget(stats);
  // The object list and the preview side by side, the divider movable.
  auto* split = new QSplitter(Qt::Horizontal, this);
  auto* list_side = new QWidget(split);
  auto* list_box = new QVBoxLayout(list_side);
  list_box->setContentsMargins(0, 0, 0, 0);
  objects_ = new QListWidget(this);
  objects_->setObjectName("id_1057");
  objects_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  objects_->setSortingEnabled(false);
  list_box->addWidget(objects_, 1);
  auto* list_buttons = new QHBoxLayout;
  auto* all = Button(this, 1058, "All");
  auto* none = Button(this, 1059, "None");
  auto* mod_objects = Button(this, 1055, "Modify Objects");
  auto* mod_scene = Button(this, 1056, "Modify Scene");
  list_buttons->addWidget(all);
  list_buttons->addWidget(none);
  list_buttons->addWidget(mod_objects);
  list_buttons->addWidget(mod_scene);
  list_box->addLayout(list_buttons);
  preview_ = new PreviewPane(split);
  split->addWidget(list_side);
  split->addWidget(preview_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 2);
  split->setChildrenCollapsible(false);
  middle->addWidget(split, 1);
  layout->addLayout(middle, 1);

  auto* bottom = new QHBoxLayout;
  auto* options = Button(this, 1008, "&Options");
  auto* clear = Button(this, 1010, "&Clear");
  auto* dump = Button(this, 1011, "Dump &Statistic");
  auto* info = Button(this, 1015, "&Plugin Info");
  auto* batch = Button(this, 1018, "&Batch");
  auto* help = Button(this, 57670, "&Help");
  auto* quit = Button(this, 1, "&Quit");
  for (QPushButton* b : {options, clear, dump, info, batch, help, quit}) bottom->addWidget(b);
  layout->addLayout(bottom);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  layout->addWidget(status_);

  connect(import_list_, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
  connect(import_options, &QPushButton::clicked, this, [this] {
    BusyScope busy(*this);
    driver_.ShowOptions(SelectedImportClass());
  });
  connect(import_help, &QPushButton::clicked, this, [this] { driver_.ShowHelp(SelectedImportClass()); });
  connect(import, &QPushButton::clicked, this, &MainWindow::Import);
  connect(export_options, &QPushButton::clicked, this, [this] {
    BusyScope busy(*this);
    driver_.ShowOptions(SelectedExportClass());
  });
  connect(export_help, &QPushButton::clicked, this, [this] { driver_.ShowHelp(SelectedExportClass()); });
  connect(exp, &QPushButton::clicked, this, &MainWindow::Export);
  connect(options, &QPushButton::clicked, this, &MainWindow::ShowConfiguration);
  connect(clear, &QPushButton::clicked, this, &MainWindow::Clear);
  connect(dump, &QPushButton::clicked, this, &MainWindow::DumpStatistic);
  connect(info, &QPushButton::clicked, this, &MainWindow::ShowPluginInfo);
  connect(batch, &QPushButton::clicked, this, &MainWindow::ShowBatch);
  connect(help, &QPushButton::clicked, this, [this] { OpenHelpPage(this); });
  connect(quit, &QPushButton::clicked, this, &MainWindow::Quit);
  connect(all, &QPushButton::clicked, objects_, &QListWidget::selectAll);
  connect(none, &QPushButton::clicked, objects_, &QListWidget::clearSelection);
  connect(mod_objects, &QPushButton::clicked, this, &MainWindow::ModifyObjects);
  connect(mod_scene, &QPushButton::clicked, this, &MainWindow::ModifyScene);
  connect(objects_, &QListWidget::itemSelectionChanged, this, [this] {
    if (MScene* scene = FirstScene()) preview_->SceneChanged(scene, SelectedObjects());
  });
  connect(objects_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ShowDetails(objects_->row(item)); });
  connect(recent_menu_, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
}

void MainWindow::FillClassLists() {
  import_table_ = registry_.ImportTable();
  export_table_ = registry_.ExportTable();
  import_available_ = !import_table_.empty();
  export_available_ = !export_table_.empty();
  // Without both kinds of class nothing can be converted: the lists keep
  // "(none)" and every control that needs a class stays disabled.
  if (!import_available_ || !export_available_) {
    import_available_ = export_available_ = false;
    return;
  }
  import_list_->clear();
  for (int i : import_table_) import_list_->addItem(FromLocal(registry_.GetClass(i)->ClassName()));
  export_list_->clear();
  for (int i : export_table_) export_list_->addItem(FromLocal(registry_.GetClass(i)->ClassName()));
  import_list_->setCurrentIndex(FindTablePosition(registry_, import_table_, settings_.last_import_class));
  export_list_->setCurrentIndex(FindTablePosition(registry_, export_table_, settings_.last_export_class));
}

int MainWindow::SelectedImportClass() const {
  int pos = import_list_->currentIndex();
  return import_available_ && pos >= 0 && pos < static_cast<int>(import_table_.size()) ? import_table_[pos] : -1;
}

int MainWindow::SelectedExportClass() const {
  int pos = export_list_->currentIndex();
  return export_available_ && pos >= 0 && pos < static_cast<int>(export_table_.size()) ? export_table_[pos] : -1;
}

void MainWindow::Refresh(PreviewUpdate preview) {
  SceneStatistics s = driver_.Statistics();
  const long values[8] = {s.scenes, s.faces, s.vertices, s.objects, s.cameras, s.lights, s.materials, s.images};
  for (int i = 0; i < 8; ++i) counters_[i]->setText(CounterText(values[i]));
  // The same scene keeps its selection while its lines stay as many.
  std::vector<int> selected;
  if (preview != PreviewUpdate::kNewScene)
    for (QListWidgetItem* item : objects_->selectedItems()) selected.push_back(objects_->row(item));
  const int lines_before = objects_->count();
  {
    const QSignalBlocker quiet(objects_);
    objects_->clear();
    for (const std::string& line : driver_.ObjectList()) objects_->addItem(FromLocal(line.c_str()));
    if (objects_->count() == lines_before)
      for (int row : selected) objects_->item(row)->setSelected(true);
  }
  UpdateEnabling();
  if (preview == PreviewUpdate::kNewScene) preview_->ShowScene(FirstScene());
  else if (preview == PreviewUpdate::kSceneChanged) preview_->SceneChanged(FirstScene(), SelectedObjects());
}

MScene* MainWindow::FirstScene() {
  return driver_.scenes->count > 0 ? static_cast<MScene*>(driver_.scenes->GetAt(0)) : nullptr;
}

std::vector<const MObj3d*> MainWindow::SelectedObjects() {
  std::vector<const MObj3d*> out;
  for (QListWidgetItem* item : objects_->selectedItems())
    if (MObj3d* obj = driver_.ObjectAtLine(objects_->row(item))) out.push_back(obj);
  return out;
}

void MainWindow::UpdateEnabling() {
  bool classes = import_available_ && export_available_;
  bool scene = driver_.scenes->count > 0;
  for (int id : {1000, 1001, 1002, 1003, 1004, 1005, 1007, 1018})
    findChild<QWidget*>(QString("id_%1").arg(id))->setEnabled(classes);
  for (int id : {1006, 1010})
    findChild<QWidget*>(QString("id_%1").arg(id))->setEnabled(classes && scene);
  for (int id : {1011, 1055, 1056}) findChild<QWidget*>(QString("id_%1").arg(id))->setEnabled(scene);
}

void MainWindow::SetTitle(MScene* scene) {
  if (scene && scene->get_name())
    setWindowTitle(MainCaption() + " " + FromLocal(scene->get_name()));
  else
    setWindowTitle(MainCaption());
}

void MainWindow::Import() {
  int cls = SelectedImportClass();
  if (cls < 0) return;
  BusyScope busy(*this);
  TakeOpenAnswered();
  if (driver_.ImportInteractive(cls)) {
    MScene* scene = FirstScene();
    SetTitle(scene);
    if (scene && scene->get_name()) AddRecent(FromLocal(scene->get_name()));
    status_->clear();
    Refresh(PreviewUpdate::kNewScene);
    return;
  }
  if (TakeOpenAnswered()) {
    std::string why = registry_.LastError(cls);
    ShowError(this, why.empty() ? QString("FileOpen Error") : FromLocal(why.c_str()));
  }
  Refresh();
}

int MainWindow::ImportByName(const QString& path) {
  if (!import_available_) return 0;
  BusyScope busy(*this);
  int r = driver_.ImportByName(ToLocal(path).c_str());
  if (r == 1) {
    SetTitle(FirstScene());
    AddRecent(QFileInfo(path).absoluteFilePath());
    status_->clear();
    Refresh(PreviewUpdate::kNewScene);
    return r;
  }
  ShowError(this, driver_.last_error.empty() ? QString("File not found") : FromLocal(driver_.last_error.c_str()));
  Refresh();
  return r;
}

void MainWindow::Export() {
  if (driver_.scenes->count == 0) {
    ShowError(this, "No Scene available");
    return;
  }
  int cls = SelectedExportClass();
  if (cls < 0) return;
  BusyScope busy(*this);
  TakeSaveAnswered();
  driver_.ExportInteractive(cls);
  if (!TakeSaveAnswered()) return;  // cancelled
  std::vector<char> path(8192, '\0');
  int result = registry_.LastExport(cls, path.data(), path.size());
  if (result == 1) {
    status_->setText(QString("Written: %1").arg(FromLocal(path.data())));
    return;
  }
  status_->clear();
  std::string why = registry_.LastError(cls);
  if (why.empty()) why = std::string("Cannot write file ") + path.data();
  ShowError(this, FromLocal(why.c_str()));
}

void MainWindow::Clear() {
  driver_.Clear();
  SetTitle(nullptr);
  status_->clear();
  Refresh(PreviewUpdate::kNewScene);
}

void MainWindow::DumpStatistic() {
  if (driver_.scenes->count == 0) return;
  QString path;
  if (!AskSaveFile(this, "txt", "TextFile (*.txt);;All Files (*)", "dump", &path)) return;
  if (!driver_.Dump(ToLocal(path).c_str())) {
    ShowError(this, FromLocal(driver_.last_error.c_str()));
    return;
  }
  if (!OpenDocument(path)) ShowError(this, QString("Cannot open %1").arg(path));
}

void MainWindow::ShowDetails(int line) {
  MObj3d* obj = driver_.ObjectAtLine(line);
  if (!obj) return;
  DetailsDialog d(ConversionDriver::Details(obj), this);
  if (d.exec() == QDialog::Accepted) ConversionDriver::Rename(obj, ToLocal(d.Name()).c_str());
  Refresh();
}

void MainWindow::ShowConfiguration() {
  ConfigDialog d(settings_, this);
  d.exec();
  settings_.Save();
}

void MainWindow::ShowPluginInfo() { PluginInfoDialog(registry_, this).exec(); }

void MainWindow::ShowAbout() { AboutDialog(this).exec(); }

void MainWindow::ModifyObjects() {
  if (driver_.scenes->count == 0) return;
  std::vector<int> lines;
  for (QListWidgetItem* item : objects_->selectedItems()) lines.push_back(objects_->row(item));
  if (lines.empty()) return;
  std::sort(lines.begin(), lines.end());
  BusyScope busy(*this);
  std::unique_ptr<ObjModOption1> options = kvhost::NewObjectModifierOptions("objmod.log");
  ProcessObjectsDialog d(*options, false, this);
  if (d.exec() != QDialog::Accepted) return;
  kvhost::ModifyObjects(driver_, lines, *options);
  Refresh(PreviewUpdate::kSceneChanged);
}

void MainWindow::ModifyScene() {
  if (driver_.scenes->count == 0) return;
  BusyScope busy(*this);
  std::unique_ptr<ObjModOption2> options = kvhost::NewSceneModifierOptions("objmod.log");
  ProcessSceneDialog d(*options, false, this);
  // The counts stay what they were: the scene pass moves, it adds nothing.
  if (d.exec() != QDialog::Accepted) return;
  kvhost::ModifyScene(driver_, *options);
  preview_->SceneChanged(FirstScene(), SelectedObjects());
}

void MainWindow::ShowBatch() {
  if (!import_available_ || !export_available_) return;
  BusyScope busy(*this);
  BatchDialog d(driver_, registry_, import_table_, export_table_, import_list_->currentIndex(),
                export_list_->currentIndex(), this);
  d.exec();
  import_list_->setCurrentIndex(d.ImportPosition());
  export_list_->setCurrentIndex(d.ExportPosition());
}

void MainWindow::Quit() {
  if (quitting_) return;
  if (busy_ > 0) return;  // an operation runs; its window is modal
  quitting_ = true;
  if (PluginClassDesc* d = registry_.GetClass(SelectedImportClass())) settings_.Set_LastImportClass(d->ClassName());
  if (PluginClassDesc* d = registry_.GetClass(SelectedExportClass())) settings_.Set_LastExportClass(d->ClassName());
  settings_.Save();
  SaveRecent();
  driver_.Clear();
  QDialog::done(QDialog::Accepted);
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (busy_ > 0) {
    e->ignore();
    return;
  }
  Quit();
  e->accept();
}

void MainWindow::Receive(const QString& path) {
  pending_.append(path);
  DrainPending();
}

void MainWindow::DrainPending() {
  if (drain_scheduled_) return;
  drain_scheduled_ = true;
  // Later, from the event loop: a hand-over never replaces the scene in the
  // middle of an operation or under a modal dialog.
  QTimer::singleShot(busy_ > 0 || QApplication::activeModalWidget() ? 200 : 0, this, [this] {
    drain_scheduled_ = false;
    if (quitting_) return;
    if (busy_ > 0 || QApplication::activeModalWidget()) {
      DrainPending();
      return;
    }
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    while (!pending_.isEmpty() && busy_ == 0 && !QApplication::activeModalWidget()) {
      QString path = pending_.takeFirst();
      if (!path.isEmpty()) ImportByName(path);
    }
    if (!pending_.isEmpty()) DrainPending();
  });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (!LocalFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
  QStringList files = LocalFiles(e->mimeData());
  if (files.isEmpty()) return;
  e->acceptProposedAction();
  // One scene at a time: the first model dropped is imported.
  Receive(files.first());
}

void MainWindow::contextMenuEvent(QContextMenuEvent* e) {
  QMenu menu(this);
  menu.addAction("Inf&o about Korvane...", this, &MainWindow::ShowAbout);
  menu.exec(e->globalPos());
}

void MainWindow::LoadRecent() {
  recent_.clear();
  Profile store(settings_.program_name);
  for (int i = 0; i < kMaxRecent; ++i) {
    char buf[4096] = "";
    store.GetString(kRecentSection, QString("file%1").arg(i + 1).toLatin1().constData(), "", buf, sizeof buf);
    // The store keeps 255 characters of a value: a longer path came back
    // cut and names nothing.
    if (buf[0] && QFileInfo::exists(FromLocal(buf))) recent_ << FromLocal(buf);
  }
}

void MainWindow::SaveRecent() {
  Profile store(settings_.program_name);
  for (int i = 0; i < kMaxRecent; ++i) {
    std::string v = i < recent_.size() ? ToLocal(recent_[i]) : std::string();
    store.WriteString(kRecentSection, QString("file%1").arg(i + 1).toLatin1().constData(), v.c_str());
  }
}

void MainWindow::AddRecent(const QString& path) {
  recent_.removeAll(path);
  recent_.prepend(path);
  while (recent_.size() > kMaxRecent) recent_.removeLast();
  SaveRecent();
}

void MainWindow::FillRecentMenu() {
  recent_menu_->clear();
  for (const QString& path : recent_)
    recent_menu_->addAction(path, this, [this, path] { Receive(path); });
  if (recent_.isEmpty()) recent_menu_->addAction("(none)")->setEnabled(false);
}

}  // namespace kvgui
