// The main window over the build's plug-ins: counters, enabling, import,
// export, clear, dump, details, configuration, plug-in info and Quit.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

#include "gui_main_window.h"
#include "gui_support.h"
#include "gui_test_util.h"
#include "plugin_host.h"
#include "profile.h"
#include "plugin_test_support.h"
#include "test_support.h"

using namespace kvguitest;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    CancelPrompts();
    kvgui::SetDocumentOpener([this](const QString& p) {
      opened_ << p;
      return true;
    });
  }
  void TearDown() override {
    kvgui::SetPromptAnswer(nullptr);
    kvgui::SetDocumentOpener(nullptr);
  }
  QString Counter(kvgui::MainWindow& w, int id) { return Control<QLabel>(&w, id)->text(); }
  bool Enabled(kvgui::MainWindow& w, int id) { return Control<QWidget>(&w, id)->isEnabled(); }
  QStringList opened_;
};

TEST_F(MainWindowTest, StartWithCubeFillsCountersAndEnablesSceneButtons) {
  kvgui::MainWindow w(PluginDir());
  w.show();
  EXPECT_FALSE(Enabled(w, 1006));
  EXPECT_FALSE(Enabled(w, 1010));
  EXPECT_FALSE(Enabled(w, 1011));
  EXPECT_EQ(Counter(w, 1012), ":0");
  // The command line's file goes the hand-over road.
  w.Receive(Sample("cube.raw"));
  QTRY_COMPARE(Counter(w, 1012), QString(":1"));
  SceneStatistics s = w.driver().Statistics();
  EXPECT_EQ(s.objects, 3);
  EXPECT_EQ(s.faces, 20);
  EXPECT_EQ(Counter(w, 1017), ":3");
  EXPECT_EQ(Counter(w, 1014), ":20");
  EXPECT_EQ(Counter(w, 1013), QString(":%1").arg(s.vertices));
  EXPECT_EQ(Counter(w, 1019), QString(":%1").arg(s.cameras));
  EXPECT_EQ(Counter(w, 1020), QString(":%1").arg(s.lights));
  EXPECT_TRUE(Enabled(w, 1006));
  EXPECT_TRUE(Enabled(w, 1010));
  EXPECT_TRUE(Enabled(w, 1011));
  auto* list = Control<QListWidget>(&w, 1057);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), "(M) cube");
  EXPECT_TRUE(w.windowTitle().endsWith("cube.raw"));

  // Clear: every counter back to ":0", the scene buttons off.
  QTest::mouseClick(Control<QPushButton>(&w, 1010), Qt::LeftButton);
  for (int id : {1012, 1013, 1014, 1017, 1019, 1020, 1021, 1022}) EXPECT_EQ(Counter(w, id), ":0") << id;
  EXPECT_FALSE(Enabled(w, 1006));
  EXPECT_FALSE(Enabled(w, 1010));
  EXPECT_FALSE(Enabled(w, 1011));
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(w.windowTitle(), kvgui::MainCaption());
}

