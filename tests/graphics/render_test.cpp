// Display lists: depth order of faces and lines, lighting, the axes' decoration, texts and
// markers, and the cache that keeps the depth order while the view turns.
#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/camera.hpp"
#include "graphics/depth_order.hpp"
#include "graphics/geometry.hpp"
#include "graphics/render.hpp"
#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::ModelTest;

namespace {

class Render : public ModelTest {
 protected:
  // A 600x500 figure with one axes in pixels 100..500 x 50..450, limits -4..4 on every axis.
  Handle makeAxes(const Value& view) {
    Handle fig = figure({{"Position", Value::row({0, 0, 600, 500})}});
    Handle ax = axes(fig, {{"Units", Value("pixels")},
                           {"Position", Value::row({100, 50, 400, 400})},
                           {"XLim", Value::row({-4, 4})},
                           {"YLim", Value::row({-4, 4})},
                           {"ZLim", Value::row({-4, 4})}});
    graphics::view(ax, view);
    return ax;
  }
};

// A quadrilateral patch from four corners (x, y, z).
Handle quad(std::vector<Vec3> c, const char* color) {
  Matrix x(4, 1), y(4, 1), z(4, 1);
  for (std::size_t i = 0; i < 4; ++i) {
    x[i] = c[i].x;
    y[i] = c[i].y;
    z[i] = c[i].z;
  }
  return patch(x, y, z, Value(color));
}

Handle segment(Vec3 a, Vec3 b) {
  return line(Matrix::row({a.x, b.x}), Matrix::row({a.y, b.y}), Matrix::row({a.z, b.z}));
}

// Positions in the list of the primitives of one kind that came from `source`.
std::vector<std::size_t> positionsOf(const DisplayList& list, Handle source, Primitive::Kind kind) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < list.items.size(); ++i)
    if (list.items[i].source == source && list.items[i].kind == kind) out.push_back(i);
  return out;
}

