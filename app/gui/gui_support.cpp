#include "gui_support.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <clocale>

namespace kvgui {

const char kProgramName[] = "Korvane";
const char kVersionText[] = "V 4.4b";

namespace {
PromptAnswer g_answer;
DocumentOpener g_opener;
QWidget* g_main = nullptr;

bool Ask(QWidget* parent, const PromptRequest& r, QStringList* chosen) {
  if (g_answer) return g_answer(r, chosen) && !chosen->isEmpty();
  QString one;
  switch (r.kind) {
    case PromptKind::OpenFile:
      one = QFileDialog::getOpenFileName(parent, r.title, r.initial, r.filter);
      break;
    case PromptKind::OpenFiles:
      *chosen = QFileDialog::getOpenFileNames(parent, r.title, r.initial, r.filter);
      return !chosen->isEmpty();
    case PromptKind::SaveFile:
      one = QFileDialog::getSaveFileName(parent, r.title, r.initial, r.filter);
      break;
    case PromptKind::Folder:
      one = QFileDialog::getExistingDirectory(parent, r.title, r.initial, QFileDialog::ShowDirsOnly);
      break;
  }
  if (one.isEmpty()) return false;
  chosen->append(one);
  return true;
}
}  // namespace

QString MainCaption() { return QString("%1 %2").arg(kProgramName, kVersionText); }

void KeepCLocale() { std::setlocale(LC_NUMERIC, "C"); }

std::string ToLocal(const QString& s) { return QFile::encodeName(s).toStdString(); }
QString FromLocal(const char* s) { return s ? QFile::decodeName(QByteArray(s)) : QString(); }

QString QtFilter(const char* filter) {
  QStringList parts = FromLocal(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    QString patterns = parts[i + 1].trimmed();
    if (name.isEmpty() && patterns.isEmpty()) break;
    // The name may carry its own "(*.a)"; Qt reads the patterns from the
    // parentheses, so they are written once, from the pattern part.
    int paren = name.indexOf('(');
    if (paren >= 0) name = name.left(paren).trimmed();
    name = name.simplified();
    QString list = patterns.split(';', Qt::SkipEmptyParts).join(' ');
    out << QString("%1 (%2)").arg(name, list);
  }
  return out.join(";;");
}

QDialogButtonBox* OkCancelButtons(QDialog* d) {
  auto* box = new QDialogButtonBox(d);
  Named(box->addButton("&OK", QDialogButtonBox::AcceptRole), 1)->setDefault(true);
  Named(box->addButton("&Cancel", QDialogButtonBox::RejectRole), 2);
  QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return box;
}

void ShowError(QWidget* parent, const QString& text) {
  QApplication::beep();
  QMessageBox box(QMessageBox::Critical, "Error", text, QMessageBox::Ok, parent ? parent : g_main);
  box.setObjectName("dlg_error");
  box.exec();
}

void SetPromptAnswer(PromptAnswer answer) { g_answer = std::move(answer); }

bool AskOpenFile(QWidget* parent, const QString& filter, const QString& initial, QString* out) {
  QStringList chosen;
  if (!Ask(parent, {PromptKind::OpenFile, filter, initial, {}, {}}, &chosen)) return false;
  *out = chosen.first();
  return true;
}

bool AskOpenFiles(QWidget* parent, const QString& filter, const QString& initial, QStringList* out,
                  const QString& title) {
  out->clear();
  return Ask(parent, {PromptKind::OpenFiles, filter, initial, {}, title}, out);
}

bool AskSaveFile(QWidget* parent, const QString& def_ext, const QString& filter, const QString& proposed,
                 QString* out) {
  QStringList chosen;
  if (!Ask(parent, {PromptKind::SaveFile, filter, proposed, def_ext, {}}, &chosen)) return false;
  QString path = chosen.first();
  QString ext = def_ext.startsWith('.') ? def_ext.mid(1) : def_ext;
  if (!ext.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += "." + ext;
  *out = path;
  return true;
}

bool AskFolder(QWidget* parent, const QString& initial, const QString& title, QString* out) {
  QString start = initial;
  while (start.size() > 1 && start.endsWith('/')) start.chop(1);
  QStringList chosen;
  if (!Ask(parent, {PromptKind::Folder, {}, start, {}, title.isEmpty() ? QString("Select Directory") : title},
           &chosen))
    return false;
  QString path = chosen.first();
  if (!path.endsWith('/')) path += '/';
  *out = path;
  return true;
}

QString HelpPagePath() {
  QDir bin(QCoreApplication::applicationDirPath());
  return QDir::cleanPath(bin.absoluteFilePath("../share/doc/korvane/help_korvane.html"));
}

void OpenHelpPage(QWidget* parent) {
  QString page = HelpPagePath();
  if (!QFileInfo::exists(page) || !OpenDocument(page))
    ShowError(parent, QString("Cannot open the help page %1").arg(page));
}

bool OpenDocument(const QString& path) {
  if (g_opener) return g_opener(path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetDocumentOpener(DocumentOpener opener) { g_opener = std::move(opener); }

QWidget* MainWidget() { return g_main; }
void SetMainWidget(QWidget* w) { g_main = w; }

}  // namespace kvgui
