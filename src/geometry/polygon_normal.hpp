#pragma once
// Normals of vertex loops.
#include <optional>
#include <vector>

#include "geometry/vec3.hpp"

namespace kolvar::geometry {

// Newell's normal: the area vector of the loop (twice its area times its unit normal for a
// flat loop), not normalised. Robust to repeated and collinear vertices; zero for a loop with no
// area and for fewer than three vertices. Computed relative to the first vertex, so that a loop
// far from the origin keeps its precision.
// Inline, so that a caller's loop over the same points (a split, say) can share the loads.
inline Vec3 newellNormal(const std::vector<Vec3>& p) {
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

// Below this sine of the angle between the first edge and the first diagonal, the first three
// vertices of a loop count as collinear.
inline constexpr double kCollinearSine = 1e-12;

// Below this share of the loop's area, the triangle of the first three vertices gives way to
// Newell's normal: rounding in its corners (a cut point a hair from a vertex, far from the origin)
// turns its normal by as much as the triangle is small, while Newell's weighs the whole loop.
inline constexpr double kFirstTriangleShare = 1e-3;

// The unit normal of a vertex loop: the cross product of the first edge and the first diagonal,
// normalised (right-hand rule over the first three vertices). Where those three vertices are
// collinear or coincide - a split piece whose cut point equals a vertex - or span less than
// kFirstTriangleShare of the loop's area, the normalised Newell normal instead. Null when the loop spans no plane: fewer than three vertices, or all of them
// on one line (to within kCollinearSine of its extent), or a coordinate that is not a number.
std::optional<Vec3> polygonNormal(const std::vector<Vec3>& points);

}  // namespace kolvar::geometry
