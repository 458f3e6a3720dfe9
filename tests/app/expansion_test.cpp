// The program end to end: start-up, expansion by clicks on waiting-list items found on screen,
// the scan list, scene changes and reset.
#include "app_fixture.hpp"

using namespace kolvar;
using namespace kolvar::apptest;
using nlohmann::json;

TEST_F(KolvarApp, EachSceneStartsUnderAPlaceholderRootWithEveryPolygonWaiting) {
  const std::vector<std::string> waiting[] = {{"1", "2", "3", "4", "5"}, {"1", "2", "3"}, {"1", "2", "3"}};
  for (int s = 1; s <= 3; ++s) {
    const json st = json::parse(run("scene " + std::to_string(s) + "\nstate\n"));
    EXPECT_EQ(st["scene"], s);
    EXPECT_TRUE(st["tree"]["poly"].is_null());
    EXPECT_EQ(labels(st["tree"]["front"]), waiting[s - 1]);
    EXPECT_TRUE(st["tree"]["back"].empty() && st["tree"]["left"].is_null());
    EXPECT_EQ(st["scanner"], json::array({0, 4, 0}));
  }
}

TEST_F(KolvarApp, SceneThreeExpandsAndScansAsTheTeachingExampleSays) {
  scannerOn();
  ::testing::internal::CaptureStderr();
  json st = json::parse(run("scene 3\nclick 2\nstate\n"));
  // The clicked item is gone with the redraw; the redraw keeps what it changed all the same.
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(st["tree"]["poly"]["label"], "2");
  EXPECT_EQ(labels(st["tree"]["front"]), (std::vector<std::string>{"1a", "3"}));
  EXPECT_EQ(st["tree"]["right"]["poly"]["label"], "1b");
  EXPECT_EQ(st["scan"], json::array({"1b", "2"}));
  EXPECT_EQ(st["readouts"], json::array({"0.0", "4.0", "0.0"}));

  st = json::parse(run("click 3\nstate\n"));
  const json& node3 = st["tree"]["left"];
  EXPECT_EQ(node3["poly"]["label"], "3");
  EXPECT_EQ(node3["left"]["poly"]["label"], "1aa");
  EXPECT_EQ(node3["right"]["poly"]["label"], "1ab");
  EXPECT_TRUE(st["tree"]["front"].empty());
  EXPECT_EQ(st["scan"], json::array({"1b", "2", "1ab", "3", "1aa"}));
  // Nothing is left waiting: the tree view has no clickable items.
  EXPECT_THROW(run("click 1a\n"), app::ScriptError);
}

TEST_F(KolvarApp, AFullyExpandedSceneHasNoItemsLeftAndScansEveryPlacedPolygon) {
  scannerOn();
  run("scene 1\n");
  std::function<std::string(const json&)> firstWaiting = [&](const json& t) -> std::string {
    if (t.is_null()) return "";
    for (const char* side : {"front", "back"})
      if (!t[side].empty()) return t[side][0]["label"];
    const std::string l = firstWaiting(t["left"]);
    return l.empty() ? firstWaiting(t["right"]) : l;
  };
  for (int clicks = 0;; ++clicks) {
    const std::string next = firstWaiting(state()["tree"]);
    if (next.empty()) break;
    ASSERT_LT(clicks, 20) << "the tree does not stop growing";
    run("click " + next + "\n");
  }
  std::function<std::size_t(const json&)> placed = [&](const json& t) -> std::size_t {
    return t.is_null() ? 0 : 1 + placed(t["left"]) + placed(t["right"]);
  };
  const json st = state();
  EXPECT_GE(placed(st["tree"]), 5u);
  EXPECT_EQ(st["scan"].size(), placed(st["tree"]));
  // Nothing waits: the only things a click reaches in the tree view are the nodes' captions.
  for (graphics::Handle h : graphics::findobj(tag("axes3")))
    if (!graphics::get(h, "ButtonDownFcn").isEmpty()) {
      EXPECT_TRUE(graphics::get(h, "UserData").isOpaque());
    }
}

TEST_F(KolvarApp, SceneChangeAndResetKeepScannerAndViewButDropTheTree) {
  run("scene 3\nclick 2\nscanner 1 -2 0.5\nview 30 20\n");
  const Value viewBefore = graphics::view(tag("axes1"));
  json st = json::parse(run("reset\nstate\n"));
  EXPECT_TRUE(st["tree"]["poly"].is_null());
  EXPECT_EQ(labels(st["tree"]["front"]), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(st["scanner"], json::array({1, -2, 0.5}));
  EXPECT_EQ(graphics::view(tag("axes1")), viewBefore);
  EXPECT_EQ(graphics::view(tag("axes2")), viewBefore);
  st = json::parse(run("click 1\nscene 3\nstate\n"));  // choosing the same scene also starts afresh
  EXPECT_TRUE(st["tree"]["poly"].is_null());
  EXPECT_EQ(st["scanner"], json::array({1, -2, 0.5}));
}

TEST_F(KolvarApp, TogglesChangeOnlyTheDrawing) {
  scannerOn();
  run("scene 3\nclick 2\n");
  const std::string before = app::stateJson(fig);
  auto textsIn = [&](const char* axes) { return graphics::findobj(tag(axes), {{"Type", "text"}}).size(); };
  const std::size_t labelsBefore = textsIn("axes1");
  run("toggle show_labels\n");
  EXPECT_NE(textsIn("axes1"), labelsBefore);
  json a = json::parse(before), b = state();
  // An option is a step of its own in the log, so that it can be undone.
  for (const char* k : {"options", "log"}) a.erase(k), b.erase(k);
  EXPECT_EQ(a, b);
  // The scanner box off: blank read-outs, empty scan list, no marker.
  scannerOn();
  const std::size_t linesWithMarker = graphics::findobj(tag("axes2"), {{"Type", "line"}}).size();
  run("toggle show_scanner\n");
  const json st = state();
  EXPECT_EQ(graphics::findobj(tag("axes2"), {{"Type", "line"}}).size(), linesWithMarker - 2);  // marker, drop line
  EXPECT_EQ(st["readouts"], json::array({" ", " ", " "}));
  EXPECT_TRUE(st["scan"].empty());
}
