// The polygon record, its normal and the side test.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "bsp/bsp.hpp"

namespace kolvar::bsp {
namespace {

// The unit square in the plane z = 0, facing +z: its normal is exactly (0, 0, 1).
PolygonRef ground() { return newPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, "floor"); }

TEST(Polygon, NormalFollowsTheFirstEdgeAndDiagonal) {
  const PolygonRef wall = presetScenes()[0][0];  // the wall labelled 1 of scene 1
  const double len = std::sqrt(0.97);
  EXPECT_DOUBLE_EQ(wall->normal.x, 0.4 / len);
  EXPECT_DOUBLE_EQ(wall->normal.y, -0.9 / len);
  EXPECT_EQ(wall->normal.z, 0);
  EXPECT_NEAR(wall->normal.x, 0.4061, 5e-5);
  EXPECT_NEAR(wall->normal.y, -0.9138, 5e-5);
}

TEST(Polygon, NormalFallsBackToNewellWhereTheFirstThreeVerticesAreCollinear) {
  // First three on one line, and a repeated first vertex: both faced +z by their winding.
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
  EXPECT_TRUE(std::isnan(newPolygon({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}})->normal.x));
  const struct {
    std::vector<Vec3> points;
    const char* message;
  } cases[] = {
      {{{0, 0, 0}, {1, 0, 0}}, "Bad polygon \"p\": fewer than three vertices (2)."},
      {{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {-1, -1, -1}},
       "Bad polygon \"p\": all vertices lie on one line, so the polygon has no plane."},
      {{{0, 0, 0}, {1, 0, 0}, {1, NAN, 0}}, "Bad polygon \"p\": points[2] has a coordinate that is not finite."},
      {{{0, 0, 0}, {1, 0, 0}, {1, 1, 2e15}}, "Bad polygon \"p\": points[2] has a coordinate beyond +-1e15."},
  };
  for (const auto& c : cases) {
    try {
      checkedPolygon(c.points, "p");
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Input);
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(checkedPolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, "ok")->normal, (Vec3{0, 0, 1}));
  // The runtime's index error, as for any missing vertex.
  EXPECT_THROW(newPolygon({{0, 0, 0}, {1, 0, 0}}), Error);
}

TEST(SideTest, PointsWithinEpsilonOfThePlaneCountAsInFront) {
  const PolygonRef f = ground();
  EXPECT_EQ(inFront(Vec3{0.5, 0.5, 0}, *f), -1);
  EXPECT_EQ(inFront(Vec3{3, -7, 0.9e-10}, *f), -1);
  EXPECT_EQ(inFront(Vec3{3, -7, -0.9e-10}, *f), -1);
  EXPECT_EQ(inFront(Vec3{0, 0, -2e-10}, *f), 1);
  EXPECT_EQ(inFront(Vec3{0, 0, 5}, *f), -1);
  EXPECT_EQ(inFront(std::vector<Vec3>{{0, 0, -2e-10}}, *f), 1);
  EXPECT_EQ(inFront(std::vector<Vec3>{{0, 0, -2e-10}, {0, 0, 2e-10}}, *f), 0);
  EXPECT_EQ(inFront(std::vector<Vec3>{{0, 0, -0.9e-10}, {0, 0, 0.9e-10}}, *f), -1);
  EXPECT_EQ(inFront(std::vector<Vec3>{}, *f), -1);
}

TEST(SideTest, PolygonsInThePlaneAreInFrontAndTouchingOnesKeepTheirSide) {
  const PolygonRef f = ground();
  const std::vector<Vec3> coplanar{{5, 5, 0}, {6, 5, 0}, {6, 6, 0}};
  const std::vector<Vec3> touchingBelow{{0, 0, 0}, {1, 0, 0}, {1, 0, -1}, {0, 0, -1}};
  const std::vector<Vec3> touchingAbove{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
  EXPECT_EQ(inFront(coplanar, *f), -1);
  EXPECT_EQ(inFront(touchingBelow, *f), 1);
  EXPECT_EQ(inFront(touchingAbove, *f), -1);
  // The plane goes through the first vertex, not the origin.
  const PolygonRef raised = newPolygon({{0, 0, 2}, {1, 0, 2}, {1, 1, 2}});
  EXPECT_EQ(inFront(Vec3{0, 0, 1}, *raised), 1);
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
