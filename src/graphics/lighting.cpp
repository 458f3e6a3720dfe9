#include "graphics/lighting.hpp"

#include <algorithm>
#include <cmath>

namespace kolvar::graphics {

Rgb litColor(Rgb base, Vec3 normal, Vec3 towardViewer, const std::vector<Light>& lights,
             const Material& m) {
  if (lights.empty()) return base;
  Vec3 n = normalized(normal);
  Vec3 v = normalized(towardViewer);
  if (dot(n, v) < 0) n = -n;  // the viewer sees the other side: shade that one
  double r = m.ambient * base.r, g = m.ambient * base.g, b = m.ambient * base.b;
  for (const Light& light : lights) {
    Vec3 l = normalized(light.direction);
    const double facing = dot(n, l);
    const double diffuse = std::fabs(facing);
    double spec = 0;
    if (facing > 0) {
      Vec3 reflected = 2 * facing * n - l;
      spec = m.specular * std::pow(std::max(0.0, dot(reflected, v)), m.exponent);
    }
    r += (m.diffuse * diffuse * base.r + spec) * light.color.r;
    g += (m.diffuse * diffuse * base.g + spec) * light.color.g;
    b += (m.diffuse * diffuse * base.b + spec) * light.color.b;
  }
  auto clamp = [](double c) { return std::clamp(c, 0.0, 1.0); };
  return {clamp(r), clamp(g), clamp(b), base.a};
}

}  // namespace kolvar::graphics
