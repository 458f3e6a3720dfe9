#pragma once
// The convex hull of points in a plane (monotone chain), for any point type: `x(p)` and `y(p)`
// give its coordinates. Counter-clockwise in (x, y), without points lying on an edge; fewer than
// three points come back as they are, sorted.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace kolvar::geometry {

template <class P, class X, class Y>
std::vector<P> convexHull(std::vector<P> pts, X x, Y y) {
  std::sort(pts.begin(), pts.end(), [&](const P& a, const P& b) { return x(a) < x(b) || (x(a) == x(b) && y(a) < y(b)); });
  if (pts.size() < 3) return pts;
  auto turn = [&](const P& o, const P& a, const P& b) {
    return (x(a) - x(o)) * (y(b) - y(o)) - (y(a) - y(o)) * (x(b) - x(o));
  };
  std::vector<P> hull(2 * pts.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    while (k >= 2 && turn(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (std::size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
    while (k >= t && turn(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0) --k;
    hull[k++] = pts[i - 1];
  }
  hull.resize(k - 1);
  return hull;
}

}  // namespace kolvar::geometry
