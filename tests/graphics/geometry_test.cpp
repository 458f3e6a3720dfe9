// Axes geometry: where the limits box lands in pixels, the line of sight through a pixel
// ("CurrentPoint"), and text extents with the headless backend's fixed font metrics.
#include <cmath>

#include "graphics/camera.hpp"
#include "graphics/geometry.hpp"
#include "graphics/render.hpp"
#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::ModelTest;

namespace {

class Geometry : public ModelTest {
 protected:
  // A 400x300 figure holding a 300x200 axes whose rectangle spans pixels x 50..350, y 60..260.
  Handle makeAxes(std::vector<double> xlim, std::vector<double> ylim, std::vector<double> zlim) {
    Handle fig = figure({{"Position", Value::row({100, 100, 400, 300})}});
    return axes(fig, {{"Units", Value("pixels")},
                      {"Position", Value::row({50, 40, 300, 200})},
                      {"XLim", Value::row(xlim)},
                      {"YLim", Value::row(ylim)},
                      {"ZLim", Value::row(zlim)}});
  }
};

Vec3 rowOf(const Matrix& m, std::size_t r) { return {m(r, 0), m(r, 1), m(r, 2)}; }

void expectNear(Vec3 a, Vec3 b, double tol = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

bool onBoxSurface(Vec3 p, const Limits& l) {
  bool inside = true, onFace = false;
  for (int i = 0; i < 3; ++i) {
    inside = inside && p[i] >= l.lo[i] - 1e-9 && p[i] <= l.hi[i] + 1e-9;
    onFace = onFace || std::abs(p[i] - l.lo[i]) < 1e-9 || std::abs(p[i] - l.hi[i]) < 1e-9;
  }
  return inside && onFace;
}

}  // namespace

TEST_F(Geometry, PixelRectanglesCountDownFromTheFiguresTopLeft) {
  Handle ax = makeAxes({0, 1}, {0, 1}, {0, 1});
  EXPECT_EQ(figurePixelRect(*ancestor(ax, "figure")), (Rect{0, 0, 400, 300}));
  EXPECT_EQ(objectPixelRect(ax), (Rect{50, 60, 300, 200}));
  // Normalized units are fractions of the figure's client area.
  set(ax, {{"Units", Value("normalized")}, {"Position", Value::row({0.25, 0.5, 0.5, 0.25})}});
  EXPECT_EQ(objectPixelRect(ax), (Rect{100, 75, 200, 75}));
  // What is drawn in an axes lies in the axes' rectangle.
  Handle l = line(Matrix::row({0, 1}), Matrix::row({0, 1}), Matrix());
  EXPECT_EQ(objectPixelRect(l), objectPixelRect(ax));
}

TEST_F(Geometry, DefaultTwoDimensionalViewFillsTheRectangle) {
  Handle ax = makeAxes({-4, 4}, {-2, 2}, {0, 1});
  view(ax, Value(2));
  Camera cam = axesCamera(ax);
  for (double z : {0.0, 1.0}) {
    EXPECT_EQ(dataToPixel(cam, {-4, -2, z}), (Point{50, 260}));
    EXPECT_EQ(dataToPixel(cam, {4, -2, z}), (Point{350, 260}));
    EXPECT_EQ(dataToPixel(cam, {-4, 2, z}), (Point{50, 60}));
    EXPECT_EQ(dataToPixel(cam, {4, 2, z}), (Point{350, 60}));
  }
  EXPECT_EQ(dataToPixel(cam, {0, 0, 0}), (Point{200, 160}));
}

TEST_F(Geometry, DefaultThreeDimensionalViewLooksFromTheLowCornerAndDown) {
  Handle ax = makeAxes({-4, 4}, {-4, 4}, {-4, 4});
  view(ax, Value(3));
  EXPECT_EQ(get(ax, "View").matrix(), Matrix::row({-37.5, 30}));
  Camera cam = axesCamera(ax);
  // The viewer stands on the side of low x and low y, above: that corner is nearest.
  double nearest = depthOf(cam, {-4, -4, 4});
  for (double x : {-4, 4})
    for (double y : {-4, 4})
      for (double z : {-4, 4}) EXPECT_LE(depthOf(cam, {x, y, z}), nearest + 1e-12);
  // z runs straight up the screen; x runs to the right and away (up), y to the left and away.
  Point lo = dataToPixel(cam, {-4, -4, -4});
  Point up = dataToPixel(cam, {-4, -4, 4});
  EXPECT_NEAR(up.x, lo.x, 1e-9);
  EXPECT_LT(up.y, lo.y);
  Point xEnd = dataToPixel(cam, {4, -4, -4});
  Point yEnd = dataToPixel(cam, {-4, 4, -4});
  EXPECT_GT(xEnd.x, lo.x);
  EXPECT_LT(xEnd.y, lo.y);
  EXPECT_LT(yEnd.x, lo.x);
  EXPECT_LT(yEnd.y, lo.y);
}

TEST_F(Geometry, TheBoxFitsTheRectangleAtEveryViewWithoutChangingScale) {
  Handle ax = makeAxes({0, 10}, {-1, 1}, {5, 6});
  double fill = 0;  // the largest share of the rectangle's width or height the box takes
  double zLength = -1;
  for (double az = -180; az <= 180; az += 7.5) {
    for (double el = -90; el <= 90; el += 7.5) {
      if (isPlanView(az, el)) continue;  // a flat chart fills the rectangle instead
      view(ax, Value::row({az, el}));
      Camera cam = axesCamera(ax);
      double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
      for (double x : {0, 10})
        for (double y : {-1, 1})
          for (double z : {5, 6}) {
            Point p = dataToPixel(cam, {x, y, z});
            EXPECT_TRUE(cam.plot.contains(p)) << "az " << az << " el " << el;
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
          }
      fill = std::max({fill, (right - left) / 300, (bottom - top) / 200});
      // At zero elevation the z edge is seen at full length: the same at every azimuth.
      if (el == 0) {
        Point a = dataToPixel(cam, {0, 0, 5}), b = dataToPixel(cam, {0, 0, 6});
        double len = std::hypot(a.x - b.x, a.y - b.y);
        if (zLength < 0) zLength = len;
        EXPECT_NEAR(len, zLength, 1e-9);
      }
    }
  }
  EXPECT_GT(fill, 0.95);  // the fit is tight, not merely safe
}

TEST_F(Geometry, CurrentPointInThreeDimensionsLiesOnTheBoxOrOnTheCornerPlanes) {
  Handle ax = makeAxes({-4, 4}, {-4, 4}, {-4, 4});
  view(ax, Value(3));
  Camera cam = axesCamera(ax);

  // Through the middle: both points on the box's surface, on the same line of sight.
  Matrix cp = currentPointAt(ax, 200, 160);
  Vec3 nearP = rowOf(cp, 0), farP = rowOf(cp, 1);
  EXPECT_TRUE(onBoxSurface(nearP, cam.limits));
  EXPECT_TRUE(onBoxSurface(farP, cam.limits));
  EXPECT_GT(depthOf(cam, nearP), depthOf(cam, farP));
  for (Vec3 p : {nearP, farP}) {
    Point px = dataToPixel(cam, p);
    EXPECT_NEAR(px.x, 200, 1e-9);
    EXPECT_NEAR(px.y, 160, 1e-9);
  }
  // The box centre is on that line, half-way between.
  expectNear(0.5 * (nearP + farP), {0, 0, 0}, 1e-9);

  // The rectangle's corner misses the box: the points lie on the planes through the nearest and
  // farthest corners, still under the pixel.
  Matrix miss = currentPointAt(ax, 51, 61);
  double nearest = -1e9, farthest = 1e9;
  for (double x : {-4, 4})
    for (double y : {-4, 4})
      for (double z : {-4, 4}) {
        nearest = std::max(nearest, depthOf(cam, {x, y, z}));
        farthest = std::min(farthest, depthOf(cam, {x, y, z}));
      }
  EXPECT_NEAR(depthOf(cam, rowOf(miss, 0)), nearest, 1e-9);
  EXPECT_NEAR(depthOf(cam, rowOf(miss, 1)), farthest, 1e-9);
  for (std::size_t r = 0; r < 2; ++r) {
    Point px = dataToPixel(cam, rowOf(miss, r));
    EXPECT_NEAR(px.x, 51, 1e-9);
    EXPECT_NEAR(px.y, 61, 1e-9);
  }
}

TEST_F(Geometry, TextExtentFollowsAlignmentAndMargin) {
  // 10 pixels per data unit both ways: x 0..30 over 300 pixels, y 0..20 over 200.
  Handle ax = makeAxes({0, 30}, {0, 20}, {-1, 1});
  view(ax, Value(2));
  // Fixed metrics: 4 characters at 10 points are 24 x 13 pixels, ascent 10; margin 2 on every
  // side makes the box 28 x 17 pixels = 2.8 x 1.7 units.
  struct Case {
    const char* h;
    const char* v;
    double left, bottom;
  };
  const Case cases[] = {
      {"left", "bottom", 10, 5}, {"center", "bottom", 8.6, 5}, {"right", "bottom", 7.2, 5}, {"left", "top", 10, 3.3}};
  for (const Case& c : cases) {
    Handle t = text(10, 5, Value("abcd"),
                    {{"HorizontalAlignment", Value(c.h)}, {"VerticalAlignment", Value(c.v)}});
    Matrix e = get(t, "Extent").matrix();
    ASSERT_EQ(e.numel(), 4u);
    EXPECT_NEAR(e[0], c.left, 1e-9) << c.h << "/" << c.v;
    EXPECT_NEAR(e[1], c.bottom, 1e-9) << c.h << "/" << c.v;
    EXPECT_NEAR(e[2], 2.8, 1e-9);
    EXPECT_NEAR(e[3], 1.7, 1e-9);
  }
}

TEST_F(Geometry, TextExtentStaysInDataUnitsWhenTheLimitsChange) {
  Handle ax = makeAxes({0, 30}, {0, 20}, {-1, 1});
  view(ax, Value(2));
  Handle t = text(10, 5, Value("abcd"));
  Matrix before = get(t, "Extent").matrix();
  set(ax, "YLim", Value::row({0, 40}));  // half as many pixels per unit up the screen
  Matrix after = get(t, "Extent").matrix();
  EXPECT_NEAR(after[2], before[2], 1e-9);
  EXPECT_NEAR(after[3], 2 * before[3], 1e-9);
}
