// An edit field that holds a number. Its text is taken when it loses focus,
// on Return, and before any button of its dialog acts (CommitFields); text
// that does not parse gives "Invalid Input Format!" and the old value back.
#pragma once
#include <QLineEdit>

namespace kvgui {

class NumberField : public QLineEdit {
  Q_OBJECT
 public:
  // An integer field shows "%d"; a double field "%.3f".
  NumberField(double value, bool integer, QWidget* parent = nullptr);

  double value() const { return value_; }
  void setValue(double v);
  // Takes the text: true when it parsed (or did not change).
  bool Commit();

 signals:
  void valueCommitted(double value);

 protected:
  void focusOutEvent(QFocusEvent* e) override;

 private:
  QString Format(double v) const;
  double value_;
  bool integer_;
  bool committing_ = false;
};

// Commits every number field below root; false when one held bad text (the
// action that asked should then not run).
bool CommitFields(QWidget* root);

}  // namespace kvgui
