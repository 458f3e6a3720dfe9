// Mouse events through the model: hit testing on the drawn figure, "HitTest", the current
// point and object, and the rotation mode.
#include <algorithm>
#include <thread>

#include "graphics/geometry.hpp"
#include "graphics/model.hpp"
#include "graphics/render.hpp"
#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::ModelTest;

namespace {

class Events : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    addFunction("note", 1, 0, [this](const runtime::Args& args, int) {
      notes.push_back(args.at(0).text());
      return runtime::Outputs{};
    });
  }
  std::vector<std::string> notes;
};

Point centre(Rect r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

// A flat chart 300 x 200 pixels with a square patch in the middle of its data range.
struct Chart {
  Handle fig, ax, square;
};

Chart makeChart() {
  Chart c;
  c.fig = figure({{"Position", Value::row({100, 100, 400, 300})},
                  {"ButtonDownFcn", Value("note('figure')")},
                  {"WindowButtonDownFcn", Value("note('window')")}});
  c.ax = axes(c.fig, {{"Units", Value("pixels")},
                      {"Position", Value::row({50, 50, 300, 200})},
                      {"XLim", Value::row({0, 10})},
                      {"YLim", Value::row({0, 10})},
                      {"ButtonDownFcn", Value("note('axes')")}});
  c.square = patch(Matrix::column({4, 6, 6, 4}), Matrix::column({4, 4, 6, 6}), Matrix::column({0, 0, 0, 0}),
                   Value("b"), {{"ButtonDownFcn", Value("note('square')")}});
  return c;
}

// A 3-D axes holding a row of `count` small walls.
struct Walls {
  Handle fig = 0;
  Handle axes = 0;
};
void wall(double x) {
  patch(Matrix::column({x, x + 0.8, x + 0.8, x}), Matrix::column({1, 1, 1, 1}), Matrix::column({0, 0, 1, 1}), "b");
}
Walls makeWalls(int count) {
  Walls w;
  w.fig = figure({{"Position", Value::row({0, 0, 400, 400})}});
  w.axes = axes(w.fig, {{"XLim", Value::row({0, 40})}, {"YLim", Value::row({0, 2})}, {"ZLim", Value::row({0, 2})}});
  view(w.axes, Value::row({30, 20}));
  for (int i = 0; i < count; ++i) wall(i + 0.1);
  return w;
}
// How many faces of the walls the figure's kept list draws.
long wallFaces(const Walls& w) {
  const auto& items = figureDisplayList(w.fig).items;
  return std::count_if(items.begin(), items.end(),
                       [&](const Primitive& p) { return p.kind == Primitive::Kind::Face && p.source != w.axes; });
}
// The figure's kept list looks as a fresh drawing of the figure does.
void expectLikeAFreshDrawing(Handle fig) {
  RenderCache fresh;
  const DisplayList whole = renderFigure(fig, fresh);
  ASSERT_EQ(whole.items.size(), figureDisplayList(fig).items.size());
  for (std::size_t i = 0; i < whole.items.size(); ++i)
    EXPECT_TRUE(whole.items[i].looksLike(figureDisplayList(fig).items[i])) << i;
}

}  // namespace

