// The dialogs on screen keep the promise handlers rely on: a dismissed question answers "", never
// one of the buttons; a cancelled file choice gives nothing, a chosen one its name and folder.
#include <QDialog>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "backend_support.hpp"
#include "graphics/qt/dialogs.hpp"

using namespace kolvar::graphics;
using namespace kolvar::graphics::testing;

namespace {

// Run `act` on the modal dialog once it is up.
void whenShown(std::function<void(QWidget&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal) act(*modal);
  });
}

QPushButton* button(QWidget& dialog, const char* text) {
  for (auto* b : dialog.findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

}  // namespace

TEST(QtDialogsTest, QuestionAnswersThePressedButtonOrNothingWhenDismissed) {
  qtApp();
  QtDialogs dialogs(nullptr);
  bool defaultIsYes = false;
  whenShown([&](QWidget& d) {
    QPushButton* yes = button(d, "Yes");
    defaultIsYes = yes && yes->isDefault();
    if (yes) click(*yes, yes->rect().center());
  });
  EXPECT_EQ(dialogs.question("Close kolvar?", "Close kolvar...", {"Yes", "No"}, "Yes"), "Yes");
  EXPECT_TRUE(defaultIsYes);

  whenShown([](QWidget& d) { key(d, Qt::Key_Escape); });
  EXPECT_EQ(dialogs.question("Close kolvar?", "Close kolvar...", {"Yes", "No"}, "Yes"), "");
  whenShown([](QWidget& d) { d.close(); });
  EXPECT_EQ(dialogs.question("Close kolvar?", "Close kolvar...", {"Yes", "No"}, "Yes"), "");
  whenShown([](QWidget& d) {
    if (QPushButton* no = button(d, "No")) click(*no, no->rect().center());
  });
  EXPECT_EQ(dialogs.question("Close kolvar?", "Close kolvar...", {"Yes", "No"}, "Yes"), "No");
}

TEST(QtDialogsTest, LongWorkShowsABarWhoseCancelStopsItAndTheWorksErrorsReachTheCaller) {
  qtApp();
  QtDialogs dialogs(nullptr);
  // Long work reports until it is asked to stop; the bar's Cancel, pressed once the bar is up
  // (the timer runs in the window's events, which are served while the work goes on), asks.
  std::atomic<int> reports{0};
  QString label;
  QTimer::singleShot(300, [&] {
    auto* bar = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (!bar) return;
    label = bar->labelText();
    if (QPushButton* cancel = button(*bar, "Cancel")) click(*cancel, cancel->rect().center());
  });
  EXPECT_THROW(dialogs.runWithProgress("Building the tree...",
                                       [&](kolvar::runtime::Progress& p) {
                                         for (int i = 0; i < 1000; ++i) {
                                           p.report(i, 1000);
                                           ++reports;
                                           std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                         }
                                       }),
               kolvar::runtime::Cancelled);
  EXPECT_EQ(label, "Building the tree...");
  EXPECT_LT(reports.load(), 1000);

  // Short work shows nothing and returns what it made; a failure reaches the caller as it was.
  int made = 0;
  dialogs.runWithProgress("Reading...", [&](kolvar::runtime::Progress&) { made = 7; });
  EXPECT_EQ(made, 7);
  EXPECT_THROW(dialogs.runWithProgress("Reading...", [](kolvar::runtime::Progress&) { throw std::runtime_error("bad file"); }),
               std::runtime_error);
  // Cancel asked for beforehand (a script's "cancel") stops the work at its first report.
  dialogs.cancelAt.push_back(0.0);
  EXPECT_THROW(dialogs.runWithProgress("Reading...", [](kolvar::runtime::Progress& p) { p.report(1, 10); }),
               kolvar::runtime::Cancelled);
  EXPECT_TRUE(dialogs.cancelAt.empty());
}
