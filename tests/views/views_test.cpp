// The views draw what they are given: the three views of one redraw, a polygon with its normal
// and label, and a waiting list as a column of clickable items.
#include <gtest/gtest.h>

#include <cmath>

#include "../support.hpp"
#include "bsp/bsp.hpp"
#include "graphics/graphics.hpp"
#include "guiruntime/cla.hpp"
#include "views/palette.hpp"
#include "views/partition.hpp"
#include "views/views.hpp"

namespace kolvar::views {
namespace {

namespace g = kolvar::graphics;

class Views : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = std::make_shared<runtime::Registry>();
    g::startSession({registry_, nullptr});
    fig_ = g::figure();
    for (Handle& ax : picture_.axes) ax = g::axes(fig_, {});
    picture_.partition = picture_.axes[1];
    picture_.scanList = g::create("uicontrol", fig_, {{"Style", "listbox"}});
    for (Handle& r : picture_.readouts) r = g::create("uicontrol", fig_, {{"Style", "text"}});
    setup_.limits = {Limits{-4, 4, -4, 4, -4, 4}, Limits{-4, 4, -4, 4, -4, 4}, Limits{-20, 20, -10, 10, -1, 1}};
    for (std::size_t i = 0; i < 2; ++i) setup_.ticks[i] = {{{-4, 0, 4}, {-4, 0, 4}, {-4, 0, 4}}};
    setup_.frame = {bsp::Vec3{0, 0, 0}, bsp::Vec3{1, 0, 0}, bsp::Vec3{0, 1, 0}, bsp::Vec3{0, 0, 1}};
    picture_.setup = &setup_;
    picture_.callbacks.itemClick = Value("itemClick");
    picture_.callbacks.partitionClick = Value("partitionClick");
    picture_.callbacks.buttonUp = Value("buttonUp");
    picture_.callbacks.resize = Value("resize");
    // Scene 3 with 2 and then 3 chosen: root 2 with leaf 1b behind, node 3 in front with leaves
    // 1aa and 1ab.
    const bsp::PolygonList scene = bsp::presetScenes()[2];
    bsp::NodeRef root = bsp::bspInsertNode(bsp::freshRoot(scene), bsp::expandNode(scene, 1));
    picture_.scene = scene;
    picture_.tree2 = root;
    picture_.root = bsp::bspInsertNode(root, bsp::expandNode(root->element->front, 1));
    picture_.scanner = {0, 4, 0};
  }
  void TearDown() override { g::endSession(); }

  std::vector<Handle> ofType(Handle ax, const char* type) { return g::findobj(ax, {{"Type", type}}); }
  std::vector<std::string> scanLines() {
    std::vector<std::string> out;
    for (const Value& v : g::get(picture_.scanList, "String").cell().items) out.push_back(v.text());
    return out;
  }

  struct TestPicture : Picture {
    bsp::NodeRef tree2;
  };
  std::shared_ptr<runtime::Registry> registry_;
  Handle fig_ = 0;
  AxesSetup setup_;
  TestPicture picture_;
};

