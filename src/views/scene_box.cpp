#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "views/views.hpp"

namespace kolvar::views {

namespace {

// The tidy step for a side of length `extent`: 1, 2 or 5 times a power of ten giving four to
// eight steps.
double tidyStep(double extent) {
  const double rough = extent / 5;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= rough) return m * power;
  return 10 * power;
}

}  // namespace

AxesSetup setupAround(const bsp::PolygonList& scene, const AxesSetup& base) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  bsp::Vec3 lo{inf, inf, inf}, hi{-inf, -inf, -inf};
  for (const auto& p : scene)
    for (const bsp::Vec3& v : p->points)
      for (int k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], v[k]);
        hi[k] = std::max(hi[k], v[k]);
      }
  if (!(lo.x <= hi.x)) return base;
  double extent = 0, magnitude = 0;
  for (int k = 0; k < 3; ++k) {
    extent = std::max(extent, hi[k] - lo[k]);
    magnitude = std::max({magnitude, std::abs(lo[k]), std::abs(hi[k])});
  }
  // A scene with no extent (one point) still gets a box: a unit one, or one scaled to where it is.
  if (!(extent > magnitude * 1e-12)) extent = magnitude > 0 ? magnitude * 1e-3 : 1;
  for (int k = 0; k < 3; ++k) {
    lo[k] -= extent / 20;
    hi[k] += extent / 20;
  }
  extent *= 1.1;
  const double step = tidyStep(extent);
  // Each side rounded outward to the step; then the shorter sides grow by whole steps, half on
  // each end, until every side spans as many steps as the longest: the cube.
  Limits lim{};
  std::array<long long, 3> count{};
  long long steps = 1;
  for (int k = 0; k < 3; ++k) {
    const double a = std::floor(lo[k] / step), b = std::ceil(hi[k] / step);
    lim[2 * k] = a;  // in steps, for now
    count[k] = std::max(1LL, std::llround(b - a));
    steps = std::max(steps, count[k]);
  }
  std::array<double, 3> first{};  // each side's lower end, in steps
  for (int k = 0; k < 3; ++k) {
    const long long below = (steps - count[k]) / 2;
    first[k] = lim[2 * k] - static_cast<double>(below);
    lim[2 * k] = first[k] * step;
    lim[2 * k + 1] = (first[k] + static_cast<double>(steps)) * step;
  }
  AxesSetup s = base;
  for (std::size_t i = 0; i < 2; ++i) {
    s.limits[i] = lim;
    for (std::size_t k = 0; k < 3; ++k) {
      std::vector<double> ticks;
      for (long long t = 0; t <= steps; ++t) ticks.push_back((first[k] + static_cast<double>(t)) * step);
      s.ticks[i][k] = std::move(ticks);
    }
  }
  bool originInside = true;
  for (std::size_t k = 0; k < 3; ++k) originInside = originInside && lim[2 * k] <= 0 && 0 <= lim[2 * k + 1];
  const bsp::Vec3 o = originInside ? bsp::Vec3{0, 0, 0} : bsp::Vec3{lim[0], lim[2], lim[4]};
  s.unit = static_cast<double>(steps) * step / 8;
  s.frame = {o, o + bsp::Vec3{step, 0, 0}, o + bsp::Vec3{0, step, 0}, o + bsp::Vec3{0, 0, step}};
  return s;
}

}  // namespace kolvar::views
