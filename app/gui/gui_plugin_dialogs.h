// The plug-ins' dialogs, shown by the window program through the hooks: the
// help dialog (132, and 137 for the image handler), the options dialog (133)
// with each format's own fields, and the image handler dialog (136).
#pragma once
#include <QDialog>
#include <vector>

#include "mihandler.h"
#include "plugin_ui.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kvgui {

class HelpDialog : public QDialog {
  Q_OBJECT
 public:
  // The whole text is shown, however long.
  HelpDialog(int resource, const QString& caption, const QString& text, QWidget* parent);
};

class ImageHandlerDialog : public QDialog {
  Q_OBJECT
 public:
  // Edits a copy of handler; Result() after OK.
  ImageHandlerDialog(const MIHandler& handler, QWidget* parent);
  const MIHandler& Result() const { return copy_; }
  void accept() override;

 private:
  void UpdateEnabling();
  bool TakePath();
  bool TakeExtension();
  MIHandler copy_;
  QCheckBox* enable_copy_;
  QLineEdit* path_;
  QPushButton* browse_;
  QCheckBox* enable_image_;
  QComboBox* type_;
  QCheckBox* enable_ext_;
  QLineEdit* ext_;
};

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit OptionsDialog(const KvOptionsDialogData& data, QWidget* parent);
  // Commits every field, then copies all values into the record.
  void accept() override;

 private:
  const KvOptionsDialogData& data_;
  QLineEdit* log_name_;
  QCheckBox* verbose_;
  QRadioButton* ld_[3] = {nullptr, nullptr, nullptr};
  QCheckBox* subdir_ = nullptr;
  MIHandler* handler_target_ = nullptr;
  MIHandler handler_;
  std::vector<QWidget*> field_widgets_;
};

// The hook: 1 when closed with OK.
int RunOptionsDialog(const KvOptionsDialogData* data);

}  // namespace kvgui
