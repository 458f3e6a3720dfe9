#pragma once
// Shading of flat faces by infinite lights: ambient, diffuse and a soft specular highlight.
#include <vector>

#include "graphics/display_list.hpp"
#include "graphics/geometry_math.hpp"

namespace kolvar::graphics {

struct Light {
  Vec3 direction;  // towards the light (unit or not; it is normalised here)
  Rgb color{1, 1, 1};
};

// Bright enough that a face turned away from the light still reads as its own colour: in a
// teaching view every face must stay legible, so shading only tells the orientations apart.
struct Material {
  double ambient = 0.5;
  double diffuse = 0.5;
  double specular = 0.3;
  double exponent = 10;
};

// The colour of a face of colour `base` with normal `normal` seen from `towardViewer` under
// `lights`. Faces are lit on both sides: the side turned to the viewer is the one shaded. With no
// lights the face keeps its own colour (nothing to shade with). Channels are clamped to 0..1.
Rgb litColor(Rgb base, Vec3 normal, Vec3 towardViewer, const std::vector<Light>& lights,
             const Material& material = {});

}  // namespace kolvar::graphics
