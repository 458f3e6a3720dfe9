#include "graphics/hit_grid.hpp"

#include <algorithm>
#include <cmath>

namespace kolvar::graphics {

namespace {

// No more cells than this across or down.
constexpr int kMostCellsAcross = 256;
// Pixels farther out than this from the figure's corner are never pointed at.
constexpr double kFar = 1e5;

Rect widened(const Rect& r, double by) { return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by}; }

}  // namespace

void HitGrid::build(std::span<const Primitive> items, double slack) {
  built_ = true;
  // The reaches, within what a pointer can point at: an item reaching far off the screen (a face
  // seen from close by) would otherwise stretch the grid into a few huge cells.
  std::vector<Rect> reach;
  reach.reserve(items.size());
  double x0 = kFar, y0 = kFar, x1 = -kFar, y1 = -kFar;
  for (const Primitive& item : items) {
    const Rect w = widened(reachOf(item), slack);
    if (!std::isfinite(w.x) || !std::isfinite(w.y) || !std::isfinite(w.width) || !std::isfinite(w.height)) {
      reach.push_back({0, 0, -1, -1});  // covers nothing: kept out of every cell below
      continue;
    }
    const double left = std::max(w.x, -kFar), top = std::max(w.y, -kFar);
    const double right = std::min(w.x + w.width, kFar), bottom = std::min(w.y + w.height, kFar);
    reach.push_back({left, top, std::max(0.0, right - left), std::max(0.0, bottom - top)});
    x0 = std::min(x0, left), y0 = std::min(y0, top), x1 = std::max(x1, right), y1 = std::max(y1, bottom);
  }
  if (!(x1 > x0 && y1 > y0)) return;
  area_ = {x0, y0, x1 - x0, y1 - y0};
  // Cells about as large as the items: an item then lies in a few cells, and a cell holds about
  // as many items as overlap at a point.
  double sides = 0;
  std::size_t counted = 0;
  for (const Rect& r : reach)
    if (r.width >= 0) {
      sides += std::max(r.width, r.height);
      ++counted;
    }
  cell_ = std::max({1.0, counted ? sides / static_cast<double>(counted) : 1.0, area_.width / kMostCellsAcross,
                    area_.height / kMostCellsAcross});
  columns_ = std::max(1, static_cast<int>(std::ceil(area_.width / cell_)));
  rows_ = std::max(1, static_cast<int>(std::ceil(area_.height / cell_)));
  const auto index = [&](double offset, int count) {
    return static_cast<int>(std::clamp(offset / cell_, 0.0, count - 1.0));
  };
  const auto eachCell = [&](const Rect& r, auto f) {
    if (r.width < 0) return;  // nothing to hold
    const int c0 = index(r.x - area_.x, columns_), c1 = index(r.x + r.width - area_.x, columns_);
    const int r0 = index(r.y - area_.y, rows_), r1 = index(r.y + r.height - area_.y, rows_);
    for (int row = r0; row <= r1; ++row)
      for (int col = c0; col <= c1; ++col) f(static_cast<std::size_t>(row) * columns_ + col);
  };
  // Counted first, then filled: every cell's items in one array, in paint order.
  starts_.assign(static_cast<std::size_t>(columns_) * rows_ + 1, 0);
  for (const Rect& r : reach) eachCell(r, [&](std::size_t c) { ++starts_[c + 1]; });
  for (std::size_t c = 1; c < starts_.size(); ++c) starts_[c] += starts_[c - 1];
  items_.assign(starts_.back(), 0);
  std::vector<std::uint32_t> filled(starts_.begin(), starts_.end() - 1);
  for (std::uint32_t i = 0; i < reach.size(); ++i) eachCell(reach[i], [&](std::size_t c) { items_[filled[c]++] = i; });
}

std::span<const std::uint32_t> HitGrid::near(std::span<const Primitive> items, Point p, double slack) {
  if (!built_) build(items, slack);
  if (columns_ == 0 || !area_.contains(p)) return {};
  const int col = std::min(static_cast<int>((p.x - area_.x) / cell_), columns_ - 1);
  const int row = std::min(static_cast<int>((p.y - area_.y) / cell_), rows_ - 1);
  const std::size_t c = static_cast<std::size_t>(row) * columns_ + col;
  return std::span<const std::uint32_t>(items_).subspan(starts_[c], starts_[c + 1] - starts_[c]);
}

}  // namespace kolvar::graphics