TEST_F(Views, ARedrawDrawsTheSceneThePlacedPolygonsTheScanOrderAndTheClickableTree) {
  picture_.options = {true, true, true, true};
  picture_.firstLook = true;
  const Value buttonUp = drawFigure(picture_);
  // The rotation mode's own command comes back; the window gets the program's handler instead.
  EXPECT_TRUE(buttonUp.isText() && !buttonUp.text().empty());
  EXPECT_EQ(g::get(fig_, "WindowButtonUpFcn"), Value("buttonUp"));
  EXPECT_EQ(g::get(picture_.partition, "ButtonDownFcn"), Value("partitionClick"));

  const auto [scene, partition, tree] = picture_.axes;
  EXPECT_EQ(ofType(scene, "patch").size(), 3u);
  EXPECT_EQ(ofType(partition, "patch").size(), 5u);  // 2, 3, 1b, 1aa, 1ab
  for (Handle ax : {scene, partition}) {
    EXPECT_EQ(ofType(ax, "light").size(), 1u);
    EXPECT_EQ(g::get(ax, "View"), Value::row({-37.5, 30}));
    EXPECT_EQ(g::get(ax, "XTick"), Value::row({-4, 0, 4}));
  }
  EXPECT_EQ(g::get(tree, "View"), Value::row({0, 90}));
  // The frame's red x and green y arms in both 3-D views (the normals are grey, none of the arms'
  // colours); the scanner
  // marker ignores clicks, so a click on it places the scanner.
  for (Handle ax : {scene, partition}) {
    EXPECT_EQ(g::findobj(ax, {{"Type", "line"}, {"Color", Value::row({1, 0, 0})}}).size(), 1u);
    EXPECT_EQ(g::findobj(ax, {{"Type", "line"}, {"Color", Value::row({0, 1, 0})}}).size(), 1u);
    // each named at its tip in its own colour
    const auto named = g::findobj(ax, {{"Type", "text"}, {"String", "z"}, {"Color", Value::row({0, 0, 1})}});
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(g::get(named[0], "Position"), Value::row({0, 0, 1}));
  }
  const auto markers = g::findobj(partition, {{"Marker", "*"}});
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(g::get(markers[0], "HitTest"), Value("off"));

  EXPECT_EQ(scanLines(), (std::vector<std::string>{"1b", "2", "1ab", "3", "1aa"}));
  EXPECT_EQ(g::get(picture_.readouts[1], "String"), Value("4.0"));
  // Every placed node has a caption in the tree view; nothing waits, so nothing is clickable.
  EXPECT_EQ(g::findobj(tree, {{"ButtonDownFcn", "itemClick"}}).size(), 0u);
  EXPECT_EQ(g::findobj(tree, {{"Type", "text"}, {"EdgeColor", Value::row({0, 0, 1})}}).size(), 5u);
}

// A step that leaves the scene as it was (the tree grows, the scanner moves, a polygon comes into
// focus) keeps the scene view's polygons, with what is in focus drawn over them; a change of what
// it shows, or anything else drawn into it since, makes the next redraw draw it anew.
TEST_F(Views, TheSceneViewIsDrawnAnewOnlyWhenWhatItShowsChanged) {
  const Handle scene = picture_.axes[0];
  picture_.root = picture_.tree2;
  drawFigure(picture_);
  const std::vector<Handle> drawn = g::childrenOf(scene);
  ASSERT_EQ(ofType(scene, "patch").size(), 3u);

  picture_.root = bsp::bspInsertNode(picture_.tree2, bsp::expandNode(picture_.tree2->element->front, 1));
  picture_.scanner = {1, 2, 3};
  drawFigure(picture_);
  EXPECT_EQ(g::childrenOf(scene), drawn);
  EXPECT_EQ(ofType(picture_.axes[1], "patch").size(), 5u);  // the partition view did follow

  // Labels on: drawn anew, with them.
  picture_.options.labels = true;
  drawFigure(picture_);
  EXPECT_NE(g::childrenOf(scene), drawn);
  EXPECT_EQ(ofType(scene, "text").size(), 3u);

  // A highlighted piece outlined, then a polygon, then nothing: the outline follows, over the same
  // polygons.
  const auto outlines = [&] { return g::findobj(scene, {{"LineWidth", 3.0}}).size(); };
  const std::vector<Handle> polygons = ofType(scene, "patch");
  picture_.focus.highlighted = picture_.root->left->right->element->poly.get();  // 1ab, a piece
  drawFigure(picture_);
  EXPECT_EQ(outlines(), 1u);
  picture_.focus.highlighted = picture_.scene[1].get();
  drawFigure(picture_);
  EXPECT_EQ(outlines(), 1u);
  EXPECT_EQ(ofType(scene, "patch"), polygons);
  picture_.focus.highlighted = nullptr;
  drawFigure(picture_);
  EXPECT_EQ(outlines(), 0u);
  EXPECT_EQ(ofType(scene, "patch"), polygons);

  // Something else drew into the view: the redraw takes it away again.
  g::axes(scene);
  g::line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix::row({0, 1}), {});
  const std::size_t lines = ofType(scene, "line").size();
  drawFigure(picture_);
  EXPECT_EQ(ofType(scene, "line").size(), lines - 1);
}

