// The tree view at scale: fit, zoom about the pointer, panning, folded lists and subtrees, and
// captions that never run into each other.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "app/app.hpp"
#include "app_fixture.hpp"
#include "bsp/workload.hpp"
#include "graphics/render.hpp"
#include "scenes/generators.hpp"

namespace kolvar::apptest {
namespace {

namespace g = kolvar::graphics;

struct Shown {
  std::string text;
  g::Rect box;
  g::Point centre() const { return {box.x + box.width / 2, box.y + box.height / 2}; }
};

class TreeView : public KolvarApp {
 protected:
  // The texts the tree view shows, as painted.
  std::vector<Shown> texts() {
    std::vector<Shown> out;
    const g::Handle ax3 = tag("axes3");
    for (const auto& p : g::figureDisplayList(fig).items)
      if (p.kind == g::Primitive::Kind::Text && g::ishandle(p.source) && g::typeOf(p.source) == "text" &&
          g::ancestor(p.source, "axes") == ax3)
        out.push_back({g::get(p.source, "String").text(), p.box});
    return out;
  }
  Shown shown(const std::string& text) {
    for (const Shown& s : texts())
      if (s.text == text) return s;
    ADD_FAILURE() << "the tree view shows no " << text;
    return {};
  }
  bool shows(const std::string& text) {
    for (const Shown& s : texts())
      if (s.text == text) return true;
    return false;
  }
  void showTree(bsp::NodeRef root) {
    app::ProgramState s = app::fetchState(fig);
    s.root = std::move(root);
    app::storeState(fig, s);
    graphics::asCallbackOf(fig, [&] { app::redraw(s); });
  }
  void click(g::Point p, g::MouseButton b = g::MouseButton::Left) {
    g::press(fig, p.x, p.y, b);
    g::release(fig, p.x, p.y);
  }
  nlohmann::json view() { return state()["treeview"]; }
};

TEST_F(TreeView, FitMakesASmallTreeFillThePanelWithEveryCaptionInside) {
  run("scene 3\nclick 2\n");
  const g::Rect panel = g::objectPixelRect(tag("axes3"));
  auto extent = [&] {
    g::Rect u{1e9, 1e9, -1e9, -1e9};
    for (const Shown& s : texts()) {
      u.width = std::max(u.width, s.box.x + s.box.width);
      u.height = std::max(u.height, s.box.y + s.box.height);
      u.x = std::min(u.x, s.box.x);
      u.y = std::min(u.y, s.box.y);
    }
    return g::Rect{u.x, u.y, u.width - u.x, u.height - u.y};
  };
  const g::Rect before = extent();
  EXPECT_LT(before.width, panel.width * 0.7);
  EXPECT_LT(before.height, panel.height * 0.5);
  g::controlAction(tag("tree_fit"));
  const g::Rect after = extent();
  EXPECT_GT(after.width, panel.width * 0.8);
  EXPECT_GT(after.height, panel.height * 0.6);
  EXPECT_GE(after.x, panel.x);
  EXPECT_GE(after.y, panel.y);
  EXPECT_LE(after.x + after.width, panel.x + panel.width);
  EXPECT_LE(after.y + after.height, panel.y + panel.height);
  EXPECT_GT(view()["zoom"].get<double>(), 1);
  // Positions scale with the zoom; texts keep their size.
  const Shown root = shown("2");
  run("tree zoom 3 " + std::to_string(root.centre().x) + " " + std::to_string(root.centre().y) + "\n");
  EXPECT_DOUBLE_EQ(shown("2").box.height, root.box.height);
  EXPECT_DOUBLE_EQ(shown("2").box.width, root.box.width);
}

TEST_F(TreeView, TheWheelZoomsAboutThePointerAndADragPansWithoutChoosingAnything) {
  run("scene 3\nclick 2\nclick 3\n");
  const g::Point root = shown("2").centre(), leaf = shown("1b").centre();
  const g::Point at{root.x + 7, root.y + 4};
  g::scroll(fig, at.x, at.y, -2);  // two notches away from the user: closer
  const double k = std::pow(1.15, 2);
  EXPECT_NEAR(view()["zoom"].get<double>(), k, 1e-9);
  // The point under the pointer stays there; everything else moves away from it by the zoom.
  const g::Point root2 = shown("2").centre(), leaf2 = shown("1b").centre();
  EXPECT_NEAR(root2.x - at.x, (root.x - at.x) * k, 1e-6);
  EXPECT_NEAR(root2.y - at.y, (root.y - at.y) * k, 1e-6);
  EXPECT_NEAR(leaf2.x - at.x, (leaf.x - at.x) * k, 1e-6);
  EXPECT_NEAR(leaf2.y - at.y, (leaf.y - at.y) * k, 1e-6);
  EXPECT_EQ(state()["stats"]["nodes"], 5);

  // The wheel over the scene view still zooms the scene view, not the tree.
  const g::Rect scene = g::objectPixelRect(tag("axes1"));
  g::scroll(fig, scene.x + scene.width / 2, scene.y + scene.height / 2, -1);
  EXPECT_NEAR(view()["zoom"].get<double>(), k, 1e-9);

  // A middle-button drag that starts on a caption moves the tree with the pointer and selects
  // nothing; so does a drag with Space held.
  g::press(fig, root2.x, root2.y, g::MouseButton::Middle);
  g::drag(fig, root2.x + 30, root2.y + 20);
  g::release(fig, root2.x + 30, root2.y + 20);
  EXPECT_NEAR(shown("2").centre().x, root2.x + 30, 1e-6);
  EXPECT_NEAR(shown("2").centre().y, root2.y + 20, 1e-6);
  EXPECT_TRUE(state()["cell"].is_null());
  const g::Point moved = shown("2").centre();
  g::Modifiers space;
  space.space = true;
  g::press(fig, moved.x, moved.y, g::MouseButton::Left, space);
  g::drag(fig, moved.x - 10, moved.y, space);
  g::release(fig, moved.x - 10, moved.y, space);
  EXPECT_NEAR(shown("2").centre().x, moved.x - 10, 1e-6);
  EXPECT_TRUE(state()["cell"].is_null());
  // Without either, a click on the caption selects its node again.
  click(shown("2").centre());
  EXPECT_FALSE(state()["cell"].is_null());
}

// Zoomed in and panned, the drawing is larger than the panel: what crosses its edge is cut
// there. Captions and list items once hung out over the statistics and the strategy panel.
TEST_F(TreeView, ZoomedOrPannedNothingOfTheTreeShowsOutsideItsPanel) {
  run("generate walls 30 4\nclick w1\nclick w4\n");
  const g::Handle ax3 = tag("axes3");
  const g::Rect panel = g::objectPixelRect(ax3);
  const auto outside = [&] {
    std::size_t texts = 0;
    std::string out;
    for (const g::Primitive& p : g::figureDisplayList(fig).items) {
      if (p.source == ax3 || !g::ishandle(p.source) || g::ancestor(p.source, "axes") != ax3) continue;
      texts += p.kind == g::Primitive::Kind::Text;
      const g::Rect r = g::reachOf(p);
      if (r.width > 0 && r.height > 0 &&
          (r.x < panel.x - 1e-9 || r.y < panel.y - 1e-9 || r.x + r.width > panel.x + panel.width + 1e-9 ||
           r.y + r.height > panel.y + panel.height + 1e-9))
        out += (p.kind == g::Primitive::Kind::Text ? p.annotation().text : std::string("a line or marker")) + "; ";
    }
    EXPECT_GT(texts, 5u) << "the tree view shows its captions and lists";
    return out;
  };
  run("tree zoom 2\n");
  EXPECT_EQ(outside(), "");
  run("tree pan -150 -120\n");
  EXPECT_EQ(outside(), "");
}

TEST_F(TreeView, ALongWaitingListShowsItsFirstItemsAndUnfoldsOnClick) {
  showTree(bsp::freshRoot(scenes::walls(40, 3)));
  EXPECT_TRUE(shows("w8"));
  EXPECT_FALSE(shows("w9"));
  ASSERT_TRUE(shows("+ 32 more"));
  // The folded list's items still choose splitters from the whole list.
  click(shown("+ 32 more").centre());
  EXPECT_EQ(view()["unfolded"], nlohmann::json::array({"w1"}));
  EXPECT_TRUE(shows("w9"));
  // Items below the view are not drawn; dragging the list up brings them in.
  EXPECT_FALSE(shows("w40"));
  run("tree pan 0 -2000\n");
  ASSERT_TRUE(shows("w40"));
  EXPECT_TRUE(shows("fold the list"));
  run("click w40\n");
  EXPECT_EQ(state()["tree"]["poly"]["label"], "w40");
}

TEST_F(TreeView, ALargeTreeShowsDotsUntilCaptionsFitAndFoldsItsSubtrees) {
  showTree(bsp::buildTree(scenes::walls(150, 5)));
  ASSERT_EQ(view()["layout"], "compact");
  const auto nodes = view()["nodes"].get<std::size_t>();
  // The whole tree is shown, too small for captions: they are dots, not a heap of texts.
  EXPECT_TRUE(texts().empty());
  const std::string rootLabel = state()["tree"]["poly"]["label"];
  const std::string child = state()["tree"]["left"]["poly"]["label"];
  // Closer, captions appear, none over another.
  for (int i = 0; i < 6 && texts().size() < 3; ++i) run("tree zoom 4 " + std::to_string(g::objectPixelRect(tag("axes3")).x + 1) + " 100\n");
  auto overlapping = [&] {
    const auto t = texts();
    for (std::size_t i = 0; i < t.size(); ++i)
      for (std::size_t j = i + 1; j < t.size(); ++j) {
        const g::Rect &a = t[i].box, &b = t[j].box;
        if (t[i].text.size() > 1 && t[j].text.size() > 1 && a.x < b.x + b.width - 1 && b.x < a.x + a.width - 1 &&
            a.y < b.y + b.height - 1 && b.y < a.y + a.height - 1)
          return t[i].text + " over " + t[j].text;
      }
    return std::string();
  };
  EXPECT_EQ(overlapping(), "");
  // Folding the root's front subtree leaves the rest; its marker counts what it holds.
  run("tree fold " + child + "\n");
  EXPECT_EQ(view()["collapsed"], nlohmann::json::array({child}));
  const auto left = view()["nodes"].get<std::size_t>();
  EXPECT_LT(left, nodes);
  run("tree fold " + rootLabel + "\ntree fit\n");
  EXPECT_EQ(view()["nodes"], 1);
  const std::string marker = "+" + std::to_string(nodes - 1);
  ASSERT_TRUE(shows(marker));
  click(shown(marker).centre());
  EXPECT_EQ(view()["collapsed"], nlohmann::json::array({child}));
  EXPECT_EQ(view()["nodes"].get<std::size_t>(), left);
}

// A tree of hundreds of nodes, which the window shows as dots, exports whole with every caption
// as text: it is laid out for the picture on a page as large as its captions need. The window's
// view stays as it was.
TEST_F(TreeView, ALargeTreeExportsWithACaptionPerNode) {
  showTree(bsp::buildTree(scenes::walls(240, 5)));
  ASSERT_EQ(view()["layout"], "compact");
  ASSERT_TRUE(texts().empty()) << "dots on the screen";
  const std::string before = state().dump();
  std::vector<std::string> labels;
  bsp::bspFarToNear(bsp::Vec3{0, 0, 0}, app::fetchState(fig).root,
                    [&](const bsp::BspElement& e) { labels.push_back(e.poly->label); });
  ASSERT_GT(labels.size(), 250u);
  const std::string path = ::testing::TempDir() + "kolvar-large-tree.svg";
  run("export " + path + " tree\n");
  std::ifstream in(path);
  const std::string svg((std::istreambuf_iterator<char>(in)), {});
  std::size_t missing = 0;
  for (const std::string& label : labels) missing += svg.find(">" + label + "</text>") == std::string::npos;
  EXPECT_EQ(missing, 0u) << "of " << labels.size() << " captions";
  EXPECT_EQ(state().dump(), before);
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(g::findall(g::kRoot, std::string_view("figure")).size(), 1u) << "the page is gone";
  std::remove(path.c_str());
}

}  // namespace
}  // namespace kolvar::apptest
