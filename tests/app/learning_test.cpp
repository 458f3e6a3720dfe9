// Learning by doing, end to end in the window model: undo and redo of every kind of step, the
// step log, the statistics in the state line, automatic building, comparing and the painter's
// steps.
#include "../support.hpp"
#include "app_fixture.hpp"

#include <fstream>

#include "app/files.hpp"
#include "graphics/headless.hpp"

using namespace kolvar;
using namespace kolvar::apptest;
using nlohmann::json;
namespace g = kolvar::graphics;

namespace {

// The state line without the added learning fields: what undo and redo must restore.
json core(json s) {
  for (const char* k : {"stats", "log", "paint"}) s.erase(k);
  return s;
}

// The faces of placed polygons (they know their polygon; planes, cells and ghosts do not).
std::size_t facesIn(g::Handle axes) {
  std::size_t n = 0;
  for (g::Handle h : g::findobj(axes, {{"Type", "patch"}})) n += g::get(h, "UserData").isOpaque();
  return n;
}

}  // namespace

TEST_F(KolvarApp, PainterStepsFollowTheFarToNearWalk) {
  scannerOn();
  run("scene 1\nclick 3\nauto fewest step\nscanner 2 -3 0.5\n");
  const json before = state();
  const auto scan = before["scan"].get<std::vector<std::string>>();
  ASSERT_EQ(scan.size(), 4u);
  EXPECT_TRUE(before["paint"].is_null());
  EXPECT_EQ(facesIn(tag("axes2")), 4u);
  for (std::size_t k = 1; k <= scan.size(); ++k) {
    run("paint step\n");
    const json st = state();
    EXPECT_EQ(st["paint"]["step"], k);
    EXPECT_EQ(st["paint"]["node"], scan[k - 1]);
    // The partition view holds the polygons drawn so far; the scan list selects the row.
    EXPECT_EQ(facesIn(tag("axes2")), k);
    EXPECT_EQ(g::get(tag("scan_list"), "Value").scalar(), static_cast<double>(k));
  }
  run("paint step\n");  // at the end it stays there
  EXPECT_EQ(state()["paint"]["step"], scan.size());
  run("paint back\npaint back\n");
  EXPECT_EQ(state()["paint"]["node"], scan[1]);
  run("paint reset\n");
  EXPECT_TRUE(state()["paint"].is_null());
  EXPECT_EQ(facesIn(tag("axes2")), 4u);
  // A step that changes the tree or the scanner ends the stepping.
  run("paint step\nscanner 0 4 0\n");
  EXPECT_TRUE(state()["paint"].is_null());
}

// Play without a screen: the script ticks the window's clock by hand.
TEST_F(KolvarApp, PlayPaintsInTurnPausesAndEndsWithTheStepping) {
  scannerOn();
  run("scene 1\nauto fewest all\nscanner 2.5 -3 1\npaint speed slow\npaint play 2\n");
  EXPECT_EQ(state()["paint"]["step"], 2);
  EXPECT_EQ(state()["paint"]["playing"], true);
  EXPECT_EQ(g::get(tag("figure1"), "TimerPeriod").scalar(), 2.0);
  run("paint speed fast\n");
  EXPECT_EQ(g::get(tag("figure1"), "TimerPeriod").scalar(), 0.4);
  run("paint play\n");  // pauses
  EXPECT_EQ(state()["paint"]["step"], 2);
  EXPECT_EQ(state()["paint"]["playing"], false);
  run("paint play\n");  // on to the end, where it stops by itself
  EXPECT_EQ(state()["paint"]["step"], 5);
  EXPECT_EQ(state()["paint"]["playing"], false);
  EXPECT_EQ(g::get(tag("paint_play"), "String").text(), "Play");
  run("paint play 1\n");  // from the end it starts over
  EXPECT_EQ(state()["paint"]["step"], 1);
  // Moving the scanner ends the stepping, and with it the playing, at the next tick.
  run("scanner 0 4 0\n");
  g::tick(tag("figure1"));
  EXPECT_TRUE(state()["paint"].is_null());
  EXPECT_EQ(g::get(tag("figure1"), "TimerPeriod").scalar(), 0.0);
  EXPECT_THROW(run("paint play 0\n"), std::exception);
  // With nothing placed, the status line says why nothing is painted.
  run("reset\npaint play\n");
  EXPECT_TRUE(state()["paint"].is_null());
  EXPECT_EQ(g::get(tag("status_line"), "String").text(), "Nothing to paint yet: click a waiting polygon to place a splitter first.");
}