double polylineLength(const std::vector<Point>& pts) {
  double len = 0;
  for (std::size_t i = 1; i < pts.size(); ++i) len += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
  return len;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Depth order

TEST_F(Render, ALineBehindAFaceComesBeforeItAndOneInFrontAfter) {
  Handle ax = makeAxes(Value::row({0, 0}));  // viewer on the side of low y
  Handle wall = quad({{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, "b");
  Handle behind = segment({-1, 2, 0}, {1, 2, 0});
  Handle front = segment({-1, -2, 1}, {1, -2, 1});
  Handle through = segment({0, -3, -1}, {0, 3, -1});  // pierces the wall: cut in two

  DisplayList list = renderAxes(ax);
  std::size_t face = positionsOf(list, wall, Primitive::Kind::Face).at(0);
  EXPECT_LT(positionsOf(list, behind, Primitive::Kind::Line).at(0), face);
  EXPECT_GT(positionsOf(list, front, Primitive::Kind::Line).at(0), face);
  auto cut = positionsOf(list, through, Primitive::Kind::Line);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_LT(cut[0], face);
  EXPECT_GT(cut[1], face);

  // From the other side the order turns round.
  view(ax, Value::row({180, 0}));
  list = renderAxes(ax);
  face = positionsOf(list, wall, Primitive::Kind::Face).at(0);
  EXPECT_GT(positionsOf(list, behind, Primitive::Kind::Line).at(0), face);
  EXPECT_LT(positionsOf(list, front, Primitive::Kind::Line).at(0), face);
}

TEST_F(Render, AFaceInFrontOfAMarkerHidesItAndTextsStayOnTop) {
  Handle ax = makeAxes(Value::row({0, 0}));  // viewer on the side of low y
  Handle wall = quad({{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, "b");
  // One line's markers: one behind the wall, one in front, one beside it (behind, but not covered).
  Handle stars = line(Matrix::row({0, 0, 3}), Matrix::row({2, -2, 2}), Matrix::row({0, 0, 0}),
                      {{"LineStyle", Value("none")}, {"Marker", Value("*")}});
  Handle label = text(0, 2, 0, Value("behind"));

  DisplayList list = renderAxes(ax);
  const std::size_t face = positionsOf(list, wall, Primitive::Kind::Face).at(0);
  const auto markers = positionsOf(list, stars, Primitive::Kind::Marker);
  std::size_t before = 0, after = 0;
  for (std::size_t i : markers) (i < face ? before : after) += list.items[i].points.size();
  EXPECT_EQ(before, 2u);  // the one behind the wall and the one beside it: painted over where covered
  EXPECT_EQ(after, 1u);
  EXPECT_GT(positionsOf(list, label, Primitive::Kind::Text).at(0), face);

  // Without faces, markers are drawn after the lines, as before.
  deleteObject(wall);
  Handle across = segment({-3, 0, 0}, {3, 0, 0});
  list = renderAxes(ax);
  EXPECT_GT(positionsOf(list, stars, Primitive::Kind::Marker).at(0), positionsOf(list, across, Primitive::Kind::Line).back());
}

TEST_F(Render, TextsThatNudgeGiveWayToEachOtherAndOthersStayPut) {
  Handle ax = makeAxes(Value::row({-37.5, 30}));
  auto boxOf = [&](const DisplayList& list, Handle t) { return list.items.at(positionsOf(list, t, Primitive::Kind::Text).at(0)).box; };
  // Three labels almost on one spot, as those of the thin pieces of one split polygon.
  Handle first = text(1, 0, 0, Value("1aa"), {{"Nudge", Value("on")}});
  Handle second = text(1.1, 0, 0, Value("1ab"), {{"Nudge", Value("on")}});
  Handle third = text(0.9, 0, 0.05, Value("1b"), {{"Nudge", Value("on")}});
  Handle plain = text(1, 0, 0, Value("x"));

  const DisplayList list = renderAxes(ax);
  const Rect a = boxOf(list, first), b = boxOf(list, second), c = boxOf(list, third);
  EXPECT_FALSE(a.overlaps(b));
  EXPECT_FALSE(a.overlaps(c));
  EXPECT_FALSE(b.overlaps(c));
  EXPECT_GT(b.y, a.y);  // the later one moves down
  EXPECT_TRUE(boxOf(list, plain).overlaps(a)) << "a text that does not nudge stays where it was put";

  // Labels crowded on one spot pile down until the axes' rectangle ends; those that would go
  // below it are left out rather than drawn over what lies under the view.
  std::vector<Handle> crowd;
  for (int i = 0; i < 60; ++i) crowd.push_back(text(-1, 0, -3.5, Value("w" + std::to_string(i)), {{"Nudge", Value("on")}}));
  const DisplayList crowded = renderAxes(ax);
  const Rect room = objectPixelRect(ax);
  std::size_t shown = 0;
  for (Handle t : crowd)
    if (!positionsOf(crowded, t, Primitive::Kind::Text).empty()) {
      ++shown;
      EXPECT_LE(boxOf(crowded, t).y + boxOf(crowded, t).height, room.y + room.height);
    }
  EXPECT_GT(shown, 3u);
  EXPECT_LT(shown, crowd.size());
  EXPECT_FALSE(positionsOf(crowded, crowd[0], Primitive::Kind::Text).empty()) << "the first stays";
}

TEST_F(Render, LinesLyingInAFacesPlaneAreDrawnAfterTheFaceFromEitherSide) {
  // A floor, and a slanted face in the plane x + y + 2z = 4 (its corners are not exact in binary,
  // so the lines on it lie in its plane only within rounding). Each carries a diagonal and a
  // line that runs on past its edges.
  Handle ax = makeAxes(Value(3));
  Handle floor = quad({{-3, -3, -2}, {3, -3, -2}, {3, 3, -2}, {-3, 3, -2}}, "b");
  std::vector<Handle> onFloor{segment({-2, -2, -2}, {2, 2, -2}), segment({-3.8, 0.5, -2}, {3.8, 0.5, -2})};
  Handle slanted = quad({{-1.4, 1, 2.2}, {1, -1.4, 2.2}, {3.4, 1, -0.2}, {1, 3.4, -0.2}}, "r");
  std::vector<Handle> onSlanted{segment({-1.4, 1, 2.2}, {3.4, 1, -0.2}), segment({-1.5, 3.5, 1}, {3.5, -1.5, 1})};

  // Seen from above and from below (the backs of both faces), edge-on, and straight down.
  for (Value v : {Value::row({-37.5, 30}), Value::row({-37.5, -30}), Value::row({150, 60}), Value::row({60, -75}),
                  Value::row({120, 0}), Value::row({0, 90})}) {
    view(ax, v);
    DisplayList list = renderAxes(ax);
    for (const auto& [face, lines] : {std::pair{floor, onFloor}, std::pair{slanted, onSlanted}}) {
      const auto faceAt = positionsOf(list, face, Primitive::Kind::Face);
      ASSERT_FALSE(faceAt.empty());
      for (Handle l : lines) {
        const auto lineAt = positionsOf(list, l, Primitive::Kind::Line);
        ASSERT_FALSE(lineAt.empty());
        EXPECT_GT(lineAt.front(), faceAt.back()) << "view " << v.describe() << ", face " << face;
      }
    }
  }
}

TEST_F(Render, APatchOfManyFacesDrawsEachColumnAndLeavesItsNaNCornersOut) {
  // A triangle beside a quadrilateral in one patch: the triangle's column is padded with NaN.
  Handle ax = makeAxes(Value::row({0, 90}));  // straight down: the faces keep their shapes
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Matrix x(4, 2, nan), y(4, 2, nan), z(4, 2, 0.0);
  const double tri[3][2] = {{-3, -3}, {-1, -3}, {-2, -1}}, sq[4][2] = {{1, 1}, {3, 1}, {3, 3}, {1, 3}};
  for (std::size_t r = 0; r < 3; ++r) x(r, 0) = tri[r][0], y(r, 0) = tri[r][1];
  for (std::size_t r = 0; r < 4; ++r) x(r, 1) = sq[r][0], y(r, 1) = sq[r][1];
  Handle both = patch(x, y, z, Value("g"));

  const DisplayList list = renderAxes(ax);
  std::vector<std::size_t> corners;
  for (std::size_t i : positionsOf(list, both, Primitive::Kind::Face)) {
    for (const Point& p : list.items[i].points) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    corners.push_back(list.items[i].points.size());
  }
  std::sort(corners.begin(), corners.end());
  EXPECT_EQ(corners, (std::vector<std::size_t>{3, 4}));
}

TEST_F(Render, AnOutlineFollowsTheOriginalEdgesOfACutFace) {
  Handle ax = makeAxes(Value::row({30, 20}));
  quad({{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, "r");
  Handle b = quad({{0, -2, -2}, {0, 2, -2}, {0, 2, 2}, {0, -2, 2}}, "b");
  set(b, "EdgeColor", Value("k"));
  DisplayList list = renderAxes(ax);
  Camera cam = axesCamera(ax);
  std::vector<Point> ring;
  for (Vec3 c : std::vector<Vec3>{{0, -2, -2}, {0, 2, -2}, {0, 2, 2}, {0, -2, 2}, {0, -2, -2}})
    ring.push_back(dataToPixel(cam, c));
  // The pieces' stroked edges add up to the face's own outline: the cut is not drawn.
  auto pieces = positionsOf(list, b, Primitive::Kind::Face);
  ASSERT_EQ(pieces.size(), 2u);
  double drawn = 0;
  for (std::size_t i : pieces) {
    const Primitive& f = list.items[i];
    ASSERT_TRUE(f.stroked);
    ASSERT_EQ(f.edges.size(), f.points.size());
    for (std::size_t e = 0; e < f.points.size(); ++e)
      if (f.edges[e]) drawn += polylineLength({f.points[e], f.points[(e + 1) % f.points.size()]});
  }
  EXPECT_NEAR(drawn, polylineLength(ring), 1e-6);
}

// ---------------------------------------------------------------------------------------------
// Lighting

// ---------------------------------------------------------------------------------------------
// Decoration, texts and markers

// A list's items in runs read as one sequence, runs left empty (an axes that drew nothing, or
// whose run the next list took) included; a span's items are one run.
TEST(PrimitiveRunsTest, ReadAsOneSequenceAcrossEmptyRuns) {
  const auto item = [](Handle source) {
    Primitive p;
    p.source = source;
    return p;
  };
  PrimitiveRuns items;
  items.addRun({item(1), item(2)});
  items.addRun({});
  items.addRun({item(3)});
  items.addRun({});
  std::vector<Handle> seen;
  for (const Primitive& p : items) seen.push_back(p.source);
  EXPECT_EQ(seen, (std::vector<Handle>{1, 2, 3}));
  EXPECT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].source, 3);
  EXPECT_EQ(items.slice(2, 1).front().source, 3);
  EXPECT_TRUE(items.slice(2, 0).empty());
  EXPECT_THROW(items.slice(1, 2), std::out_of_range);  // items of two runs
  EXPECT_THROW(items.at(3), std::out_of_range);
  EXPECT_EQ(items.takeRun(0).size(), 2u);
  EXPECT_EQ(items.size(), 1u);
  EXPECT_EQ(items.begin()->source, 3);
}

// The figure's kept list shows the model as it is: item for item what a fresh drawing gives.
// The kept list is what a fresh drawing makes, and its spans hold each item under the axes it
// came from, within the reach hit tests and repaints trust.
static bool keptListShowsTheModel(Handle fig) {
  const DisplayList& kept = figureDisplayList(fig);
  const DisplayList fresh = renderFigure(fig);
  if (kept.items.size() != fresh.items.size() || !spansCoverItems(kept)) return false;
  for (const AxesSpan& s : kept.spans)
    for (std::size_t i = s.first; i < s.first + s.count; ++i) {
      const Primitive& item = kept.items[i];
      const Rect r = reachOf(item);
      if (item.source != s.axes && ancestor(item.source, "axes") != s.axes) return false;
      if (r.width > 0 && r.height > 0 &&
          !(r.x >= s.reach.x && r.y >= s.reach.y && r.x + r.width <= s.reach.x + s.reach.width &&
            r.y + r.height <= s.reach.y + s.reach.height))
        return false;
    }
  for (std::size_t i = 0; i < fresh.items.size(); ++i) {
    const Primitive &a = kept.items[i], &b = fresh.items[i];
    if (a.kind != b.kind || a.source != b.source || a.part != b.part || a.points != b.points || a.fill != b.fill ||
        a.annotation().text != b.annotation().text || a.box != b.box)
      return false;
  }
  return kept.width == fresh.width && kept.background == fresh.background;
}

TEST_F(Render, AFiguresKeptListIsMadeAgainOnlyWhenWhatItShowsChanges) {
  Handle ax = makeAxes(Value(3));
  Handle fig = *ancestor(ax, "figure");
  Handle wall = quad({{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, "b");
  const auto showsTheModel = [&] { return keptListShowsTheModel(fig); };
  EXPECT_EQ(drawingCounts(fig).lists, 0);
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(drawingCounts(fig).lists, 1);

  // Changes nothing shows, values set again as they were, and changes elsewhere: the same list.
  set(wall, {{"UserData", Value(1.0)}, {"Tag", Value("wall")}, {"HitTest", Value("off")}});
  set(wall, "FaceColor", get(wall, "FaceColor"));
  set(ax, "XLim", get(ax, "XLim"));
  set(fig, "WindowButtonDownFcn", Value("disp(1)"));
  Handle control = create("uicontrol", fig, {{"Style", Value("pushbutton")}});
  set(control, "String", Value("Go"));
  Handle other = figure();
  create("line", axes(other, {}), {{"XData", Value::row({0, 1})}, {"YData", Value::row({0, 1})}});
  figureDisplayList(fig);
  EXPECT_EQ(drawingCounts(fig).lists, 1);

  // Turning the view draws again on the kept depth order, and so do new lines, filed into it; new
  // faces build a new one.
  view(ax, Value::row({60, 10}));
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(drawingCounts(fig).lists, 2);
  EXPECT_EQ(drawingCounts(fig).depthTrees, 1);
  axes(ax);
  Handle crossing = segment({0, -3, 0}, {0, 3, 0});
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(drawingCounts(fig).depthTrees, 1);
  Handle tile = quad({{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}, "g");
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(drawingCounts(fig).depthTrees, 2);
  set(wall, "FaceColor", Value("r"));
  EXPECT_TRUE(showsTheModel());
  deleteObject(crossing);
  deleteObject(tile);
  EXPECT_TRUE(showsTheModel());
  set(fig, "Position", Value::row({0, 0, 700, 500}));
  EXPECT_TRUE(showsTheModel());
  // The decoration is kept while only what the axes holds changes, and follows the axes' own.
  set(ax, "XLim", Value::row({-5, 6}));
  EXPECT_TRUE(showsTheModel());
  set(ax, "XColor", Value("r"));
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(drawingCounts(fig).lists, 9);

  // The list goes with its figure.
  deleteObject(fig);
  EXPECT_EQ(drawingCounts(fig).lists, 0);
}

// The kept list of a figure with two axes, after changes to one or the other: each change draws
// again only the axes it touched (the other keeps its primitives), and the list is still item for
// item what a fresh drawing gives.
TEST_F(Render, AnAxesInWhichNothingChangedKeepsItsPrimitives) {
  Handle ax = makeAxes(Value(3));
  Handle fig = *ancestor(ax, "figure");
  quad({{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, "b");
  Handle other = axes(fig, {{"Units", Value("pixels")}, {"Position", Value::row({520, 50, 70, 70})}});
  Handle flat = quad({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, "y");
  const auto showsTheModel = [&] { return keptListShowsTheModel(fig); };
  using Axes = std::vector<Handle>;
  EXPECT_TRUE(showsTheModel());
  EXPECT_FALSE(redrawnAxes(fig));  // the first list draws everything

  // The axes that did not change keeps its very primitives, not copies moved over one by one.
  const auto itemsOf = [&](Handle a) {
    const DisplayList& l = figureDisplayList(fig);
    for (const AxesSpan& s : l.spans)
      if (s.axes == a) return l.items.slice(s.first, s.count).data();
    return static_cast<const Primitive*>(nullptr);
  };
  view(ax, Value::row({60, 10}));
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(redrawnAxes(fig), Axes{ax});
  const Primitive* const largeItems = itemsOf(ax);
  set(flat, "FaceColor", Value("g"));
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(redrawnAxes(fig), Axes{other});
  EXPECT_EQ(itemsOf(ax), largeItems);
  // What may look different is where the small axes draws, before and after: not the large one.
  const Rect small = objectPixelRect(other), large = objectPixelRect(ax);
  const std::optional<std::vector<Rect>> changed = changedAreas(fig);
  ASSERT_TRUE(changed);
  ASSERT_EQ(changed->size(), 2u);
  for (const Rect& r : *changed) {
    EXPECT_TRUE(r.overlaps(small));
    EXPECT_FALSE(r.contains({large.x + large.width / 2, large.y + large.height / 2}));
  }
  // New limits put the same children elsewhere in the box: read again, not taken from before.
  set(other, "XLim", Value::row({-3, 3}));
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(redrawnAxes(fig), Axes{other});
  view(ax, Value::row({10, 10}));
  deleteObject(flat);
  EXPECT_TRUE(showsTheModel());
  EXPECT_EQ(redrawnAxes(fig), (Axes{ax, other}));
  set(fig, "Color", Value("w"));
  EXPECT_TRUE(showsTheModel());
  EXPECT_FALSE(redrawnAxes(fig));

  // Children made again just as they were (a program draws a view afresh after any change) leave
  // the axes looking as it did: it needs no repaint. A child made otherwise does.
  axes(ax);
  for (const char* colour : {"b", "r"}) {
    for (Handle c : findall(ax, std::string_view("patch"))) deleteObject(c);
    quad({{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, colour);
    EXPECT_TRUE(showsTheModel());
    EXPECT_EQ(redrawnAxes(fig), std::string(colour) == "b" ? Axes{} : Axes{ax}) << colour;
  }
  // An unlit sheet made again in another colour (a highlight) shows in its new colour.
  for (const char* colour : {"y", "g"}) {
    for (Handle c : findall(ax, std::string_view("patch"))) deleteObject(c);
    quad({{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, "r");
    set(quad({{-3, -1, 0}, {3, -1, 0}, {3, 1, 0}, {-3, 1, 0}}, colour), {{"FaceLighting", Value("none")}, {"FaceAlpha", Value(0.4)}});
    EXPECT_TRUE(showsTheModel()) << colour;
    EXPECT_EQ(redrawnAxes(fig), Axes{ax}) << colour << ": it looks otherwise, and the window must paint it again";
  }
}

TEST_F(Render, TranslucencyZoomAndAxisNames) {
  Handle ax = makeAxes(Value(2));
  Handle back = quad({{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}}, "r");
  set(back, {{"FaceLighting", Value("none")}, {"FaceAlpha", Value(0.25)}, {"EdgeAlpha", Value(0.5)}});
  set(ax, {{"XLabel", Value("x")}, {"YLabel", Value("y")}});
  auto faceOf = [&](const DisplayList& l) {
    for (const Primitive& p : l.items)
      if (p.source == back && p.kind == Primitive::Kind::Face) return p;
    ADD_FAILURE() << "no face";
    return Primitive{};
  };
  const Primitive face = faceOf(renderAxes(ax));
  EXPECT_EQ(face.fill.a, 0.25);
  EXPECT_EQ(face.stroke.a, 0.5);
  // The axis names stand beyond the tick labels: x below the plot, y to its left.
  std::vector<const Primitive*> names;
  const DisplayList plain = renderAxes(ax);
  for (const Primitive& p : plain.items)
    if (p.kind == Primitive::Kind::Text && (p.annotation().text == "x" || p.annotation().text == "y")) names.push_back(&p);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_GT(names[0]->box.y, 470);
  EXPECT_LT(names[1]->box.x + names[1]->box.width, 80);

  // Twice the zoom: the face is twice as wide about the same centre, and what leaves the axes
  // is cut at its rectangle.
  set(ax, "Zoom", Value(2.0));
  const Primitive zoomed = faceOf(renderAxes(ax));
  auto width = [](const Primitive& p) {
    auto [lo, hi] = std::minmax_element(p.points.begin(), p.points.end(), [](Point a, Point b) { return a.x < b.x; });
    return hi->x - lo->x;
  };
  EXPECT_NEAR(width(zoomed), 2 * width(face), 1e-9);
  EXPECT_TRUE(zoomed.clipped);
  EXPECT_EQ(zoomed.clip, (Rect{100, 50, 400, 400}));
  EXPECT_THROW(set(ax, "Zoom", Value(0.0)), Error);
}
