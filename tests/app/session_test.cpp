// Sessions: saved, opened in a fresh program, and refused when damaged.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/files.hpp"
#include "app/session.hpp"
#include "app/state.hpp"
#include "app_fixture.hpp"
#include "graphics/headless.hpp"

namespace kolvar::apptest {
namespace {

namespace g = kolvar::graphics;
using Json = nlohmann::ordered_json;

class Sessions : public KolvarApp {
 protected:
  void restart() {
    TearDown();
    SetUp();
  }
  std::string dir = ::testing::TempDir();
  std::string file(const std::string& name) { return dir + "session-test-" + name; }
  void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  std::string stateLine() { return app::stateJson(fig); }
  // The state lines met while undoing `n` steps and redoing them again.
  std::vector<std::string> walk(std::size_t n) {
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < n; ++i) seen.push_back(run("undo\nstate\n"));
    for (std::size_t i = 0; i < n; ++i) seen.push_back(run("redo\nstate\n"));
    return seen;
  }
};

// A scene of the student's own, built part way with splits, undone steps, options, a turned and
// zoomed view, a selected node and the painter's step, comes back whole in a fresh program.
TEST_F(Sessions, OpenedInAFreshProgramTheWindowIsAsSaved) {
  const std::string scene = file("walls.json");
  write(scene, R"({"name": "three walls", "polygons": [
    {"label": "1", "points": [[-1.5,-1,0],[1.5,-1,0],[1.5,-1,1],[-1.5,-1,1]]},
    {"label": "2", "points": [[-2,1.5,0],[-2,1.5,1],[-1,0,1],[-1,0,0]]},
    {"label": "3", "points": [[2,1.5,0],[1,0,0],[1,0,1],[2,1.5,1]]},
    {"label": "4", "points": [[-3,3,0],[3,3,0],[3,3,2],[-3,3,2]]}]})");
  run("generate walls 6 2\nopen " + scene +
      "\nclick 2\nauto first step\nauto first step\nundo\ntoggle show_planes\ntoggle show_log\n"
      "toggle show_labels\ntoggle show_scanner\nscanner 1 2 0.5\ntree zoom 1.6 413 75\ntree fold 2\n");
  const std::size_t steps = app::fetchState(fig).learning.history.doneCount;
  const std::vector<std::string> history = walk(steps);
  ASSERT_EQ(history.back(), stateLine() + "\n");
  // Selected after the walk: undoing the step that placed a node lets its selection go.
  run("select 2\npaint step\npaint speed fast\n");
  g::set(tag("strategy"), "Value", 3.0);
  g::view(tag("axes1"), Value::row({30, 20}));
  g::view(tag("axes2"), Value::row({30, 20}));
  auto s = app::fetchState(fig);
  s.interaction.zoom = {2, 1.5};
  app::storeState(fig, s);
  const std::string before = stateLine();
  const nlohmann::json seen = nlohmann::json::parse(before);
  ASSERT_EQ(seen["scene"], 5);
  ASSERT_NE(seen["cell"], nullptr) << "a node is selected";
  ASSERT_NE(seen["paint"], nullptr);
  ASSERT_NE(seen["treeview"]["zoom"], 1);
  ASSERT_EQ(seen["treeview"]["collapsed"], nlohmann::json::array({"2"}));
  run("save " + file("a.kolvar") + "\n");

  restart();
  run("open " + file("a.kolvar") + "\n");
  EXPECT_EQ(stateLine(), before);
  const app::ProgramState now = app::fetchState(fig);
  EXPECT_FALSE(views::isOn(tag("show_planes")));
  EXPECT_FALSE(views::isOn(tag("show_log")));
  EXPECT_EQ(g::get(tag("log_list"), "Visible").text(), "off");
  EXPECT_EQ(g::view(tag("axes1")).matrix().data, (std::vector<double>{30, 20}));
  EXPECT_EQ(g::view(tag("axes2")).matrix().data, (std::vector<double>{30, 20}));
  EXPECT_EQ(now.interaction.zoom, (std::array<double, 2>{2, 1.5}));
  // The tree view (in the state line above) and the popups of the Build and Play controls.
  EXPECT_EQ(g::get(tag("strategy"), "Value").scalar(), 3);
  EXPECT_EQ(g::get(tag("paint_speed"), "Value").scalar(), 3);
  // The scene itself: scene -> session -> scene gives the polygons of the file, in order.
  const bsp::PolygonList& shown = app::sceneShown(now);
  const bsp::Scene original = bsp::loadScene(scene);
  ASSERT_EQ(shown.size(), original.polygons.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i]->label, original.polygons[i]->label);
    EXPECT_EQ(shown[i]->points, original.polygons[i]->points);
  }
  EXPECT_EQ(app::sceneInfoShown(now).source, std::filesystem::absolute(scene).lexically_normal().string());
  EXPECT_EQ(app::setupShown(now).limits, views::setupAround(original.polygons, now.fixed->setup).limits);
  // The history: every step taken and undone, with its log, as it was (walked, as before saving,
  // with no node selected and no painter's step).
  run("select 2\npaint reset\n");
  EXPECT_EQ(walk(steps), history);
  std::remove(scene.c_str());
  std::remove(file("a.kolvar").c_str());
}

