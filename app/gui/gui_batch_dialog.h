// The "Batch" dialog (148): collects entries (input file, import class,
// export class, target folder), keeps object and scene modifier options for
// the whole run, saves and loads list files and converts every entry
// without further questions. While it runs only Stop (or Ctrl held) acts;
// the run ends after the entry being converted.
#pragma once
#include <QDialog>
#include <csignal>
#include <memory>
#include <vector>

#include "batch_list.h"
#include "batch_run.h"

class ConversionDriver;
class ObjModOption1;
class ObjModOption2;
class PluginRegistry;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace kvgui {

class BatchDialog : public QDialog {
  Q_OBJECT
 public:
  // The class lists show the tables and start at the main window's
  // positions; the chosen positions go back through ImportPosition and
  // ExportPosition.
  BatchDialog(ConversionDriver& driver, PluginRegistry& registry, const std::vector<int>& import_table,
              const std::vector<int>& export_table, int import_pos, int export_pos, QWidget* parent);
  ~BatchDialog() override;

  int ImportPosition() const;
  int ExportPosition() const;
  BatchList& List() { return list_; }
  ObjModOption1& ObjectOptions() { return *objects_; }
  ObjModOption2& SceneOptions() { return *scene_; }
  bool Running() const { return running_; }
  // The outcome of the last run, one line per entry worked on.
  QStringList Report() const;

  // The commands behind the buttons.
  void Add();
  // Entries for these files into target, through the selected classes;
  // by_extension takes the import class that lists each file's extension
  // when there is one (dropped files).
  void AddFiles(const QStringList& files, const QString& target, bool by_extension);
  void Delete();
  void SelectAll();
  void LoadList();
  void SaveList();
  void Go();
  void Stop() { stop_ = 1; }
  // Closes, except during a run.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  class RunReporter;
  void ShowList();
  void Lock(bool running);
  int SelectedImportClass() const;
  int SelectedExportClass() const;

  ConversionDriver& driver_;
  PluginRegistry& registry_;
  std::vector<int> import_table_;
  std::vector<int> export_table_;
  BatchList list_;
  std::unique_ptr<ObjModOption1> objects_;
  std::unique_ptr<ObjModOption2> scene_;
  QString add_folder_;
  QString target_folder_;
  bool running_ = false;
  volatile std::sig_atomic_t stop_ = 0;

  QComboBox* import_list_;
  QComboBox* export_list_;
  QListWidget* entries_;
  QListWidget* report_;
  QLabel* status_;
  QPushButton* stop_button_;
};

}  // namespace kvgui
