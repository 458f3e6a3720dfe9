// A node's cell is the box cut by the half-spaces above it, and holds exactly the placed pieces of
// its subtree; a preview of a splitter files the rest of its list as expansion will.
#include <gtest/gtest.h>

#include "bsp/bsp.hpp"

namespace kolvar::bsp {
namespace {

const geometry::Cell kBox = geometry::boxCell({-4, -4, -4}, {4, 4, 4});

std::vector<const BspNode*> placedNodes(const NodeRef& root) {
  std::vector<const BspNode*> out, stack{root.get()};
  while (!stack.empty()) {
    const BspNode* n = stack.back();
    stack.pop_back();
    if (!n) continue;
    if (n->element && n->element->poly) out.push_back(n);
    stack.push_back(n->left.get());
    stack.push_back(n->right.get());
  }
  return out;
}

Vec3 centre(const Polygon& p) {
  Vec3 c;
  for (const Vec3& v : p.points) c = c + v;
  return (1.0 / static_cast<double>(p.points.size())) * c;
}

TEST(Cells, ANodesCellHoldsExactlyThePiecesOfItsSubtree) {
  for (const PolygonList& scene : presetScenes()) {
    const NodeRef tree = buildTree(scene);
    const auto nodes = placedNodes(tree);
    for (const BspNode* n : nodes) {
      const auto path = pathTo(tree, n->element->poly.get());
      ASSERT_TRUE(path);
      const geometry::Cell cell = cut(kBox, *path);
      ASSERT_FALSE(cell.empty());
      const NodeRef subtree = bspNode(n->element, n->left, n->right);  // kept: `below` points into it
      const auto below = placedNodes(subtree);
      for (const BspNode* m : nodes) {
        const bool inSubtree = std::find_if(below.begin(), below.end(), [&](const BspNode* b) {
                                 return b->element->poly == m->element->poly;
                               }) != below.end();
        const Polygon& piece = *m->element->poly;
        if (inSubtree) {
          for (const Vec3& v : piece.points) EXPECT_TRUE(geometry::contains(cell, v, 1e-9)) << piece.label;
        } else {
          // Outside, or on the cell's boundary: never strictly inside.
          EXPECT_FALSE(geometry::contains(cell, centre(piece), -1e-9)) << piece.label << " in the cell of " << n->element->poly->label;
        }
      }
    }
  }
}

TEST(Cells, ThePointsPathEndsInTheLeafRegionThatHoldsIt) {
  const NodeRef tree = buildTree(presetScenes()[2]);
  const Vec3 scanner{0, 4, 0};
  const auto path = pathOfPoint(tree, scanner);
  EXPECT_EQ(path.size(), 3u);  // in front of 2 and of 3, then in front of the leaf 1aa
  const geometry::Cell cell = cut(kBox, path);
  EXPECT_TRUE(geometry::contains(cell, scanner, 1e-9));
  EXPECT_FALSE(geometry::contains(cell, {0, -3, 0.5}, 1e-9));
}

TEST(Cells, APreviewFilesTheListAsExpansionDoes) {
  for (const PolygonList& scene : presetScenes()) {
    for (std::size_t i = 0; i < scene.size(); ++i) {
      const Preview p = previewSplit(scene, i);
      const NodeRef node = expandNode(scene, i);
      // Expansion's lists (or the leaf a single polygon became) hold the front pieces and the
      // front parts of the split ones, and likewise behind.
      auto labelsOn = [](const PolygonList& list, const NodeRef& leaf) {
        std::vector<std::string> out;
        for (const auto& q : list) out.push_back(q->label);
        if (leaf) out.push_back(leaf->element->poly->label);
        return out;
      };
      const auto front = labelsOn(node->element->front, node->left), back = labelsOn(node->element->back, node->right);
      std::size_t fromSplitFront = 0, fromSplitBack = 0;
      for (const auto& l : front) fromSplitFront += l.back() == 'a' && std::find(p.split.begin(), p.split.end(), l.substr(0, l.size() - 1)) != p.split.end();
      for (const auto& l : back) fromSplitBack += l.back() == 'b' && std::find(p.split.begin(), p.split.end(), l.substr(0, l.size() - 1)) != p.split.end();
      EXPECT_EQ(front.size(), p.front.size() + fromSplitFront) << p.splitter;
      EXPECT_EQ(back.size(), p.back.size() + fromSplitBack) << p.splitter;
      EXPECT_EQ(fromSplitFront, p.split.size());
    }
  }
  const Preview p = previewSplit(presetScenes()[0], 1);  // 2 in scene 1
  EXPECT_EQ(p.front, (std::vector<std::string>{"5"}));
  EXPECT_EQ(p.back, (std::vector<std::string>{"1"}));
  EXPECT_EQ(p.split, (std::vector<std::string>{"3", "4"}));
}

}  // namespace
}  // namespace kolvar::bsp
