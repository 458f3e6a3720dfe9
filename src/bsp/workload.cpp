#include "bsp/workload.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "bsp/expand.hpp"

namespace kolvar::bsp {

NodeRef buildTree(const PolygonList& scene) {
  NodeRef root = freshRoot(scene);
  std::vector<PolygonList> waiting;
  if (!scene.empty()) waiting.push_back(scene);
  while (!waiting.empty()) {
    const PolygonList list = std::move(waiting.back());
    waiting.pop_back();
    NodeRef node = expandNode(list, 0);
    root = bspInsertNode(std::move(root), node);
    // Back first, so that the front list is expanded next.
    if (!node->element->back.empty()) waiting.push_back(node->element->back);
    if (!node->element->front.empty()) waiting.push_back(node->element->front);
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
