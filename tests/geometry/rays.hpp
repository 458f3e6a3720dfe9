#pragma once
// The painter's order checked by rays: whatever a line of sight meets, nearer pieces must come
// later in a far-to-near order. Shared by the tests of the BSP core and of the renderer.
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "geometry/polygon_normal.hpp"

namespace kolvar::geometry::testing {

// Where the ray origin + t dir meets the convex piece: t, or nothing when it misses it, passes
// within a relative 1e-9 of its outline (where neighbouring pieces meet) or runs along its plane.
inline std::optional<double> hit(const std::vector<Vec3>& piece, const Vec3& origin, const Vec3& dir) {
  const Vec3 n = newellNormal(piece);
  const double along = dot(n, dir);
  if (!(std::abs(along) > 1e-9 * norm(n) * norm(dir))) return std::nullopt;
  const double t = dot(piece[0] - origin, n) / along;
  const Vec3 at = origin - piece[0] + t * dir;  // relative to the first corner
  double size = 0;
  for (const Vec3& p : piece) size = std::max(size, norm(p - piece[0]));
  for (std::size_t i = 0; i < piece.size(); ++i) {
    const Vec3 a = piece[i] - piece[0];
    const Vec3 b = piece[(i + 1) % piece.size()] - piece[0];
    const Vec3 edge = b - a;
    if (!(dot(cross(edge, at - a), n) > 1e-9 * norm(edge) * size * norm(n))) return std::nullopt;
  }
  return t;
}

// A point inside the convex piece, drawn with `random(lo, hi)`, a uniform number source.
template <class Random>
Vec3 pointIn(const std::vector<Vec3>& piece, Random& random) {
  Vec3 sum;
  double weights = 0;
  for (const Vec3& p : piece) {
    const double w = random(0.05, 1);
    sum = sum + w * (p - piece[0]);
    weights += w;
  }
  return piece[0] + (1 / weights) * sum;
}

// `pieces` in far-to-near order. Casts 60 rays, each through a random point of a random piece:
// from `viewer`, or, when `toward` is given, along -toward (a view from infinitely far). Counts
// the pairs of pieces a ray meets at distinct depths where the nearer one comes first; `checked`
// counts the pairs looked at. `random(lo, hi)` draws uniform numbers.
template <class Random>
std::size_t wrongPairs(const std::vector<std::vector<Vec3>>& pieces, const Vec3& viewer, const Vec3* toward,
                       Random& random, std::size_t& checked) {
  std::size_t wrong = 0;
  if (pieces.empty()) return 0;
  for (int ray = 0; ray < 60; ++ray) {
    const auto pick = static_cast<std::size_t>(random(0, static_cast<double>(pieces.size())));
    const Vec3 through = pointIn(pieces[std::min(pick, pieces.size() - 1)], random);
    const Vec3 origin = toward ? through + 10.0 * *toward : viewer;
    const Vec3 dir = toward ? -1.0 * *toward : through - viewer;
    std::vector<std::pair<double, std::size_t>> hits;  // depth along the ray, position in the order
    for (std::size_t k = 0; k < pieces.size(); ++k)
      if (const auto t = hit(pieces[k], origin, dir); t && *t > 0) hits.emplace_back(*t, k);
    std::sort(hits.begin(), hits.end());
    for (std::size_t a = 0; a < hits.size(); ++a) {
      for (std::size_t b = a + 1; b < hits.size(); ++b) {
        if (hits[b].first - hits[a].first <= 1e-7 * hits[b].first) continue;  // one depth: touching
        ++checked;
        wrong += hits[a].second < hits[b].second;  // the nearer one drawn first
      }
    }
  }
  return wrong;
}

}  // namespace kolvar::geometry::testing
