#pragma once
// The dialogs a student sees: a question with the caller's buttons, the choice of a layout file,
// and printing. Each returns what the dialog interface promises, so handlers can tell a dismissed
// dialog ("" or nothing) from an answer.
#include <functional>

#include "graphics/graphics.hpp"

class QPrinter;
class QWidget;

namespace kolvar::graphics {

class QtDialogs : public Dialogs {
 public:
  // `clientOf` gives the widget that shows a figure (its axes and controls), or null; dialogs
  // are centred on the active window and printing paints that widget.
  explicit QtDialogs(std::function<QWidget*(Handle)> clientOf);

  // The text of the pressed button; "" when the dialog is closed without one (Escape, the
  // window's close button).
  std::string question(const std::string& question, const std::string& title,
                       const std::vector<std::string>& buttons,
                       const std::string& defaultButton) override;
  // `filter` is a pattern such as "*.fig". Nothing when cancelled.
  std::optional<FileChoice> getFile(const std::string& filter, const std::string& title) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& suggested) override;
  // A form of combo boxes and text lines with OK and Cancel.
  std::optional<std::vector<std::string>> form(const std::string& title, const std::vector<FormField>& fields) override;
  // The print dialog; on "Print" the whole window, controls included, goes to the chosen printer
  // or PDF file. Raises when the figure has no window.
  void print(Handle fig) override;
  // A warning box with the message and an OK button.
  void error(const std::string& message, const std::string& title) override;
  // The work on a thread of its own; after a tenth of a second without an end, a window-wide
  // modal progress dialog whose Cancel asks the work to stop (as does cancelAt).
  void runWithProgress(const std::string& title, const std::function<void(runtime::Progress&)>& work) override;

 private:
  std::function<QWidget*(Handle)> clientOf_;
};

// Paint `client` (a figure's axes and controls) onto `printer`, as large as fits on the page
// with its proportions kept, centred. Raises when the printer cannot be painted on (a PDF file
// that cannot be written, for example).
void printWindow(QWidget& client, QPrinter& printer);

}  // namespace kolvar::graphics
