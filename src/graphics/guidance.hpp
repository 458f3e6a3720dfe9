#pragma once
// Help beside the windows: pages that open in windows of their own and never block the figure,
// a pointer (a bubble with an arrow) that a guided tour lays over one object of a figure, and the
// settings a program keeps from one run to the next. The backend provides them; the headless one keeps in memory
// what it was asked to show, so that programs are tested without a screen.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "graphics/graphics.hpp"

namespace kolvar::graphics {

// A page of help: rich text (the HTML subset a text browser shows) and the images its <img>
// elements name, as the bytes of image files.
struct HelpPage {
  std::string id;     // short name, one window per id
  std::string title;  // the window's title
  std::string html;
  std::vector<std::pair<std::string, std::string>> images;  // name in the page, file bytes
};

// What a pointer says and where it points: `target` is an axes or a control of the figure.
struct Pointer {
  Handle target = 0;
  std::string title;
  std::string text;
  int step = 1;  // counted from 1
  int steps = 1;
  bool last = false;  // the last step: its button finishes instead of skipping on
};
// The pointer's buttons: "next", "leave" or "never" (leave and do not offer it again).
using PointerAnswer = std::function<void(const std::string& answer)>;

class Guidance {
 public:
  virtual ~Guidance() = default;
  // Show `page` in its window (made, or brought to the front with the new content) and return
  // at once.
  virtual void showPage(const HelpPage& page) = 0;
  virtual void closePages() = 0;
  // The ids of the pages on screen now, in the order they were first opened.
  virtual std::vector<std::string> openPages() const = 0;
  // Paint the window of an open page into a PNG file.
  virtual void writePageImage(const std::string& id, const std::string& path) = 0;

  // Lay `pointer` over figure `fig`, replacing any pointer there; `answer` receives its buttons.
  virtual void pointAt(Handle fig, const Pointer& pointer, PointerAnswer answer) = 0;
  virtual void clearPointer(Handle fig) = 0;

  // The program's remembered settings: a value, or nothing when never set.
  virtual std::optional<std::string> setting(const std::string& key) const = 0;
  virtual void setSetting(const std::string& key, const std::string& value) = 0;
  // From now on, settings set are kept for this run only (and read back in it), never written
  // where the next run would find them: a script or a snapshot leaves the student's as they are.
  virtual void keepSettingsInMemory() {}
};

// Keeps everything in memory: pages count as open until closed, the pointer of each figure and
// its answer are kept for tests to read and press, settings live as long as the object (always
// in memory, then).
class RecordedGuidance : public Guidance {
 public:
  void showPage(const HelpPage& page) override;
  void closePages() override { pages.clear(); }
  std::vector<std::string> openPages() const override;
  void writePageImage(const std::string& id, const std::string& path) override;
  void pointAt(Handle fig, const Pointer& pointer, PointerAnswer answer) override;
  void clearPointer(Handle fig) override { pointers.erase(fig); }
  std::optional<std::string> setting(const std::string& key) const override;
  void setSetting(const std::string& key, const std::string& value) override { settings[key] = value; }

  std::vector<HelpPage> pages;
  std::map<Handle, std::pair<Pointer, PointerAnswer>> pointers;
  std::map<std::string, std::string> settings;
};

}  // namespace kolvar::graphics
