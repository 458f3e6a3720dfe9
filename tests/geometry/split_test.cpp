// The side test and the convex splitter, under both policies for vertices on the plane.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/polygon_normal.hpp"
#include "geometry/split.hpp"

namespace kolvar::geometry {
namespace {

using Points = std::vector<Vec3>;
using Flags = std::vector<bool>;

constexpr double kTol = 1e-10;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double area(const Points& p) { return norm(newellNormal(p)) / 2; }

struct Parts {
  SplitPart front, back;
};

Parts split(const Points& points, const Plane& plane, OnPlane onPlane, const Flags* edges = nullptr) {
  Parts parts;
  splitConvex(points, edges, plane, kTol, onPlane, parts.front, parts.back);
  return parts;
}

const Plane kX1{{1, 0, 0}, {1, 0, 0}};  // x = 1, facing +x

TEST(Side, WithinTheToleranceIsOnAndNotANumberIsOnNeitherSide) {
  EXPECT_EQ(sideOf(kTol, kTol), Side::On);
  EXPECT_EQ(sideOf(-kTol, kTol), Side::On);
  EXPECT_EQ(sideOf(std::nextafter(kTol, 1.0), kTol), Side::Front);
  EXPECT_EQ(sideOf(std::nextafter(-kTol, -1.0), kTol), Side::Back);
  EXPECT_EQ(sideOf(kNaN, kTol), Side::Straddling);
  for (double d : {0.0, kTol, -kTol, std::nextafter(-kTol, -1.0), -1.0, 1.0, kNaN})
    EXPECT_EQ(behind(d, kTol), sideOf(d, kTol) == Side::Back) << d;

  const Vec3 on{1, 5, 5}, front{1.1, 0, 0}, back{0.9, 0, 0}, nan{kNaN, 0, 0};
  EXPECT_EQ(sideOf(Points{}, kX1, kTol), Side::On);
  EXPECT_EQ(sideOf(Points{on, on}, kX1, kTol), Side::On);
  EXPECT_EQ(sideOf(Points{on, front}, kX1, kTol), Side::Front);
  EXPECT_EQ(sideOf(Points{back, on}, kX1, kTol), Side::Back);
  EXPECT_EQ(sideOf(Points{front, back}, kX1, kTol), Side::Straddling);
  EXPECT_EQ(sideOf(Points{front, nan}, kX1, kTol), Side::Straddling);
  EXPECT_EQ(sideOf(Points{on}, Plane{{1, 0, 0}, {kNaN, kNaN, kNaN}}, kTol), Side::Straddling);
}

TEST(SplitConvex, TheClosingEdgeIsCutSoThePartsCoverTheWholePolygon) {
  // The first vertex is alone on its side: without the closing edge's cut its corner is lost.
  const Points tri{{2, 0, 0}, {0, -1, 0}, {0, 1, 0}};
  for (OnPlane on : {OnPlane::Front, OnPlane::Both}) {
    const Parts t = split(tri, kX1, on);
    EXPECT_EQ(t.front.points, (Points{{2, 0, 0}, {1, -0.5, 0}, {1, 0.5, 0}}));
    EXPECT_EQ(t.back.points, (Points{{1, -0.5, 0}, {0, -1, 0}, {0, 1, 0}, {1, 0.5, 0}}));
    EXPECT_EQ(t.front.normal, (Vec3{0, 0, -1}));  // the triangle's own, wound clockwise
    EXPECT_EQ(t.back.normal, (Vec3{0, 0, -1}));
  }
  // Off the grid: both parts hold the very same cut points, which lie on the plane.
  const Points odd{{1.3, 0.1, 0.7}, {0.2, -0.9, 0.3}, {0.4, 1.1, -0.2}};
  const Plane slanted{{0.9, 0.2, 0.1}, normalized(Vec3{1, 0.3, -0.2})};
  const Parts s = split(odd, slanted, OnPlane::Front);
  ASSERT_EQ(s.front.points.size(), 3u);
  ASSERT_EQ(s.back.points.size(), 4u);
  EXPECT_EQ(s.front.points[1], s.back.points[0]);
  EXPECT_EQ(s.front.points[2], s.back.points[3]);
  EXPECT_NEAR(distance(slanted, s.front.points[1]), 0, 1e-15);
  EXPECT_NEAR(distance(slanted, s.front.points[2]), 0, 1e-15);
  EXPECT_NEAR(area(s.front.points) + area(s.back.points), area(odd), 1e-15);
}

TEST(SplitConvex, EdgeFlagsFollowThePiecesAndTheCutIsNoOriginalEdge) {
  const Points tri{{2, 0, 0}, {0, -1, 0}, {0, 1, 0}};
  const Flags edges{true, false, true};
  const Parts t = split(tri, kX1, OnPlane::Both, &edges);
  EXPECT_EQ(t.front.edges, (Flags{true, false, true}));  // v0 -> cut, the cut, cut -> v0
  EXPECT_EQ(t.back.edges, (Flags{true, false, true, false}));
  EXPECT_TRUE(split(tri, kX1, OnPlane::Both).front.edges.empty());  // not tracked
}

TEST(SplitConvex, AVertexOnThePlaneGoesFrontOrIntoBothParts) {
  // The second corner lies on the plane; the walk crosses from behind to the front there.
  const Points quad{{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {0, 1, 0}};
  const Parts f = split(quad, kX1, OnPlane::Front);
  // Counted in front, the corner is where the edge into it is cut: it repeats in the front part,
  // whose first three vertices then lie on a line, so its normal comes from Newell's.
  EXPECT_EQ(f.front.points, (Points{{1, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 1, 0}}));
  EXPECT_EQ(f.back.points, (Points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  EXPECT_EQ(f.front.normal, (Vec3{0, 0, 1}));

  const Flags edges{true, true, true, false};
  const Parts b = split(quad, kX1, OnPlane::Both, &edges);
  EXPECT_EQ(b.front.points, (Points{{1, 0, 0}, {2, 1, 0}, {1, 1, 0}}));
  EXPECT_EQ(b.back.points, (Points{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  // The corner's outgoing edge runs into the front part; in the back part the cut follows it.
  EXPECT_EQ(b.front.edges, (Flags{true, true, false}));
  EXPECT_EQ(b.back.edges, (Flags{true, false, true, false}));
}

TEST(SplitConvex, APartWithNoAreaIsDropped) {
  // A square touching the plane along its first edge: what lies on the plane is no part.
  const Points square{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}};
  for (OnPlane on : {OnPlane::Front, OnPlane::Both}) {
    const Parts s = split(square, kX1, on);
    EXPECT_TRUE(s.front.points.empty());
    EXPECT_EQ(area(s.back.points), 1);
  }
  const Parts none = split({}, kX1, OnPlane::Front);
  EXPECT_TRUE(none.front.points.empty() && none.back.points.empty());
}

TEST(SplitConvex, ACutThatWouldLeaveASliverLeavesThePolygonWholeOnTheSideOfTheRest) {
  // A triangle whose tip reaches just beyond the tolerance in front of x = 0: the tip is a
  // triangle 1.2e-10 high and as wide, less than the tolerance squared in area.
  const Plane x0{{0, 0, 0}, {1, 0, 0}};
  const Points tri{{-1, 0, 0}, {1.2e-10, 0.5, 0}, {-1, 1, 0}};
  const Flags edges{true, false, true};
  for (OnPlane on : {OnPlane::Front, OnPlane::Both}) {
    Parts p;
    splitConvex(tri, &edges, x0, kTol, on, p.front, p.back);
    EXPECT_TRUE(p.front.points.empty());
    EXPECT_EQ(p.back.points, tri);  // whole: its own points and edge flags, nothing cut
    EXPECT_EQ(p.back.edges, edges);
    EXPECT_EQ(p.back.normal, (Vec3{0, 0, 1}));
    // The mirror image: the sliver behind, the polygon whole in front.
    Points mirrored = tri;
    for (Vec3& v : mirrored) v.x = -v.x;
    splitConvex(mirrored, nullptr, x0, kTol, on, p.front, p.back);
    EXPECT_EQ(p.front.points, mirrored);
    EXPECT_TRUE(p.back.points.empty());
  }
  // A tip ten times higher covers a hundred times more: a piece, shared cut points and all.
  const Parts cut = split({{-1, 0, 0}, {1.2e-9, 0.5, 0}, {-1, 1, 0}}, x0, OnPlane::Front);
  ASSERT_EQ(cut.front.points.size(), 3u);
  ASSERT_EQ(cut.back.points.size(), 4u);
  EXPECT_EQ(cut.front.points[0], cut.back.points[1]);  // bitwise the same double
  EXPECT_EQ(cut.front.points[2], cut.back.points[2]);
  // Both parts slivers: the whole polygon, tiny as it is, goes to the larger one.
  const Parts tiny = split({{-1.5e-10, 0, 0}, {1.5e-10, 0.25e-10, 0}, {-1.5e-10, 0.5e-10, 0}}, x0, OnPlane::Front);
  EXPECT_TRUE(tiny.front.points.empty());
  EXPECT_EQ(tiny.back.points.size(), 3u);
}

TEST(SplitConvex, APlaneWithANotANumberNormalLeavesThePolygonWholeInFront) {
  const Points tri{{2, 0, 0}, {0, -1, 0}, {0, 1, 0}};
  const Parts p = split(tri, Plane{{1, 0, 0}, {kNaN, 0, 0}}, OnPlane::Front);
  EXPECT_EQ(p.front.points, tri);
  EXPECT_TRUE(p.back.points.empty());
}

TEST(NewellNormal, KeepsItsPrecisionFarFromTheOrigin) {
  // Coordinates that do not add up exactly: an absolute sum would lose about 1e-7 here.
  const double x0 = 1e9 + 0.1, x1 = 1e9 + 1.3, y0 = 2e9 + 0.7, y1 = 2e9 + 2.9;
  const Vec3 n = newellNormal({{x0, y0, 3}, {x1, y0, 3}, {x1, y1, 3}, {x0, y1, 3}});
  EXPECT_NEAR(n.z, 2 * (x1 - x0) * (y1 - y0), 1e-12);
  EXPECT_EQ(n.x, 0);
  EXPECT_EQ(n.y, 0);
}

}  // namespace
}  // namespace kolvar::geometry
