#include "gui_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>

#include "gui_support.h"
#include "plugin_host.h"

namespace kvgui {

namespace {

QString Fixed3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3lf", v);
  return QString::fromLatin1(buf);
}

QLabel* Value(QWidget* parent, int id, const QString& text) {
  auto* l = Named(new QLabel(text, parent), id);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("dlg_100");
  setWindowTitle("Info über Korvane");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Named(new QLabel(MainCaption(), this), 1028));
  layout->addWidget(Named(new QLabel(QString("Build: %1").arg(kBuildNumber), this), 1027));
  auto* ok = Named(new QPushButton("OK", this), 1);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

ConfigDialog::ConfigDialog(AppSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setObjectName("dlg_133");
  setWindowTitle(QString("%1 Configuration").arg(kProgramName));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Plugin Path", this));
  path_ = Named(new QLineEdit(FromLocal(settings.plugin_path), this), 1006);
  row->addWidget(path_, 1);
  auto* browse = Named(new QPushButton("...", this), 1004);
  row->addWidget(browse);
  layout->addLayout(row);
  // Kept as the template has them: present, not visible.
  clear_ = Named(new QCheckBox("Clear at &Import", this), 1016);
  clear_->setChecked(settings.clear_flag != 0);
  clear_->setVisible(false);
  auto* group = new QGroupBox("Name Check", this);
  auto* g = new QHBoxLayout(group);
  static const char* const kModes[3] = {"&none", "&manual", "&automatic"};
  for (int i = 0; i < 3; ++i) {
    check_[i] = Named(new QRadioButton(kModes[i], group), 1031 + i);
    check_[i]->setChecked(settings.check_name_mode == i);
    g->addWidget(check_[i]);
  }
  group->setVisible(false);
  layout->addWidget(clear_);
  layout->addWidget(group);
  layout->addWidget(OkCancelButtons(this));
  connect(browse, &QPushButton::clicked, this, [this] {
    QString chosen;
    if (!AskFolder(this, path_->text(), "Choose Plugin Directory", &chosen)) return;
    QString before = path_->text();
    path_->setText(chosen);
    if (!TakePath()) path_->setText(before);
  });
}

bool ConfigDialog::TakePath() {
  std::string bytes = ToLocal(path_->text());
  if (bytes.size() + 1 > sizeof settings_.plugin_path) {
    ShowError(this, QString("The plug-in path is longer than %1 characters").arg(sizeof settings_.plugin_path - 1));
    return false;
  }
  std::memcpy(settings_.plugin_path, bytes.c_str(), bytes.size() + 1);
  return true;
}

void ConfigDialog::done(int result) {
  // OK and Cancel alike store what the dialog holds.
  TakePath();
  settings_.clear_flag = clear_->isChecked() ? 1 : 0;
  for (int i = 0; i < 3; ++i)
    if (check_[i]->isChecked()) settings_.check_name_mode = i;
  QDialog::done(result);
}

PluginInfoDialog::PluginInfoDialog(PluginRegistry& registry, QWidget* parent) : QDialog(parent) {
  setObjectName("dlg_135");
  setWindowTitle("Plugin Info");
  auto* layout = new QVBoxLayout(this);
  auto* list = Named(new QListWidget(this), 1026);
  for (const std::string& line : registry.SummaryLines()) list->addItem(FromLocal(line.c_str()));
  list->setMinimumSize(560, 320);
  layout->addWidget(list);
  auto* row = new QHBoxLayout;
  auto* save = Named(new QPushButton("Save ...", this), 1024);
  auto* close = Named(new QPushButton("Close", this), 1);
  row->addWidget(save);
  row->addStretch(1);
  row->addWidget(close);
  layout->addLayout(row);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(save, &QPushButton::clicked, this, [this, &registry] {
    QString path;
    if (!AskSaveFile(this, "txt", "TextFile (*.txt);;All Files (*)", "plugins.txt", &path)) return;
    if (!registry.WriteSummary(ToLocal(path).c_str())) ShowError(this, "FileOpen Error");
  });
}

DetailsDialog::DetailsDialog(const ObjectDetails& d, QWidget* parent) : QDialog(parent) {
  setObjectName("dlg_134");
  setWindowTitle(QString("%1 Detailed Statistics").arg(kProgramName));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  name_ = Named(new QLineEdit(FromLocal(d.name), this), 1018);
  name_->setMaxLength(1023);
  form->addRow("Name", name_);
  form->addRow("Type", Value(this, 1019, d.type_name));
  form->addRow("Faces", Value(this, 1020, QString::number(d.faces)));
  form->addRow("Vertices", Value(this, 1021, QString::number(d.vertices)));
  auto* bounds = new QGridLayout;
  static const int kMin[3] = {1022, 1023, 1024};
  static const int kMax[3] = {1025, 1027, 1026};
  static const char* const kAxes[3] = {"x", "y", "z"};
  for (int i = 0; i < 3; ++i) {
    bounds->addWidget(new QLabel(kAxes[i], this), 0, i + 1);
    bounds->addWidget(Value(this, kMin[i], Fixed3(d.min[i])), 1, i + 1);
    bounds->addWidget(Value(this, kMax[i], Fixed3(d.max[i])), 2, i + 1);
  }
  bounds->addWidget(new QLabel("Minimum", this), 1, 0);
  bounds->addWidget(new QLabel("Maximum", this), 2, 0);
  form->addRow(bounds);
  form->addRow("Normal Faces", Value(this, 1028, QString::number(d.normal_faces)));
  form->addRow("Normal Vertices", Value(this, 1029, QString::number(d.normal_vertices)));
  form->addRow("UV Faces", Value(this, 1032, QString::number(d.uv_faces)));
  form->addRow("UV Vertices", Value(this, 1033, QString::number(d.uv_vertices)));
  form->addRow("Surfaces", Value(this, 1030, QString::number(d.surface_refs)));
  layout->addLayout(form);
  layout->addWidget(OkCancelButtons(this));
}

QString DetailsDialog::Name() const { return name_->text(); }

}  // namespace kvgui
