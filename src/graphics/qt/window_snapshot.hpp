#pragma once
// A picture of a whole figure window, axes and controls, painted without a screen.
#include <QImage>
#include <string>

#include "graphics/graphics.hpp"

namespace kolvar::graphics {

class QtBackend;

// The figure's client area (what the figure's "Position" covers), `scale` device pixels per
// pixel. Works for hidden figures too. Raises for a figure that has no window.
QImage windowImage(QtBackend& backend, Handle fig, double scale = 1);

// Write windowImage(...) as a PNG file; raises with the file's name when it cannot be written.
void writeWindowSnapshot(QtBackend& backend, Handle fig, const std::string& path, double scale = 1);

}  // namespace kolvar::graphics
