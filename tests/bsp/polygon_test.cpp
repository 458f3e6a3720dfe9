// The polygon record, its normal and the side test.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

TEST(Polygon, NormalFollowsTheFirstEdgeAndDiagonal) {
  const PolygonRef wall = presetScenes()[0][0];  // scene 1, wall 1
  EXPECT_DOUBLE_EQ(wall->normal.x, 0.4 / std::sqrt(0.97));
  EXPECT_DOUBLE_EQ(wall->normal.y, -0.9 / std::sqrt(0.97));
  EXPECT_EQ(wall->normal.z, 0);
  EXPECT_NEAR(wall->normal.x, 0.4061, 5e-5);
  EXPECT_NEAR(wall->normal.y, -0.9138, 5e-5);
}

TEST(Polygon, NormalFallsBackToNewellWhereTheFirstThreeVerticesAreCollinear) {
  const PolygonRef straight = newPolygon({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}});
  const PolygonRef repeated = newPolygon({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  // Wound the other way round, far from the origin.
  const PolygonRef far = newPolygon({{1e6, 1e6, 5}, {1e6 + 1, 1e6, 5}, {1e6 + 1, 1e6, 5}, {1e6, 1e6 - 1, 5}});
  EXPECT_EQ(straight->normal, (Vec3{0, 0, 1}));
  EXPECT_EQ(repeated->normal, (Vec3{0, 0, 1}));
  EXPECT_NEAR(far->normal.z, -1, 1e-12);
  EXPECT_NEAR(norm(far->normal), 1, 1e-12);
}

TEST(Polygon, ALoopWithoutAPlaneIsRejectedFromOutside) {
  EXPECT_EQ(messageOf([] { checkedPolygon({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {-1, -1, -1}}, "p"); }),
            "Bad polygon \"p\": all vertices lie on one line, so the polygon has no plane.");
  EXPECT_EQ(checkedPolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, "ok")->normal, (Vec3{0, 0, 1}));
  EXPECT_THROW(checkedPolygon({{0, 0, 0}, {1, 0, 0}, {1, NAN, 0}}), Error);
  EXPECT_THROW(newPolygon({{0, 0, 0}, {1, 0, 0}}), Error);  // the runtime's index error
}

TEST(SideTest, WithinEpsilonOfThePlaneCountsAsInFront) {
  const PolygonRef ground = newPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});  // z = 0, facing +z
  EXPECT_EQ(inFront(Vec3{0.5, 0.5, 0}, *ground), -1);
  EXPECT_EQ(inFront(Vec3{3, -7, 0.9e-10}, *ground), -1);
  EXPECT_EQ(inFront(Vec3{3, -7, -0.9e-10}, *ground), -1);
  EXPECT_EQ(inFront(Vec3{0, 0, -2e-10}, *ground), 1);
  EXPECT_EQ(inFront(std::vector<Vec3>{{0, 0, -2e-10}, {0, 0, 2e-10}}, *ground), 0);
  EXPECT_EQ(inFront(std::vector<Vec3>{{0, 0, -0.9e-10}, {0, 0, 0.9e-10}}, *ground), -1);
  EXPECT_EQ(inFront(std::vector<Vec3>{}, *ground), -1);
  // In the plane: in front. Touching along an edge: the side of the rest.
  EXPECT_EQ(inFront(std::vector<Vec3>{{5, 5, 0}, {6, 5, 0}, {6, 6, 0}}, *ground), -1);
  EXPECT_EQ(inFront(std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 0, -1}, {0, 0, -1}}, *ground), 1);
  // The plane goes through the first vertex, not the origin.
  EXPECT_EQ(inFront(Vec3{0, 0, 1}, *newPolygon({{0, 0, 2}, {1, 0, 2}, {1, 1, 2}})), 1);
}

// Points of the plane through `origin` spanned by `u` and `v`, each rounded as doubles round it.
std::vector<Vec3> inPlane(const Vec3& origin, const Vec3& u, const Vec3& v, std::vector<std::pair<double, double>> at) {
  std::vector<Vec3> out;
  for (const auto& [a, b] : at) out.push_back(origin + a * u + b * v);
  return out;
}

TEST(SideTest, TheToleranceGrowsAndShrinksWithTheScene) {
  const Vec3 u = geometry::normalized(Vec3{3, 1, 2});
  const Vec3 v = geometry::normalized(cross(u, Vec3{0.2, 1, 0.7}));
  // Far from the origin, faces of one plane differ from it by rounding noise well above 1e-10:
  // they lie in it all the same, and a polygon of that plane does not cut them.
  const Vec3 far{3.1e7, -2.7e7, 1.9e7};
  const PolygonRef a = newPolygon(inPlane(far, u, v, {{0, 0}, {1.3, 0.1}, {0.7, 1.1}}), "a");
  const PolygonRef b = newPolygon(inPlane(far, u, v, {{5.3, 2.9}, {7.1, 3.3}, {6.1, 4.7}, {5.1, 4.1}}), "b");
  ASSERT_NE(geometry::sideOf(b->points, planeOf(*a), 1e-10), geometry::Side::On);  // by a fixed tolerance
  EXPECT_EQ(inFront(b->points, *a), -1);
  EXPECT_EQ(inFront(a->points, *b), -1);
  const NodeRef node = expandNode(PolygonList::from({a, b}), 0);
  EXPECT_TRUE(node->element->front.empty());
  ASSERT_TRUE(node->left);
  EXPECT_EQ(node->left->element->poly, b);  // filed whole, not split

  // A model a thousandth of a unit across: planes 1e-12 apart are apart.
  const PolygonRef ground = newPolygon({{0, 0, 0}, {1e-3, 0, 0}, {0, 1e-3, 0}}, "g");
  EXPECT_EQ(inFront(Vec3{5e-4, 5e-4, 1e-12}, *ground), -1);
  EXPECT_EQ(inFront(Vec3{5e-4, 5e-4, -1e-12}, *ground), 1);
  EXPECT_EQ(inFront(std::vector<Vec3>{{5e-4, 0, -1e-12}, {0, 5e-4, -1e-12}, {0, 0, -1e-12}}, *ground), 1);
  EXPECT_EQ(inFront(Vec3{5e-4, 5e-4, -1e-14}, *ground), -1);  // within its tolerance, 1e-13
}

TEST(Polygon, DisplayLine) {
  std::ostringstream out;
  displayPolygon(newPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), out);
  displayPolygon(presetScenes()[0][1], out);
  displayPolygon(nullptr, out);
  EXPECT_EQ(out.str(), "polygon:  has 4 points.\npolygon: 2 has 4 points.\nnull polygon\n");
}

}  // namespace
}  // namespace kolvar::bsp
