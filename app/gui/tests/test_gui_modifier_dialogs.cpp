// The object and scene modifier dialogs: controls bound to the option
// records, number fields, option files, and the main window's Modify
// Objects and Modify Scene over the host's passes.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "gui_main_window.h"
#include "gui_modifier_dialogs.h"
#include "gui_support.h"
#include "gui_test_util.h"
#include "modifier_commands.h"
#include "test_support.h"

using namespace kvguitest;

namespace {

class ModifierDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    CancelPrompts();
  }
  void TearDown() override { kvgui::SetPromptAnswer(nullptr); }
};

QCheckBox* Check(QWidget* d, int id) { return Control<QCheckBox>(d, id); }
QLineEdit* Field(QWidget* d, int id) { return Control<QLineEdit>(d, id); }

// Types into a field and leaves it with Return.
void Type(QWidget* d, int id, const char* text) {
  QLineEdit* f = Field(d, id);
  f->setFocus();
  f->selectAll();
  QTest::keyClicks(f, text);
  QTest::keyClick(f, Qt::Key_Return);
}

const int kObjectChecks[] = {1041, 1060, 1061, 1062, 1063, 1064, 1066, 1082, 1068, 1069, 1070, 1074, 1078};
const int kObjectFields[] = {1065, 1067, 1083, 1071, 1072, 1073, 1075, 1076, 1077, 1079, 1080, 1081};

TEST_F(ModifierDialogsTest, ObjectControlsWriteTheirFieldsAndEnableTheirNumbers) {
  auto o = kvhost::NewObjectModifierOptions();
  kvgui::ProcessObjectsDialog d(*o, false, nullptr);
  d.show();
  // Everything starts from the record's defaults.
  EXPECT_TRUE(Check(&d, 1063)->isChecked());  // flip_in_out 1
  EXPECT_EQ(Field(&d, 1065)->text(), "89.000");
  EXPECT_EQ(Field(&d, 1067)->text(), "0.001");
  EXPECT_EQ(Field(&d, 1071)->text(), "1.000");
  for (int id : {1063, 1065, 1067, 1083, 1071, 1075, 1079}) EXPECT_FALSE(Control<QWidget>(&d, id)->isEnabled()) << id;

  struct {
    int id;
    int* flag;
    std::vector<int> enables;
  } checks[] = {{1041, &o->verbose_mode, {}},
                {1060, &o->f_mesh_split_by_surface, {}},
                {1061, &o->f_mesh_unify, {}},
                {1062, &o->f_mesh_flip, {1063}},
                {1064, &o->f_mesh_smooth, {1065}},
                {1066, &o->f_mesh_weld, {1067}},
                {1082, &o->f_degenerate_faces, {1083}},
                {1068, &o->enable_object_center, {}},
                {1069, &o->enable_object_normalize, {}},
                {1070, &o->enable_object_scale, {1071, 1072, 1073}},
                {1074, &o->enable_object_rotate, {1075, 1076, 1077}},
                {1078, &o->enable_object_translate, {1079, 1080, 1081}}};
  for (auto& c : checks) {
    Check(&d, c.id)->click();
    EXPECT_EQ(*c.flag, 1) << c.id;
    for (int e : c.enables) EXPECT_TRUE(Control<QWidget>(&d, e)->isEnabled()) << e;
  }
  Check(&d, 1063)->click();
  EXPECT_EQ(o->flip_in_out, 0);
  Check(&d, 1066)->click();
  EXPECT_EQ(o->f_mesh_weld, 0);
  EXPECT_FALSE(Field(&d, 1067)->isEnabled());
  Check(&d, 1066)->click();

  d.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  Type(&d, 1065, "45");
  Type(&d, 1067, "0.5");
  Type(&d, 1083, "0.01");
  Type(&d, 1071, "2");
  Type(&d, 1072, "3");
  Type(&d, 1073, "4");
  Type(&d, 1077, "90");
  Type(&d, 1079, "-1.25");
  EXPECT_DOUBLE_EQ(o->smooth_angle, 45.0);
  EXPECT_DOUBLE_EQ(o->mesh_weld_tol, 0.5);
  EXPECT_DOUBLE_EQ(o->degenerate_tol, 0.01);
  EXPECT_DOUBLE_EQ(o->object_scale.x, 2.0);
  EXPECT_DOUBLE_EQ(o->object_scale.y, 3.0);
  EXPECT_DOUBLE_EQ(o->object_scale.z, 4.0);
  EXPECT_DOUBLE_EQ(o->object_rotate.z, 90.0);
  EXPECT_DOUBLE_EQ(o->object_translate.x, -1.25);
  EXPECT_EQ(Field(&d, 1079)->text(), "-1.250");

  // Bad text: the message, the old value back, the record unchanged.
  QString message;
  WhenModal("dlg_error", [&](QWidget* box) {
    message = box->findChild<QLabel*>("qt_msgbox_label")->text();
    static_cast<QDialog*>(box)->accept();
  });
  Type(&d, 1067, "abc");
  EXPECT_EQ(message, "Invalid Input Format!");
  EXPECT_EQ(Field(&d, 1067)->text(), "0.500");
  EXPECT_DOUBLE_EQ(o->mesh_weld_tol, 0.5);
}

