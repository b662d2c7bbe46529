#include "gui_plugin_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstring>

#include "allocator.h"
#include "fileoption.h"
#include "gui_number_field.h"
#include "gui_support.h"

namespace kvgui {

namespace {

// Copies text into a fixed buffer of the library; false (nothing copied)
// when it does not fit, so a value is never cut.
bool CopyInto(char* buf, size_t size, const QString& text) {
  std::string bytes = ToLocal(text);
  if (bytes.size() + 1 > size) return false;
  std::memcpy(buf, bytes.c_str(), bytes.size() + 1);
  return true;
}

const char* const kImageTypes[9] = {"TGA", "GIF", "BMP", "CEL", "", "JPG", "TIF", "PNG", "PCX"};

}  // namespace

// ---- help ---------------------------------------------------------------

HelpDialog::HelpDialog(int resource, const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QString("dlg_plugin_%1").arg(resource));
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  auto* edit = Named(new QPlainTextEdit(this), 1001);
  edit->setReadOnly(true);
  edit->setPlainText(text);
  edit->setMinimumSize(520, 360);
  layout->addWidget(edit);
  auto* ok = Named(new QPushButton("OK", this), 1);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

// ---- image handler ------------------------------------------------------

ImageHandlerDialog::ImageHandlerDialog(const MIHandler& handler, QWidget* parent)
    : QDialog(parent), copy_(handler) {
  setObjectName("dlg_plugin_136");
  setWindowTitle("Image Handler");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  enable_copy_ = Named(new QCheckBox("Enable Copy", this), 1048);
  enable_copy_->setChecked(copy_.enable_copy != 0);
  form->addRow(enable_copy_);
  path_ = Named(new QLineEdit(FromLocal(copy_.destination_path), this), 1040);
  browse_ = Named(new QPushButton("...", this), 1041);
  auto* path_row = new QHBoxLayout;
  path_row->addWidget(path_);
  path_row->addWidget(browse_);
  form->addRow("Destination Path", path_row);
  enable_image_ = Named(new QCheckBox("Enable Image Conversion", this), 1049);
  enable_image_->setChecked(copy_.enable_image_conversion != 0);
  form->addRow(enable_image_);
  type_ = Named(new QComboBox(this), 1044);
  for (const char* t : kImageTypes) type_->addItem(t);
  type_->setCurrentIndex(copy_.image_type >= 0 && copy_.image_type < 9 && copy_.image_type != 4 ? copy_.image_type : 0);
  form->addRow("Image Type", type_);
  enable_ext_ = Named(new QCheckBox("Enable Extension Conversion", this), 1050);
  enable_ext_->setChecked(copy_.enable_extension_conversion != 0);
  form->addRow(enable_ext_);
  ext_ = Named(new QLineEdit(FromLocal(copy_.file_extension), this), 1045);
  form->addRow("Image Extension", ext_);
  layout->addLayout(form);
  auto* help = Named(new QPushButton("Help", this), 1046);
  auto* buttons = OkCancelButtons(this);
  buttons->addButton(help, QDialogButtonBox::HelpRole);
  layout->addWidget(buttons);

  connect(enable_copy_, &QCheckBox::toggled, this, [this](bool on) {
    copy_.enable_copy = on ? 1 : 0;
    UpdateEnabling();
  });
  connect(enable_image_, &QCheckBox::toggled, this, [this](bool on) {
    copy_.enable_image_conversion = on ? 1 : 0;
    UpdateEnabling();
  });
  connect(enable_ext_, &QCheckBox::toggled, this, [this](bool on) {
    copy_.enable_extension_conversion = on ? 1 : 0;
    UpdateEnabling();
  });
  connect(type_, &QComboBox::activated, this, [this](int i) {
    // The empty entry stands for nothing: TGA.
    if (i == 4) type_->setCurrentIndex(0);
    copy_.image_type = type_->currentIndex();
  });
  connect(path_, &QLineEdit::editingFinished, this, [this] { TakePath(); });
  connect(ext_, &QLineEdit::editingFinished, this, [this] { TakeExtension(); });
  connect(browse_, &QPushButton::clicked, this, [this] {
    QString chosen;
    if (!AskFolder(this, path_->text(), "Choose Destination Directory", &chosen)) return;
    path_->setText(chosen);
    TakePath();
  });
  connect(help, &QPushButton::clicked, this, [this] {
    HelpDialog(137, "Image Handler Help", FromLocal(MIHandler::get_imgconvhelpstring()), this).exec();
  });
  UpdateEnabling();
}

void ImageHandlerDialog::UpdateEnabling() {
  path_->setEnabled(copy_.enable_copy != 0);
  browse_->setEnabled(copy_.enable_copy != 0);
  type_->setEnabled(copy_.enable_image_conversion != 0);
  ext_->setEnabled(copy_.enable_extension_conversion != 0);
}

bool ImageHandlerDialog::TakePath() {
  QString p = path_->text();
  if (!p.isEmpty() && !p.endsWith('/')) p += '/';
  if (!CopyInto(copy_.destination_path, sizeof copy_.destination_path, p)) {
    path_->setText(FromLocal(copy_.destination_path));
    ShowError(this, QString("The path is longer than %1 characters").arg(sizeof copy_.destination_path - 1));
    return false;
  }
  path_->setText(p);
  return true;
}

bool ImageHandlerDialog::TakeExtension() {
  if (CopyInto(copy_.file_extension, sizeof copy_.file_extension, ext_->text())) return true;
  ext_->setText(FromLocal(copy_.file_extension));
  ShowError(this, QString("The extension is longer than %1 characters").arg(sizeof copy_.file_extension - 1));
  return false;
}

void ImageHandlerDialog::accept() {
  if (!TakePath() || !TakeExtension()) return;
  copy_.image_type = type_->currentIndex();
  QDialog::accept();
}

// ---- options ------------------------------------------------------------

OptionsDialog::OptionsDialog(const KvOptionsDialogData& data, QWidget* parent) : QDialog(parent), data_(data) {
  setObjectName("dlg_plugin_133");
  setWindowTitle(FromLocal(data.caption));
  Base_FileOption* rec = data.record;
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  log_name_ = Named(new QLineEdit(FromLocal(rec->logfilename), this), 1024);
  log_name_->setMaxLength(259);
  form->addRow("Log File", log_name_);
  verbose_ = Named(new QCheckBox("Verbose", this), 1025);
  verbose_->setChecked(rec->verbose_mode != 0);
  form->addRow(verbose_);
  if (data.is_export) {
    auto* e = static_cast<Export_FileOption*>(rec);
    auto* group = new QGroupBox("Line Delimiter", this);
    auto* row = new QHBoxLayout(group);
    static const char* const kModes[3] = {"DOS", "UNIX", "MAC"};
    for (int i = 0; i < 3; ++i) {
      ld_[i] = Named(new QRadioButton(kModes[i], group), 1038 + i);
      ld_[i]->setChecked(e->ld_mode == i);
      row->addWidget(ld_[i]);
    }
    form->addRow(group);
    subdir_ = Named(new QCheckBox("SubDir", this), 1027);
    subdir_->setChecked(e->subdir_mode != 0);
    form->addRow(subdir_);
  }
  for (int i = 0; i < data.field_count; ++i) {
    const KvOptionField& f = data.fields[i];
    QWidget* w = nullptr;
    switch (f.kind) {
      case KV_FIELD_INT:
        w = new NumberField(*static_cast<int*>(f.value), true, this);
        break;
      case KV_FIELD_FLAG: {
        auto* c = new QCheckBox(FromLocal(f.label), this);
        c->setChecked(*static_cast<int*>(f.value) != 0);
        w = c;
        break;
      }
      case KV_FIELD_DOUBLE:
        w = new NumberField(*static_cast<double*>(f.value), false, this);
        break;
      case KV_FIELD_STRING: {
        auto* e = new QLineEdit(FromLocal(static_cast<const char*>(f.value)), this);
        if (f.size > 1) e->setMaxLength(static_cast<int>(f.size - 1));
        w = e;
        break;
      }
      case KV_FIELD_IMAGE_HANDLER: {
        handler_target_ = static_cast<MIHandler*>(f.value);
        handler_ = *handler_target_;
        auto* b = new QPushButton("Image Handler", this);
        connect(b, &QPushButton::clicked, this, [this] {
          ImageHandlerDialog d(handler_, this);
          if (d.exec() == QDialog::Accepted) handler_ = d.Result();
        });
        w = b;
        break;
      }
    }
    field_widgets_.push_back(w);
    if (!w) continue;
    Named(w, f.kind == KV_FIELD_IMAGE_HANDLER ? 1047 : f.control_id);
    if (f.kind == KV_FIELD_FLAG || f.kind == KV_FIELD_IMAGE_HANDLER)
      form->addRow(w);
    else
      form->addRow(FromLocal(f.label), w);
  }
  layout->addLayout(form);
  auto* buttons = OkCancelButtons(this);
  auto* help = Named(buttons->addButton("&Help", QDialogButtonBox::HelpRole), 3);
  connect(help, &QPushButton::clicked, this, [this] {
    HelpDialog(132, FromLocal(data_.help_caption), FromLocal(data_.help_text), this).exec();
  });
  layout->addWidget(buttons);
}

void OptionsDialog::accept() {
  if (!CommitFields(this)) return;
  // Texts that do not fit their buffers are refused before anything changes.
  for (int i = 0; i < data_.field_count; ++i) {
    const KvOptionField& f = data_.fields[i];
    if (f.kind != KV_FIELD_STRING || f.size == 0) continue;
    if (ToLocal(static_cast<QLineEdit*>(field_widgets_[i])->text()).size() + 1 > f.size) {
      ShowError(this, QString("%1 holds at most %2 characters").arg(FromLocal(f.label)).arg(f.size - 1));
      return;
    }
  }
  Base_FileOption* rec = data_.record;
  std::string log = ToLocal(log_name_->text());
  char* copy = my_strdup(log.c_str());
  if (copy) {
    my_free(rec->logfilename);
    rec->logfilename = copy;
  }
  rec->verbose_mode = verbose_->isChecked() ? 1 : 0;
  if (data_.is_export) {
    auto* e = static_cast<Export_FileOption*>(rec);
    for (int i = 0; i < 3; ++i)
      if (ld_[i]->isChecked()) e->ld_mode = i;
    e->subdir_mode = subdir_->isChecked() ? 1 : 0;
  }
  for (int i = 0; i < data_.field_count; ++i) {
    const KvOptionField& f = data_.fields[i];
    QWidget* w = field_widgets_[i];
    switch (f.kind) {
      case KV_FIELD_INT:
        *static_cast<int*>(f.value) = static_cast<int>(static_cast<NumberField*>(w)->value());
        break;
      case KV_FIELD_FLAG:
        *static_cast<int*>(f.value) = static_cast<QCheckBox*>(w)->isChecked() ? 1 : 0;
        break;
      case KV_FIELD_DOUBLE:
        *static_cast<double*>(f.value) = static_cast<NumberField*>(w)->value();
        break;
      case KV_FIELD_STRING:
        if (f.size > 0) CopyInto(static_cast<char*>(f.value), f.size, static_cast<QLineEdit*>(w)->text());
        break;
      case KV_FIELD_IMAGE_HANDLER:
        break;
    }
  }
  if (handler_target_) *handler_target_ = handler_;
  QDialog::accept();
}

int RunOptionsDialog(const KvOptionsDialogData* data) {
  if (!data || !data->record) return 0;
  OptionsDialog d(*data, MainWidget());
  return d.exec() == QDialog::Accepted ? 1 : 0;
}

}  // namespace kvgui
