#pragma once
// The in-order walk of the tree, used to draw every placed polygon.
#include <functional>
#include <vector>

#include "bsp/tree.hpp"

namespace kolvar::bsp {

// Visits the element of every node, the placeholder root included: front subtree, node, back
// subtree, the same order for any viewer. Polygons still waiting in lists are not visited; an
// empty tree visits nothing. Iterative, so any depth is safe.
template <class F>
void btinorder(const NodeRef& tree, F&& f);
void btinorder(const NodeRef& tree, const std::function<void(const BspElement&)>& f);

template <class F>
void btinorder(const NodeRef& tree, F&& f) {
  detail::SmallStack<const BspNode*> stack;
  const BspElement none;  // stands in for a missing element, which no built tree has
  const BspNode* n = tree.get();
  for (;;) {
    for (; n; n = n->left.get()) stack.push(n);
    if (stack.empty()) return;
    n = stack.pop();
    f(n->element ? *n->element : none);
    n = n->right.get();
  }
}

}  // namespace kolvar::bsp
