#include "graphics/qt/canvas.hpp"

#include <QGestureEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPinchGesture>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "graphics/geometry.hpp"

#include "graphics/qt/event_guard.hpp"
#include "graphics/qt/paint.hpp"
#include "graphics/render.hpp"

namespace kolvar::graphics {

namespace {

MouseButton buttonOf(Qt::MouseButton b) {
  if (b == Qt::RightButton) return MouseButton::Right;
  if (b == Qt::MiddleButton) return MouseButton::Middle;
  return MouseButton::Left;
}

}  // namespace

Modifiers Canvas::modifiersOf(Qt::KeyboardModifiers m) const {
  return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier), m.testFlag(Qt::AltModifier), space_};
}

// Space held is a modifier of its own for the mouse (a drag with it pans the tree view); Qt
// does not count it among the keyboard modifiers, so the canvas keeps it.
void Canvas::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space) {
    if (!e->isAutoRepeat()) space_ = true;
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

void Canvas::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space) {
    if (!e->isAutoRepeat()) space_ = false;
    e->accept();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void Canvas::focusOutEvent(QFocusEvent* e) {
  space_ = false;  // a release that goes to another widget must not leave Space held
  QWidget::focusOutEvent(e);
}

Canvas::Canvas(Handle fig, QWidget* parent) : QWidget(parent), fig_(fig) {
  setMouseTracking(true);
  // A click in the views takes the keyboard from the controls (the scene popup would otherwise
  // keep it, and a later arrow key would change the scene).
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  grabGesture(Qt::PinchGesture);
  coalesce_.setSingleShot(true);
  coalesce_.setInterval(0);
  connect(&coalesce_, &QTimer::timeout, this, [this] { displayList(); });
  // While a view shows a stand-in because its depth order is being built aside, the canvas asks
  // now and then whether it is ready; when it is, the model has the view drawn again (and tells
  // the window, which repaints it).
  aside_.setSingleShot(true);
  aside_.setInterval(15);
  connect(&aside_, &QTimer::timeout, this, [this] {
    guarded("drawing", [&] {
      if (ishandle(fig_) && finishAsideDrawings(fig_)) aside_.start();
    });
  });
}

void Canvas::invalidate() {
  if (!coalesce_.isActive()) coalesce_.start();
}

long Canvas::renders() const { return drawingCounts(fig_).lists; }

const DisplayList& Canvas::modelList() {
  const DisplayList* list = &nothing_;
  guarded("drawing", [&] {
    if (ishandle(fig_)) list = &figureDisplayList(fig_);
  });
  return *list;
}

const DisplayList& Canvas::displayList() {
  const DisplayList& list = modelList();
  followModel();
  return list;
}

const DisplayList& Canvas::wholeList() {
  guarded("drawing", [&] {
    if (ishandle(fig_)) awaitDrawings(fig_);
  });
  return displayList();
}

void Canvas::followModel() {
  // Whoever made the list first (the repaint timer, a press, the cursor, a paint of only the part
  // of the canvas under a control that repaints itself), the canvas must follow.
  const long made = renders();
  if (made == requested_) return;
  // Only the axes the newest list drew anew, when it is the only list not yet followed; after
  // several, what each of them changed is no longer known.
  const bool one = made == requested_ + 1;
  requested_ = made;
  const QRegion changed = changedRegion(one);
  stale_ += changed;
  update(changed);
}

QRegion Canvas::changedRegion(bool newestOnly) {
  // What a new list can change is what the axes draw: their rectangles with the labels around
  // them. Repainting only those leaves the controls elsewhere alone (each one repainted would
  // lay its text out again). A new size or a figure without axes repaints everything.
  QRegion region;
  guarded("drawing", [&] {
    if (!ishandle(fig_)) return;
    const Rect whole = figurePixelRect(fig_);
    if (std::lround(whole.width) != width() || std::lround(whole.height) != height() || size() != painted_size_) {
      region = QRegion(rect());
      return;
    }
    // Only where the axes that the list drew anew reached before and reach now: the others show
    // what they showed, and the controls around an axes need not paint themselves again.
    if (const std::optional<std::vector<Rect>> changed = newestOnly ? changedAreas(fig_) : std::nullopt) {
      for (const Rect& r : *changed) region += QRectF(r.x, r.y, r.width, r.height).toAlignedRect();
      if (region.isEmpty()) region = QRegion(0, 0, 1, 1);  // nothing changed that shows; a token so as not to repaint all
      return;
    }
    for (const Handle ax : findall(fig_, std::string_view("axes"))) {
      const Rect r = axesReach(ax);
      region += QRectF(r.x, r.y, r.width, r.height).toAlignedRect();
    }
  });
  return region.isEmpty() ? QRegion(rect()) : region;
}

namespace {
// The most pixels copied from the frame to the window in one go (see paintEvent).
constexpr int kBlitPixels = 16384;
}  // namespace

void Canvas::paintEvent(QPaintEvent* e) {
  const DisplayList& list = modelList();
  followModel();
  painted_ = renders();
  painted_size_ = size();
  // The figure is painted into a picture of its own, and the window shows the part it must from
  // there. The part the window asks for leaves out the controls over the figure, and painting
  // straight into so ragged a region costs several times as much as into the few rectangles of
  // the axes that changed.
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (QSizeF(size()) * ratio).toSize();
  if (frame_.size() != pixels) {
    frame_ = QImage(pixels, QImage::Format_RGB32);
    frame_.setDevicePixelRatio(ratio);
    stale_ = QRegion(rect());
  }
  if (!stale_.isEmpty()) {
    QPainter painter(&frame_);
    // The list covers the figure as it was when drawn, background included; during a resize the
    // rest shows the figure's colour until the next list is ready.
    const Rgb bg = list.background;
    const QRegion beyond = QRegion(rect()).subtracted(
        QRect(0, 0, static_cast<int>(std::floor(list.width)), static_cast<int>(std::floor(list.height))));
    for (const QRect& r : beyond.intersected(stale_))
      painter.fillRect(r, QColor::fromRgbF(static_cast<float>(bg.r), static_cast<float>(bg.g), static_cast<float>(bg.b)));
    for (const QRect& r : stale_) {
      painter.save();
      painter.setClipRect(r);
      const QRegion only(r);
      guarded("painting", [&] { paintDisplayList(painter, list, &only, &texts_); });
      painter.restore();
    }
    stale_ = QRegion();
  }
  guarded("drawing", [&] {
    if (ishandle(fig_) && drawingPending(fig_) && !aside_.isActive()) aside_.start();
  });
  QPainter screen(this);
  // In bands of a few rows: the painter shares out the copy of a large area among threads, which
  // costs more to start and wait for than copying the few hundred kilobytes takes. (Not at a
  // fractional pixel ratio, where the edges of bands would fall between pixels.)
  const bool banded = ratio == std::floor(ratio);
  for (const QRect& r : e->region()) {
    const int rows = banded ? std::max(1, kBlitPixels / std::max(1, r.width())) : r.height();
    for (int y = r.top(); y <= r.bottom(); y += rows) {
      const QRect band(r.left(), y, r.width(), std::min(rows, r.bottom() + 1 - y));
      screen.drawImage(band, frame_, QRectF(QPointF(band.topLeft()) * ratio, QSizeF(band.size()) * ratio));
    }
  }
}

void Canvas::resizeEvent(QResizeEvent*) { invalidate(); }

void Canvas::mousePressEvent(QMouseEvent* e) {
  pressed_ = true;
  setFocus(Qt::MouseFocusReason);
  const QPointF p = e->position();
  modelList();
  listAtPress_ = renders();
  guarded("mouse press", [&] {
    if (ishandle(fig_)) press(fig_, p.x(), p.y(), buttonOf(e->button()), modifiersOf(e->modifiers()));
  });
  updateCursor(p);
}

// The second press of a double click. When the first one changed the drawing (a waiting polygon
// became a node and the diagram was laid out anew), the second would act on whatever the new
// drawing put under the pointer, which the user never saw: it is ignored, with its release. Any
// other double click is two clicks.
void Canvas::mouseDoubleClickEvent(QMouseEvent* e) {
  modelList();
  if (renders() != listAtPress_) {
    pressed_ = false;
    return;
  }
  mousePressEvent(e);
}

void Canvas::mouseMoveEvent(QMouseEvent* e) {
  const QPointF p = e->position();
  if (!pressed_) {
    guarded("pointer motion", [&] {
      if (ishandle(fig_)) motion(fig_, p.x(), p.y(), modifiersOf(e->modifiers()));
    });
    updateCursor(p);
    return;
  }
  guarded("mouse drag", [&] {
    if (ishandle(fig_)) drag(fig_, p.x(), p.y(), modifiersOf(e->modifiers()));
  });
}

void Canvas::mouseReleaseEvent(QMouseEvent* e) {
  if (!pressed_) return;
  pressed_ = false;
  const QPointF p = e->position();
  guarded("mouse release", [&] {
    if (ishandle(fig_)) release(fig_, p.x(), p.y(), modifiersOf(e->modifiers()));
  });
  updateCursor(p);
}

void Canvas::wheelEvent(QWheelEvent* e) {
  // One notch is 120 eighths of a degree; turning it away from the user scrolls up (negative).
  const double steps = -e->angleDelta().y() / 120.0;
  const QPointF p = e->position();
  if (steps == 0) return;
  guarded("mouse wheel", [&] {
    if (ishandle(fig_)) graphics::scroll(fig_, p.x(), p.y(), steps, modifiersOf(e->modifiers()));
  });
  e->accept();
}

bool Canvas::event(QEvent* e) {
  // A pinch zooms as the wheel does: from a touchpad as the window system's own gesture, from a
  // touch screen as the two fingers Qt follows. Each step magnifies by what it adds.
  if (e->type() == QEvent::NativeGesture) {
    const auto* g = static_cast<QNativeGestureEvent*>(e);
    if (g->gestureType() != Qt::ZoomNativeGesture) return QWidget::event(e);
    const QPointF p = g->position();
    guarded("pinch", [&] {
      if (ishandle(fig_)) pinch(fig_, p.x(), p.y(), 1 + g->value(), modifiersOf(g->modifiers()));
    });
    e->accept();
    return true;
  }
  if (e->type() == QEvent::Gesture) {
    auto* g = static_cast<QGestureEvent*>(e);
    auto* two = static_cast<QPinchGesture*>(g->gesture(Qt::PinchGesture));
    if (!two) return QWidget::event(e);
    if (two->changeFlags().testFlag(QPinchGesture::ScaleFactorChanged)) {
      const QPointF p = mapFromGlobal(two->centerPoint());
      guarded("pinch", [&] {
        if (ishandle(fig_)) pinch(fig_, p.x(), p.y(), two->scaleFactor(), modifiersOf(QGuiApplication::keyboardModifiers()));
      });
    }
    g->accept(two);
    return true;
  }
  if (e->type() != QEvent::ToolTip) return QWidget::event(e);
  const auto* help = static_cast<QHelpEvent*>(e);
  QString tip;
  guarded("tooltip", [&] {
    if (!ishandle(fig_)) return;
    // The topmost object under the pointer that has something to say.
    for (const Handle h : drawnAt(fig_, help->pos().x(), help->pos().y())) {
      if (typeOf(h) == "axes" || typeOf(h) == "light") continue;
      const Value t = get(h, "TooltipString");
      if (t.isText() && !t.text().empty()) {
        tip = QString::fromStdString(t.text());
        return;
      }
    }
  });
  if (tip.isEmpty()) {
    QToolTip::hideText();
    e->ignore();
  } else {
    QToolTip::showText(help->globalPos(), tip, this);
  }
  return true;
}

void Canvas::updateCursor(QPointF at) {
  Qt::CursorShape shape = Qt::ArrowCursor;
  guarded("cursor", [&] {
    if (!ishandle(fig_)) return;
    // A closed hand while the mouse turns a view.
    if (pressed_ && rotationDragActive(fig_)) {
      shape = Qt::ClosedHandCursor;
      return;
    }
    // A hand over what a click acts on (the waiting-list items); a cross over an axes that
    // takes clicks itself (the partition view places the scanner). The hit test reads the
    // figure's kept list, as a press does.
    const Handle hit = hitTest(fig_, at.x(), at.y());
    if (hit == fig_ || get(hit, "ButtonDownFcn").isEmpty()) return;
    shape = typeOf(hit) == "axes" ? Qt::CrossCursor : Qt::PointingHandCursor;
  });
  if (cursor().shape() != shape) setCursor(shape);
}

}  // namespace kolvar::graphics
