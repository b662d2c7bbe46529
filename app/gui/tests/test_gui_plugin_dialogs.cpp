// The plug-ins' dialogs and progress through the hooks, number fields,
// filters and the C locale.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fileoption.h"
#include "gui_hooks.h"
#include "gui_main_window.h"
#include "gui_number_field.h"
#include "gui_plugin_dialogs.h"
#include "gui_progress.h"
#include "gui_support.h"
#include "gui_test_util.h"
#include "mihandler.h"
#include "profile.h"
#include "test_support.h"

using namespace kvguitest;

namespace {

class PluginDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    CancelPrompts();
  }
  void TearDown() override { kvgui::SetPromptAnswer(nullptr); }
};

QString BoxText(QWidget* box) { return box->findChild<QLabel*>("qt_msgbox_label")->text(); }

TEST_F(PluginDialogsTest, NumberFieldRejectsTextAndTakesNumbersOnReturn) {
  Export_FileOption record("test_options", "test.log");
  double tol = 0.25;
  int steps = 4;
  KvOptionField fields[] = {{1026, "Weld Tolerance", KV_FIELD_DOUBLE, &tol, sizeof tol},
                            {1027, "Steps", KV_FIELD_INT, &steps, sizeof steps}};
  KvOptionsDialogData data{"TST Configuration", "TST Help", "help", 1, &record, fields, 2};
  QString message;
  QString after_bad;
  WhenModal("dlg_plugin_133", [&](QWidget* d) {
    auto* field = Control<QLineEdit>(d, 1026);
    EXPECT_EQ(field->text(), "0.250");
    // Focus moves by Tab only in the active window.
    d->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(d));
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "abc");
    WhenModal("dlg_error", [&](QWidget* box) {
      message = BoxText(box);
      static_cast<QDialog*>(box)->accept();
    });
    QTest::keyClick(field, Qt::Key_Tab);
    after_bad = field->text();
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "0.5");
    QTest::keyClick(field, Qt::Key_Return);
    // Typed, never left: OK still takes it.
    auto* steps_field = Control<QLineEdit>(d, 1027);
    steps_field->setFocus();
    steps_field->selectAll();
    QTest::keyClicks(steps_field, "7");
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  EXPECT_EQ(kvgui::RunOptionsDialog(&data), 1);
  EXPECT_EQ(message, "Invalid Input Format!");
  EXPECT_EQ(after_bad, "0.250");
  EXPECT_DOUBLE_EQ(tol, 0.5);
  EXPECT_EQ(steps, 7);
}

TEST_F(PluginDialogsTest, BadTextInAFieldKeepsTheDialogOpenOnOk) {
  Import_FileOption record("test_options", "test.log");
  double tol = 1.0;
  KvOptionField fields[] = {{1026, "Weld Tolerance", KV_FIELD_DOUBLE, &tol, sizeof tol}};
  KvOptionsDialogData data{"TST Configuration", "TST Help", "help", 0, &record, fields, 1};
  bool still_open = false;
  WhenModal("dlg_plugin_133", [&](QWidget* d) {
    Control<QLineEdit>(d, 1026)->setText("x");
    WhenModal("dlg_error", [](QWidget* box) { static_cast<QDialog*>(box)->accept(); });
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
    still_open = d->isVisible();
    QTest::mouseClick(Control<QPushButton>(d, 2), Qt::LeftButton);
  });
  EXPECT_EQ(kvgui::RunOptionsDialog(&data), 0);
  EXPECT_TRUE(still_open);
  EXPECT_DOUBLE_EQ(tol, 1.0);
}

