#pragma once
// The partition view's teaching layers: the splitting planes within their cells, the polygons
// still waiting, a cell, and the preview of a splitter under the pointer. Everything is drawn
// into the current axes, ignores clicks, and is translucent where it stands in front of the
// placed polygons.
#include <string>

#include "bsp/bsp.hpp"
#include "geometry/cell.hpp"
#include "views/palette.hpp"
#include "views/views.hpp"

namespace kolvar::views {

// What choosing a waiting polygon would do: the polygon, its list, and the outcome.
struct Preview {
  const bsp::Polygon* splitter = nullptr;
  bsp::PolygonList list;
  bsp::Preview outcome;
};

// The planes drawn of a large tree: those of the nodes nearest the root.
inline constexpr std::size_t kMostPlanes = 256;

// Every placed node's plane as a translucent sheet (of a large tree, the kMostPlanes nearest
// the root): the section of the plane through the node's cell, the scene's box (`limits`) cut
// by the half-spaces above the node. The plane of `highlighted` stands out; that of `selected`
// shows always. (A plane deeper in a large tree is not added just for being pointed at: the
// pointer passes over thousands of pieces, and each sheet added makes the view's depth order be
// built again.)
void drawPlanes(const bsp::NodeRef& root, const Limits& limits, const bsp::Polygon* highlighted,
                const bsp::Polygon* selected = nullptr);
// The whole plane of one polygon within the box, in `colour` (a preview's plane); the sheet
// drawn, or none (0) when the plane misses the box.
Handle drawPlaneOf(const bsp::Polygon& polygon, const Limits& limits, const Rgb& colour);
// The waiting polygons, ghosted in the colour of the side they wait on; with a preview, its
// splitter highlighted and the rest of its list in the colours of what choosing it would do.
// Of more than kMostGhosts waiting polygons every ghostStride-th shows (the preview's splitter
// always): a hundred thousand ghosts would cut one another into a million pieces, hold the window
// for seconds after every click, and show a fog rather than where the polygons wait.
void drawWaiting(const bsp::NodeRef& root, const Preview* preview);
inline constexpr std::size_t kMostGhosts = 10000;
// 1 for up to kMostGhosts waiting polygons, else the k for which every k-th of them comes to
// about kMostGhosts.
inline std::size_t ghostStride(std::size_t waiting) { return waiting <= kMostGhosts ? 1 : (waiting + kMostGhosts - 1) / kMostGhosts; }
// A cell as translucent faces with their edges.
void drawCell(const geometry::Cell& cell, const Rgb& colour);

// The cell of the node whose splitter is `splitter` (empty when no node holds it), and the cell of
// the tree's leaf region that holds `point`, within the box of `limits`.
geometry::Cell cellOfNode(const bsp::NodeRef& root, const bsp::Polygon* splitter, const Limits& limits);
geometry::Cell cellOfPoint(const bsp::NodeRef& root, const bsp::Vec3& point, const Limits& limits);

// "3 as splitter: 2 in front, 1 behind, splits 5".
std::string previewSentence(const bsp::Preview& p);

}  // namespace kolvar::views
