#include "gui_number_field.h"

#include <QFocusEvent>
#include <cstdio>
#include <string>

#include "gui_support.h"

namespace kvgui {

NumberField::NumberField(double value, bool integer, QWidget* parent)
    : QLineEdit(parent), value_(value), integer_(integer) {
  setMaxLength(255);
  setText(Format(value_));
  connect(this, &QLineEdit::returnPressed, this, [this] { Commit(); });
}

QString NumberField::Format(double v) const {
  char buf[64];
  if (integer_)
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
  else
    std::snprintf(buf, sizeof buf, "%.3f", v);
  return QString::fromLatin1(buf);
}

void NumberField::setValue(double v) {
  value_ = v;
  setText(Format(v));
}

bool NumberField::Commit() {
  if (committing_) return true;
  committing_ = true;
  std::string typed = text().toStdString();
  double v = 0;
  bool ok = std::sscanf(typed.c_str(), "%lf", &v) == 1;
  // An integer field holds what an int can.
  if (ok && integer_) ok = v > -2147483648.0 && v < 2147483648.0;
  if (ok && integer_) v = static_cast<double>(static_cast<int>(v));
  if (ok) {
    value_ = v;
    setText(Format(v));
    emit valueCommitted(v);
  } else {
    setText(Format(value_));
    ShowError(window(), "Invalid Input Format!");
  }
  committing_ = false;
  return ok;
}

void NumberField::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  Commit();
}

bool CommitFields(QWidget* root) {
  bool all = true;
  for (NumberField* f : root->findChildren<NumberField*>())
    if (!f->Commit()) all = false;
  return all;
}

}  // namespace kvgui
