// Splitting a polygon by another one's plane.
#include <gtest/gtest.h>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

using testing::area;

void expectColumns(const PolygonRef& p, const std::vector<Vec3>& expected) {
  ASSERT_TRUE(p);
  ASSERT_EQ(p->points.size(), expected.size()) << p->label;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(p->points[i].x, expected[i].x, 1e-15) << p->label << " column " << i;
    EXPECT_NEAR(p->points[i].y, expected[i].y, 1e-15) << p->label << " column " << i;
    EXPECT_NEAR(p->points[i].z, expected[i].z, 1e-15) << p->label << " column " << i;
  }
}

TEST(Split, Scene3WallOneByWallsTwoAndThree) {
  const PolygonList scene = presetScenes()[2];
  // Four columns each: a vertical plane never cuts the closing edge of a wall listed bottom,
  // bottom, top, top, so the presets split exactly as without that cut.
  const auto [a, b] = splitPoly(*scene[0], *scene[1]);
  EXPECT_EQ(a->label, "1a");
  EXPECT_EQ(b->label, "1b");
  const double m = -1.0 / 3;
  expectColumns(a, {{m, -1, 0}, {1.5, -1, 0}, {1.5, -1, 1}, {m, -1, 1}});
  expectColumns(b, {{-1.5, -1, 0}, {m, -1, 0}, {m, -1, 1}, {-1.5, -1, 1}});
  EXPECT_EQ(a->normal, (Vec3{0, -1, 0}));
  EXPECT_EQ(b->normal, (Vec3{0, -1, 0}));
  EXPECT_EQ(scene[0]->points.size(), 4u);  // the original is untouched

  const auto [c, d] = splitPoly(*scene[0], *scene[2]);
  const double t = 1.0 / 3;
  expectColumns(c, {{-1.5, -1, 0}, {t, -1, 0}, {t, -1, 1}, {-1.5, -1, 1}});
  expectColumns(d, {{t, -1, 0}, {1.5, -1, 0}, {1.5, -1, 1}, {t, -1, 1}});
}

TEST(Split, TheClosingEdgeIsCutSoThePiecesCoverTheWholePolygon) {
  // The plane x = 1, facing +x; triangles whose first vertex is alone on its side.
  const PolygonRef splitter = newPolygon({{1, 0, 0}, {1, 1, 0}, {1, 1, 1}});
  const PolygonRef aloneInFront = newPolygon({{2, 0, 0}, {0, -1, 0}, {0, 1, 0}}, "t");
  const PolygonRef aloneBehind = newPolygon({{0, 0, 0}, {2, 1, 0}, {2, -1, 0}}, "u");
  for (const PolygonRef& tri : {aloneInFront, aloneBehind}) {
    const auto [front, back] = splitPoly(*tri, *splitter);
    ASSERT_TRUE(front && back) << tri->label;
    EXPECT_NEAR(area(*front) + area(*back), area(*tri), 1e-12) << tri->label;
    EXPECT_EQ(inFront(front->points, *splitter), -1);
    EXPECT_EQ(inFront(back->points, *splitter), 1);
    EXPECT_NEAR(dot(front->normal, tri->normal), 1, 1e-12);  // both face the triangle's way
    EXPECT_NEAR(dot(back->normal, tri->normal), 1, 1e-12);
  }
  const auto [front, back] = splitPoly(*aloneInFront, *splitter);
  expectColumns(front, {{2, 0, 0}, {1, -0.5, 0}, {1, 0.5, 0}});
  expectColumns(back, {{1, -0.5, 0}, {0, -1, 0}, {0, 1, 0}, {1, 0.5, 0}});
}

TEST(Split, AVertexOnThePlaneRepeatsInTheFrontPieceWhichKeepsItsNormal) {
  // The plane x = 1, facing -x. The second vertex lies on it, just before the walk crosses.
  const PolygonRef splitter = newPolygon({{1, 0, 0}, {1, 0, 1}, {1, 1, 1}});
  const PolygonRef quad = newPolygon({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {0, 1, 0}}, "q");
  const auto [front, back] = splitPoly(*quad, *splitter);
  expectColumns(front, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  expectColumns(back, {{1, 0, 0}, {2, 1, 0}, {1, 1, 0}});
  EXPECT_EQ(front->normal, (Vec3{0, 0, 1}));  // first three collinear: Newell's normal
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