TEST_F(KolvarApp, UndoAndRedoRestoreEveryKindOfStep) {
  // Each line one step: a scene change, expansions, a scanner move, an option, a reset.
  const std::vector<std::string> steps = {"scene 3", "click 2", "click 3", "scanner 2 -3 0.5",
                                          "toggle show_coordinate_frame", "toggle show_planes", "reset", "scene 1",
                                          "click 3"};
  std::vector<json> states{core(state())};
  for (const std::string& s : steps) {
    run(s + "\n");
    states.push_back(core(state()));
  }
  // One sentence per step, one more for each polygon that became a leaf at once (1b; 1aa, 1ab)
  // and the challenge's verdict when the tree is complete.
  EXPECT_EQ(state()["log"].size(), 13u);
  for (std::size_t i = steps.size(); i-- > 0;) {
    run("undo\n");
    EXPECT_EQ(core(state()), states[i]) << "undoing " << steps[i];
  }
  EXPECT_TRUE(state()["log"].empty());
  run("undo\n");  // nothing left to undo: nothing changes
  EXPECT_EQ(core(state()), states[0]);
  for (std::size_t i = 1; i < states.size(); ++i) {
    run("redo\n");
    EXPECT_EQ(core(state()), states[i]) << "redoing " << steps[i - 1];
  }
  // A new step after undoing drops the steps undone: redo has nothing left.
  run("undo\nundo\nclick 1\n");
  const json after = state();
  run("redo\n");
  EXPECT_EQ(state(), after);
  EXPECT_EQ(after["log"].back(), "1 chosen as splitter: nothing in front, 2 and 3 behind.");
  // The window's controls follow: the log panel greys nothing now, the redo button is off.
  EXPECT_EQ(g::get(tag("redo_button"), "Enable").text(), "off");
  EXPECT_EQ(g::get(tag("undo_button"), "Enable").text(), "on");
}

TEST_F(KolvarApp, StatisticsAndTheCaptionFollowTheTree) {
  run("scene 3\nclick 2\n");
  EXPECT_EQ(state()["stats"], json::parse(R"({"nodes":2,"pieces":4,"splits":1,"depth":2,"waiting":2,"complete":false})"));
  const std::string caption = g::get(tag("tree_caption"), "String").text();
  run("click 3\n");
  EXPECT_EQ(state()["stats"], json::parse(R"({"nodes":5,"pieces":5,"splits":2,"depth":3,"waiting":0,"complete":true})"));
  EXPECT_EQ(g::get(tag("stats_line"), "String").text(), "Nodes 5   Pieces 5   Splits 2   Depth 3   Tree complete");
  EXPECT_NE(g::get(tag("tree_caption"), "String").text(), caption);
  run("undo\n");
  EXPECT_EQ(g::get(tag("tree_caption"), "String").text(), caption);
  // The log panel shows the step undone, marked, after the steps taken.
  const Value rows = g::get(tag("log_list"), "String");
  ASSERT_TRUE(rows.isCell());
  const std::size_t done = state()["log"].size();
  ASSERT_EQ(rows.numel(), done + 4);  // the expansion, two leaves and the verdict
  EXPECT_EQ(rows.cell().items[done].text().rfind("(undone) 3 chosen as splitter", 0), 0u);
}

