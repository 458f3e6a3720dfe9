#include "geometry/split.hpp"

#include <optional>

#include "geometry/polygon_normal.hpp"

namespace kolvar::geometry {

namespace {

void add(SplitPart& part, const Vec3& p, bool edge, bool trackEdges) {
  part.points.push_back(p);
  if (trackEdges) part.edges.push_back(edge);
}

// The walk, compiled once per combination so that the BSP core, which neither tracks edges nor
// puts vertices into both parts, pays nothing for what the renderer needs. Flattened: left to
// itself the compiler calls out for every vertex stored, which costs a tenth of a split.
// Tells whether any vertex lay beyond the tolerance in front (or at a distance that is not a
// number) and whether any lay beyond it behind.
struct Reach {
  bool front = false;
  bool back = false;
};

template <bool kTrackEdges, OnPlane kOnPlane>
[[gnu::flatten]] Reach walk(const std::vector<Vec3>& v, const std::vector<bool>* edges, const Plane& plane, double tolerance,
          SplitPart& front, SplitPart& back) {
  Reach reach;
  const std::size_t n = v.size();
  const double off = offset(plane);
  const Vec3& normal = plane.normal;
  // A vertex's side, Straddling standing for a distance that is not a number. Under
  // OnPlane::Front there is no On; under OnPlane::Both such a vertex is taken as on the plane.
  const auto sideAt = [&](const Vec3& p) {
    const Side s = sideOf(distance(plane, p), tolerance);
    reach.front |= s == Side::Front || s == Side::Straddling;
    reach.back |= s == Side::Back;
    if constexpr (kOnPlane == OnPlane::Front) {
      return s == Side::On ? Side::Front : s;
    } else {
      return s == Side::Straddling ? Side::On : s;
    }
  };
  // Called only for an edge whose ends lie on different sides, so the divisor is not zero.
  // -(n.p1 - offset) rather than offset - n.p1: the two differ in the sign of a zero, which
  // reaches the cut point, and the pieces of every tree ever built were cut this way.
  const auto cut = [&](const Vec3& p1, const Vec3& p2) {
    const Vec3 dir = p2 - p1;
    const double t = -(dot(normal, p1) - off) / dot(normal, dir);
    return p1 + t * dir;
  };

  const Side first = sideAt(v[0]);
  Side si = first;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = i + 1 == n ? 0 : i + 1;
    const Side sj = j == 0 ? first : sideAt(v[j]);
    const bool e = !kTrackEdges || (*edges)[i];
    if (si == Side::Back) {
      add(back, v[i], e, kTrackEdges);
    } else if (kOnPlane == OnPlane::Both && si == Side::On) {
      // A corner of both parts. Its outgoing edge is original only in the part that the edge runs
      // into; in the other part the outline continues along the cut.
      add(front, v[i], e && sj != Side::Back, kTrackEdges);
      add(back, v[i], e && sj != Side::Front, kTrackEdges);
    } else {
      add(front, v[i], e, kTrackEdges);
    }
    if (si != sj && si != Side::On && sj != Side::On) {
      const Vec3 x = cut(v[i], v[j]);
      SplitPart& from = si == Side::Back ? back : front;
      SplitPart& into = si == Side::Back ? front : back;
      add(from, x, false, kTrackEdges);
      add(into, x, e, kTrackEdges);
    }
    si = sj;
  }
  return reach;
}

// Fills in the normal of a part, or empties a part with no plane.
void finish(SplitPart& part) {
  const std::optional<Vec3> normal = polygonNormal(part.points);
  if (normal) {
    part.normal = *normal;
  } else {
    part.points.clear();
    part.edges.clear();
  }
}

// The whole loop as one part, the other left empty.
void whole(const std::vector<Vec3>& points, const std::vector<bool>* edges, SplitPart& into, SplitPart& other) {
  into.points = points;
  into.edges.clear();
  if (edges) into.edges = *edges;
  finish(into);
  other.points.clear();
  other.edges.clear();
}

// Twice the area of a convex part, or at least `least` when it is no less: the triangle of its
// first three corners lies inside it and mostly settles the question without a walk round it.
double twiceArea(const SplitPart& part, double least) {
  const std::vector<Vec3>& p = part.points;
  if (p.size() < 3) return 0;
  const double triangle = norm(cross(p[1] - p[0], p[2] - p[0]));
  return triangle >= least ? triangle : norm(newellNormal(p));
}

}  // namespace

void splitConvex(const std::vector<Vec3>& points, const std::vector<bool>* edges, const Plane& plane,
                 double tolerance, OnPlane onPlane, SplitPart& front, SplitPart& back) {
  for (SplitPart* part : {&front, &back}) {
    part->points.clear();
    part->edges.clear();
    part->normal = {};
    part->points.reserve(points.size() + 2);
    if (edges) part->edges.reserve(points.size() + 2);
  }
  if (points.empty()) return;

  Reach reach;
  if (edges && onPlane == OnPlane::Both) {
    reach = walk<true, OnPlane::Both>(points, edges, plane, tolerance, front, back);
  } else if (edges) {
    reach = walk<true, OnPlane::Front>(points, edges, plane, tolerance, front, back);
  } else if (onPlane == OnPlane::Both) {
    reach = walk<false, OnPlane::Both>(points, edges, plane, tolerance, front, back);
  } else {
    reach = walk<false, OnPlane::Front>(points, edges, plane, tolerance, front, back);
  }
  // A loop that reaches beyond the tolerance on one side only is not cut: it goes whole to that
  // side (to the front when it lies within the tolerance throughout). A distance that is not a
  // number counts as beyond the front, as it does in the walk.
  if (!reach.back) return whole(points, edges, front, back);
  if (!reach.front) return whole(points, edges, back, front);

  // No slivers: a part thinner than the tolerance would be a piece the plane merely grazed,
  // which only rounding made. Where one part covers less than the tolerance squared, the loop
  // goes whole to the side of the other; where both do, the loop itself is that small, and it
  // goes to the side of the larger part.
  const double least = 2 * tolerance * tolerance;  // twice the area, as the cross products measure it
  const double frontArea = twiceArea(front, least);
  const double backArea = twiceArea(back, least);
  const bool frontSliver = !(frontArea >= least);
  const bool backSliver = !(backArea >= least);
  if (frontSliver || backSliver) {
    const bool toFront = frontSliver && backSliver ? !(backArea > frontArea) : backSliver;
    return toFront ? whole(points, edges, front, back) : whole(points, edges, back, front);
  }
  finish(front);
  finish(back);
}

}  // namespace kolvar::geometry
