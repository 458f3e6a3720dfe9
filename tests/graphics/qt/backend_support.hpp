#pragma once
// Qt backend tests: a QApplication on the offscreen platform, a fresh graphics session per test
// with the Qt backend and scripted dialogs, and user input sent as real Qt events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <memory>

#include "graphics/graphics.hpp"
#include "graphics/headless.hpp"
#include "graphics/qt/backend.hpp"
#include "graphics/qt/figure_window.hpp"
#include "runtime/registry.hpp"

namespace kolvar::graphics::testing {

inline QApplication& qtApp() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  static int argc = 1;
  static char name[] = "kolvar-tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

// Let queued work run: zero timers (repaints, syncs), queued signals and deferred deletions.
inline void settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// A press and release of the left button at `at`, as the window system delivers them.
inline void click(QWidget& w, QPointF at) {
  const QPointF global = w.mapToGlobal(at);
  QMouseEvent down(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &up);
}

inline void mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButtons held) {
  const Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, at, w.mapToGlobal(at), b, held, Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}

inline void key(QWidget& w, Qt::Key k) {
  // Printable keys carry their character, as typing does.
  const QString text = k >= 0x20 && k < 0x7f ? QString(QChar(static_cast<char16_t>(k))) : QString();
  QKeyEvent down(QEvent::KeyPress, k, Qt::NoModifier, text);
  QApplication::sendEvent(&w, &down);
  QKeyEvent up(QEvent::KeyRelease, k, Qt::NoModifier, text);
  QApplication::sendEvent(&w, &up);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qtApp();
    registry_ = std::make_shared<runtime::Registry>();
    dialogs_ = std::make_shared<ScriptedDialogs>();
    backend_ = std::make_shared<QtBackend>(dialogs_);
    startSession({registry_, backend_});
  }
  void TearDown() override {
    endSession();
    settle();
  }
  void addFunction(const std::string& name, int nin, int nout, runtime::Body body) {
    registry_->addModule(name, nin, nout, std::move(body));
  }
  FigureWindow& window(Handle fig) {
    FigureWindow* w = backend_->window(fig);
    if (!w) throw std::runtime_error("the figure has no window");
    return *w;
  }

  std::shared_ptr<runtime::Registry> registry_;
  std::shared_ptr<ScriptedDialogs> dialogs_;
  std::shared_ptr<QtBackend> backend_;
};

}  // namespace kolvar::graphics::testing