TEST_F(Events, APressReachesTheTopmostObjectThatTakesClicks) {
  Chart c = makeChart();
  const Point mid = centre(objectPixelRect(c.ax));
  press(c.fig, mid.x, mid.y);
  EXPECT_EQ(notes, (std::vector<std::string>{"window", "square"}));
  EXPECT_EQ(get(c.fig, "CurrentObject"), Value(c.square));
  EXPECT_EQ(get(c.fig, "CurrentAxes"), Value(c.ax));
  const Matrix cp = get(c.ax, "CurrentPoint").matrix();
  ASSERT_EQ(cp.rows, 2u);
  EXPECT_NEAR(cp(0, 0), 5, 0.1);
  EXPECT_NEAR(cp(0, 1), 5, 0.1);
  // The figure's point is in pixels from its bottom-left corner.
  EXPECT_EQ(get(c.fig, "CurrentPoint").matrix(), Matrix::row({mid.x, 300 - mid.y}));

  // A line across the square that does not take clicks is transparent to the pointer.
  line(Matrix::row({0, 10}), Matrix::row({5, 5}), Matrix::row({0.5, 0.5}), {{"HitTest", Value("off")},
                                                                            {"ButtonDownFcn", Value("note('line')")}});
  notes.clear();
  press(c.fig, mid.x, mid.y);
  EXPECT_EQ(notes, (std::vector<std::string>{"window", "square"}));

  // With the square transparent too, the press reaches the axes under it.
  set(c.square, "HitTest", Value("off"));
  notes.clear();
  press(c.fig, mid.x, mid.y);
  EXPECT_EQ(notes, (std::vector<std::string>{"window", "axes"}));
  EXPECT_EQ(hitTest(c.fig, mid.x, mid.y), c.ax);

  // Outside every axes the figure itself is hit; an axes that ignores clicks passes them on.
  notes.clear();
  press(c.fig, 10, 10);
  EXPECT_EQ(notes, (std::vector<std::string>{"window", "figure"}));
  set(c.ax, "HitTest", Value("off"));
  EXPECT_EQ(hitTest(c.fig, mid.x, mid.y), c.fig);
}

TEST_F(Events, APressOnAFigureThatHasNotChangedDrawsNothing) {
  Chart c = makeChart();
  const Point mid = centre(objectPixelRect(c.ax));
  press(c.fig, mid.x, mid.y);
  // What presses store (current point, object and axes, selection type) shows nowhere.
  press(c.fig, mid.x, mid.y, MouseButton::Right);
  release(c.fig, mid.x, mid.y);
  EXPECT_EQ(hitTest(c.fig, mid.x, mid.y), c.square);
  EXPECT_EQ(drawingCounts(c.fig).lists, 1);

  // "HitTest" is read from the objects at every press, not from the list.
  set(c.square, "HitTest", Value("off"));
  notes.clear();
  press(c.fig, mid.x, mid.y);
  EXPECT_EQ(notes, (std::vector<std::string>{"window", "axes"}));
  EXPECT_EQ(drawingCounts(c.fig).lists, 1);

  // A change that shows is seen by the next press: the square has moved away from the pointer.
  set(c.square, {{"HitTest", Value("on")}, {"XData", Value(Matrix::column({7, 9, 9, 7}))}});
  notes.clear();
  press(c.fig, mid.x, mid.y);
  EXPECT_EQ(notes, (std::vector<std::string>{"window", "axes"}));
  const Point moved = dataToPixel(axesCamera(c.ax), {8, 5, 0});
  notes.clear();
  press(c.fig, moved.x, moved.y);
  EXPECT_EQ(notes, (std::vector<std::string>{"window", "square"}));
  EXPECT_EQ(drawingCounts(c.fig).lists, 2);
}

TEST_F(Events, AWrappedButtonUpHandlerEndsTheDragByRunningTheModesCommand) {
  Handle fig = figure({{"Position", Value::row({0, 0, 400, 400})}});
  Handle scene = axes(fig, {});
  rotate3d(scene);
  const std::string saved = get(fig, "WindowButtonUpFcn").text();
  addFunction("wrapper", 2, 0, [&](const runtime::Args&, int) {
    eval(saved);
    notes.push_back("wrapped");
    return runtime::Outputs{};
  });
  set(fig, "WindowButtonUpFcn", Value(registry_->reference("wrapper")));
  const Point a = centre(objectPixelRect(scene));
  press(fig, a.x, a.y);
  drag(fig, a.x - 10, a.y);
  EXPECT_EQ(view(scene).matrix(), Matrix::row({5, 90}));
  release(fig, a.x - 10, a.y);
  EXPECT_EQ(notes, std::vector<std::string>{"wrapped"});
  EXPECT_FALSE(rotationDragActive(fig));

  EXPECT_EQ(messageOf([&] { rotate3d(fig); }), "rotate3d: the handle does not name an axes.");
}

