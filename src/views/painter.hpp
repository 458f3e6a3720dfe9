#pragma once
// The painter's order step by step: what the views add while the student steps through the
// far-to-near walk.
#include "views/views.hpp"

namespace kolvar::views {

// The partition view (the current axes) while stepping: the polygons of the walk from the first
// to the visited one, in the order a painter draws them, the visited one outlined. Returns the
// visited one's place in the walk, counted from 1 (0 when it is not in the walk).
std::size_t drawPainted(const Picture& picture);

// The tree view's mark on the visited node at `pos`: its caption highlighted and a note of the
// scanner's side, which says which side is drawn first.
void markVisited(const diagram::NodePos& pos, const bsp::BspElement& element, const bsp::Vec3& scanner);

}  // namespace kolvar::views
