// Cells: a box cut by planes stays closed and convex, and its sections are where the planes meet it.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/cell.hpp"
#include "geometry/polygon_normal.hpp"

namespace kolvar::geometry {
namespace {

// The volume of a closed polyhedron whose faces run counter-clockwise seen from outside.
double volume(const Cell& c) {
  double v = 0;
  for (const auto& f : c.faces)
    for (std::size_t i = 1; i + 1 < f.size(); ++i) v += dot(f[0], cross(f[i], f[i + 1])) / 6;
  return v;
}

double area(const std::vector<Vec3>& loop) { return norm(newellNormal(loop)) / 2; }

TEST(Cell, CuttingABoxKeepsAClosedConvexPartOfTheRightSize) {
  const Cell box = boxCell({0, 0, 0}, {2, 1, 1});
  EXPECT_EQ(box.faces.size(), 6u);
  EXPECT_NEAR(volume(box), 2, 1e-12);
  // x = 0.5 keeps a quarter in front... of the plane whose normal points to -x.
  const Plane p{{0.5, 0, 0}, {-1, 0, 0}};
  const Cell front = clipCell(box, p, true, 1e-12), back = clipCell(box, p, false, 1e-12);
  EXPECT_NEAR(volume(front), 0.5, 1e-12);
  EXPECT_NEAR(volume(back), 1.5, 1e-12);
  EXPECT_EQ(front.faces.size(), 6u);
  EXPECT_TRUE(contains(front, {0.25, 0.5, 0.5}, 1e-12));
  EXPECT_FALSE(contains(front, {0.75, 0.5, 0.5}, 1e-12));
  EXPECT_TRUE(contains(back, {0.75, 0.5, 0.5}, 1e-12));
  // A plane that misses the box keeps all of it on one side and nothing on the other.
  const Plane far{{5, 0, 0}, {1, 0, 0}};
  EXPECT_NEAR(volume(clipCell(box, far, false, 1e-12)), 2, 1e-12);
  EXPECT_TRUE(clipCell(box, far, true, 1e-12).empty());
  // A slanted cut through a corner leaves a tetrahedron: 4 faces, volume 1/6 of the unit corner.
  const Cell cube = boxCell({0, 0, 0}, {1, 1, 1});
  const Plane slant{{1, 0, 0}, normalized({1, 1, 1})};
  const Cell corner = clipCell(cube, slant, false, 1e-12);
  EXPECT_EQ(corner.faces.size(), 4u);
  EXPECT_NEAR(volume(corner), 1.0 / 6, 1e-12);
  EXPECT_EQ(corners(corner, 1e-12).size(), 4u);
}

TEST(Cell, ASectionIsWherePlaneAndCellMeetFacingThePlanesFront) {
  const Cell cube = boxCell({0, 0, 0}, {1, 1, 1});
  const Plane mid{{0.5, 0.5, 0.5}, normalized({1, 1, 1})};
  const auto hexagon = section(cube, mid, 1e-12);
  ASSERT_EQ(hexagon.size(), 6u);
  EXPECT_NEAR(area(hexagon), 3 * std::sqrt(3.0) / 4, 1e-12);
  EXPECT_GT(dot(newellNormal(hexagon), mid.normal), 0);
  for (const Vec3& p : hexagon) EXPECT_NEAR(distance(mid, p), 0, 1e-12);
  // Through a face: the face itself; beside the cube: nothing.
  EXPECT_NEAR(area(section(cube, {{0, 0, 1}, {0, 0, 1}}, 1e-12)), 1, 1e-12);
  EXPECT_TRUE(section(cube, {{0, 0, 2}, {0, 0, 1}}, 1e-12).empty());
}

}  // namespace
}  // namespace kolvar::geometry
