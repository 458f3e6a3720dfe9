// Painting display lists into images: the pixels of lit faces, of texts with background and
// edge, and of the program's layout file. (The order of faces in depth is the display list's.)
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <memory>

#include "backend_support.hpp"
#include "graphics/camera.hpp"
#include "graphics/geometry.hpp"
#include "graphics/headless.hpp"
#include "graphics/property_values.hpp"
#include "graphics/qt/font_metrics.hpp"
#include "graphics/qt/paint.hpp"
#include "graphics/qt/snapshot.hpp"
#include "graphics/render.hpp"

using namespace kolvar;
using namespace kolvar::graphics;

namespace {

// The headless backend, measuring text with Qt's fonts as the program does.
class OffscreenBackend : public HeadlessBackend {
 public:
  const FontMetrics& fontMetrics() const override { return metrics_; }

 private:
  QtFontMetrics metrics_;
};

class Snapshot : public ::testing::Test {
 protected:
  void SetUp() override {
    kolvar::graphics::testing::qtApp();
    ensureGuiApplication();  // finds the application above and leaves it alone
    startSession({std::make_shared<runtime::Registry>(), std::make_shared<OffscreenBackend>()});
  }
  void TearDown() override { endSession(); }

  // A 400x400 figure whose axes fills pixels 50..350 both ways; limits -4..4.
  Handle makeAxes(const Value& view) {
    Handle fig = figure({{"Position", Value::row({0, 0, 400, 400})}, {"Color", Value::row({0.9, 0.9, 0.9})}});
    Handle ax = axes(fig, {{"Units", Value("pixels")},
                           {"Position", Value::row({50, 50, 300, 300})},
                           {"XLim", Value::row({-4, 4})},
                           {"YLim", Value::row({-4, 4})},
                           {"ZLim", Value::row({-4, 4})}});
    graphics::view(ax, view);
    return ax;
  }
};

Handle quad(std::vector<Vec3> c, const Value& color) {
  Matrix x(4, 1), y(4, 1), z(4, 1);
  for (std::size_t i = 0; i < 4; ++i) {
    x[i] = c[i].x;
    y[i] = c[i].y;
    z[i] = c[i].z;
  }
  return patch(x, y, z, color);
}

QColor at(const QImage& img, Point p) {
  return img.pixelColor(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
}

int brightness(const QColor& c) { return c.red() + c.green() + c.blue(); }

bool near(const QColor& c, int r, int g, int b, int tol = 2) {
  return std::abs(c.red() - r) <= tol && std::abs(c.green() - g) <= tol && std::abs(c.blue() - b) <= tol;
}

std::string describe(const QColor& c) {
  return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue());
}

}  // namespace

TEST_F(Snapshot, ALitPatchIsAShadeOfItsColourAndBrighterFacingTheLight) {
  Handle ax = makeAxes(Value(3));
  const Value blueish = Value::row({0.5, 0.5, 0.9});
  quad({{-3, -3, -2}, {0, -3, -2}, {0, 0, -2}, {-3, 0, -2}}, blueish);  // a floor tile
  quad({{1, 3, -2}, {3, 3, -2}, {3, 3, 2}, {1, 3, 2}}, blueish);          // a wall
  Handle plain = quad({{1, -3, -2}, {3, -3, -2}, {3, -1, -2}, {1, -1, -2}}, blueish);
  set(plain, "FaceLighting", Value("none"));
  light({{"Position", Value::row({0, 0, 10})}});

  QImage img = figureImage(*ancestor(ax, "figure"));
  ASSERT_EQ(img.width(), 400);
  ASSERT_EQ(img.height(), 400);
  Camera cam = axesCamera(ax);
  QColor f = at(img, dataToPixel(cam, {-1.5, -1.5, -2}));
  QColor w = at(img, dataToPixel(cam, {2, 3, 0}));
  QColor u = at(img, dataToPixel(cam, {2, -2, -2}));
  for (const QColor& c : {f, w}) {
    // A shade of [0.5 0.5 0.9]: blue strongest, red and green alike, not the white background.
    EXPECT_GT(c.blue(), c.red() + 20) << describe(c);
    EXPECT_NEAR(c.red(), c.green(), 2) << describe(c);
    EXPECT_FALSE(near(c, 255, 255, 255)) << describe(c);
  }
  EXPECT_GT(brightness(f), brightness(w) + 60) << describe(f) << " vs " << describe(w);
  EXPECT_TRUE(near(u, 128, 128, 230)) << describe(u);
}

