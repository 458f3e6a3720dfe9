// Callbacks: the stack behind gcbo/gcbf, callback texts checked when set, error boundaries,
// and the control, menu and close events.
#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::ModelTest;

namespace {

class Callbacks : public ModelTest {
 protected:
  // "note(x...)" appends a line describing its arguments and the callback stack.
  void SetUp() override {
    ModelTest::SetUp();
    addFunction("note", -1, 0, [this](const runtime::Args& args, int) {
      std::string line;
      for (const auto& a : args) line += a.describe() + " ";
      line += "| gcbo " + (gcbo() ? formatShortest(*gcbo()) : std::string("none"));
      line += " gcbf " + (gcbf() ? formatShortest(*gcbf()) : std::string("none"));
      notes.push_back(line);
      return runtime::Outputs{};
    });
  }
  Callable ref(const std::string& name) { return registry_->reference(name); }
  std::vector<std::string> notes;
};

std::string id(Handle h) { return formatShortest(h); }

}  // namespace

TEST_F(Callbacks, TheStackNamesTheRunningObjectThroughNestedCallbacks) {
  Handle f1 = figure();
  Handle f2 = figure();
  Handle inner = create("uicontrol", f2);
  Handle outer = create("uicontrol", f1);
  addFunction("outer", -1, 0, [&](const runtime::Args&, int) {
    notes.push_back("outer before " + id(*gcbo()) + " " + id(*gcbf()));
    runCallback(inner, "Callback");
    notes.push_back("outer after " + id(*gcbo()) + " " + id(*gcbf()) + " " + id(get(kRoot, "CallbackObject").scalar()));
    return runtime::Outputs{};
  });
  set(inner, "Callback", Value("note(gcbo, gcbf, 'x')"));
  set(outer, "Callback", Value(ref("outer")));
  runCallback(outer, "Callback");
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "outer before " + id(outer) + " " + id(f1),
                       id(inner) + " " + id(f2) + " 'x' | gcbo " + id(inner) + " gcbf " + id(f2),
                       "outer after " + id(outer) + " " + id(f1) + " " + id(outer),
                   }));
  EXPECT_FALSE(gcbo().has_value());
  EXPECT_FALSE(gcbf().has_value());
  EXPECT_EQ(get(kRoot, "CallbackObject"), Value(Matrix()));

  // A callable gets (source, event data, extra...); a list supplies the extra arguments.
  notes.clear();
  set(outer, "Callback", Value::cellRow({Value(ref("note")), Value("extra")}));
  runCallback(outer, "callback", Value(7.0));
  EXPECT_EQ(notes, std::vector<std::string>{id(outer) + " 7 'extra' | gcbo " + id(outer) + " gcbf " + id(f1)});
}

TEST_F(Callbacks, CallbackTextsAreCheckedWhenSetAndReachOnlyRegisteredFunctions) {
  Handle c = create("uicontrol", figure());
  set(c, "Callback", Value("note('a''b', 2.5, []); note(gcbo)"));
  runCallback(c, "Callback");
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].substr(0, 14), "'a'b' 2.5 [] |");

  const std::string good = get(c, "Callback").text();
  EXPECT_EQ(messageOf([&] { set(c, "Callback", Value("note(1); `rm -rf /`")); }),
            "Bad value for the \"Callback\" property of the \"uicontrol\" object: Callback text \"note(1); `rm -rf "
            "/`\": expected a string, a number, [], gcbo, gcbf or a function call at column 10, found '`'.");
  EXPECT_EQ(messageOf([&] { set(c, "Callback", Value(3.0)); }),
            "Bad value for the \"Callback\" property of the \"uicontrol\" object: expected a function, a "
            "list beginning with one, or a callback text.");
  EXPECT_EQ(get(c, "Callback").text(), good);
  // A text that parses but names an unknown function runs nothing at all, not even its first call.
  notes.clear();
  set(c, "Callback", Value("note(1); system('ls')"));
  EXPECT_NE(messageOf([&] { runCallback(c, "Callback"); }), "no error");
  EXPECT_TRUE(notes.empty());
}

TEST_F(Callbacks, EventErrorsEndOnlyThatCallbackAndAreReported) {
  addFunction("boom", 0, 0, [](const runtime::Args&, int) -> runtime::Outputs { throw Error("boom"); });
  Handle f = figure({{"WindowButtonUpFcn", Value("boom()")}});
  Handle c = create("uicontrol", f, {{"Callback", Value("boom()")}});
  EXPECT_EQ(messageOf([&] { runCallback(c, "Callback"); }), "boom");
  EXPECT_FALSE(gcbo().has_value());  // the stack is unwound even when the callback fails

  ::testing::internal::CaptureStderr();
  controlAction(c, Value(1.0));
  dispatchCallback(f, "windowbuttonupfcn");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Error in uicontrol Callback callback: boom\nError in figure WindowButtonUpFcn callback: boom\n");
  EXPECT_EQ(get(c, "Value").scalar(), 1.0);
  EXPECT_TRUE(ishandle(f));
}

TEST_F(Callbacks, DeletedObjectsCallbacksNeverRun) {
  Handle f = figure();
  Handle a = create("uicontrol", f);
  Handle b = create("uicontrol", f, {{"Callback", Value("note('b ran')")}});
  addFunction("deleteB", 0, 0, [&](const runtime::Args&, int) {
    deleteObject(b);
    return runtime::Outputs{};
  });
  set(a, "Callback", Value("deleteB()"));
  // Two actions queued in one event turn: the first deletes the target of the second.
  controlAction(a);
  controlAction(b);  // dropped: the control is gone
  EXPECT_TRUE(notes.empty());
}

// Controls, menus and close requests acting on real windows are in the Qt backend's tests.
TEST_F(Callbacks, ADisabledControlRefusesItsAction) {
  Handle box = create("uicontrol", figure(),
                      {{"Style", Value("checkbox")}, {"Callback", Value("note(gcbo)")}, {"Enable", Value("off")}});
  controlAction(box, Value(1.0));
  EXPECT_EQ(get(box, "Value").scalar(), 0.0);
  EXPECT_TRUE(notes.empty());
}
