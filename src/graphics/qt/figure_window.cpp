#include "graphics/qt/figure_window.hpp"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QGuiApplication>
#include <QMenuBar>
#include <algorithm>
#include <cmath>

#include "graphics/qt/canvas.hpp"
#include "graphics/qt/controls.hpp"
#include "graphics/qt/event_guard.hpp"
#include "graphics/qt/menus.hpp"

namespace kolvar::graphics {

namespace {

std::string textOf(Handle h, const char* name) {
  const Value v = get(h, name);
  return v.isText() ? v.text() : std::string();
}

int rounded(double x) { return static_cast<int>(std::lround(x)); }

// Pixels per unit of a figure's "Units", the inverse of how the model reads a position.
double pixelsPer(const std::string& units, double screenWidth, double screenHeight, bool vertical) {
  if (units == "normalized") return vertical ? screenHeight : screenWidth;
  if (units == "inches") return 96;
  if (units == "centimeters") return 96 / 2.54;
  if (units == "points") return 96.0 / 72;
  return 1;
}

}  // namespace

FigureWindow::FigureWindow(Handle fig) : fig_(fig) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAcceptDrops(true);
  menuBar_ = new QMenuBar(this);
  client_ = new QWidget(this);
  client_->setAutoFillBackground(true);
  canvas_ = new Canvas(fig, client_);
  syncTimer_.setSingleShot(true);
  syncTimer_.setInterval(0);
  connect(&syncTimer_, &QTimer::timeout, this, [this] { guarded("window", [this] { sync(); }); });
  connect(&clock_, &QTimer::timeout, this, [this] { guarded("timer", [this] { tick(fig_); }); });

  applyTitle();
  applyColor();
  for (Handle c : findall(fig_, "uicontrol")) controls_[c] = makeControlWidget(c, client_);
  rebuildMenuBar(*menuBar_, fig_);
  menusStale_ = false;
  applyGeometry();
  applyVisible();
  applyTimer();
}

QWidget* FigureWindow::controlWidget(Handle control) const {
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : it->second;
}

void FigureWindow::modelCreated(Handle h) {
  const std::string type = typeOf(h);
  if (type == "uicontrol") {
    if (!controls_.count(h)) controls_[h] = makeControlWidget(h, client_);
  } else if (type == "uimenu") {
    scheduleSync(true);
  } else if (type != "figure") {
    canvas_->invalidate();
  }
}

void FigureWindow::modelChanged(Handle h, std::string_view p) {
  if (h == fig_) {
    if (p == "Name" || p == "NumberTitle") {
      applyTitle();
    } else if (p == "Position" || p == "Units" || p == "Resize") {
      if (!applying_) applyGeometry();
      canvas_->invalidate();
    } else if (p == "Visible") {
      applyVisible();
    } else if (p == "TimerPeriod" || p == "TimerFcn") {
      applyTimer();
    } else if (p == "Color") {
      applyColor();
      canvas_->invalidate();
    } else if (propertyShows(p)) {
      canvas_->invalidate();
    }
    return;
  }
  const std::string type = typeOf(h);
  if (type == "uicontrol") {
    QWidget* w = controlWidget(h);
    if (!w) {
      scheduleSync(false);
    } else if (!updateControlWidget(*w, h, p)) {
      // A widget of another kind: the old one goes after this event, as it may be the sender.
      w->hide();
      w->deleteLater();
      controls_[h] = makeControlWidget(h, client_);
    }
  } else if (type == "uimenu") {
    if (menuPropertyShows(p)) scheduleSync(true);
  } else if (propertyShows(p)) {
    canvas_->invalidate();
  }
}

void FigureWindow::modelDeleting(Handle h) {
  bool menus = false;
  for (Handle d : findall(h)) {
    auto it = controls_.find(d);
    if (it != controls_.end()) {
      // Hidden now, destroyed later: the deletion may come from this widget's own callback.
      it->second->hide();
      it->second->deleteLater();
      controls_.erase(it);
    }
    menus = menus || typeOf(d) == "uimenu";
  }
  if (menus) scheduleSync(true);
  canvas_->invalidate();
}

void FigureWindow::scheduleSync(bool menus) {
  menusStale_ = menusStale_ || menus;
  if (!syncTimer_.isActive()) syncTimer_.start();
}

void FigureWindow::sync() {
  if (!ishandle(fig_)) return;
  for (auto it = controls_.begin(); it != controls_.end();) {
    if (ishandle(it->first)) {
      ++it;
      continue;
    }
    it->second->hide();
    it->second->deleteLater();
    it = controls_.erase(it);
  }
  for (Handle c : findall(fig_, "uicontrol"))
    if (!controls_.count(c)) controls_[c] = makeControlWidget(c, client_);
  if (menusStale_) {
    menusStale_ = false;
    const int before = menuBarHeight();
    rebuildMenuBar(*menuBar_, fig_);
    // The client area keeps the figure's size; the window grows or shrinks by the menu bar.
    if (menuBarHeight() != before) applyGeometry();
  }
}

int FigureWindow::menuBarHeight() const { return menuBar_->isHidden() ? 0 : menuBar_->sizeHint().height(); }

