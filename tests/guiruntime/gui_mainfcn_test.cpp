#include <functional>
#include <string>
#include <vector>

#include "guiruntime/gui_mainfcn.hpp"
#include "guiruntime/guidata.hpp"
#include "guiruntime/guihandles.hpp"
#include "runtime/marshal.hpp"
#include "support.hpp"

namespace kolvar::gui::test {
namespace {

namespace g = graphics;
using runtime::Args;
using runtime::Outputs;

const std::string kData = KOLVAR_TEST_DATA "/guiruntime/";

// A test GUI "testgui" built like a program's main GUI function: it fills gui_State and hands
// every call to gui_mainfcn by name. Its opening, output and button functions record each call.
class MainfcnTest : public GuiTest {
 protected:
  struct Call {
    Args args;
    int nargout = 0;
    Value handleVisibility;  // of the window while the function ran
  };

  void addModules(runtime::Registry& r) override {
    registerGuiRuntime(r);
    addTestGui(r);
  }
  void addTestGui(runtime::Registry& r) {
    r.addModule("testgui", -1, -1, [this](const Args& a, int n) { return start(a, n); });
    r.addLocal("testgui", "testgui_OpeningFcn", 10, -4, 0, [this](const Args& a, int n) {
      record(opening, a, n);
      if (duringOpening) duringOpening(a.at(0).scalar());
      return Outputs{};
    });
    r.addLocal("testgui", "testgui_OutputFcn", 20, 3, -1, [this](const Args& a, int n) {
      record(output, a, n);
      Outputs out;
      for (int i = 0; i < n; ++i) out.push_back(i == 0 ? a.at(0) : Value(i + 1));
      return out;
    });
    r.addLocal("testgui", "button_Callback", 30, 3, 0, [this](const Args& a, int n) {
      record(handler, a, n);
      return Outputs{};
    });
  }
  void record(std::vector<Call>& calls, const Args& a, int n) {
    Value hv;
    if (!a.empty() && g::ishandle(a[0])) hv = g::get(a[0].scalar(), "HandleVisibility");
    calls.push_back({a, n, hv});
  }

  Value state() {
    Value s;
    s.setField("gui_Name", Value(name));
    s.setField("gui_Singleton", Value(singleton));
    s.setField("gui_OpeningFcn", Value(registry_->reference("testgui_OpeningFcn", "testgui")));
    s.setField("gui_OutputFcn", Value(registry_->reference("testgui_OutputFcn", "testgui")));
    s.setField("gui_LayoutFcn", Value());
    s.setField("gui_Callback", Value());
    return s;
  }
  Outputs start(const Args& args, int nargout) {
    Value s = state();
    if (!args.empty() && args[0].isText())
      s.setField("gui_Callback", Value(registry_->reference(args[0].text(), "testgui")));
    Args all{s};
    all.insert(all.end(), args.begin(), args.end());
    return byName("gui_mainfcn", all, nargout);
  }
  Handle startWindow(const Args& args = {}) { return byName("testgui", args, 1).at(0).scalar(); }

