#pragma once
// Node expansion: what one click on a waiting polygon does to the tree, and the placeholder
// root a scene starts from.
#include <cstddef>

#include "bsp/tree.hpp"

namespace kolvar::bsp {

// The new node for choosing polyList[index] (0-based) as splitter: every other polygon of the
// list, in list order, is filed in front of the splitter's plane (or on it) or behind it, and
// one that straddles the plane is split, its front piece filed in front and its back piece
// behind (a null piece is dropped). A side with one polygon becomes a leaf at once; a side with
// two or more keeps them as a waiting list; an empty side stays empty. An index outside the list
// raises the runtime's index error.
NodeRef expandNode(const PolygonList& polyList, std::size_t index);

// The placeholder root of a fresh tree: no polygon, the whole scene waiting on its front side,
// no children.
NodeRef freshRoot(const PolygonList& scene);

}  // namespace kolvar::bsp
