#pragma once
// The program's colours. Each polygon of a scene has its own hue, picked from a palette whose
// colours stay apart when printed in grey or seen with the common colour-vision deficiencies;
// the pieces split from it keep that hue in other lightnesses ("5a" darker, "5b" lighter), so
// they read as parts of 5. The teaching layers have colours of their own.
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

#include "bsp/bsp.hpp"

namespace kolvar::views {

using Rgb = std::array<double, 3>;

inline constexpr Rgb kHighlightColour{0.95, 0.6, 0.0};  // what the student points at or chose
inline constexpr Rgb kPlaneColour{0.4, 0.45, 0.6};      // splitting planes
inline constexpr Rgb kFrontColour{0.0, 0.55, 0.4};      // filed in front of a plane
inline constexpr Rgb kBackColour{0.75, 0.25, 0.45};     // filed behind it
inline constexpr Rgb kSplitColour{0.45, 0.3, 0.8};      // straddles it: would be split
inline constexpr Rgb kCellColour{0.15, 0.4, 0.85};       // the selected node's cell
inline constexpr Rgb kScannerCellColour{0.85, 0.3, 0.3}; // the leaf region the scanner is in

// `c` mixed with white by `t` (0: `c`, 1: white).
Rgb lighter(const Rgb& c, double t);
// The colour of a polygon or piece labelled `label` of `scene`: its original polygon's hue, in
// a lightness set by the letters its splits added. Labels that belong to no polygon of the scene
// are grey.
Rgb pieceColour(const std::string& label, const bsp::PolygonList& scene);

// The same for many pieces of one scene: made once per drawing, each colour then costs the
// length of its label rather than the size of the scene.
class PieceColours {
 public:
  explicit PieceColours(const bsp::PolygonList& scene);
  Rgb operator()(const std::string& label) const;

 private:
  std::unordered_map<std::string_view, std::size_t> index_;  // label -> its polygon's place (the
                                                             // last of equal labels)
  bsp::PolygonList scene_;                                   // keeps the labels alive
};

}  // namespace kolvar::views
