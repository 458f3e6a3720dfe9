#pragma once
// The size of the numbers a computation works on. Rounding noise in a signed distance grows with
// the magnitude of the coordinates it is computed from, not with the distance itself: a plane test
// whose tolerance is a fixed length is too tight for a model far from the origin and too loose
// for a small one. So the plane tests take their tolerance relative to the largest coordinate
// magnitude of what they compare.
#include <cmath>
#include <vector>

#include "geometry/vec3.hpp"

namespace kolvar::geometry {

// The largest magnitude among a point's coordinates. A coordinate that is not a number is passed
// over, so that it cannot turn a tolerance into not-a-number and every test with it into a false.
// The larger of m and a, or m when a is not a number. (Comparisons rather than std::fmax, which
// passes over not-a-number as well but costs a call.)
inline double largerOf(double m, double a) { return a > m ? a : m; }
inline double magnitude(const Vec3& p) {
  return largerOf(largerOf(largerOf(0, std::abs(p.x)), std::abs(p.y)), std::abs(p.z));
}

// The largest coordinate magnitude of a set of points; 0 for none.
inline double magnitude(const std::vector<Vec3>& points) {
  double m = 0;
  for (const Vec3& p : points) m = largerOf(m, magnitude(p));
  return m;
}

}  // namespace kolvar::geometry
