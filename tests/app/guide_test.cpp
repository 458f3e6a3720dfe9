// The help pages and the guided tour without a screen: what the Help menu and the script open,
// how the tour follows the student's actions, where it points and what it remembers.
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "../support.hpp"
#include "app/guide.hpp"
#include "app/tour.hpp"
#include "app_fixture.hpp"
#include "graphics/headless.hpp"

using namespace kolvar;
using kolvar::apptest::KolvarApp;

namespace {

graphics::RecordedGuidance& recorded() {
  return dynamic_cast<graphics::HeadlessBackend&>(graphics::backend()).help;
}

class Guide : public KolvarApp {
 protected:
  nlohmann::json tour() { return state()["tour"]; }
  std::string target() { return tour().is_null() ? "" : tour()["target"].get<std::string>(); }
  // The object the pointer on the window points at now.
  graphics::Handle pointed() { return recorded().pointers.at(fig).first.target; }
};

}  // namespace

TEST_F(Guide, TheTourWaitsForEachTaskAndPointsAtItsControl) {
  run("tour start\n");
  EXPECT_EQ(tour()["step"], 1);
  EXPECT_EQ(tour()["of"], app::tourSteps().size());
  EXPECT_EQ(pointed(), tag("select_poly"));
  // What the step does not ask for leaves it where it is.
  run("toggle show_labels\nscanner 1 1 0.5\n");
  EXPECT_EQ(tour()["step"], 1);

  run("scene 3\n");
  EXPECT_EQ(tour()["step"], 2);
  EXPECT_EQ(pointed(), tag("axes3"));
  run("toggle show_labels\n");
  EXPECT_EQ(tour()["step"], 2);
  // Wall 2 cuts wall 1: the click is done, and the split is on the screen.
  run("click 2\n");
  EXPECT_EQ(tour()["title"], "See a split");
  run("click 3\n");
  EXPECT_EQ(target(), "axes2");
  run("scanner -2 -3 0.5\n");
  EXPECT_EQ(target(), "scan_list");
  EXPECT_EQ(pointed(), tag("scan_list"));
  // The tree is whole; the scan list is read from a second place.
  run("toggle show_normals\n");
  EXPECT_EQ(target(), "scan_list");
  run("scanner 0 -4 0.5\n");
  EXPECT_EQ(tour()["step"], 6);

  // The last step waits for its button; finishing is remembered.
  run("scene 1\nreset\n");
  EXPECT_EQ(tour()["step"], 6);
  EXPECT_FALSE(recorded().setting(app::kTourSettingKey));
  run("tour next\n");
  EXPECT_TRUE(tour().is_null());
  EXPECT_FALSE(recorded().pointers.count(fig));
  EXPECT_EQ(recorded().setting(app::kTourSettingKey), "true");
}

TEST_F(Guide, InASceneThatIsNeverCutTheSplitStepEndsWithTheWholeTree) {
  // Scene 2's triangles lie in parallel planes: no order of clicks cuts one.
  run("tour start\nscene 2\nclick 1\n");
  EXPECT_EQ(tour()["title"], "See a split");
  run("click 2\n");  // and the last one, alone in its list, takes its place
  EXPECT_EQ(state()["stats"]["waiting"], 0);
  EXPECT_EQ(target(), "axes2");
}

TEST_F(Guide, SkippingStartsTheNextStepFromTheStateAtThatMoment) {
  // A scanner moved before its step began does not count for it.
  run("tour start\nscanner 1 1 0.5\ntour next\ntour next\ntour next\n");
  EXPECT_EQ(target(), "axes2");
  run("toggle show_normals\n");
  EXPECT_EQ(target(), "axes2");
  run("scanner 1 -1 0.5\n");
  EXPECT_EQ(target(), "scan_list");
  // Scene 1 has waiting polygons: moving the scanner is not enough while some are left; the step
  // is judged from the scanner at its start, so completing the tree after the move finishes it.
  run("scanner 1 2 0.5\n");
  EXPECT_EQ(target(), "scan_list");
  run("click 1\nclick 2\n");
  EXPECT_EQ(target(), "scan_list");
  run("click 3a\n");  // the last waiting list: the tree is whole, and it was all the step lacked
  EXPECT_EQ(state()["scan"].size(), 7u);
  EXPECT_EQ(tour()["step"], 6);
}

TEST_F(Guide, TheShortcutsPageListsEveryAcceleratorOfTheMenus) {
  const std::string keys = app::helpPage("keys").html;
  std::size_t accelerators = 0;
  for (graphics::Handle m : graphics::findall(fig, std::string_view("uimenu"))) {
    const Value key = graphics::get(m, "Accelerator");
    if (!key.isText() || key.text().empty()) continue;
    ++accelerators;
    const Value label = graphics::get(m, "Label");
    // An accelerator may name several keys ("Shift+Z Y"): each is listed.
    std::istringstream each(key.text());
    for (std::string k; each >> k;) EXPECT_NE(keys.find("<b>Ctrl+" + k + "</b>"), std::string::npos) << label.text();
    // The entry is named beside its key (its label without the dots).
    std::string name = label.text();
    name = name.substr(0, name.find("..."));
    EXPECT_NE(keys.find(name), std::string::npos) << name;
  }
  EXPECT_GE(accelerators, 4u);
}

TEST(TourAtStart, OfferedToTheStudentAtTheWindowNeverToAScript) {
  std::string atWindow;
  app::PlatformHooks hooks;
  hooks.interactive = [&] {
    atWindow = app::stateJson(app::kolvarWindow());
    return 0;
  };
  EXPECT_EQ(app::runProgram({}, hooks), 0);
  EXPECT_NE(atWindow.find(",\"tour\":{\"step\":1,\"of\":6,"), std::string::npos) << atWindow;

  // The same start with a script: the window is there, the tour is not.
  const std::string script = ::testing::TempDir() + "kolvar-tour-start.txt";
  std::ofstream(script) << "state\n";
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(app::runProgram({"--script", script}, hooks), 0);
  const std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find(",\"tour\":null,"), std::string::npos) << printed;
  std::remove(script.c_str());
}
