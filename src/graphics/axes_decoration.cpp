// An axes' own drawing. A flat chart (a straight view along an axis) is a rectangle with short ticks
// pointing in; any other view shows the limits box with longer ticks pointing out, and the grid
// on the walls at the back of the box.
#include "graphics/axes_decoration.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "geometry/hull.hpp"
#include "graphics/property_values.hpp"
#include "graphics/text_extent.hpp"
#include "graphics/ticks.hpp"

namespace kolvar::graphics {

namespace {

// How much of the axis colour shows in a grid line over the background.
constexpr double kGridShare = 0.15;

Rgb mix(Rgb a, Rgb b, double t) {
  return {a.r + t * (b.r - a.r), a.g + t * (b.g - a.g), a.b + t * (b.b - a.b)};
}

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

Primitive line(Handle source, std::vector<Point> points, Rgb color, double width, const std::string& style) {
  Primitive p;
  p.kind = Primitive::Kind::Line;
  p.source = source;
  p.points = std::move(points);
  p.stroke = color;
  p.stroked = true;
  p.lineWidth = width;
  p.lineStyle = style;
  return p;
}

Point boxPixel(const Camera& cam, Vec3 b) { return viewToPixel(cam, boxToView(cam, b)); }

// The convex outline of points, counter-clockwise on the screen.
std::vector<Point> convexHull(std::vector<Point> pts) {
  return geometry::convexHull(std::move(pts), [](Point p) { return p.x; }, [](Point p) { return p.y; });
}

struct BoxEdge {
  Vec3 a, b;  // box space, a at the low end of the axis
  Point pa, pb;
};

// The edge of the box parallel to axis `d` that carries its ticks; nothing when the axis points
// at the viewer (the depth axis of a flat chart). The x and y axes lie on the floor of the box
// as seen (its bottom when seen from above, its top from below), on the edge nearer the viewer;
// in a flat chart, where both floor edges are equally near, on the bottom and on the left. The
// z axis stands on the leftmost upright edge.
std::optional<BoxEdge> tickEdge(const Camera& cam, int d) {
  std::optional<BoxEdge> best;
  double bestKey = 0;
  double floorZ = cam.toViewer.z >= 0 ? -0.5 : 0.5;
  for (double s1 : {-0.5, 0.5}) {
    for (double s2 : {-0.5, 0.5}) {
      BoxEdge e;
      e.a[d] = -0.5;
      e.b[d] = 0.5;
      e.a[(d + 1) % 3] = e.b[(d + 1) % 3] = s1;
      e.a[(d + 2) % 3] = e.b[(d + 2) % 3] = s2;
      if (d != 2 && e.a.z != floorZ) continue;
      e.pa = boxPixel(cam, e.a);
      e.pb = boxPixel(cam, e.b);
      if (distance(e.pa, e.pb) < 1) return std::nullopt;
      Point mid{(e.pa.x + e.pb.x) / 2, (e.pa.y + e.pb.y) / 2};
      double key;
      if (d == 2) {
        key = -mid.x;  // leftmost
      } else {
        // Nearer first; between equally near edges the lower one, then the one further left.
        key = 1e6 * dot(cam.toViewer, 0.5 * (e.a + e.b)) + 1e3 * mid.y - mid.x;
      }
      if (!best || key > bestKey + 1e-6) {
        best = e;
        bestKey = key;
      }
    }
  }
  return best;
}

struct AxesLook {
  Rgb background{1, 1, 1};
  bool hasBackground = true;
  double fontSize = 10;
  std::string fontName;
  double lineWidth = 0.5;
};

void emitAxis(Handle ax, const Camera& cam, int d, const AxesLook& look, std::vector<Primitive>& out,
              std::vector<Primitive>& labels) {
  static const char* const kNames[3] = {"X", "Y", "Z"};
  std::string name = kNames[d];
  std::optional<BoxEdge> edge = tickEdge(cam, d);
  if (!edge) return;
  Rgb color = colorOf(get(ax, name + "Color")).value_or(Rgb{0.15, 0.15, 0.15});
  // Labels are what "TickLabel" says; empty labels mean unlabelled ticks.
  std::vector<Tick> ticks = axisTicks(get(ax, name + "Tick"), tickLabels(get(ax, name + "TickLabel")),
                                      cam.limits.lo[d], cam.limits.hi[d], false);
  // The axis line itself.
  out.push_back(line(ax, {edge->pa, edge->pb}, color, look.lineWidth, "-"));

  // Outwards: across the edge, away from the box's centre on the screen.
  Point along{edge->pb.x - edge->pa.x, edge->pb.y - edge->pa.y};
  double len = std::hypot(along.x, along.y);
  along = {along.x / len, along.y / len};
  Point mid{(edge->pa.x + edge->pb.x) / 2 - cam.origin.x, (edge->pa.y + edge->pb.y) / 2 - cam.origin.y};
  double k = mid.x * along.x + mid.y * along.y;
  Point outward{mid.x - k * along.x, mid.y - k * along.y};
  double olen = std::hypot(outward.x, outward.y);
  if (olen < 1e-9) {
    outward = std::abs(along.x) >= std::abs(along.y) ? Point{0, 1} : Point{-1, 0};
  } else {
    outward = {outward.x / olen, outward.y / olen};
  }
  double size = std::max(cam.plot.width, cam.plot.height);
  // Flat charts have short ticks pointing into the plot; 3-D boxes longer ones pointing out.
  double tickLen = cam.planView ? std::max(3.0, 0.01 * size) : -std::max(4.0, 0.025 * size);
  double labelGap = (cam.planView ? 0.0 : -tickLen) + 3;

  TextStyle style;
  style.fontSize = look.fontSize;
  style.fontName = look.fontName;
  style.margin = 0;
  // The label hangs off its anchor away from the box: two axes that meet at a corner put
  // their labels on either side of it instead of on top of each other.
  constexpr double kSlant = 0.3;
  style.horizontal = outward.x > kSlant ? HAlign::Left : (outward.x < -kSlant ? HAlign::Right : HAlign::Center);
  style.vertical = outward.y > kSlant ? VAlign::Top : (outward.y < -kSlant ? VAlign::Bottom : VAlign::Middle);
  for (const Tick& t : ticks) {
    double u = (t.value - cam.center[d]) / cam.span[d] + 0.5;
    Point p{edge->pa.x + u * (edge->pb.x - edge->pa.x), edge->pa.y + u * (edge->pb.y - edge->pa.y)};
    out.push_back(line(ax, {p, {p.x - outward.x * tickLen, p.y - outward.y * tickLen}}, color, look.lineWidth, "-"));
    if (t.label.empty()) continue;
    Point anchor{p.x + outward.x * labelGap, p.y + outward.y * labelGap};
    labels.push_back(textPrimitive(ax, {t.label}, anchor, style, color));
  }
  // The axis's name, beyond its tick labels at the middle of the edge.
  const std::string title = textProp(ax, name + "Label");
  if (title.empty()) return;
  const double gap = labelGap + look.fontSize * (96.0 / 72.0) * 1.9;  // points to pixels
  const Point centre{(edge->pa.x + edge->pb.x) / 2 + outward.x * gap, (edge->pa.y + edge->pb.y) / 2 + outward.y * gap};
  TextStyle named = style;
  named.fontSize = look.fontSize * 1.15;
  named.horizontal = HAlign::Center;
  named.vertical = VAlign::Middle;
  labels.push_back(textPrimitive(ax, {title}, centre, named, color));
}

// Two labels collide when they share more than a fifth of the smaller one: corners that merely
// touch are fine.
bool overlap(const Rect& a, const Rect& b) {
  const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
  const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
  if (w <= 0 || h <= 0) return false;
  return w * h > 0.2 * std::min(a.width * a.height, b.width * b.height);
}

void emitGrid(Handle ax, const Camera& cam, int d, const AxesLook& look, std::vector<Primitive>& out) {
  static const char* const kNames[3] = {"X", "Y", "Z"};
  std::string name = kNames[d];
  if (!isOn(ax, name + "Grid")) return;
  Rgb axisColor = colorOf(get(ax, name + "Color")).value_or(Rgb{0.15, 0.15, 0.15});
  Rgb color = mix(look.hasBackground ? look.background : Rgb{1, 1, 1}, axisColor, kGridShare);
  std::vector<Tick> ticks = axisTicks(get(ax, name + "Tick"), {}, cam.limits.lo[d], cam.limits.hi[d], false);
  for (int e = 0; e < 3; ++e) {
    if (e == d) continue;
    // The grid lies on the box's back walls: of the two walls across axis e, the one facing
    // away from the viewer; a wall seen edge-on shows no grid.
    double towards = cam.toViewer[e];
    if (std::abs(towards) < 1e-9) continue;
    double wall = towards > 0 ? -0.5 : 0.5;
    int f = 3 - d - e;
    for (const Tick& t : ticks) {
      Vec3 a, b;
      a[d] = b[d] = (t.value - cam.center[d]) / cam.span[d];
      a[e] = b[e] = wall;
      a[f] = -0.5;
      b[f] = 0.5;
      out.push_back(line(ax, {boxPixel(cam, a), boxPixel(cam, b)}, color, look.lineWidth, "-"));
    }
  }
}

void emitBox(Handle ax, const Camera& cam, const AxesLook& look, std::vector<Primitive>& out) {
  Rgb color = colorOf(get(ax, "XColor")).value_or(Rgb{0.15, 0.15, 0.15});
  std::vector<std::pair<Point, Point>> drawn;
  for (int d = 0; d < 3; ++d) {
    for (double s1 : {-0.5, 0.5}) {
      for (double s2 : {-0.5, 0.5}) {
        Vec3 a, b;
        a[d] = -0.5;
        b[d] = 0.5;
        a[(d + 1) % 3] = b[(d + 1) % 3] = s1;
        a[(d + 2) % 3] = b[(d + 2) % 3] = s2;
        Point pa = boxPixel(cam, a), pb = boxPixel(cam, b);
        if (distance(pa, pb) < 0.5) continue;
        bool seen = std::any_of(drawn.begin(), drawn.end(), [&](const auto& e) {
          return (distance(e.first, pa) < 0.5 && distance(e.second, pb) < 0.5) ||
                 (distance(e.first, pb) < 0.5 && distance(e.second, pa) < 0.5);
        });
        if (seen) continue;
        drawn.emplace_back(pa, pb);
        out.push_back(line(ax, {pa, pb}, color, look.lineWidth, "-"));
      }
    }
  }
}

}  // namespace

void drawAxesDecoration(Handle ax, const Camera& cam, std::vector<Primitive>& out) {
  AxesLook look;
  if (auto bg = colorOf(get(ax, "Color"))) {
    look.background = *bg;
  } else {
    look.hasBackground = false;
  }
  look.fontSize = numberProp(ax, "FontSize", 10);
  look.fontName = textProp(ax, "FontName");
  look.lineWidth = numberProp(ax, "LineWidth", 0.5);

  if (look.hasBackground) {
    Primitive bg;
    bg.source = ax;
    bg.fill = look.background;
    bg.filled = true;
    if (cam.planView) {
      bg.kind = Primitive::Kind::Rect;
      bg.box = cam.plot;
    } else {
      bg.kind = Primitive::Kind::Face;
      std::vector<Point> corners;
      for (const Vec3& c : boxCorners()) corners.push_back(boxPixel(cam, c));
      bg.points = convexHull(std::move(corners));
    }
    out.push_back(std::move(bg));
  }
  for (int d = 0; d < 3; ++d) emitGrid(ax, cam, d, look, out);
  if (isOn(ax, "Box")) emitBox(ax, cam, look, out);
  std::vector<Primitive> labels;
  for (int d = 0; d < 3; ++d) emitAxis(ax, cam, d, look, out, labels);
  // Where two axes meet at a corner their end labels may fall on each other: the later one gives
  // way, so no label is ever drawn over another.
  std::vector<Rect> placed;
  for (Primitive& p : labels) {
    if (std::any_of(placed.begin(), placed.end(), [&](const Rect& r) { return overlap(r, p.box); })) continue;
    placed.push_back(p.box);
    out.push_back(std::move(p));
  }
}

}  // namespace kolvar::graphics
