// The far-to-near walk over an index-linked node array.
#include <gtest/gtest.h>

#include <vector>

#include "geometry/far_to_near.hpp"

namespace kolvar::geometry {
namespace {

// A partition of a line: each node's plane is the point `at`, facing +x.
struct Node {
  double at = 0;
  int front = -1;
  int back = -1;
};

std::vector<double> walk(const std::vector<Node>& nodes, int root, double viewer) {
  std::vector<double> order;
  walkFarToNear(
      nodes, root, -1, [&](const Node& n) { return viewer >= n.at; },
      [&](const Node& n) { order.push_back(n.at); });
  return order;
}

TEST(FarToNear, FarSideThenNodeThenNearSide) {
  // 3 at the root, 1 and 5 below it, 0 2 4 6 as leaves.
  const std::vector<Node> nodes{{3, 2, 1}, {1, 4, 3}, {5, 6, 5}, {0, -1, -1}, {2, -1, -1}, {4, -1, -1}, {6, -1, -1}};
  EXPECT_EQ(walk(nodes, 0, 10), (std::vector<double>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(walk(nodes, 0, -10), (std::vector<double>{6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(walk(nodes, 0, 3.5), (std::vector<double>{0, 1, 2, 3, 6, 5, 4}));
  EXPECT_EQ(walk(nodes, 2, 3.5), (std::vector<double>{6, 5, 4}));
  EXPECT_TRUE(walk(nodes, -1, 0).empty());
}

TEST(FarToNear, AnyDepthIsSafe) {
  // A chain far deeper than the stack kept inline: seen from in front, every node waits on the
  // stack until the deepest one is drawn.
  constexpr int n = 100000;
  std::vector<Node> chain(n);
  for (int i = 0; i < n; ++i) chain[i] = {static_cast<double>(i), -1, i + 1 < n ? i + 1 : -1};
  const std::vector<double> fromFront = walk(chain, 0, n);
  const std::vector<double> fromBehind = walk(chain, 0, -1);
  ASSERT_EQ(fromFront.size(), static_cast<std::size_t>(n));
  ASSERT_EQ(fromBehind.size(), static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(fromFront[i], n - 1 - i);
    ASSERT_EQ(fromBehind[i], i);
  }
}

}  // namespace
}  // namespace kolvar::geometry
