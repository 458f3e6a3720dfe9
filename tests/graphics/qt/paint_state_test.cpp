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
  text.text = "x";
  text.stroke = red;
  text.stroked = true;
  text.box = {40, 85, 20, 14};
  text.baseline = {45, 97};
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
