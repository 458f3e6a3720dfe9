#pragma once
// What drawing keeps of a figure from one frame to the next. The session holds one per figure
// (model.hpp); render.cpp makes and reads it; the model's change notifications mark it out of
// date. Nothing else touches it.
#include <map>
#include <vector>

#include "graphics/depth_order.hpp"
#include "graphics/display_list.hpp"

namespace kolvar::graphics {

// The depth order of each axes' faces and segments. It depends only on their geometry in box
// space, not on the view, so while the user turns an axes its tree is only walked again.
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

struct FigureDrawing {
  DisplayList list;
  RenderCache cache;
  bool current = false;  // `list` shows the figure as the model holds it now
  long builds = 0;       // how many times `list` was made
};

}  // namespace kolvar::graphics
