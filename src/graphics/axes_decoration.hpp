#pragma once
// An axes' own drawing: background, grid, box, axis lines, tick marks and tick labels. Only
// render.cpp uses it, to put an axes' decoration under what the axes holds.
#include <vector>

#include "graphics/camera.hpp"
#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"

namespace kolvar::graphics {

// Appends the decoration of `ax` seen through `cam` to `out`: the background first, the tick
// labels last, so that nothing of the decoration hides a label.
void drawAxesDecoration(Handle ax, const Camera& cam, std::vector<Primitive>& out);

}  // namespace kolvar::graphics
