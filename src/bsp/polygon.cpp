#include "bsp/polygon.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>

#include "runtime/error.hpp"

namespace kolvar::bsp {

namespace {

// Below this sine of the angle between the first edge and the first diagonal, the first three
// vertices are taken as collinear: their cross product is then rounding noise, and normalising
// it would give an arbitrary direction (or 0/0).
constexpr double kCollinearSine = 1e-12;

// Newell's normal: the area vector of the whole loop, robust to repeated or collinear vertices.
// Computed relative to the first vertex, so that a loop far from the origin keeps its precision.
Vec3 newellNormal(const std::vector<Vec3>& p) {
  Vec3 s;
  const std::size_t n = p.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 a = p[i] - p[0];
    const Vec3 b = p[(i + 1) % n] - p[0];
    s.x += (a.y - b.y) * (a.z + b.z);
    s.y += (a.z - b.z) * (a.x + b.x);
    s.z += (a.x - b.x) * (a.y + b.y);
  }
  return s;
}

}  // namespace

PolygonList PolygonList::from(std::vector<PolygonRef> items) {
  std::erase(items, nullptr);
  PolygonList list;
  if (!items.empty()) list.items_ = std::make_shared<const std::vector<PolygonRef>>(std::move(items));
  return list;
}

const PolygonRef& PolygonList::at(std::size_t i) const {
  if (i >= size()) throw errors::indexOutOfBounds(i + 1, size());
  return (*items_)[i];
}

std::optional<Vec3> polygonNormal(const std::vector<Vec3>& points) {
  if (points.size() < 3) return std::nullopt;
  const Vec3 e1 = points[1] - points[0];
  const Vec3 e2 = points[2] - points[0];
  const Vec3 n = cross(e1, e2);
  const double len = norm(n);
  if (len > kCollinearSine * norm(e1) * norm(e2)) return Vec3{n.x / len, n.y / len, n.z / len};

  const Vec3 s = newellNormal(points);
  double extent2 = 0;  // squared distance of the farthest vertex from the first
  for (const Vec3& p : points) extent2 = std::max(extent2, dot(p - points[0], p - points[0]));
  const double slen = norm(s);
  if (slen > kCollinearSine * extent2) return Vec3{s.x / slen, s.y / slen, s.z / slen};
  return std::nullopt;
}

PolygonRef newPolygon(std::vector<Vec3> points, std::optional<std::string> label) {
  // The vertex loop needs a first edge and a first diagonal; the index that fails is the first
  // vertex that is missing of the three.
  if (points.size() < 3) throw errors::indexOutOfBounds(points.size() < 2 ? 2 : 3, points.size());
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const Vec3 normal = polygonNormal(points).value_or(Vec3{nan, nan, nan});
  return std::make_shared<const Polygon>(
      Polygon{label ? std::move(*label) : std::string(), std::move(points), normal});
}

std::optional<std::string> polygonFault(const std::vector<Vec3>& points) {
  if (points.size() < 3)
    return "fewer than three vertices (" + std::to_string(points.size()) + ")";
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vec3& p = points[i];
    if (!isFinite(p)) return "points[" + std::to_string(i) + "] has a coordinate that is not finite";
    if (std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z)}) > kMaxCoordinate)
      return "points[" + std::to_string(i) + "] has a coordinate beyond +-1e15";
  }
  if (!polygonNormal(points)) return "all vertices lie on one line, so the polygon has no plane";
  return std::nullopt;
}

PolygonRef checkedPolygon(std::vector<Vec3> points, std::optional<std::string> label) {
  if (auto fault = polygonFault(points))
    throw Error("Bad polygon \"" + label.value_or("") + "\": " + *fault + ".", ErrorKind::Input);
  return newPolygon(std::move(points), std::move(label));
}

int inFront(const std::vector<Vec3>& pts, const Polygon& polygon) {
  const Vec3 origin = polygon.points[0];
  const Vec3 n = polygon.normal;
  // Without an early exit: polygons have few vertices, and a branch per vertex on an
  // unpredictable side costs more than the arithmetic it would save. A not-a-number distance
  // fails both comparisons, so it counts as neither side.
  bool allFront = true;
  bool allBack = true;
  for (const Vec3& p : pts) {
    const double s = dot(p - origin, n);
    allFront &= s >= -kSideEpsilon;
    allBack &= s <= kSideEpsilon;
  }
  return allFront ? -1 : allBack ? 1 : 0;
}

std::string displayPolygonLine(const PolygonRef& polygon) {
  if (!polygon) return "null polygon";
  return "polygon: " + polygon->label + " has " + std::to_string(polygon->points.size()) + " points.";
}

void displayPolygon(const PolygonRef& polygon, std::ostream& out) {
  out << displayPolygonLine(polygon) << '\n';
}

}  // namespace kolvar::bsp
