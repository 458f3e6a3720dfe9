// Node expansion: what one click on a waiting polygon builds.
#include <gtest/gtest.h>

#include <cmath>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

using testing::click;
using testing::labels;
using Labels = std::vector<std::string>;

bool isLeaf(const NodeRef& n, const std::string& label) {
  return n && n->element && n->element->poly && n->element->poly->label == label && !n->left &&
         !n->right && n->element->front.empty() && n->element->back.empty();
}

TEST(Expand, Scene3ClickTwoThenThreeOrOneA) {
  const NodeRef fresh = freshRoot(presetScenes()[2]);
  EXPECT_EQ(fresh->element->poly, nullptr);
  EXPECT_EQ(labels(fresh->element->front), (Labels{"1", "2", "3"}));

  const NodeRef root = click(fresh, fresh->element->front, "2");
  EXPECT_EQ(root->element->poly->label, "2");
  EXPECT_EQ(labels(root->element->front), (Labels{"1a", "3"}));
  EXPECT_TRUE(root->element->back.empty());
  EXPECT_EQ(root->left, nullptr);
  EXPECT_TRUE(isLeaf(root->right, "1b"));

  const NodeRef withThree = click(root, root->element->front, "3");
  EXPECT_TRUE(withThree->element->front.empty());
  EXPECT_EQ(withThree->right, root->right);
  const NodeRef three = withThree->left;
  ASSERT_TRUE(three);
  EXPECT_EQ(three->element->poly->label, "3");
  EXPECT_TRUE(isLeaf(three->left, "1aa"));
  EXPECT_TRUE(isLeaf(three->right, "1ab"));
  // The earlier tree still has its waiting list.
  EXPECT_EQ(labels(root->element->front), (Labels{"1a", "3"}));

  const NodeRef withOneA = click(root, root->element->front, "1a");
  ASSERT_TRUE(withOneA->left);
  EXPECT_EQ(withOneA->left->element->poly->label, "1a");
  EXPECT_EQ(withOneA->left->left, nullptr);
  EXPECT_TRUE(isLeaf(withOneA->left->right, "3"));
}

TEST(Expand, Scene1ClickTwoSplitsThreeAndFour) {
  const NodeRef node = expandNode(presetScenes()[0], 1);
  EXPECT_EQ(labels(node->element->front), (Labels{"3a", "4a", "5"}));
  EXPECT_EQ(labels(node->element->back), (Labels{"1", "3b", "4b"}));
  EXPECT_EQ(node->left, nullptr);
  EXPECT_EQ(node->right, nullptr);
  for (const auto& list : {node->element->front, node->element->back})
    for (const PolygonRef& p : list) EXPECT_EQ(p->points.size(), 4u) << p->label;
}

TEST(Expand, Scene2ClickTwoGivesTwoLeaves) {
  const NodeRef node = expandNode(presetScenes()[1], 1);
  EXPECT_TRUE(isLeaf(node->left, "1"));
  EXPECT_TRUE(isLeaf(node->right, "3"));
  EXPECT_TRUE(node->element->front.empty());
  EXPECT_TRUE(node->element->back.empty());
}

TEST(Expand, PairsGiveLeavesAndCoplanarPolygonsGoInFront) {
  const PolygonList s3 = presetScenes()[2];
  const NodeRef split = expandNode(PolygonList::from({s3[0], s3[1]}), 1);
  EXPECT_TRUE(isLeaf(split->left, "1a"));
  EXPECT_TRUE(isLeaf(split->right, "1b"));

  const PolygonRef a = newPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, "a");
  const PolygonRef b = newPolygon({{5, 5, 0}, {5, 6, 0}, {6, 6, 0}}, "b");  // same plane, facing away
  const NodeRef coplanar = expandNode(PolygonList::from({a, b}), 0);
  EXPECT_TRUE(isLeaf(coplanar->left, "b"));
  EXPECT_EQ(coplanar->right, nullptr);

  EXPECT_THROW(expandNode(PolygonList::from({a, b}), 2), Error);
  EXPECT_THROW(expandNode(PolygonList(), 0), Error);
}

// Area of a planar loop: half the length of its Newell vector.
double area(const Polygon& p) {
  Vec3 s;
  for (std::size_t i = 0; i < p.points.size(); ++i) s = s + cross(p.points[i], p.points[(i + 1) % p.points.size()]);
  return norm(s) / 2;
}

TEST(Expand, AFullBuildOfRandomWallsPlacesEveryPieceOnItsSideAndLosesNoArea) {
  const PolygonList scene = randomWalls(1500, 7);
  const NodeRef tree = buildTree(scene);
  const TreeStats stats = treeStats(tree);
  EXPECT_EQ(stats.waiting, 0u);  // every expansion landed where its list hung
  EXPECT_GT(stats.placed, scene.size());

  double sceneArea = 0;
  for (const PolygonRef& p : scene) sceneArea += area(*p);
  double placedArea = 0;
  std::size_t visited = 0;
  bspFarToNear({50, 50, 0.5}, tree, [&](const BspElement& e) {
    placedArea += area(*e.poly);
    ++visited;
  });
  EXPECT_EQ(visited, stats.placed);
  EXPECT_NEAR(placedArea, sceneArea, 1e-9 * sceneArea);

  // Every polygon below a node lies on the side of its plane that its subtree stands for.
  std::size_t misplaced = 0;
  std::vector<std::pair<const BspNode*, std::vector<std::pair<const Polygon*, int>>>> stack{{tree.get(), {}}};
  while (!stack.empty()) {
    auto [n, ancestors] = std::move(stack.back());
    stack.pop_back();
    for (const auto& [plane, side] : ancestors)
      if (inFront(n->element->poly->points, *plane) != side) ++misplaced;
    for (const auto& [child, side] : {std::pair{n->left.get(), -1}, std::pair{n->right.get(), 1}}) {
      if (!child) continue;
      auto below = ancestors;
      below.emplace_back(n->element->poly.get(), side);
      stack.emplace_back(child, std::move(below));
    }
  }
  EXPECT_EQ(misplaced, 0u);
}

}  // namespace
}  // namespace kolvar::bsp
