// Where figures, axes and controls lie in pixels, the line of sight through a pixel, and the
// extent of a text in data units.
#include "graphics/geometry.hpp"

#include <algorithm>
#include <cmath>

#include "graphics/render.hpp"
#include "graphics/text_extent.hpp"

namespace kolvar::graphics {

Rect figurePixelRect(Handle fig) {
  Matrix p = pixelPosition(fig);
  return {0, 0, p[2], p[3]};
}

Rect objectPixelRect(Handle h) {
  std::string type = typeOf(h);
  if (type == "figure") return figurePixelRect(h);
  if (type == "axes" || type == "uicontrol") {
    std::optional<Handle> fig = ancestor(h, "figure");
    if (!fig) return {};
    Rect client = figurePixelRect(*fig);
    Matrix p = pixelPosition(h);
    // Positions count up from the figure's bottom edge; pixels count down from its top.
    return {p[0], client.height - p[1] - p[3], p[2], p[3]};
  }
  // Objects drawn in an axes lie in its rectangle; menus and the root have none.
  if (std::optional<Handle> ax = ancestor(h, "axes")) return objectPixelRect(*ax);
  return {};
}

Matrix currentPointAt(Handle ax, double px, double py) {
  auto [nearPoint, farPoint] = lineOfSight(axesCamera(ax), px, py);
  Matrix m(2, 3);
  for (int i = 0; i < 3; ++i) {
    m(0, i) = nearPoint[i];
    m(1, i) = farPoint[i];
  }
  return m;
}

Matrix textExtent(Handle t) {
  std::optional<Handle> ax = ancestor(t, "axes");
  if (!ax) return Matrix::row({0, 0, 0, 0});
  Camera cam = axesCamera(*ax);
  Vec3 anchor = textPosition(t);
  TextStyle style = textStyleOf(t);
  TextPlacement place = placeText(textLines(get(t, "String")), dataToPixel(cam, anchor), style, backend().fontMetrics());

  // The box's corners back in data units, on the plane through the anchor that faces the viewer
  // (in a flat chart: the chart's plane).
  double depth = depthOf(cam, anchor);
  Vec3 lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
  const Rect& b = place.box;
  for (Point c : {Point{b.x, b.y}, Point{b.x + b.width, b.y}, Point{b.x, b.y + b.height},
                  Point{b.x + b.width, b.y + b.height}}) {
    double vx = cam.kx > 0 ? (c.x - cam.origin.x) / cam.kx : 0;
    double vy = cam.ky > 0 ? (cam.origin.y - c.y) / cam.ky : 0;
    Vec3 d = boxToData(cam, vx * cam.right + vy * cam.up + depth * cam.toViewer);
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], d[i]);
      hi[i] = std::max(hi[i], d[i]);
    }
  }
  return Matrix::row({lo.x, lo.y, hi.x - lo.x, hi.y - lo.y});
}

}  // namespace kolvar::graphics
