// The content of an axes in box space, read from its children: faces, segments, markers and
// texts with their looks, and the light. Reading is the first half of drawing an axes; the
// second, ordering and emitting the content (render.cpp), never reads the model.
#include "graphics/axes_content.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "geometry/magnitude.hpp"
#include "graphics/graphics.hpp"
#include "graphics/lighting.hpp"
#include "graphics/model.hpp"
#include "graphics/property_reader.hpp"
#include "graphics/property_values.hpp"

namespace kolvar::graphics {

namespace {

// A face drawn with "flat" or "interp" colour and no usable colour data gets this one.
constexpr Rgb kFallbackFaceColor{0, 0.447, 0.741};


// The content as drawing reads it (render_cache.hpp).
using Scene = AxesContent;

// The magnitude of box-space points as data, in box units.
double dataMagnitude(const Scene& s, const std::vector<Vec3>& points) {
  return points.empty() ? 0 : s.offset + geometry::magnitude(points);
}

void addSegment(Scene& s, Vec3 a, Vec3 b, int style, bool clip) {
  if (!finitePoint(a) || !finitePoint(b) || a == b) return;
  DepthSegment seg{a, b, style};
  const double m = dataMagnitude(s, {a, b});
  s.magnitude = std::max(s.magnitude, m);
  if (clip) {
    auto kept = clipSegmentToBox(seg, depthTolerance(m));
    if (!kept) return;
    seg = *kept;
  }
  s.segments.push_back(seg);
}

// What the scene reads of each child of an axes, through one reader: every frame reads these of
// every object the axes holds.
enum SceneProp : std::size_t {
  kVisible, kXData, kYData, kZData, kLineStyle, kClipping, kColor, kLineWidth, kMarker,
  kFaceColor, kEdgeColor, kCData, kFaceLighting, kPosition, kStyle, kFaceAlpha, kEdgeAlpha,
};

PropertyReader sceneReader() {
  return PropertyReader({"Visible", "XData", "YData", "ZData", "LineStyle", "Clipping", "Color", "LineWidth",
                         "Marker", "FaceColor", "EdgeColor", "CData", "FaceLighting", "Position", "Style",
                         "FaceAlpha", "EdgeAlpha"});
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
    Vec3 prev = dataToBox(cam, {elementOf(xs, 0), elementOf(ys, 0), elementOf(zs, 0, 0.0)});
    for (std::size_t i = 1; i < n; ++i) {
      Vec3 p = dataToBox(cam, {elementOf(xs, i), elementOf(ys, i), elementOf(zs, i, 0.0)});
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
  // Translucency travels with the colours: the face's shade keeps the face's alpha.
  if (fill) fill->a = std::clamp(numberOf(r[kFaceAlpha], 1.0), 0.0, 1.0);
  if (edge) edge->a = std::clamp(numberOf(r[kEdgeAlpha], 1.0), 0.0, 1.0);
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
      Vec3 p{elementOf(xs, i), elementOf(ys, i), elementOf(zs, i, 0.0)};
      if (finitePoint(p)) points.push_back(dataToBox(cam, p));  // NaN corners are left out
    }
    std::vector<DepthFace> flat;
    const double m = dataMagnitude(s, points);
    const double tolerance = depthTolerance(m);
    if (fill)
      flat = flatFaces(DepthFace{points, std::vector<bool>(points.size(), true), faceStyle, static_cast<std::uint32_t>(f)},
                       tolerance);
    if (flat.empty()) {
      // Nothing to fill (no colour, or no area): the outline alone, as line segments.
      if (edge)
        for (std::size_t v = 0; v < points.size(); ++v)
          addSegment(s, points[v], points[(v + 1) % points.size()], edgeStyleId(), clip);
      continue;
    }
    for (DepthFace& piece : flat) {
      if (clip) piece = clipFaceToBox(std::move(piece), tolerance);
      if (piece.points.empty()) continue;
      s.magnitude = std::max(s.magnitude, m);
      s.faces.push_back(std::move(piece));
    }
  }
}

void readLight(const PropertyReader& r, const Camera& cam, Scene& s) {
  const Value& pos = r[kPosition];
  Vec3 p{elementOf(pos, 0, 0.0), elementOf(pos, 1, 0.0), elementOf(pos, 2, 0.0)};
  SceneLight light;
  light.local = isText(r[kStyle], "local");
  light.position = light.local ? dataToBox(cam, p) : dataDirectionToBox(cam, p);
  light.color = colorOf(r[kColor]).value_or(Rgb{1, 1, 1});
  s.lights.push_back(light);
}

// Among faces, the markers of lines become points in the depth order (segments of no length), so
// that a face in front of a marker hides it; texts stay above everything.
void placeMarkersInDepth(const Camera& cam, Scene& s) {
  std::vector<Handle> texts;
  for (Handle h : s.overlays) {
    if (typeOf(h) == "text") {
      texts.push_back(h);
      continue;
    }
    s.segmentStyles.push_back({h, {}, 0.5, "none", true});
    const int id = static_cast<int>(s.segmentStyles.size()) - 1;
    const Value xs = get(h, "XData"), ys = get(h, "YData"), zs = get(h, "ZData");
    std::size_t n = std::min(xs.numel(), ys.numel());
    if (zs.numel() > 0) n = std::min(n, zs.numel());
    const bool clip = isOn(h, "Clipping");
    for (std::size_t i = 0; i < n; ++i) {
      const Vec3 p = dataToBox(cam, {elementOf(xs, i), elementOf(ys, i), elementOf(zs, i, 0.0)});
      if (!finitePoint(p) || (clip && !insideBox(p))) continue;
      s.magnitude = std::max(s.magnitude, dataMagnitude(s, {p}));
      s.segments.push_back({p, p, id});
    }
  }
  s.overlays = std::move(texts);
}

}  // namespace

AxesContent readAxesContent(const std::vector<Handle>& children, const Camera& cam) {
  Scene s;
  for (int i = 0; i < 3; ++i) s.offset = std::max(s.offset, std::abs(cam.center[i] / cam.span[i]));
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
  if (!s.faces.empty()) placeMarkersInDepth(cam, s);
  return s;
}

}  // namespace kolvar::graphics
