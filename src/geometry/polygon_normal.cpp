#include "geometry/polygon_normal.hpp"

#include <algorithm>

namespace kolvar::geometry {

Vec3 newellNormal(const std::vector<Vec3>& p) {
  Vec3 s;
  const std::size_t n = p.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 a = p[i] - p[0];
    const Vec3 b = p[i + 1 == n ? 0 : i + 1] - p[0];
    s.x += (a.y - b.y) * (a.z + b.z);
    s.y += (a.z - b.z) * (a.x + b.x);
    s.z += (a.x - b.x) * (a.y + b.y);
  }
  return s;
}

std::optional<Vec3> polygonNormal(const std::vector<Vec3>& points) {
  if (points.size() < 3) return std::nullopt;
  const Vec3 e1 = points[1] - points[0];
  const Vec3 e2 = points[2] - points[0];
  const Vec3 n = cross(e1, e2);
  const double len = norm(n);
  const Vec3 s = newellNormal(points);
  const double slen = norm(s);
  // Divided rather than scaled by the reciprocal: the normals of every polygon ever built
  // depend on this rounding.
  if (len > kCollinearSine * norm(e1) * norm(e2) && len >= kFirstTriangleShare * slen)
    return Vec3{n.x / len, n.y / len, n.z / len};

  double extent2 = 0;  // squared distance of the farthest vertex from the first
  for (const Vec3& p : points) extent2 = std::max(extent2, dot(p - points[0], p - points[0]));
  if (slen > kCollinearSine * extent2) return Vec3{s.x / slen, s.y / slen, s.z / slen};
  return std::nullopt;
}

}  // namespace kolvar::geometry
