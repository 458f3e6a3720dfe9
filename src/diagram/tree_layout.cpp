#include "diagram/tree_layout.hpp"

#include <algorithm>

namespace kolvar::diagram {

namespace {

// Every node of the tree once, parents first, with the positions of its children in the list.
struct Walked {
  const bsp::BspNode* node;
  std::int32_t parent;
  std::int32_t left = -1, right = -1;
  std::size_t depth;
  bool frontList = false, backList = false;  // a waiting list hangs on that side
};

bool hasList(const bsp::BspNode& n, bool front) {
  return n.element && !(front ? n.element->front : n.element->back).empty();
}

std::vector<Walked> preorder(const bsp::NodeRef& tree) {
  std::vector<Walked> out;
  if (!tree) return out;
  // (node, parent, depth, whether it is the parent's front child)
  struct Todo {
    const bsp::BspNode* node;
    std::int32_t parent;
    std::size_t depth;
    bool front;
  };
  std::vector<Todo> stack{{tree.get(), -1, 0, true}};
  out.reserve(1024);
  while (!stack.empty()) {
    const Todo t = stack.back();
    stack.pop_back();
    const auto at = static_cast<std::int32_t>(out.size());
    out.push_back({t.node, t.parent, -1, -1, t.depth, hasList(*t.node, true), hasList(*t.node, false)});
    if (t.parent >= 0) (t.front ? out[static_cast<std::size_t>(t.parent)].left : out[static_cast<std::size_t>(t.parent)].right) = at;
    // The back child is pushed first, so the front subtree comes first.
    if (t.node->right) stack.push_back({t.node->right.get(), at, t.depth + 1, false});
    if (t.node->left) stack.push_back({t.node->left.get(), at, t.depth + 1, true});
  }
  return out;
}

void grow(TreeLayout& l, double x, double y) {
  if (l.empty()) {
    l.x0 = l.x1 = x;
    l.y0 = l.y1 = y;
    return;
  }
  l.x0 = std::min(l.x0, x);
  l.x1 = std::max(l.x1, x);
  l.y0 = std::min(l.y0, y);
  l.y1 = std::max(l.y1, y);
}

}  // namespace

NodePos rootPosition(const Frame& f) {
  const double dx = (f.x1 - f.x0) / 2, dy = (f.y1 - f.y0) / 10;
  return {f.x0 + dx, dx, f.y1 - dy, dy};
}

TreeLayout layoutTree(const bsp::NodeRef& tree, const Frame& frame, const Collapsed& collapsed) {
  TreeLayout layout;
  const std::vector<Walked> all = preorder(tree);
  const std::size_t n = all.size();
  if (n == 0) return layout;

  // Sizes of the subtrees, children before parents.
  std::vector<std::size_t> below(n, 0);
  layout.places = n;
  for (std::size_t i = n; i-- > 0;) {
    const Walked& w = all[i];
    for (const std::int32_t c : {w.left, w.right})
      if (c >= 0) below[i] += below[static_cast<std::size_t>(c)] + 1;
    layout.places += (w.frontList ? 1 : 0) + (w.backList ? 1 : 0);
  }
  std::size_t deepest = 0;
  for (const Walked& w : all) deepest = std::max(deepest, w.depth);
  const bool crowded = layout.places > kCrowdedPlaces && deepest >= kCrowdedDepth;
  layout.kind = layout.places > kSpreadPlaces || crowded ? LayoutKind::Compact : LayoutKind::Spread;

  // What shows: a node whose ancestors are all unfolded.
  std::vector<char> shown(n, 0), folded(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const Walked& w = all[i];
    shown[i] = w.parent < 0 || (shown[static_cast<std::size_t>(w.parent)] && !folded[static_cast<std::size_t>(w.parent)]);
    folded[i] = shown[i] && below[i] > 0 && collapsed && collapsed(*w.node);
  }

  std::vector<double> x(n), y(n), frontX(n), backX(n), childY(n), spread(n, 0);
  if (layout.kind == LayoutKind::Spread) {
    const NodePos root = rootPosition(frame);
    const double dy = root[3];
    x[0] = root[0];
    y[0] = root[2];
    spread[0] = root[1];
    for (std::size_t i = 0; i < n; ++i) {
      if (!shown[i]) continue;
      if (all[i].parent >= 0) {
        const auto p = static_cast<std::size_t>(all[i].parent);
        const bool front = all[p].left == static_cast<std::int32_t>(i);
        x[i] = front ? frontX[p] : backX[p];
        y[i] = childY[p];
        spread[i] = spread[p] / 2;
      }
      frontX[i] = x[i] - spread[i] / 2;
      backX[i] = x[i] + spread[i] / 2;
      childY[i] = y[i] - dy;
    }
  } else {
    // Widths, children before parents: a side takes its subtree's width, one slot for a list
    // alone, half a slot when empty; a folded subtree takes one slot.
    std::vector<double> width(n, 1), frontWidth(n, 0.5);
    for (std::size_t i = n; i-- > 0;) {
      if (!shown[i]) continue;
      const Walked& w = all[i];
      if (folded[i]) continue;
      auto side = [&](std::int32_t c, bool front) {
        if (c >= 0) return width[static_cast<std::size_t>(c)];
        return (front ? w.frontList : w.backList) ? 1.0 : 0.5;
      };
      frontWidth[i] = side(w.left, true);
      width[i] = frontWidth[i] + side(w.right, false);
    }
    // Places, parents before children: each subtree fills [start, start + width).
    std::vector<double> start(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
      if (!shown[i]) continue;
      const Walked& w = all[i];
      y[i] = -static_cast<double>(w.depth);
      childY[i] = y[i] - 1;
      if (folded[i]) {
        x[i] = frontX[i] = backX[i] = start[i] + 0.5;
        continue;
      }
      x[i] = start[i] + frontWidth[i];
      frontX[i] = start[i] + frontWidth[i] / 2;
      backX[i] = x[i] + (width[i] - frontWidth[i]) / 2;
      if (w.left >= 0) start[static_cast<std::size_t>(w.left)] = start[i];
      if (w.right >= 0) start[static_cast<std::size_t>(w.right)] = x[i];
    }
    // A child stands at the middle of its own range, which is where its parent's side points.
    for (std::size_t i = 0; i < n; ++i) {
      if (!shown[i] || folded[i]) continue;
      const Walked& w = all[i];
      if (w.left >= 0) frontX[i] = x[static_cast<std::size_t>(w.left)];
      if (w.right >= 0) backX[i] = x[static_cast<std::size_t>(w.right)];
    }
  }

  layout.nodes.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!shown[i]) continue;
    const Walked& w = all[i];
    LaidNode d;
    d.node = w.node;
    d.depth = w.depth;
    d.x = x[i];
    d.y = y[i];
    d.frontX = frontX[i];
    d.backX = backX[i];
    d.childY = childY[i];
    d.spread = spread[i];
    d.collapsed = folded[i];
    d.below = below[i];
    layout.nodes.push_back(d);
    grow(layout, d.x, d.y);
    if (!d.collapsed)
      for (const bool front : {true, false})
        if (front ? w.frontList : w.backList) grow(layout, front ? d.frontX : d.backX, d.childY);
  }
  // Parents by their position among the nodes shown.
  std::vector<std::int32_t> shownAt(n, -1);
  std::int32_t k = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (shown[i]) shownAt[i] = k++;
  k = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (shown[i]) {
      if (all[i].parent >= 0) layout.nodes[static_cast<std::size_t>(k)].parent = shownAt[static_cast<std::size_t>(all[i].parent)];
      ++k;
    }
  return layout;
}

}  // namespace kolvar::diagram
