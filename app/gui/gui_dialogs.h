// The program's own dialogs: About (100), Configuration (133), Plugin Info
// (135) and Detailed Statistics (134).
#pragma once
#include <QDialog>

#include "conversion.h"

class AppSettings;
class PluginRegistry;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace kvgui {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent);
};

// Works on a copy of three settings; written back when the dialog closes,
// by OK or Cancel alike. A new plug-in folder counts from the next start.
class ConfigDialog : public QDialog {
  Q_OBJECT
 public:
  ConfigDialog(AppSettings& settings, QWidget* parent);
  void done(int result) override;

 private:
  bool TakePath();
  AppSettings& settings_;
  QLineEdit* path_;
  QCheckBox* clear_;
  QRadioButton* check_[3];
};

class PluginInfoDialog : public QDialog {
  Q_OBJECT
 public:
  PluginInfoDialog(PluginRegistry& registry, QWidget* parent);
};

// The details of one object; the name field is editable.
class DetailsDialog : public QDialog {
  Q_OBJECT
 public:
  DetailsDialog(const ObjectDetails& details, QWidget* parent);
  QString Name() const;

 private:
  QLineEdit* name_;
};

}  // namespace kvgui
