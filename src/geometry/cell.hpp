#pragma once
// Cells: the convex regions of space that the nodes of a BSP tree own. A node's cell is the
// scene's box cut by the half-spaces on the path from the root to it (the front side of every
// node it hangs in front of, the back side of the others). The partition view draws a node's
// splitting plane as the section of the plane through its cell, and a cell itself as a
// translucent polyhedron.
#include <vector>

#include "geometry/plane.hpp"

namespace kolvar::geometry {

// A convex polyhedron as its faces, each a convex vertex loop. An empty one has no faces.
struct Cell {
  std::vector<std::vector<Vec3>> faces;
  bool empty() const { return faces.empty(); }
};

// The axis-aligned box from `lo` to `hi` (each coordinate of lo below that of hi).
Cell boxCell(const Vec3& lo, const Vec3& hi);

// The part of `cell` in front of `plane` (signed distances above minus the tolerance) when
// `front`, else the part behind it, closed by the section. A plane that misses the cell keeps all
// of it or nothing.
Cell clipCell(const Cell& cell, const Plane& plane, bool front, double tolerance);

// Where `plane` cuts `cell`: a convex vertex loop, empty when the plane misses the cell or only
// touches it. Its vertices run counter-clockwise seen from the plane's front.
std::vector<Vec3> section(const Cell& cell, const Plane& plane, double tolerance);

// Whether `p` lies in the cell, within the tolerance of its faces. The faces' loops must run
// counter-clockwise seen from outside, as every cell made here does.
bool contains(const Cell& cell, const Vec3& p, double tolerance);

// The corners of the cell, each once.
std::vector<Vec3> corners(const Cell& cell, double tolerance);

}  // namespace kolvar::geometry
