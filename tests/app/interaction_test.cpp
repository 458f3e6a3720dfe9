// Mouse interaction through the event API: the scanner from a press in the partition view, a
// failing callback, and the window's layout with the tree view's.
#include <cmath>
#include <optional>

#include "app_fixture.hpp"
#include "graphics/model.hpp"
#include "graphics/render.hpp"

using namespace kolvar;
using namespace kolvar::apptest;
using nlohmann::json;
namespace g = kolvar::graphics;

namespace {

g::Point centreOf(const g::Rect& r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

}  // namespace

TEST_F(KolvarApp, APressInThePartitionViewPutsTheScannerOnTheFarPoint) {
  scannerOn();
  run("scene 3\nclick 2\n");
  const g::Handle ax2 = tag("axes2");
  const g::Point p = centreOf(g::objectPixelRect(ax2));
  const double px = p.x + 7, py = p.y - 5;  // off centre, so no coordinate is trivially zero
  const Matrix sight = g::currentPointAt(ax2, px, py);
  run("press " + formatShortest(px) + " " + formatShortest(py) + "\n");
  const json st = state();
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(st["scanner"][k].get<double>(), sight(1, k), 1e-9) << k;
  EXPECT_NE(sight(0, 2), sight(1, 2));  // the near and far points differ, so the far one was taken
  // The scan order follows the new scanner position at once.
  EXPECT_EQ(st["scan"].size(), 2u);
}

TEST_F(KolvarApp, AFailingCallbackLeavesStateAndWindowWorking) {
  run("scene 3\n");
  const std::string before = app::stateJson(fig);
  // Spoil one waiting-list item; clicking it fails inside its callback.
  const auto items = g::findobj(tag("axes3"), {{"String", "1"}});
  ASSERT_FALSE(items.empty());
  for (g::Handle h : items) g::set(h, "UserData", Value::cellRow({Value(1.0), Value("not a list")}));
  ::testing::internal::CaptureStderr();
  run("click 1\n");
  const std::string reported = testing::internal::GetCapturedStderr();
  EXPECT_NE(reported.find("Error"), std::string::npos) << reported;
  EXPECT_EQ(app::stateJson(fig), before);
  // The window keeps working.
  EXPECT_EQ(state()["tree"].is_null(), false);
  run("click 2\n");
  EXPECT_EQ(state()["tree"]["poly"]["label"], "2");
}

TEST_F(KolvarApp, TheTreeViewLaysNodesOutByDepthAndStacksListItemsByTheirHeight) {
  run("scene 3\nclick 2\n");
  const g::Handle ax3 = tag("axes3");
  auto positionOf = [&](const char* label, bool caption) {
    for (g::Handle h : g::findobj(ax3, {{"Type", "text"}, {"String", label}}))
      if (g::get(h, "UserData").isCell() != caption) return g::get(h, "Position").matrix();  // items carry a list
    ADD_FAILURE() << "no text " << label;
    return Matrix::row({0, 0, 0});
  };
  const Matrix root = positionOf("2", true);
  EXPECT_DOUBLE_EQ(root[0], 0);
  EXPECT_DOUBLE_EQ(root[1], 8);
  const Matrix leaf = positionOf("1b", true);  // the back leaf, one level down to the right
  EXPECT_DOUBLE_EQ(leaf[0], 10);
  EXPECT_DOUBLE_EQ(leaf[1], 6);
  // The front list hangs at (-10, 6) (how its items stack is the views' business).
  const Matrix first = positionOf("1a", false);
  EXPECT_DOUBLE_EQ(first[0], -10);
  EXPECT_DOUBLE_EQ(first[1], 6);
  // Every line and caption ignores the mouse; only list items take clicks.
  for (g::Handle h : g::findobj(ax3)) {
    if (h == ax3) continue;
    const bool item = !g::get(h, "ButtonDownFcn").isEmpty();
    EXPECT_EQ(g::get(h, "HitTest").text(), item ? "on" : "off") << g::typeOf(h);
  }
}

TEST_F(KolvarApp, TheLayoutConnectsEveryControlAndMenuToItsHandlerAndKeepsTheViewsApart) {
  const auto call = [](const std::string& handler) { return "kolvar('" + handler + "',gcbo,[],guidata(gcbo))"; };
  const std::pair<const char*, const char*> callbacks[] = {
      {"select_poly", "select_poly_Callback"},    {"reset", "reset_Callback"},
      {"show_labels", "show_option_Callback"},    {"show_normals", "show_option_Callback"},
      {"show_scanner", "show_option_Callback"},   {"show_coordinate_frame", "show_option_Callback"},
      {"FileMenu", "FileMenu_Callback"},          {"OpenMenuItem", "OpenMenuItem_Callback"},
      {"PrintMenuItem", "PrintMenuItem_Callback"}, {"CloseMenuItem", "CloseMenuItem_Callback"}};
  for (const auto& [t, handler] : callbacks) EXPECT_EQ(g::get(tag(t), "Callback").text(), call(handler)) << t;
  EXPECT_EQ(g::get(tag("select_poly"), "CreateFcn").text(), call("select_poly_CreateFcn"));
  EXPECT_TRUE(g::getappdata(fig, "GUIOptions").field("syscolorfig").isTrue());
  EXPECT_EQ(g::get(fig, "HandleVisibility").text(), "callback");

  // The tree view has the most room; the three axes do not overlap.
  const char* views[] = {"axes1", "axes2", "axes3"};
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b) {
      const g::Rect p = g::objectPixelRect(tag(views[a])), q = g::objectPixelRect(tag(views[b]));
      EXPECT_FALSE(p.x < q.x + q.width && q.x < p.x + p.width && p.y < q.y + q.height && q.y < p.y + p.height)
          << views[a] << " and " << views[b];
      if (b == 2) {
        EXPECT_GT(q.width * q.height, p.width * p.height) << views[a];
      }
    }
}

