#pragma once
// Where every node of the tree view stands, computed once per drawing, without graphics: the
// drawing, "fit" and the culling of what lies outside the view all read it.
//
// Small trees keep the diagram's classic spread (btplotnodes: the spread halves at every level,
// inside the axes' base limits). That layout cannot hold a tree of thousands of nodes, whose
// deep levels would all fall on one spot, so larger trees are laid out compactly instead: every
// leaf, every waiting list and every folded subtree takes one slot of width 1, a node stands on
// the border between its front and its back side, and each level is 1 lower than the last.
// Nothing ever overlaps there, and the whole costs O(n).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "bsp/tree.hpp"
#include "diagram/tree_diagram.hpp"

namespace kolvar::diagram {

// A waiting list of more than kFoldAbove polygons shows only its first kFoldShown and one
// "+ N more" item, until it is unfolded. The preset scenes never have such a list.
inline constexpr std::size_t kFoldAbove = 10;
inline constexpr std::size_t kFoldShown = 8;
// A tree with more places than this (nodes, and waiting lists that stand where a child would)
// is laid out compactly. The preset scenes never come near it, so they keep their classic look.
inline constexpr std::size_t kSpreadPlaces = 48;
// So is one of more than kCrowdedPlaces places that reaches kCrowdedDepth levels below its
// root: the classic spread halves at each level, and there neighbours stand a sixty-fourth of
// the frame apart, closer than their captions are wide. (The presets have at most a score of
// places.)
inline constexpr std::size_t kCrowdedPlaces = 24;
inline constexpr std::size_t kCrowdedDepth = 5;

enum class LayoutKind { Spread, Compact };

// The axes' limits the classic layout fills: [x0 x1] across, [y0 y1] up.
struct Frame {
  double x0 = -20, x1 = 20, y0 = -10, y1 = 10;
};

struct LaidNode {
  const bsp::BspNode* node = nullptr;  // in the tree laid out, which must outlive the layout
  std::int32_t parent = -1;  // position of the parent in TreeLayout::nodes, -1 for the root
  std::size_t depth = 0;     // 0 for the root
  double x = 0, y = 0;       // where its caption stands
  double frontX = 0, backX = 0, childY = 0;  // where its front and back child (or list) stand
  double spread = 0;         // dx of the classic layout (0 in the compact one)
  bool collapsed = false;    // its subtree is folded into one marker
  std::size_t below = 0;     // nodes under it (all of them, shown or not)
};

struct TreeLayout {
  LayoutKind kind = LayoutKind::Spread;
  std::vector<LaidNode> nodes;  // the nodes shown, parents before children (pre-order)
  std::size_t places = 0;       // nodes and waiting lists of the whole tree
  // The box around every node and every list anchor shown; empty (x0 > x1) for an empty tree.
  double x0 = 0, x1 = -1, y0 = 0, y1 = -1;
  bool empty() const { return x0 > x1; }
};

// Whether a node's subtree is folded away (asked only of nodes that have children).
using Collapsed = std::function<bool(const bsp::BspNode&)>;

// Lays out `tree`: the classic spread inside `frame` for trees of at most kSpreadPlaces places
// that are not crowded (see above), else the compact layout (slots of width 1, levels 1 apart, the root at y = 0). The subtrees of
// collapsed nodes are left out. Iterative, so a tree of any depth is safe.
TreeLayout layoutTree(const bsp::NodeRef& tree, const Frame& frame, const Collapsed& collapsed = {});

// Whether a waiting list of `size` polygons shows folded unless unfolded.
inline bool foldable(std::size_t size) { return size > kFoldAbove; }

// The classic walk of btplotnodes, except that the subtrees of collapsed nodes are not drawn (the
// node itself is, with its plotter call). Without `collapsed` it is btplotnodes.
void btplotnodes(const NodePos& pos, const bsp::NodeRef& tree, const ElementPlotter& eplotter,
                 const Collapsed& collapsed);

// The classic root position for `frame`: [x dx y dy] as btplottree computes it from the limits.
NodePos rootPosition(const Frame& frame);

}  // namespace kolvar::diagram
