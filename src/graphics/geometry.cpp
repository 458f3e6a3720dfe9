// Where figures, axes and controls lie in pixels, the camera of an axes, the line of sight
// through a pixel, and where a text object stands.
#include "graphics/geometry.hpp"

#include <algorithm>
#include <cmath>

#include "graphics/property_values.hpp"

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

Camera axesCamera(Handle ax) {
  Limits limits;
  static const char* const kLimits[3] = {"XLim", "YLim", "ZLim"};
  for (int d = 0; d < 3; ++d) {
    Value lim = get(ax, kLimits[d]);
    limits.lo[d] = elementOf(lim, 0, 0.0);
    limits.hi[d] = elementOf(lim, 1, 1.0);
  }
  Value view = get(ax, "View");
  Camera cam = makeCamera(limits, elementOf(view, 0, 0.0), elementOf(view, 1, 90.0), objectPixelRect(ax));
  // A zoom magnifies about the box's centre; what then leaves the axes' rectangle is cut off
  // when the axes is drawn.
  const double zoom = numberOf(get(ax, "Zoom"), 1.0);
  if (std::isfinite(zoom) && zoom > 0 && zoom != 1) {
    cam.kx *= zoom;
    cam.ky *= zoom;
  }
  return cam;
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

TextStyle textStyleOf(Handle t) {
  TextStyle style;
  style.fontSize = numberProp(t, "FontSize", 10);
  style.fontName = textProp(t, "FontName");
  style.horizontal = horizontalAlignmentNamed(textProp(t, "HorizontalAlignment")).value_or(HAlign::Left);
  style.vertical = verticalAlignmentNamed(textProp(t, "VerticalAlignment")).value_or(VAlign::Middle);
  style.margin = numberProp(t, "Margin", 2);
  return style;
}

Vec3 textPosition(Handle t) {
  Value pos = get(t, "Position");
  return {elementOf(pos, 0, 0.0), elementOf(pos, 1, 0.0), elementOf(pos, 2, 0.0)};
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
