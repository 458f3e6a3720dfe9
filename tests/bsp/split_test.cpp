// Splitting a polygon by another one's plane: the pieces' labels, columns and normals (how the
// kernel cuts is tested with it).
#include <gtest/gtest.h>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

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

TEST(Split, AVertexOnThePlaneRepeatsInTheFrontPieceWhichKeepsItsNormal) {
  // The plane x = 1, facing -x. The second vertex lies on it, just before the walk crosses.
  const PolygonRef splitter = newPolygon({{1, 0, 0}, {1, 0, 1}, {1, 1, 1}});
  const PolygonRef quad = newPolygon({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {0, 1, 0}}, "q");
  const auto [front, back] = splitPoly(*quad, *splitter);
  expectColumns(front, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  expectColumns(back, {{1, 0, 0}, {2, 1, 0}, {1, 1, 0}});
  EXPECT_EQ(front->normal, (Vec3{0, 0, 1}));  // first three collinear: Newell's normal
}

}  // namespace
}  // namespace kolvar::bsp
