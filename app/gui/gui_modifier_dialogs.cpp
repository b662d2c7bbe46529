#include "gui_modifier_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui_number_field.h"
#include "gui_support.h"
#include "objmod.h"

namespace kvgui {

namespace {

const char kOptionFileFilter[] =
    "Object Modifier File     (*.ini)|*.ini|All Files                (*.*)|*.*||";

QPushButton* DialogButton(QWidget* parent, int id, const char* text) {
  auto* b = Named(new QPushButton(text, parent), id);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

ModifierDialog::ModifierDialog(int resource, const QString& title, bool batch_mode, QWidget* parent)
    : QDialog(parent), batch_mode_(batch_mode) {
  setObjectName(QString("dlg_%1").arg(resource));
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  grid_ = new QGridLayout;
  layout->addLayout(grid_);
}

void ModifierDialog::AddCheck(int id, const char* text, int* flag, std::vector<int> enables) {
  ++row_;
  column_ = 1;
  auto* box = Named(new QCheckBox(text, this), id);
  box->setChecked(*flag != 0);
  grid_->addWidget(box, row_, 0);
  checks_.push_back({box, flag, std::move(enables)});
  connect(box, &QCheckBox::toggled, this, [this, flag](bool on) {
    *flag = on ? 1 : 0;
    UpdateEnabling();
  });
}

void ModifierDialog::AddField(int id, double* value) {
  auto* field = Named(new NumberField(*value, false, this), id);
  field->setMaximumWidth(90);
  grid_->addWidget(field, row_, column_++);
  fields_.push_back({field, value});
  connect(field, &NumberField::valueCommitted, this, [value](double v) { *value = v; });
}

void ModifierDialog::AddVector(const int (&ids)[3], MVector3* v) {
  AddField(ids[0], &v->x);
  AddField(ids[1], &v->y);
  AddField(ids[2], &v->z);
}

void ModifierDialog::SetFileActions(std::function<int(const char*)> load, std::function<int(const char*)> save) {
  load_ = std::move(load);
  save_ = std::move(save);
}

void ModifierDialog::Finish() {
  auto* buttons = new QHBoxLayout;
  auto* process = DialogButton(this, 1, "&Process");
  auto* close = DialogButton(this, 2, "&Close");
  auto* load = DialogButton(this, 1039, "&Load");
  auto* save = DialogButton(this, 1024, "&Save");
  process->setDefault(!batch_mode_);
  process->setVisible(!batch_mode_);
  for (QPushButton* b : {load, save}) buttons->addWidget(b);
  buttons->addStretch(1);
  for (QPushButton* b : {process, close}) buttons->addWidget(b);
  static_cast<QVBoxLayout*>(layout())->addLayout(buttons);
  connect(process, &QPushButton::clicked, this, [this] {
    if (CommitFields(this)) accept();
  });
  connect(close, &QPushButton::clicked, this, &ModifierDialog::reject);
  connect(load, &QPushButton::clicked, this, &ModifierDialog::Load);
  connect(save, &QPushButton::clicked, this, &ModifierDialog::Save);
  UpdateEnabling();
}

void ModifierDialog::reject() {
  // In batch mode Close is the only way out and keeps what was typed.
  CommitFields(this);
  QDialog::reject();
}

void ModifierDialog::SyncControls() {
  for (Check& c : checks_) c.box->setChecked(*c.flag != 0);
  for (Field& f : fields_) f.field->setValue(*f.value);
  UpdateEnabling();
}

void ModifierDialog::UpdateEnabling() {
  for (Check& c : checks_)
    for (int id : c.enables)
      if (QWidget* w = findChild<QWidget*>(QString("id_%1").arg(id))) w->setEnabled(c.box->isChecked());
}

void ModifierDialog::Load() {
  if (!CommitFields(this)) return;
  QString path;
  if (!AskOpenFile(this, QtFilter(kOptionFileFilter), QString(), &path)) return;
  if (!load_ || load_(ToLocal(path).c_str()) != 1) {
    ShowError(this, "File not found");
    return;
  }
  SyncControls();
}

void ModifierDialog::Save() {
  if (!CommitFields(this)) return;
  QString path;
  if (!AskSaveFile(this, "ini", QtFilter(kOptionFileFilter), "objmod.ini", &path)) return;
  if (!save_ || save_(ToLocal(path).c_str()) != 1) ShowError(this, "FileOpen Error");
}

namespace {
const int kScaleIds[3] = {1071, 1072, 1073};
const int kRotateIds[3] = {1075, 1076, 1077};
const int kTranslateIds[3] = {1079, 1080, 1081};
}  // namespace

ProcessObjectsDialog::ProcessObjectsDialog(ObjModOption1& o, bool batch_mode, QWidget* parent)
    : ModifierDialog(146, "Process Objects", batch_mode, parent) {
  AddCheck(1041, "Verbose", &o.verbose_mode);
  AddCheck(1060, "Split Surfaces", &o.f_mesh_split_by_surface);
  AddCheck(1061, "Unify", &o.f_mesh_unify);
  AddCheck(1062, "Flip", &o.f_mesh_flip, {1063});
  AddCheck(1063, "In/Out", &o.flip_in_out);
  AddCheck(1064, "Smooth", &o.f_mesh_smooth, {1065});
  AddField(1065, &o.smooth_angle);
  AddCheck(1066, "Weld", &o.f_mesh_weld, {1067});
  AddField(1067, &o.mesh_weld_tol);
  AddCheck(1082, "Degenerate Check", &o.f_degenerate_faces, {1083});
  AddField(1083, &o.degenerate_tol);
  AddCheck(1068, "Center", &o.enable_object_center);
  AddCheck(1069, "Normalize", &o.enable_object_normalize);
  AddCheck(1070, "Scale", &o.enable_object_scale, {1071, 1072, 1073});
  AddVector(kScaleIds, &o.object_scale);
  AddCheck(1074, "Rotate", &o.enable_object_rotate, {1075, 1076, 1077});
  AddVector(kRotateIds, &o.object_rotate);
  AddCheck(1078, "Translate", &o.enable_object_translate, {1079, 1080, 1081});
  AddVector(kTranslateIds, &o.object_translate);
  SetFileActions([&o](const char* p) { return o.LoadFile(p); }, [&o](const char* p) { return o.SaveFile(p); });
  Finish();
}

ProcessSceneDialog::ProcessSceneDialog(ObjModOption2& o, bool batch_mode, QWidget* parent)
    : ModifierDialog(147, "Process Scene", batch_mode, parent) {
  AddCheck(1041, "Verbose", &o.verbose_mode);
  AddCheck(1068, "Center", &o.enable_scene_center);
  AddCheck(1069, "Normalize", &o.enable_scene_normalize);
  AddCheck(1070, "Scale", &o.enable_scene_scale, {1071, 1072, 1073});
  AddVector(kScaleIds, &o.scene_scale);
  AddCheck(1074, "Rotate", &o.enable_scene_rotate, {1075, 1076, 1077});
  AddVector(kRotateIds, &o.scene_rotate);
  AddCheck(1078, "Translate", &o.enable_scene_translate, {1079, 1080, 1081});
  AddVector(kTranslateIds, &o.scene_translate);
  SetFileActions([&o](const char* p) { return o.LoadFile(p); }, [&o](const char* p) { return o.SaveFile(p); });
  Finish();
}

}  // namespace kvgui