// The flat views (top, front, side) fill their rectangle alike, and neither they nor the slanted
// view put an axis's name or tick label under a view button, at the usual size and the smallest.
TEST_F(KolvarApp, TheNamedViewsFillTheirViewsAndKeepTheirLabelsClearOfTheViewButtons) {
  const char* buttons[] = {"view_top", "view_front", "view_side", "view_default", "view_reset"};
  for (const auto& size : {Value::row({360, 140, 1200, 800}), Value::row({0, 0, 1024, 700})}) {
    g::set(fig, "Position", size);
    std::optional<g::Rect> flat;
    for (const char* view : {"top", "front", "side", "default"}) {
      run(std::string("view ") + view + "\n");
      int labels = 0;
      bool filled = false;  // only a flat view has a rectangle for background
      for (const g::Primitive& p : g::figureDisplayList(fig).items) {
        if (!g::ishandle(p.source) || g::typeOf(p.source) != "axes" || p.source == tag("axes3")) continue;
        if (p.kind == g::Primitive::Kind::Rect && p.filled && p.source == tag("axes1")) {
          if (!flat) flat = p.box;
          EXPECT_EQ(p.box, *flat) << view;
          filled = true;
        }
        if (p.kind != g::Primitive::Kind::Text) continue;
        ++labels;
        for (const char* b : buttons)
          EXPECT_FALSE(p.box.overlaps(g::objectPixelRect(tag(b)))) << view << ": " << p.annotation().text << " under " << b;
      }
      EXPECT_GT(labels, 10) << view;
      EXPECT_EQ(filled, std::string(view) != "default") << view;
    }
  }
}

// Of a great many waiting polygons the partition view ghosts a sample; its caption and the state
// say how many, and the caption comes back once the view shows them all.
TEST_F(KolvarApp, TheCaptionAndTheStateSayWhenThePartitionViewShowsASampleOfTheWaiting) {
  const std::string caption = g::get(tag("partition_caption"), "String").text();
  run("generate walls 20001 3\n");
  EXPECT_EQ(state()["ghosts"], (json{{"waiting", 20001}, {"every", 3}}));
  EXPECT_EQ(g::get(tag("partition_caption"), "String").text(), "Partition: 1 in 3 waiting polygons shown");
  run("undo\n");
  EXPECT_EQ(state()["ghosts"], (json{{"waiting", 5}, {"every", 1}}));
  EXPECT_EQ(g::get(tag("partition_caption"), "String").text(), caption);
}

// A drag held in the scene view turns it, and the partition view with it, as sketches when their
// depth orders are large (here made small enough for scene 1), which the state names; letting go
// draws them whole again.
TEST_F(KolvarApp, ADragHeldInALargeSceneShowsASketchUntilReleased) {
  run("scene 1\n");
  g::RenderCache& cache = g::detail::session().drawings[fig].cache;
  cache.sketchAbove = 2;
  cache.sketchFaces = 2;
  const g::Point a = centreOf(g::objectPixelRect(tag("axes1")));
  const std::string at = std::to_string(a.x) + " " + std::to_string(a.y) + " ";
  run("drag " + at + std::to_string(a.x - 30) + " " + std::to_string(a.y) + " hold\n");
  EXPECT_EQ(state()["sketched"], json::array({"axes1", "axes2"}));
  run("release " + std::to_string(a.x - 30) + " " + std::to_string(a.y) + "\n");
  EXPECT_EQ(state()["sketched"], json::array());
  EXPECT_THROW(run("drag 1 2 3 4 keep\n"), std::exception);
}
