// Properties of the BSP core and of the renderer's depth order on generated scenes, checked on
// random similar copies of them: turned, scaled by 1e-3 to 1e6 and moved up to 1e7 away.
//
// Four fixed seeds run by default; KOLVAR_PROPERTY_SEEDS=N runs N seeds (the seeds 1..N), e.g.
//   KOLVAR_PROPERTY_SEEDS=200 build/tests/scenes/test_scenes --gtest_filter='Property*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "../geometry/rays.hpp"
#include "bsp/bsp.hpp"
#include "scenes/generators.hpp"

namespace kolvar::scenes {
namespace {

using bsp::BspElement;
using bsp::NodeRef;
using bsp::Polygon;
using bsp::PolygonList;
using bsp::PolygonRef;
using geometry::Vec3;

std::uint64_t seedCount() {
  const char* text = std::getenv("KOLVAR_PROPERTY_SEEDS");
  const long n = text ? std::atol(text) : 0;
  return n > 0 ? static_cast<std::uint64_t>(n) : 4;
}

// Uniform numbers from the generator's bits, the same on every machine.
struct Random {
  explicit Random(std::uint64_t seed) : rng(seed) {}
  double operator()(double lo, double hi) { return lo + (hi - lo) * (static_cast<double>(rng() >> 11) * 0x1.0p-53); }
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(rng() % n); }
  std::mt19937_64 rng;
};

double area(const std::vector<Vec3>& points) { return norm(geometry::newellNormal(points)) / 2; }

Vec3 lo(const PolygonList& scene) {
  Vec3 m{INFINITY, INFINITY, INFINITY};
  for (const PolygonRef& p : scene)
    for (const Vec3& q : p->points) m = {std::min(m.x, q.x), std::min(m.y, q.y), std::min(m.z, q.z)};
  return m;
}
Vec3 hi(const PolygonList& scene) {
  Vec3 m{-INFINITY, -INFINITY, -INFINITY};
  for (const PolygonRef& p : scene)
    for (const Vec3& q : p->points) m = {std::max(m.x, q.x), std::max(m.y, q.y), std::max(m.z, q.z)};
  return m;
}

// p -> scale R p + shift, R a rotation.
struct Similarity {
  Vec3 r[3];  // the rows of R
  double scale = 1;
  Vec3 shift;
  Vec3 operator()(const Vec3& p) const { return scale * Vec3{dot(r[0], p), dot(r[1], p), dot(r[2], p)} + shift; }
};

// A random turn, a scale from 1e-3 to 1e6 (even in its logarithm) and a shift of up to 1e7 in
// each coordinate, but at most 1e3 times the copy's own size: beyond that, doubles no longer hold
// the copy to the relative 1e-9 its areas are checked to (a scene a tenth of a unit across, placed
// 1e7 away, keeps only eight of its digits).
Similarity randomSimilarity(Random& random, double size) {
  double q[4];
  double len = 0;
  do {
    len = 0;
    for (double& c : q) {
      c = random(-1, 1);
      len += c * c;
    }
  } while (len > 1 || len < 1e-3);
  len = std::sqrt(len);
  const double w = q[0] / len, x = q[1] / len, y = q[2] / len, z = q[3] / len;
  Similarity s;
  s.r[0] = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)};
  s.r[1] = {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)};
  s.r[2] = {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)};
  s.scale = std::pow(10.0, random(-3, 6));
  const double reach = std::min(1e7, 1e3 * s.scale * size);
  s.shift = {random(-reach, reach), random(-reach, reach), random(-reach, reach)};
  return s;
}

PolygonList transformed(const PolygonList& scene, const Similarity& s) {
  std::vector<PolygonRef> out;
  for (const PolygonRef& p : scene) {
    std::vector<Vec3> points;
    for (const Vec3& q : p->points) points.push_back(s(q));
    out.push_back(bsp::newPolygon(std::move(points), p->label));
  }
  return PolygonList::from(std::move(out));
}

// The scenes of one seed, small enough for checks that compare every piece with every other.
std::vector<std::pair<std::string, PolygonList>> scenesOf(std::uint64_t seed) {
  return {{"walls", walls(40, seed)},
          {"boxes", boxes(8, seed)},
          {"terrain", terrain(3 + seed % 4)},
          {"room", roomWithPillars(1 + seed % 3)}};
}

