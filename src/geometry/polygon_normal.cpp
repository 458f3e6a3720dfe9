#include "geometry/polygon_normal.hpp"

#include <algorithm>

namespace kolvar::geometry {

std::optional<Vec3> polygonNormal(const std::vector<Vec3>& points) {
  if (points.size() < 3) return std::nullopt;
  const Vec3 e1 = points[1] - points[0];
  const Vec3 e2 = points[2] - points[0];
  const Vec3 n = cross(e1, e2);
  const double len = norm(n);
  // Twice the loop's area, cheaply where the loop is short: a triangle is its own first
  // triangle, and a quadrilateral's area vector is the cross product of its diagonals.
  const std::size_t count = points.size();
  const double whole = count == 3   ? len
                       : count == 4 ? norm(cross(e2, points[3] - points[1]))
                                    : norm(newellNormal(points));
  // Divided rather than scaled by the reciprocal: the normals of every polygon ever built
  // depend on this rounding.
  if (len > kCollinearSine * norm(e1) * norm(e2) && len >= kFirstTriangleShare * whole)
    return Vec3{n.x / len, n.y / len, n.z / len};

  const Vec3 s = newellNormal(points);
  const double slen = norm(s);
  double extent2 = 0;  // squared distance of the farthest vertex from the first
  for (const Vec3& p : points) extent2 = std::max(extent2, dot(p - points[0], p - points[0]));
  if (slen > kCollinearSine * extent2) return Vec3{s.x / slen, s.y / slen, s.z / slen};
  return std::nullopt;
}

}  // namespace kolvar::geometry