TEST_F(KolvarApp, AutomaticBuildingTellsWhy) {
  run("scene 1\nauto fewest\nauto fewest step\n");
  const json st = state();
  // By hand: 1 splits nothing and leaves 4 in front, 2 3 5 behind; of those 5 splits nothing.
  EXPECT_EQ(st["tree"]["poly"]["label"], "1");
  EXPECT_EQ(st["tree"]["right"]["poly"]["label"], "5");
  const auto log = st["log"].get<std::vector<std::string>>();
  EXPECT_EQ(log[1], "fewest chooses 1: its plane splits no polygon, the fewest.");
  EXPECT_EQ(log[2], "1 chosen as splitter: 4 in front, 2, 3 and 5 behind.");
  EXPECT_EQ(log[3], "4 was alone in front of 1 and became a leaf.");
  run("auto optimal all\n");
  EXPECT_EQ(state()["stats"]["pieces"], 5);
  // A strategy's tree earns no praise: that is for the student's own clicks.
  EXPECT_EQ(state()["log"].back(), "Tree complete with 5 pieces, the fewest possible.");
  EXPECT_TRUE(state()["stats"]["complete"].get<bool>());
  run("undo\n");  // the whole build is one step
  EXPECT_EQ(state()["stats"]["nodes"], 3);
  // Random is repeatable with its seed; a complete tree is left alone.
  run("reset\nauto random 9 all\n");
  const json first = state()["tree"];
  run("reset\nauto random 9 all\nauto first\n");
  EXPECT_EQ(state()["tree"], first);
  EXPECT_NE(messageOf([&] { run("auto cleverest\n"); }).find("is not a strategy"), std::string::npos);
}

// The challenge shows the fewest pieces possible as the goal and counts it met only for a tree of
// the student's own clicks.
TEST_F(KolvarApp, TheChallengeIsMetOnlyByHand) {
  run("scene 1\ntoggle challenge\n");
  EXPECT_EQ(state()["challenge"], json::parse(R"({"on":true,"goal":5,"met":false})"));
  EXPECT_NE(g::get(tag("stats_line"), "String").text().find("Goal 5"), std::string::npos);
  run("click 1\nauto optimal all\n");  // a strategy finished it: 5 pieces, but not by hand
  EXPECT_EQ(state()["stats"]["pieces"], 5);
  EXPECT_FALSE(state()["challenge"]["met"].get<bool>());
  run("undo\nclick 5\nclick 3\n");
  EXPECT_TRUE(state()["challenge"]["met"].get<bool>());
  EXPECT_EQ(state()["log"].back(), "Tree complete with 5 pieces, the fewest possible. Well done!");
  EXPECT_NE(g::get(tag("stats_line"), "String").text().find("Goal 5: met!"), std::string::npos);
  // Beyond 10 polygons no goal can be known; switched off, the goal goes.
  run("generate walls 12 1\n");
  EXPECT_TRUE(state()["challenge"]["goal"].is_null());
  run("toggle challenge\n");
  EXPECT_EQ(g::get(tag("stats_line"), "String").text().find("Goal"), std::string::npos);
}

TEST_F(KolvarApp, CompareLeavesTheTreeAndAddsTheStudentsRowWhenComplete) {
  run("scene 3\nclick 2\n");
  const json before = state();
  const auto rowsOf = [&] {
    std::vector<json> rows;
    std::istringstream lines(run("compare\n"));
    for (std::string line; std::getline(lines, line);) rows.push_back(json::parse(line));
    return rows;
  };
  auto rows = rowsOf();
  EXPECT_EQ(state(), before);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[4]["strategy"], "optimal");
  // Scene 3's optimum: 3 first (it splits nothing and leaves 1 and 2 on one side), then 1.
  EXPECT_EQ(rows[4]["pieces"], 3);
  run("click 3\n");
  rows = rowsOf();
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[5], json::parse(R"({"strategy":"yours","pieces":5,"depth":3,"avg_leaf_depth":2.6666666666666665})"));
}

