#pragma once
// Drawing an axes into a display list, with what can be kept between frames. The plain forms
// (renderFigure, renderAxes in geometry.hpp) build everything afresh; a window that redraws
// while the user turns the view keeps a RenderCache, so that the depth order of its faces, which
// depends only on their geometry, is built once and only walked for each new view.
#include <map>
#include <optional>
#include <vector>

#include "graphics/camera.hpp"
#include "graphics/depth_order.hpp"
#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"
#include "graphics/text_extent.hpp"

namespace kolvar::graphics {

struct RenderCache {
  struct Entry {
    std::vector<DepthFace> faces;
    std::vector<DepthSegment> segments;
    DepthTree tree;
    bool built = false;
  };
  std::map<Handle, Entry> axes;  // by axes handle; entries of deleted axes are dropped (keep one
                                 // cache per figure)
  int builds = 0;                // how many depth trees were built (a measure for tests)
};

DisplayList renderFigure(Handle fig, RenderCache& cache);
DisplayList renderAxes(Handle ax, RenderCache& cache);

// The camera of an axes from its limits, "View" and pixel rectangle.
Camera axesCamera(Handle ax);

// A text object's font, alignment and margin, and its anchor point in data units.
TextStyle textStyleOf(Handle textObject);
Vec3 textPosition(Handle textObject);

// A stored colour property as a colour: [r g b]; nothing for "none", "auto", "flat", "interp"
// and anything else that is not three numbers.
std::optional<Rgb> colorOf(const Value& v);

}  // namespace kolvar::graphics