TEST_F(Views, WaitingItemsCarryTheirListAndHandlerAndALaterRedrawKeepsTheUsersView) {
  picture_.root = picture_.tree2;  // 1a and 3 wait in front of 2
  drawFigure(picture_);
  g::view(picture_.axes[0], Value::row({10, 20}));
  picture_.options.scanner = false;
  drawFigure(picture_);
  EXPECT_EQ(g::get(picture_.axes[1], "View"), Value::row({10, 20}));
  EXPECT_EQ(g::get(picture_.readouts[0], "String"), Value(" "));
  EXPECT_TRUE(g::get(picture_.scanList, "String").isEmpty());
  EXPECT_TRUE(g::findobj(picture_.axes[1], {{"Marker", "*"}}).empty());

  // The waiting polygons are ghosts in the partition view, in the colour of the side they wait
  // on: polygons that look alike share one dashed patch, a face (column) each.
  const auto ghosts = g::findobj(picture_.axes[1], {{"LineStyle", "--"}});
  ASSERT_EQ(ghosts.size(), 1u);
  EXPECT_EQ(g::get(ghosts[0], "XData").matrix().cols, 2u);
  EXPECT_EQ(g::get(ghosts[0], "EdgeColor"), Value::row({kFrontColour[0], kFrontColour[1], kFrontColour[2]}));

  const auto items = g::findobj(picture_.axes[2], {{"ButtonDownFcn", "itemClick"}});
  ASSERT_EQ(items.size(), 2u);
  for (Handle item : items) {
    const Value udata = g::get(item, "UserData");
    const bsp::PolygonList list = polygonListOf(udata.at(1));
    const auto i = static_cast<std::size_t>(udata.at(0).scalar());
    EXPECT_EQ(g::get(item, "String"), Value(list.at(i - 1)->label));
    EXPECT_EQ(g::get(item, "HitTest"), Value("on"));
  }
  // The column grows down: each item one item's height below the one before.
  const Matrix first = g::get(items[0], "Position").matrix(), second = g::get(items[1], "Position").matrix();
  EXPECT_NEAR(first[1] - second[1], g::get(items[0], "Extent").matrix()[3], 1e-9);
}

TEST_F(Views, APolygonsLabelSitsAtTheTipOfItsNormalOrHalfWayOut) {
  g::axes(picture_.axes[0]);
  const bsp::PolygonRef wall = bsp::presetScenes()[2].at(0);  // centre (0, -1, 0.5), normal (0, -1, 0)
  plotPolygon(wall, {true, false, false, false});
  plotPolygon(wall, {true, true, false, false});
  const auto labels = ofType(picture_.axes[0], "text");
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(g::get(labels[0], "Position"), Value::row({0, -1.5, 0.5}));
  EXPECT_EQ(g::get(labels[1], "Position"), Value::row({0, -2, 0.5}));
  const auto normals = ofType(picture_.axes[0], "line");
  ASSERT_EQ(normals.size(), 1u);
  EXPECT_EQ(g::get(normals[0], "YData"), Value(Matrix::column({-1, -2})));
  // The face is closed by repeating its first vertex, and ignores clicks.
  const Handle face = ofType(picture_.axes[0], "patch").at(0);
  EXPECT_EQ(g::get(face, "XData"), Value(Matrix::column({-1.5, 1.5, 1.5, -1.5, -1.5})));
  EXPECT_EQ(g::get(face, "HitTest"), Value("off"));
}

}  // namespace
}  // namespace kolvar::views

