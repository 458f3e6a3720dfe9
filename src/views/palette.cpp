#include "views/palette.hpp"

#include <algorithm>

namespace kolvar::views {

namespace {

// Hues that stay distinct on screen, on paper and for most colour-blind readers, dark enough that
// labels on white stay readable next to them.
constexpr std::array<Rgb, 8> kHues{{
    {0.0, 0.45, 0.70},   // blue
    {0.90, 0.62, 0.0},   // orange
    {0.0, 0.62, 0.45},   // bluish green
    {0.80, 0.47, 0.65},  // reddish purple
    {0.34, 0.71, 0.91},  // sky blue
    {0.84, 0.37, 0.0},   // vermilion
    {0.60, 0.60, 0.20},  // olive
    {0.45, 0.35, 0.70},  // violet
}};

constexpr Rgb kUnknown{0.5, 0.5, 0.9};

// The letters after `base` in `label`, if `label` is `base` followed by a's and b's only.
bool pieceOf(const std::string& label, const std::string& base, std::string& letters) {
  if (label.size() < base.size() || label.compare(0, base.size(), base) != 0) return false;
  letters = label.substr(base.size());
  return std::all_of(letters.begin(), letters.end(), [](char c) { return c == 'a' || c == 'b'; });
}

}  // namespace

Rgb lighter(const Rgb& c, double t) {
  return {c[0] + t * (1 - c[0]), c[1] + t * (1 - c[1]), c[2] + t * (1 - c[2])};
}

Rgb pieceColour(const std::string& label, const bsp::PolygonList& scene) {
  // The longest scene label that explains this one: "12" rather than "1" for "12a".
  std::size_t best = scene.size();
  std::string letters;
  for (std::size_t i = 0; i < scene.size(); ++i) {
    std::string rest;
    if (pieceOf(label, scene[i]->label, rest) && (best == scene.size() || scene[i]->label.size() > scene[best]->label.size())) {
      best = i;
      letters = rest;
    }
  }
  if (best == scene.size()) return kUnknown;
  // Every split moves a piece towards white, the letters read as the digits 1 (a) and 2 (b) of a
  // number in base 3: pieces of one polygon never share a lightness, and none gets past half way
  // to white.
  double t = 0, place = 1.0 / 3;
  for (char c : letters) {
    t += (c == 'a' ? 1 : 2) * place;
    place /= 3;
  }
  t *= 0.5;
  return lighter(kHues[best % kHues.size()], t);
}

}  // namespace kolvar::views