TEST_F(MainWindowTest, ImportThroughThePromptAndDetailsOfADoubleClickedLine) {
  kvgui::MainWindow w(PluginDir());
  w.show();
  auto* classes = Control<QComboBox>(&w, 1003);
  int raw = classes->findText("RAW (*.raw)");
  ASSERT_GE(raw, 0);
  classes->setCurrentIndex(raw);
  AnswerPrompts({Sample("cube.raw")});
  QTest::mouseClick(Control<QPushButton>(&w, 1002), Qt::LeftButton);
  ASSERT_EQ(w.driver().scenes->count, 1);
  auto* list = Control<QListWidget>(&w, 1057);
  ASSERT_EQ(list->count(), 3);

  ObjectDetails expected = ConversionDriver::Details(w.driver().ObjectAtLine(1));
  QMap<int, QString> shown;
  WhenModal("dlg_134", [&](QWidget* d) {
    for (int id : {1019, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1030})
      shown[id] = Control<QLabel>(d, id)->text();
    auto* name = Control<QLineEdit>(d, 1018);
    shown[1018] = name->text();
    name->setText("apex");
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QRect r = list->visualItemRect(list->item(1));
  // A click first: the view double-clicks only the line it saw pressed.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(shown[1018], "pyramid");
  EXPECT_EQ(shown[1019], "MESH2");
  EXPECT_EQ(shown[1020], QString::number(expected.faces));
  EXPECT_EQ(shown[1021], QString::number(expected.vertices));
  EXPECT_GT(expected.faces, 0);
  EXPECT_EQ(shown[1022], QString::asprintf("%.3f", expected.min[0]));
  EXPECT_EQ(shown[1024], QString::asprintf("%.3f", expected.min[2]));
  EXPECT_EQ(shown[1025], QString::asprintf("%.3f", expected.max[0]));
  EXPECT_EQ(shown[1027], QString::asprintf("%.3f", expected.max[1]));
  EXPECT_EQ(shown[1026], QString::asprintf("%.3f", expected.max[2]));
  // Renamed in the dialog: the list line follows at once.
  EXPECT_EQ(list->item(1)->text(), "(M) apex");
}

TEST_F(MainWindowTest, CancelledImportChangesNothing) {
  kvgui::MainWindow w(PluginDir());
  w.Receive(Sample("cube.raw"));
  QTRY_COMPARE(w.driver().scenes->count, 1);
  CancelPrompts();
  QTest::mouseClick(Control<QPushButton>(&w, 1002), Qt::LeftButton);
  EXPECT_EQ(w.driver().scenes->count, 1);
}

TEST_F(MainWindowTest, ExportIntoAFolderThatCannotBeWrittenShowsErrorAndClaimsNothing) {
  kvtest::TempDir dir;
  // Root writes into any read-only folder: below a plain file nothing can be
  // created by anyone.
  QString target;
  if (geteuid() == 0) {
    kvtest::write_file(dir.file("plain"), "x");
    target = QString::fromStdString(dir.file("plain")) + "/out.raw";
  } else {
    QDir().mkpath(QString::fromStdString(dir.file("ro")));
    chmod(dir.file("ro").c_str(), 0555);
    target = QString::fromStdString(dir.file("ro")) + "/out.raw";
  }
  kvgui::MainWindow w(PluginDir());
  w.show();
  w.Receive(Sample("cube.raw"));
  QTRY_COMPARE(w.driver().scenes->count, 1);
  auto* classes = Control<QComboBox>(&w, 1007);
  classes->setCurrentIndex(classes->findText("Raw (*.raw)"));
  AnswerPrompts({target});
  QString error;
  WhenModal("dlg_error", [&](QWidget* box) {
    error = box->findChild<QLabel*>("qt_msgbox_label")->text();
    EXPECT_EQ(box->windowTitle(), "Error");
    static_cast<QDialog*>(box)->accept();
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1006), Qt::LeftButton);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_FALSE(w.findChild<QLabel*>("status")->text().startsWith("Written"));
  chmod(dir.file("ro").c_str(), 0755);

  // A writable target is written and said so.
  QString good = QString::fromStdString(dir.file("good.raw"));
  AnswerPrompts({good});
  QTest::mouseClick(Control<QPushButton>(&w, 1006), Qt::LeftButton);
  EXPECT_TRUE(QFile::exists(good));
  EXPECT_TRUE(w.findChild<QLabel*>("status")->text().startsWith("Written"));
}

TEST_F(MainWindowTest, ExportWithoutSceneSaysNoSceneAvailable) {
  kvgui::MainWindow w(PluginDir());
  QString error;
  WhenModal("dlg_error", [&](QWidget* box) {
    error = box->findChild<QLabel*>("qt_msgbox_label")->text();
    static_cast<QDialog*>(box)->accept();
  });
  w.Export();
  EXPECT_EQ(error, "No Scene available");
}

TEST_F(MainWindowTest, DumpWritesTheSceneAndOpensIt) {
  kvtest::TempDir dir;
  kvgui::MainWindow w(PluginDir());
  w.Receive(Sample("cube.raw"));
  QTRY_COMPARE(w.driver().scenes->count, 1);
  QString path = QString::fromStdString(dir.file("dump"));
  AnswerPrompts({path});
  QTest::mouseClick(Control<QPushButton>(&w, 1011), Qt::LeftButton);
  ASSERT_EQ(opened_.size(), 1);
  EXPECT_EQ(opened_[0], path + ".txt");
  std::string text = kvtest::read_file(dir.file("dump.txt"));
  EXPECT_NE(text.find("pyramid"), std::string::npos);
}

TEST_F(MainWindowTest, UnknownExtensionSaysSo) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("model.nothing"), "x");
  kvgui::MainWindow w(PluginDir());
  QString error;
  WhenModal("dlg_error", [&](QWidget* box) {
    error = box->findChild<QLabel*>("qt_msgbox_label")->text();
    static_cast<QDialog*>(box)->accept();
  });
  EXPECT_EQ(w.ImportByName(QString::fromStdString(dir.file("model.nothing"))), -1);
  EXPECT_EQ(error, "Extension not recognized!");
}

TEST_F(MainWindowTest, WithoutClassesEverythingThatNeedsOneIsDisabled) {
  kvtest::TempDir empty;
  kvgui::MainWindow w(QString::fromStdString(empty.str()));
  for (int id : {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1010, 1011, 1018, 1055, 1056})
    EXPECT_FALSE(Enabled(w, id)) << id;
  for (int id : {1, 1008, 1015, 57670}) EXPECT_TRUE(Enabled(w, id)) << id;
  EXPECT_EQ(Control<QComboBox>(&w, 1003)->itemText(0), "(none)");
}

TEST_F(MainWindowTest, ConfigurationCancelStillStoresThePluginFolder) {
  kvtest::TempDir dir;
  QString folder = QString::fromStdString(dir.str());
  {
    kvgui::MainWindow w(PluginDir());
    AnswerPrompts({folder});
    WhenModal("dlg_133", [&](QWidget* d) {
      QTest::mouseClick(Control<QPushButton>(d, 1004), Qt::LeftButton);
      EXPECT_EQ(Control<QLineEdit>(d, 1006)->text(), folder + "/");
      QTest::mouseClick(Control<QPushButton>(d, 2), Qt::LeftButton);  // Cancel
    });
    QTest::mouseClick(Control<QPushButton>(&w, 1008), Qt::LeftButton);
    EXPECT_EQ(QString(w.settings().plugin_path), folder + "/");
  }
  AppSettings stored;
  stored.Load();
  EXPECT_EQ(QString(stored.plugin_path), folder + "/");
}