// While the mouse turns a view of many pieces, the kept list holds a sketch of it (every k-th
// face); when the mouse lets go, the whole scene is drawn again, as a fresh drawing draws it. With
// drawing aside on, the whole is drawn beside the window, and the sketch stays until it is ready.
TEST_F(Events, ATurningViewOfManyPiecesIsSketchedUntilTheMouseLetsGo) {
  const Walls w = makeWalls(40);
  rotate3d(w.axes);
  figureDisplayList(w.fig);
  RenderCache& cache = detail::session().drawings[w.fig].cache;
  cache.sketchAbove = 20;
  cache.sketchFaces = 10;
  EXPECT_EQ(wallFaces(w), 40);
  const Point a = centre(objectPixelRect(w.axes));
  press(w.fig, a.x, a.y);
  drag(w.fig, a.x - 10, a.y);
  EXPECT_EQ(wallFaces(w), 10) << "every fourth face while the view turns";
  drag(w.fig, a.x - 20, a.y);
  EXPECT_EQ(wallFaces(w), 10);
  release(w.fig, a.x - 20, a.y);
  EXPECT_FALSE(rotationDragActive(w.fig));
  EXPECT_EQ(wallFaces(w), 40) << "the whole scene once the mouse lets go";
  expectLikeAFreshDrawing(w.fig);

  drawAside(true);
  press(w.fig, a.x, a.y);
  drag(w.fig, a.x + 10, a.y);
  EXPECT_EQ(wallFaces(w), 10);
  release(w.fig, a.x + 10, a.y);
  EXPECT_EQ(wallFaces(w), 10) << "the sketch while the whole is drawn aside";
  EXPECT_TRUE(drawingPending(w.fig));
  awaitDrawings(w.fig);
  EXPECT_EQ(wallFaces(w), 40);
  EXPECT_FALSE(drawingPending(w.fig));
  expectLikeAFreshDrawing(w.fig);
  drawAside(false);
}

// With drawing aside on, the depth order of a content of many faces is built on a thread of its
// own; meanwhile the view shows what it last showed whole, or a sketch when its limits changed
// too. Once the order is ready the view is drawn whole, as a fresh drawing draws it. A build no
// longer wanted (the content changed again) is dropped, not shown.
TEST_F(Events, ALargeContentIsSketchedWhileItsDepthOrderIsBuiltAside) {
  const Walls w = makeWalls(40);
  drawAside(true);
  figureDisplayList(w.fig);
  RenderCache& cache = detail::session().drawings[w.fig].cache;
  cache.asideAbove = 20;
  cache.asideSketchFaces = 10;
  EXPECT_FALSE(drawingPending(w.fig));
  // The last whole drawing stands in as it was shown: its very faces, not drawn again.
  const auto firstFacesPoints = [&] {
    for (const Primitive& p : figureDisplayList(w.fig).items)
      if (p.kind == Primitive::Kind::Face && p.source != w.axes) return p.points.data();
    return static_cast<const Point*>(nullptr);
  };
  const Point* const shownWhole = firstFacesPoints();
  wall(0.5);  // content changed: its order is built aside
  EXPECT_EQ(wallFaces(w), 40) << "the last whole drawing while the order is built";
  EXPECT_EQ(firstFacesPoints(), shownWhole);
  EXPECT_TRUE(drawingPending(w.fig));
  wall(0.6);  // and again, perhaps before the first build is ready
  const long shown = wallFaces(w);
  EXPECT_TRUE(shown == 40 || shown == 41) << shown << ": the last whole drawing, whichever it is";
  EXPECT_TRUE(drawingPending(w.fig));
  awaitDrawings(w.fig);
  EXPECT_FALSE(finishAsideDrawings(w.fig));
  EXPECT_EQ(wallFaces(w), 42) << "the whole view once its order is ready";
  EXPECT_FALSE(drawingPending(w.fig));
  set(w.axes, "XLim", Value::row({0, 41}));  // other limits: the last drawing is no guide
  EXPECT_EQ(wallFaces(w), 9) << "every fifth face while the order is built";
  // The view is drawn whole beside the window too, with the order: shown as drawn there.
  const AsideBuild& build = *cache.axes[w.axes].aside;
  while (!build.done.load()) std::this_thread::yield();
  const auto drawnFace = std::find_if(build.drawing.items.begin(), build.drawing.items.end(),
                                      [&](const Primitive& p) { return p.kind == Primitive::Kind::Face && p.source != w.axes; });
  ASSERT_NE(drawnFace, build.drawing.items.end());
  const Point* const drawnAside = drawnFace->points.data();
  awaitDrawings(w.fig);
  EXPECT_EQ(wallFaces(w), 42);
  EXPECT_EQ(firstFacesPoints(), drawnAside);
  expectLikeAFreshDrawing(w.fig);
  drawAside(false);
}

