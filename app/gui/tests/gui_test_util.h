// What the window tests share: one application object (created under a
// comma-decimal locale when the machine can make one, so every test also
// checks that numbers stay in the C locale), the build's plug-in folder,
// answers to prompts, and driving modal dialogs.
#pragma once
#include <QApplication>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

namespace kvguitest {

// The application; true in comma_locale() when LC_NUMERIC was a comma
// locale before the program switched it back.
QApplication& App();
bool CommaLocale();

QString PluginDir();
QString Sample(const char* name);  // samples/<name> of the source tree

// Answers every prompt with these files (or cancels when empty).
void AnswerPrompts(const QStringList& files);
void CancelPrompts();

// Runs act on the modal dialog with this object name as soon as it shows
// (within timeout_ms); the act closes it. Returns at once: call it before the
// action that opens the dialog.
void WhenModal(const QString& name, std::function<void(QWidget*)> act, int timeout_ms = 5000);

// The widget with object name id_<id> below root.
template <class W>
W* Control(QWidget* root, int id) {
  return root->findChild<W*>(QString("id_%1").arg(id));
}

}  // namespace kvguitest
