// The main window (102): the class lists and their buttons, import, export,
// clear, dump, the statistics counters and the object list, and the way to
// every other dialog. Every operation is the host's (ConversionDriver and
// the plug-in registry); the window only asks, shows and enables.
#pragma once
#include <QDialog>
#include <QStringList>
#include <memory>
#include <vector>

#include "conversion.h"
#include "plugin_host.h"

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace kvgui {

class PreviewPane;

class MainWindow : public QDialog {
  Q_OBJECT
 public:
  // Loads the settings and the plug-ins (the folder of the settings unless
  // plugin_dir is given) and fills the window.
  explicit MainWindow(const QString& plugin_dir = QString(), QWidget* parent = nullptr);
  ~MainWindow() override;

  ConversionDriver& driver() { return driver_; }
  PluginRegistry& registry() { return registry_; }
  AppSettings& settings() { return settings_; }
  // Files handed over (another instance, a drop, the command line): queued
  // while an operation or a modal dialog runs, imported when it ends.
  void Receive(const QString& path);
  int PendingCount() const { return pending_.size(); }
  bool Busy() const { return busy_ > 0; }

  // The operations behind the buttons.
  void Import();
  int ImportByName(const QString& path);
  void Export();
  void Clear();
  void DumpStatistic();
  void ShowDetails(int line);
  void ShowConfiguration();
  void ShowPluginInfo();
  void ShowAbout();
  void ModifyObjects();
  void ModifyScene();
  void ShowBatch();
  // Stores the selected classes and the settings and ends the program.
  void Quit();

  // Recent files, newest first.
  QStringList RecentFiles() const { return recent_; }

  PreviewPane* preview() { return preview_; }

 protected:
  // Esc and the close box go through Quit.
  void reject() override { Quit(); }
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  friend class BusyScope;
  void BuildControls();
  void FillClassLists();
  // What the preview is told after the counters and the list are filled
  // again: nothing, that the scene changed, or that it is another scene.
  enum class PreviewUpdate { kNone, kSceneChanged, kNewScene };
  void Refresh(PreviewUpdate preview = PreviewUpdate::kNone);
  MScene* FirstScene();
  std::vector<const MObj3d*> SelectedObjects();
  void UpdateEnabling();
  void DrainPending();
  void SetTitle(MScene* scene);
  void AddRecent(const QString& path);
  void LoadRecent();
  void SaveRecent();
  void FillRecentMenu();
  int SelectedImportClass() const;
  int SelectedExportClass() const;

  AppSettings settings_;
  PluginRegistry registry_;
  ConversionDriver driver_;
  std::vector<int> import_table_;
  std::vector<int> export_table_;
  bool import_available_ = false;
  bool export_available_ = false;
  bool quitting_ = false;
  int busy_ = 0;
  bool drain_scheduled_ = false;
  QStringList pending_;
  QStringList recent_;

  QComboBox* import_list_ = nullptr;
  QComboBox* export_list_ = nullptr;
  QListWidget* objects_ = nullptr;
  PreviewPane* preview_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  QMenu* help_menu_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* counters_[8] = {};
};

// Marks the window busy for one operation: hand-overs wait for its end.
class BusyScope {
 public:
  explicit BusyScope(MainWindow& w) : w_(w) { ++w_.busy_; }
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  MainWindow& w_;
};

}  // namespace kvgui