TEST_F(PluginDialogsTest, OptionsCommonFieldsAndCancel) {
  Export_FileOption record("test_options", "test.log");
  record.ld_mode = 1;
  int flag = 0;
  KvOptionField fields[] = {{1030, "Smoothed Raw", KV_FIELD_FLAG, &flag, sizeof flag}};
  KvOptionsDialogData data{"TST Configuration", "TST Help", "help", 1, &record, fields, 1};
  WhenModal("dlg_plugin_133", [&](QWidget* d) {
    EXPECT_TRUE(Control<QRadioButton>(d, 1039)->isChecked());
    Control<QCheckBox>(d, 1030)->setChecked(true);
    Control<QCheckBox>(d, 1025)->setChecked(true);
    QTest::mouseClick(Control<QPushButton>(d, 2), Qt::LeftButton);
  });
  EXPECT_EQ(kvgui::RunOptionsDialog(&data), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(record.verbose_mode, 0);
  WhenModal("dlg_plugin_133", [&](QWidget* d) {
    Control<QRadioButton>(d, 1040)->setChecked(true);
    Control<QCheckBox>(d, 1027)->setChecked(true);
    Control<QCheckBox>(d, 1030)->setChecked(true);
    Control<QLineEdit>(d, 1024)->setText("other.log");
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  EXPECT_EQ(kvgui::RunOptionsDialog(&data), 1);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(record.ld_mode, 2);
  EXPECT_EQ(record.subdir_mode, 1);
  EXPECT_STREQ(record.logfilename, "other.log");
}

TEST_F(PluginDialogsTest, ImageHandlerEditsACopyUntilOk) {
  Export_FileOption record("test_options", "test.log");
  MIHandler handler;
  handler.image_type = 2;
  KvOptionField fields[] = {{1047, "Image Handler", KV_FIELD_IMAGE_HANDLER, &handler, sizeof handler}};
  KvOptionsDialogData data{"TST Configuration", "TST Help", "help", 1, &record, fields, 1};
  QString help;
  WhenModal("dlg_plugin_133", [&](QWidget* d) {
    WhenModal("dlg_plugin_136", [&](QWidget* ih) {
      auto* path = Control<QLineEdit>(ih, 1040);
      EXPECT_FALSE(path->isEnabled());
      Control<QCheckBox>(ih, 1048)->setChecked(true);
      EXPECT_TRUE(path->isEnabled());
      path->setText("/tmp/maps");
      auto* type = Control<QComboBox>(ih, 1044);
      ASSERT_EQ(type->count(), 9);
      EXPECT_EQ(type->currentIndex(), 2);
      Control<QCheckBox>(ih, 1049)->setChecked(true);
      // The empty entry stands for TGA.
      type->setCurrentIndex(4);
      emit type->activated(4);
      EXPECT_EQ(type->currentIndex(), 0);
      type->setCurrentIndex(7);
      emit type->activated(7);
      WhenModal("dlg_plugin_137", [&](QWidget* h) {
        help = Control<QPlainTextEdit>(h, 1001)->toPlainText();
        QTest::mouseClick(Control<QPushButton>(h, 1), Qt::LeftButton);
      });
      QTest::mouseClick(Control<QPushButton>(ih, 1046), Qt::LeftButton);
      QTest::mouseClick(Control<QPushButton>(ih, 1), Qt::LeftButton);
    });
    QTest::mouseClick(Control<QPushButton>(d, 1047), Qt::LeftButton);
    // Not in the record before the options dialog's OK.
    EXPECT_EQ(handler.enable_copy, 0);
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  EXPECT_EQ(kvgui::RunOptionsDialog(&data), 1);
  EXPECT_EQ(handler.enable_copy, 1);
  EXPECT_STREQ(handler.destination_path, "/tmp/maps/");
  EXPECT_EQ(handler.enable_image_conversion, 1);
  EXPECT_EQ(handler.image_type, 7);
  // The whole help, longer than the help field of the old dialog.
  EXPECT_EQ(help, QString(MIHandler::get_imgconvhelpstring()));
  EXPECT_GT(help.size(), 2048);
}

TEST_F(PluginDialogsTest, ImageHandlerRefusesADestinationItCannotHold) {
  MIHandler handler;
  handler.enable_copy = 1;
  std::snprintf(handler.destination_path, sizeof handler.destination_path, "/old/");
  QString deep = "/tmp/" + QString(400, 'p');
  AnswerPrompts({deep});
  kvgui::ImageHandlerDialog d(handler, nullptr);
  bool refused = false;
  WhenModal("dlg_error", [&](QWidget* box) {
    refused = true;
    static_cast<QDialog*>(box)->accept();
  });
  QTest::mouseClick(Control<QPushButton>(&d, 1041), Qt::LeftButton);
  EXPECT_TRUE(refused);
  EXPECT_EQ(Control<QLineEdit>(&d, 1040)->text(), "/old/");
}

TEST_F(PluginDialogsTest, PluginHelpShowsTheWholeText) {
  QString text;
  QString caption;
  WhenModal("dlg_plugin_132", [&](QWidget* h) {
    caption = h->windowTitle();
    text = Control<QPlainTextEdit>(h, 1001)->toPlainText();
    QTest::mouseClick(Control<QPushButton>(h, 1), Qt::LeftButton);
  });
  std::string long_text(5000, 'h');
  kvgui::UiHooks().show_help("RAW Help", long_text.c_str());
  EXPECT_EQ(caption, "RAW Help");
  EXPECT_EQ(text.size(), 5000);
}

TEST_F(PluginDialogsTest, RealPluginOptionsThroughTheMainWindow) {
  kvgui::MainWindow w(PluginDir());
  auto* classes = Control<QComboBox>(&w, 1007);
  classes->setCurrentIndex(classes->findText("Raw (*.raw)"));
  QString caption;
  WhenModal("dlg_plugin_133", [&](QWidget* d) {
    caption = d->windowTitle();
    Control<QCheckBox>(d, 1030)->setChecked(true);
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1004), Qt::LeftButton);
  EXPECT_EQ(caption, "Raw Configuration");
  Profile store("export_raw");
  unsigned long v = 0;
  store.GetInt("Specific Settings", "raw_smoothed", 0, &v);
  EXPECT_EQ(v, 1u);
}

TEST_F(PluginDialogsTest, ExportersWithMapsOfferTheImageHandler) {
  kvgui::MainWindow w(PluginDir());
  auto* classes = Control<QComboBox>(&w, 1007);
  for (const char* name : {"Alias Wavefront (*.obj)", "3D Studio Binary Mesh File     (*.3ds)"}) {
    int at = classes->findText(name);
    if (at < 0) continue;  // that plug-in is not built
    classes->setCurrentIndex(at);
    bool opened = false;
    WhenModal("dlg_plugin_133", [&](QWidget* d) {
      WhenModal("dlg_plugin_136", [&](QWidget* ih) {
        opened = true;
        QTest::mouseClick(Control<QPushButton>(ih, 2), Qt::LeftButton);
      });
      auto* button = Control<QPushButton>(d, 1047);
      if (button) QTest::mouseClick(button, Qt::LeftButton);
      QTest::mouseClick(Control<QPushButton>(d, 2), Qt::LeftButton);
    });
    QTest::mouseClick(Control<QPushButton>(&w, 1004), Qt::LeftButton);
    EXPECT_TRUE(opened) << name;
  }
}

TEST_F(PluginDialogsTest, ProgressWindowDisablesTheMainWindowAndImportsShowIt) {
  kvgui::MainWindow w(PluginDir());
  w.show();
  const KvUiHooks& h = kvgui::UiHooks();
  void* win = h.progress_create("RAW Import cube.raw");
  EXPECT_FALSE(w.isEnabled());
  auto* pw = static_cast<kvgui::ProgressWindow*>(win);
  EXPECT_EQ(pw->objectName(), "dlg_plugin_102");
  h.progress_set_text(win, 1, "cube");
  h.progress_set_pos(win, 1, 45);
  h.progress_set_percent(win, 1, "45%");
  EXPECT_EQ(pw->Text(1), "cube");
  EXPECT_EQ(pw->Pos(1), 45);
  EXPECT_EQ(pw->Percent(1), "45%");
  h.progress_destroy(win);
  EXPECT_TRUE(w.isEnabled());

  // A real import opens the plug-in's window over the disabled main window.
  bool seen = false;
  bool main_disabled = false;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (auto* p = w.findChild<kvgui::ProgressWindow*>("dlg_plugin_102")) {
      seen = seen || p->isVisible();
      main_disabled = main_disabled || !w.isEnabled();
    }
  });
  probe.start(0);
  EXPECT_EQ(w.ImportByName(Sample("cube.raw")), 1);
  probe.stop();
  EXPECT_TRUE(w.isEnabled());
  EXPECT_EQ(w.findChild<kvgui::ProgressWindow*>("dlg_plugin_102"), nullptr);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(main_disabled);
}

TEST(GuiSupport, FiltersInQtForm) {
  EXPECT_EQ(kvgui::QtFilter("Raw Ascii File     (*.raw)|*.raw|All Files                 (*.*)|*.*||"),
            "Raw Ascii File (*.raw);;All Files (*.*)");
  EXPECT_EQ(kvgui::QtFilter("3D Studio (*.3ds;*.prj)|*.3ds;*.prj||"), "3D Studio (*.3ds *.prj)");
  EXPECT_EQ(kvgui::QtFilter(""), "");
  EXPECT_EQ(kvgui::QtFilter(nullptr), "");
}

TEST(GuiLocale, NumbersStayInTheCLocale) {
  App();
  if (!CommaLocale()) GTEST_SKIP() << "no comma-decimal locale could be made (localedef)";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", 0.001);
  EXPECT_STREQ(buf, "0.001");
  Profile store("locale_test");
  ASSERT_EQ(store.WriteDouble("Settings", "tol", 0.001), 1);
  char back[64] = "";
  store.GetString("Settings", "tol", "", back, sizeof back);
  EXPECT_EQ(std::string(back).find(','), std::string::npos) << back;
  EXPECT_DOUBLE_EQ(std::strtod(back, nullptr), 0.001);
  // The window's own number fields read and write dots as well.
  kvgui::NumberField f(0.25, false);
  EXPECT_EQ(f.text(), "0.250");
}

TEST_F(PluginDialogsTest, TextExportUnderTheUsersLocaleWritesDots) {
  if (!CommaLocale()) GTEST_SKIP() << "no comma-decimal locale could be made (localedef)";
  kvtest::TempDir dir;
  kvgui::MainWindow w(PluginDir());
  ASSERT_EQ(w.ImportByName(Sample("cube.raw")), 1);
  auto* classes = Control<QComboBox>(&w, 1007);
  classes->setCurrentIndex(classes->findText("Raw (*.raw)"));
  AnswerPrompts({QString::fromStdString(dir.file("out.raw"))});
  w.Export();
  std::string text = kvtest::read_file(dir.file("out.raw"));
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find(','), std::string::npos);
  EXPECT_NE(text.find('.'), std::string::npos);
}

}  // namespace
