#include "graphics/qt/backend.hpp"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "graphics/qt/canvas.hpp"
#include "graphics/qt/dialogs.hpp"
#include "graphics/qt/event_guard.hpp"
#include "graphics/qt/figure_window.hpp"

namespace kolvar::graphics {

namespace {

// Interim: text sizes from Qt's own metrics until the shared painting code provides them.
class InterimFontMetrics : public FontMetrics {
 public:
  TextSize measure(std::string_view text, double size, std::string_view name) const override {
    QFont f;
    f.setFamilies({QString::fromUtf8(name.data(), static_cast<int>(name.size())), "DejaVu Sans"});
    f.setPointSizeF(size > 0 ? size : 10);
    const QFontMetricsF m(f);
    double widest = 0;
    int lines = 0;
    for (const QString& line : QString::fromUtf8(text.data(), static_cast<int>(text.size())).split('\n')) {
      widest = std::max(widest, m.horizontalAdvance(line));
      ++lines;
    }
    return {widest, m.lineSpacing() * lines, m.ascent()};
  }
};

}  // namespace

void QtBackend::DeleteLater::operator()(FigureWindow* w) const {
  // A window may go from inside one of its own event handlers (a menu entry, the close button),
  // so it is hidden now and destroyed once control is back in the event loop.
  w->hide();
  w->deleteLater();
}

QtBackend::QtBackend(std::shared_ptr<Dialogs> dialogs)
    : context_(std::make_unique<QObject>()), dialogs_(std::move(dialogs)), metrics_(std::make_unique<InterimFontMetrics>()) {
  if (!dialogs_) dialogs_ = std::make_shared<QtDialogs>([this](Handle fig) { return client(fig); });
}

QtBackend::~QtBackend() = default;

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

const FontMetrics& QtBackend::fontMetrics() const { return *metrics_; }

double QtBackend::screenWidth() const {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : Backend::screenWidth();
}

double QtBackend::screenHeight() const {
  const QScreen* s = QGuiApplication::primaryScreen();
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
