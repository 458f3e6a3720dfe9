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
