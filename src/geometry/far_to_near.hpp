#pragma once
// The far-to-near walk of a binary space partition: what a painter draws first comes first.
#include <cstddef>
#include <vector>

#include "geometry/small_stack.hpp"

namespace kolvar::geometry {

// Visits the nodes of a tree laid out in `nodes`, starting at position `root` (nothing when it
// is `none`). `node.front` and `node.back` are the positions of a node's children on the front
// and the back side of its plane, or `none`. At each node the subtree on the viewer's far side
// comes first, then the node itself (`visit(node)`), then the subtree on the near side;
// `viewerInFront(node)` tells which side is near, each caller with its own tolerance. Iterative,
// so any depth is safe. The two callables are taken by value, as the standard algorithms take
// them: a copy in the walk's own frame spares the hot loop a pointer chase per node.
template <class Node, class Index, class ViewerInFront, class Visit>
void walkFarToNear(const std::vector<Node>& nodes, Index root, Index none, ViewerInFront viewerInFront,
                   Visit visit) {
  struct Step {
    Index at;
    bool ownNode;  // visit the node itself rather than walk the subtree under it
  };
  SmallStack<Step> stack;
  Index n = root;
  for (;;) {
    // Descend along far sides, leaving each node's visit and its near side on the stack.
    while (n != none) {
      const Node& node = nodes[static_cast<std::size_t>(n)];
      // Both children are read soon, one now and one from the stack: start loading them.
      if (node.front != none) __builtin_prefetch(&nodes[static_cast<std::size_t>(node.front)]);
      if (node.back != none) __builtin_prefetch(&nodes[static_cast<std::size_t>(node.back)]);
      const bool inFront = viewerInFront(node);
      const Index far = inFront ? node.back : node.front;
      const Index near = inFront ? node.front : node.back;
      if (near != none) stack.push({near, false});
      stack.push({n, true});
      n = far;
    }
    if (stack.empty()) return;
    const Step step = stack.pop();
    if (step.ownNode) {
      visit(nodes[static_cast<std::size_t>(step.at)]);
      n = none;
    } else {
      n = step.at;
    }
  }
}

}  // namespace kolvar::geometry