namespace kolvar::views {
namespace {

// The scan list set at once reads as one grown a line at a time by the by-name function: empty,
// one text, or a column of texts.
TEST_F(Views, AScanListSetAtOnceEqualsOneGrownLineByLine) {
  std::vector<const bsp::BspElement*> walked;
  bsp::bspFarToNear(picture_.scanner, picture_.root, [&](const bsp::BspElement& e) { walked.push_back(&e); });
  ASSERT_GE(walked.size(), 2u);
  const Handle other = g::create("uicontrol", fig_, {{"Style", "listbox"}});
  for (std::size_t n : {std::size_t{0}, std::size_t{1}, walked.size()}) {
    const std::vector<const bsp::BspElement*> some(walked.begin(), walked.begin() + static_cast<std::ptrdiff_t>(n));
    g::set(other, "String", "");
    for (const bsp::BspElement* e : some) updateScanList(other, *e);
    showScanList(picture_.scanList, some);
    EXPECT_EQ(g::get(picture_.scanList, "String"), g::get(other, "String")) << n << " lines";
  }
}

TEST_F(Views, ALargeTreeShowsThePlanesOfItsFirstLevelsAndTheSelectedOneWhereverItIs) {
  // 300 walls side by side, none cutting another: always taking the first makes a chain of 300.
  std::vector<bsp::PolygonRef> walls;
  for (int i = 0; i < 300; ++i) {
    const double x = -3.9 + i * 0.026;
    walls.push_back(bsp::newPolygon({{x, -1, -1}, {x, 1, -1}, {x, 1, 1}, {x, -1, 1}}, std::to_string(i + 1)));
  }
  const bsp::NodeRef tree = bsp::buildTree(bsp::PolygonList::from(walls));
  const auto sheets = [&](const bsp::Polygon* highlighted, const bsp::Polygon* selected) {
    g::axes(picture_.axes[1]);
    gui::cla();
    drawPlanes(tree, Limits{-4, 4, -4, 4, -4, 4}, highlighted, selected);
    std::pair<std::size_t, std::size_t> plainAndLit;
    for (Handle h : ofType(picture_.axes[1], "patch")) {
      const double alpha = g::get(h, "FaceAlpha").scalar();
      plainAndLit.first += alpha == 0.12;
      plainAndLit.second += alpha == 0.35;
    }
    return plainAndLit;
  };
  const bsp::Polygon* deepest = walls.back().get();
  EXPECT_EQ(sheets(deepest, deepest), std::make_pair(kMostPlanes, std::size_t{1}));  // selected: shown, lit
  EXPECT_EQ(sheets(walls[0].get(), deepest), std::make_pair(kMostPlanes, std::size_t{1}));  // the root's lit
  EXPECT_EQ(sheets(deepest, nullptr), std::make_pair(kMostPlanes, std::size_t{0}));  // pointed at: not added
}

// `n` small triangles in rows on the floor, labelled 1, 2, ...
bsp::PolygonList smallTriangles(std::size_t n) {
  std::vector<bsp::PolygonRef> tris;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i % 100) * 0.08 - 4, y = static_cast<double>(i / 100) * 0.08 - 4;
    tris.push_back(bsp::newPolygon({{x, y, 0}, {x + 0.05, y, 0}, {x, y + 0.05, 0}}, std::to_string(i + 1)));
  }
  return bsp::PolygonList::from(tris);
}

TEST_F(Views, AVeryLargeSceneIsDrawnByColourInAFewPatchesOfManyFaces) {
  picture_.scene = smallTriangles(kManyPolygons + 1);
  picture_.root = bsp::freshRoot(picture_.scene);
  picture_.options = {false, false, false, false};
  drawFigure(picture_);
  const auto patches = ofType(picture_.axes[0], "patch");
  std::size_t faces = 0;
  for (Handle h : patches) faces += g::get(h, "XData").matrix().cols;
  EXPECT_EQ(faces, kManyPolygons + 1);
  EXPECT_LT(patches.size(), 100u);
}

// Of many polygons, each a few pixels across, the outlines take a darker shade of their faces'
// colour: black ones would turn the scene grey. Fewer keep the black outline.
TEST_F(Views, ManySmallPolygonsAreOutlinedInAShadeOfTheirColour) {
  picture_.options = {false, false, false, false};
  for (const std::size_t n : {kShadedOutlinesAbove, kShadedOutlinesAbove + 1, kManyPolygons + 1}) {
    picture_.scene = smallTriangles(n);
    picture_.root = bsp::freshRoot(picture_.scene);
    drawFigure(picture_);
    std::size_t shaded = 0;
    const auto patches = ofType(picture_.axes[0], "patch");
    for (Handle h : patches) {
      const Matrix face = g::get(h, "FaceColor").matrix(), edge = g::get(h, "EdgeColor").matrix();
      const Rgb expected = outlineShade({face[0], face[1], face[2]});
      shaded += edge.numel() == 3 && edge[0] == expected[0] && edge[1] == expected[1] && edge[2] == expected[2];
    }
    EXPECT_EQ(shaded, n > kShadedOutlinesAbove ? patches.size() : 0u) << n;
  }
}

