// Painting sets a pen or brush only when it changes; after a text or a clipped item, whose
// painting changes the painter behind that bookkeeping, the next item still gets its own colours.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "backend_support.hpp"
#include "graphics/qt/paint.hpp"

using namespace kolvar::graphics;

namespace {

Primitive line(double y, Rgb color) {
  Primitive p;
  p.kind = Primitive::Kind::Line;
  p.points = {{10, y}, {90, y}};
  p.stroke = color;
  p.stroked = true;
  p.lineWidth = 3;
  return p;
}

bool reddish(const QColor& c) { return c.red() > 150 && c.green() < 100 && c.blue() < 100; }
bool dark(const QColor& c) { return c.red() < 100 && c.green() < 100 && c.blue() < 100; }

}  // namespace

TEST(PaintState, ColoursFollowEachItemAfterTextsAndClippedItems) {
  kolvar::graphics::testing::qtApp();
  const Rgb black{0, 0, 0}, red{1, 0, 0};
  DisplayList list;
  list.width = 100;
  list.height = 100;
  list.background = {1, 1, 1};
  list.items.push_back(line(10, black));
  Primitive text;
  text.kind = Primitive::Kind::Text;
  text.annotation().text = "x";
  text.stroke = red;
  text.stroked = true;
  text.box = {40, 85, 20, 14};
  text.annotation().baseline = {45, 97};
  list.items.push_back(text);
  list.items.push_back(line(30, black));  // the text's pen must not stay on
  Primitive clippedRed = line(50, red);
  clippedRed.clipped = true;
  clippedRed.clip = {0, 0, 100, 100};
  list.items.push_back(clippedRed);
  list.items.push_back(line(70, red));  // the clipped item's pen went with its clip

  QImage img(100, 100, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&img);
  paintDisplayList(painter, list);
  painter.end();
  EXPECT_TRUE(dark(img.pixelColor(50, 10)));
  EXPECT_TRUE(dark(img.pixelColor(50, 30)));
  EXPECT_TRUE(reddish(img.pixelColor(50, 50)));
  EXPECT_TRUE(reddish(img.pixelColor(50, 70)));
}

namespace {

Primitive face(std::vector<Point> points, Rgb fill) {
  Primitive p;
  p.kind = Primitive::Kind::Face;
  p.points = std::move(points);
  p.fill = fill;
  p.filled = true;
  return p;
}

QImage painted(const DisplayList& list) {
  kolvar::graphics::testing::qtApp();
  QImage img(static_cast<int>(list.width), static_cast<int>(list.height), QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&img);
  paintDisplayList(painter, list);
  painter.end();
  return img;
}

}  // namespace

// Successive items clipped alike share one clip; an item with another clip, or none, must still
// get exactly its own.
TEST(PaintState, EachItemKeepsItsOwnClipWhenNeighboursShareOne) {
  DisplayList list;
  list.width = list.height = 100;
  list.background = {1, 1, 1};
  const std::vector<Point> all{{0, 0}, {100, 0}, {100, 100}, {0, 100}};
  for (const Rect& left : {Rect{0, 0, 50, 100}, Rect{0, 0, 50, 100}}) {
    Primitive p = face(all, {0, 0, 1});
    p.clipped = true;
    p.clip = left;
    list.items.push_back(p);
  }
  Primitive right = face(all, {1, 0, 0});
  right.clipped = true;
  right.clip = {50, 0, 50, 50};
  list.items.push_back(right);
  list.items.push_back(face({{0, 80}, {100, 80}, {100, 100}, {0, 100}}, {0, 1, 0}));  // unclipped
  const QImage img = painted(list);
  EXPECT_EQ(img.pixelColor(25, 25), QColor(Qt::blue));
  EXPECT_EQ(img.pixelColor(75, 25), QColor(Qt::red));
  EXPECT_EQ(img.pixelColor(75, 60), QColor(Qt::white));  // outside both clips
  EXPECT_EQ(img.pixelColor(75, 90), QColor(Qt::green));
  EXPECT_EQ(img.pixelColor(25, 90), QColor(Qt::green));
}

// A face a few pixels across is painted in the mean of its fill and outline; a larger one keeps
// its fill inside its outline.
TEST(PaintState, ATinyOutlinedFaceTakesTheMeanOfItsColours) {
  DisplayList list;
  list.width = list.height = 40;
  list.background = {1, 1, 1};
  for (const double side : {2.5, 30.0}) {
    Primitive p = face({{5, 5}, {5 + side, 5}, {5 + side, 5 + side}, {5, 5 + side}}, {1, 0, 0});
    p.stroke = {0, 0, 1};
    p.stroked = true;
    list.items = {p};
    const QColor at = painted(list).pixelColor(6, 6);
    if (side < 3) {
      EXPECT_NEAR(at.red(), 128, 12);
      EXPECT_NEAR(at.blue(), 128, 12);
    } else {
      EXPECT_EQ(at, QColor(Qt::red));
    }
  }
}

