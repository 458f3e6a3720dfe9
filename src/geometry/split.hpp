#pragma once
// Cutting a convex polygon in two by a plane.
#include <vector>

#include "geometry/plane.hpp"

namespace kolvar::geometry {

// Where a vertex within the tolerance of the plane goes.
enum class OnPlane {
  Front,  // into the front part only, as if it lay in front (the BSP files such polygons in front)
  Both,   // into both parts, so that each part reaches up to the plane (the renderer's pieces)
};

// One part of a split polygon: its vertex loop, the flags of its edges when the caller tracks
// them (edges[i] for the edge from points[i] to the next point), and its unit normal by
// polygonNormal. A part with no area has no points and no edges.
struct SplitPart {
  std::vector<Vec3> points;
  std::vector<bool> edges;
  Vec3 normal;
};

// Cuts the loop `points` by `plane`. One walk over the vertices in order puts each vertex into
// the part on its side (see OnPlane; a vertex whose distance is not a number goes to the front
// part) and, after it, the point where the edge to the next vertex crosses the plane into both
// parts. An edge crosses when its ends lie on different sides and neither lies within the
// tolerance; the closing edge from the last vertex to the first is cut like every other. The cut
// point of the edge p1 -> p2 is p1 + t (p2 - p1) with t = (offset - n.p1) / n.(p2 - p1).
//
// With `edges` (one flag per edge of `points`) the parts get flags too: an edge keeps its flag
// in the parts that hold it, a cut ends in the edge that follows it and the cut line itself is
// no original edge; a vertex on the plane (OnPlane::Both) keeps its outgoing edge's flag only
// in the part that edge runs into. Without `edges`, the parts' edges stay empty.
//
// A loop that reaches beyond the tolerance on one side of the plane only is not cut: it comes out
// whole (points, edge flags and all) in the part on that side, and in the front part when all of
// it lies within the tolerance. Nor does a cut leave slivers: where one part covers less than the
// tolerance squared (a part with fewer than three vertices, or on one line, covers none), the loop
// comes out whole in the other part; where both do, in the larger one (the front on a tie). So a
// part that is not empty always reaches beyond the tolerance on its own side, and the other part
// is empty exactly when the loop was not cut. Both parts hold each cut point as the same double.
void splitConvex(const std::vector<Vec3>& points, const std::vector<bool>* edges, const Plane& plane,
                 double tolerance, OnPlane onPlane, SplitPart& front, SplitPart& back);

}  // namespace kolvar::geometry
