// The window's own faults that threw a student's work away or acted on what was not on screen.
#include <QComboBox>
#include <QWheelEvent>

#include "app_qt_support.hpp"

using namespace kolvar;
using namespace kolvar::testing;
using graphics::testing::click;
using graphics::testing::mouse;
using graphics::testing::settle;

namespace {

// The gap between the first two items of the tree view's first waiting list, and the height of
// the first: equal when the column is laid out for the window's size.
std::pair<double, double> stackingOfFirstList(graphics::Handle treeAxes) {
  std::vector<graphics::Handle> items;
  for (graphics::Handle h : graphics::findobj(treeAxes, {{"Type", "text"}}))
    if (!graphics::get(h, "ButtonDownFcn").isEmpty()) items.push_back(h);
  if (items.size() < 2) return {0, -1};
  const Matrix a = graphics::get(items[0], "Position").matrix(), b = graphics::get(items[1], "Position").matrix();
  return {a[1] - b[1], graphics::get(items[0], "Extent").matrix()[3]};
}

}  // namespace

TEST_F(KolvarWindow, ResizingTheWindowLaysTheWaitingListsOutAgain) {
  window().show();
  settle();
  window().resize(window().width() / 2 + 100, window().height() / 2 + 100);
  settle();
  const auto [gap, height] = stackingOfFirstList(tag("axes3"));
  EXPECT_NEAR(gap, height, 1e-9);
}

TEST_F(KolvarWindow, ADoubleClickOnAWaitingItemChoosesOnlyWhatWasUnderThePointer) {
  run("scene 1\n");
  const auto item = itemShowing("2");
  ASSERT_TRUE(item);
  click(canvas(), *item);
  // The second press of the double click lands where the new diagram may show another item.
  QMouseEvent again(QEvent::MouseButtonDblClick, *item, canvas().mapToGlobal(*item), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&canvas(), &again);
  mouse(canvas(), QEvent::MouseButtonRelease, *item, Qt::NoButton);
  settle();
  const auto st = state();
  EXPECT_EQ(st["tree"]["poly"]["label"], "2");
  // Nothing below the new root was chosen: both its lists still wait.
  EXPECT_TRUE(st["tree"]["left"].is_null() && st["tree"]["right"].is_null());
}

TEST_F(KolvarWindow, TheWheelOverTheScenePopupChangesNothingUnlessThePopupHasTheKeyboard) {
  window().show();
  run("scene 3\nclick 2\n");
  const std::string grown = app::stateJson(fig);
  auto& popup = widget<QComboBox>("select_poly");
  // A click in the views takes the keyboard from the popup.
  popup.setFocus();
  click(canvas(), centreOf(tag("axes1")));
  settle();
  EXPECT_NE(window().focusWidget(), &popup);
  QWheelEvent wheel(QPointF(5, 5), popup.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&popup, &wheel);
  settle();
  EXPECT_EQ(popup.currentIndex(), 2);
  EXPECT_EQ(app::stateJson(fig), grown);
}
