// The dialogs on screen keep the promise handlers rely on: a dismissed question answers "", never
// one of the buttons; a cancelled file choice gives nothing, a chosen one its name and folder.
#include <QDialog>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

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
