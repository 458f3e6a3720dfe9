#include "graphics/qt/canvas.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "graphics/geometry.hpp"
#include "graphics/qt/event_guard.hpp"
#include "graphics/qt/paint.hpp"

namespace kolvar::graphics {

namespace {

bool insidePolygon(Point p, const std::vector<Point>& poly) {
  bool inside = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point a = poly[i], b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

// Whether a press at `p` lands on `item`. The cursor only has to agree with the model's hit test
// where it matters, on filled shapes and texts; lines and markers count within a few pixels.
bool lands(const Primitive& item, Point p) {
  if (item.clipped && !item.clip.contains(p)) return false;
  switch (item.kind) {
    case Primitive::Kind::Face: return item.points.size() >= 3 && insidePolygon(p, item.points);
    case Primitive::Kind::Text:
    case Primitive::Kind::Rect: return item.box.contains(p);
    case Primitive::Kind::Line:
    case Primitive::Kind::Marker:
      for (const Point& q : item.points)
        if (std::hypot(p.x - q.x, p.y - q.y) <= 4) return true;
      return false;
  }
  return false;
}

MouseButton buttonOf(Qt::MouseButton b) {
  if (b == Qt::RightButton) return MouseButton::Right;
  if (b == Qt::MiddleButton) return MouseButton::Middle;
  return MouseButton::Left;
}

}  // namespace

std::optional<Handle> clickableAt(const DisplayList& list, Point at) {
  for (auto it = list.items.rbegin(); it != list.items.rend(); ++it) {
    if (!lands(*it, at) || !ishandle(it->source)) continue;
    const std::string type = typeOf(it->source);
    if (type == "figure" || type == "axes") continue;
    if (get(it->source, "HitTest").text() != "on" || get(it->source, "Visible").text() != "on") continue;
    return it->source;
  }
  return std::nullopt;
}

Canvas::Canvas(Handle fig, QWidget* parent) : QWidget(parent), fig_(fig) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  coalesce_.setSingleShot(true);
  coalesce_.setInterval(0);
  connect(&coalesce_, &QTimer::timeout, this, [this] { displayList(); });
}

void Canvas::invalidate() {
  stale_ = true;
  if (!coalesce_.isActive()) coalesce_.start();
}

const DisplayList& Canvas::displayList() {
  if (stale_) {
    stale_ = false;
    guarded("drawing", [&] {
      if (ishandle(fig_)) {
        list_ = renderFigure(fig_);
        ++renders_;
      }
    });
    // Whoever asked first (the repaint timer, the cursor, a snapshot), the screen must follow.
    update();
  }
  return list_;
}

void Canvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const DisplayList& list = displayList();
  painted_ = renders_;
  // The list covers the figure as it was when drawn; during a resize the rest shows the figure's
  // colour until the next list is ready.
  const Rgb bg = list.background;
  painter.fillRect(rect(), QColor::fromRgbF(static_cast<float>(bg.r), static_cast<float>(bg.g), static_cast<float>(bg.b)));
  guarded("painting", [&] { paintDisplayList(painter, list); });
}

void Canvas::resizeEvent(QResizeEvent*) { invalidate(); }

void Canvas::mousePressEvent(QMouseEvent* e) {
  pressed_ = true;
  const QPointF p = e->position();
  guarded("mouse press", [&] {
    if (ishandle(fig_)) press(fig_, p.x(), p.y(), buttonOf(e->button()));
  });
}

void Canvas::mouseMoveEvent(QMouseEvent* e) {
  const QPointF p = e->position();
  if (!pressed_) {
    updateCursor(p);
    return;
  }
  guarded("mouse drag", [&] {
    if (ishandle(fig_)) drag(fig_, p.x(), p.y());
  });
}

void Canvas::mouseReleaseEvent(QMouseEvent* e) {
  if (!pressed_) return;
  pressed_ = false;
  const QPointF p = e->position();
  guarded("mouse release", [&] {
    if (ishandle(fig_)) release(fig_, p.x(), p.y());
  });
  updateCursor(p);
}

void Canvas::updateCursor(QPointF at) {
  Qt::CursorShape shape = Qt::ArrowCursor;
  guarded("cursor", [&] {
    if (!ishandle(fig_)) return;
    const Point p{at.x(), at.y()};
    // A hand over what a click acts on (the waiting-list items); a cross over an axes that
    // takes clicks itself (the partition view places the scanner).
    if (auto hit = clickableAt(displayList(), p)) {
      if (!get(*hit, "ButtonDownFcn").isEmpty()) shape = Qt::PointingHandCursor;
      return;
    }
    for (Handle c : childrenOf(fig_))
      if (typeOf(c) == "axes" && get(c, "Visible").text() == "on" && objectPixelRect(c).contains(p) &&
          !get(c, "ButtonDownFcn").isEmpty())
        shape = Qt::CrossCursor;
  });
  if (cursor().shape() != shape) setCursor(shape);
}

}  // namespace kolvar::graphics