TEST_F(MainWindowTest, ConfigurationRefusesAFolderLongerThanTheSetting) {
  QString deep = "/tmp/" + QString(300, 'd');
  kvgui::MainWindow w(PluginDir());
  std::string before = w.settings().plugin_path;
  AnswerPrompts({deep});
  bool refused = false;
  WhenModal("dlg_133", [&](QWidget* d) {
    WhenModal("dlg_error", [&](QWidget* box) {
      refused = true;
      static_cast<QDialog*>(box)->accept();
    });
    QTest::mouseClick(Control<QPushButton>(d, 1004), Qt::LeftButton);
    // Kept whole or not at all: the old folder stays.
    EXPECT_EQ(Control<QLineEdit>(d, 1006)->text().toStdString(), before);
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1008), Qt::LeftButton);
  EXPECT_TRUE(refused);
  EXPECT_EQ(std::string(w.settings().plugin_path), before);
}

TEST_F(MainWindowTest, QuitStoresTheClassesAndTheNextStartSelectsThem) {
  QString import_name, export_name;
  {
    kvgui::MainWindow w(PluginDir());
    auto* imports = Control<QComboBox>(&w, 1003);
    auto* exports = Control<QComboBox>(&w, 1007);
    ASSERT_GT(imports->count(), 1);
    ASSERT_GT(exports->count(), 1);
    imports->setCurrentIndex(imports->count() - 1);
    exports->setCurrentIndex(exports->count() - 1);
    import_name = imports->currentText();
    export_name = exports->currentText();
    QTest::mouseClick(Control<QPushButton>(&w, 1), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
  }
  kvgui::MainWindow next(PluginDir());
  EXPECT_EQ(Control<QComboBox>(&next, 1003)->currentText(), import_name);
  EXPECT_EQ(Control<QComboBox>(&next, 1007)->currentText(), export_name);
}

TEST_F(MainWindowTest, EscapeAndTheCloseBoxGoThroughQuit) {
  {
    kvgui::MainWindow w(PluginDir());
    w.show();
    auto* exports = Control<QComboBox>(&w, 1007);
    exports->setCurrentIndex(1);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    AppSettings stored;
    stored.Load();
    EXPECT_EQ(QString(stored.last_export_class), exports->currentText());
  }
  {
    kvgui::MainWindow w(PluginDir());
    w.show();
    auto* exports = Control<QComboBox>(&w, 1007);
    exports->setCurrentIndex(0);
    w.close();
    AppSettings stored;
    stored.Load();
    EXPECT_EQ(QString(stored.last_export_class), exports->currentText());
  }
}

TEST_F(MainWindowTest, PluginInfoListsTheSummaryAndSavesIt) {
  kvtest::TempDir dir;
  kvgui::MainWindow w(PluginDir());
  int lines = 0;
  QString path = QString::fromStdString(dir.file("plugins.txt"));
  AnswerPrompts({path});
  WhenModal("dlg_135", [&](QWidget* d) {
    lines = Control<QListWidget>(d, 1026)->count();
    QTest::mouseClick(Control<QPushButton>(d, 1024), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1015), Qt::LeftButton);
  EXPECT_EQ(lines, static_cast<int>(w.registry().SummaryLines().size()));
  EXPECT_GT(lines, 0);
  EXPECT_EQ(kvtest::read_lines(dir.file("plugins.txt")).size(), static_cast<size_t>(lines));
}

TEST_F(MainWindowTest, AboutShowsVersionAndBuild) {
  kvgui::MainWindow w(PluginDir());
  QString version, build;
  WhenModal("dlg_100", [&](QWidget* d) {
    version = Control<QLabel>(d, 1028)->text();
    build = Control<QLabel>(d, 1027)->text();
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  w.ShowAbout();
  EXPECT_EQ(version, "Korvane V 4.4b");
  EXPECT_EQ(build, "Build: 1687");
}

TEST_F(MainWindowTest, HandOverWaitsForAModalDialogAndAnOperation) {
  kvgui::MainWindow w(PluginDir());
  w.show();
  int during = -1;
  WhenModal("dlg_100", [&](QWidget* d) {
    w.Receive(Sample("cube.raw"));
    QTest::qWait(300);
    during = w.driver().scenes->count;
    EXPECT_EQ(w.PendingCount(), 1);
    static_cast<QDialog*>(d)->accept();
  });
  w.ShowAbout();
  EXPECT_EQ(during, 0);
  QTRY_COMPARE(w.driver().scenes->count, 1);
  EXPECT_EQ(w.PendingCount(), 0);
  EXPECT_EQ(w.RecentFiles().value(0), Sample("cube.raw"));
}

}  // namespace
