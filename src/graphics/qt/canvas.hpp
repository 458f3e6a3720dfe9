#pragma once
// The figure's drawing surface: paints the display list the model keeps of the figure (axes and
// everything drawn into them) and feeds mouse presses, drags and releases into the model's event
// API. Controls are widgets stacked above it.
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"
#include "graphics/qt/paint.hpp"

namespace kolvar::graphics {

class Canvas : public QWidget {
 public:
  Canvas(Handle fig, QWidget* parent);

  // Something drawn changed. Many changes in one callback make one repaint: the model's list is
  // made again once, on the next turn of the event loop.
  void invalidate();
  // The figure's display list as the model keeps it, made again first when the model changed
  // since; the screen follows when it is newer than what was painted.
  const DisplayList& displayList();
  // The same with every view drawn whole (after waiting for depth orders built aside), for
  // printing.
  const DisplayList& wholeList();
  // How many times the model made the figure's list (for tests and the benchmarks). Presses and
  // the cursor use the same list, so the count includes lists they asked for first.
  long renders() const;
  // Which list the screen shows (equal to renders() once the window is up to date).
  long painted() const { return painted_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;  // tooltips and pinches

 private:
  // The model's list, or an empty one when the figure is gone or cannot be drawn.
  const DisplayList& modelList();
  // Repaint the whole canvas when the model's list is newer than the last one repainted for.
  void followModel();
  // The part of the canvas a new list may change (everything after a resize): with
  // `newestOnly`, what the newest list changed (the axes it drew anew), else every axes.
  QRegion changedRegion(bool newestOnly);
  void updateCursor(QPointF at);

  Handle fig_;
  DisplayList nothing_;
  TextLayouts texts_;  // the captions and labels laid out, for the next paint
  bool pressed_ = false;
  bool space_ = false;  // the space bar is held
  Modifiers modifiersOf(Qt::KeyboardModifiers m) const;
  long listAtPress_ = -1;  // the list the user saw at the last press
  long painted_ = -1;
  QSize painted_size_;  // the canvas's size when last painted
  long requested_ = -1;
  QTimer coalesce_;
  QTimer aside_;  // asks now and then whether depth orders built aside are ready
  QImage frame_;    // the figure as last painted, which the window shows
  QRegion stale_;   // where `frame_` no longer shows the model's list
};

}  // namespace kolvar::graphics
