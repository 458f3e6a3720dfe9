// The depth order of faces: crossing faces are cut and every piece drawn in order, a mesh is
// ordered along its grid lines without a cut, walls apart in height are kept whole, and the
// order stays exact where corners lie on the planes between objects. Checked against the order
// found independently at sample points of the screen.
#include <gtest/gtest.h>

#include <random>

#include "graphics/depth_order.hpp"
#include "../geometry/order_oracles.hpp"

using namespace kolvar::graphics;

namespace {

using kolvar::geometry::testing::misorderedSamples;

// The face pieces of a tree in the order its walk draws them for a viewer along -toViewer.
int misordered(const DepthTree& tree, Vec3 toViewer) {
  std::vector<std::vector<Vec3>> drawn;
  for (const DepthStep& s : farToNear(tree, toViewer))
    if (s.face) drawn.push_back(tree.faces[s.index].points);
  return misorderedSamples(drawn, toViewer);
}

std::vector<Vec3> someViews() {
  std::mt19937 rng(5);
  std::normal_distribution<double> g;
  std::vector<Vec3> views{{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, -1, 0}};  // along the grid lines too
  for (int i = 0; i < 12; ++i) views.push_back({g(rng), g(rng), g(rng)});
  return views;
}

DepthFace face(std::vector<Vec3> points, int id) { return DepthFace{std::move(points), {}, id}; }

}  // namespace

TEST(DepthOrder, AHeightFieldIsOrderedAlongItsGridLinesWithoutCuttingATriangle) {
  constexpr int n = 8;
  auto at = [](int i) { return -0.45 + 0.9 * i / n; };
  auto height = [](double x, double y) { return 0.2 * std::sin(7 * x) * std::cos(5 * y); };
  std::vector<DepthFace> mesh;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const Vec3 a{at(i), at(j), height(at(i), at(j))}, b{at(i + 1), at(j), height(at(i + 1), at(j))},
          c{at(i + 1), at(j + 1), height(at(i + 1), at(j + 1))}, d{at(i), at(j + 1), height(at(i), at(j + 1))};
      mesh.push_back(face({a, b, c}, static_cast<int>(mesh.size())));
      mesh.push_back(face({a, c, d}, static_cast<int>(mesh.size())));
    }
  }
  const DepthTree tree = buildDepthTree(mesh, {});
  EXPECT_EQ(tree.faces.size(), mesh.size());
  for (const Vec3& v : someViews()) EXPECT_EQ(misordered(tree, v), 0) << v.x << " " << v.y << " " << v.z;
}

TEST(DepthOrder, WallsCrossingOnThePlanAreCutOnlyWhereTheyMeetInHeight) {
  // Two upright walls crossing in plan; each one's plane runs through the other.
  auto wall = [](Vec3 a, Vec3 b, double z0, double z1, int id) {
    return face({{a.x, a.y, z0}, {b.x, b.y, z0}, {b.x, b.y, z1}, {a.x, a.y, z1}}, id);
  };
  const Vec3 a0{-0.3, -0.2, 0}, a1{0.3, 0.2, 0}, b0{-0.2, 0.3, 0}, b1{0.2, -0.3, 0};
  // One above the other: a plane between them leaves both whole.
  const DepthTree apart = buildDepthTree({wall(a0, a1, -0.3, -0.1, 0), wall(b0, b1, 0.1, 0.3, 1)}, {});
  EXPECT_EQ(apart.faces.size(), 2u);
  // Overlapping in height they meet, and one of them must be cut.
  const DepthTree meeting = buildDepthTree({wall(a0, a1, -0.3, 0.1, 0), wall(b0, b1, -0.1, 0.3, 1)}, {});
  EXPECT_EQ(meeting.faces.size(), 3u);
  for (const Vec3& v : someViews()) {
    EXPECT_EQ(misordered(apart, v), 0) << v.x << " " << v.y << " " << v.z;
    EXPECT_EQ(misordered(meeting, v), 0) << v.x << " " << v.y << " " << v.z;
  }
}

TEST(DepthOrder, CrossingTrianglesAreCutAndEveryPieceIsDrawnInOrder) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coord(-0.45, 0.45), offset(-0.15, 0.15);
  std::vector<DepthFace> crowd;
  for (int i = 0; i < 60; ++i) {
    const Vec3 c{coord(rng), coord(rng), coord(rng)};
    DepthFace f;
    for (int k = 0; k < 3; ++k) f.points.push_back(c + Vec3{offset(rng), offset(rng), offset(rng)});
    f.id = i;
    for (DepthFace& flat : flatFaces(f)) crowd.push_back(std::move(flat));
  }
  const DepthFace a = face({{-0.25, 0, -0.25}, {0.25, 0, -0.25}, {0.25, 0, 0.25}, {-0.25, 0, 0.25}}, 0);
  const DepthFace b = face({{0, -0.25, -0.25}, {0, 0.25, -0.25}, {0, 0.25, 0.25}, {0, -0.25, 0.25}}, 1);
  const DepthTree pair = buildDepthTree({a, b}, {});
  const DepthTree tree = buildDepthTree(crowd, {});
  EXPECT_EQ(pair.faces.size(), 3u);  // one of the two is cut by the other's plane
  EXPECT_GT(tree.faces.size(), crowd.size());
  for (const Vec3& v : someViews()) {
    EXPECT_EQ(misordered(pair, v), 0) << v.x << " " << v.y << " " << v.z;
    EXPECT_EQ(misordered(tree, v), 0) << v.x << " " << v.y << " " << v.z;
  }
}

TEST(DepthOrder, FacesInOnePlaneKeepTheirInputOrderFromEitherSide) {
  // A sheet and a smaller tile on it (a plane drawn under its polygon): the later one is on top.
  const DepthFace sheet = face({{-0.3, -0.3, 0}, {0.3, -0.3, 0}, {0.3, 0.3, 0}, {-0.3, 0.3, 0}}, 0);
  const DepthFace tile = face({{-0.1, -0.1, 0}, {0.1, -0.1, 0}, {0.1, 0.1, 0}, {-0.1, 0.1, 0}}, 1);
  for (const bool tileFirst : {false, true}) {
    const DepthTree tree = buildDepthTree(tileFirst ? std::vector{tile, sheet} : std::vector{sheet, tile}, {});
    for (const Vec3& v : {Vec3{0.2, 0.1, 1}, Vec3{-0.3, 0.2, -1}}) {
      std::vector<int> ids;
      for (const DepthStep& s : farToNear(tree, v)) ids.push_back(tree.faces[s.index].id);
      EXPECT_EQ(ids, tileFirst ? (std::vector<int>{1, 0}) : (std::vector<int>{0, 1})) << v.z;
    }
  }
}
