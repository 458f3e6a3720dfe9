// The scene generators: the same parameters give the same scene, and each scene is what it says
// (closed boxes facing out, a terrain facing up with shared edges, a room facing in).
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "../geometry/order_oracles.hpp"
#include "bsp/bsp.hpp"
#include "scenes/generators.hpp"

namespace kolvar::scenes {
namespace {

using bsp::BspElement;
using bsp::NodeRef;
using bsp::PolygonList;
using geometry::Vec3;

Vec3 centreOf(const bsp::Polygon& p) {
  Vec3 c;
  for (const Vec3& q : p.points) c = c + q;
  return (1.0 / static_cast<double>(p.points.size())) * c;
}

bool samePolygons(const PolygonList& a, const PolygonList& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i]->label != b[i]->label || a[i]->points != b[i]->points) return false;
  return true;
}

TEST(Generators, TheSameParametersGiveTheSameSceneAndOthersAnother) {
  EXPECT_TRUE(samePolygons(walls(40, 5), walls(40, 5)));
  EXPECT_FALSE(samePolygons(walls(40, 5), walls(40, 6)));
  EXPECT_TRUE(samePolygons(boxes(12, 5), boxes(12, 5)));
  EXPECT_FALSE(samePolygons(boxes(12, 5), boxes(12, 6)));
  // The first walls of a longer scene are the walls of a shorter one with the same seed.
  const PolygonList few = walls(3, 9), more = walls(30, 9);
  for (std::size_t i = 0; i < few.size(); ++i) EXPECT_EQ(few[i]->points, more[i]->points);
  EXPECT_EQ(few[2]->label, "w3");
  EXPECT_EQ(terrain(0).size(), 0u);
  EXPECT_EQ(terrain(5).size(), 50u);
  EXPECT_EQ(roomWithPillars(3).size(), 6u + 9 * 4);
}

TEST(Generators, BoxesAreClosedAndFaceOutwards) {
  const PolygonList scene = boxes(20, 3);
  ASSERT_EQ(scene.size(), 120u);
  EXPECT_EQ(scene[0]->label, "b1.1");
  EXPECT_EQ(scene[119]->label, "b20.6");
  for (std::size_t b = 0; b < 20; ++b) {
    Vec3 inside, areaSum;
    for (std::size_t f = 0; f < 6; ++f) inside = inside + (1.0 / 6) * centreOf(*scene[6 * b + f]);
    for (std::size_t f = 0; f < 6; ++f) {
      const bsp::Polygon& face = *scene[6 * b + f];
      areaSum = areaSum + geometry::newellNormal(face.points);
      EXPECT_EQ(bsp::inFront(inside, face), 1) << face.label;  // the box's inside is behind every face
    }
    EXPECT_LT(norm(areaSum), 1e-9) << "box " << b + 1;  // a closed surface
  }
  EXPECT_EQ(scene[0]->normal, (Vec3{0, 0, -1}));  // bottoms face down, all in z = 0
}

TEST(Generators, TerrainFacesUpAndItsTrianglesShareTheirEdges) {
  const PolygonList scene = terrain(6);
  std::multiset<std::pair<std::vector<double>, std::vector<double>>> edges;
  double projected = 0;
  for (const bsp::PolygonRef& t : scene) {
    ASSERT_EQ(t->points.size(), 3u);
    EXPECT_GT(t->normal.z, 0) << t->label;
    projected += geometry::newellNormal(t->points).z / 2;
    for (std::size_t i = 0; i < 3; ++i) {
      const Vec3 a = t->points[i], b = t->points[(i + 1) % 3];
      edges.insert({{a.x, a.y, a.z}, {b.x, b.y, b.z}});
    }
  }
  EXPECT_NEAR(projected, 36, 1e-12);  // the triangles cover the square once
  // Every inner edge is run once each way by the two triangles beside it.
  std::size_t inner = 0;
  for (const auto& [a, b] : edges) inner += edges.count({b, a});
  EXPECT_EQ(inner, 2 * (3 * 36 - 2 * 6));  // three edges per cell, less the border
}

TEST(Generators, TheRoomFacesInwardsAndItsPillarsOutwards) {
  const PolygonList scene = roomWithPillars(2);
  ASSERT_EQ(scene.size(), 6u + 4 * 4);
  EXPECT_EQ(scene[0]->label, "floor");
  EXPECT_EQ(scene[0]->normal, (Vec3{0, 0, 1}));
  for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(bsp::inFront(Vec3{3, 3, 1.5}, *scene[k]), -1) << scene[k]->label;
  EXPECT_EQ(scene[6]->label, "p1.1");
  EXPECT_EQ(scene[21]->label, "p4.4");
  for (std::size_t k = 6; k < scene.size(); ++k) {
    const std::size_t pillar = (k - 6) / 4;  // its centre, from its place on the grid
    const Vec3 centre{3.0 * static_cast<double>(pillar % 2) + 1.5, 3.0 * static_cast<double>(pillar / 2) + 1.5, 1.5};
    EXPECT_EQ(bsp::inFront(centre, *scene[k]), 1) << scene[k]->label;
  }
  // The pillars of a row share the planes of their sides.
  EXPECT_EQ(bsp::inFront(scene[6]->points, *scene[10]), -1);
  EXPECT_EQ(geometry::sideOf(scene[10]->points, bsp::planeOf(*scene[6]), 1e-12), geometry::Side::On);
}