// The whole tree, clicking a random waiting polygon each time (the same for the same seed), lists
// taken depth first.
NodeRef buildWithClicks(const PolygonList& scene, std::uint64_t seed) {
  Random random(seed);
  NodeRef root = bsp::freshRoot(scene);
  std::vector<PolygonList> waiting{scene};
  while (!waiting.empty()) {
    const PolygonList list = waiting.back();
    waiting.pop_back();
    NodeRef node = bsp::expandNode(list, random.below(list.size()));
    root = bsp::bspInsertNode(std::move(root), node);
    if (!node->element->back.empty()) waiting.push_back(node->element->back);
    if (!node->element->front.empty()) waiting.push_back(node->element->front);
  }
  return root;
}

// The tree's shape and labels, pre-order: "label(front)(back)", "-" for no child.
std::string shape(const NodeRef& n) {
  if (!n) return "-";
  return n->element->poly->label + "(" + shape(n->left) + ")(" + shape(n->right) + ")";
}

// Every placed piece with its ancestors' polygons and the side of each it hangs on (-1 front).
struct Placed {
  PolygonRef piece;
  std::vector<std::pair<const Polygon*, int>> above;
};
void collect(const NodeRef& n, std::vector<std::pair<const Polygon*, int>>& above, std::vector<Placed>& out) {
  if (!n) return;
  out.push_back({n->element->poly, above});
  above.emplace_back(n->element->poly.get(), -1);
  collect(n->left, above, out);
  above.back().second = 1;
  collect(n->right, above, out);
  above.pop_back();
}
std::vector<Placed> placed(const NodeRef& tree) {
  std::vector<Placed> out;
  std::vector<std::pair<const Polygon*, int>> above;
  collect(tree, above, out);
  return out;
}

// The least distance by which a vertex of a placed piece clears the plane of a node above it,
// among those that do clear it: how close the scene's own features come to a plane it chose.
double clearance(const NodeRef& tree) {
  double least = INFINITY;
  for (const Placed& p : placed(tree))
    for (const auto& [plane, side] : p.above)
      for (const Vec3& q : p.piece->points) {
        const double d = std::abs(geometry::distance(bsp::planeOf(*plane), q));
        if (d > bsp::sideTolerance(*p.piece, *plane)) least = std::min(least, d);
      }
  return least;
}

TEST(Property, TurnedScaledAndMovedScenesGiveTheSameTreeWithNoAreaLostAndEveryPieceOnItsSide) {
  std::size_t copies = 0;
  std::size_t unresolved = 0;
  for (std::uint64_t seed = 1; seed <= seedCount(); ++seed) {
    Random random(seed * 7919);
    for (const auto& [name, scene] : scenesOf(seed)) {
      const NodeRef originalTree = buildWithClicks(scene, seed);
      const std::string original = shape(originalTree);
      const double gap = clearance(originalTree);
      const double size = norm(hi(scene) - lo(scene));
      for (int copy = 0; copy < 3; ++copy) {
        const Similarity s = randomSimilarity(random, size);
        const PolygonList moved = transformed(scene, s);
        const NodeRef tree = buildWithClicks(moved, seed);
        SCOPED_TRACE(name + ", seed " + std::to_string(seed) + ", scale " + std::to_string(s.scale) +
                     ", shift " + std::to_string(s.shift.x) + " " + std::to_string(s.shift.y) + " " +
                     std::to_string(s.shift.z));
        ++copies;
        // Features of the scene that come closer to a plane than the copy's tolerance lie in it
        // there: far from the origin, doubles cannot tell them apart, and neither may the core.
        // Such copies (a handful in thousands of seeds) cannot give the same tree.
        if (s.scale * gap <= 2 * bsp::sideTolerance(geometry::magnitude(lo(moved)), geometry::magnitude(hi(moved)))) {
          ++unresolved;
        } else {
          EXPECT_EQ(shape(tree), original);
        }
        double polygons = 0;
        for (const PolygonRef& p : moved) polygons += area(p->points);
        double pieces = 0;
        std::size_t misplaced = 0;
        for (const Placed& p : placed(tree)) {
          pieces += area(p.piece->points);
          for (const auto& [plane, side] : p.above) misplaced += bsp::inFront(p.piece->points, *plane) != side;
        }
        EXPECT_NEAR(pieces, polygons, 1e-9 * polygons);
        EXPECT_EQ(misplaced, 0u);
      }
    }
  }
  EXPECT_LE(unresolved * 100, copies);  // the scenes are resolvable at every scale but in rare copies
}

