#pragma once
// The in-order walk of the tree, used to draw every placed polygon.
#include <functional>
#include <vector>

#include "bsp/tree.hpp"
#include "geometry/small_stack.hpp"

namespace kolvar::diagram {

// Visits the element of every node, the placeholder root included: front subtree, node, back
// subtree, the same order for any viewer. Polygons still waiting in lists are not visited; an
// empty tree visits nothing. Iterative, so any depth is safe.
template <class F>
void btinorder(const bsp::NodeRef& tree, F&& f);
void btinorder(const bsp::NodeRef& tree, const std::function<void(const bsp::BspElement&)>& f);

template <class F>
void btinorder(const bsp::NodeRef& tree, F&& f) {
  geometry::SmallStack<const bsp::BspNode*> stack;
  const bsp::BspElement none;  // stands in for a missing element, which no built tree has
  const bsp::BspNode* n = tree.get();
  for (;;) {
    for (; n; n = n->left.get()) stack.push(n);
    if (stack.empty()) return;
    n = stack.pop();
    f(n->element ? *n->element : none);
    n = n->right.get();
  }
}

}  // namespace kolvar::diagram
