// Small pieces every window of the program shares: texts of the program,
// the C locale for numbers, filters, paths, message boxes and the file and
// folder prompts (which tests answer in place of the user).
#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QDialog;
class QDialogButtonBox;
class QWidget;

namespace kvgui {

// String resources of the program.
extern const char kProgramName[];  // "Korvane"
extern const char kVersionText[];  // "V 4.4b"
constexpr long kBuildNumber = 1687;
// "Korvane V 4.4b"
QString MainCaption();

// Creating the application object switches LC_NUMERIC to the user's locale;
// settings files and text exports must keep writing "0.001".
void KeepCLocale();

// Paths cross into the library as the file system's bytes.
std::string ToLocal(const QString& s);
QString FromLocal(const char* s);

// "Name (*.a)|*.a;*.b|All (*.*)|*.*||" -> "Name (*.a *.b);;All (*.*)".
QString QtFilter(const char* filter);

// Names a control "id_<id>", as the dialog templates number them.
template <class W>
W* Named(W* w, int id) {
  w->setObjectName(QString("id_%1").arg(id));
  return w;
}
// "&OK" (1, the default) and "&Cancel" (2), wired to accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

// Message box with the caption "Error" (and a beep); modal.
void ShowError(QWidget* parent, const QString& text);

// What a prompt asks for.
enum class PromptKind { OpenFile, OpenFiles, SaveFile, Folder };
struct PromptRequest {
  PromptKind kind;
  QString filter;   // Qt form
  QString initial;  // proposed file or folder
  QString def_ext;  // save prompts: appended when the name has none
  QString title;
};
// A stand-in for the user (tests): returns false for "cancelled".
using PromptAnswer = std::function<bool(const PromptRequest&, QStringList* chosen)>;
void SetPromptAnswer(PromptAnswer answer);

// The prompts; false when cancelled. Save prompts append def_ext to a name
// without extension. Folders come back with a trailing '/'.
bool AskOpenFile(QWidget* parent, const QString& filter, const QString& initial, QString* out);
bool AskOpenFiles(QWidget* parent, const QString& filter, const QString& initial, QStringList* out,
                  const QString& title = QString());
bool AskSaveFile(QWidget* parent, const QString& def_ext, const QString& filter, const QString& proposed,
                 QString* out);
// The folder browser: title "Select Directory" when none is given.
bool AskFolder(QWidget* parent, const QString& initial, const QString& title, QString* out);

// The help page beside the program (share/doc/korvane/help_korvane.html
// above its bin folder); opened with the desktop's viewer, or a message.
QString HelpPagePath();
void OpenHelpPage(QWidget* parent);
// Opens a document with the desktop's viewer; false when it cannot. Tests
// put their own opener in place.
bool OpenDocument(const QString& path);
using DocumentOpener = std::function<bool(const QString& path)>;
void SetDocumentOpener(DocumentOpener opener);

// The program's main window, owner of progress windows and message boxes.
QWidget* MainWidget();
void SetMainWidget(QWidget* w);

}  // namespace kvgui