TEST_F(KolvarApp, ClosingFromTheTitleBarAsksOnceTheTreeHasGrown) {
  run("scene 3\n");
  g::closeRequest(fig);  // nothing built: no question
  EXPECT_FALSE(g::ishandle(fig));
}

TEST_F(KolvarApp, TheSameChoiceAgainSharesTheNodeItMadeBefore) {
  run("scene 3\nclick 2\n");
  const bsp::NodeRef first = app::fetchState(fig).root;
  run("reset\nclick 2\n");
  // The history holds one node for both clicks, not two equal copies.
  EXPECT_EQ(app::fetchState(fig).root, first);
  run("undo\nundo\nredo\nredo\n");
  EXPECT_EQ(app::fetchState(fig).root, first);
}

TEST_F(KolvarApp, ATypedScannerPositionIsUndoneLikeAClick) {
  const json before = state()["scanner"];
  const g::Handle ex = tag("scanner_x");
  g::set(ex, "String", "1.5");
  g::controlAction(ex);
  EXPECT_EQ(state()["scanner"][0], 1.5);
  EXPECT_EQ(state()["log"].back(), "Scanner placed at (1.5, 4.0, 0.0).");
  g::set(ex, "String", "left");  // not a number: no step
  g::controlAction(ex);
  run("undo\n");
  EXPECT_EQ(state()["scanner"], before);
}

TEST_F(KolvarApp, ALongBuildOrReadCanBeCancelledAndThenChangesNothing) {
  auto& dialogs = dynamic_cast<g::HeadlessBackend&>(g::backend()).script;
  const auto status = [&] { return state()["status"].get<std::string>(); };
  // More walls than a build tells step by step: it is built on the side, with a bar.
  run("generate walls 300 4\n");
  const json before = state();
  run("cancel 0.2\nauto fewest all\n");
  EXPECT_EQ(dialogs.asked.back().kind, "progress");
  EXPECT_EQ(dialogs.asked.back().title, "Building the tree with fewest...");
  EXPECT_EQ(state()["tree"], before["tree"]);
  EXPECT_EQ(state()["log"], before["log"]);
  EXPECT_EQ(status(), "Building with fewest was cancelled; the tree is as it was.");
  run("auto fewest all\n");  // not cancelled: built to the end, one step of the history
  EXPECT_TRUE(state()["stats"]["complete"].get<bool>());
  run("undo\n");
  EXPECT_EQ(state()["tree"], before["tree"]);

  // A long OBJ file cancelled while it is read: no new scene, and it is not a recent file.
  const std::string path = ::testing::TempDir() + "/long.obj";
  {
    std::ofstream obj(path);
    for (int i = 0; i < 3000; ++i) obj << "v " << i << " 0 0\nv " << i << " 1 0\nv " << i << " 0 1\nf -3 -2 -1\n";
  }
  const json scenes = state()["scene_info"];
  run("cancel\nopen " + path + "\n");
  EXPECT_EQ(dialogs.asked.back().title, "Reading long.obj...");
  EXPECT_EQ(state()["scene_info"], scenes);
  EXPECT_EQ(status(), "Opening long.obj was cancelled; nothing changed.");
  EXPECT_TRUE(app::recentFiles().empty() || app::recentFiles().front() != path);
  run("open " + path + "\n");
  EXPECT_EQ(state()["scene_info"]["polygons"], 3000);
  // A scene in JSON says nothing while it is read; a Cancel pressed meanwhile still counts.
  const std::string json = ::testing::TempDir() + "/small.json";
  std::ofstream(json) << R"({"name": "small", "polygons": [{"label": "1", "points": [[0,0,0],[1,0,0],[0,1,0]]}]})";
  run("cancel 0\nopen " + json + "\n");
  EXPECT_EQ(state()["scene_info"]["polygons"], 3000);
  EXPECT_EQ(status(), "Opening small.json was cancelled; nothing changed.");
  EXPECT_NE(messageOf([&] { run("cancel 2\n"); }).find("from 0 to 1"), std::string::npos);
}
