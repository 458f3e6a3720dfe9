// What the student points at and steers, through the script driver and the event API: the hover
// preview against what the click then does, selection and its cell, linked highlighting, the
// scanner steered by a drag, typed entries, named views and the wheel's zoom.
#include <cmath>

#include "app_fixture.hpp"
#include <cstdio>
#include <fstream>
#include <iterator>

#include "bsp/bsp.hpp"
#include "graphics/headless.hpp"
#include "graphics/render.hpp"

using namespace kolvar;
using namespace kolvar::apptest;
using nlohmann::json;
namespace g = kolvar::graphics;

namespace {

// The labels of the polygons in the waiting lists of a state's tree, in walk order.
void waitingLabels(const json& t, std::vector<std::string>& out) {
  if (t.is_null()) return;
  for (const char* side : {"front", "back"})
    for (const auto& p : t[side]) out.push_back(p["label"]);
  waitingLabels(t["left"], out);
  waitingLabels(t["right"], out);
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// The labels a click filed on one side of the new node: its waiting list there, or the leaf a
// lone polygon became (the front child is "left").
std::vector<std::string> filed(const json& node, const char* side) {
  std::vector<std::string> out;
  for (const auto& p : node[side]) out.push_back(p["label"]);
  const json& child = node[std::string(side) == "front" ? "left" : "right"];
  if (!child.is_null() && !child["poly"].is_null()) out.push_back(child["poly"]["label"]);
  return out;
}

json nodeOf(const json& t, const std::string& label) {
  if (t.is_null()) return nullptr;
  if (!t["poly"].is_null() && t["poly"]["label"] == label) return t;
  json l = nodeOf(t["left"], label);
  return l.is_null() ? nodeOf(t["right"], label) : l;
}

}  // namespace

// Every waiting item of every preset, at the first two levels: what the preview says is what a
// click then does (front and back lists; a split polygon's pieces land on both sides).
TEST_F(KolvarApp, AHoverPreviewSaysWhatTheClickThenDoes) {
  for (int scene = 1; scene <= 3; ++scene) {
    for (const std::string& first : std::vector<std::string>{"", "1"}) {
      run("scene " + std::to_string(scene) + "\n" + (first.empty() ? "" : "click " + first + "\n"));
      std::vector<std::string> items;
      waitingLabels(state()["tree"], items);
      for (const std::string& label : items) {
        run("hover " + label + "\n");
        const json preview = state()["preview"];
        ASSERT_FALSE(preview.is_null()) << label;
        EXPECT_EQ(preview["splitter"], label);
        run("click " + label + "\n");
        EXPECT_TRUE(state()["preview"].is_null()) << "a polygon no longer waiting previews nothing";
        const json node = nodeOf(state()["tree"], label);
        ASSERT_FALSE(node.is_null());
        std::vector<std::string> front = preview["front"], back = preview["back"];
        for (const std::string s : preview["split"]) {
          front.push_back(s + "a");
          back.push_back(s + "b");
        }
        EXPECT_EQ(sorted(front), sorted(filed(node, "front"))) << "scene " << scene << ", " << label;
        EXPECT_EQ(sorted(back), sorted(filed(node, "back"))) << "scene " << scene << ", " << label;
        run("reset\n" + (first.empty() ? "" : "click " + first + "\n"));
      }
      run("hover\n");
      EXPECT_TRUE(state()["preview"].is_null()) << "the preview goes when the pointer leaves";
    }
  }
}

// A step that takes away the list under the pointer ends its preview; one that leaves the list
// keeps it.
TEST_F(KolvarApp, APreviewLastsAsLongAsItsList) {
  run("scene 1\nclick 3\nhover 4\nclick 1\n");  // 4 waits behind 3, 1 in front
  EXPECT_EQ(state()["preview"]["splitter"], "4");
  run("undo\n");
  EXPECT_EQ(state()["preview"]["splitter"], "4") << "the list behind 3 is back as it was";
  run("undo\n");
  EXPECT_TRUE(state()["preview"].is_null()) << "the list behind 3 is gone";
}

TEST_F(KolvarApp, SelectingANodeShowsItsCellAndLinksItsPolygonEverywhere) {
  scannerOn();
  run("scene 3\nclick 2\nclick 3\nselect 3\n");
  const json st = state();
  // Node 3 lies in front of 2: its cell is the part of the box on the front side of 2's plane.
  ASSERT_FALSE(st["cell"].is_null());
  const auto scene = bsp::presetScenes()[2];
  const geometry::Plane plane2 = bsp::planeOf(*scene[1]);
  for (const auto& v : st["cell"]) {
    const geometry::Vec3 p{v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
    EXPECT_GE(geometry::distance(plane2, p), -1e-9);
    for (int k = 0; k < 3; ++k) EXPECT_LE(std::abs(v[k].get<double>()), 4 + 1e-9);
  }
  // The scan list's selection is the row of 3, wherever the row stands.
  const g::Handle list = tag("scan_list");
  const Value rows = g::get(list, "Value");
  ASSERT_TRUE(rows.isScalar());
  EXPECT_EQ(st["scan"][static_cast<std::size_t>(rows.scalar()) - 1], "3");
  run("scanner 2 3 0.5\n");
  EXPECT_EQ(state()["scan"][static_cast<std::size_t>(g::get(list, "Value").scalar()) - 1], "3");
  // A second click on the selected node lets it go.
  run("select 3\n");
  EXPECT_TRUE(state()["cell"].is_null());
  // Choosing a scan row selects its polygon.
  g::controlAction(list, Value(1.0));
  EXPECT_FALSE(state()["cell"].is_null());
  // Undoing the steps that placed it lets the selection go with the node.
  run("undo\nundo\nundo\n");
  EXPECT_TRUE(state()["focus"]["selected"].is_null());
  EXPECT_TRUE(state()["cell"].is_null());
}

// In a scene so large that its polygons are drawn by colour, many to an object, pointing at one
// in the scene view still names it: the polygon named is the one the line of sight meets.
TEST_F(KolvarApp, PointingAtAPolygonOfALargeSceneNamesIt) {
  // Seen from above, no triangle of the terrain hides another or stands on its edge.
  run("generate terrain 72\nview top\n");  // 10,368 triangles
  const g::Handle ax = tag("axes1");
  const g::Rect r = g::objectPixelRect(ax);
  // A pixel inside one face: the same face lies a pixel away on every side.
  const auto anything = [](g::Handle) { return true; };
  const auto faceAt = [&](double x, double y) {
    const g::DrawnFace f = g::faceDrawnAt(fig, x, y, anything);
    return std::pair(f.object, f.face);
  };
  g::Point at{0, 0};
  for (double f = 0.3; f < 0.9 && at.x == 0; f += 0.005) {
    const double x = r.x + r.width * f, y = r.y + r.height * f;
    const auto here = faceAt(x, y);
    if (here.first != fig && g::typeOf(here.first) == "patch" && faceAt(x - 1, y) == here && faceAt(x + 1, y) == here &&
        faceAt(x, y - 1) == here && faceAt(x, y + 1) == here)
      at = {x, y};
  }
  ASSERT_NE(at.x, 0) << "the terrain lies under the view's diagonal";
  run("point " + std::to_string(at.x) + " " + std::to_string(at.y) + "\n");
  const json st = state();
  ASSERT_TRUE(st["focus"]["pointed"].is_string());
  EXPECT_EQ(st["status"], "Pointing at " + st["focus"]["pointed"].get<std::string>());
  std::vector<geometry::Vec3> face;
  for (const auto& p : st["tree"]["front"])
    if (p["label"] == st["focus"]["pointed"])
      for (const auto& v : p["points"]) face.push_back({v[0].get<double>(), v[1].get<double>(), v[2].get<double>()});
  ASSERT_EQ(face.size(), 3u);
  // Where the line of sight crosses the triangle's plane lies inside the triangle.
  const Matrix sight = g::currentPointAt(ax, at.x, at.y);
  const geometry::Vec3 nearPoint{sight(0, 0), sight(0, 1), sight(0, 2)}, farPoint{sight(1, 0), sight(1, 1), sight(1, 2)};
  const geometry::Vec3 n = cross(face[1] - face[0], face[2] - face[0]);
  const geometry::Vec3 d = farPoint - nearPoint;
  const geometry::Vec3 q = nearPoint + (dot(face[0] - nearPoint, n) / dot(d, n)) * d;
  for (std::size_t i = 0; i < 3; ++i) {
    const geometry::Vec3 edge = face[(i + 1) % 3] - face[i];
    EXPECT_GE(dot(cross(edge, q - face[i]), n) / (norm(edge) * norm(n)), -1e-6) << "edge " << i;
  }
  run("point 1 1\n");
  EXPECT_TRUE(state()["focus"]["pointed"].is_null());
  EXPECT_EQ(state()["status"], " ");
}

// A redraw that changes neither the tree nor the scanner keeps the scan list's lines as they are,
// unless something else set them meanwhile.
TEST_F(KolvarApp, TheScanListIsSetAgainOnlyWhenItMayShowSomethingElse) {
  scannerOn();
  run("scene 3\nclick 2\n");
  const json scan = state()["scan"];
  ASSERT_FALSE(scan.empty());
  g::set(tag("scan_list"), "String", "stray");
  run("toggle show_labels\n");
  EXPECT_EQ(state()["scan"], scan);
  run("toggle show_scanner\ntoggle show_scanner\n");
  EXPECT_EQ(state()["scan"], scan) << "hidden and shown again";
}

TEST_F(KolvarApp, TheScannerFollowsADragInsideTheSceneAndShiftChangesItsHeight) {
  scannerOn();
  run("scene 3\nclick 2\n");
  const json start = state()["scanner"];
  const g::Handle ax2 = tag("axes2");
  const g::Rect r = g::objectPixelRect(ax2);
  const double x = r.x + r.width / 2, y = r.y + r.height / 2;
  g::press(fig, x, y);
  const double z = state()["scanner"][2];
  g::drag(fig, x + 30, y + 10);
  json s = state()["scanner"];
  EXPECT_EQ(s[2].get<double>(), z) << "a plain drag keeps the height";
  g::drag(fig, x + 30, y - 40, g::Modifiers{true, false, false});
  const json lifted = state()["scanner"];
  EXPECT_GT(lifted[2].get<double>(), z) << "Shift and up raises it";
  EXPECT_EQ(lifted[0], s[0]);
  // Far outside the view, the scanner stays on the walls of the box.
  g::drag(fig, 0, 0);
  for (int k = 0; k < 3; ++k) EXPECT_LE(std::abs(state()["scanner"][k].get<double>()), 4.0);
  g::release(fig, 0, 0);
  s = state()["scanner"];
  g::motion(fig, x, y);
  EXPECT_EQ(state()["scanner"], s) << "the release ends the steering";
  run("undo\n");
  EXPECT_EQ(state()["scanner"], start) << "one undo takes the whole drag back";
  run("redo\n");
  EXPECT_EQ(state()["scanner"], s);
  // Typed entries move it too, kept inside the scene; a word changes nothing.
  const g::Handle ex = tag("scanner_x");
  g::set(ex, "String", "1.5");
  g::controlAction(ex);
  EXPECT_EQ(state()["scanner"][0], 1.5);
  g::set(ex, "String", "99");
  g::controlAction(ex);
  EXPECT_EQ(state()["scanner"][0], 4);
  g::set(ex, "String", "left");
  g::controlAction(ex);
  EXPECT_EQ(state()["scanner"][0], 4);
}

TEST_F(KolvarApp, NamedViewsTurnBothViewsAndTheWheelZoomsTheOneUnderThePointer) {
  run("view top\n");
  for (const char* ax : {"axes1", "axes2"}) EXPECT_EQ(g::view(tag(ax)), Value::row({0, 90}));
  g::menuAction(tag("view_side_menu"));
  for (const char* ax : {"axes1", "axes2"}) EXPECT_EQ(g::view(tag(ax)), Value::row({90, 0}));
  const g::Rect r = g::objectPixelRect(tag("axes1"));
  g::scroll(fig, r.x + r.width / 2, r.y + r.height / 2, -3);
  EXPECT_GT(g::get(tag("axes1"), "Zoom").scalar(), 1.4);
  EXPECT_EQ(g::get(tag("axes2"), "Zoom").scalar(), 1);
  // A redraw keeps the zoom; "reset" undoes it with the view.
  run("toggle show_labels\n");
  EXPECT_GT(g::get(tag("axes1"), "Zoom").scalar(), 1.4);
  g::controlAction(tag("view_reset"));
  EXPECT_EQ(g::get(tag("axes1"), "Zoom").scalar(), 1);
  EXPECT_EQ(g::view(tag("axes1")), Value::row({-37.5, 30}));
  EXPECT_THROW(run("view sideways\n"), std::exception);
}

// Exports: an SVG of a view holds its polygons as shapes and its labels as text, written without
// a screen; a PNG needs the window system and says so; an unknown kind or view is refused and
// leaves no file. File > Export asks where and writes there.
TEST_F(KolvarApp, AViewExportsAsAnSvgDrawingWithItsLabelsAsText) {
  const std::string dir = ::testing::TempDir();
  run("scene 3\nclick 2\nexport " + dir + "kolvar-tree.svg tree\nexport " + dir + "kolvar-all.svg\n");
  std::ifstream tree(dir + "kolvar-tree.svg"), all(dir + "kolvar-all.svg");
  const std::string svg((std::istreambuf_iterator<char>(tree)), {}), whole((std::istreambuf_iterator<char>(all)), {});
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find(">1b</text>"), std::string::npos);
  EXPECT_EQ(svg.find("<polygon"), std::string::npos) << "the tree view has no faces";
  // One shape per face drawn: as many <polygon>s as the window's display list holds faces (and
  // diamond markers, which are drawn as polygons too).
  std::size_t drawn = 0, shapes = 0;
  for (const g::Primitive& p : g::figureDisplayList(fig).items) {
    if (p.kind == g::Primitive::Kind::Face && p.points.size() >= 3) ++drawn;
    if (p.kind == g::Primitive::Kind::Marker && p.annotation().marker == "d") drawn += p.points.size();
  }
  for (auto at = whole.find("<polygon "); at != std::string::npos; at = whole.find("<polygon ", at + 1)) ++shapes;
  EXPECT_GT(drawn, 10u);
  EXPECT_EQ(shapes, drawn);
  EXPECT_NE(whole.find("fill-opacity"), std::string::npos) << "planes and ghosts stay translucent";
  EXPECT_GT(whole.size(), svg.size());
  EXPECT_THROW(run("export " + dir + "kolvar.png\n"), std::exception);
  EXPECT_THROW(run("export " + dir + "kolvar.bmp\n"), std::exception);
  EXPECT_THROW(run("export " + dir + "kolvar.svg sideways\n"), std::exception);
  EXPECT_FALSE(std::ifstream(dir + "kolvar.bmp").good());

  auto& dialogs = dynamic_cast<g::HeadlessBackend&>(g::backend()).script;
  dialogs.saves.push_back(dir + "kolvar-menu.svg");
  g::menuAction(tag("ExportPartitionMenuItem"));
  EXPECT_TRUE(std::ifstream(dir + "kolvar-menu.svg").good());
  for (const char* f : {"kolvar-tree.svg", "kolvar-all.svg", "kolvar-menu.svg"}) std::remove((dir + f).c_str());
}
