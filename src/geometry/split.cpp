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
template <bool kTrackEdges, OnPlane kOnPlane>
[[gnu::flatten]] void walk(const std::vector<Vec3>& v, const std::vector<bool>* edges, const Plane& plane, double tolerance,
          SplitPart& front, SplitPart& back) {
  const std::size_t n = v.size();
  const double off = offset(plane);
  const Vec3& normal = plane.normal;
  // A vertex's side, Straddling standing for a distance that is not a number. Under
  // OnPlane::Front there is no On; under OnPlane::Both such a vertex is taken as on the plane.
  const auto sideAt = [&](const Vec3& p) {
    const Side s = sideOf(distance(plane, p), tolerance);
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
  if (edges) into.edges = *edges;
  finish(into);
  other.points.clear();
  other.edges.clear();
}

// Twice the area of a part, by Newell's normal (relative to its first vertex, so that a part far
// from the origin keeps its precision).
double twiceArea(const SplitPart& part) { return norm(newellNormal(part.points)); }

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

  // A loop that reaches beyond the tolerance on one side only is not cut: it goes whole to that
  // side (to the front when it lies within the tolerance throughout). A distance that is not a
  // number counts as beyond the front, as it does in the walk.
  bool anyFront = false;
  bool anyBack = false;
  for (const Vec3& p : points) {
    const Side s = sideOf(distance(plane, p), tolerance);
    anyFront |= s == Side::Front || s == Side::Straddling;
    anyBack |= s == Side::Back;
  }
  if (!anyBack) return whole(points, edges, front, back);
  if (!anyFront) return whole(points, edges, back, front);

  if (edges && onPlane == OnPlane::Both) {
    walk<true, OnPlane::Both>(points, edges, plane, tolerance, front, back);
  } else if (edges) {
    walk<true, OnPlane::Front>(points, edges, plane, tolerance, front, back);
  } else if (onPlane == OnPlane::Both) {
    walk<false, OnPlane::Both>(points, edges, plane, tolerance, front, back);
  } else {
    walk<false, OnPlane::Front>(points, edges, plane, tolerance, front, back);
  }

  // No slivers: a part thinner than the tolerance would be a piece the plane merely grazed,
  // which only rounding made. Where one part covers less than the tolerance squared, the loop
  // goes whole to the side of the other; where both do, the loop itself is that small, and it
  // goes to the side of the larger part.
  const double least = 2 * tolerance * tolerance;
  const double frontArea = twiceArea(front);
  const double backArea = twiceArea(back);
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
