#pragma once
// Far-to-near order of the faces and line segments of an axes, exact for any view.
//
// The faces are put into a small BSP tree (faces that cross a plane are cut in two, so
// intersecting faces come out as pieces that never overlap wrongly); the line segments are then
// filed into the same tree, cut where they cross a plane. Its planes are the faces' own and, where
// they cut less, planes across an axis that pass between faces. A walk of the tree for a view
// direction gives every piece after everything that can lie behind it. The tree depends only on
// the geometry, not on the view, so it can be kept while the view turns.
//
// Works in box space (the limits box scaled to the unit cube), whose unit is the size of the
// axes' content whatever its data units. The tolerance of its plane tests is kDepthTolerance
// there, more where rounding noise reaches further: where the data lie far from the origin
// compared with the box's size, or faces reach far out of the box (see depthTolerance).
#include <cmath>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

#include "geometry/plane.hpp"
#include "geometry/polygon_normal.hpp"
#include "graphics/geometry_math.hpp"

namespace kolvar::graphics {

// A flat convex or concave polygon. `edges[i]` tells whether the edge from point i to point i+1
// (cyclically) is one of the original polygon's edges, as opposed to a cut made by the depth
// order or by clipping; only original edges are drawn as the face's outline. `id` is the
// caller's number for what the face came from.
struct DepthFace {
  std::vector<Vec3> points;
  std::vector<bool> edges;
  int id = 0;
  std::uint32_t part = 0;  // which face of its object (column of a patch's data) it comes from
  friend bool operator==(const DepthFace&, const DepthFace&) = default;
};

struct DepthSegment {
  Vec3 a;
  Vec3 b;
  int id = 0;
  friend bool operator==(const DepthSegment&, const DepthSegment&) = default;
};

// A plane through a point, with a unit normal; distances are measured from that point.
using Plane = geometry::Plane;

// The tolerance of the plane tests per unit of coordinate magnitude, measured in box units.
inline constexpr double kDepthTolerance = 1e-9;

// The tolerance for content whose coordinates reach `magnitude` in box units: those of the data
// themselves (where the box's centre lies, in box units, plus how far the content reaches from
// it), since rounding noise was made in data units before the content came into box space.
// Content within a box around the origin has the magnitude 0.5 and gets kDepthTolerance: the box
// is the unit, so the tolerance never falls below it.
inline double depthTolerance(double magnitude) { return kDepthTolerance * std::fmax(1.0, magnitude); }

// The area-weighted (Newell) normal of a polygon, not normalised; zero for a degenerate one.
using geometry::newellNormal;

// The plane of a polygon, or nothing when it has no area.
std::optional<Plane> planeOf(const std::vector<Vec3>& points);

// A face ready for the tree: itself when it is flat, its fan triangles when its points do not lie
// in one plane (the fan's inner diagonals are not original edges), nothing when it has no area.
// Flat means every point within `tolerance` of the plane.
std::vector<DepthFace> flatFaces(DepthFace face, double tolerance = kDepthTolerance);

// Cut a polygon by a plane into its parts in front and behind; corners within `tolerance` of
// the plane belong to both. Edge flags follow the pieces (no flags count as all original); the
// cut itself is not an original edge. A face that the plane does not cut, or would cut into a
// sliver (less than the tolerance squared in area), comes out whole on its side and the other
// part empty (see geometry::splitConvex).
void splitFace(const DepthFace& face, const Plane& plane, DepthFace& front, DepthFace& back,
               double tolerance = kDepthTolerance);

// Keep the part of a face inside the box |x|, |y|, |z| <= 0.5 (empty when none is); points
// within the tolerance outside count as inside.
DepthFace clipFaceToBox(DepthFace face, double tolerance = kDepthTolerance);
// Keep the part of a segment inside the box; nothing when none is.
std::optional<DepthSegment> clipSegmentToBox(const DepthSegment& s, double tolerance = kDepthTolerance);

struct DepthTree {
  struct Node {
    bool leaf = false;            // a cell without a plane: holds only segments
    Plane plane;                  // a face's plane, or one across an axis between faces
    int firstFace = 0;            // the pieces lying in the plane, in input order:
    int faceCount = 0;            //   nodeFaces[firstFace, firstFace + faceCount)
    std::vector<int> segments;    // segment pieces lying in the plane (or in a leaf cell)
    int front = -1;
    int back = -1;
  };
  std::vector<Node> nodes;
  std::vector<int> nodeFaces;          // the nodes' pieces, node after node
  std::vector<DepthFace> faces;        // the pieces, after cutting
  std::vector<int> source;             // for each piece, the input face it is part of
  std::vector<DepthSegment> segments;  // the segment pieces, after cutting
  int faceNodes = 0;                   // nodes [0, faceNodes) hold planes; the rest are cells
                                       // made to hold segments
  int root = -1;
  double tolerance = kDepthTolerance;  // of every plane test the build made
};

// Build the tree. Faces must be flat (see flatFaces); input order decides the order of
// coplanar pieces and of segments sharing a cell, later on top. Empty input: an empty tree.
// `tolerance` is that of the whole content (depthTolerance of its magnitude). A build asked to
// `stop` (one on a thread of its own whose result is no longer wanted) ends soon with an
// unfinished tree.
DepthTree buildDepthTree(const std::vector<DepthFace>& faces, const std::vector<DepthSegment>& segments,
                         double tolerance = kDepthTolerance, std::stop_token stop = {});

// The same tree with `segments` filed in place of the ones it holds: for content whose faces stay
// as they were while its lines change (an outline moved from one face to another), without the
// faces' tree built again. The tree must be whole (not a stopped build).
void refileSegments(DepthTree& tree, const std::vector<DepthSegment>& segments);

struct DepthStep {
  bool face = true;  // a face piece, or a segment piece
  int index = 0;     // into DepthTree::faces or DepthTree::segments
};

// Every piece, far to near for a viewer looking along -towardViewer (orthographic). Within one
// plane faces come before the segments lying on them, so a face's outline stays visible.
std::vector<DepthStep> farToNear(const DepthTree& tree, Vec3 towardViewer);
// The same into `out` (emptied first), whose room serves again frame after frame.
void farToNear(const DepthTree& tree, Vec3 towardViewer, std::vector<DepthStep>& out);

}  // namespace kolvar::graphics
