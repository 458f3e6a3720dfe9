#include "graphics/qt/backend.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "graphics/qt/canvas.hpp"
#include "graphics/qt/dialogs.hpp"
#include "graphics/qt/event_guard.hpp"
#include "graphics/qt/figure_window.hpp"
#include "graphics/qt/font_metrics.hpp"
#include "graphics/qt/guidance.hpp"

namespace kolvar::graphics {

void QtBackend::DeleteLater::operator()(FigureWindow* w) const {
  // A window may go from inside one of its own event handlers (a menu entry, the close button),
  // so it is hidden now and destroyed once control is back in the event loop.
  w->hide();
  w->deleteLater();
}

QtBackend::QtBackend(std::shared_ptr<Dialogs> dialogs)
    : context_(std::make_unique<QObject>()), dialogs_(std::move(dialogs)), metrics_(std::make_unique<QtFontMetrics>()) {
  if (!dialogs_) dialogs_ = std::make_shared<QtDialogs>([this](Handle fig) { return client(fig); });
  guidance_ = std::make_unique<QtGuidance>([this](Handle fig) { return client(fig); });
}

QtBackend::~QtBackend() = default;

Guidance& QtBackend::guidance() { return *guidance_; }

FigureWindow* QtBackend::window(Handle fig) const {
  auto it = windows_.find(fig);
  return it == windows_.end() ? nullptr : it->second.get();
}

QWidget* QtBackend::client(Handle fig) const {
  FigureWindow* w = window(fig);
  return w ? &w->client() : nullptr;
}

FigureWindow* QtBackend::windowOf(Handle h) const {
  if (!ishandle(h)) return nullptr;
  const auto fig = ancestor(h, "figure");
  return fig ? window(*fig) : nullptr;
}

void QtBackend::created(Handle h) {
  guarded("window", [&] {
    if (typeOf(h) == "figure") {
      if (!window(h)) windows_.emplace(h, std::unique_ptr<FigureWindow, DeleteLater>(new FigureWindow(h)));
      return;
    }
    if (FigureWindow* w = windowOf(h)) w->modelCreated(h);
  });
}

void QtBackend::changed(Handle h, std::string_view property) {
  guarded("window", [&] {
    if (FigureWindow* w = windowOf(h)) w->modelChanged(h, property);
    if (property == "Visible" && window(h)) checkWindowsLeft();
  });
}

void QtBackend::deleting(Handle h) {
  guarded("window", [&] {
    if (windows_.count(h)) {
      windows_.erase(h);
      checkWindowsLeft();
      return;
    }
    if (FigureWindow* w = windowOf(h)) w->modelDeleting(h);
  });
}

void QtBackend::flush() {
  // drawnow: what is pending shows now rather than after the callback.
  for (auto& [fig, w] : windows_) {
    w->canvas().displayList();
    w->canvas().repaint();
  }
}

void QtBackend::settle() {
  // Queued signals (a list's scroll range changing at every new row of the step log, ...), and
  // then the objects deleted later, which Qt deletes outside an event loop only when asked to.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

const FontMetrics& QtBackend::fontMetrics() const { return *metrics_; }

namespace {

// Without a window system (snapshots, scripts, tests) there is no screen to fit: the model sees
// a common desktop screen, so that windows keep the size their layout gives them.
const QScreen* realScreen() {
  if (QGuiApplication::platformName() == "offscreen") return nullptr;
  return QGuiApplication::primaryScreen();
}

}  // namespace

double QtBackend::screenWidth() const {
  const QScreen* s = realScreen();
  return s ? s->geometry().width() : Backend::screenWidth();
}

double QtBackend::screenHeight() const {
  const QScreen* s = realScreen();
  return s ? s->geometry().height() : Backend::screenHeight();
}

bool QtBackend::anyWindowShown() const {
  for (const auto& [fig, w] : windows_)
    if (!w->isHidden()) return true;
  return false;
}

void QtBackend::checkWindowsLeft() {
  if (checkPending_) return;
  checkPending_ = true;
  // Judged once the current callback is over: a callback may hide a window and show it again.
  QTimer::singleShot(0, context_.get(), [this] {
    checkPending_ = false;
    if (!anyWindowShown() && noWindowLeft_) noWindowLeft_();
  });
}

}  // namespace kolvar::graphics
