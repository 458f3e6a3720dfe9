#include <limits>
#include <map>

#include "views/palette.hpp"
#include "views/views.hpp"

namespace kolvar::views {

namespace g = kolvar::graphics;

Rgb outlineShade(const Rgb& c) { return {c[0] * 0.6, c[1] * 0.6, c[2] * 0.6}; }

void plotPolygon(const bsp::PolygonRef& polygon, const Options& options, const Value& colour, bool highlighted,
                 bool shaded) {
  if (!polygon) return;
  const auto& pts = polygon->points;
  const std::size_t n = pts.size();

  // The face: the vertex loop closed by repeating the first vertex.
  Matrix x(n + 1, 1), y(n + 1, 1), z(n + 1, 1);
  for (std::size_t i = 0; i <= n; ++i) {
    const bsp::Vec3& p = pts[i % n];
    x[i] = p.x;
    y[i] = p.y;
    z[i] = p.z;
  }
  // The face knows its polygon, so that pointing at it can name it. Made with all its
  // properties at once: a large scene makes one face per polygon.
  g::PropertyList props{{"HitTest", "off"},
                        {"FaceColor", colour.isEmpty() ? Value::row({0.5, 0.5, 0.9}) : colour},
                        {"FaceLighting", "gouraud"},
                        {"UserData", Value::wrap(polygon)}};
  if (highlighted) {
    const Rgb& h = kHighlightColour;
    props.insert(props.end(), {{"EdgeColor", Value::row({h[0], h[1], h[2]})}, {"LineWidth", 3.0}});
  } else if (shaded && colour.isNumeric() && colour.numel() == 3) {
    const Matrix m = colour.matrix();
    const Rgb edge = outlineShade({m[0], m[1], m[2]});
    props.push_back({"EdgeColor", Value::row({edge[0], edge[1], edge[2]})});
  }
  g::patch(x, y, z, "b", props);

  bsp::Vec3 c{0, 0, 0};
  for (const auto& p : pts) c = c + p;
  c = c * (1.0 / static_cast<double>(n));
  const bsp::Vec3& normal = polygon->normal;

  if (options.normals) {
    const bsp::Vec3 tip = c + normal * options.unit;
    const Handle arrow = g::line(Matrix::column({c.x, tip.x}), Matrix::column({c.y, tip.y}),
                                 Matrix::column({c.z, tip.z}));
    // Dark grey: the coordinate frame's arms are red, green and blue, and a normal must not be
    // taken for one of them.
    g::set(arrow, {{"HitTest", "off"}, {"Color", Value::row({0.3, 0.3, 0.3})}});
  }
  if (options.labels) {
    // The label sits at the tip of the drawn normal, or half-way out when normals are hidden.
    const double reach = (options.normals ? 1.0 : 0.5) * options.unit;
    const bsp::Vec3 loc = c + normal * reach;
    const Handle label = g::text(loc.x, loc.y, loc.z, polygon->label);
    // Labels of neighbouring pieces ("1aa" beside "1ab") give way to each other.
    g::set(label, {{"HitTest", "off"},
                   {"VerticalAlignment", "bottom"},
                   {"HorizontalAlignment", "center"},
                   {"Nudge", "on"}});
  }
}

namespace {

// loopColumns of polygons held by raw or shared pointers alike.
template <class Pointer>
LoopColumns loopColumnsOf(const std::vector<Pointer>& polygons) {
  std::size_t rows = 0;
  for (const auto& p : polygons) rows = std::max(rows, p->points.size() + 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  LoopColumns m{Matrix(rows, polygons.size(), nan), Matrix(rows, polygons.size(), nan), Matrix(rows, polygons.size(), nan)};
  for (std::size_t c = 0; c < polygons.size(); ++c) {
    const auto& pts = polygons[c]->points;
    for (std::size_t r = 0; r <= pts.size(); ++r) {
      const bsp::Vec3& v = pts[r % pts.size()];
      m.x(r, c) = v.x;
      m.y(r, c) = v.y;
      m.z(r, c) = v.z;
    }
  }
  return m;
}

}  // namespace

LoopColumns loopColumns(const std::vector<const bsp::Polygon*>& polygons) { return loopColumnsOf(polygons); }

void plotPolygons(const std::vector<bsp::PolygonRef>& polygons,
                  const std::function<Rgb(const bsp::Polygon&)>& colourOf) {
  std::map<Rgb, FacePolygons> byColour;
  for (const bsp::PolygonRef& p : polygons) byColour[colourOf(*p)].polygons.push_back(p);
  for (auto& [colour, group] : byColour) {
    const LoopColumns m = loopColumnsOf(group.polygons);
    const Rgb edge = outlineShade(colour);
    g::patch(m.x, m.y, m.z, "b",
             {{"HitTest", "off"},
              {"FaceColor", Value::row({colour[0], colour[1], colour[2]})},
              {"EdgeColor", Value::row({edge[0], edge[1], edge[2]})},
              {"FaceLighting", "gouraud"},
              {"UserData", Value::wrap(std::make_shared<const FacePolygons>(std::move(group)))}});
  }
}

}  // namespace kolvar::views
