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

namespace {

// The colour of `label`, a piece of the polygon at `place` whose own label is `length` long.
Rgb shaded(const std::string& label, std::size_t place, std::size_t length) {
  // Each split letter moves the lightness half as far as the one before: "a" darker, "b"
  // lighter, so that all pieces of one polygon differ.
  double shift = 0, step = 0.36;
  for (std::size_t k = length; k < label.size(); ++k, step /= 2) shift += label[k] == 'a' ? -step : step;
  const Rgb& hue = kHues[place % kHues.size()];
  return shift >= 0 ? mix(hue, {1, 1, 1}, shift) : mix(hue, {0, 0, 0}, -shift * 0.8);
}

constexpr Rgb kNoPolygon{0.6, 0.6, 0.6};

}  // namespace

Rgb pieceColour(const std::string& label, const bsp::PolygonList& scene) { return PieceColours(scene)(label); }

PieceColours::PieceColours(const bsp::PolygonList& scene) : scene_(scene) {
  index_.reserve(scene_.size());
  for (std::size_t i = 0; i < scene_.size(); ++i) index_[scene_[i]->label] = i;
}

Rgb PieceColours::operator()(const std::string& label) const {
  // The original is the scene polygon with the longest label that the piece's label extends by
  // split letters only: try the label, then without its last letter while that is a or b.
  for (std::size_t length = label.size();; --length) {
    if (auto it = index_.find(std::string_view(label).substr(0, length)); it != index_.end())
      return shaded(label, it->second, length);
    if (length == 0 || (label[length - 1] != 'a' && label[length - 1] != 'b')) return kNoPolygon;
  }
}

}  // namespace kolvar::views
