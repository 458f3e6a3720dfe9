#pragma once
// What a student sees about the tree they are building: its figures, the plain sentences that
// tell what a step did, and how the strategies compare on a scene.
#include <cstddef>
#include <string>
#include <vector>

#include "bsp/strategy.hpp"

namespace kolvar::bsp {

// Figures of a tree grown from a scene of `sceneSize` polygons. Nodes are the placed polygons;
// pieces are placed plus waiting, so every split shows as growth; splits are the pieces beyond
// the scene's own polygons. Depth counts placed nodes on the longest path from the root (a
// placeholder root counts none). Leaves are placed nodes without children; their average depth
// is 0 when there are none.
struct Statistics {
  std::size_t nodes = 0;
  std::size_t pieces = 0;
  std::size_t splits = 0;
  std::size_t depth = 0;
  std::size_t waiting = 0;
  bool complete = false;  // nothing waits
  double avgLeafDepth = 0;
};
Statistics statistics(const NodeRef& tree, std::size_t sceneSize);

// The sentences of the step log for choosing list[index] as splitter, where `node` is the
// expansion (expandNode(list, index)): what went in front, what behind, what was split into
// which pieces, then one sentence per side whose single polygon became a leaf at once. Long
// lists are named by their first few labels and a count.
std::vector<std::string> describeExpansion(const PolygonList& list, std::size_t index, const BspNode& node);

// "1", "1 and 2", "1, 2 and 3"; beyond `max` labels the rest is a count ("1, 2, 3 and 40 more").
std::string joinLabels(const std::vector<std::string>& labels, std::size_t max = 6);

// One row of a comparison: a strategy's finished tree for the scene.
struct Comparison {
  std::string strategy;
  double pieces = 0;
  double depth = 0;
  double avgLeafDepth = 0;
};
// The scene built from scratch by first, fewest, balanced, random (the mean over seeds 1 to
// kCompareSeeds) and, for scenes of at most kMaxOptimalPolygons, optimal, in that order.
inline constexpr std::size_t kCompareSeeds = 20;
std::vector<Comparison> compareStrategies(const PolygonList& scene);

}  // namespace kolvar::bsp
