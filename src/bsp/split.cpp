#include "bsp/split.hpp"

#include <string>
#include <vector>

#include "geometry/split.hpp"

namespace kolvar::bsp {

namespace {

// A piece of a split polygon, or null where the split left no area on that side.
PolygonRef piece(geometry::SplitPart part, std::string label) {
  if (part.points.empty()) return nullptr;
  const double m = geometry::magnitude(part.points);
  return std::make_shared<const Polygon>(Polygon{std::move(label), m, std::move(part.points), part.normal});
}

}  // namespace

std::pair<PolygonRef, PolygonRef> splitPoly(const Polygon& polyA, const Polygon& polyB) {
  geometry::SplitPart front;
  geometry::SplitPart back;
  geometry::splitConvex(polyA.points, nullptr, planeOf(polyB), sideTolerance(polyA, polyB), geometry::OnPlane::Front, front,
                        back);
  return {piece(std::move(front), polyA.label + "a"), piece(std::move(back), polyA.label + "b")};
}

}  // namespace kolvar::bsp
