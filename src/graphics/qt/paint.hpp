#pragma once
// The one painting routine of the program: a display list onto any paint device (a window, an
// image, a printer, a PDF or SVG file). Coordinates are figure pixels; a device of another
// resolution gets a transform on the painter first, and everything, text included, scales with
// it, because fonts are sized in those pixels too.
#include <QFont>
#include <QPainter>
#include <QRegion>
#include <string_view>

#include "graphics/display_list.hpp"

namespace kolvar::graphics {

// Figure pixels per point (the program works at 96 pixels per inch).
inline constexpr double kPixelsPerPoint = 96.0 / 72.0;

// The font for a text of `sizePoints` in family `name` (a common sans-serif when the family is
// not installed), sized in pixels so that it measures the same on every device.
QFont fontFor(std::string_view name, double sizePoints);

// Paint `list` antialiased: its background over [0, width] x [0, height], then its items in
// order. The painter's state is left as it was found. With `only`, just the part of the list
// within that region: items that lie wholly outside it are passed over (a window repainting the
// axes that changed need not lay out the texts of another).
void paintDisplayList(QPainter& painter, const DisplayList& list, const QRegion* only = nullptr);

}  // namespace kolvar::graphics
