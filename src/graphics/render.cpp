// Axes and figures as display lists: the axes' own decoration (background, grid, box, ticks and
// labels), then its faces and line segments far to near, then markers and texts on top.
#include "graphics/render.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "graphics/geometry.hpp"
#include "graphics/lighting.hpp"
#include "graphics/property_reader.hpp"
#include "graphics/text_extent.hpp"
#include "graphics/ticks.hpp"

namespace kolvar::graphics {

std::optional<Rgb> colorOf(const Value& v) {
  if (!v.isNumeric() || v.numel() != 3) return std::nullopt;
  const Matrix& m = v.matrix();
  return Rgb{m[0], m[1], m[2]};
}

namespace {

// A face drawn with "flat" or "interp" colour and no usable colour data gets this one.
constexpr Rgb kFallbackFaceColor{0, 0.447, 0.741};
// How much of the axis colour shows in a grid line over the background.
constexpr double kGridShare = 0.15;

std::string textProp(Handle h, std::string_view name) {
  Value v = get(h, name);
  return v.isText() ? v.text() : std::string();
}

bool isOn(Handle h, std::string_view name) { return textProp(h, name) == "on"; }

double numberProp(Handle h, std::string_view name, double fallback) {
  Value v = get(h, name);
  return v.isNumeric() && v.numel() >= 1 ? v.matrix()[0] : fallback;
}

Rgb mix(Rgb a, Rgb b, double t) {
  return {a.r + t * (b.r - a.r), a.g + t * (b.g - a.g), a.b + t * (b.b - a.b)};
}

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Element i of a numeric value, NaN past its end; a missing z reads as 0.
double element(const Value& v, std::size_t i, double missing = std::nan("")) {
  if (!v.isNumeric()) return missing;
  const Matrix& m = v.matrix();
  if (m.numel() == 0) return missing;
  return i < m.numel() ? m[i] : std::nan("");
}

bool finite(Vec3 p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

bool insideBox(Vec3 b) {
  constexpr double kHalf = 0.5 + 1e-9;
  return std::abs(b.x) <= kHalf && std::abs(b.y) <= kHalf && std::abs(b.z) <= kHalf;
}

// ---------------------------------------------------------------------------------------------
// The content of an axes in box space, read from its children.

struct FaceStyle {
  Handle source = 0;
  Rgb fill;
  bool lit = true;
  std::optional<Rgb> edge;
  double edgeWidth = 0.5;
  std::string edgeStyle = "-";
};

struct SegmentStyle {
  Handle source = 0;
  Rgb color;
  double width = 0.5;
  std::string style = "-";
};

struct SceneLight {
  Vec3 position;  // box space: a direction for an infinite light, a place for a local one
  bool local = false;
  Rgb color{1, 1, 1};
};

struct Scene {
  std::vector<DepthFace> faces;  // id: index into faceStyles
  std::vector<FaceStyle> faceStyles;
  std::vector<DepthSegment> segments;  // id: index into segmentStyles
  std::vector<SegmentStyle> segmentStyles;
  std::vector<SceneLight> lights;
  std::vector<Handle> overlays;  // lines with markers and texts, in creation order
};

void addSegment(Scene& s, Vec3 a, Vec3 b, int style, bool clip) {
  if (!finite(a) || !finite(b) || a == b) return;
  DepthSegment seg{a, b, style};
  if (clip) {
    auto kept = clipSegmentToBox(seg);
    if (!kept) return;
    seg = *kept;
  }
  s.segments.push_back(seg);
}

// What the scene reads of each child of an axes, through one reader: every frame reads these of
// every object the axes holds.
enum SceneProp : std::size_t {
  kVisible, kXData, kYData, kZData, kLineStyle, kClipping, kColor, kLineWidth, kMarker,
  kFaceColor, kEdgeColor, kCData, kFaceLighting, kPosition, kStyle,
};

PropertyReader sceneReader() {
  return PropertyReader({"Visible", "XData", "YData", "ZData", "LineStyle", "Clipping", "Color", "LineWidth",
                         "Marker", "FaceColor", "EdgeColor", "CData", "FaceLighting", "Position", "Style"});
}

bool isText(const Value& v, std::string_view text) { return v.isText() && v.text() == text; }

double numberOf(const Value& v, double fallback) {
  return v.isNumeric() && v.numel() >= 1 ? v.matrix()[0] : fallback;
}

void readLine(const PropertyReader& r, Handle h, const Camera& cam, Scene& s) {
  const Value &xs = r[kXData], &ys = r[kYData], &zs = r[kZData];
  std::size_t n = std::min(xs.numel(), ys.numel());
  if (zs.numel() > 0) n = std::min(n, zs.numel());
  const Value& style = r[kLineStyle];
  if (!isText(style, "none") && n >= 2) {
    bool clip = isText(r[kClipping], "on");
    s.segmentStyles.push_back({h, colorOf(r[kColor]).value_or(Rgb{}), numberOf(r[kLineWidth], 0.5),
                               style.isText() ? style.text() : std::string()});
    int id = static_cast<int>(s.segmentStyles.size()) - 1;
    Vec3 prev = dataToBox(cam, {element(xs, 0), element(ys, 0), element(zs, 0, 0.0)});
    for (std::size_t i = 1; i < n; ++i) {
      Vec3 p = dataToBox(cam, {element(xs, i), element(ys, i), element(zs, i, 0.0)});
      addSegment(s, prev, p, id, clip);  // a NaN point breaks the line
      prev = p;
    }
  }
  if (!isText(r[kMarker], "none")) s.overlays.push_back(h);
}

// The colour of a patch's "FaceColor" or "EdgeColor" value; nothing for "none".
std::optional<Rgb> patchColor(const PropertyReader& r, const Value& v) {
  if (auto rgb = colorOf(v)) return rgb;
  if (isText(v, "flat") || isText(v, "interp")) {
    const Value& c = r[kCData];
    if (c.isNumeric() && c.numel() == 3) {
      const Matrix& m = c.matrix();
      return Rgb{std::clamp(m[0], 0.0, 1.0), std::clamp(m[1], 0.0, 1.0), std::clamp(m[2], 0.0, 1.0)};
    }
    return kFallbackFaceColor;
  }
  return std::nullopt;
}

void readPatch(const PropertyReader& r, Handle h, const Camera& cam, Scene& s) {
  const Value &xs = r[kXData], &ys = r[kYData], &zs = r[kZData];
  if (!xs.isNumeric() || xs.numel() == 0) return;
  // One face per column of the data; a row is a single face.
  const Matrix& xm = xs.matrix();
  std::size_t corners = xm.rows == 1 ? xm.cols : xm.rows;
  std::size_t faces = xm.rows == 1 ? 1 : xm.cols;

  std::optional<Rgb> fill = patchColor(r, r[kFaceColor]);
  std::optional<Rgb> edge;
  double edgeWidth = numberOf(r[kLineWidth], 0.5);
  const std::string edgeStyle = r[kLineStyle].isText() ? r[kLineStyle].text() : std::string();
  if (edgeStyle != "none") {
    const Value& ev = r[kEdgeColor];
    edge = isText(ev, "flat") || isText(ev, "interp") ? fill.value_or(kFallbackFaceColor) : patchColor(r, ev);
  }
  if (!fill && !edge) return;
  bool clip = isText(r[kClipping], "on");
  bool lit = !isText(r[kFaceLighting], "none");

  int faceStyle = -1;
  if (fill) {
    s.faceStyles.push_back({h, *fill, lit, edge, edgeWidth, edgeStyle});
    faceStyle = static_cast<int>(s.faceStyles.size()) - 1;
  }
  int edgeSegmentStyle = -1;
  auto edgeStyleId = [&] {
    if (edgeSegmentStyle < 0) {
      s.segmentStyles.push_back({h, *edge, edgeWidth, edgeStyle});
      edgeSegmentStyle = static_cast<int>(s.segmentStyles.size()) - 1;
    }
    return edgeSegmentStyle;
  };

  std::vector<Vec3> points;  // of one face in box space, kept for its outline
  points.reserve(corners);
  for (std::size_t f = 0; f < faces; ++f) {
    points.clear();
    for (std::size_t v = 0; v < corners; ++v) {
      std::size_t i = f * corners + v;
      Vec3 p{element(xs, i), element(ys, i), element(zs, i, 0.0)};
      if (finite(p)) points.push_back(dataToBox(cam, p));  // NaN corners are left out
    }
    std::vector<DepthFace> flat;
    if (fill) flat = flatFaces(DepthFace{points, std::vector<bool>(points.size(), true), faceStyle});
    if (flat.empty()) {
      // Nothing to fill (no colour, or no area): the outline alone, as line segments.
      if (edge)
        for (std::size_t v = 0; v < points.size(); ++v)
          addSegment(s, points[v], points[(v + 1) % points.size()], edgeStyleId(), clip);
      continue;
    }
    for (DepthFace& piece : flat) {
      if (clip) piece = clipFaceToBox(std::move(piece));
      if (!piece.points.empty()) s.faces.push_back(std::move(piece));
    }
  }
}

void readLight(const PropertyReader& r, const Camera& cam, Scene& s) {
  const Value& pos = r[kPosition];
  Vec3 p{element(pos, 0, 0.0), element(pos, 1, 0.0), element(pos, 2, 0.0)};
  SceneLight light;
  light.local = isText(r[kStyle], "local");
  light.position = light.local ? dataToBox(cam, p) : dataDirectionToBox(cam, p);
  light.color = colorOf(r[kColor]).value_or(Rgb{1, 1, 1});
  s.lights.push_back(light);
}

Scene readScene(const std::vector<Handle>& children, const Camera& cam) {
  Scene s;
  PropertyReader r = sceneReader();
  for (Handle c : children) {
    r.read(c);
    if (!isText(r[kVisible], "on")) continue;
    const std::string& type = r.type();
    if (type == "line") {
      readLine(r, c, cam, s);
    } else if (type == "patch") {
      readPatch(r, c, cam, s);
    } else if (type == "text") {
      s.overlays.push_back(c);
    } else if (type == "light") {
      readLight(r, cam, s);
    }
  }
  return s;
}

// ---------------------------------------------------------------------------------------------
// Faces and segments, far to near.

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

// The colours of the faces for one view. A face's pieces share its colour: it is worked out once
// per face, from the face's own normal, when its first piece is drawn. Under a local light the
// direction to the light differs from piece to piece, so each piece is shaded on its own.
class FaceShades {
 public:
  FaceShades(const Scene& s, const std::vector<DepthFace>& inputs, const Camera& cam)
      : scene_(s), inputs_(inputs), toViewer_(cam.toViewer), shade_(inputs.size()), known_(inputs.size(), false) {
    for (const SceneLight& l : s.lights) {
      lights_.push_back({l.position, l.color});
      anyLocal_ = anyLocal_ || l.local;
    }
  }

  Rgb of(const DepthTree& tree, int piece) {
    const int input = tree.source[piece];
    const FaceStyle& st = scene_.faceStyles[inputs_[input].id];
    if (!st.lit || lights_.empty()) return st.fill;
    if (anyLocal_) return local(st, tree.faces[piece], inputs_[input]);
    if (!known_[input]) {
      shade_[input] = litColor(st.fill, newellNormal(inputs_[input].points), toViewer_, lights_);
      known_[input] = true;
    }
    return shade_[input];
  }

 private:
  Rgb local(const FaceStyle& st, const DepthFace& piece, const DepthFace& face) {
    Vec3 centre;
    for (const Vec3& p : piece.points) centre = centre + p;
    centre = (1.0 / static_cast<double>(piece.points.size())) * centre;
    std::vector<Light> lights;
    for (const SceneLight& l : scene_.lights) lights.push_back({l.local ? l.position - centre : l.position, l.color});
    return litColor(st.fill, newellNormal(face.points), toViewer_, lights);
  }

  const Scene& scene_;
  const std::vector<DepthFace>& inputs_;
  Vec3 toViewer_;
  std::vector<Light> lights_;
  bool anyLocal_ = false;
  std::vector<Rgb> shade_;
  std::vector<bool> known_;
};

// `inputs` are the faces the tree was built from.
void emitContent(const Scene& s, const std::vector<DepthFace>& inputs, const DepthTree& tree, const Camera& cam,
                 std::vector<Primitive>& out) {
  std::size_t lastSegmentLine = static_cast<std::size_t>(-1);
  const std::vector<DepthStep> steps = farToNear(tree, cam.toViewer);
  out.reserve(out.size() + steps.size() + s.overlays.size());
  FaceShades shades(s, inputs, cam);
  for (const DepthStep& step : steps) {
    if (step.face) {
      const DepthFace& f = tree.faces[step.index];
      const FaceStyle& st = s.faceStyles[f.id];
      out.emplace_back();
      Primitive& face = out.back();
      face.kind = Primitive::Kind::Face;
      face.source = st.source;
      face.fill = shades.of(tree, step.index);
      face.filled = true;
      face.points.reserve(f.points.size());
      for (const Vec3& p : f.points) face.points.push_back(viewToPixel(cam, boxToView(cam, p)));
      if (st.edge) {
        face.stroke = *st.edge;
        face.stroked = true;
        face.lineWidth = st.edgeWidth;
        face.lineStyle = st.edgeStyle;
        // A piece of a cut face is outlined along the original edges only, not along the cuts.
        if (!std::all_of(f.edges.begin(), f.edges.end(), [](bool e) { return e; })) face.edges = f.edges;
      }
      continue;
    }
    const DepthSegment& seg = tree.segments[step.index];
    const SegmentStyle& st = s.segmentStyles[seg.id];
    Point a = viewToPixel(cam, boxToView(cam, seg.a));
    Point b = viewToPixel(cam, boxToView(cam, seg.b));
    // Consecutive pieces of one line that meet continue one polyline, so dashes run on.
    if (lastSegmentLine + 1 == out.size()) {
      Primitive& prev = out.back();
      if (prev.source == st.source && prev.stroke == st.color && prev.lineWidth == st.width &&
          prev.lineStyle == st.style && distance(prev.points.back(), a) < 1e-9) {
        prev.points.push_back(b);
        continue;
      }
    }
    out.emplace_back();
    Primitive& drawn = out.back();
    drawn.kind = Primitive::Kind::Line;
    drawn.source = st.source;
    drawn.points = {a, b};
    drawn.stroke = st.color;
    drawn.stroked = true;
    drawn.lineWidth = st.width;
    drawn.lineStyle = st.style;
    lastSegmentLine = out.size() - 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Markers and texts.

Primitive textPrimitive(Handle source, const std::vector<std::string>& lines, Point anchor,
                        const TextStyle& style, Rgb color) {
  TextPlacement place = placeText(lines, anchor, style, backend().fontMetrics());
  Primitive p;
  p.kind = Primitive::Kind::Text;
  p.source = source;
  for (std::size_t i = 0; i < lines.size(); ++i) p.text += (i ? "\n" : "") + lines[i];
  p.fontSize = style.fontSize;
  p.fontName = style.fontName;
  p.box = place.box;
  p.baseline = place.baseline;
  p.lineHeight = place.lineHeight;
  p.margin = style.margin;
  p.align = style.horizontal;
  p.stroke = color;
  p.stroked = true;
  return p;
}

void emitMarkers(Handle h, const Camera& cam, Rgb axesColor, std::vector<Primitive>& out) {
  Value xs = get(h, "XData"), ys = get(h, "YData"), zs = get(h, "ZData");
  std::size_t n = std::min(xs.numel(), ys.numel());
  if (zs.numel() > 0) n = std::min(n, zs.numel());
  bool clip = isOn(h, "Clipping");
  Primitive m;
  m.kind = Primitive::Kind::Marker;
  m.source = h;
  for (std::size_t i = 0; i < n; ++i) {
    Vec3 p{element(xs, i), element(ys, i), element(zs, i, 0.0)};
    if (!finite(p) || (clip && !insideBox(dataToBox(cam, p)))) continue;
    m.points.push_back(dataToPixel(cam, p));
  }
  if (m.points.empty()) return;
  Rgb color = colorOf(get(h, "Color")).value_or(Rgb{});
  m.marker = textProp(h, "Marker");
  m.markerSize = numberProp(h, "MarkerSize", 6);
  m.lineWidth = numberProp(h, "LineWidth", 0.5);
  Value edge = get(h, "MarkerEdgeColor");
  if (edge.isText() && edge.text() == "auto") {
    m.stroke = color;
    m.stroked = true;
  } else if (auto rgb = colorOf(edge)) {
    m.stroke = *rgb;
    m.stroked = true;
  }
  Value face = get(h, "MarkerFaceColor");
  if (face.isText() && face.text() == "auto") {
    m.markerFace = axesColor;
    m.markerFilled = true;
  } else if (auto rgb = colorOf(face)) {
    m.markerFace = *rgb;
    m.markerFilled = true;
  }
  out.push_back(std::move(m));
}


void emitText(Handle t, const Camera& cam, std::vector<Primitive>& out) {
  Vec3 pos = textPosition(t);
  if (!finite(pos) || (isOn(t, "Clipping") && !insideBox(dataToBox(cam, pos)))) return;
  Primitive p = textPrimitive(t, textLines(get(t, "String")), dataToPixel(cam, pos), textStyleOf(t),
                              colorOf(get(t, "Color")).value_or(Rgb{}));
  p.lineWidth = numberProp(t, "LineWidth", 0.5);
  if (auto bg = colorOf(get(t, "BackgroundColor"))) {
    p.background = *bg;
    p.hasBackground = true;
  }
  if (auto edge = colorOf(get(t, "EdgeColor"))) {
    p.edge = *edge;
    p.hasEdge = true;
  }
  out.push_back(std::move(p));
}

// ---------------------------------------------------------------------------------------------
// The axes' own drawing.

Point boxPixel(const Camera& cam, Vec3 b) { return viewToPixel(cam, boxToView(cam, b)); }

// The convex outline of points (monotone chain), counter-clockwise on the screen.
std::vector<Point> convexHull(std::vector<Point> pts) {
  std::sort(pts.begin(), pts.end(), [](Point a, Point b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  if (pts.size() < 3) return pts;
  auto turn = [](Point o, Point a, Point b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  std::vector<Point> hull(2 * pts.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    while (k >= 2 && turn(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (std::size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
    while (k >= t && turn(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0) --k;
    hull[k++] = pts[i - 1];
  }
  hull.resize(k - 1);
  return hull;
}

struct BoxEdge {
  Vec3 a, b;  // box space, a at the low end of the axis
  Point pa, pb;
};

// The edge of the box parallel to axis `d` that carries its ticks; nothing when the axis points
// at the viewer (a plan view's z axis). The x and y axes lie on the floor of the box as seen
// (its bottom when seen from above, its top from below), on the edge nearer the viewer; in a
// flat chart, where both floor edges are equally near, on the bottom and on the left. The z axis
// stands on the leftmost upright edge.
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

void emitDecoration(Handle ax, const Camera& cam, std::vector<Primitive>& out) {
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
  for (Primitive& p : labels) out.push_back(std::move(p));
}

void renderAxesInto(Handle ax, RenderCache& cache, std::vector<Primitive>& out) {
  Camera cam = axesCamera(ax);
  bool visible = isOn(ax, "Visible");
  if (visible) emitDecoration(ax, cam, out);

  Scene scene = readScene(childrenOf(ax), cam);
  RenderCache::Entry& entry = cache.axes[ax];
  if (!entry.built || entry.faces != scene.faces || entry.segments != scene.segments) {
    entry.tree = buildDepthTree(scene.faces, scene.segments);
    entry.faces = std::move(scene.faces);
    entry.segments = std::move(scene.segments);
    entry.built = true;
    ++cache.builds;
  }
  emitContent(scene, entry.faces, entry.tree, cam, out);

  Rgb axesColor = colorOf(get(ax, "Color")).value_or(Rgb{1, 1, 1});
  for (Handle h : scene.overlays) {
    if (typeOf(h) == "text") {
      emitText(h, cam, out);
    } else {
      emitMarkers(h, cam, axesColor, out);
    }
  }
}

DisplayList emptyList(Handle fig) {
  DisplayList list;
  Rect r = figurePixelRect(fig);
  list.width = r.width;
  list.height = r.height;
  list.background = colorOf(get(fig, "Color")).value_or(list.background);
  return list;
}

}  // namespace

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
  return {element(pos, 0, 0.0), element(pos, 1, 0.0), element(pos, 2, 0.0)};
}

Camera axesCamera(Handle ax) {
  Limits limits;
  static const char* const kLimits[3] = {"XLim", "YLim", "ZLim"};
  for (int d = 0; d < 3; ++d) {
    Value lim = get(ax, kLimits[d]);
    limits.lo[d] = element(lim, 0, 0.0);
    limits.hi[d] = element(lim, 1, 1.0);
  }
  Value view = get(ax, "View");
  return makeCamera(limits, element(view, 0, 0.0), element(view, 1, 90.0), objectPixelRect(ax));
}

DisplayList renderAxes(Handle ax, RenderCache& cache) {
  std::optional<Handle> fig = ancestor(ax, "figure");
  DisplayList list = fig ? emptyList(*fig) : DisplayList{};
  renderAxesInto(ax, cache, list.items);
  return list;
}

DisplayList renderFigure(Handle fig, RenderCache& cache) {
  DisplayList list = emptyList(fig);
  std::vector<Handle> axes;
  for (Handle c : childrenOf(fig))
    if (typeOf(c) == "axes") axes.push_back(c);
  // Forget the trees of axes that are gone.
  std::erase_if(cache.axes, [](const auto& entry) { return !ishandle(entry.first) || typeOf(entry.first) != "axes"; });
  for (Handle ax : axes) renderAxesInto(ax, cache, list.items);
  return list;
}

DisplayList renderFigure(Handle fig) {
  RenderCache cache;
  return renderFigure(fig, cache);
}

DisplayList renderAxes(Handle ax) {
  RenderCache cache;
  return renderAxes(ax, cache);
}

}  // namespace kolvar::graphics
