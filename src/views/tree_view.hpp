#pragma once
// The tree view at any size: where it looks (pan, zoom, fit) and what it folds (long waiting
// lists, collapsed subtrees), and its drawing. Positions scale with the view while texts keep
// their size, so captions stay legible at any zoom; what would be too small to read is drawn
// as dots, and what lies outside the view is not drawn at all.
#include <array>
#include <optional>
#include <vector>

#include "diagram/tree_layout.hpp"
#include "graphics/geometry.hpp"
#include "views/views.hpp"

namespace kolvar::views {

// The part of the layout the tree view shows: its limits, in the layout's units.
struct TreeWindow {
  double x0 = -20, x1 = 20, y0 = -10, y1 = 10;
  bool operator==(const TreeWindow&) const = default;
};

// What the student did to the tree view. Folds name polygons, so they follow the tree through
// undo and redo and lapse by themselves when the tree no longer holds their polygon.
struct TreeView {
  // Where the view looks, for the layout kind it was set in; none: the layout's own default
  // (the axes' limits for the classic layout, the whole tree for the compact one).
  std::optional<TreeWindow> window;
  diagram::LayoutKind kind = diagram::LayoutKind::Spread;
  std::vector<bsp::PolygonRef> collapsed;  // placed nodes whose subtrees are folded away
  std::vector<bsp::PolygonRef> unfolded;   // long waiting lists shown whole, by their first polygon

  bool isCollapsed(const bsp::Polygon* node) const;
  bool isUnfolded(const bsp::Polygon* first) const;
};

// What a fold marker of the tree view toggles, carried as its "UserData": the waiting list whose
// first polygon is `polygon`, or the subtree of the node whose splitter it is.
struct FoldMarker {
  bsp::PolygonRef polygon;
  bool list = false;
};

// The tree axes' plot box in figure pixels: where its limits fall (a flat view fills it).
graphics::Rect treePlotBox(Handle treeAxes);
// The limits the classic layout fills: the tree view's limits of the set-up.
diagram::Frame treeFrame(const AxesSetup& setup);
// The layout of `root` with the folds of `view`.
diagram::TreeLayout treeLayout(const bsp::NodeRef& root, const AxesSetup& setup, const TreeView& view);
// Where the view looks now: its window if it was set for this kind of layout, else the default.
TreeWindow shownWindow(const TreeView& view, const diagram::TreeLayout& layout, const diagram::Frame& frame,
                       const graphics::Rect& pixels);
// The window that shows the whole layout filling `pixels`, with room for the captions and the
// waiting lists (whose items keep their size in pixels).
TreeWindow fitWindow(const diagram::TreeLayout& layout, const diagram::Frame& frame, const graphics::Rect& pixels,
                     const TreeView* view = nullptr);
// The size, in pixels, of a plot box in which the whole layout, fitted, shows every caption, and
// at least the size of `pixels`: a compact layout's nodes are dots where a slot is narrower than
// its caption. At most kLargestPicture a side, beyond which the widest trees show dots after all.
inline constexpr double kLargestPicture = 16384;
std::array<double, 2> legibleSize(const diagram::TreeLayout& layout, const graphics::Rect& pixels,
                                  const TreeView* view = nullptr);
// Zoom by `factor` (above 1: closer) about the figure pixel `at`, which keeps showing the same
// point of the layout. Each direction stops at its own limits: from half the scale of the whole
// tree to the scale at which the deepest spread of a small tree, or a slot of a large one, is
// comfortably legible.
TreeWindow zoomWindow(const TreeWindow& w, const diagram::TreeLayout& layout, const diagram::Frame& frame,
                      const TreeView& view, const graphics::Rect& pixels, graphics::Point at, double factor);
// Move the view by a drag of (dx, dy) pixels (y downwards): the layout follows the pointer. The
// centre stays over the layout.
TreeWindow panWindow(const TreeWindow& w, const diagram::TreeLayout& layout, const TreeView& view,
                     const graphics::Rect& pixels, double dx, double dy);

// Clears and draws the tree view (picture.axes[2]) from `picture`; the view and its folds come
// from picture.treeView (none: the default view, nothing folded).
void drawTreeView(const Picture& picture);

}  // namespace kolvar::views
