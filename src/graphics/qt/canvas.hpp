#pragma once
// The figure's drawing surface: paints the figure's display list (axes and everything drawn into
// them) and feeds mouse presses, drags and releases into the model's event API. Controls are
// widgets stacked above it.
#include <QTimer>
#include <QWidget>

#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"

namespace kolvar::graphics {

class Canvas : public QWidget {
 public:
  Canvas(Handle fig, QWidget* parent);

  // Something drawn changed. Many changes in one callback make one repaint: the display list is
  // rebuilt once, on the next turn of the event loop.
  void invalidate();
  // The display list as painted, rebuilt first when the model changed since.
  const DisplayList& displayList();
  // How many times the display list was rebuilt (for tests and the benchmarks).
  long renders() const { return renders_; }
  // Which rebuild the screen shows (equal to renders() once the window is up to date).
  long painted() const { return painted_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void updateCursor(QPointF at);

  Handle fig_;
  DisplayList list_;
  bool stale_ = true;
  bool pressed_ = false;
  long renders_ = 0;
  long painted_ = -1;
  QTimer coalesce_;
};

}  // namespace kolvar::graphics
