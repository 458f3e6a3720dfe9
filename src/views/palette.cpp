#include "views/palette.hpp"

#include <algorithm>

namespace kolvar::views {

namespace {

constexpr std::array<Rgb, 8> kHues{{
    {0.0, 0.45, 0.7},    // blue
    {0.9, 0.62, 0.0},    // orange
    {0.0, 0.62, 0.45},   // green
    {0.8, 0.47, 0.65},   // pink
    {0.35, 0.7, 0.9},    // sky
    {0.84, 0.37, 0.0},   // vermilion
    {0.55, 0.5, 0.2},    // olive
    {0.5, 0.5, 0.55},    // grey
}};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
  return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

}  // namespace

Rgb lighter(const Rgb& c, double t) { return mix(c, {1, 1, 1}, std::clamp(t, 0.0, 1.0)); }

Rgb pieceColour(const std::string& label, const bsp::PolygonList& scene) {
  // The original is the scene polygon with the longest label that the piece's label extends by
  // split letters only.
  std::size_t best = scene.size(), bestLength = 0;
  for (std::size_t i = 0; i < scene.size(); ++i) {
    const std::string& own = scene[i]->label;
    if (own.size() > label.size() || label.compare(0, own.size(), own) != 0) continue;
    if (!std::all_of(label.begin() + static_cast<std::ptrdiff_t>(own.size()), label.end(),
                     [](char c) { return c == 'a' || c == 'b'; }))
      continue;
    if (best == scene.size() || own.size() >= bestLength) {
      best = i;
      bestLength = own.size();
    }
  }
  if (best == scene.size()) return {0.6, 0.6, 0.6};
  // Each split letter moves the lightness half as far as the one before: "a" darker, "b"
  // lighter, so that all pieces of one polygon differ.
  double shift = 0, step = 0.36;
  for (std::size_t k = bestLength; k < label.size(); ++k, step /= 2) shift += label[k] == 'a' ? -step : step;
  const Rgb& hue = kHues[best % kHues.size()];
  return shift >= 0 ? mix(hue, {1, 1, 1}, shift) : mix(hue, {0, 0, 0}, -shift * 0.8);
}

}  // namespace kolvar::views
