#pragma once
// One figure as one top-level window: the menu bar from its uimenus above a client area exactly
// as large as the figure's "Position", in which the canvas paints the axes and the controls sit
// as widgets. The window follows the model (title, place, size, visibility, colour, controls,
// menus) and the user's moves and resizes go back into the figure's "Position".
#include <QTimer>
#include <QWidget>
#include <map>

#include "graphics/graphics.hpp"

class QMenuBar;

namespace kolvar::graphics {

class Canvas;

class FigureWindow : public QWidget {
 public:
  explicit FigureWindow(Handle fig);

  Handle figure() const { return fig_; }
  // The figure's client area: the canvas and the controls (what snapshots and printing show).
  QWidget& client() { return *client_; }
  Canvas& canvas() { return *canvas_; }
  QMenuBar& menuBar() { return *menuBar_; }
  // The widget of a control, or null.
  QWidget* controlWidget(Handle control) const;

  // Notifications from the model, for the figure itself or any object in it.
  void modelCreated(Handle h);
  void modelChanged(Handle h, std::string_view property);
  void modelDeleting(Handle h);

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Files dragged onto the window are offered to the figure's "FileDropFcn".
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void applyTitle();
  void applyColor();
  void applyGeometry();
  void applyVisible();
  void applyTimer();
  void userMovedOrResized();
  // Bring controls and menus in line with the model: widgets for new controls, none for deleted
  // ones; the menu bar rebuilt when a menu changed. Coalesced like repaints.
  void scheduleSync(bool menus);
  void sync();
  void placeControls();
  int menuBarHeight() const;

  Handle fig_;
  QMenuBar* menuBar_ = nullptr;  // owned by this window (Qt parent)
  QWidget* client_ = nullptr;    // owned by this window
  Canvas* canvas_ = nullptr;     // owned by client_
  std::map<Handle, QWidget*> controls_;  // owned by client_
  bool applying_ = false;  // the window is being changed to match the model
  bool menusStale_ = true;
  QTimer syncTimer_;
  QTimer clock_;  // ticks the figure's "TimerFcn" every "TimerPeriod" seconds
};

}  // namespace kolvar::graphics
