#pragma once
// Planes and the side test: where a point, or a set of points, lies relative to a plane. Points
// within a tolerance of the plane count as lying in it; the tolerance is the caller's, since the
// BSP core measures in scene units and the renderer in its unit box.
#include <span>
#include <vector>

#include "geometry/vec3.hpp"

namespace kolvar::geometry {

// The plane through `point` with normal `normal` (unit, for distances in the space's units).
// Signed distances are dot(p - point, normal): measured from a point of the plane instead of
// from the origin, so that a plane far from the origin keeps its precision near its polygon.
struct Plane {
  Vec3 point;
  Vec3 normal;
};

// dot(normal, p) for every p on the plane.
inline double offset(const Plane& plane) { return dot(plane.point, plane.normal); }

// Positive in front of the plane (where the normal points), negative behind it.
inline double distance(const Plane& plane, const Vec3& p) { return dot(p - plane.point, plane.normal); }

// Straddling, for a set of points: some lie more than the tolerance in front and some more than
// it behind. A distance that is not a number lies on neither side, so it makes a set Straddling
// too: a plane with a not-a-number normal has no side to offer.
//
// The values are two bits, "none behind" (1) and "none in front" (2), so that a side is computed
// without a branch: the sides of polygons met in a build are as good as random, and a mispredicted
// branch per polygon costs more than the whole side test.
enum class Side : unsigned char { Straddling = 0, Front = 1, Back = 2, On = 3 };

// The side of one signed distance: Front beyond the tolerance, Back below minus the tolerance,
// On within it (bounds included), Straddling for not-a-number.
inline Side sideOf(double distance, double tolerance) {
  const bool noneBehind = distance >= -tolerance;
  const bool noneInFront = distance <= tolerance;
  return static_cast<Side>(noneBehind | noneInFront << 1);
}

// Whether a distance puts a point behind the plane: exactly where sideOf(distance) is Back, for
// the walks that ask only that, once per node.
inline bool behind(double distance, double tolerance) { return distance < -tolerance; }

// The side of a set of points: On when every point is within the tolerance (an empty set too),
// Front when every point is in front or on the plane, Back likewise, Straddling otherwise.
inline Side sideOf(std::span<const Vec3> points, const Plane& plane, double tolerance) {
  // Without an early exit: polygons have few vertices, and a branch per vertex on an
  // unpredictable side costs more than the arithmetic it would save. A not-a-number distance
  // fails both comparisons.
  bool noneBehind = true;
  bool noneInFront = true;
  for (const Vec3& p : points) {
    const double s = distance(plane, p);
    noneBehind &= s >= -tolerance;
    noneInFront &= s <= tolerance;
  }
  return static_cast<Side>(noneBehind | noneInFront << 1);
}

}  // namespace kolvar::geometry
