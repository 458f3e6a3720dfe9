#pragma once
// The BSP tree: immutable nodes shared between copies. Insertion copies only the path it walks
// and returns the new tree; the tree passed in is never changed, so every holder of an older
// tree (a state record, an undo copy, the diagram) keeps seeing exactly what it had.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "bsp/polygon.hpp"
#include "geometry/far_to_near.hpp"
#include "geometry/small_stack.hpp"

namespace kolvar::bsp {

// A node's content: its splitter `poly` (null only in a placeholder root) and the polygons still
// waiting on its front side (in front of the plane or on it) and on its back side.
struct BspElement {
  PolygonRef poly;
  PolygonList front;
  PolygonList back;
};

struct BspNode;
using NodeRef = std::shared_ptr<const BspNode>;  // a tree; null is the empty tree

namespace detail {
// A tree laid out for the far-to-near walk: its placed nodes in pre-order in one array, each
// with its plane and the positions of its placed children. Walking it reads memory in order
// instead of chasing nodes scattered over the heap, which is what bounds the walk on large trees.
struct FlatNode {
  geometry::Plane plane;  // the splitter's
  const BspElement* element;
  std::uint32_t front;  // position of the placed front child, or kNoNode
  std::uint32_t back;
};
inline constexpr std::uint32_t kNoNode = UINT32_MAX;
struct FlatTree {
  std::vector<FlatNode> nodes;
  double magnitude = 0;  // the largest coordinate magnitude of the placed polygons
};
// The layout of the tree rooted at `root` (which must hold a polygon), made at its first walk and
// kept with the root: trees never change, so it stays right for as long as the root lives.
const FlatTree& flatten(const BspNode& root);
}  // namespace detail

// `left` is the subtree on the front side of element.poly, `right` the one on the back side.
struct BspNode {
  BspNode(std::optional<BspElement> e, NodeRef l, NodeRef r)
      : element(std::move(e)), left(std::move(l)), right(std::move(r)) {}

  std::optional<BspElement> element;
  NodeRef left;
  NodeRef right;

  // The walking layout of this subtree, made by the first far-to-near walk that starts here. The
  // program runs its walks on one thread; the cache is no more shareable across threads than that.
  mutable std::unique_ptr<const detail::FlatTree> flat;

  // Releases solely owned descendants one by one instead of recursively, so that dropping a
  // tree thousands of levels deep cannot overflow the stack. This takes apart nodes nobody else
  // holds, so nodes are made with bspNode (or std::make_shared<BspNode>), never as const objects.
  ~BspNode();
};

// The constructors store their arguments unchanged.
BspElement bspElement(PolygonRef p, PolygonList f, PolygonList b);
NodeRef bspNode(std::optional<BspElement> e, NodeRef left, NodeRef right);

// Whether nodeA's polygon belongs on the front side of nodeB. Anything missing on nodeA's side
// (no node, no element, no polygon) counts as in front, and then anything missing on nodeB's
// side as behind; otherwise the side test of nodeA's vertices against nodeB's plane, where
// straddling and lying in the plane both count as in front.
bool bspInFront(const NodeRef& nodeA, const NodeRef& nodeB);

// Hangs `node` into `tree` and returns the new tree. An empty tree, or a placeholder root (an
// element with no polygon), is replaced by `node` outright, its waiting list included.
// Otherwise the walk descends by bspInFront to the first empty subtree and puts `node` there,
// emptying on every node it passes the waiting list of the side it takes: on the last node that
// is the list `node` was expanded from. Should rounding make the walk disagree with the filing -
// it ends beside a list that does not hold the node's polygon while another list of the tree
// does - the node goes where that list hangs instead, so that no polygon is left waiting twice.
// Iterative, so any depth is safe.
NodeRef bspInsertNode(const NodeRef& tree, const NodeRef& node);
// The same for a tree the caller gives up: nodes on the path that nobody else holds are updated
// in place instead of copied, so a builder that keeps only the latest tree allocates nothing but
// the new node. Nodes that other trees share are copied exactly as above.
NodeRef bspInsertNode(NodeRef&& tree, const NodeRef& node);

// Visits every placed element (nodes with a polygon) in far-to-near order as seen from
// `viewer`: at each node the subtree on the viewer's far side first, then the node, then the
// near side. A viewer on a plane counts as in front of it; the walk's tolerance is that of the
// whole tree and the viewer (kSideEpsilon times the largest coordinate magnitude of the placed
// polygons and the viewer), one for every node. A placeholder root, an empty tree and the
// polygons still waiting in lists yield nothing. Iterative, so any depth is safe.
template <class F>
void bspFarToNear(const Vec3& viewer, const NodeRef& tree, F&& f);
void bspFarToNear(const Vec3& viewer, const NodeRef& tree,
                  const std::function<void(const BspElement&)>& f);

// ----------------------------------------------------------------------------------------------

namespace detail {
// The work stack of the walks and of insertion: trees of the usual depth cost no allocation.
template <class T, std::size_t N = 96>
using SmallStack = geometry::SmallStack<T, N>;
}  // namespace detail

template <class F>
void bspFarToNear(const Vec3& viewer, const NodeRef& tree, F&& f) {
  if (!tree || !tree->element || !tree->element->poly) return;
  // The side test of the viewer as inFront(viewer, poly) makes it: on the plane, or at a distance
  // that is not a number, counts as in front. The tolerance is the tree's rather than each
  // node's: it differs from inFront's only for a viewer within rounding noise of a plane, and
  // there either order is right, since no line of sight from the plane crosses it.
  const detail::FlatTree& flat = detail::flatten(*tree);
  const double tolerance = sideTolerance(flat.magnitude, geometry::magnitude(viewer));
  const auto viewerInFront = [viewer, tolerance](const detail::FlatNode& node) {
    return !geometry::behind(geometry::distance(node.plane, viewer), tolerance);
  };
  geometry::walkFarToNear(flat.nodes, std::uint32_t{0}, detail::kNoNode, viewerInFront,
                          [&](const detail::FlatNode& node) { f(*node.element); });
}

}  // namespace kolvar::bsp
