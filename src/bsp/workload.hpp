#pragma once
// Whole-tree builds, for the benchmarks, the command-line tools and the tests that check the
// core on scenes far larger than the presets.
#include <cstddef>
#include <cstdint>

#include "bsp/tree.hpp"

namespace kolvar::bsp {

// Builds the whole tree of a scene as repeated clicks would: starting from the fresh root,
// expand a waiting list by choosing its first polygon and insert the new node, until no list is
// left. Lists are taken depth first. Large scenes are built on several threads (`threads`, or as
// many as the machine has for 0), with the very tree one thread would build.
NodeRef buildTree(const PolygonList& scene, std::size_t threads = 0);
// How many threads buildTree uses for a scene of `polygons` polygons when given 0.
std::size_t buildThreads(std::size_t polygons);

// Figures of a tree: the nodes with a polygon (placed polygons, split pieces counted one by one),
// the polygons still waiting in lists, and the depth (a single node has depth 1).
struct TreeStats {
  std::size_t placed = 0;
  std::size_t waiting = 0;
  std::size_t depth = 0;
};
TreeStats treeStats(const NodeRef& tree);

}  // namespace kolvar::bsp
