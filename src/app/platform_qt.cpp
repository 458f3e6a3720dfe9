// The program's platform: Qt. Makes the application object (on the screen, or offscreen for
// work that needs none), the Qt backend of the graphics model, the window event loop and the
// snapshot writer.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyleFactory>
#include <cstdlib>
#include <iostream>

#include "app/platform.hpp"
#include "graphics/qt/backend.hpp"
#include "graphics/qt/qt_main_loop.hpp"
#include "graphics/qt/window_snapshot.hpp"

namespace kolvar::app {

namespace {

// Lives as long as anything uses the backend; the windows go before the application object.
struct QtPlatform {
  int argc = 0;
  std::unique_ptr<QApplication> app;
  std::unique_ptr<graphics::QtBackend> backend;
  ~QtPlatform() { backend.reset(); }
};

// True when the command line asks only for work without a screen (or is bad, which the program
// reports by itself).
bool screenless(int argc, char** argv) {
  try {
    const Options o = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    return o.help || o.version || o.script || o.snapshot;
  } catch (const Error&) {
    return true;
  }
}

void noDisplay(const std::string& why) {
  std::cerr << "kolvar: no display found (" << why
            << "). Run it under Xvfb (xvfb-run kolvar), or use --snapshot FILE / --script FILE to work "
               "without a screen.\n";
}

}  // namespace

PlatformHooks platformHooks(int argc, char** argv) {
  const bool offscreenWork = screenless(argc, argv);
  const bool platformChosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
  const QByteArray display = qgetenv("DISPLAY");
  const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
  bool wantScreen = false;
  if (!platformChosen) {
    if (offscreenWork) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (display.isEmpty() && !wayland) {
      noDisplay("DISPLAY is not set");
      std::exit(1);
    } else {
      // A display that cannot be reached falls back to offscreen instead of aborting; it is
      // reported below.
      qputenv("QT_QPA_PLATFORM", wayland ? "wayland;xcb;offscreen" : "xcb;offscreen");
      wantScreen = true;
    }
  }

  // Qt wants a private runtime folder. Where the session has none (a root shell, a CI job), make
  // the one Qt would fall back to, so that it does not warn at every start.
  if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
    const QString dir = QDir::tempPath() + "/runtime-" + QString::number(::getuid());
    if (QDir().mkpath(dir) &&
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
      qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
  }

  auto platform = std::make_shared<QtPlatform>();
  platform->argc = argc;
  platform->app = std::make_unique<QApplication>(platform->argc, argv);
  QApplication::setApplicationName("kolvar");
  QApplication::setApplicationVersion(KOLVAR_VERSION);
  // One look everywhere, so that the window, snapshots and prints agree.
  if (QStyle* style = QStyleFactory::create("Fusion")) QApplication::setStyle(style);
  if (wantScreen && QGuiApplication::platformName() == "offscreen") {
    platform.reset();
    noDisplay("cannot open the display " + (display.isEmpty() ? std::string("of WAYLAND_DISPLAY") : display.toStdString()));
    std::exit(1);
  }
  platform->backend = std::make_unique<graphics::QtBackend>();

  PlatformHooks hooks;
  hooks.backend = std::shared_ptr<graphics::Backend>(platform, platform->backend.get());
  hooks.interactive = [platform] { return graphics::serveWindows(*platform->backend); };
  hooks.snapshot = [platform](graphics::Handle fig, const std::string& path) {
    graphics::writeWindowSnapshot(*platform->backend, fig, path);
  };
  return hooks;
}

}  // namespace kolvar::app