TEST_F(Events, PointerMotionAndTheWheelReachTheWindowWithTheKeysHeld) {
  Chart c = makeChart();
  // A callable gets (the figure, the event): the wheel's event says how far it turned.
  set(c.fig, "WindowScrollWheelFcn", Value(runtime::privateFunction("wheel", [this](const runtime::Args& args, int) {
        notes.push_back("wheel " + std::to_string(args.at(1).field("VerticalScrollCount").scalar()));
        return runtime::Outputs{};
      })));
  set(c.fig, {{"WindowButtonMotionFcn", Value("note('moved')")}});
  motion(c.fig, 60, 70, Modifiers{true, false, true});
  EXPECT_EQ(notes, (std::vector<std::string>{"moved"}));
  EXPECT_EQ(get(c.fig, "CurrentPoint").matrix(), Matrix::row({60, 230}));
  EXPECT_EQ(get(c.fig, "CurrentModifier"), Value::cellRow({Value("shift"), Value("alt")}));
  notes.clear();
  scroll(c.fig, 10, 10, -2);
  EXPECT_EQ(notes, (std::vector<std::string>{"wheel -2.000000"}));
  EXPECT_EQ(get(c.fig, "CurrentModifier"), Value::cellRow({}));
}

TEST_F(Events, WhatLiesUnderThePointerIsListedTopmostFirstWhateverItsHitTest) {
  Chart c = makeChart();
  const Point mid = centre(objectPixelRect(c.ax));
  const Handle over = line(Matrix::row({0, 10}), Matrix::row({5, 5}), Matrix::row({0.5, 0.5}), {{"HitTest", Value("off")}});
  set(c.square, "HitTest", Value("off"));
  EXPECT_EQ(drawnAt(c.fig, mid.x, mid.y), (std::vector<Handle>{over, c.square}));
  EXPECT_EQ(hitTest(c.fig, mid.x, mid.y), c.ax);  // a click still passes through both
  EXPECT_TRUE(drawnAt(c.fig, 10, 10).empty());
  // The topmost that the caller wants, asked once per object; the figure when none is.
  const auto isPatch = [](Handle h) { return typeOf(h) == "patch"; };
  EXPECT_EQ(faceDrawnAt(c.fig, mid.x, mid.y, isPatch).object, c.square);
  EXPECT_EQ(faceDrawnAt(c.fig, mid.x, mid.y, [](Handle) { return false; }).object, c.fig);
  EXPECT_EQ(faceDrawnAt(c.fig, 10, 10, isPatch).object, c.fig);
}

