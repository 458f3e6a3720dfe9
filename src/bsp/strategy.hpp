#pragma once
// Choosing splitters for the student: named strategies that pick the next splitter of a tree
// under construction, one expansion at a time or to the end, and the exhaustive search for the
// tree with the fewest pieces that the others are measured against.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bsp/tree.hpp"
#include "runtime/progress.hpp"

namespace kolvar::bsp {

enum class StrategyKind { First, Fewest, Balanced, Random, Optimal };

struct Strategy {
  StrategyKind kind = StrategyKind::First;
  std::uint64_t seed = 0;  // for Random only
};

// "first", "fewest", "balanced", "random SEED" or "optimal".
std::string strategyName(const Strategy& strategy);
// The strategy named by `words` ("random" takes a seed, a whole number from 0 up); an Input
// error that lists the names for anything else.
Strategy parseStrategy(const std::vector<std::string>& words);

// The optimal strategy searches every order of choices; beyond this many polygons in a list the
// search would not end in reasonable time, and it is refused.
inline constexpr std::size_t kMaxOptimalPolygons = 10;
// fewest and balanced score at most this many candidates of a list, spread evenly through it.
inline constexpr std::size_t kMaxCandidates = 64;

// A waiting list and where it hangs: on the front or back side of `node`, which has `depth`
// placed nodes on its path from the root, itself included (0 under a placeholder root).
struct WaitingList {
  PolygonList list;
  const BspNode* node = nullptr;
  bool front = true;
  std::size_t depth = 0;
};

// The first waiting list of a walk from the root that looks at a node's front list, then its
// back list, then its front subtree, then its back subtree; nothing when no list waits (the
// tree is complete, or empty). Iterative, so any depth is safe.
std::optional<WaitingList> firstWaitingList(const NodeRef& tree);

// What choosing list[index] as splitter does to the others of its list, by the side test of
// node expansion (on the plane counts as front): polygons that end up in front, behind, and
// split. A split polygon counts in `front` and in `back` as well as in `split`.
struct SideCounts {
  std::size_t front = 0;
  std::size_t back = 0;
  std::size_t split = 0;
};
SideCounts sideCounts(const PolygonList& list, std::size_t index);

// The size of a finished subtree: its placed nodes (pieces) and the placed nodes on its longest
// path (depth). The optimal tree has the fewest pieces, and of those the smallest depth.
struct Outcome {
  std::size_t pieces = 0;
  std::size_t depth = 0;
  bool operator==(const Outcome&) const = default;
};

// The best finished subtree that can grow from `list` over every order of choices, found by
// exhaustive search that remembers the lists it has solved. A list of more than
// kMaxOptimalPolygons raises a General error saying so.
Outcome optimalOutcome(const PolygonList& list);

// The splitter `strategy` picks in `list` (a non-empty waiting list), with the reason in a few
// words for the step log ("it splits none of the others, the fewest"). The choice depends on
// the list alone, so the order in which lists are expanded never changes the finished tree:
// random draws from its seed and the list's first label and size.
struct Choice {
  std::size_t index = 0;
  std::string reason;
};
Choice chooseSplitter(const PolygonList& list, const Strategy& strategy);

// One automatic step: the first waiting list of `tree`, the splitter chosen in it, and the node
// its expansion makes. Nothing when the tree is complete.
struct AutoStep {
  WaitingList where;
  Choice choice;
  NodeRef node;
};
std::optional<AutoStep> nextStep(const NodeRef& tree, const Strategy& strategy);

// The tree finished from `tree` by `strategy`: the same tree as repeated steps make, built
// without walking from the root for every list. The tree passed in is left as it was. With
// `progress`, it reports as it goes and stops (throwing runtime::Cancelled) when asked to.
NodeRef buildWith(NodeRef tree, const Strategy& strategy, runtime::Progress* progress = nullptr);

}  // namespace kolvar::bsp