TEST_F(Snapshot, ThePictureOfTheLayoutFilesWindowShowsWhatItsAxesHold) {
  const Handle fig = loadfig(std::string(KOLVAR_TEST_DATA) + "/../../src/app/kolvar.fig").handles.at(0);
  const std::vector<Handle> axesList = findall(fig, "axes");
  // A red tile in the middle of the scene view, seen from above.
  Handle ax1 = 0;
  for (Handle a : axesList) ax1 = get(a, "Tag").text() == "axes1" ? a : ax1;
  set(ax1, {{"XLim", Value::row({-4, 4})}, {"YLim", Value::row({-4, 4})}, {"ZLim", Value::row({-4, 4})},
            {"View", Value::row({0, 90})}});
  create("patch", ax1,
         {{"XData", Value(Matrix::column({-1, 1, 1, -1}))}, {"YData", Value(Matrix::column({-1, -1, 1, 1}))},
          {"ZData", Value(Matrix::column({0, 0, 0, 0}))}, {"FaceColor", Value("r")}});

  const QImage img = figureImage(fig);
  Rect client = figurePixelRect(fig);
  EXPECT_EQ(img.width(), static_cast<int>(std::ceil(client.width)));
  EXPECT_EQ(img.height(), static_cast<int>(std::ceil(client.height)));

  Camera cam = axesCamera(ax1);
  EXPECT_TRUE(near(at(img, dataToPixel(cam, {0, 0, 0})), 255, 0, 0, 3)) << describe(at(img, dataToPixel(cam, {0, 0, 0})));
}

// A translucent face tints exactly what lies behind it: where it covers the opaque face, the
// pixel mixes both colours; where it covers only the background, background and face; and the
// opaque face outside it keeps its own colour. From the other side the opaque face is in front
// and covers it.
TEST_F(Snapshot, ATranslucentFaceBlendsOverExactlyTheFacesBehindIt) {
  Handle ax = makeAxes(Value(2));  // seen from above: larger z is nearer
  Handle behind = quad({{-3, -3, -1}, {1, -3, -1}, {1, 1, -1}, {-3, 1, -1}}, Value::row({1, 0, 0}));
  Handle glass = quad({{-1, -1, 1}, {3, -1, 1}, {3, 3, 1}, {-1, 3, 1}}, Value::row({0, 0, 1}));
  for (Handle h : {behind, glass}) set(h, {{"FaceLighting", Value("none")}, {"EdgeColor", Value("none")}});
  set(glass, "FaceAlpha", Value(0.5));
  const Camera cam = axesCamera(ax);
  QImage img = figureImage(*ancestor(ax, "figure"));
  EXPECT_TRUE(near(at(img, dataToPixel(cam, {0, 0, 0})), 128, 0, 128, 3)) << describe(at(img, dataToPixel(cam, {0, 0, 0})));
  EXPECT_TRUE(near(at(img, dataToPixel(cam, {2, 2, 0})), 128, 128, 255, 3)) << describe(at(img, dataToPixel(cam, {2, 2, 0})));
  EXPECT_TRUE(near(at(img, dataToPixel(cam, {-2, -2, 0})), 255, 0, 0, 3)) << describe(at(img, dataToPixel(cam, {-2, -2, 0})));
  // Seen from below the red face is nearer and opaque: the overlap is red.
  view(ax, Value::row({0, -90}));
  img = figureImage(*ancestor(ax, "figure"));
  const Camera below = axesCamera(ax);
  EXPECT_TRUE(near(at(img, dataToPixel(below, {0, 0, 0})), 255, 0, 0, 3)) << describe(at(img, dataToPixel(below, {0, 0, 0})));
}