// A patch of many faces tells which of them lies under the pointer, by its column of the data,
// even where the depth order had to cut it: the tilted face crosses the flat one at x = 2.
TEST_F(Events, APatchOfManyFacesNamesTheFaceUnderThePointer) {
  Chart c = makeChart();
  Matrix x(4, 3), y(4, 3), z(4, 3);
  const double xs[3][4] = {{0, 4, 4, 0}, {7, 9, 9, 7}, {0, 4, 4, 0}};
  const double zs[3][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {-1, 1, 1, -1}};
  for (std::size_t f = 0; f < 3; ++f)
    for (std::size_t v = 0; v < 4; ++v) {
      x(v, f) = xs[f][v];
      y(v, f) = v < 2 ? 7 : 9;
      z(v, f) = zs[f][v];
    }
  const Handle many = patch(x, y, z, Value("g"), {{"HitTest", Value("off")}});
  const Rect r = objectPixelRect(c.ax);
  const auto at = [&](double dx, double dy) { return faceDrawnAt(c.fig, r.x + r.width * dx / 10, r.y + r.height * (1 - dy / 10), [](Handle) { return true; }); };
  EXPECT_EQ(at(1, 8).object, many);
  EXPECT_EQ(at(1, 8).face, 0u) << "left of the crossing the flat face lies on top";
  EXPECT_EQ(at(3, 8).face, 2u) << "right of it the tilted one";
  EXPECT_EQ(at(8, 8).face, 1u);
  EXPECT_EQ(at(5, 5).object, c.square);
  EXPECT_EQ(at(5, 5).face, 0u);
  EXPECT_EQ(at(1, 1).object, c.fig);
}

// A patch of thousands of faces (a large scene) is hit tested through its axes' grid: pointing at
// the middle of any face of a 45 x 50 board of squares names that face, between the squares the
// axes, and a square patch drawn over the board (later, so on top) still wins where it lies.
TEST_F(Events, InAViewOfThousandsOfFacesPointingNamesTheFaceUnderIt) {
  Chart c = makeChart();
  constexpr std::size_t kColumns = 45, kRows = 50;
  Matrix x(4, kColumns * kRows), y(4, kColumns * kRows), z(4, kColumns * kRows);
  for (std::size_t i = 0; i < kColumns; ++i)
    for (std::size_t j = 0; j < kRows; ++j) {
      const std::size_t f = i * kRows + j;
      const double x0 = 10.0 * static_cast<double>(i) / kColumns, y0 = 10.0 * static_cast<double>(j) / kRows;
      const double w = 10.0 / kColumns * 0.4, h = 10.0 / kRows * 0.6;
      const double xs[4] = {x0, x0 + w, x0 + w, x0}, ys[4] = {y0, y0, y0 + h, y0 + h};
      for (std::size_t v = 0; v < 4; ++v) {
        x(v, f) = xs[v];
        y(v, f) = ys[v];
        z(v, f) = 0;
      }
    }
  const Handle board = patch(x, y, z, Value("g"), {{"HitTest", Value("off")}});
  set(c.square, "ZData", Value(Matrix::column({0.5, 0.5, 0.5, 0.5})));  // over the board
  const Rect r = objectPixelRect(c.ax);
  const auto pixel = [&](double dx, double dy) { return Point{r.x + r.width * dx / 10, r.y + r.height * (1 - dy / 10)}; };
  const auto any = [](Handle) { return true; };
  int named = 0;
  for (std::size_t i = 0; i < kColumns; i += 7)
    for (std::size_t j = 0; j < kRows; j += 3) {
      const double cx = 10.0 * (static_cast<double>(i) + 0.2) / kColumns, cy = 10.0 * (static_cast<double>(j) + 0.3) / kRows;
      const Point p = pixel(cx, cy);
      const DrawnFace drawn = faceDrawnAt(c.fig, p.x, p.y, any);
      if (cx > 3.8 && cx < 6.2 && cy > 3.8 && cy < 6.2) {  // on the square or near its outline
        if (cx > 4 && cx < 6 && cy > 4 && cy < 6) {
          EXPECT_EQ(drawn.object, c.square) << i << "," << j;
        }
        continue;
      }
      EXPECT_EQ(drawn.object, board) << i << "," << j;
      EXPECT_EQ(drawn.face, i * kRows + j);
      ++named;
      // Between two squares of the board lies nothing but the axes; the press goes to it.
      const Point gap = pixel(10.0 * (static_cast<double>(i) + 0.7) / kColumns, cy);
      EXPECT_EQ(faceDrawnAt(c.fig, gap.x, gap.y, any).object, c.fig) << i << "," << j;
      EXPECT_EQ(hitTest(c.fig, gap.x, gap.y), c.ax);
    }
  EXPECT_GT(named, 100);
  EXPECT_EQ(hitTest(c.fig, pixel(5, 5).x, pixel(5, 5).y), c.square);
}