TEST_F(ModifierDialogsTest, ProcessTakesATypedFieldAndBatchModeHidesIt) {
  auto o = kvhost::NewObjectModifierOptions();
  int result = -1;
  WhenModal("dlg_146", [&](QWidget* d) {
    EXPECT_TRUE(Control<QPushButton>(d, 1)->isVisible());
    Check(d, 1066)->click();
    // Typed, never left: Process still takes it.
    Field(d, 1067)->setText("0.25");
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  kvgui::ProcessObjectsDialog d(*o, false, nullptr);
  result = d.exec();
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_DOUBLE_EQ(o->mesh_weld_tol, 0.25);

  // Batch mode: no Process; Close keeps what was typed.
  auto s = kvhost::NewSceneModifierOptions();
  bool process_visible = true;
  WhenModal("dlg_147", [&](QWidget* d) {
    process_visible = Control<QPushButton>(d, 1)->isVisible();
    Check(d, 1078)->click();
    Field(d, 1081)->setText("7");
    QTest::mouseClick(Control<QPushButton>(d, 2), Qt::LeftButton);
  });
  kvgui::ProcessSceneDialog sd(*s, true, nullptr);
  EXPECT_EQ(sd.exec(), QDialog::Rejected);
  EXPECT_FALSE(process_visible);
  EXPECT_EQ(s->enable_scene_translate, 1);
  EXPECT_DOUBLE_EQ(s->scene_translate.z, 7.0);
}

TEST_F(ModifierDialogsTest, OptionFileSaveAndLoadSetEveryControl) {
  kvtest::TempDir dir;
  const QString path = QString::fromStdString(dir.file("mods"));  // the ".ini" comes from the dialog
  auto a = kvhost::NewObjectModifierOptions();
  {
    kvgui::ProcessObjectsDialog d(*a, false, nullptr);
    d.show();
    for (int id : kObjectChecks) Check(&d, id)->click();
    double v = 1.5;
    for (int id : kObjectFields) {
      Field(&d, id)->setText(QString::number(v));
      v += 1.0;
    }
    AnswerPrompts({path});
    // Save commits the fields it has not seen committed.
    QTest::mouseClick(Control<QPushButton>(&d, 1024), Qt::LeftButton);
  }
  std::string saved = kvtest::read_file(dir.file("mods.ini"));
  EXPECT_NE(saved.find("-f_mesh_weld = 1;\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("-mesh_weld_tol = 2.5"), std::string::npos) << saved;
  EXPECT_NE(saved.find("-object_translate = <10.5"), std::string::npos) << saved;

  auto b = kvhost::NewObjectModifierOptions();
  kvgui::ProcessObjectsDialog d(*b, false, nullptr);
  d.show();
  AnswerPrompts({path + ".ini"});
  QTest::mouseClick(Control<QPushButton>(&d, 1039), Qt::LeftButton);
  for (int id : kObjectChecks) {
    // flip_in_out started at 1: one click turned it off.
    EXPECT_EQ(Check(&d, id)->isChecked(), id != 1063) << id;
  }
  double v = 1.5;
  for (int id : kObjectFields) {
    EXPECT_EQ(Field(&d, id)->text(), QString::asprintf("%.3f", v)) << id;
    EXPECT_TRUE(Field(&d, id)->isEnabled()) << id;
    v += 1.0;
  }
  EXPECT_EQ(b->f_mesh_weld, 1);
  EXPECT_DOUBLE_EQ(b->object_translate.z, 12.5);

  // A file that is not there: the message, nothing changed.
  QString message;
  WhenModal("dlg_error", [&](QWidget* box) {
    message = box->findChild<QLabel*>("qt_msgbox_label")->text();
    static_cast<QDialog*>(box)->accept();
  });
  AnswerPrompts({QString::fromStdString(dir.file("missing.ini"))});
  QTest::mouseClick(Control<QPushButton>(&d, 1039), Qt::LeftButton);
  EXPECT_EQ(message, "File not found");
  EXPECT_TRUE(Check(&d, 1066)->isChecked());
}

TEST_F(ModifierDialogsTest, SceneOptionFileRoundTrip) {
  kvtest::TempDir dir;
  const QString path = QString::fromStdString(dir.file("scene.ini"));
  auto a = kvhost::NewSceneModifierOptions();
  a->enable_scene_normalize = 1;
  a->enable_scene_rotate = 1;
  a->scene_rotate = MVector3(0, 0, 90);
  {
    kvgui::ProcessSceneDialog d(*a, false, nullptr);
    d.show();
    EXPECT_TRUE(Check(&d, 1069)->isChecked());
    EXPECT_TRUE(Field(&d, 1077)->isEnabled());
    EXPECT_FALSE(Field(&d, 1071)->isEnabled());
    AnswerPrompts({path});
    QTest::mouseClick(Control<QPushButton>(&d, 1024), Qt::LeftButton);
  }
  auto b = kvhost::NewSceneModifierOptions();
  kvgui::ProcessSceneDialog d(*b, false, nullptr);
  d.show();
  AnswerPrompts({path});
  QTest::mouseClick(Control<QPushButton>(&d, 1039), Qt::LeftButton);
  EXPECT_TRUE(Check(&d, 1069)->isChecked());
  EXPECT_TRUE(Check(&d, 1074)->isChecked());
  EXPECT_FALSE(Check(&d, 1068)->isChecked());
  EXPECT_EQ(Field(&d, 1077)->text(), "90.000");
  EXPECT_EQ(b->enable_scene_rotate, 1);
}

TEST_F(ModifierDialogsTest, ModifyObjectsWeldRecomputesTheCounters) {
  kvgui::MainWindow w(PluginDir());
  w.show();
  w.Receive(Sample("cube.raw"));
  QTRY_COMPARE(w.driver().scenes->count, 1);
  auto* list = Control<QListWidget>(&w, 1057);
  const long before = w.driver().Statistics().vertices;

  // Nothing selected: no dialog, nothing changed.
  bool opened = false;
  WhenModal("dlg_146", [&](QWidget* d) {
    opened = true;
    static_cast<QDialog*>(d)->reject();
  }, 300);
  QTest::mouseClick(Control<QPushButton>(&w, 1055), Qt::LeftButton);
  QTest::qWait(400);
  EXPECT_FALSE(opened);

  list->selectAll();
  WhenModal("dlg_146", [&](QWidget* d) {
    Check(d, 1066)->click();
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1055), Qt::LeftButton);
  const long after = w.driver().Statistics().vertices;
  EXPECT_LT(after, before);
  EXPECT_EQ(Control<QLabel>(&w, 1013)->text(), QString(":%1").arg(after));
  // The progress window has gone and given the window back.
  EXPECT_TRUE(w.isEnabled());

  // Close instead of Process: nothing runs.
  WhenModal("dlg_146", [&](QWidget* d) {
    Check(d, 1070)->click();
    QTest::mouseClick(Control<QPushButton>(d, 2), Qt::LeftButton);
  });
  MVector3 lo0, hi0;
  ASSERT_TRUE(w.driver().Bounds(lo0, hi0));
  list->selectAll();
  QTest::mouseClick(Control<QPushButton>(&w, 1055), Qt::LeftButton);
  MVector3 lo1, hi1;
  ASSERT_TRUE(w.driver().Bounds(lo1, hi1));
  EXPECT_DOUBLE_EQ(lo0.x, lo1.x);
  EXPECT_DOUBLE_EQ(hi0.z, hi1.z);
}

TEST_F(ModifierDialogsTest, ModifySceneMovesTheSceneAndLeavesTheCounters) {
  kvgui::MainWindow w(PluginDir());
  w.show();
  w.Receive(Sample("cube.raw"));
  QTRY_COMPARE(w.driver().scenes->count, 1);
  MVector3 lo0, hi0;
  ASSERT_TRUE(w.driver().Bounds(lo0, hi0));
  const QString faces = Control<QLabel>(&w, 1014)->text();
  WhenModal("dlg_147", [&](QWidget* d) {
    Check(d, 1078)->click();
    Field(d, 1079)->setText("10");
    QTest::mouseClick(Control<QPushButton>(d, 1), Qt::LeftButton);
  });
  QTest::mouseClick(Control<QPushButton>(&w, 1056), Qt::LeftButton);
  MVector3 lo1, hi1;
  ASSERT_TRUE(w.driver().Bounds(lo1, hi1));
  EXPECT_NEAR(lo1.x, lo0.x + 10, 1e-9);
  EXPECT_NEAR(hi1.x, hi0.x + 10, 1e-9);
  EXPECT_NEAR(lo1.y, lo0.y, 1e-9);
  EXPECT_EQ(Control<QLabel>(&w, 1014)->text(), faces);
  EXPECT_TRUE(w.isEnabled());
}

}  // namespace
