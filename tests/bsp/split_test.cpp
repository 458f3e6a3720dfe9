// Splitting a polygon by another one's plane.
#include <gtest/gtest.h>

#include "bsp/bsp.hpp"

namespace kolvar::bsp {
namespace {

// Area of a planar loop: half the length of its Newell vector.
double area(const Polygon& p) {
  Vec3 s;
  for (std::size_t i = 0; i < p.points.size(); ++i) s = s + cross(p.points[i], p.points[(i + 1) % p.points.size()]);
  return norm(s) / 2;
}

void expectColumns(const Polygon& p, const std::vector<Vec3>& expected) {
  ASSERT_EQ(p.points.size(), expected.size()) << p.label;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(p.points[i].x, expected[i].x, 1e-15) << p.label << " column " << i;
    EXPECT_NEAR(p.points[i].y, expected[i].y, 1e-15) << p.label << " column " << i;
    EXPECT_NEAR(p.points[i].z, expected[i].z, 1e-15) << p.label << " column " << i;
  }
}

TEST(Split, Scene3WallOneByWallTwo) {
  const PolygonList scene = presetScenes()[2];
  const auto [front, back] = splitPoly(*scene[0], *scene[1]);
  ASSERT_TRUE(front && back);
  EXPECT_EQ(front->label, "1a");
  EXPECT_EQ(back->label, "1b");
  // Exactly four columns each: the closing edge of a wall listed bottom, bottom, top, top is
  // never cut by a vertical plane, so it adds nothing here.
  const double third = -1.0 / 3;
  expectColumns(*front, {{third, -1, 0}, {1.5, -1, 0}, {1.5, -1, 1}, {third, -1, 1}});
  expectColumns(*back, {{-1.5, -1, 0}, {third, -1, 0}, {third, -1, 1}, {-1.5, -1, 1}});
  EXPECT_EQ(front->normal, (Vec3{0, -1, 0}));
  EXPECT_EQ(back->normal, (Vec3{0, -1, 0}));
  // The original is untouched.
  EXPECT_EQ(scene[0]->points.size(), 4u);
  EXPECT_EQ(scene[0]->label, "1");
}

TEST(Split, Scene3WallOneByWallThreeCutsAtOneThird) {
  const PolygonList scene = presetScenes()[2];
  const auto [front, back] = splitPoly(*scene[0], *scene[2]);
  ASSERT_TRUE(front && back);
  const double third = 1.0 / 3;
  expectColumns(*front, {{-1.5, -1, 0}, {third, -1, 0}, {third, -1, 1}, {-1.5, -1, 1}});
  expectColumns(*back, {{third, -1, 0}, {1.5, -1, 0}, {1.5, -1, 1}, {third, -1, 1}});
}

TEST(Split, TheClosingEdgeIsCutSoThePiecesCoverTheWholePolygon) {
  // The plane x = 1, facing +x; triangles whose first vertex is alone on its side.
  const PolygonRef splitter = newPolygon({{1, 0, 0}, {1, 1, 0}, {1, 1, 1}});
  ASSERT_EQ(splitter->normal, (Vec3{1, 0, 0}));
  const PolygonRef aloneInFront = newPolygon({{2, 0, 0}, {0, -1, 0}, {0, 1, 0}}, "t");
  const PolygonRef aloneBehind = newPolygon({{0, 0, 0}, {2, 1, 0}, {2, -1, 0}}, "u");
  for (const PolygonRef& t : {aloneInFront, aloneBehind}) {
    const auto [front, back] = splitPoly(*t, *splitter);
    ASSERT_TRUE(front && back) << t->label;
    EXPECT_NEAR(area(*front) + area(*back), area(*t), 1e-12) << t->label;
    EXPECT_EQ(inFront(front->points, *splitter), -1);
    EXPECT_EQ(inFront(back->points, *splitter), 1);
    // Both pieces face the way the triangle does.
    EXPECT_NEAR(dot(front->normal, t->normal), 1, 1e-12);
    EXPECT_NEAR(dot(back->normal, t->normal), 1, 1e-12);
  }
  const auto [front, back] = splitPoly(*aloneInFront, *splitter);
  expectColumns(*front, {{2, 0, 0}, {1, -0.5, 0}, {1, 0.5, 0}});
  expectColumns(*back, {{1, -0.5, 0}, {0, -1, 0}, {0, 1, 0}, {1, 0.5, 0}});
}

TEST(Split, AVertexOnThePlaneBelongsToTheFrontAndRepeatsThere) {
  // The plane x = 1, facing -x. The second vertex lies on it, just before the walk crosses.
  const PolygonRef splitter = newPolygon({{1, 0, 0}, {1, 0, 1}, {1, 1, 1}});
  ASSERT_EQ(splitter->normal, (Vec3{-1, 0, 0}));
  const PolygonRef quad = newPolygon({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {0, 1, 0}}, "q");
  const auto [front, back] = splitPoly(*quad, *splitter);
  ASSERT_TRUE(front && back);
  expectColumns(*front, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  expectColumns(*back, {{1, 0, 0}, {2, 1, 0}, {1, 1, 0}});
  // The repeated vertex makes the first three collinear; the normal still is the quad's.
  EXPECT_EQ(front->normal, (Vec3{0, 0, 1}));
  EXPECT_NEAR(area(*front) + area(*back), area(*quad), 1e-12);
}

TEST(Split, APieceWithNoAreaIsDropped) {
  // A wall in the plane y = 0 with a spike of no width that reaches below the floor z = 0 and
  // comes back the same way: its back piece would be a segment, a polygon with no plane.
  const PolygonRef ground = newPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  const PolygonRef spiked = newPolygon(
      {{0, 0, 1}, {2, 0, 1}, {2, 0, 0.5}, {1, 0, 0.5}, {1, 0, -1}, {1, 0, 0.5}, {0, 0, 0.5}}, "s");
  ASSERT_EQ(inFront(spiked->points, *ground), 0);
  const auto [front, back] = splitPoly(*spiked, *ground);
  ASSERT_TRUE(front);
  EXPECT_FALSE(back);
  EXPECT_NEAR(area(*front), area(*spiked), 1e-12);
}

}  // namespace
}  // namespace kolvar::bsp