void FigureWindow::applyTimer() {
  const Value period = get(fig_, "TimerPeriod");
  const double seconds = period.isScalar() ? period.scalar() : 0;
  if (seconds > 0 && !get(fig_, "TimerFcn").isEmpty()) {
    const int ms = std::max(1, rounded(seconds * 1000));
    if (!clock_.isActive() || clock_.interval() != ms) clock_.start(ms);
  } else {
    clock_.stop();
  }
}

void FigureWindow::applyTitle() {
  const std::string name = textOf(fig_, "Name");
  std::string title = name;
  if (textOf(fig_, "NumberTitle") == "on") {
    const double n = fig_;
    const std::string number = n == std::floor(n) ? std::to_string(static_cast<long long>(n)) : std::to_string(n);
    title = "Figure " + number + (name.empty() ? "" : ": " + name);
  }
  setWindowTitle(QString::fromStdString(title));
}

void FigureWindow::applyColor() {
  const Value c = get(fig_, "Color");
  if (!c.isNumeric() || c.numel() != 3) return;
  const Matrix& m = c.matrix();
  QPalette p = client_->palette();
  p.setColor(QPalette::Window, QColor::fromRgbF(static_cast<float>(m[0]), static_cast<float>(m[1]), static_cast<float>(m[2])));
  client_->setPalette(p);
}

void FigureWindow::applyGeometry() {
  const Matrix pos = pixelPosition(fig_);
  const int bar = menuBarHeight();
  const int width = std::max(1, rounded(pos[2]));
  const int height = std::max(1, rounded(pos[3]));
  // The figure's bottom is measured from the screen's bottom; Qt measures tops from the top.
  const int top = rounded(backend().screenHeight() - pos[1] - pos[3]) - bar;
  applying_ = true;
  if (textOf(fig_, "Resize") == "off") {
    setFixedSize(width, height + bar);
  } else {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  setGeometry(rounded(pos[0]), top, width, height + bar);
  applying_ = false;
  // A hidden window gets its resize event only when shown; lay it out now so that snapshots
  // and printing of a hidden figure see the right sizes.
  menuBar_->setGeometry(0, 0, width, bar);
  client_->setGeometry(0, bar, width, height);
  canvas_->setGeometry(0, 0, width, height);
  placeControls();
}

void FigureWindow::placeControls() {
  for (const auto& entry : controls_) {
    const Handle h = entry.first;
    QWidget* w = entry.second;
    guarded("window", [&] {
      if (ishandle(h)) placeControlWidget(*w, h);
    });
  }
}

void FigureWindow::applyVisible() {
  if (textOf(fig_, "Visible") == "on") {
    show();
    // The offscreen platform has no stacking order to change.
    if (QGuiApplication::platformName() != "offscreen") raise();
  } else {
    hide();
  }
}

void FigureWindow::moveEvent(QMoveEvent*) {
  if (!applying_ && isVisible()) guarded("window", [this] { userMovedOrResized(); });
}

void FigureWindow::resizeEvent(QResizeEvent*) {
  const int bar = menuBarHeight();
  menuBar_->setGeometry(0, 0, width(), bar);
  client_->setGeometry(0, bar, width(), std::max(1, height() - bar));
  canvas_->setGeometry(0, 0, client_->width(), client_->height());
  if (!applying_ && isVisible()) guarded("window", [this] { userMovedOrResized(); });
}

void FigureWindow::userMovedOrResized() {
  if (!ishandle(fig_)) return;
  const QRect g = geometry();
  const int bar = menuBarHeight();
  const double screenW = backend().screenWidth(), screenH = backend().screenHeight();
  const double left = g.x(), width = g.width(), height = g.height() - bar;
  const double bottom = screenH - (g.y() + bar + height);
  const Matrix now = pixelPosition(fig_);
  if (rounded(now[0]) == rounded(left) && rounded(now[1]) == rounded(bottom) && rounded(now[2]) == rounded(width) &&
      rounded(now[3]) == rounded(height)) {
    placeControls();
    return;
  }
  // The one property the window writes behind the event API: where the user put it.
  const std::string units = textOf(fig_, "Units");
  const double ux = pixelsPer(units, screenW, screenH, false), uy = pixelsPer(units, screenW, screenH, true);
  applying_ = true;
  guarded("window", [&] { set(fig_, "Position", Value::row({left / ux, bottom / uy, width / ux, height / uy})); });
  applying_ = false;
  placeControls();
  canvas_->invalidate();
  const bool newSize = rounded(now[2]) != rounded(width) || rounded(now[3]) != rounded(height);
  if (newSize) guarded("window", [this] { resized(fig_); });
}

void FigureWindow::closeEvent(QCloseEvent* event) {
  // The figure decides: its "CloseRequestFcn" (by default deleting it) may also keep it open.
  event->ignore();
  guarded("close", [this] {
    if (ishandle(fig_)) closeRequest(fig_);
  });
}

}  // namespace kolvar::graphics

namespace kolvar::graphics {

namespace {
std::vector<std::string> localFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data && data->hasUrls())
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  return paths;
}
}  // namespace

void FigureWindow::dragEnterEvent(QDragEnterEvent* event) {
  const Value fcn = ishandle(fig_) ? get(fig_, "FileDropFcn") : Value();
  if (!fcn.isEmpty() && !localFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void FigureWindow::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = localFiles(event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  guarded("drop", [&] { dropFiles(fig_, paths); });
}

}  // namespace kolvar::graphics
