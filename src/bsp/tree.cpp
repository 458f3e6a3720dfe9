#include "bsp/tree.hpp"

#include <cmath>
#include <utility>

namespace kolvar::bsp {

namespace {

// A child that nothing but its parent holds: it dies with the parent.
inline bool sole(const NodeRef& n) { return n && n.use_count() == 1; }

// Takes a solely owned child out of its parent, or leaves a shared one in place.
[[gnu::always_inline]] inline NodeRef takeSole(NodeRef& child) {
  return sole(child) ? std::move(child) : NodeRef();
}

bool inFrontOf(const BspNode* a, const BspNode* b) {
  if (!a) return true;
  if (!b) return false;
  if (!a->element) return true;
  if (!b->element) return false;
  if (!a->element->poly) return true;
  if (!b->element->poly) return false;
  const Polygon& pa = *a->element->poly;
  const Polygon& pb = *b->element->poly;
  return geometry::sideOf(pa.points, planeOf(pb), sideTolerance(pa, pb)) != geometry::Side::Back;
}

}  // namespace

BspNode::~BspNode() {
  // Recursive release would use one stack frame per level. Instead the solely owned subtrees
  // are detached and dropped one node at a time; a node is dropped only after its own solely
  // owned children were taken out, so each drop is shallow. Shared subtrees belong to other
  // trees as well and are merely released.
  if (!sole(left) && !sole(right)) return;
  NodeRef next = takeSole(left);
  NodeRef other = takeSole(right);
  std::vector<NodeRef> pending;  // needed only where a node has two solely owned children
  if (!next) {
    next = std::move(other);
  } else if (other) {
    pending.push_back(std::move(other));
  }
  while (next) {
    // Nodes are created non-const (bspNode, insertion), and nothing else holds this one, so
    // taking its children out cannot be observed by anyone.
    auto& node = const_cast<BspNode&>(*next);
    NodeRef l = takeSole(node.left);
    NodeRef r = takeSole(node.right);
    if (l && r) pending.push_back(std::move(r));
    next = l ? std::move(l) : std::move(r);  // drops the previous node, now shallow
    if (!next && !pending.empty()) {
      next = std::move(pending.back());
      pending.pop_back();
    }
  }
}

namespace detail {

const FlatTree& flatten(const BspNode& root) {
  if (root.flat) return *root.flat;
  auto flat = std::make_unique<FlatTree>();
  struct Pending {
    const BspNode* node;
    std::uint32_t parent;
    bool front;
  };
  std::vector<Pending> stack{{&root, kNoNode, false}};
  while (!stack.empty()) {
    const Pending p = stack.back();
    stack.pop_back();
    // A subtree whose root has no splitter is walked no further, as the pointer walk would.
    if (!p.node->element || !p.node->element->poly) continue;
    const Polygon& poly = *p.node->element->poly;
    const auto at = static_cast<std::uint32_t>(flat->nodes.size());
    flat->nodes.push_back({planeOf(poly), &*p.node->element, kNoNode, kNoNode});
    flat->magnitude = geometry::largerOf(flat->magnitude, poly.magnitude);
    if (p.parent != kNoNode) (p.front ? flat->nodes[p.parent].front : flat->nodes[p.parent].back) = at;
    if (p.node->right) stack.push_back({p.node->right.get(), at, false});
    if (p.node->left) stack.push_back({p.node->left.get(), at, true});
  }
  root.flat = std::move(flat);
  return *root.flat;
}

}  // namespace detail

BspElement bspElement(PolygonRef p, PolygonList f, PolygonList b) {
  return BspElement{std::move(p), std::move(f), std::move(b)};
}

NodeRef bspNode(std::optional<BspElement> e, NodeRef left, NodeRef right) {
  return std::make_shared<BspNode>(std::move(e), std::move(left), std::move(right));
}

bool bspInFront(const NodeRef& nodeA, const NodeRef& nodeB) {
  return inFrontOf(nodeA.get(), nodeB.get());
}

namespace {

struct Step {
  const BspNode* at;
  bool front;  // the side taken at `at`
};
using Path = detail::SmallStack<Step>;

bool isPlaceholder(const BspNode* n) { return n->element && !n->element->poly; }

bool lists(const PolygonList& list, const Polygon* poly) {
  for (const PolygonRef& p : list)
    if (p.get() == poly) return true;
  return false;
}

// From `cur` down by the side test to an empty subtree or a placeholder, extending `path`.
void descend(const BspNode* cur, const BspNode* node, Path& path) {
  while (cur && !isPlaceholder(cur)) {
    const bool front = inFrontOf(node, cur);
    path.push({cur, front});
    cur = front ? cur->left.get() : cur->right.get();
  }
}

// The path to the node whose front or back list holds `poly`, ending with the side of that
// list; for the list of a placeholder, the path to the placeholder itself. Null when no list
// of the tree holds it.
std::optional<std::vector<Step>> pathToList(const BspNode* root, const Polygon* poly) {
  struct Item {
    const BspNode* node;
    std::size_t depth;
    bool front;  // the side of its parent it hangs on
  };
  std::vector<Item> stack;
  if (root) stack.push_back({root, 0, false});
  std::vector<Step> path;  // path[k]: the node at depth k, and the side leading on
  while (!stack.empty()) {
    const Item it = stack.back();
    stack.pop_back();
    path.resize(it.depth);
    if (it.depth > 0) path.back().front = it.front;
    const BspNode* n = it.node;
    if (n->element) {
      const bool inFrontList = lists(n->element->front, poly);
      if (inFrontList && isPlaceholder(n)) return path;
      if (inFrontList || lists(n->element->back, poly)) {
        path.push_back({n, inFrontList});
        return path;
      }
    }
    path.push_back({n, false});
    if (n->right) stack.push_back({n->right.get(), it.depth + 1, false});
    if (n->left) stack.push_back({n->left.get(), it.depth + 1, true});
  }
  return std::nullopt;
}

// The route of `node` into `tree`: the nodes it passes, top down, with the side taken at each.
// Empty when the tree is empty or a placeholder root, which the node replaces outright.
Path routeOf(const NodeRef& tree, const NodeRef& node) {
  Path path;
  descend(tree.get(), node.get(), path);

  // The walk retraces the filing that put the node's polygon into its list, so it normally ends
  // beside that very list. Where rounding made a side test of this walk come out otherwise than
  // the one that filed the polygon, take the route to the list that holds it.
  const Polygon* poly = node && node->element ? node->element->poly.get() : nullptr;
  if (poly && !path.empty()) {
    const Step last = path.back();
    const BspElement* e = last.at->element ? &*last.at->element : nullptr;
    if (!e || !lists(last.front ? e->front : e->back, poly)) {
      if (auto found = pathToList(tree.get(), poly)) {
        path.clear();
        for (const Step& s : *found) path.push(s);
        if (!found->empty()) {
          const Step end = found->back();
          descend(end.front ? end.at->left.get() : end.at->right.get(), node.get(), path);
        }
      }
    }
  }
  return path;
}

// Copies of path[from..] bottom up, ending in `node`. Each copy empties the waiting list of the
// side taken and shares everything else with the old tree.
NodeRef copyPath(Path& path, std::size_t from, NodeRef result) {
  while (path.size() > from) {
    const Step step = path.pop();
    const BspNode& old = *step.at;
    if (!old.element) {
      result = step.front ? bspNode(std::nullopt, std::move(result), old.right)
                          : bspNode(std::nullopt, old.left, std::move(result));
    } else if (step.front) {
      result = std::make_shared<BspNode>(
          BspElement{old.element->poly, PolygonList(), old.element->back},
          std::move(result), old.right);
    } else {
      result = std::make_shared<BspNode>(
          BspElement{old.element->poly, old.element->front, PolygonList()},
          old.left, std::move(result));
    }
  }
  return result;
}

}  // namespace

NodeRef bspInsertNode(const NodeRef& tree, const NodeRef& node) {
  Path path = routeOf(tree, node);
  return copyPath(path, 0, node);
}

NodeRef bspInsertNode(NodeRef&& tree, const NodeRef& node) {
  Path path = routeOf(tree, node);
  if (path.empty()) return node;
  // Down the route as long as every node on it is held by this tree alone: such a node can be
  // changed in place, since nobody else can see it. From the first shared one on, copy.
  NodeRef* slot = &tree;
  std::size_t i = 0;
  for (; i < path.size() && slot->use_count() == 1; ++i) {
    // Nodes are made non-const (bspNode, make_shared<BspNode>), so changing one is sound.
    auto& n = const_cast<BspNode&>(**slot);
    n.flat.reset();  // its subtree changes
    const bool front = path[i].front;
    if (n.element) (front ? n.element->front : n.element->back) = PolygonList();
    slot = front ? &n.left : &n.right;
  }
  *slot = copyPath(path, i, node);
  return std::move(tree);
}

void bspFarToNear(const Vec3& viewer, const NodeRef& tree,
                  const std::function<void(const BspElement&)>& f) {
  bspFarToNear<const std::function<void(const BspElement&)>&>(viewer, tree, f);
}

}  // namespace kolvar::bsp