TEST(Generators, GeneratedScenesSurviveTheSceneFileRoundTrip) {
  for (const PolygonList& scene : {walls(50, 3), boxes(5, 1), terrain(3), roomWithPillars(1)}) {
    const bsp::Scene s{"generated \"7\"", scene};
    const bsp::Scene back = bsp::parseScene(bsp::sceneToJson(s), "generated.json");
    EXPECT_EQ(back.name, s.name);
    EXPECT_TRUE(samePolygons(back.polygons, scene));
  }
}

// The tree that clicks build: the first polygon of a waiting list chosen, the node hung in from
// the root, lists taken depth first.
NodeRef treeByClicks(const PolygonList& scene) {
  NodeRef root = bsp::freshRoot(scene);
  std::vector<PolygonList> waiting{scene};
  while (!waiting.empty()) {
    const PolygonList list = waiting.back();
    waiting.pop_back();
    const NodeRef node = bsp::expandNode(list, 0);
    root = bsp::bspInsertNode(root, node);
    if (!node->element->back.empty()) waiting.push_back(node->element->back);
    if (!node->element->front.empty()) waiting.push_back(node->element->front);
  }
  return root;
}

// Whether two trees hold the same polygons (labels and points, to the bit) in the same places,
// and no waiting lists.
bool sameTrees(const NodeRef& a, const NodeRef& b) {
  std::vector<std::pair<const bsp::BspNode*, const bsp::BspNode*>> stack{{a.get(), b.get()}};
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    if (!x || !y) {
      if (x != y) return false;
      continue;
    }
    const bsp::Polygon& p = *x->element->poly;
    const bsp::Polygon& q = *y->element->poly;
    if (p.label != q.label || p.points != q.points || p.normal != q.normal) return false;
    if (!x->element->front.empty() || !x->element->back.empty() || !y->element->front.empty() ||
        !y->element->back.empty())
      return false;
    stack.push_back({x->left.get(), y->left.get()});
    stack.push_back({x->right.get(), y->right.get()});
  }
  return true;
}

// The whole-tree build hangs each node straight where its list waits instead of walking down from
// the root, and files lists in one buffer: it must give the very tree the clicks give, pieces and
// labels included, on scenes with many splits, shared planes and shared edges; and the same
// tree however many threads share the work.
TEST(Generators, AWholeBuildGivesTheTreeThatClicksGive) {
  for (const PolygonList& scene : {walls(600, 4), boxes(40, 2), terrain(6), roomWithPillars(3)}) {
    const NodeRef byClicks = treeByClicks(scene);
    for (const std::size_t threads : {1, 2, 3, 8}) EXPECT_TRUE(sameTrees(bsp::buildTree(scene, threads), byClicks)) << threads;
  }
  EXPECT_GT(bsp::treeStats(bsp::buildTree(walls(600, 4))).placed, 700u);  // many splits
  EXPECT_FALSE(sameTrees(bsp::buildTree(walls(600, 4)), bsp::buildTree(walls(600, 5))));
}

// The order as the recursive definition gives it (the shared oracle).
void farToNearReference(const Vec3& viewer, const NodeRef& tree, std::vector<const BspElement*>& out) {
  geometry::testing::farToNearByDefinition(
      tree,
      [&](const NodeRef& n) -> std::optional<std::pair<NodeRef, NodeRef>> {
        if (!n || !n->element || !n->element->poly) return std::nullopt;
        if (bsp::inFront(viewer, *n->element->poly) != 1) return std::pair{n->right, n->left};
        return std::pair{n->left, n->right};
      },
      [&](const NodeRef& n) { out.push_back(&*n->element); });
}

TEST(Generators, TheFarToNearWalkMatchesTheRecursiveDefinitionOnLargeTrees) {
  for (const PolygonList& scene : {walls(400, 11), boxes(60, 11)}) {
    const NodeRef tree = bsp::buildTree(scene);
    for (const Vec3& viewer : {Vec3{50, 50, 0.5}, Vec3{-10, 120, 3}, Vec3{73.2, 8.9, -1}}) {
      std::vector<const BspElement*> expected;
      std::vector<const BspElement*> got;
      farToNearReference(viewer, tree, expected);
      const std::function<void(const BspElement&)> f = [&](const BspElement& e) { got.push_back(&e); };
      bsp::bspFarToNear(viewer, tree, f);
      EXPECT_EQ(got, expected);
    }
  }
}

}  // namespace
}  // namespace kolvar::scenes