  std::string name = kData + "testgui";
  double singleton = 1;
  std::function<void(Handle)> duringOpening;
  std::vector<Call> opening, output, handler;
};

TEST_F(MainfcnTest, StateFieldsThatAreMissingOrHoldNoFunctionAreNamed) {
  // The fields are looked for in order; the file is named once its name has been read.
  Value partial;
  partial.setField("gui_Singleton", Value(1.0));
  partial.setField("gui_OpeningFcn", state().field("gui_OpeningFcn"));
  EXPECT_EQ(messageOf([&] { gui_mainfcn(partial, {}, 0); }),
            "Could not find field gui_Name in the gui_State struct in GUI file ");
  partial.setField("gui_Name", Value("testgui"));
  EXPECT_EQ(messageOf([&] { gui_mainfcn(partial, {}, 1); }),
            "Could not find field gui_OutputFcn in the gui_State struct in GUI file testgui");
  EXPECT_TRUE(g::findall(g::kRoot, "figure").empty());
  EXPECT_TRUE(opening.empty());
  // A function field that holds no function is named when it is called.
  Value s = state();
  s.setField("gui_OutputFcn", Value("testgui_OutputFcn"));
  EXPECT_EQ(messageOf([&] { gui_mainfcn(s, {}, 1); }),
            "gui_State.gui_OutputFcn must be a function reference, not 'testgui_OutputFcn'.");
}

TEST_F(MainfcnTest, CreationBuildsStoresOpensShowsAndPassesTheOutputsThrough) {
  g::set(g::kRoot, "DefaultUicontrolBackgroundColor", Value::row({0.5, 0.25, 0.75}));
  const Handle fig = startWindow();
  EXPECT_EQ(g::get(fig, "Visible"), Value("on"));
  EXPECT_EQ(g::get(fig, "Color"), Value::row({0.5, 0.25, 0.75}));  // the system colour option
  EXPECT_EQ(g::get(fig, "HandleVisibility"), Value("callback"));
  EXPECT_FALSE(g::isappdata(fig, "InGUIInitialization"));
  EXPECT_TRUE(g::isappdata(fig, "GUIOnScreen"));
  const Value handles = guidata(fig);
  EXPECT_EQ(handles.fieldNames(), (std::vector<std::string>{"testfig", "axes1", "button"}));

  ASSERT_EQ(opening.size(), 1u);
  EXPECT_EQ(opening[0].args, (Args{Value(fig), Value(), handles}));
  // The hidden handle is opened up while the GUI's own functions run.
  EXPECT_EQ(opening[0].handleVisibility, Value("on"));
  ASSERT_EQ(output.size(), 1u);
  EXPECT_EQ(output[0].args, (Args{Value(fig), Value(), handles}));
  EXPECT_EQ(output[0].handleVisibility, Value("on"));

  // The number of outputs asked is passed on: none, one or several.
  EXPECT_TRUE(byName("testgui", {}, 0).empty());
  EXPECT_EQ(output.back().nargout, 0);
  EXPECT_EQ(byName("testgui", {}, 2), (Outputs{Value(fig), Value(2)}));
  EXPECT_EQ(output.back().nargout, 2);
}

TEST_F(MainfcnTest, ASecondStartReusesTheShownWindowWithItsColourAndHandles) {
  const Handle fig = startWindow();
  Value handles = guidata(fig);
  handles.setField("counter", Value(7.0));
  guidata(fig, handles);
  g::set(fig, "Color", Value::row({1, 0, 0}));
  EXPECT_EQ(startWindow(), fig);
  EXPECT_EQ(guidata(fig).field("counter"), Value(7.0));
  EXPECT_EQ(g::get(fig, "Color"), Value::row({1, 0, 0}));
  EXPECT_EQ(opening.size(), 2u);
  EXPECT_EQ(output.size(), 2u);
  EXPECT_EQ(g::findall(g::kRoot, "figure").size(), 1u);
}

TEST_F(MainfcnTest, DispatchNeedsFourArgumentsTheSecondAValidHandle) {
  const Handle fig = startWindow();
  const Value handles = guidata(fig);
  const Value button = handles.field("button");
  byName("testgui", {Value("button_Callback"), button, Value(), handles});
  ASSERT_EQ(handler.size(), 1u);
  EXPECT_EQ(handler[0].args, (Args{button, Value(), handles}));
  // The layout's callback text reaches the same handler through the main GUI function.
  g::controlAction(button.scalar());
  ASSERT_EQ(handler.size(), 2u);
  EXPECT_EQ(handler[1].args, (Args{button, Value(Matrix()), handles}));
  EXPECT_EQ(opening.size(), 1u);

  // Three further arguments, or a second that is no handle: creations, the arguments going to
  // the opening function.
  byName("testgui", {Value("button_Callback"), button, Value()});
  byName("testgui", {Value("button_Callback"), Value(12345.0), Value(), handles});
  EXPECT_EQ(handler.size(), 2u);
  ASSERT_EQ(opening.size(), 3u);
  EXPECT_EQ(opening[1].args, (Args{Value(fig), Value(), handles, Value("button_Callback"), button, Value()}));
  EXPECT_EQ(opening[2].args.size(), 7u);
}

TEST_F(MainfcnTest, AHiddenStartLeavesNoOnScreenMarkSoTheNextStartRebuildsTheHandles) {
  const Handle fig = startWindow({Value("Visible"), Value("off")});
  EXPECT_EQ(g::get(fig, "Visible"), Value("off"));
  EXPECT_FALSE(g::isappdata(fig, "GUIOnScreen"));
  EXPECT_FALSE(g::isappdata(fig, "InGUIInitialization"));
  guidata(fig, Value("stale"));
  EXPECT_EQ(startWindow(), fig);
  EXPECT_EQ(guidata(fig), guihandles(fig));
  EXPECT_EQ(g::get(fig, "Visible"), Value("on"));
}

}  // namespace
}  // namespace kolvar::gui::test
