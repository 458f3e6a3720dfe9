#include <string>

#include "guiruntime/guidata.hpp"
#include "guiruntime/guihandles.hpp"
#include "support.hpp"

namespace kolvar::gui::test {
namespace {

namespace g = graphics;
const std::string kNotAFigure = "H must be the handle to a figure or figure descendent.";

class GuidataTest : public GuiTest {};

TEST_F(GuidataTest, StoresAndFetchesThroughAnyObjectOfTheWindow) {
  const Handle fig = g::figure();
  const Handle ax = g::axes(fig, {});
  const Handle line = g::line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  const Handle control = g::create("uicontrol", fig);
  EXPECT_TRUE(guidata(line).isEmpty());  // nothing stored yet: empty, not an error

  Value rec;
  rec.setField("a", 1.0);
  guidata(line, rec);
  for (Handle h : {fig, ax, line, control}) EXPECT_EQ(guidata(h), rec);
  // A copy goes in: changing the caller's record afterwards changes nothing stored.
  rec.setField("a", 2.0);
  EXPECT_EQ(guidata(fig).field("a").scalar(), 1.0);
  guidata(control, Value());
  EXPECT_TRUE(guidata(ax).isEmpty());
  // By name: a fetch from an object gives what a store on its figure put there.
  byName("guidata", {Value(fig), Value("second")});
  EXPECT_EQ(byName("guidata", {Value(line)}, 1)[0], Value("second"));
  EXPECT_EQ(byName("guidata/getParentFigure", {Value(line)}, 1)[0], Value(fig));
  EXPECT_TRUE(byName("guihandles/getParentFigure", {Value(g::kRoot)}, 1)[0].isEmpty());
}

TEST_F(GuidataTest, RejectsTheRootDeletedHandlesListsAndNonHandlesLeavingTheStoreAlone) {
  const Handle fig = g::figure();
  const Handle ax = g::axes(fig, {});
  const Handle gone = g::axes(fig, {});
  g::deleteObject(gone);
  guidata(fig, Value("kept"));
  for (const Value& bad : {Value(g::kRoot), Value(gone), Value::row({fig, ax}), Value(),
                           Value("figure"), Value(1e9)}) {
    EXPECT_EQ(byNameMessage("guidata", {bad, Value("lost")}), kNotAFigure) << bad.describe();
    EXPECT_EQ(byNameMessage("guidata", {bad}, 1), kNotAFigure) << bad.describe();
  }
  EXPECT_EQ(messageOf([&] { guidata(g::kRoot); }), kNotAFigure);
  // A store that asks for a result is refused before it stores anything.
  EXPECT_EQ(byNameMessage("guidata", {Value(fig), Value("lost")}, 1), "Too many output arguments.");
  EXPECT_EQ(byNameMessage("guidata", {}, 1), "Not enough input arguments.");
  EXPECT_EQ(guidata(ax), Value("kept"));
}

TEST_F(GuidataTest, GuihandlesNamesFieldsByTagInFindallOrder) {
  const Handle fig = g::figure({{"Tag", Value("figure1")}});
  const Handle ax1 = g::axes(fig, {{"Tag", Value("axes1")}});
  const Handle b1 = g::create("uicontrol", fig, {{"Tag", Value("button")}});
  const Handle ax2 = g::axes(fig, {{"Tag", Value("axes2")}});
  const Handle b2 = g::create("uicontrol", fig, {{"Tag", Value("button")}, {"HandleVisibility", Value("off")}});
  std::string long63(63, 'x'), long64(64, 'x');
  for (const char* tag : {"2nd", "my tag", "end", "_x", "", "caf\xc3\xa9"})
    g::create("uicontrol", fig, {{"Tag", Value(tag)}});
  const Handle upper = g::create("uicontrol", fig, {{"Tag", Value("End")}});
  const Handle x1 = g::create("uicontrol", fig, {{"Tag", Value("x_1")}});
  const Handle h63 = g::create("uicontrol", fig, {{"Tag", Value(long63)}});
  g::create("uicontrol", fig, {{"Tag", Value(long64)}});

  Value expected;
  expected.setField("figure1", Value(fig));
  expected.setField("axes1", Value(ax1));
  expected.setField("button", Value::row({b1, b2}));  // hidden handle included, in order met
  expected.setField("axes2", Value(ax2));
  expected.setField("End", Value(upper));
  expected.setField("x_1", Value(x1));
  expected.setField(long63, Value(h63));
  const Value h = guihandles(ax2);
  EXPECT_EQ(h.fieldNames(), expected.fieldNames());
  EXPECT_EQ(h, expected);
  EXPECT_EQ(guihandles(fig), h);
  EXPECT_EQ(byName("guihandles", {}, 1)[0], h);  // the current figure
  EXPECT_EQ(byNameMessage("guihandles", {Value::row({fig, ax1})}, 1), kNotAFigure);
  EXPECT_EQ(messageOf([&] { guihandles(g::kRoot); }), kNotAFigure);
  // No tagged object at all: the empty value, not an empty record.
  EXPECT_EQ(guihandles(g::figure()).kind(), Value::Kind::Empty);
}

}  // namespace
}  // namespace kolvar::gui::test
