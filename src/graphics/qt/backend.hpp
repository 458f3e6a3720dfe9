#pragma once
// The Qt backend of the graphics model: one window per figure, controls as widgets, menus, the
// canvas painted from the display list, Qt's font metrics and dialogs. The model tells it what
// changed; it never changes the model except through the event API (and a figure's "Position"
// when the user moves or resizes its window).
#include <functional>
#include <map>
#include <memory>

#include "graphics/graphics.hpp"

class QObject;
class QWidget;

namespace kolvar::graphics {

class FigureWindow;
class QtGuidance;

class QtBackend : public Backend {
 public:
  // Needs a QApplication. `dialogs` answers the dialogs (null: the real ones on screen).
  explicit QtBackend(std::shared_ptr<Dialogs> dialogs = nullptr);
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  void created(Handle h) override;
  void changed(Handle h, std::string_view property) override;
  void deleting(Handle h) override;
  void flush() override;
  void settle() override;
  const FontMetrics& fontMetrics() const override;
  Dialogs& dialogs() override { return *dialogs_; }
  Guidance& guidance() override;
  QtGuidance& help() { return *guidance_; }
  void exportPicture(Handle fig, const Rect& area, bool window, const std::string& path, double scale) override;
  double screenWidth() const override;
  double screenHeight() const override;

  // The window of a figure, or null.
  FigureWindow* window(Handle fig) const;
  // The figure's axes and controls, or null (what printing and snapshots paint).
  QWidget* client(Handle fig) const;
  // Runs (once, on the next turn of the event loop) when the last visible window has gone.
  void onNoWindowLeft(std::function<void()> f) { noWindowLeft_ = std::move(f); }
  bool anyWindowShown() const;

 private:
  struct DeleteLater {
    void operator()(FigureWindow* w) const;
  };
  FigureWindow* windowOf(Handle h) const;  // the window of the figure `h` lies in
  void checkWindowsLeft();

  std::unique_ptr<QObject> context_;  // pending checks die with the backend
  std::shared_ptr<Dialogs> dialogs_;
  std::unique_ptr<QtGuidance> guidance_;
  std::unique_ptr<FontMetrics> metrics_;
  std::map<Handle, std::unique_ptr<FigureWindow, DeleteLater>> windows_;
  std::function<void()> noWindowLeft_;
  bool checkPending_ = false;
};

}  // namespace kolvar::graphics
