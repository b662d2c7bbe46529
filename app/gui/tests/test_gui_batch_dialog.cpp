// The Batch dialog over the build's RAW plug-ins: adding, deleting, list
// files, runs that go on past a failing entry, Stop, and the lock while a
// run goes.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "gui_batch_dialog.h"
#include "gui_main_window.h"
#include "gui_support.h"
#include "gui_test_util.h"
#include "objmod.h"
#include "test_support.h"

using namespace kvguitest;

namespace {

class BatchDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    CancelPrompts();
    window_ = std::make_unique<kvgui::MainWindow>(PluginDir());
  }
  void TearDown() override {
    kvgui::SetPromptAnswer(nullptr);
    window_.reset();
  }
  // A dialog on the RAW classes, shown (not modal).
  std::unique_ptr<kvgui::BatchDialog> Open() {
    PluginRegistry& r = window_->registry();
    auto d = std::make_unique<kvgui::BatchDialog>(window_->driver(), r, r.ImportTable(), r.ExportTable(), 0, 0,
                                                  window_.get());
    auto* imports = Control<QComboBox>(d.get(), 1003);
    auto* exports = Control<QComboBox>(d.get(), 1007);
    imports->setCurrentIndex(imports->findText("RAW (*.raw)"));
    exports->setCurrentIndex(exports->findText("Raw (*.raw)"));
    // Modal, as the main window opens it.
    d->setModal(true);
    d->show();
    return d;
  }
  // Open prompts get files, the folder prompt gets folder (cancelled when empty).
  static void Answer(const QStringList& files, const QString& folder) {
    kvgui::SetPromptAnswer([files, folder](const kvgui::PromptRequest& q, QStringList* chosen) {
      if (q.kind == kvgui::PromptKind::Folder) {
        if (folder.isEmpty()) return false;
        *chosen = {folder};
        return true;
      }
      *chosen = files;
      return !files.isEmpty();
    });
  }
  static void Click(QWidget* d, int id) { QTest::mouseClick(Control<QPushButton>(d, id), Qt::LeftButton); }
  static QString Q(const std::string& s) { return QString::fromStdString(s); }
  std::unique_ptr<kvgui::MainWindow> window_;
};

TEST_F(BatchDialogTest, AddDeleteAndSelectAll) {
  kvtest::TempDir dir;
  auto d = Open();
  auto* list = Control<QListWidget>(d.get(), 1066);
  const QString cube = Sample("cube.raw");
  // Files chosen, folder cancelled: nothing added.
  Answer({cube, cube}, QString());
  Click(d.get(), 1033);
  EXPECT_EQ(list->count(), 0);

  Answer({cube, Sample("missing.raw"), cube}, Q(dir.str()));
  Click(d.get(), 1033);
  ASSERT_EQ(d->List().entries.size(), 3u);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(d->windowTitle(), "Batch (3 Files)");
  const BatchEntry& e = d->List().entries[1];
  EXPECT_EQ(e.import_class, "RAW (*.raw)");
  EXPECT_EQ(e.export_class, "Raw (*.raw)");
  EXPECT_EQ(Q(e.target), Q(dir.str()) + "/");
  EXPECT_EQ(list->item(0)->text(), Q("\tRAW (*.raw)\tRaw (*.raw)\t" + d->List().entries[0].input + "\t" + e.target));

  list->item(1)->setSelected(true);
  Click(d.get(), 1034);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(d->windowTitle(), "Batch (2 Files)");
  EXPECT_EQ(Q(d->List().entries[1].input), cube);

  Click(d.get(), 1036);
  EXPECT_EQ(list->selectedItems().size(), 2);
  Click(d.get(), 1034);
  EXPECT_EQ(list->count(), 0);
  EXPECT_TRUE(d->List().entries.empty());
}

TEST_F(BatchDialogTest, ListFileSaveAndLoad) {
  kvtest::TempDir dir;
  auto d = Open();
  Answer({Sample("cube.raw")}, Q(dir.file("a")));
  Click(d.get(), 1033);
  Answer({Sample("cube.raw")}, Q(dir.file("b")));
  Click(d.get(), 1033);
  ASSERT_EQ(d->List().entries.size(), 2u);
  Answer({Q(dir.file("jobs"))}, QString());
  Click(d.get(), 1038);
  std::string saved = kvtest::read_file(dir.file("jobs.lst"));
  EXPECT_EQ(saved.find("#RAW (*.raw)#Raw (*.raw)#"), 0u) << saved;

  auto again = Open();
  Answer({Q(dir.file("jobs.lst"))}, QString());
  Click(again.get(), 1037);
  ASSERT_EQ(again->List().entries.size(), 2u);
  EXPECT_EQ(again->List().entries[1].target, d->List().entries[1].target);
  EXPECT_EQ(Control<QListWidget>(again.get(), 1066)->count(), 2);

  QString message;
  WhenModal("dlg_error", [&](QWidget* box) {
    message = box->findChild<QLabel*>("qt_msgbox_label")->text();
    static_cast<QDialog*>(box)->accept();
  });
  Answer({Q(dir.file("none.lst"))}, QString());
  Click(again.get(), 1037);
  EXPECT_EQ(message, "File not found");
  EXPECT_EQ(again->List().entries.size(), 2u);
}