// Of more waiting polygons than kMostGhosts the partition view ghosts every ghostStride-th, and
// a preview's splitter whether or not it is one of them.
TEST_F(Views, OfAGreatManyWaitingPolygonsTheGhostsAreASample) {
  const auto ghostFaces = [&] {
    std::size_t faces = 0;
    for (Handle h : g::findobj(picture_.axes[1], {{"LineStyle", "--"}})) faces += g::get(h, "XData").matrix().cols;
    return faces;
  };
  for (const std::size_t n : {kMostGhosts, 3 * kMostGhosts + 1}) {
    picture_.scene = smallTriangles(n);
    picture_.root = bsp::freshRoot(picture_.scene);
    drawFigure(picture_);
    const std::size_t every = ghostStride(n);
    EXPECT_EQ(every, n == kMostGhosts ? 1u : 4u);
    EXPECT_EQ(ghostFaces(), (n + every - 1) / every) << n;
  }
  // The second polygon is not in the sample; previewed, it shows, highlighted, and every 4th of
  // the other 30,000 is a ghost.
  const Preview preview{picture_.scene[1].get(), picture_.scene, bsp::previewSplit(picture_.scene, 1)};
  picture_.focus.preview = &preview;
  drawFigure(picture_);
  EXPECT_EQ(g::findobj(picture_.axes[1], {{"LineWidth", 2.0}}).size(), 1u);
  EXPECT_EQ(ghostFaces(), 3 * kMostGhosts / 4);
}

// The status line of a preview stays one line: of many split polygons it names six.
TEST(PreviewSentence, NamesAFewSplitPolygonsAndCountsTheRest) {
  EXPECT_EQ(previewSentence({"3", {"1", "2"}, {"4"}, {"5"}}), "3 as splitter: 2 in front, 1 behind, splits 5");
  EXPECT_EQ(previewSentence({"3", {}, {}, {}}), "3 as splitter: 0 in front, 0 behind, splits nothing");
  EXPECT_EQ(previewSentence({"w1", {}, {"w2"}, {"a", "b", "c", "d", "e", "f", "g", "h"}}),
            "w1 as splitter: 0 in front, 1 behind, splits a, b, c, d, e, f and 2 more");
}

TEST(Palette, APieceTakesTheHueOfTheLongestLabelItExtendsBySplitLettersOnly) {
  auto square = [](const char* label) {
    return bsp::newPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, std::string(label));
  };
  const bsp::PolygonList scene = bsp::PolygonList::from({square("1"), square("12"), square("b"), square("5")});
  const PieceColours colours(scene);
  // "12ab" is a piece of 12, not of 1; "bab" of "b"; "1c" and "7" of nothing (grey).
  EXPECT_EQ(colours("12ab"), pieceColour("12ab", scene));
  EXPECT_NE(colours("12"), colours("1"));
  auto hueOf = [](const Rgb& c) { return std::atan2(c[1] - c[2], c[0] - c[1]); };
  EXPECT_NEAR(hueOf(colours("12ab")), hueOf(colours("12")), 1e-9);
  EXPECT_NEAR(hueOf(colours("bab")), hueOf(colours("b")), 1e-9);
  EXPECT_EQ(colours("1c"), (Rgb{0.6, 0.6, 0.6}));
  EXPECT_EQ(colours("7"), (Rgb{0.6, 0.6, 0.6}));
  // "a" darker than its polygon, "b" lighter, and every piece differs.
  const auto sum = [](const Rgb& c) { return c[0] + c[1] + c[2]; };
  EXPECT_LT(sum(colours("5a")), sum(colours("5")));
  EXPECT_GT(sum(colours("5b")), sum(colours("5")));
  EXPECT_NE(colours("5ab"), colours("5ba"));
}

}  // namespace
}  // namespace kolvar::views
