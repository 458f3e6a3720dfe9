// Tree records, insertion and the far-to-near order.
#include <gtest/gtest.h>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

using testing::click;
using testing::labels;
using testing::scene3Tree;

NodeRef leaf(PolygonRef p) { return bspNode(bspElement(std::move(p), {}, {}), nullptr, nullptr); }

// A vertical wall in the plane y = y0, facing -y like the walls of scene 3.
PolygonRef wallAt(double y0, double x0, double x1, std::string label) {
  return newPolygon({{x0, y0, 0}, {x1, y0, 0}, {x1, y0, 1}, {x0, y0, 1}}, std::move(label));
}

std::vector<std::string> farToNear(const Vec3& viewer, const NodeRef& tree) {
  std::vector<std::string> out;
  bspFarToNear(viewer, tree, [&](const BspElement& e) { out.push_back(e.poly->label); });
  return out;
}

TEST(Insert, APlaceholderOrEmptyTreeIsReplacedByTheNode) {
  const PolygonList scene = presetScenes()[0];
  const NodeRef placeholder = freshRoot(scene);
  const NodeRef node = expandNode(scene, 1);
  EXPECT_EQ(bspInsertNode(placeholder, node), node);
  EXPECT_EQ(bspInsertNode(nullptr, node), node);
  // The placeholder passed in still holds the whole scene.
  EXPECT_EQ(labels(placeholder->element->front), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}

TEST(Insert, FrontStraddlingAndCoplanarNodesGoLeftAndTheInputStaysUnchanged) {
  // Root: a wall at y = 0 facing -y, so its front side is y < 0. Its back side holds a leaf and
  // its front side a waiting list, as after an expansion.
  const PolygonRef a = wallAt(-1, 0, 1, "a");
  const PolygonRef b = wallAt(-2, 0, 1, "b");
  const NodeRef backLeaf = leaf(wallAt(1, 0, 1, "behind"));
  const NodeRef root =
      bspNode(bspElement(wallAt(0, 0, 1, "root"), PolygonList::from({a, b}), {}), nullptr, backLeaf);

  const NodeRef inFrontNode = expandNode(PolygonList::from({a, b}), 0);
  const NodeRef straddling = leaf(newPolygon({{0, -1, 0}, {0, 1, 0}, {0, 1, 1}}, "s"));
  const NodeRef coplanar = leaf(wallAt(0, 5, 6, "c"));
  for (const NodeRef& node : {inFrontNode, straddling, coplanar}) {
    const NodeRef t = bspInsertNode(root, node);
    EXPECT_EQ(t->left, node) << node->element->poly->label;
    EXPECT_TRUE(t->element->front.empty());
    EXPECT_EQ(t->element->poly, root->element->poly);
    EXPECT_EQ(t->right, backLeaf);  // the untouched side is shared, not copied
  }
  EXPECT_EQ(root->left, nullptr);
  EXPECT_EQ(labels(root->element->front), (std::vector<std::string>{"a", "b"}));

  // A node behind goes right, and on down past the leaf there; the front list stays.
  const NodeRef farBehind = leaf(wallAt(2, 0, 1, "far"));
  const NodeRef t = bspInsertNode(root, farBehind);
  EXPECT_EQ(labels(t->element->front), (std::vector<std::string>{"a", "b"}));
  EXPECT_NE(t->right, backLeaf);
  EXPECT_EQ(t->right->element->poly, backLeaf->element->poly);
  EXPECT_EQ(t->right->right, farBehind);
  EXPECT_EQ(backLeaf->right, nullptr);
}

TEST(Insert, TheNodeGoesWhereItsListHangsEvenWhereRoundingDisagrees) {
  // As if rounding had filed p in front of the root although its vertices test behind it: the
  // walk alone would hang p's node behind the leaf there and leave p waiting in front as well.
  const PolygonRef p = wallAt(1, 0, 1, "p");
  const PolygonRef q = wallAt(-1, 0, 1, "q");
  const NodeRef backLeaf = leaf(wallAt(2, 0, 1, "behind"));
  const NodeRef root =
      bspNode(bspElement(wallAt(0, 0, 1, "root"), PolygonList::from({p, q}), {}), nullptr, backLeaf);
  const NodeRef node = expandNode(root->element->front, 0);
  ASSERT_FALSE(bspInFront(node, root));
  const NodeRef t = bspInsertNode(root, node);
  EXPECT_EQ(t->left, node);
  EXPECT_TRUE(t->element->front.empty());
  EXPECT_EQ(t->right, backLeaf);
  EXPECT_EQ(treeStats(t).waiting, 0u);
}

TEST(Insert, MissingPartsCountAsInFrontOnTheNewNodesSide) {
  const NodeRef node = leaf(wallAt(0, 0, 1, "n"));
  const NodeRef placeholder = freshRoot({});
  EXPECT_TRUE(bspInFront(nullptr, nullptr));
  EXPECT_TRUE(bspInFront(nullptr, node));
  EXPECT_FALSE(bspInFront(node, nullptr));
  EXPECT_TRUE(bspInFront(placeholder, node));
  EXPECT_FALSE(bspInFront(node, placeholder));
}

TEST(FarToNear, Scene3FromTheScannersStartAndFromBehind) {
  const NodeRef tree = scene3Tree();
  EXPECT_EQ(farToNear({0, 4, 0}, tree), (std::vector<std::string>{"1b", "2", "1ab", "3", "1aa"}));
  // Behind wall 2's plane (it faces +x+y): the root's subtrees swap, the root stays between.
  EXPECT_EQ(farToNear({-5, -5, 0}, tree), (std::vector<std::string>{"1ab", "3", "1aa", "2", "1b"}));
  // Exactly on the root's plane (through (-2, 1.5, 0) and (-1, 0, 0)) counts as in front.
  EXPECT_EQ(farToNear({-3, 3, 7}, tree)[0], "1b");
}

TEST(FarToNear, OnlyPlacedPolygonsAreVisited) {
  const PolygonList scene = presetScenes()[2];
  EXPECT_TRUE(farToNear({0, 4, 0}, freshRoot(scene)).empty());
  EXPECT_TRUE(farToNear({0, 4, 0}, nullptr).empty());
  NodeRef root = freshRoot(scene);
  root = click(root, root->element->front, "2");  // 1a and 3 still wait in front
  EXPECT_EQ(farToNear({0, 4, 0}, root), (std::vector<std::string>{"1b", "2"}));
  // The std::function form gives the same order.
  std::vector<std::string> out;
  const std::function<void(const BspElement&)> f = [&](const BspElement& e) { out.push_back(e.poly->label); };
  bspFarToNear({0, 4, 0}, root, f);
  EXPECT_EQ(out, (std::vector<std::string>{"1b", "2"}));
}

// The order as the recursive definition gives it.
void farToNearReference(const Vec3& viewer, const NodeRef& tree, std::vector<const BspElement*>& out) {
  if (!tree || !tree->element || !tree->element->poly) return;
  const bool inFrontOfPlane = inFront(viewer, *tree->element->poly) != 1;
  farToNearReference(viewer, inFrontOfPlane ? tree->right : tree->left, out);
  out.push_back(&*tree->element);
  farToNearReference(viewer, inFrontOfPlane ? tree->left : tree->right, out);
}

TEST(FarToNear, MatchesTheRecursiveDefinitionOnALargeTree) {
  const NodeRef tree = buildTree(randomWalls(400, 11));
  for (const Vec3& viewer : {Vec3{50, 50, 0.5}, Vec3{-10, 120, 3}, Vec3{73.2, 8.9, -1}}) {
    std::vector<const BspElement*> expected;
    farToNearReference(viewer, tree, expected);
    std::vector<const BspElement*> got;
    bspFarToNear(viewer, tree, [&](const BspElement& e) { got.push_back(&e); });
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.size(), treeStats(tree).placed);
  }
}

TEST(Tree, ThreeHundredThousandLevelsDeepNeitherOverflowsTheStackNorLeaks) {
  // A chain of nodes sharing one wall, each on the front side of the one above: insertion, the
  // walk and the release of such a tree all go as deep as the tree.
  const PolygonRef wall = wallAt(0, 0, 1, "w");
  constexpr std::size_t depth = 300000;
  NodeRef chain;
  for (std::size_t i = 0; i < depth; ++i) chain = bspNode(bspElement(wall, {}, {}), chain, nullptr);
  const NodeRef extra = leaf(wall);
  NodeRef grown = bspInsertNode(chain, extra);
  std::size_t visited = 0;
  bspFarToNear({0, -1, 0}, grown, [&](const BspElement&) { ++visited; });
  EXPECT_EQ(visited, depth + 1);
  EXPECT_EQ(treeStats(grown).depth, depth + 1);
  grown.reset();
  chain.reset();
  EXPECT_EQ(wall.use_count(), 2);  // this function's and the extra leaf's
}

}  // namespace
}  // namespace kolvar::bsp
