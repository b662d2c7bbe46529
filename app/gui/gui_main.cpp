// korvane: the window program. The single-instance lock and the hand-over
// socket come first, before settings and plug-ins load, so a second start in
// that time still reaches this instance.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>

#include "gui_main_window.h"
#include "gui_preview.h"
#include "gui_progress.h"
#include "gui_single_instance.h"
#include "gui_support.h"
#include "huge_pages.h"

int main(int argc, char** argv) {
  kvhost::StartWithHugePages(argv);
  QElapsedTimer clock;
  clock.start();
  QApplication app(argc, argv);
  kvgui::KeepCLocale();
  QString file;
  QString plugin_dir;
  bool exit_when_ready = false;
  QString screenshot, preview_shot;
  int orbit_frames = 0;
  QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == "--plugin-dir" && i + 1 < args.size()) {
      plugin_dir = args[++i];
    } else if (a == "--exit-when-ready") {
      // Start-up timing: print the time to a usable window and end.
      exit_when_ready = true;
    } else if (a == "--screenshot" && i + 1 < args.size()) {
      // A picture of the window once the file is imported, then the end.
      screenshot = args[++i];
      exit_when_ready = true;
    } else if (a == "--preview-screenshot" && i + 1 < args.size()) {
      // The same of the preview pane alone, its frame drawn whole.
      preview_shot = args[++i];
      exit_when_ready = true;
    } else if (a == "--orbit-frames" && i + 1 < args.size()) {
      // Timing: once ready, the preview turned this many drag steps.
      orbit_frames = args[++i].toInt();
      exit_when_ready = true;
    } else if (a == "--version") {
      std::printf("korvane %s (Build %ld)\n", kvgui::kVersionText, kvgui::kBuildNumber);
      return 0;
    } else if (file.isEmpty()) {
      file = QFileInfo(a).absoluteFilePath();
    }
  }
  kvgui::SingleInstance instance;
  if (!exit_when_ready && !instance.Acquire()) {
    if (instance.HandOver(file)) return 0;
    std::fprintf(stderr, "korvane: another instance holds %s but does not answer\n",
                 qPrintable(instance.SocketPath()));
    return 1;
  }
  kvgui::MainWindow window(plugin_dir);
  QObject::connect(&instance, &kvgui::SingleInstance::fileReceived, &window, &kvgui::MainWindow::Receive);
  QObject::connect(&window, &QDialog::finished, &app, &QApplication::quit);
  window.show();
  if (!file.isEmpty()) window.Receive(file);
  std::function<void()> when_ready;
  if (exit_when_ready) {
    // Ready once the file named is imported (the import pumps events, so
    // this may be asked in the middle of it).
    when_ready = [&] {
      if (window.Busy() || window.PendingCount() > 0) {
        QTimer::singleShot(20, &window, when_ready);
        return;
      }
      kvgui::PumpStats pumps = kvgui::PumpStatistics();
      std::printf("ready in %lld ms with %d classes, %ld faces; interface pumped %ld times, longest gap %ld ms\n",
                  static_cast<long long>(clock.elapsed()), window.registry().ClassCount(),
                  window.driver().Statistics().faces, pumps.pumps, pumps.longest_gap_ms);
      std::fflush(stdout);
      if (orbit_frames > 0) {
        kvgui::PreviewPane* p = window.preview();
        QElapsedTimer orbit;
        orbit.start();
        for (int i = 0; i < orbit_frames; ++i) {
          p->Turn(3, 0);
          p->DrawNow();
        }
        const double ms = orbit.nsecsElapsed() / 1e6;
        std::printf("orbit: %d frames in %.0f ms, %.1f frames/s, last %.1f ms with %ld of %ld triangles at %dx%d\n",
                    orbit_frames, ms, orbit_frames * 1000.0 / ms, p->LastFrameMs(), p->LastFrameTriangles(),
                    p->SceneTriangles(), p->width(), p->height());
        std::fflush(stdout);
      }
      window.preview()->DrawNow();
      for (const auto& [path, widget] : {std::pair<QString, QWidget*>{screenshot, &window}, {preview_shot, window.preview()}})
        if (!path.isEmpty() && !widget->grab().save(path)) {
          std::fprintf(stderr, "korvane: cannot write %s\n", qPrintable(path));
          app.exit(1);
          return;
        }
      window.Quit();
    };
    // A screenshot waits a little for the window manager's first paint.
    QTimer::singleShot(screenshot.isEmpty() && preview_shot.isEmpty() ? 0 : 300, &window, when_ready);
  }
  return app.exec();
}
