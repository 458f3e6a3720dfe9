#pragma once
// The backend used without a window system: fixed font metrics, so that every extent is the same
// on every machine, and dialogs answered from a script that tests fill. It also records what the
// model told it, so that tests can see the notifications.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "graphics/graphics.hpp"
#include "graphics/guidance.hpp"

namespace kolvar::graphics {

// Text of n characters at s points: 0.6 x s x n pixels wide, 1.3 x s pixels high (ascent 1 x s).
// Multi-line texts (lines separated by '\n') are as wide as their widest line.
class FixedFontMetrics : public FontMetrics {
 public:
  TextSize measure(std::string_view text, double fontSizePoints, std::string_view fontName) const override;
};

// Answers come from the front of the queues; an empty queue dismisses a question ("") and
// cancels a file choice. The dialogs asked are logged, the latest kKeptAsked of them: a long
// script (every cancelled read and every long build asks for a progress bar) must not keep them
// all.
class ScriptedDialogs : public Dialogs {
 public:
  std::deque<std::string> answers;
  std::deque<std::optional<FileChoice>> files;
  std::deque<std::string> saves;  // the answers of saveFile; none: cancelled
  std::deque<std::vector<std::string>> forms;  // the answers of form; none: cancelled
  struct Asked {
    std::string kind;  // "question", "getFile", "saveFile", "form", "print", "error", "progress"
    std::string text;  // question or filter
    std::string title;
    std::vector<std::string> buttons;
    std::string defaultButton;
    Handle figure = 0;
  };
  static constexpr std::size_t kKeptAsked = 4096;
  std::vector<Asked> asked;

  std::string question(const std::string& question, const std::string& title,
                       const std::vector<std::string>& buttons, const std::string& defaultButton) override;
  std::optional<FileChoice> getFile(const std::string& filter, const std::string& title) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& suggested) override;
  std::optional<std::vector<std::string>> form(const std::string& title, const std::vector<FormField>& fields) override;
  void print(Handle fig) override;
  void error(const std::string& message, const std::string& title) override;
  // Noted as asked ("progress"), then run as any backend runs it, Cancel pressed where cancelAt says.
  void runWithProgress(const std::string& title, const std::function<void(runtime::Progress&)>& work) override;

 private:
  void note(Asked a);
};

class HeadlessBackend : public Backend {
 public:
  struct Notice {
    std::string what;  // "created", "changed", "deleting", "flush"
    Handle handle = 0;
    std::string property;
  };
  // The latest notices, at most kKeptNotices of them: a long session without a screen (a script
  // of a million lines) must not keep every notice it ever got.
  static constexpr std::size_t kKeptNotices = 4096;
  std::vector<Notice> notices;
  ScriptedDialogs script;
  RecordedGuidance help;
  double width = 1920;
  double height = 1080;

  void created(Handle h) override { note({"created", h, {}}); }
  void changed(Handle h, std::string_view property) override { note({"changed", h, std::string(property)}); }
  void deleting(Handle h) override { note({"deleting", h, {}}); }
  void flush() override { note({"flush", 0, {}}); }
  const FontMetrics& fontMetrics() const override { return metrics_; }
  Dialogs& dialogs() override { return script; }
  Guidance& guidance() override { return help; }
  double screenWidth() const override { return width; }
  double screenHeight() const override { return height; }

 private:
  void note(Notice n) {
    if (notices.size() >= kKeptNotices) notices.erase(notices.begin(), notices.begin() + kKeptNotices / 2);
    notices.push_back(std::move(n));
  }
  FixedFontMetrics metrics_;
};

}  // namespace kolvar::graphics
