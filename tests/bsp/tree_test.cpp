// Insertion and the far-to-near order.
#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

using namespace testing;

// A vertical wall in the plane y = y0, facing -y: its front side is y < y0.
PolygonRef wallAt(double y0, std::string label) {
  return newPolygon({{0, y0, 0}, {1, y0, 0}, {1, y0, 1}, {0, y0, 1}}, std::move(label));
}

Labels farToNear(const Vec3& viewer, const NodeRef& tree) {
  Labels out;
  bspFarToNear(viewer, tree, [&](const BspElement& e) { out.push_back(e.poly->label); });
  return out;
}

TEST(Insert, APlaceholderOrEmptyTreeIsReplacedByTheNode) {
  const NodeRef placeholder = freshRoot(presetScenes()[0]);
  const NodeRef node = expandNode(placeholder->element->front, 1);
  EXPECT_EQ(bspInsertNode(placeholder, node), node);
  EXPECT_EQ(bspInsertNode(nullptr, node), node);
  EXPECT_EQ(labels(placeholder->element->front), (Labels{"1", "2", "3", "4", "5"}));  // unchanged
  EXPECT_TRUE(bspInFront(nullptr, nullptr));
  EXPECT_TRUE(bspInFront(placeholder, node));
  EXPECT_FALSE(bspInFront(node, placeholder));
}

TEST(Insert, FrontStraddlingAndCoplanarNodesGoLeftSharingTheRestAndTheInputStaysUnchanged) {
  const PolygonRef a = wallAt(-1, "a");
  const PolygonRef b = wallAt(-2, "b");
  const NodeRef backLeaf = leaf(wallAt(1, "behind"));
  const NodeRef root = bspNode(bspElement(wallAt(0, "root"), PolygonList::from({a, b}), {}), nullptr, backLeaf);

  const NodeRef inFrontNode = expandNode(root->element->front, 0);
  const NodeRef straddling = leaf(newPolygon({{0, -1, 0}, {0, 1, 0}, {0, 1, 1}}, "s"));
  const NodeRef coplanar = leaf(newPolygon({{5, 0, 0}, {6, 0, 0}, {6, 0, 1}}, "c"));
  for (const NodeRef& node : {inFrontNode, straddling, coplanar}) {
    const NodeRef t = bspInsertNode(root, node);
    EXPECT_EQ(t->left, node) << node->element->poly->label;
    EXPECT_TRUE(t->element->front.empty());
    EXPECT_EQ(t->right, backLeaf);  // shared, not copied
  }
  EXPECT_EQ(root->left, nullptr);
  EXPECT_EQ(labels(root->element->front), (Labels{"a", "b"}));

  // Behind: on past the leaf there, which is copied; the front list stays.
  const NodeRef far = leaf(wallAt(2, "far"));
  const NodeRef t = bspInsertNode(root, far);
  EXPECT_EQ(labels(t->element->front), (Labels{"a", "b"}));
  EXPECT_EQ(t->right->right, far);
  EXPECT_EQ(backLeaf->right, nullptr);
}

TEST(Insert, TheNodeGoesWhereItsListHangsEvenWhereRoundingDisagrees) {
  // As if rounding had filed p in front of the root although its vertices test behind it: the
  // walk alone would hang p's node behind the leaf there and leave p waiting in front as well.
  const NodeRef backLeaf = leaf(wallAt(2, "behind"));
  const NodeRef root = bspNode(
      bspElement(wallAt(0, "root"), PolygonList::from({wallAt(1, "p"), wallAt(-1, "q")}), {}), nullptr, backLeaf);
  const NodeRef node = expandNode(root->element->front, 0);
  ASSERT_FALSE(bspInFront(node, root));
  const NodeRef t = bspInsertNode(root, node);
  EXPECT_EQ(t->left, node);
  EXPECT_EQ(t->right, backLeaf);
  EXPECT_EQ(treeStats(t).waiting, 0u);
}

TEST(Insert, AGivenUpTreeChangesInPlaceOnlyWhereNobodyElseHoldsIt) {
  const PolygonList scene = presetScenes()[2];
  const Labels expected{"1b", "2", "1ab", "3", "1aa"};

  // Held twice (say, by a stored state): giving one copy up still copies the path.
  NodeRef root = bspInsertNode(freshRoot(scene), expandNode(scene, 1));
  const NodeRef kept = root;
  const Labels keptOrder = farToNear({0, 4, 0}, kept);  // also lays `kept` out for walking
  const NodeRef node3 = expandNode(root->element->front, 1);
  const NodeRef grown = bspInsertNode(std::move(root), node3);
  EXPECT_NE(grown, kept);
  EXPECT_EQ(labels(kept->element->front), (Labels{"1a", "3"}));
  EXPECT_EQ(farToNear({0, 4, 0}, kept), keptOrder);
  EXPECT_EQ(farToNear({0, 4, 0}, grown), expected);

  // Held once: the root itself is reused, and its walking layout is made anew.
  NodeRef alone = bspInsertNode(freshRoot(scene), expandNode(scene, 1));
  farToNear({0, 4, 0}, alone);
  const BspNode* address = alone.get();
  const NodeRef next = expandNode(alone->element->front, 1);
  const NodeRef same = bspInsertNode(std::move(alone), next);
  EXPECT_EQ(same.get(), address);
  EXPECT_TRUE(same->element->front.empty());
  EXPECT_EQ(farToNear({0, 4, 0}, same), expected);
}

TEST(FarToNear, Scene3FromTheScannersStartBehindAndOnThePlane) {
  const NodeRef tree = scene3Tree();
  EXPECT_EQ(farToNear({0, 4, 0}, tree), (Labels{"1b", "2", "1ab", "3", "1aa"}));
  // Behind wall 2's plane (it faces +x+y) the root's subtrees swap; the root stays between.
  EXPECT_EQ(farToNear({-5, -5, 0}, tree), (Labels{"1ab", "3", "1aa", "2", "1b"}));
  // On the root's plane, through (-2, 1.5, 0) and (-1, 0, 0): in front.
  EXPECT_EQ(farToNear({-3, 3, 7}, tree)[0], "1b");

  NodeRef root = freshRoot(presetScenes()[2]);
  EXPECT_TRUE(farToNear({0, 4, 0}, root).empty());
  EXPECT_TRUE(farToNear({0, 4, 0}, nullptr).empty());
  root = click(root, root->element->front, "2");  // 1a and 3 still wait: not visited
  EXPECT_EQ(farToNear({0, 4, 0}, root), (Labels{"1b", "2"}));
}

TEST(Tree, ThreeHundredThousandLevelsDeepNeitherOverflowsTheStackNorLeaks) {
  // A chain of nodes sharing one wall, each on the front side of the one above: insertion, the
  // walk and the release of such a tree all go as deep as the tree.
  const PolygonRef wall = wallAt(0, "w");
  constexpr std::size_t depth = 300000;
  NodeRef chain;
  for (std::size_t i = 0; i < depth; ++i) chain = bspNode(bspElement(wall, {}, {}), chain, nullptr);
  NodeRef grown = bspInsertNode(chain, leaf(wall));
  std::size_t visited = 0;
  bspFarToNear({0, -1, 0}, grown, [&](const BspElement&) { ++visited; });
  EXPECT_EQ(visited, depth + 1);
  grown.reset();
  chain.reset();
  EXPECT_EQ(wall.use_count(), 1);
}

}  // namespace
}  // namespace kolvar::bsp
