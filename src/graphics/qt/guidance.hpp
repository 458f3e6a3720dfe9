#pragma once
// Help on screen: each page in a window of its own beside the figure (never modal), the tour's
// pointer as a bubble with an arrow laid over the figure's client area next to its target, and
// settings kept with QSettings (on Linux in $XDG_CONFIG_HOME/kolvar/kolvar.conf).
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "graphics/guidance.hpp"

class QTextBrowser;

namespace kolvar::graphics {

class QtGuidance : public Guidance {
 public:
  // `clientOf` gives the client area of a figure (where its pointer goes), or null.
  explicit QtGuidance(std::function<QWidget*(Handle)> clientOf);
  ~QtGuidance() override;
  QtGuidance(const QtGuidance&) = delete;
  QtGuidance& operator=(const QtGuidance&) = delete;

  void showPage(const HelpPage& page) override;
  void closePages() override;
  std::vector<std::string> openPages() const override;
  void writePageImage(const std::string& id, const std::string& path) override;
  void pointAt(Handle fig, const Pointer& pointer, PointerAnswer answer) override;
  void clearPointer(Handle fig) override;
  std::optional<std::string> setting(const std::string& key) const override;
  void setSetting(const std::string& key, const std::string& value) override;
  void keepSettingsInMemory() override { inMemory_ = true; }

  // The window of an open page, or null; the bubble over a figure, or null (for tests).
  QTextBrowser* pageWindow(const std::string& id) const;
  QWidget* bubble(Handle fig) const;

 private:
  std::function<QWidget*(Handle)> clientOf_;
  // Page windows are top-level and have no Qt parent: they are owned here, closed ones hidden.
  std::vector<std::pair<std::string, std::unique_ptr<QTextBrowser>>> pages_;
  std::map<Handle, QPointer<QWidget>> bubbles_;  // children of the figure's client area
  bool inMemory_ = false;
  std::map<std::string, std::string> setInMemory_;  // what was set since keepSettingsInMemory
};

}  // namespace kolvar::graphics
