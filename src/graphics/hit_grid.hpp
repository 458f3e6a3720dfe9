#pragma once
// Where the items of one axes' span lie on the screen, bucketed in a coarse grid, so that a hit
// test in a view of a hundred thousand faces (the pointer moving over a large scene asks what is
// under it at every move) looks at the few dozen items near the point instead of at all of them.
// Made when first asked, and kept with the axes' run for as long as the run's items lie where
// they lay.
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/display_list.hpp"

namespace kolvar::graphics {

class HitGrid {
 public:
  // Spans of fewer items are looked through one by one: their grid would cost more than it saves.
  static constexpr std::size_t kFewest = 2048;

  // The positions in `items` (the span's items, the same each time it is asked) of those whose
  // reach, widened by `slack`, holds `p`, in paint order. Whatever lies nearer than `slack`
  // beyond an item's reach cannot count as on it.
  std::span<const std::uint32_t> near(std::span<const Primitive> items, Point p, double slack);

 private:
  void build(std::span<const Primitive> items, double slack);

  bool built_ = false;
  Rect area_;        // what the grid covers: the union of the widened reaches
  double cell_ = 1;  // a cell's side in pixels
  int columns_ = 0;
  int rows_ = 0;
  std::vector<std::uint32_t> starts_;  // cell c's items are items_[starts_[c], starts_[c + 1])
  std::vector<std::uint32_t> items_;
};

}  // namespace kolvar::graphics
