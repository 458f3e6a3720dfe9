// Every function reachable by name refuses more inputs or outputs than declared, with the exact
// run-time message, and checks the outputs first.
#include "../support.hpp"
#include "app_fixture.hpp"

using namespace kolvar;
using kolvar::apptest::KolvarApp;
using kolvar::apptest::labels;

namespace {

runtime::Outputs byName(const runtime::Registry& r, const char* path, runtime::Args args, int nargout = 0) {
  const runtime::EntryPtr e = r.find(path);
  if (!e) throw Error(std::string("not registered: ") + path);
  return runtime::invoke(*e, std::move(args), nargout);
}

}  // namespace

TEST(FunctionTables, TheArgumentChecksGiveTheExactMessagesOutputsFirst) {
  const auto info = app::programInfo();
  const runtime::Registry& r = *info.functions;
  auto message = [&](const char* path, std::size_t nin, int nout) {
    return messageOf([&] { byName(r, path, runtime::Args(nin), nout); });
  };
  EXPECT_EQ(message("kolvar/axes2_ButtonDownFcn", 4, 0),
            "Run-time Error: File: kolvar/axes2_ButtonDownFcn Line: 260 Column: 1 The function "
            "\"kolvar/axes2_ButtonDownFcn\" was called with more than the declared number of inputs (3).");
  EXPECT_EQ(message("kolvar/newPolygon", 0, 2),
            "Run-time Error: File: kolvar/newPolygon Line: 585 Column: 1 The function \"kolvar/newPolygon\" "
            "was called with more than the declared number of outputs (1).");
  EXPECT_EQ(message("bsp/private/btinorder", 3, 0),
            "Run-time Error: File: bsp/private/btinorder Line: 1 Column: 1 The function "
            "\"bsp/private/btinorder\" was called with more than the declared number of inputs (2).");
  // Both checks broken: the outputs are reported.
  EXPECT_EQ(message("kolvar/splitPoly", 3, 3),
            "Run-time Error: File: kolvar/splitPoly Line: 330 Column: 1 The function \"kolvar/splitPoly\" "
            "was called with more than the declared number of outputs (2).");

  // Every fixed count is enforced: 112 messages in all, each naming its own function and line.
  int messages = 0;
  auto checks = [&](const runtime::Entry& e) {
    const std::string head = "Run-time Error: File: " + e.path + " Line: " + std::to_string(e.line) + " Column: 1";
    if (e.nout >= 0) {
      EXPECT_EQ(messageOf([&] { runtime::invoke(e, {}, e.nout + 1); }).rfind(head, 0), 0u) << e.path;
      ++messages;
    }
    if (e.nin >= 0) {
      const auto n = static_cast<std::size_t>(e.nin) + 1;
      EXPECT_EQ(messageOf([&] { runtime::invoke(e, runtime::Args(n), 0); }).rfind(head, 0), 0u) << e.path;
      ++messages;
    }
  };
  std::vector<std::string> modules;
  for (const auto& m : r.modules()) {
    modules.push_back(m.name);
    checks(*m.main);
    for (const auto& local : m.locals) checks(*local);
  }
  EXPECT_EQ(messages, 112);
  // The modules stand in the order of the program's table, the main GUI function's 42 local
  // functions first among the functions.
  EXPECT_EQ(modules, (std::vector<std::string>{"kolvar", "bsp/private/btinorder", "bsp/private/btplottree", "cla",
                                                "gui_mainfcn", "guidata", "bsp/private/btplotnodes", "guihandles",
                                                "openfig", "isvarname", "movegui", "iskeyword"}));
  EXPECT_EQ(r.module("kolvar")->locals.size(), 43u);
  EXPECT_EQ(info.initTerm.size(), 14u);
  EXPECT_EQ(info.initTerm[8].initName, "InitializeModule_bsp_private_btplotnodes");
}

TEST(FunctionTables, AMissingArgumentIsNamedWhenTheFunctionFirstReadsIt) {
  const auto info = app::programInfo();
  const runtime::Registry& r = *info.functions;
  const Value none;
  auto missing = [&](const char* path, runtime::Args args) {
    return messageOf([&] { byName(r, path, args, r.find(path)->nout != 0 ? 1 : 0); });
  };
  auto undefined = [](const char* name) { return "Undefined function or variable '" + std::string(name) + "'."; };
  Matrix triangle(3, 3, 0.0);
  triangle(0, 1) = triangle(1, 2) = 1;
  const Value p = byName(r, "kolvar/newPolygon", {Value(triangle)}, 1).at(0);
  // Read in order: the first one left out is named.
  EXPECT_EQ(missing("kolvar/bspElement", {p}), undefined("f"));
  EXPECT_EQ(missing("kolvar/bspNode", {}), undefined("e"));
  // The splitter's plane is read before the polygon it cuts.
  EXPECT_EQ(missing("kolvar/splitPoly", {}), undefined("polyB"));
  // The walks look at the tree first, and need nothing else for an empty one.
  EXPECT_EQ(missing("kolvar/bspFarToNear", {Value::row({0, 0, 0})}), undefined("tree"));
  EXPECT_EQ(missing("bsp/private/btinorder", {}), undefined("tree"));
  EXPECT_NO_THROW(byName(r, "kolvar/bspFarToNear", {none, none}));
  EXPECT_NO_THROW(byName(r, "bsp/private/btinorder", {none}));
  EXPECT_NO_THROW(byName(r, "bsp/private/btplotnodes", {none, none}));
  // A missing first node settles bspInFront before the second is looked at.
  EXPECT_EQ(byName(r, "kolvar/bspInFront", {none}, 1).at(0), Value::boolean(true));
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

TEST_F(KolvarApp, APlainStartAfterAHiddenFirstStartBuildsTheState) {
  graphics::deleteObject(fig);
  fig = app::kolvar({Value("Visible"), Value("off")}, 1).at(0).scalar();
  // The hidden window is reused; its record is rebuilt from the tags, and the state with it.
  EXPECT_EQ(app::kolvar({}, 1).at(0).scalar(), fig);
  EXPECT_EQ(graphics::get(fig, "Visible").text(), "on");
  EXPECT_EQ(labels(state()["tree"]["front"]).size(), 5u);
  run("click 2\n");
  EXPECT_EQ(state()["tree"]["poly"]["label"], "2");
}
