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

// One QApplication for the whole test program, made before the first test and destroyed after
// the last one: destroyed by the exit handlers instead, it would outlive parts of Qt it needs.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QCoreApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app_.reset();
  }

 private:
  int argc_ = 1;
  char name_[13] = "kolvar-tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

// GoogleTest owns its environments.
inline ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

inline QApplication& qtApp() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) throw std::runtime_error("the tests need a QApplication");
  return *app;
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
    // "note(x)" records its first argument.
    addFunction("note", -1, 0, [this](const runtime::Args& args, int) {
      notes.push_back(args.empty() ? Value() : args[0]);
      return runtime::Outputs{};
    });
  }
  void TearDown() override {
    endSession();
    backend_.reset();  // the windows go with the backend, while the event loop can still delete them
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
  std::vector<Value> notes;
};

}  // namespace kolvar::graphics::testing
