#include "bsp/polygon.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <ostream>

#include "runtime/error.hpp"

namespace kolvar::bsp {

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

PolygonRef newPolygon(std::vector<Vec3> points, std::optional<std::string> label) {
  // The vertex loop needs a first edge and a first diagonal; the index that fails is the first
  // vertex that is missing of the three.
  if (points.size() < 3) throw errors::indexOutOfBounds(points.size() < 2 ? 2 : 3, points.size());
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const Vec3 normal = polygonNormal(points).value_or(Vec3{nan, nan, nan});
  const double m = geometry::magnitude(points);
  return std::make_shared<const Polygon>(
      Polygon{label ? std::move(*label) : std::string(), m, std::move(points), normal});
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

std::optional<std::string> faceFault(const std::vector<Vec3>& points, const std::string& noun) {
  if (auto fault = polygonFault(points)) return fault;
  const Vec3 n = normalized(geometry::newellNormal(points));  // not zero: the polygon has a plane
  double size = 0;
  Vec3 centre;
  for (const Vec3& p : points) centre = centre + (1.0 / static_cast<double>(points.size())) * p;
  for (const Vec3& p : points) size = std::max(size, norm(p - centre));
  for (const Vec3& p : points)
    if (std::abs(dot(p - centre, n)) > 1e-6 * size) return "the " + noun + " is not flat";
  // Convex: every corner turns the same way, and the turns add up to one round.
  double turned = 0;
  const std::size_t k = points.size();
  for (std::size_t i = 0; i < k; ++i) {
    const Vec3 a = points[(i + 1) % k] - points[i];
    const Vec3 b = points[(i + 2) % k] - points[(i + 1) % k];
    const double s = dot(cross(a, b), n);
    if (s < -1e-9 * norm(a) * norm(b)) return "the " + noun + " is not convex";
    turned += std::atan2(s, dot(a, b));
  }
  if (std::abs(turned - 2 * std::numbers::pi) > 1e-6) return "the " + noun + " is not convex";
  return std::nullopt;
}

PolygonRef checkedPolygon(std::vector<Vec3> points, std::optional<std::string> label) {
  if (auto fault = polygonFault(points))
    throw Error("Bad polygon \"" + label.value_or("") + "\": " + *fault + ".", ErrorKind::Input);
  return newPolygon(std::move(points), std::move(label));
}

int inFront(const std::vector<Vec3>& pts, const Polygon& polygon) {
  return sideNumber(geometry::sideOf(pts, planeOf(polygon), sideTolerance(geometry::magnitude(pts), polygon.magnitude)));
}

std::string displayPolygonLine(const PolygonRef& polygon) {
  if (!polygon) return "null polygon";
  return "polygon: " + polygon->label + " has " + std::to_string(polygon->points.size()) + " points.";
}

void displayPolygon(const PolygonRef& polygon, std::ostream& out) {
  out << displayPolygonLine(polygon) << '\n';
}

}  // namespace kolvar::bsp
