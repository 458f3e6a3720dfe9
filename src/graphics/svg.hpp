#pragma once
// A display list as an SVG drawing: faces, lines and markers as vector shapes, texts as text, so
// that a view exported this way scales without loss and its labels can still be searched and
// edited. The model's own list is written, so no window system is needed.
#include <string>

#include "graphics/display_list.hpp"

namespace kolvar::graphics {

// The part `area` of `list` (figure pixels) as a standalone SVG document of that size.
std::string svgDocument(const DisplayList& list, const Rect& area);

}  // namespace kolvar::graphics
