#pragma once
// Axes geometry: what the model computes from an axes' limits, view and place in its figure, and
// from a text object's anchor and font. Pixels are figure client pixels from the top-left
// corner. Used by the drawing (render.cpp, axes_decoration.cpp), the events (hit tests, the
// current point, the rotation mode) and the properties computed when read ("Extent").
#include "graphics/camera.hpp"
#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"
#include "graphics/text_extent.hpp"

namespace kolvar::graphics {

inline constexpr double kDefault3dAzimuth = -37.5;
inline constexpr double kDefault3dElevation = 30;
inline constexpr double kDefault2dAzimuth = 0;
inline constexpr double kDefault2dElevation = 90;

// The figure's client size in pixels, from its "Position".
Rect figurePixelRect(Handle fig);
// Where an axes or a control lies in its figure, in pixels, from its "Position" and "Units".
Rect objectPixelRect(Handle h);

// The camera of an axes from its limits, "View" and pixel rectangle.
Camera axesCamera(Handle ax);

// The line of sight through pixel (px, py) of axes `ax`: a 2x3 matrix, near point then far
// point, in data units, clipped to the limits box; where the line misses the box, its points on
// the planes through the box's nearest and farthest corners.
Matrix currentPointAt(Handle ax, double px, double py);

// A text object's font, alignment and margin, and its anchor point in data units.
TextStyle textStyleOf(Handle textObject);
Vec3 textPosition(Handle textObject);
// A text object's extent [left bottom width height] in the data units of its axes.
Matrix textExtent(Handle textObject);

}  // namespace kolvar::graphics
