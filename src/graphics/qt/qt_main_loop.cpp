#include "graphics/qt/qt_main_loop.hpp"

#include <QApplication>

#include "graphics/qt/backend.hpp"

namespace kolvar::graphics {

int serveWindows(QtBackend& backend) {
  if (!backend.anyWindowShown()) return 0;
  // Closing a window asks the figure first (its close request may keep it), so Qt must not end
  // the loop on its own when a window closes.
  QApplication::setQuitOnLastWindowClosed(false);
  backend.onNoWindowLeft([] { QCoreApplication::exit(0); });
  const int status = QApplication::exec();
  backend.onNoWindowLeft(nullptr);
  return status;
}

}  // namespace kolvar::graphics
