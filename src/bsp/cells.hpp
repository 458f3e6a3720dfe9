#pragma once
// The regions of space a tree's nodes own, and what a choice of splitter would do before it is
// made: what the partition view draws and what the hover preview tells.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "bsp/tree.hpp"
#include "geometry/cell.hpp"

namespace kolvar::bsp {

// One step of a path down the tree: the node's plane and the side the path takes.
struct HalfSpace {
  geometry::Plane plane;
  bool front;
};

// The half-spaces on the path from `root` down to the node whose splitter is `splitter` (the
// node's own plane not among them), or nothing when no node of the tree holds it.
std::optional<std::vector<HalfSpace>> pathTo(const NodeRef& root, const Polygon* splitter);

// The half-spaces on the path a point takes from `root`, by its side of every plane on the way
// (a point on a plane counts as in front), down to the first missing child: they bound the
// region of the tree's leaves where the point lies.
std::vector<HalfSpace> pathOfPoint(const NodeRef& root, const Vec3& point);

// `box` cut by the half-spaces, with the tolerance of the box's own magnitude (the box is the scene's).
geometry::Cell cut(geometry::Cell box, const std::vector<HalfSpace>& path);
// The tolerance `cut` takes for `box`: cutting a cell of that box by one more half-space with it
// gives what `cut` gives for the longer path (cells of a whole tree, parent to child).
double cutTolerance(const geometry::Cell& box);

// What choosing list[index] as splitter would do to the rest of its list, by the side test of
// node expansion (on the plane counts as front): the labels in front, behind and split, each in
// list order.
struct Preview {
  std::string splitter;
  std::vector<std::string> front;
  std::vector<std::string> back;
  std::vector<std::string> split;
};
Preview previewSplit(const PolygonList& list, std::size_t index);

}  // namespace kolvar::bsp
