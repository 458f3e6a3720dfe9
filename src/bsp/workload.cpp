#include "bsp/workload.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bsp/expand.hpp"

namespace kolvar::bsp {

PolygonList randomWalls(std::size_t count, std::uint64_t seed) {
  std::mt19937_64 rng(seed);  // its output sequence is fixed by the standard
  const auto uniform = [&](double lo, double hi) {
    return lo + (hi - lo) * (static_cast<double>(rng() >> 11) * 0x1.0p-53);
  };
  std::vector<PolygonRef> walls;
  walls.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double cx = uniform(0, 100);
    const double cy = uniform(0, 100);
    const double angle = uniform(0, 2 * std::numbers::pi);
    const double half = uniform(0.5, 2) / 2;
    const double dx = half * std::cos(angle);
    const double dy = half * std::sin(angle);
    walls.push_back(newPolygon({{cx - dx, cy - dy, 0}, {cx + dx, cy + dy, 0}, {cx + dx, cy + dy, 1},
                                {cx - dx, cy - dy, 1}},
                               "w" + std::to_string(i + 1)));
  }
  return PolygonList::from(std::move(walls));
}

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
