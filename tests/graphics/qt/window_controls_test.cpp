// Controls and menus as real widgets: model changes reach the widgets, user actions on the widgets
// reach the model through the event API and run the callbacks. (The program's own popup, check
// boxes and canvas are tested with its window.)
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

#include "backend_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using namespace kolvar::graphics::testing;

namespace {

class Controls : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addFunction("fail", -1, 0, [this](const runtime::Args&, int) -> runtime::Outputs {
      ++failures;
      throw Error("the handler broke");
    });
    fig = figure({{"Position", Value::row({100, 100, 400, 300})}});
  }
  template <class W>
  W& widget(Handle control) {
    auto* w = qobject_cast<W*>(window(fig).controlWidget(control));
    if (!w) throw std::runtime_error("no widget of that kind");
    return *w;
  }
  Handle control(const char* style, PropertyList more) {
    PropertyList props{{"Style", Value(style)}, {"Callback", Value("note(gcbo)")}};
    props.insert(props.end(), more.begin(), more.end());
    return create("uicontrol", fig, props);
  }

  Handle fig = 0;
  int failures = 0;
};

Value texts(std::vector<std::string> xs) {
  std::vector<Value> items(xs.begin(), xs.end());
  return Value::cellColumn(items);
}

}  // namespace

TEST_F(Controls, ListTextAndButtonShowTheirPropertiesAndAFailingCallbackLeavesTheWindowWorking) {
  const Handle list = control("listbox", {{"String", texts({"p1", "p2", "p3"})}, {"Value", Value(Matrix())},
                                          {"Position", Value::row({200, 10, 100, 80})}});
  auto& lw = widget<QListWidget>(list);
  EXPECT_EQ(lw.count(), 3);
  EXPECT_TRUE(lw.selectedItems().isEmpty());
  set(list, "String", Value(""));
  EXPECT_EQ(lw.count(), 0);

  const Handle label = create("uicontrol", fig, {{"Style", Value("text")}, {"String", Value("4.0")},
                                                 {"BackgroundColor", Value::row({1, 0, 0})},
                                                 {"TooltipString", Value("scanner x")}});
  auto& text = widget<QLabel>(label);
  EXPECT_EQ(text.text().toStdString(), "4.0");
  EXPECT_EQ(text.toolTip().toStdString(), "scanner x");
  EXPECT_EQ(text.palette().color(QPalette::Window), QColor(Qt::red));
  set(label, "Visible", Value("off"));
  EXPECT_TRUE(text.isHidden());

  const Handle button = control("pushbutton", {{"String", Value("Reset")}, {"Callback", Value("fail()")},
                                               {"Position", Value::row({10, 70, 80, 26})}});
  auto& pb = widget<QPushButton>(button);
  window(fig).show();
  ::testing::internal::CaptureStderr();
  click(pb, pb.rect().center());
  click(pb, pb.rect().center());
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(failures, 2) << "the button still works after its callback failed";
  EXPECT_NE(err.find("the handler broke"), std::string::npos) << err;
  EXPECT_TRUE(ishandle(fig));
  deleteObject(button);
  EXPECT_EQ(window(fig).controlWidget(button), nullptr);
}

// A list's rows keep their laid-out text between paints: a long row still wraps to the list's
// width (and is measured taller), its text shows on every line, and the chosen row is painted in
// the selection's colours, as after any change of rows.
TEST_F(Controls, ListRowsWrapAndShowTheirTextAndTheChosenRow) {
  const std::string longRow = "3 chosen as splitter: 1 and 2 in front, 4 behind, and 5 is split";
  const Handle list = control("listbox", {{"String", texts({"short", longRow, "last"})}, {"Value", Value(3)},
                                          {"Position", Value::row({10, 10, 150, 200})}});
  auto& lw = widget<QListWidget>(list);
  window(fig).show();
  settle();
  const QRect shortRow = lw.visualItemRect(lw.item(0));
  const QRect wrapped = lw.visualItemRect(lw.item(1));
  const QRect chosen = lw.visualItemRect(lw.item(2));
  EXPECT_GE(wrapped.height(), 2 * shortRow.height() - 4) << "the long row wraps";
  const QImage shown = lw.viewport()->grab().toImage();
  auto inkIn = [&](const QRect& r) {
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) ink += qGray(shown.pixel(x, y)) < 100;
    return ink;
  };
  EXPECT_GT(inkIn(wrapped.adjusted(0, 0, 0, -wrapped.height() / 2)), 20) << "text on its first line";
  EXPECT_GT(inkIn(wrapped.adjusted(0, wrapped.height() / 2, 0, 0)), 20) << "and on its last";
  const QColor highlight = lw.palette().color(QPalette::Active, QPalette::Highlight);
  const QColor inactive = lw.palette().color(QPalette::Inactive, QPalette::Highlight);
  const QColor at = shown.pixelColor(chosen.right() - 3, chosen.center().y());
  EXPECT_TRUE(at == highlight || at == inactive) << at.name().toStdString();
  set(list, "String", texts({"short", "other", "last"}));
  settle();
  EXPECT_LT(lw.visualItemRect(lw.item(1)).height(), wrapped.height()) << "a new text is measured anew";

  // A list the user scrolled goes back to its top row when told that row again, though the
  // model's value does not change.
  std::vector<std::string> many(60, "row");
  set(list, "String", texts(many));
  settle();
  lw.verticalScrollBar()->setValue(lw.verticalScrollBar()->maximum());
  ASSERT_GT(lw.verticalScrollBar()->value(), 0);
  set(list, "ListboxTop", Value(1));
  settle();
  EXPECT_EQ(lw.verticalScrollBar()->value(), 0);

  // Thousands of rows of which most change at once (made again in one go), with the chosen row.
  std::vector<std::string> rows;
  for (int i = 0; i < 3000; ++i) rows.push_back("row " + std::to_string(i));
  set(list, "String", texts(rows));
  settle();
  std::reverse(rows.begin(), rows.end());
  set(list, "String", texts(rows));
  set(list, "Value", Value(2));
  settle();
  ASSERT_EQ(lw.count(), 3000);
  EXPECT_EQ(lw.item(0)->text(), "row 2999");
  EXPECT_EQ(lw.item(2999)->text(), "row 0");
  EXPECT_TRUE(lw.item(1)->isSelected());
  EXPECT_EQ(lw.selectedItems().size(), 1);

  // A row chosen out of sight is scrolled into view.
  set(list, "Value", Value(2990));
  settle();
  EXPECT_TRUE(lw.viewport()->rect().contains(lw.visualItemRect(lw.item(2989))));
}

TEST_F(Controls, TypedTextReachesTheModelBeforeTheEditCallbackRuns) {
  addFunction("seeText", -1, 0, [this](const runtime::Args&, int) {
    notes.push_back(get(*gcbo(), "String"));
    return runtime::Outputs{};
  });
  const Handle edit = control("edit", {{"String", Value("4")}, {"Callback", Value("seeText()")}});
  auto& line = widget<QLineEdit>(edit);
  EXPECT_EQ(line.text().toStdString(), "4");
  window(fig).show();
  line.setFocus();
  key(line, Qt::Key_End);
  key(line, Qt::Key_2);
  key(line, Qt::Key_Return);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].text(), "42");
  key(line, Qt::Key_Return);
  EXPECT_EQ(notes.size(), 1u) << "no callback without a change";
  set(edit, "String", Value("7"));
  EXPECT_EQ(line.text().toStdString(), "7");
}
