#pragma once
// Splitting a polygon by another polygon's plane.
#include <utility>

#include "bsp/polygon.hpp"

namespace kolvar::bsp {

// Cuts polyA by polyB's plane into its front piece (label + "a") and its back piece
// (label + "b"). One walk over the vertices in order keeps each vertex on its own side (a vertex
// on the plane counts as in front) and puts the intersection point of every edge that changes
// side into both pieces, so the pieces share the cut. The closing edge v(N)->v(1) is cut too:
// its intersection point is appended to both pieces after the walk, so the two pieces always
// cover the whole polygon. A piece with fewer than three vertices, or whose vertices all lie on
// one line (it covers no area), is null. Meant for a polyA that straddles polyB's plane; for
// one that does not, the piece on the far side comes out null.
std::pair<PolygonRef, PolygonRef> splitPoly(const Polygon& polyA, const Polygon& polyB);

}  // namespace kolvar::bsp
