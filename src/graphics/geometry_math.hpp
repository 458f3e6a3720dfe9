#pragma once
// The vector arithmetic of the camera, the depth order and the lighting: the geometry kernel's,
// under the names the graphics code has always used.
#include "geometry/vec3.hpp"

namespace kolvar::graphics {

using Vec3 = geometry::Vec3;
using geometry::cross;
using geometry::dot;
using geometry::lerp;
using geometry::norm;
using geometry::normalized;

}  // namespace kolvar::graphics
