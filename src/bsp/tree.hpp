#pragma once
// The BSP tree: immutable nodes shared between copies. Insertion copies only the path it walks
// and returns the new tree; the tree passed in is never changed, so every holder of an older
// tree (a state record, an undo copy, the diagram) keeps seeing exactly what it had.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "bsp/polygon.hpp"

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

// `left` is the subtree on the front side of element.poly, `right` the one on the back side.
struct BspNode {
  std::optional<BspElement> element;
  NodeRef left;
  NodeRef right;

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

// Visits every placed element (nodes with a polygon) in far-to-near order as seen from
// `viewer`: at each node the subtree on the viewer's far side first, then the node, then the
// near side. A viewer on a plane counts as in front of it. A placeholder root, an empty tree
// and the polygons still waiting in lists yield nothing. Iterative, so any depth is safe.
template <class F>
void bspFarToNear(const Vec3& viewer, const NodeRef& tree, F&& f);
void bspFarToNear(const Vec3& viewer, const NodeRef& tree,
                  const std::function<void(const BspElement&)>& f);

// ----------------------------------------------------------------------------------------------

namespace detail {
// A work stack entry of the iterative walks: a subtree still to walk, or an element to visit.
struct WalkStep {
  const BspNode* node;
  bool visit;
};

// The work stack of the walks and of insertion: the first N entries live inside the object
// (on the caller's stack frame), deeper trees spill into the heap. Trees of the usual depth
// thus cost no allocation per walk or per insertion.
template <class T, std::size_t N = 96>
class SmallStack {
 public:
  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  void push(const T& v) {
    if (size_ < N) {
      inline_[size_] = v;
    } else {
      more_.push_back(v);
    }
    ++size_;
  }
  const T& back() const { return size_ <= N ? inline_[size_ - 1] : more_.back(); }
  void clear() {
    size_ = 0;
    more_.clear();
  }
  T pop() {
    --size_;
    if (size_ < N) return inline_[size_];
    T v = more_.back();
    more_.pop_back();
    return v;
  }

 private:
  T inline_[N];
  std::vector<T> more_;
  std::size_t size_ = 0;
};
}  // namespace detail

template <class F>
void bspFarToNear(const Vec3& viewer, const NodeRef& tree, F&& f) {
  detail::SmallStack<detail::WalkStep> stack;
  const BspNode* n = tree.get();
  for (;;) {
    // Descend along far sides, leaving each node's visit and its near side on the stack.
    while (n && n->element && n->element->poly) {
      // Nodes lie scattered in memory: start loading both children while this side test runs.
      __builtin_prefetch(n->left.get());
      __builtin_prefetch(n->right.get());
      const bool viewerInFront = inFront(viewer, *n->element->poly) != 1;
      const BspNode* far = viewerInFront ? n->right.get() : n->left.get();
      const BspNode* near = viewerInFront ? n->left.get() : n->right.get();
      if (near) stack.push({near, false});
      stack.push({n, true});
      n = far;
    }
    if (stack.empty()) return;
    const detail::WalkStep step = stack.pop();
    if (step.visit) {
      f(*step.node->element);
      n = nullptr;
    } else {
      n = step.node;
    }
  }
}

}  // namespace kolvar::bsp
