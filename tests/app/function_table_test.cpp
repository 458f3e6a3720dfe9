// Every function reachable by name refuses more inputs or outputs than declared, with the exact
// run-time message, and checks the outputs first.
#include "../support.hpp"
#include "app_fixture.hpp"

using namespace kolvar;
using kolvar::apptest::KolvarApp;

namespace {

struct Declared {
  const char* path;
  int line, nin, nout;
};

// The declared counts and lines of every function of the program.
const Declared kTable[] = {
    {"kolvar/kolvar_OpeningFcn", 48, -4, 0}, {"kolvar/kolvar_OutputFcn", 157, 3, -1},
    {"kolvar/FileMenu_Callback", 168, 3, 0}, {"kolvar/OpenMenuItem_Callback", 175, 3, 0},
    {"kolvar/PrintMenuItem_Callback", 186, 3, 0}, {"kolvar/CloseMenuItem_Callback", 194, 3, 0},
    {"kolvar/select_poly_CreateFcn", 210, 3, 0}, {"kolvar/show_option_Callback", 225, 3, 0},
    {"kolvar/select_poly_Callback", 233, 3, 0}, {"kolvar/reset_Callback", 245, 3, 0},
    {"kolvar/axes2_ButtonDownFcn", 260, 3, 0}, {"kolvar/NodeListItem_ButtonDownFcn", 281, 2, 0},
    {"kolvar/splitPoly", 330, 2, 2}, {"kolvar/drawFigure", 397, 1, 0},
    {"kolvar/updateScanList", 519, 1, 0}, {"kolvar/plotPolygon", 536, 1, 0},
    {"kolvar/wrapWindowButtonUpFcn", 572, 2, 0}, {"kolvar/newPolygon", 585, 2, 1},
    {"kolvar/inFront", 609, 2, 1}, {"kolvar/displayPolygon", 643, 1, 0},
    {"kolvar/bspElement", 655, 3, 1}, {"kolvar/bspNode", 666, 3, 1},
    {"kolvar/bspInsertNode", 677, 2, 1}, {"kolvar/bspPlot3Element", 710, 1, 0},
    {"kolvar/bspPlotElement", 716, 2, 0}, {"kolvar/bspPlotList", 755, 2, 0},
    {"kolvar/bspFarToNear", 784, 3, 0}, {"kolvar/bspInFront", 807, 2, 1},
    {"kolvar", 1, -1, -1}, {"bsp/private/btinorder", 1, 2, 0}, {"bsp/private/btplottree", 1, 2, 0},
    {"cla", 1, -1, 1}, {"gui_mainfcn", 1, -2, -1}, {"gui_mainfcn/local_openfig", 182, 2, 1},
    {"guidata", 1, 2, 1}, {"guidata/getParentFigure", 99, 1, 1},
    {"bsp/private/btplotnodes", 1, 3, 0}, {"guihandles", 1, 1, 1},
    {"guihandles/getParentFigure", 78, 1, 1}, {"guihandles/createHandles", 86, 1, 1},
    {"openfig", 1, 3, 1}, {"isvarname", 1, 1, 1}, {"movegui", 1, -1, 0},
    {"movegui/get_parent_fig", 214, 1, 1}, {"iskeyword", 1, 1, 1},
};

std::string expected(const Declared& d, const char* kind, int count) {
  return std::string("Run-time Error: File: ") + d.path + " Line: " + std::to_string(d.line) +
         " Column: 1 The function \"" + d.path + "\" was called with more than the declared number of " +
         kind + " (" + std::to_string(count) + ").";
}

}  // namespace

TEST(FunctionTables, EveryDeclaredCountIsEnforcedWithItsMessage) {
  const auto info = app::programInfo();
  int messages = 0;
  for (const Declared& d : kTable) {
    SCOPED_TRACE(d.path);
    const runtime::EntryPtr e = info.functions->find(d.path);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->line, d.line);
    EXPECT_EQ(e->nin, d.nin);
    EXPECT_EQ(e->nout, d.nout);
    if (d.nout >= 0) {
      // Too many inputs as well: the outputs are reported.
      const std::size_t extra = d.nin >= 0 ? static_cast<std::size_t>(d.nin) + 1 : 0;
      EXPECT_EQ(messageOf([&] { runtime::invoke(*e, runtime::Args(extra), d.nout + 1); }),
                expected(d, "outputs", d.nout));
      ++messages;
    }
    if (d.nin >= 0) {
      EXPECT_EQ(messageOf([&] { runtime::invoke(*e, runtime::Args(static_cast<std::size_t>(d.nin) + 1), 0); }),
                expected(d, "inputs", d.nin));
      ++messages;
    }
  }
  EXPECT_EQ(messages, 82);
  std::size_t registered = 0;
  for (const auto& m : info.functions->modules()) registered += 1 + m.locals.size();
  EXPECT_EQ(registered, std::size(kTable));
}

TEST(FunctionTables, ProgramOptionsAreTheProgramsOwnAndOtherWordsPassThrough) {
  const auto o = app::parseOptions({"--script", "a.txt", "Visible", "off", "--snapshot", "b.png"});
  EXPECT_EQ(o.script, "a.txt");
  EXPECT_EQ(o.snapshot, "b.png");
  EXPECT_EQ(o.words, (std::vector<std::string>{"Visible", "off"}));
  EXPECT_THROW(app::parseOptions({"--colour"}), Error);
  EXPECT_THROW(app::parseOptions({"--script"}), Error);
}

TEST_F(KolvarApp, StartWordsBecomePropertyPairsAndLaterStartsReuseOrRebuildTheWindow) {
  run("scene 3\nclick 2\n");
  const std::string grown = app::stateJson(fig);
  // A first word that names no function is a property pair of a start, which reuses the window on
  // screen and keeps its tree.
  EXPECT_EQ(app::kolvar({Value("Name"), Value("Demo")}, 1).at(0).scalar(), fig);
  EXPECT_EQ(graphics::get(fig, "Name").text(), "Demo");
  EXPECT_EQ(app::stateJson(fig), grown);
  // A start that asks for a hidden window builds the state afresh, even on the same window.
  EXPECT_EQ(app::kolvar({Value("Visible"), Value("off")}, 1).at(0).scalar(), fig);
  EXPECT_EQ(graphics::get(fig, "Visible").text(), "off");
  EXPECT_NE(app::stateJson(fig), grown);
}