TEST_F(BatchDialogTest, RunGoesOnPastAFailingEntryAndReportsIt) {
  kvtest::TempDir dir;
  auto d = Open();
  // Two cubes into two folders, a missing file between them.
  Answer({Sample("cube.raw")}, Q(dir.file("one")));
  Click(d.get(), 1033);
  Answer({Q(dir.file("missing.raw"))}, Q(dir.file("one")));
  Click(d.get(), 1033);
  Answer({Sample("cube.raw")}, Q(dir.file("two")));
  Click(d.get(), 1033);
  ASSERT_EQ(d->List().entries.size(), 3u);
  // The batch's modifiers apply to every file.
  d->SceneOptions().enable_scene_translate = 1;
  d->SceneOptions().scene_translate = MVector3(100, 0, 0);

  Click(d.get(), 1035);
  EXPECT_FALSE(d->Running());
  EXPECT_TRUE(d->List().entries.empty());
  EXPECT_EQ(Control<QListWidget>(d.get(), 1066)->count(), 0);
  EXPECT_EQ(d->windowTitle(), "Batch (0 Files)");
  QStringList report = d->Report();
  ASSERT_EQ(report.size(), 3);
  EXPECT_TRUE(report[0].startsWith("converted\t")) << report[0].toStdString();
  EXPECT_TRUE(report[1].startsWith("failed\t")) << report[1].toStdString();
  EXPECT_TRUE(report[1].contains("missing.raw"));
  EXPECT_TRUE(report[2].startsWith("converted\t")) << report[2].toStdString();
  EXPECT_EQ(d->findChild<QLabel*>("batch_status")->text(), "2 converted, 1 failed");
  for (const char* folder : {"one", "two"}) {
    std::string out = kvtest::read_file(dir.file(std::string(folder) + "/cube.raw"));
    EXPECT_NE(out.find("cube"), std::string::npos) << folder;
    // Translated by the scene pass: every x above 90.
    EXPECT_NE(out.find("99"), std::string::npos) << out;
  }
  EXPECT_TRUE(window_->isEnabled());
}

TEST_F(BatchDialogTest, StopEndsAfterTheCurrentEntryAndTheDialogIsLockedMeanwhile) {
  kvtest::TempDir dir;
  auto d = Open();
  for (const char* folder : {"a", "b", "c"}) {
    Answer({Sample("cube.raw")}, Q(dir.file(folder)));
    Click(d.get(), 1033);
  }
  ASSERT_EQ(d->List().entries.size(), 3u);
  bool stop_enabled = false;
  bool others_enabled = true;
  bool still_open = false;
  // Runs at the first moment the run lets events through.
  QTimer::singleShot(0, d.get(), [&] {
    stop_enabled = d->findChild<QPushButton*>("batch_stop")->isEnabled();
    others_enabled = false;
    for (int id : {1, 1033, 1034, 1035, 1037, 1038, 1055, 1003})
      if (Control<QWidget>(d.get(), id)->isEnabled()) others_enabled = true;
    d->reject();  // Esc and Close wait for the run
    still_open = d->isVisible();
    QTest::mouseClick(d->findChild<QPushButton*>("batch_stop"), Qt::LeftButton);
  });
  d->Go();
  EXPECT_TRUE(stop_enabled);
  EXPECT_FALSE(others_enabled);
  EXPECT_TRUE(still_open);
  EXPECT_EQ(d->List().entries.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(dir.file("a/cube.raw")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("b/cube.raw")));
  EXPECT_EQ(d->windowTitle(), "Batch (2 Files)");
  EXPECT_TRUE(Control<QWidget>(d.get(), 1035)->isEnabled());
  EXPECT_FALSE(d->findChild<QPushButton*>("batch_stop")->isEnabled());
  EXPECT_EQ(d->findChild<QLabel*>("batch_status")->text(), "1 converted, 0 failed, stopped with 2 left");
}

TEST_F(BatchDialogTest, ModifierButtonsEditTheBatchRecordsInBatchMode) {
  auto d = Open();
  EXPECT_EQ(d->ObjectOptions().object_mode, 1);
  bool process_visible = true;
  WhenModal("dlg_146", [&](QWidget* m) {
    process_visible = Control<QPushButton>(m, 1)->isVisible();
    Control<QCheckBox>(m, 1066)->click();
    QTest::mouseClick(Control<QPushButton>(m, 2), Qt::LeftButton);
  });
  Click(d.get(), 1055);
  EXPECT_FALSE(process_visible);
  EXPECT_EQ(d->ObjectOptions().f_mesh_weld, 1);
  WhenModal("dlg_147", [&](QWidget* m) {
    Control<QCheckBox>(m, 1068)->click();
    QTest::mouseClick(Control<QPushButton>(m, 2), Qt::LeftButton);
  });
  Click(d.get(), 1056);
  EXPECT_EQ(d->SceneOptions().enable_scene_center, 1);
}

TEST_F(BatchDialogTest, TheMainWindowSharesItsClassSelection) {
  auto* imports = Control<QComboBox>(window_.get(), 1003);
  auto* exports = Control<QComboBox>(window_.get(), 1007);
  window_->show();
  const int raw_out = exports->findText("Raw (*.raw)");
  ASSERT_GE(raw_out, 0);
  int seen_import = -1;
  WhenModal("dlg_148", [&](QWidget* d) {
    seen_import = Control<QComboBox>(d, 1003)->currentIndex();
    Control<QComboBox>(d, 1007)->setCurrentIndex(raw_out);
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  Click(window_.get(), 1018);
  EXPECT_EQ(seen_import, imports->currentIndex());
  EXPECT_EQ(exports->currentIndex(), raw_out);
}

}  // namespace
