#pragma once
// Axes geometry and drawing: what the model computes from an axes' limits, view and place in
// its figure. Pixels are figure client pixels from the top-left corner.
#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"

namespace kolvar::graphics {

inline constexpr double kDefault3dAzimuth = -37.5;
inline constexpr double kDefault3dElevation = 30;
inline constexpr double kDefault2dAzimuth = 0;
inline constexpr double kDefault2dElevation = 90;

// The figure's client size in pixels, from its "Position".
Rect figurePixelRect(Handle fig);
// Where an axes or a control lies in its figure, in pixels, from its "Position" and "Units".
Rect objectPixelRect(Handle h);

// The line of sight through pixel (px, py) of axes `ax`: a 2x3 matrix, near point then far
// point, in data units, clipped to the limits box; where the line misses the box, its points on
// the planes through the box's nearest and farthest corners.
Matrix currentPointAt(Handle ax, double px, double py);

// A text object's extent [left bottom width height] in the data units of its axes.
Matrix textExtent(Handle textObject);

// The figure as a display list (axes and what they hold; controls are widgets of the backend).
DisplayList renderFigure(Handle fig);
// Only one axes, in figure pixels.
DisplayList renderAxes(Handle ax);

// hitTest on a display list of `fig` already made (a window keeps one for its cursor).
Handle hitTest(Handle fig, const DisplayList& list, double x, double y);

}  // namespace kolvar::graphics
