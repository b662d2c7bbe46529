#include "gui_test_util.h"

#include <QElapsedTimer>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "gui_support.h"
#include "test_support.h"

namespace kvguitest {

namespace {
bool g_comma = false;

// The German locale the build made in its own folder (LOCPATH), so the
// tests need no locale installed on the machine.
void UseCommaLocale() {
#ifdef KV_TEST_LOCALE_DIR
  if (!std::filesystem::exists(KV_TEST_LOCALE_DIR "/de_DE.UTF-8/LC_NUMERIC")) return;
  setenv("LOCPATH", KV_TEST_LOCALE_DIR, 1);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
#endif
}
}  // namespace

QApplication& App() {
  static int argc = 1;
  static char name[] = "korvane_gui_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: the plug-ins and Qt's own statics go away at exit in
  // no order the application object could rely on.
  static QApplication* app = nullptr;
  if (!app) {
    UseCommaLocale();
    // The runtime folder (lock and socket) of the tests is their own.
    static std::string runtime = (std::filesystem::temp_directory_path() / "korvane-runtime-XXXXXX").string();
    if (mkdtemp(runtime.data())) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    app = new QApplication(argc, argv);
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    g_comma = probe[1] == ',';
    kvgui::KeepCLocale();
  }
  return *app;
}

bool CommaLocale() {
  App();
  return g_comma;
}

QString PluginDir() { return QString::fromStdString((kvtest::bin_dir() / "plugin").string()) + "/"; }

QString Sample(const char* name) {
  return QString::fromStdString((kvtest::source_dir() / "samples" / name).string());
}

void AnswerPrompts(const QStringList& files) {
  kvgui::SetPromptAnswer([files](const kvgui::PromptRequest&, QStringList* chosen) {
    *chosen = files;
    return !files.isEmpty();
  });
}

void CancelPrompts() { AnswerPrompts({}); }

void WhenModal(const QString& name, std::function<void(QWidget*)> act, int timeout_ms) {
  auto* timer = new QTimer(&App());
  // Time, not ticks: a busy event loop delays the ticks, and a watcher
  // that outlived its wait would take the next test's dialog.
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act, clock, timeout_ms, name] {
    QWidget* w = QApplication::activeModalWidget();
    const bool found = w && w->isVisible() && w->objectName() == name;
    if (!found && clock->elapsed() < timeout_ms) return;
    timer->stop();
    timer->deleteLater();
    if (found && clock->elapsed() < timeout_ms) act(w);
  });
  timer->start(20);
}

}  // namespace kvguitest