// Among many objects that take clicks, in two axes, a press still finds the one under it, and
// an axes far from the pointer is passed over whole.
TEST_F(Events, APressFindsItsObjectAmongManyThatTakeClicks) {
  Chart c = makeChart();
  const Handle other = axes(c.fig, {{"Units", Value("pixels")}, {"Position", Value::row({0, 0, 40, 40})}});
  const Handle triangle = patch(Matrix::column({0, 1, 1}), Matrix::column({0, 0, 1}), Matrix::column({0, 0, 0}), Value("r"));
  axes(c.ax);
  std::vector<Handle> tiles;
  for (int i = 0; i < 20; ++i)
    tiles.push_back(patch(Matrix::column({i * 0.5, i * 0.5 + 0.4, i * 0.5 + 0.4, i * 0.5}), Matrix::column({1, 1, 2, 2}),
                          Matrix::column({0, 0, 0, 0}), Value("g"), {{"ButtonDownFcn", Value("note('tile')")}}));
  const Rect r = objectPixelRect(c.ax);
  for (int i : {0, 17, 19}) {
    const Point at{r.x + r.width * (i * 0.05 + 0.02), r.y + r.height * 0.85};
    EXPECT_EQ(hitTest(c.fig, at.x, at.y), tiles[static_cast<std::size_t>(i)]) << i;
  }
  const Rect o = objectPixelRect(other);
  EXPECT_EQ(hitTest(c.fig, o.x + o.width * 0.8, o.y + o.height * 0.8), triangle);
  EXPECT_EQ(hitTest(c.fig, o.x + o.width * 0.2, o.y + o.height * 0.2), other);
  EXPECT_EQ(drawnAt(c.fig, o.x + o.width * 0.8, o.y + o.height * 0.8), std::vector<Handle>{triangle});
}

TEST_F(Events, AFaceSeenEdgeOnIsPickedAsALineIs) {
  Chart c = makeChart();
  // A vertical wall seen from straight above (the chart's 2-D view): a line across the chart.
  const Handle wall = patch(Matrix::column({2, 8, 8, 2}), Matrix::column({3, 3, 3, 3}), Matrix::column({-1, -1, 1, 1}),
                            Value("r"), {{"HitTest", Value("off")}});
  const Rect r = objectPixelRect(c.ax);
  const double y = r.y + r.height * (1 - 0.3);  // data y = 3
  const double x = r.x + r.width * 0.25;        // data x = 2.5, left of the square
  EXPECT_EQ(drawnAt(c.fig, x, y + 2.5), (std::vector<Handle>{wall}));
  EXPECT_TRUE(drawnAt(c.fig, x, y + 4).empty());
  // A face with area is taken within half that distance of its edge only.
  const Rect sq{r.x + r.width * 0.4, r.y + r.height * 0.4, r.width * 0.2, r.height * 0.2};
  EXPECT_EQ(drawnAt(c.fig, sq.x - 1, sq.y + sq.height / 2), (std::vector<Handle>{c.square}));
  EXPECT_TRUE(drawnAt(c.fig, sq.x - 2.5, sq.y + sq.height / 2).empty());
}