// Square markers of one colour cover their square out to where the outline reaches, and no
// further; squares with an outline of another colour keep it.
TEST(PaintState, SquareMarkersOfOneColourAreFilledSquares) {
  DisplayList list;
  list.width = list.height = 40;
  list.background = {1, 1, 1};
  Primitive dots;
  dots.kind = Primitive::Kind::Marker;
  dots.points = {{10, 10}, {30, 30}};
  dots.stroke = {1, 0, 0};
  dots.stroked = true;
  dots.lineWidth = 0.5;
  dots.annotation().marker = "s";
  dots.annotation().markerSize = 6;  // 8 pixels across
  dots.annotation().markerFace = {1, 0, 0};
  dots.annotation().markerFilled = true;
  list.items = {dots};
  QImage image = painted(list);
  for (const auto& [x, y] : {std::pair{10, 10}, std::pair{13, 13}, std::pair{30, 30}, std::pair{26, 33}})
    EXPECT_TRUE(reddish(image.pixelColor(x, y))) << x << "," << y;
  for (const auto& [x, y] : {std::pair{16, 10}, std::pair{10, 4}, std::pair{20, 20}})
    EXPECT_EQ(image.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;

  list.items[0].annotation().markerFace = {0, 0, 1};  // a blue square outlined in red
  list.items[0].lineWidth = 3;
  image = painted(list);
  EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::blue));
  EXPECT_TRUE(reddish(image.pixelColor(14, 10)));
}

// A faint face many rows high is filled in bands: every pixel inside it is blended once (no row
// twice where two bands meet, none left out), nothing outside is touched, and its outline is
// still drawn over the fill.
TEST(PaintState, AFaintFaceFilledInBandsBlendsEachPixelOnce) {
  DisplayList list;
  list.width = 200;
  list.height = 400;
  list.background = {1, 1, 1};
  // A slanted quadrilateral over several bands, its corners off the pixel grid.
  Primitive p = face({{20.3, 10.6}, {180.7, 40.2}, {170.1, 390.4}, {30.8, 360.9}}, {1, 0, 0, 0.25});
  list.items = {p};
  const QImage fill = painted(list);
  const QColor inside = fill.pixelColor(100, 200);
  EXPECT_NE(inside, QColor(Qt::white));
  for (int y = 60; y < 350; ++y)  // a column well inside, across every band boundary
    ASSERT_EQ(fill.pixelColor(100, y), inside) << "row " << y;
  EXPECT_EQ(fill.pixelColor(10, 200), QColor(Qt::white));
  EXPECT_EQ(fill.pixelColor(100, 5), QColor(Qt::white));

  list.items[0].stroke = {0, 0, 1};
  list.items[0].stroked = true;
  list.items[0].lineWidth = 1.5;
  const QImage outlined = painted(list);
  EXPECT_EQ(outlined.pixelColor(100, 200), inside);
  const QColor edge = outlined.pixelColor(25, 200);  // on the left edge, x = 25.6 at this row
  EXPECT_GT(edge.blue(), 150);
  EXPECT_LT(edge.red(), 150);

  // A face reaching far beyond the picture is filled over the rows that show, not over all of its
  // own (which would take a billion bands).
  list.items = {face({{20, 10}, {180, 10}, {100, 1e12}}, {1, 0, 0, 0.25})};
  EXPECT_EQ(painted(list).pixelColor(100, 200), inside);
}

// At a fractional pixel ratio (a desktop scaled by 130 %) the figure's background, filled around
// an opaque view in several rectangles, meets itself between device pixels: every pixel of it
// must still be the background, with no seam where two of its rectangles meet.
TEST(PaintState, TheBackgroundAroundAViewHasNoSeamAtAFractionalPixelRatio) {
  kolvar::graphics::testing::qtApp();
  DisplayList list;
  list.width = 200;
  list.height = 100;
  list.background = {240 / 255.0, 240 / 255.0, 240 / 255.0};
  Primitive view;
  view.kind = Primitive::Kind::Rect;
  view.box = {20, 20, 100, 31};  // its bottom edge at 51, 66.3 in device pixels
  view.fill = {1, 1, 1};
  view.filled = true;
  list.items = {view};
  QImage img(260, 130, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::black);
  img.setDevicePixelRatio(1.3);
  QPainter painter(&img);
  paintDisplayList(painter, list);
  painter.end();
  for (int y = 0; y < 130; ++y)
    for (const int x : {5, 200, 255})  // beside the view and to its right, across its edges' rows
      ASSERT_EQ(img.pixel(x, y), qRgb(240, 240, 240)) << x << "," << y;
  EXPECT_EQ(img.pixel(100, 50), qRgb(255, 255, 255));
}

// A small outlined face seen edge-on (a wall from above: its corners on one line) has no inside
// to fill; it shows as a short line in the mean of its colours, where a face with an inside is
// filled.
TEST(PaintState, ASmallFaceSeenEdgeOnShowsAsALine) {
  DisplayList list;
  list.width = list.height = 40;
  list.background = {1, 1, 1};
  Primitive wall = face({{10, 20}, {12.5, 20}, {12.5, 20}, {10, 20}}, {0, 0, 1});
  wall.stroke = {0, 0, 1};
  wall.stroked = true;
  list.items = {wall};
  const QImage edgeOn = painted(list);
  int marked = 0;
  for (int x = 9; x <= 13; ++x)
    for (int y = 19; y <= 20; ++y) marked += edgeOn.pixelColor(x, y).blue() > edgeOn.pixelColor(x, y).red() + 60;
  EXPECT_GE(marked, 2);
  EXPECT_EQ(edgeOn.pixelColor(11, 25), QColor(Qt::white));
}
