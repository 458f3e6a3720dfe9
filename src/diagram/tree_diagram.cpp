#include "diagram/tree_diagram.hpp"

#include "diagram/tree_layout.hpp"
#include "graphics/graphics.hpp"

namespace kolvar::diagram {

namespace g = kolvar::graphics;

void btplottree(const bsp::NodeRef& tree, const ElementPlotter& eplotter) {
  const g::Handle ax = g::gca();
  const Matrix xlim = g::get(ax, "XLim").matrix();
  const Matrix ylim = g::get(ax, "YLim").matrix();
  const double dx = (xlim[1] - xlim[0]) / 2;
  const double x = xlim[0] + dx;
  const double dy = (ylim[1] - ylim[0]) / 10;
  const double y = ylim[1] - dy;
  btplotnodes({x, dx, y, dy}, tree, eplotter);
}

namespace {

// One edge from a node to a child, with its letter at the middle. The letter sits above the
// midpoint, on the outer side of the edge, so it never covers the line.
void drawEdge(double x, double y, double cx, double cy, const char* letter, const char* align) {
  g::line(Matrix::row({x, cx}), Matrix::row({y, cy}), Matrix(),
          {{"HitTest", "off"}, {"Color", "b"}});
  const g::Handle t = g::text((x + cx) / 2, (y + cy) / 2, letter);
  g::set(t, {{"HitTest", "off"},
             {"Color", "b"},
             {"HorizontalAlignment", align},
             {"VerticalAlignment", "bottom"}});
}

}  // namespace

void btplotnodes(const NodePos& pos, const bsp::NodeRef& tree, const ElementPlotter& eplotter) {
  btplotnodes(pos, tree, eplotter, {});
}

void btplotnodes(const NodePos& pos, const bsp::NodeRef& tree, const ElementPlotter& eplotter,
                 const Collapsed& collapsed) {
  if (!tree) return;
  const bool folded = collapsed && (tree->left || tree->right) && collapsed(*tree);
  const auto [x, dx, y, dy] = pos;
  if (tree->left && !folded) {
    const double cx = x - dx / 2, cy = y - dy;
    drawEdge(x, y, cx, cy, "f", "right");
    btplotnodes({cx, dx / 2, cy, dy}, tree->left, eplotter, collapsed);
  }
  if (tree->right && !folded) {
    const double cx = x + dx / 2, cy = y - dy;
    drawEdge(x, y, cx, cy, "b", "left");
    btplotnodes({cx, dx / 2, cy, dy}, tree->right, eplotter, collapsed);
  }
  // A node always has an element in the trees the program builds; an element-less node stands
  // for nothing that could be drawn.
  if (tree->element) eplotter(pos, *tree->element);
}

}  // namespace kolvar::diagram