// Opening is one step: undoing past the session's oldest step brings back the window as it was,
// its own history included; redoing goes back into the session; a new step there drops it.
TEST_F(Sessions, UndoAfterOpeningGoesBackToTheWindowAsItWas) {
  run("scanner 1 1 1\nclick 1\nscanner -1 -1 0\n");
  const std::string sessionTop = stateLine();
  run("save " + file("b.kolvar") + "\n");
  const std::string sessionBase = run("undo\nundo\nundo\nstate\n");
  restart();
  run("scene 3\nclick 2\ntoggle show_normals\n");
  const std::string mine = stateLine() + "\n";
  run("open " + file("b.kolvar") + "\n");
  EXPECT_EQ(stateLine(), sessionTop);
  EXPECT_EQ(run("undo\nundo\nundo\nstate\n"), sessionBase);
  EXPECT_EQ(run("undo\nstate\n"), mine);
  EXPECT_EQ(run("undo\nundo\nredo\nredo\nstate\n"), mine);
  EXPECT_EQ(run("redo\nstate\n"), sessionBase) << "redo goes back up into the session";
  EXPECT_EQ(run("redo\nredo\nredo\nstate\n"), sessionTop + "\n");
  run("undo\nundo\nundo\nundo\nreset\n");
  const std::string afterNewStep = stateLine() + "\n";
  EXPECT_EQ(run("redo\nstate\n"), afterNewStep) << "a new step dropped the session above";

  // Sessions opened over sessions keep a bounded number of histories below.
  for (int i = 0; i < 20; ++i) run("open " + file("b.kolvar") + "\n");
  std::size_t layers = 0;
  const app::ProgramState s = app::fetchState(fig);
  for (const app::History* h = &s.learning.history; h->below; h = h->below.get()) ++layers;
  EXPECT_EQ(layers, app::kHistoryLayers);
  std::remove(file("b.kolvar").c_str());
}

// A long history stays small, since its steps share their trees, and what was shared is shared
// again when read.
TEST_F(Sessions, StepsShareTheirTreesInTheFileAndAfterReading) {
  run("scene 3\nclick 2\n");
  std::string moves;
  for (int i = 0; i < 300; ++i) moves += "scanner " + std::to_string(-3 + i * 0.01) + " 1 0.5\n";
  run("save " + file("c0.kolvar") + "\n" + moves + "save " + file("c.kolvar") + "\n");
  const double perStep = (read(file("c.kolvar")).size() - read(file("c0.kolvar")).size()) / 300.0;
  EXPECT_LT(perStep, 250) << "a scanner move costs a line, not a tree";
  restart();
  run("open " + file("c.kolvar") + "\n");
  const app::ProgramState s = app::fetchState(fig);
  std::size_t sharing = 0;
  for (const app::StepCell* c = s.learning.history.done.get(); c; c = c->next.get()) sharing += c->step.after.root == s.root;
  EXPECT_EQ(sharing, 301u);
  std::remove(file("c0.kolvar").c_str());
  std::remove(file("c.kolvar").c_str());
}