TEST(Property, FacesInTheSplittersPlaneAreNeverCutByItAndEveryCountAgreesWithTheFiling) {
  std::size_t coplanarPairs = 0;
  for (std::uint64_t seed = 1; seed <= seedCount(); ++seed) {
    Random random(seed * 104729);
    for (const auto& [name, scene] : scenesOf(seed)) {
      // Faces that share a plane in the scene as generated, told by a test far tighter than the
      // side test's: the generators put them there exactly.
      std::map<std::size_t, std::vector<std::size_t>> coplanar;
      for (std::size_t i = 0; i < scene.size(); ++i)
        for (std::size_t j = 0; j < scene.size(); ++j)
          if (i != j && geometry::sideOf(scene[j]->points, bsp::planeOf(*scene[i]), 1e-13) == geometry::Side::On)
            coplanar[i].push_back(j);
      const Similarity s = randomSimilarity(random, norm(hi(scene) - lo(scene)));
      const PolygonList moved = transformed(scene, s);
      for (const auto& [i, others] : coplanar) {
        const NodeRef node = bsp::expandNode(moved, i);
        std::vector<std::string> filed;  // the labels of everything filed, whole or cut
        for (const NodeRef& child : {node->left, node->right})
          if (child) filed.push_back(child->element->poly->label);
        for (const PolygonList& list : {node->element->front, node->element->back})
          for (const PolygonRef& p : list) filed.push_back(p->label);
        for (std::size_t j : others) {
          EXPECT_NE(std::find(filed.begin(), filed.end(), moved[j]->label), filed.end())
              << name << " seed " << seed << ": " << moved[j]->label << " cut by " << moved[i]->label;
          ++coplanarPairs;
        }
        // The strategies' counts and the preview tell of this very expansion, at any scale.
        const bsp::SideCounts counts = bsp::sideCounts(moved, i);
        const auto piecesOn = [](const NodeRef& child, const PolygonList& list) { return list.size() + (child ? 1 : 0); };
        EXPECT_EQ(counts.front, piecesOn(node->left, node->element->front)) << name << " seed " << seed;
        EXPECT_EQ(counts.back, piecesOn(node->right, node->element->back)) << name << " seed " << seed;
        EXPECT_EQ(bsp::previewSplit(moved, i).split.size(), counts.split) << name << " seed " << seed;
      }
    }
  }
  EXPECT_GT(coplanarPairs, 0u);  // boxes stand on one plane, pillars in rows
}

TEST(Property, ThePaintersOrderIsRightAlongEveryRayFromTheViewer) {
  std::size_t checked = 0;
  for (std::uint64_t seed = 1; seed <= seedCount(); ++seed) {
    Random random(seed * 15485863);
    for (const auto& [name, scene] : scenesOf(seed)) {
      const Vec3 l = lo(scene), h = hi(scene);
      const Similarity s = randomSimilarity(random, norm(h - l));
      const NodeRef tree = buildWithClicks(transformed(scene, s), seed);
      for (int v = 0; v < 4; ++v) {
        const Vec3 margin = 0.2 * (h - l);
        const Vec3 viewer = s({random(l.x - margin.x, h.x + margin.x), random(l.y - margin.y, h.y + margin.y),
                               random(l.z - margin.z, h.z + margin.z)});
        std::vector<std::vector<Vec3>> pieces;
        bsp::bspFarToNear(viewer, tree, [&](const BspElement& e) { pieces.push_back(e.poly->points); });
        EXPECT_EQ(geometry::testing::wrongPairs(pieces, viewer, nullptr, random, checked), 0u)
            << name << " seed " << seed << " viewer " << v;
      }
    }
  }
  EXPECT_GT(checked, 100u);  // the rays did meet pieces one behind another
}

}  // namespace
}  // namespace kolvar::scenes
