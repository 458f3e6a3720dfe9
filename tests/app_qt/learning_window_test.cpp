// The learning controls on the Qt backend: the Edit menu's keys, the title bar's close button
// once the tree has grown, and the comparison's dialog.
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QShortcut>
#include <QMenuBar>

#include "app_qt_support.hpp"

using namespace kolvar;
using kolvar::testing::KolvarWindow;
using graphics::testing::settle;

namespace {

// Clicks that build scene 1's tree of the fewest pieces (5, no split) by hand.
const std::string kOptimalByHand = "click 1\nclick 5\nclick 3\n";

QAction* entry(graphics::FigureWindow& w, const char* menu, const char* word) {
  for (QAction* top : w.menuBar().actions())
    if (QMenu* m = top->menu(); m && top->text() == menu)
      for (QAction* a : m->actions())
        if (a->text() == word) return a;
  return nullptr;
}

}  // namespace

TEST_F(KolvarWindow, TheEditMenuUndoesAndRedoesWithItsKeys) {
  QAction* undo = entry(window(), "Edit", "Undo");
  QAction* redo = entry(window(), "Edit", "Redo");
  ASSERT_TRUE(undo && redo);
  EXPECT_EQ(undo->shortcut(), QKeySequence("Ctrl+Z"));
  EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
  run("scene 3\nclick 2\n");
  undo->trigger();
  settle();
  EXPECT_EQ(state()["stats"]["nodes"], 0);
  redo->trigger();
  settle();
  EXPECT_EQ(state()["stats"]["nodes"], 2);
}

TEST_F(KolvarWindow, TheTitleBarsCloseAsksOnceTheTreeHasGrown) {
  run("scene 3\nclick 2\n");
  dialogs->answers = {"No"};
  QCloseEvent no;
  QApplication::sendEvent(&window(), &no);
  settle();
  ASSERT_TRUE(graphics::ishandle(fig));
  ASSERT_EQ(dialogs->asked.size(), 1u);
  EXPECT_EQ(dialogs->asked[0].text, "Close kolvar?");
  dialogs->answers = {"Yes"};
  QCloseEvent yes;
  QApplication::sendEvent(&window(), &yes);
  settle();
  EXPECT_FALSE(graphics::ishandle(fig));
}

TEST_F(KolvarWindow, CompareShowsEveryStrategyAndCongratulatesTheOptimum) {
  // A strategy's optimum is compared, but praise is for a tree of the student's own clicks.
  run("scene 1\nauto optimal all\n");
  graphics::controlAction(tag("compare"));
  settle();
  ASSERT_EQ(dialogs->asked.size(), 1u);
  const std::string& table = dialogs->asked[0].text;
  for (const char* row : {">first<", ">fewest<", ">balanced<", ">random<", ">optimal<", ">yours<"})
    EXPECT_NE(table.find(row), std::string::npos) << row;
  EXPECT_EQ(table.find("Well done"), std::string::npos);
  EXPECT_NE(table.find("with a strategy's help"), std::string::npos);
  run("reset\n" + kOptimalByHand);
  graphics::controlAction(tag("compare"));
  settle();
  ASSERT_EQ(dialogs->asked.size(), 2u);
  EXPECT_NE(dialogs->asked[1].text.find("Well done"), std::string::npos);
}

TEST_F(KolvarWindow, TheLogIsCopiedWithTheKeys) {
  run("scene 3\nclick 2\n");
  auto& log = widget<QListWidget>("log_list");
  log.selectAll();
  // The list's own Ctrl+C, as the key would trigger it once the list has the keyboard.
  auto* copy = log.findChild<QShortcut*>();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->key(), QKeySequence(QKeySequence::Copy));
  emit copy->activated();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "Scene chosen: scene 3 starts afresh.\n2 chosen as splitter: 3 in front, nothing behind; 1 straddles its "
            "plane and is split into 1a (front) and 1b (back).\n1b was alone behind 2 and became a leaf.");
}

// The steps undone stay in the log, greyed, until a redo brings them back.
TEST_F(KolvarWindow, TheLogGreysTheStepsUndone) {
  run("scene 3\nclick 2\nundo\n");
  settle();
  auto& log = widget<QListWidget>("log_list");
  ASSERT_EQ(log.count(), 3);
  const auto greyed = [&](int row) { return log.item(row)->data(Qt::ForegroundRole).isValid(); };
  EXPECT_FALSE(greyed(0));
  EXPECT_TRUE(greyed(1));
  EXPECT_TRUE(greyed(2));
  run("redo\n");
  settle();
  for (int row = 0; row < log.count(); ++row) EXPECT_FALSE(greyed(row)) << row;
}

// However long the log grows, its latest step is in sight, also after steps that add no line
// (the painter's steps).
TEST_F(KolvarWindow, TheLogShowsItsLatestStep) {
  run("scene 1\nauto fewest all\n");
  for (int i = 0; i < 12; ++i) run("scanner " + std::to_string(i % 4) + " 1 1\n");
  run("paint step\npaint step\n");
  settle();
  auto& log = widget<QListWidget>("log_list");
  ASSERT_GT(log.count(), 15);
  ASSERT_TRUE(log.item(log.count() - 1)->isSelected());
  EXPECT_TRUE(log.viewport()->rect().contains(log.visualItemRect(log.item(log.count() - 1))));
}

// Play paints on the window's own clock: the first polygon at once, the next ones as time
// passes, and the button becomes "Play" again once the last is painted.
TEST_F(KolvarWindow, PlayPaintsOnTheWindowsClockUntilTheLast) {
  run("scene 1\nauto fewest all\nscanner 2.5 -3 1\npaint speed fast\n");
  QPushButton& play = widget<QPushButton>("paint_play");
  play.click();
  settle();
  EXPECT_EQ(state()["paint"]["step"], 1);
  EXPECT_EQ(play.text(), "Pause");
  QElapsedTimer clock;
  clock.start();
  while (state()["paint"]["playing"] == true && clock.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  EXPECT_EQ(state()["paint"]["step"], 5);  // scene 1's five nodes, each painted once
  EXPECT_EQ(state()["paint"]["playing"], false);
  EXPECT_EQ(play.text(), "Play");
  EXPECT_GE(clock.elapsed(), 4 * 400 - 100);  // four ticks of the fast speed
}
