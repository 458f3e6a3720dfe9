// Node expansion: what one click on a waiting polygon builds.
#include <gtest/gtest.h>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

using namespace testing;

bool isLeaf(const NodeRef& n, const std::string& label) {
  return n && n->element->poly && n->element->poly->label == label && !n->left && !n->right &&
         n->element->front.empty() && n->element->back.empty();
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
  ASSERT_TRUE(withThree->left);
  EXPECT_EQ(withThree->left->element->poly->label, "3");
  EXPECT_TRUE(isLeaf(withThree->left->left, "1aa"));
  EXPECT_TRUE(isLeaf(withThree->left->right, "1ab"));

  const NodeRef withOneA = click(root, root->element->front, "1a");
  ASSERT_TRUE(withOneA->left);
  EXPECT_EQ(withOneA->left->element->poly->label, "1a");
  EXPECT_EQ(withOneA->left->left, nullptr);
  EXPECT_TRUE(isLeaf(withOneA->left->right, "3"));
}

TEST(Expand, Scenes1And2ClickTwo) {
  const NodeRef one = expandNode(presetScenes()[0], 1);
  EXPECT_EQ(labels(one->element->front), (Labels{"3a", "4a", "5"}));
  EXPECT_EQ(labels(one->element->back), (Labels{"1", "3b", "4b"}));
  EXPECT_EQ(one->left, nullptr);
  EXPECT_EQ(one->right, nullptr);
  for (const auto& list : {one->element->front, one->element->back})
    for (const PolygonRef& p : list) EXPECT_EQ(p->points.size(), 4u) << p->label;  // no closing-edge cut

  const NodeRef two = expandNode(presetScenes()[1], 1);
  EXPECT_TRUE(isLeaf(two->left, "1"));
  EXPECT_TRUE(isLeaf(two->right, "3"));
  EXPECT_TRUE(two->element->front.empty() && two->element->back.empty());
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
  EXPECT_EQ(labels(PolygonList::from({a, nullptr, b})), (Labels{"a", "b"}));  // lists hold polygons only
}

}  // namespace
}  // namespace kolvar::bsp
