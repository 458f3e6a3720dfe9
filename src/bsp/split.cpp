#include "bsp/split.hpp"

#include <string>
#include <vector>

namespace kolvar::bsp {

namespace {

// A piece of a split polygon, or null when it has fewer than three vertices or covers no area.
PolygonRef piece(std::vector<Vec3> points, const std::string& label) {
  if (points.size() <= 2) return nullptr;
  const std::optional<Vec3> normal = polygonNormal(points);
  if (!normal) return nullptr;
  return std::make_shared<const Polygon>(Polygon{label, std::move(points), *normal});
}

}  // namespace

std::pair<PolygonRef, PolygonRef> splitPoly(const Polygon& polyA, const Polygon& polyB) {
  const Vec3 n = polyB.normal;
  const double D = -dot(polyB.points[0], n);  // n . x + D = 0 on the splitter's plane
  const std::vector<Vec3>& v = polyA.points;

  // Where the edge p1 -> p2 meets the plane; called only for an edge whose ends lie on
  // different sides, so the divisor (the difference of their distances) is not zero.
  const auto cut = [&](const Vec3& p1, const Vec3& p2) {
    const Vec3 dir = p2 - p1;
    const double t = -(dot(n, p1) + D) / dot(n, dir);
    return p1 + t * dir;
  };

  std::vector<Vec3> ptsF;
  std::vector<Vec3> ptsB;
  ptsF.reserve(v.size() + 2);
  ptsB.reserve(v.size() + 2);
  if (v.empty()) return {nullptr, nullptr};

  const int firstSide = inFront(v[0], polyB);
  int lastSide = firstSide;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const int side = inFront(v[i], polyB);
    if (side == lastSide) {
      (side == 1 ? ptsB : ptsF).push_back(v[i]);
      continue;
    }
    lastSide = side;
    const Vec3 x = cut(v[i - 1], v[i]);
    if (side == 1) {  // from the front to behind
      ptsF.push_back(x);
      ptsB.push_back(x);
      ptsB.push_back(v[i]);
    } else {  // from behind to the front
      ptsF.push_back(x);
      ptsF.push_back(v[i]);
      ptsB.push_back(x);
    }
  }
  // The closing edge v(N) -> v(1): without its cut, a polygon whose first vertex is alone on its
  // side would lose the part of it around that vertex.
  if (lastSide != firstSide) {
    const Vec3 x = cut(v.back(), v.front());
    ptsF.push_back(x);
    ptsB.push_back(x);
  }
  return {piece(std::move(ptsF), polyA.label + "a"), piece(std::move(ptsB), polyA.label + "b")};
}

}  // namespace kolvar::bsp
