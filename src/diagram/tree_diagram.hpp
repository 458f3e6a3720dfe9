#pragma once
// The tree view's layout: the root near the top centre, each node's front child below it to the
// left and its back child below it to the right, every edge a blue line with a small "f" or "b"
// at its middle. Positions follow from depth and path alone, inside the current axes' limits;
// what stands at each node is drawn by the element plotter passed in.
#include <array>
#include <functional>

#include "bsp/bsp.hpp"

namespace kolvar::diagram {

// [x dx y dy]: the node's place, its horizontal spread (children stand dx/2 to each side and get
// dx/2 as their own), and the vertical step to the next level.
using NodePos = std::array<double, 4>;
using ElementPlotter = std::function<void(const NodePos& pos, const bsp::BspElement& element)>;

// Lay out `tree` in the current axes: the root at the horizontal centre, one tenth of the height
// below the top, with half the width as its spread. An empty tree draws nothing.
void btplottree(const bsp::NodeRef& tree, const ElementPlotter& eplotter);

// Draw the edges to the children of `tree` at `pos`, recurse into them, then call the plotter
// for the node itself, so a node's mark lies on top of everything below it.
void btplotnodes(const NodePos& pos, const bsp::NodeRef& tree, const ElementPlotter& eplotter);

}  // namespace kolvar::diagram
