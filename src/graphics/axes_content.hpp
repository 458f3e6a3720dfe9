#pragma once
// Reading an axes' content: its children as faces, segments, markers and texts in box space, with
// the looks drawing needs (render_cache.hpp holds the content's types).
#include <cmath>
#include <vector>

#include "graphics/camera.hpp"
#include "graphics/render_cache.hpp"

namespace kolvar::graphics {

inline bool finitePoint(Vec3 p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Whether a box-space point lies in the axes' box (a hair's breadth beyond counts as in).
inline bool insideBox(Vec3 b) {
  constexpr double kHalf = 0.5 + 1e-9;
  return std::abs(b.x) <= kHalf && std::abs(b.y) <= kHalf && std::abs(b.z) <= kHalf;
}

// The content of the axes whose children are `children`, seen by `cam`.
AxesContent readAxesContent(const std::vector<Handle>& children, const Camera& cam);

}  // namespace kolvar::graphics
