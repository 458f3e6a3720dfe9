#pragma once
// Two orders found independently of the walks under test: the far-to-near order by its recursive
// definition, and a brute-force check of a drawing order at sample points of the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/polygon_normal.hpp"
#include "geometry/vec3.hpp"

namespace kolvar::geometry::testing {

// The subtree on the far side of a node's plane, then the node, then the near side. `sides(node)`
// gives the pair {far, near} for a node that holds a plane and nothing for an empty one.
template <class Node, class Sides, class Visit>
void farToNearByDefinition(const Node& node, const Sides& sides, const Visit& visit) {
  const auto farNear = sides(node);
  if (!farNear) return;
  farToNearByDefinition(farNear->first, sides, visit);
  visit(node);
  farToNearByDefinition(farNear->second, sides, visit);
}

// The screen samples where a polygon drawn later lies behind one drawn earlier, for convex
// polygons given in drawing order and a viewer looking along -toViewer (orthographic). A sample
// counts for a polygon only well inside it, so shared edges do not count; edge-on polygons hide
// nothing.
inline int misorderedSamples(const std::vector<std::vector<Vec3>>& drawingOrder, Vec3 toViewer) {
  const Vec3 w = normalized(toViewer);
  const Vec3 r = normalized(cross(std::abs(w.z) < 0.9 ? Vec3{0, 0, 1} : Vec3{1, 0, 0}, w));
  const Vec3 u = cross(w, r);
  std::vector<std::vector<Vec3>> drawn;  // view space: x right, y up, z towards the viewer
  for (const std::vector<Vec3>& points : drawingOrder) {
    std::vector<Vec3> v;
    for (const Vec3& q : points) v.push_back({dot(q, r), dot(q, u), dot(q, w)});
    if (std::abs(newellNormal(v).z) > 1e-6) drawn.push_back(v);
  }
  int bad = 0;
  for (double x = -0.9; x <= 0.9; x += 0.025) {
    for (double y = -0.9; y <= 0.9; y += 0.025) {
      double nearest = -1e9;
      for (const std::vector<Vec3>& v : drawn) {
        double sign = 0;
        bool inside = true;
        for (std::size_t i = 0; i < v.size() && inside; ++i) {
          const Vec3 a = v[i], b = v[(i + 1) % v.size()];
          const double len = std::hypot(b.x - a.x, b.y - a.y);
          if (len < 1e-12) continue;
          const double c = ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / len;
          inside = std::abs(c) > 1e-6 && c * sign >= 0;
          if (sign == 0) sign = c;
        }
        if (!inside || sign == 0) continue;
        const Vec3 n = newellNormal(v);
        const double depth = v[0].z - (n.x * (x - v[0].x) + n.y * (y - v[0].y)) / n.z;
        if (depth < nearest - 1e-7) ++bad;
        nearest = std::max(nearest, depth);
      }
    }
  }
  return bad;
}

}  // namespace kolvar::geometry::testing
