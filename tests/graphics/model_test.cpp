// The object model: properties, validation, find, delete, current objects. (Application data and
// the root's defaults are tested with the GUI runtime that uses them, the backend's notices with
// the Qt windows that follow them.)
#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::ModelTest;

namespace {

Matrix rgb(double r, double g, double b) { return Matrix::row({r, g, b}); }

class Properties : public ModelTest {};
class Find : public ModelTest {};
class Delete : public ModelTest {};

}  // namespace

TEST_F(Properties, NamesAndChoicesIgnoreCaseAndColoursReadBackAsRgb) {
  Handle f = figure();
  set(f, "NAME", Value("kolvar"));
  EXPECT_EQ(get(f, "name").text(), "kolvar");
  EXPECT_EQ(get(create("uimenu", f, {{"Text", Value("File")}}), "Label").text(), "File");  // one property
  axes(f, {});
  Handle p = patch(Matrix::column({0, 1, 0}), Matrix::column({0, 0, 1}), Matrix::column({0, 0, 0}), Value("b"));
  EXPECT_EQ(get(p, "FaceColor").matrix(), rgb(0, 0, 1));
  // Choices are matched without regard to case and stored as the runtime spells them.
  set(p, "FaceLighting", Value("Gouraud"));
  EXPECT_EQ(get(p, "FaceLighting").text(), "gouraud");
  const std::pair<Value, Value> colours[] = {{Value("magenta"), Value(rgb(1, 0, 1))},
                                             {Value(Matrix::column({0.2, 0.4, 0.6})), Value(rgb(0.2, 0.4, 0.6))},
                                             {Value("none"), Value("none")}};
  for (const auto& [spec, stored] : colours) {
    set(p, "edgecolor", spec);
    EXPECT_EQ(get(p, "EdgeColor"), stored) << spec.describe();
  }
}

TEST_F(Properties, BadNamesAndValuesRaiseClearErrorsAndChangeNothing) {
  Handle f = figure();
  Handle ax = axes(f, {});
  Handle l = line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  Handle t = text(0, 0, Value("x"));
  Handle c = create("uicontrol", f);
  // A bad value names the property, the object's type and what was expected.
  const std::tuple<Handle, const char*, Value, const char*> bad[] = {
      {f, "Visible", Value("maybe"), "\"on\" or \"off\""},
      {f, "HandleVisibility", Value(1.0), "\"on\", \"callback\" or \"off\""},
      {l, "Color", Value(Matrix::row({1, 2, 0})),
       "a colour: \"r\", \"g\", \"b\", \"c\", \"m\", \"y\", \"k\", \"w\", a long name such as \"red\", or [r g b] "
       "with values from 0 to 1"},
      {ax, "XLim", Value(Matrix::row({1, 1})), "2 increasing numbers"},
      {ax, "Position", Value(Matrix::row({0, 0, 1})),
       "a row of 4 numbers [left bottom width height] with a width and height of at least 0"},
      {l, "LineWidth", Value(0.0), "a positive number"},
      {c, "String", Value(3.0), "a text or a list of texts"},
      {f, "CurrentAxes", Value(l), "the handle of an axes or []"},
  };
  for (const auto& row : bad) {
    const Handle h = std::get<0>(row);
    const std::string name = std::get<1>(row);
    const Value value = std::get<2>(row);
    const std::string expected = std::get<3>(row);
    const Value before = get(h, name);
    EXPECT_EQ(messageOf([&] { set(h, name, value); }), "Bad value for the \"" + std::string(name) +
                                                           "\" property of the \"" + typeOf(h) +
                                                           "\" object: expected " + expected + ".");
    EXPECT_EQ(get(h, name), before) << name;
  }
  EXPECT_EQ(messageOf([&] { set(l, "Colour", Value("r")); }), "There is no \"Colour\" property on the \"line\" object.");
  EXPECT_EQ(messageOf([&] { set(t, "Extent", Value(Matrix::row({0, 0, 1, 1}))); }),
            "Cannot set the read-only \"Extent\" property of the \"text\" object.");

  // Pairs apply in order: those before the bad one stay applied, those after it do not.
  EXPECT_NE(messageOf([&] { set(f, {{"Tag", Value("a")}, {"Visible", Value("maybe")}, {"Name", Value("n")}}); }),
            "no error");
  EXPECT_EQ(get(f, "Tag").text(), "a");
  EXPECT_EQ(get(f, "Name").text(), "");
}

TEST_F(Properties, ACreationThatFailsLeavesNothingBehind) {
  Handle f = figure();
  const std::size_t before = findall(kRoot).size();
  backend_->notices.clear();
  EXPECT_EQ(messageOf([&] { create("uicontrol", f, {{"Tag", Value("x")}, {"Style", Value("knob")}}); }),
            "Bad value for the \"Style\" property of the \"uicontrol\" object: expected \"pushbutton\", "
            "\"checkbox\", \"popupmenu\", \"listbox\", \"text\" or \"edit\".");
  EXPECT_EQ(findall(kRoot).size(), before);
  EXPECT_TRUE(childrenOf(f).empty());
  EXPECT_TRUE(backend_->notices.empty());
  EXPECT_EQ(messageOf([&] { create("line", f); }),
            "A \"line\" object cannot be placed in a \"figure\" object; it belongs in an \"axes\" object.");
  EXPECT_EQ(findall(kRoot).size(), before);
}

TEST_F(Delete, RemovesTheSubtreeAndMovesCurrentObjects) {
  Handle f1 = figure();
  Handle f2 = figure();
  Handle ax = axes(f2, {});
  Handle l = line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  Handle ax2 = axes(f2, {});
  axes(ax);
  deleteObject(ax);
  EXPECT_EQ(get(f2, "CurrentAxes"), Value(ax2));  // another axes of the figure takes over
  EXPECT_FALSE(ishandle(l));
  deleteObject(f2);
  EXPECT_FALSE(ishandle(ax2));
  EXPECT_EQ(gcf(), f1);
  EXPECT_EQ(messageOf([&] { deleteObject(f2); }), "Invalid or deleted object.");
  EXPECT_EQ(messageOf([&] { deleteObject(kRoot); }), "The root object cannot be deleted.");
}

TEST_F(Delete, ClearingAnAxesRemovesWhatWasDrawnEvenHidden) {
  Handle f = figure();
  Handle ax = axes(f, {{"Tag", Value("keep")}});
  line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  text(0, 0, Value("x"), {{"HandleVisibility", Value("off")}});
  light();
  grid(ax, true);
  clo(ax);
  EXPECT_TRUE(childrenOf(ax).empty());
  EXPECT_EQ(get(ax, "ZGrid").text(), "on");
  clo(ax, {Value("reset")});
  EXPECT_EQ(get(ax, "XGrid").text(), "off");
  EXPECT_EQ(get(ax, "Tag").text(), "keep");
}


// A script of a million lines talks to the headless backend all the way: it keeps the latest of
// what it was told and asked, not all of it.
TEST(HeadlessBackend, ALongSessionKeepsOnlyTheLatestNoticesAndDialogs) {
  HeadlessBackend backend;
  for (int i = 0; i < 10000; ++i) {
    backend.dialogs().error(std::to_string(i), "Cannot open");
    backend.changed(1, "Name");
  }
  EXPECT_LE(backend.script.asked.size(), ScriptedDialogs::kKeptAsked);
  EXPECT_GE(backend.script.asked.size(), ScriptedDialogs::kKeptAsked / 2);
  EXPECT_EQ(backend.script.asked.back().text, "9999");
  EXPECT_LE(backend.notices.size(), HeadlessBackend::kKeptNotices);
}