// Damaged files, and one from a newer kolvar, are refused with the file and the fault named,
// and the window is left exactly as it was.
TEST_F(Sessions, ANewerOrDamagedFileIsRefusedAndChangesNothing) {
  run("scene 3\nclick 2\nclick 3\nundo\n");
  const Json good = Json::parse(app::sessionText(fig));
  run("scene 2\nclick 1\n");
  const std::string before = stateLine();
  const Value popup = g::get(tag("select_poly"), "String");
  const std::size_t treeNode = good["window"]["tree"].get<std::size_t>();
  const struct {
    const char* what;
    std::function<void(Json&)> damage;
    std::string message;
  } cases[] = {
      {"newer", [](Json& j) { j["version"] = 2; },
       "bad.kolvar: was saved by a newer kolvar (session version 2); this one opens sessions up to version 1"},
      {"no polygon", [](Json& j) { j["nodes"][0]["poly"] = 999; },
       "bad.kolvar: /nodes/0/poly: there is no polygon 999 (the file has " + std::to_string(good["polygons"].size()) +
           ")"},
      {"wrong type", [](Json& j) { j["window"]["scanner"] = "here"; },
       "bad.kolvar: /window/scanner: must be a point [x, y, z]"},
      {"loop", [&](Json& j) { j["nodes"][treeNode]["left"] = treeNode; },
       "bad.kolvar: /nodes/" + std::to_string(treeNode) +
           "/left: must be null or the number of a node written before this one (a child comes before its parent)"},
      {"tree of another scene", [](Json& j) { j["window"]["scene"] = 2; },
       "bad.kolvar: /window/tree: polygon \"2\" is neither a polygon of scene 2 nor a piece of one: the tree does not "
       "belong to its scene"},
      {"not the preset", [](Json& j) { j["polygons"][0]["label"] = "one"; },
       "bad.kolvar: /scenes/0: is not this kolvar's preset scene 1"},
      {"history out of step", [](Json& j) { j["history"]["current"]["scanner"] = {1, 2, 3}; },
       "bad.kolvar: /history/done: the newest step taken must lead to \"current\""},
      {"node hung twice", [](Json& j) {
         Json leaf = j["nodes"][0];
         for (int i = 0; i < 12; ++i) {
           j["nodes"].push_back(leaf);
           leaf["left"] = leaf["right"] = j["nodes"].size() - 1;
         }
       },
       "its tree has more nodes than the file: some node hangs in it twice"},
      {"tree view turned inside out", [](Json& j) { j["window"]["tree_view"]["limits"] = {1, 0, -1, 1}; },
       "bad.kolvar: /window/tree_view/limits: each pair of limits must rise: x0 < x1 and y0 < y1"},
      {"unknown strategy", [](Json& j) { j["window"]["strategy"] = "cleverest"; },
       "bad.kolvar: /window/strategy: \"cleverest\" is none of first, fewest, balanced, random, optimal"},
      {"unknown check box", [](Json& j) { j["window"]["options"]["show_ghosts"] = true; },
       "bad.kolvar: /window/options/show_ghosts: this window has no check box tagged \"show_ghosts\""},
  };
  for (const auto& c : cases) {
    Json damaged = good;
    c.damage(damaged);
    try {
      app::openSession(fig, damaged.dump(), "bad.kolvar");
      ADD_FAILURE() << c.what << ": opened";
    } catch (const Error& e) {
      const std::string said = e.what();
      if (c.message.rfind("bad.kolvar: ", 0) == 0)
        EXPECT_EQ(said, c.message) << c.what;
      else  // the place depends on the file's size
        EXPECT_TRUE(said.rfind("bad.kolvar: /nodes/", 0) == 0 && said.find(": " + c.message) != std::string::npos) << said;
    }
    EXPECT_EQ(stateLine(), before) << c.what;
    EXPECT_EQ(g::get(tag("select_poly"), "String").describe(), popup.describe()) << c.what;
  }
  // Text that is not JSON at all, through File > Open's road.
  write(file("cut.kolvar"), app::sessionText(fig).substr(0, 200));
  EXPECT_THROW(run("open " + file("cut.kolvar") + "\n"), Error);
  EXPECT_EQ(stateLine(), before);
  std::remove(file("cut.kolvar").c_str());
}

// File > Save Session asks for a file; a save that fails is shown and leaves what was there.
TEST_F(Sessions, SaveSessionFromTheMenu) {
  auto& dialogs = dynamic_cast<g::HeadlessBackend&>(g::backend()).script;
  dialogs.saves.push_back(file("menu.kolvar"));
  run("click 3\n");
  g::menuAction(tag("SaveSessionMenuItem"));
  const std::string saved = read(file("menu.kolvar"));
  EXPECT_EQ(saved, app::sessionText(fig));
  EXPECT_EQ(saved.rfind("{\n\"format\": \"kolvar session\",\n\"version\": 1,", 0), 0u);

  dialogs.saves.push_back(file("no-such-folder/menu.kolvar"));
  g::menuAction(tag("SaveSessionMenuItem"));
  ASSERT_FALSE(dialogs.asked.empty());
  EXPECT_EQ(dialogs.asked.back().kind, "error");
  EXPECT_FALSE(std::filesystem::exists(file("no-such-folder")));
  std::remove(file("menu.kolvar").c_str());
}

}  // namespace
}  // namespace kolvar::apptest
