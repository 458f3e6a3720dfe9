#pragma once
// The colours of the views. Every polygon of a scene has its own hue, chosen from a palette that
// stays apart in print and for the common kinds of colour blindness; the pieces a split makes of
// it keep that hue with their own lightness, so that 5a and 5b read as parts of 5.
#include <array>
#include <string>

#include "bsp/polygon.hpp"

namespace kolvar::views {

using Rgb = std::array<double, 3>;

// The colour of the polygon labelled `label` in a scene whose polygons are `scene`: the hue of
// the scene polygon it was cut from (the one whose label, followed by only the letters a and b,
// gives `label`), lighter or darker by the letters. A label no scene polygon explains gets a
// neutral blue.
Rgb pieceColour(const std::string& label, const bsp::PolygonList& scene);

// `c` mixed with white by `t` (0: itself, 1: white).
Rgb lighter(const Rgb& c, double t);

// The colours of sides: what lies in front of a plane, behind it, and what it cuts.
inline constexpr Rgb kFrontColour{0.0, 0.62, 0.45};
inline constexpr Rgb kBackColour{0.80, 0.40, 0.0};
inline constexpr Rgb kSplitColour{0.80, 0.0, 0.45};
// Highlights: the polygon under the pointer or selected, and the planes of the partition.
inline constexpr Rgb kHighlightColour{1.0, 0.78, 0.0};
inline constexpr Rgb kPlaneColour{0.35, 0.35, 0.45};

}  // namespace kolvar::views
