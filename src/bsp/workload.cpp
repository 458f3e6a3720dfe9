#include "bsp/workload.hpp"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "bsp/expand.hpp"
#include "bsp/split.hpp"

namespace kolvar::bsp {

NodeRef buildTree(const PolygonList& scene) {
  if (scene.empty()) return freshRoot(scene);
  // Each click would hang the node made from a waiting list exactly where that list waits, on
  // the side of the node that holds it, and empty that list; once the tree is whole, no list is
  // left. So the tree is built in place, each list expanded as expandNode would and then dropped:
  // no walk down from the root per node as an insertion makes, and no waiting list is ever made
  // into a PolygonList.
  //
  // The lists waiting to be expanded lie one after the other in one buffer, the one to expand
  // next at its end, so the buffer is a stack that grows and shrinks with the depth of the walk
  // and is allocated a few times in all rather than twice per node. Expanding a list files its
  // back list into its own place (never ahead of the polygon being read: each one read adds at
  // most one) and its front list after it. Polygons are moved from list to list, never copied.
  // The nodes are made here, non-const, and nothing else holds them yet.
  using geometry::Side;
  struct Waiting {
    std::size_t begin;  // its polygons: lists[begin, end)
    std::size_t end;
    NodeRef* slot;  // where its node goes
  };
  NodeRef root;
  std::vector<PolygonRef> lists = scene.toVector();
  std::vector<Waiting> pending{{0, lists.size(), &root}};
  std::vector<PolygonRef> front;  // the front list of the node being made
  while (!pending.empty()) {
    const Waiting w = pending.back();
    pending.pop_back();
    const std::size_t n = w.end - w.begin;
    PolygonRef* list = lists.data() + w.begin;
    *w.slot = bspNode(bspElement(std::move(list[0]), {}, {}), nullptr, nullptr);
    auto& node = const_cast<BspNode&>(**w.slot);
    const Polygon& splitter = *node.element->poly;
    const geometry::Plane plane = planeOf(splitter);
    front.resize(n);
    std::size_t nFront = 0;
    std::size_t nBack = 0;
    for (std::size_t i = 1; i < n; ++i) {
      // The polygons lie scattered in memory; ask for the ones a few steps ahead early.
      if (i + 8 < n) __builtin_prefetch(list[i + 8].get());
      if (i + 4 < n) __builtin_prefetch(list[i + 4]->points.data());
      PolygonRef& p = list[i];
      switch (geometry::sideOf(p->points, plane, sideTolerance(*p, splitter))) {
        case Side::Front:
        case Side::On: front[nFront++] = std::move(p); break;
        case Side::Back: list[nBack++] = std::move(p); break;
        case Side::Straddling: {  // its pieces stand where it stood
          auto [f, b] = splitPoly(*p, splitter);
          if (f) front[nFront++] = std::move(f);
          if (b) list[nBack++] = std::move(b);
          break;
        }
      }
    }
    // Back first, so that the front list is expanded next.
    lists.resize(w.begin + nBack);  // drops the polygons that were split
    if (nBack > 0) pending.push_back({w.begin, w.begin + nBack, &node.right});
    if (nFront > 0) {
      pending.push_back({lists.size(), lists.size() + nFront, &node.left});
      lists.insert(lists.end(), std::make_move_iterator(front.begin()), std::make_move_iterator(front.begin() + nFront));
    }
  }
  return root;
}

TreeStats treeStats(const NodeRef& tree) {
  TreeStats stats;
  std::vector<std::pair<const BspNode*, std::size_t>> stack;
  if (tree) stack.push_back({tree.get(), 1});
  while (!stack.empty()) {
    auto [n, depth] = stack.back();
    stack.pop_back();
    stats.depth = std::max(stats.depth, depth);
    if (n->element) {
      if (n->element->poly) ++stats.placed;
      stats.waiting += n->element->front.size() + n->element->back.size();
    }
    if (n->left) stack.push_back({n->left.get(), depth + 1});
    if (n->right) stack.push_back({n->right.get(), depth + 1});
  }
  return stats;
}

}  // namespace kolvar::bsp
