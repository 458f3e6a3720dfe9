// The tree view's layout: the classic spread for small trees, the compact one for large trees,
// and the folding of subtrees.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "../bsp/fixtures.hpp"
#include "diagram/tree_layout.hpp"

namespace kolvar::diagram {
namespace {

using bsp::NodeRef;

// A tree of `n` nodes of random shape, each labelled by its pre-order number; `lists` gives every
// leaf a waiting list in front.
NodeRef randomTree(std::size_t n, unsigned seed, bool lists = false) {
  std::mt19937 rng(seed);
  const bsp::PolygonRef base = bsp::presetScenes()[0][0];
  std::size_t next = 0;
  std::function<NodeRef(std::size_t)> grow = [&](std::size_t count) -> NodeRef {
    if (count == 0) return nullptr;
    auto p = std::make_shared<bsp::Polygon>(*base);
    p->label = std::to_string(++next);
    const std::size_t left = std::uniform_int_distribution<std::size_t>(0, count - 1)(rng);
    NodeRef l = grow(left), r = grow(count - 1 - left);
    const bsp::PolygonList waiting = lists && !l && !r ? bsp::PolygonList::from({base, base}) : bsp::PolygonList();
    return bsp::bspNode(bsp::bspElement(p, waiting, {}), l, r);
  };
  return grow(n);
}

TEST(TreeLayout, SmallTreesKeepTheClassicSpreadInsideTheLimits) {
  const NodeRef tree = bsp::testing::scene3Tree();
  const TreeLayout l = layoutTree(tree, Frame{});
  ASSERT_EQ(l.kind, LayoutKind::Spread);
  ASSERT_EQ(l.nodes.size(), 5u);
  // Root 2 at (0, 8) with spread 20; its front child 3 at (-10, 6), whose children stand at
  // -15 and -5 on the next level; the back leaf 1b at (10, 6).
  std::map<std::string, std::pair<double, double>> at;
  for (const LaidNode& n : l.nodes) at[n.node->element->poly->label] = {n.x, n.y};
  EXPECT_EQ(at["2"], std::make_pair(0.0, 8.0));
  EXPECT_EQ(at["3"], std::make_pair(-10.0, 6.0));
  EXPECT_EQ(at["1aa"], std::make_pair(-15.0, 4.0));
  EXPECT_EQ(at["1ab"], std::make_pair(-5.0, 4.0));
  EXPECT_EQ(at["1b"], std::make_pair(10.0, 6.0));
  EXPECT_EQ(l.x0, -15);
  EXPECT_EQ(l.x1, 10);
  // The placeholder root's list hangs where a front child would.
  const TreeLayout fresh = layoutTree(bsp::freshRoot(bsp::presetScenes()[0]), Frame{});  // only its numbers
  EXPECT_EQ(fresh.places, 2u);
  EXPECT_EQ(fresh.x0, -10);
  EXPECT_EQ(fresh.y0, 6);
  EXPECT_TRUE(layoutTree(nullptr, Frame{}).empty());
}

// A tree of a few dozen places stays classic while it is bushy; reaching five levels down, its
// neighbours there would stand closer than their captions are wide, and it is laid out compactly.
TEST(TreeLayout, ATreeOfAFewDozenPlacesGoesCompactOnlyWhenDeep) {
  const auto chain = [](std::size_t n) {
    const bsp::PolygonRef base = bsp::presetScenes()[0][0];
    NodeRef tree;
    for (std::size_t i = n; i > 0; --i) {
      auto p = std::make_shared<bsp::Polygon>(*base);
      p->label = std::to_string(i);
      tree = bsp::bspNode(bsp::bspElement(p, {}, {}), tree, nullptr);
    }
    return tree;
  };
  EXPECT_EQ(layoutTree(chain(kCrowdedPlaces), Frame{}).kind, LayoutKind::Spread) << "few places";
  EXPECT_EQ(layoutTree(chain(kCrowdedPlaces + 1), Frame{}).kind, LayoutKind::Compact);
  // 31 nodes, every level full: four levels below the root.
  std::function<NodeRef(int)> full = [&](int levels) -> NodeRef {
    if (levels == 0) return nullptr;
    auto p = std::make_shared<bsp::Polygon>(*bsp::presetScenes()[0][0]);
    return bsp::bspNode(bsp::bspElement(p, {}, {}), full(levels - 1), full(levels - 1));
  };
  const TreeLayout bushy = layoutTree(full(5), Frame{});
  EXPECT_EQ(bushy.places, 31u);
  EXPECT_EQ(bushy.kind, LayoutKind::Spread);
}

TEST(TreeLayout, LargeTreesNeverPutTwoNodesOfALevelCloserThanASlot) {
  for (unsigned seed : {1u, 2u, 3u}) {
    const NodeRef tree = randomTree(600, seed, seed == 2);
    const TreeLayout l = layoutTree(tree, Frame{});
    ASSERT_EQ(l.kind, LayoutKind::Compact);
    ASSERT_EQ(l.nodes.size(), 600u);
    std::map<std::size_t, std::vector<double>> levels;
    for (const LaidNode& n : l.nodes) {
      EXPECT_EQ(n.y, -static_cast<double>(n.depth));
      levels[n.depth].push_back(n.x);
      if (n.parent < 0) continue;
      // Parents come first; a front child stands left of its parent, a back child right of it.
      ASSERT_LT(n.parent, &n - l.nodes.data());
      const LaidNode& up = l.nodes[static_cast<std::size_t>(n.parent)];
      EXPECT_EQ(n.y, up.y - 1);
      if (up.node->left.get() == n.node) {
        EXPECT_LT(n.x, up.x);
        EXPECT_EQ(up.frontX, n.x);
      } else {
        EXPECT_GT(n.x, up.x);
        EXPECT_EQ(up.backX, n.x);
      }
    }
    for (auto& [depth, xs] : levels) {
      std::sort(xs.begin(), xs.end());
      for (std::size_t i = 1; i < xs.size(); ++i) EXPECT_GE(xs[i] - xs[i - 1], 1 - 1e-12) << "level " << depth;
    }
    EXPECT_GE(l.x0, 0);
  }
}

TEST(TreeLayout, ACollapsedSubtreeTakesOneSlotAndCountsItsNodes) {
  const NodeRef tree = randomTree(400, 7);
  const bsp::BspNode* folded = tree->left ? tree->left.get() : tree->right.get();
  const TreeLayout all = layoutTree(tree, Frame{});
  const TreeLayout l = layoutTree(tree, Frame{}, [&](const bsp::BspNode& n) { return &n == folded; });
  std::size_t below = 0;
  for (const LaidNode& n : all.nodes)
    if (n.node == folded) below = n.below;
  ASSERT_GT(below, 0u);
  EXPECT_EQ(l.nodes.size(), all.nodes.size() - below);
  EXPECT_EQ(l.places, all.places);  // the kind of layout does not change with a fold
  for (const LaidNode& n : l.nodes)
    if (n.node == folded) {
      EXPECT_TRUE(n.collapsed);
      EXPECT_EQ(n.below, below);
    }
  // The walk of the classic drawing skips the subtree too, but still plots the folded node.
  std::size_t plotted = 0;
  btplotnodes({0, 20, 8, 2}, tree, [&](const NodePos&, const bsp::BspElement&) { ++plotted; },
              [&](const bsp::BspNode& n) { return &n == folded; });
  EXPECT_EQ(plotted, all.nodes.size() - below);
}

TEST(TreeLayout, AChainThousandsOfLevelsDeepIsLaidOutWithoutRecursion) {
  const bsp::PolygonRef p = bsp::presetScenes()[0][0];
  NodeRef chain;
  for (int i = 0; i < 20000; ++i) chain = bsp::bspNode(bsp::bspElement(p, {}, {}), i % 2 ? chain : nullptr, i % 2 ? nullptr : chain);
  const TreeLayout l = layoutTree(chain, Frame{});
  EXPECT_EQ(l.nodes.size(), 20000u);
  EXPECT_EQ(l.y0, -19999);
}

}  // namespace
}  // namespace kolvar::diagram
