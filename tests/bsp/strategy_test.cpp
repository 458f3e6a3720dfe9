// Strategies, statistics and the step log's sentences, on the presets worked out by hand and on
// small generated scenes against a brute force over every order of choices.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "fixtures.hpp"

namespace kolvar::bsp {
namespace {

using namespace testing;

const Strategy kFirst{StrategyKind::First, 0};
const Strategy kFewest{StrategyKind::Fewest, 0};
const Strategy kBalanced{StrategyKind::Balanced, 0};
const Strategy kOptimal{StrategyKind::Optimal, 0};

std::string chosen(const NodeRef& tree, const Strategy& s) {
  const auto step = nextStep(tree, s);
  return step ? step->node->element->poly->label : "none";
}

NodeRef applyStep(const NodeRef& tree, const Strategy& s) { return bspInsertNode(tree, nextStep(tree, s)->node); }

// The tree's shape as text: labels in pre-order with waiting lists, for comparing trees.
std::string shape(const NodeRef& t) {
  if (!t) return "-";
  std::string s = t->element->poly ? t->element->poly->label : "?";
  s += "[" + joinLabels(labels(t->element->front), 99) + "|" + joinLabels(labels(t->element->back), 99) + "]";
  return "(" + s + " " + shape(t->left) + " " + shape(t->right) + ")";
}

// `count` walls 3 units long through the square [-1, 1]^2 at scattered angles: most pairs cross.
PolygonList crossingWalls(unsigned seed, int count = 6) {
  std::vector<PolygonRef> walls;
  std::uint64_t x = seed * 2654435761u + 1;
  auto next = [&x] {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(x >> 11) / 9007199254740992.0;
  };
  for (int i = 0; i < count; ++i) {
    const double cx = 2 * next() - 1, cy = 2 * next() - 1, a = 3.14159 * next();
    const double dx = 1.5 * std::cos(a), dy = 1.5 * std::sin(a);
    walls.push_back(newPolygon(
        {{cx - dx, cy - dy, 0}, {cx + dx, cy + dy, 0}, {cx + dx, cy + dy, 1}, {cx - dx, cy - dy, 1}},
        std::to_string(i + 1)));
  }
  return PolygonList::from(std::move(walls));
}

// The best finished tree over every order of choices, by trying them all.
Outcome bruteForce(const NodeRef& tree) {
  const auto where = firstWaitingList(tree);
  if (!where) {
    const Statistics s = statistics(tree, 0);
    return {s.nodes, s.depth};
  }
  Outcome best{SIZE_MAX, 0};
  for (std::size_t i = 0; i < where->list.size(); ++i) {
    const Outcome o = bruteForce(bspInsertNode(tree, expandNode(where->list, i)));
    if (o.pieces < best.pieces || (o.pieces == best.pieces && o.depth < best.depth)) best = o;
  }
  return best;
}

TEST(Strategy, ChoicesOnTheFiveWalls) {
  // Scene 1, each wall against the others' planes: 1 has 4 in front, 2 3 5 behind; 2 splits 3
  // and 4 and has 5 in front, 1 behind; 3 splits 5, with 1 2 in front, 4 behind; 4 and 5 have
  // everything behind.
  const NodeRef fresh = freshRoot(presetScenes()[0]);
  EXPECT_EQ(chosen(fresh, kFirst), "1");
  // No split with 1, 4 or 5; of those 1 is the best balanced (1 against 3).
  EXPECT_EQ(chosen(fresh, kFewest), "1");
  // Reordered 4 1 2 3 5: 4 comes first and splits nothing either, but leaves all four behind.
  const PolygonList one = presetScenes()[0];
  EXPECT_EQ(chooseSplitter(PolygonList::from({one[3], one[0], one[1], one[2], one[4]}), kFewest).index, 1u);
  // 2 leaves three on each side, counting its two split polygons on both.
  EXPECT_EQ(chosen(fresh, kBalanced), "2");

  // After 1, the list 2 3 5 waits behind it: 2 and 3 each split one, 5 none.
  const NodeRef afterOne = applyStep(fresh, kFewest);
  EXPECT_EQ(labels(firstWaitingList(afterOne)->list), (Labels{"2", "3", "5"}));
  EXPECT_EQ(chosen(afterOne, kFewest), "5");
  // 2 and 3 both leave two against one; the tie goes to the earlier.
  EXPECT_EQ(chosen(afterOne, kBalanced), "2");
  EXPECT_EQ(chosen(afterOne, kFirst), "2");

  // Fewest finishes with no split at all, which is also the optimum: depth 4 (1, 5, 3, 2).
  const Statistics fewest = statistics(buildWith(fresh, kFewest), 5);
  EXPECT_EQ(fewest.splits, 0u);
  EXPECT_EQ(optimalOutcome(presetScenes()[0]), (Outcome{5, 4}));
  const Statistics balanced = statistics(buildWith(fresh, kBalanced), 5);
  EXPECT_GE(balanced.splits, 2u);
}

TEST(Strategy, FirstWaitingListLooksAtANodesListsBeforeItsSubtrees) {
  NodeRef t = freshRoot(presetScenes()[0]);
  t = click(t, t->element->front, "2");  // front 3a 4a 5, back 1 3b 4b
  EXPECT_EQ(labels(firstWaitingList(t)->list), (Labels{"3a", "4a", "5"}));
  EXPECT_TRUE(firstWaitingList(t)->front);
  t = click(t, t->element->front, "5");  // a new node in front of 2, with a list of its own
  const auto next = firstWaitingList(t);
  EXPECT_FALSE(next->front);
  EXPECT_EQ(next->node, t.get());
  EXPECT_EQ(next->depth, 1u);
  EXPECT_EQ(labels(next->list), (Labels{"1", "3b", "4b"}));
  EXPECT_FALSE(firstWaitingList(buildWith(t, kFirst)));
}

TEST(Strategy, StepsAndWholeBuildsMakeTheSameTree) {
  // The choice depends on the list only, so the order lists are taken in does not matter; random
  // draws the same for the same seed and differs between some seeds.
  const PolygonList scenes[] = {presetScenes()[0], crossingWalls(3), crossingWalls(5, 12)};
  std::set<std::string> randomShapes;
  for (const PolygonList& scene : scenes) {
    for (const Strategy& s : {kFirst, kFewest, kBalanced, Strategy{StrategyKind::Random, 7}}) {
      NodeRef stepped = freshRoot(scene);
      while (nextStep(stepped, s)) stepped = applyStep(stepped, s);
      EXPECT_EQ(shape(stepped), shape(buildWith(freshRoot(scene), s))) << strategyName(s);
    }
    if (scene.size() == 6)
      for (std::uint64_t seed = 1; seed <= 5; ++seed)
        randomShapes.insert(shape(buildWith(freshRoot(scene), {StrategyKind::Random, seed})));
  }
  EXPECT_GT(randomShapes.size(), 1u);
}

TEST(Strategy, OptimalMatchesEveryOrderTried) {
  for (const PolygonList& scene : {presetScenes()[0], presetScenes()[1], presetScenes()[2], crossingWalls(1),
                                   crossingWalls(2), crossingWalls(3)}) {
    const Outcome brute = bruteForce(freshRoot(scene));
    EXPECT_EQ(optimalOutcome(scene), brute);
    // Building with the optimal choices reaches it.
    const Statistics built = statistics(buildWith(freshRoot(scene), kOptimal), scene.size());
    EXPECT_EQ((Outcome{built.nodes, built.depth}), brute);
  }
  // Crossing walls do split: the optimum is not simply the scene.
  EXPECT_GT(optimalOutcome(crossingWalls(1)).pieces, 6u);
  EXPECT_EQ(messageOf([] { optimalOutcome(crossingWalls(1, 11)); }),
            "The optimal strategy tries every order of choices, which is offered for at most 10 polygons; "
            "this list has 11.");
}

TEST(Strategy, LongListsScoreSixtyFourCandidates) {
  // Crossing walls that split each other, and two walls far outside that split nothing: one a
  // candidate (position 0), one not (position 2, between the candidates 1 and 3).
  std::vector<PolygonRef> list = crossingWalls(3, 100).toVector();
  for (std::size_t at : {0, 2})
    list[at] = newPolygon({{50, -1, 0}, {50, 1, 0}, {50, 1, 1}, {50, -1, 1}}, "far" + std::to_string(at));
  const PolygonList walls = PolygonList::from(std::move(list));
  std::set<std::size_t> spread;
  for (std::size_t i = 0; i < 64; ++i) spread.insert(i * 100 / 64);
  ASSERT_FALSE(spread.count(2));
  // The choice each rule makes among exactly those candidates, worked out here from the counts.
  const auto expected = [&](bool fewest) {
    std::size_t best = 0;
    std::tuple<std::size_t, std::size_t, std::size_t> bestKey{SIZE_MAX, SIZE_MAX, SIZE_MAX};
    for (std::size_t i : spread) {
      const SideCounts c = sideCounts(walls, i);
      const std::size_t gap = c.front > c.back ? c.front - c.back : c.back - c.front;
      const auto key = fewest ? std::tuple{c.split, gap, i} : std::tuple{gap, c.split, i};
      if (key < bestKey) bestKey = key, best = i;
    }
    return best;
  };
  ASSERT_EQ(expected(true), 0u);
  EXPECT_EQ(chooseSplitter(walls, kFewest).index, 0u);
  EXPECT_EQ(chooseSplitter(walls, kBalanced).index, expected(false));
}

TEST(Strategy, NamesAndRefusals) {
  EXPECT_EQ(strategyName(parseStrategy({"random", "42"})), "random 42");
  EXPECT_EQ(parseStrategy({"balanced"}).kind, StrategyKind::Balanced);
  const std::string expected = "\"random\" is not a strategy: first, fewest, balanced, random SEED or optimal.";
  EXPECT_EQ(messageOf([] { parseStrategy({"random"}); }), expected);
  EXPECT_NE(messageOf([] { parseStrategy({"random", "-1"}); }), "no error");
  EXPECT_NE(messageOf([] { parseStrategy({"first", "2"}); }), "no error");
  EXPECT_NE(messageOf([] { parseStrategy({"best"}); }), "no error");
}

TEST(Statistics, AfterKnownSequencesOnScene3) {
  const PolygonList scene = presetScenes()[2];
  NodeRef t = freshRoot(scene);
  Statistics s = statistics(t, 3);
  EXPECT_EQ((std::vector<std::size_t>{s.nodes, s.pieces, s.splits, s.depth, s.waiting}),
            (std::vector<std::size_t>{0, 3, 0, 0, 3}));
  EXPECT_FALSE(s.complete);
  t = click(t, t->element->front, "2");  // 1 split: 1b a leaf behind, 1a and 3 wait in front
  s = statistics(t, 3);
  EXPECT_EQ((std::vector<std::size_t>{s.nodes, s.pieces, s.splits, s.depth, s.waiting}),
            (std::vector<std::size_t>{2, 4, 1, 2, 2}));
  t = click(t, t->element->front, "3");  // 1a split again into two leaves under 3
  s = statistics(t, 3);
  EXPECT_EQ((std::vector<std::size_t>{s.nodes, s.pieces, s.splits, s.depth, s.waiting}),
            (std::vector<std::size_t>{5, 5, 2, 3, 0}));
  EXPECT_TRUE(s.complete);
  EXPECT_DOUBLE_EQ(s.avgLeafDepth, (2 + 3 + 3) / 3.0);  // 1b, 1aa, 1ab
}

TEST(StepLog, SentencesOfAnExpansion) {
  const PolygonList one = presetScenes()[0];
  EXPECT_EQ(describeExpansion(one, 2, *expandNode(one, 2)),
            (std::vector<std::string>{"3 chosen as splitter: 1 and 2 in front, 4 behind; 5 straddles its plane and "
                                      "is split into 5a (front) and 5b (back)."}));  // 4 and 5b wait behind
  const PolygonList three = presetScenes()[2];
  EXPECT_EQ(describeExpansion(three, 1, *expandNode(three, 1)),
            (std::vector<std::string>{"2 chosen as splitter: 3 in front, nothing behind; 1 straddles its plane and "
                                      "is split into 1a (front) and 1b (back).",
                                      "1b was alone behind 2 and became a leaf."}));
  const PolygonList pair = PolygonList::from({three[1], three[2]});  // 3 is in front of 2
  EXPECT_EQ(describeExpansion(pair, 0, *expandNode(pair, 0)),
            (std::vector<std::string>{"2 chosen as splitter: 3 in front, nothing behind.",
                                      "3 was alone in front of 2 and became a leaf."}));
  // Of a long list a few are named on each side and the rest counted; the split named first
  // are followed to their pieces.
  std::vector<PolygonRef> many;
  auto square = [&](double x, double y0, const std::string& label) {
    many.push_back(newPolygon({{x, y0, 0}, {x, y0 + 1, 0}, {x, y0 + 1, 1}, {x, y0, 1}}, label));
  };
  square(0, 0, "s");
  for (int i = 1; i <= 9; ++i) square(i, 0, "f" + std::to_string(i));
  for (int i = 1; i <= 7; ++i) square(-i, 0, "b" + std::to_string(i));
  for (int i = 1; i <= 8; ++i)
    many.push_back(newPolygon({{-1, 2.0 * i, 0}, {1, 2.0 * i, 0}, {1, 2.0 * i, 1}, {-1, 2.0 * i, 1}}, "x" + std::to_string(i)));
  const PolygonList list = PolygonList::from(std::move(many));
  const std::string said = describeExpansion(list, 0, *expandNode(list, 0)).front();
  const bool frontIsPlusX = said.find("f1, f2") < said.find(" in front");
  EXPECT_EQ(said.substr(0, said.find(';')),
            frontIsPlusX ? "s chosen as splitter: f1, f2, f3, f4, f5, f6 and 3 more in front, b1, b2, b3, b4, b5, b6 "
                           "and 1 more behind"
                         : "s chosen as splitter: b1, b2, b3, b4, b5, b6 and 1 more in front, f1, f2, f3, f4, f5, f6 "
                           "and 3 more behind");
  EXPECT_NE(said.find("; x6 straddles its plane and is split into x6a (front) and x6b (back); 2 more straddle it"),
            std::string::npos)
      << said;
  EXPECT_EQ(joinLabels({"a", "b", "c", "d"}, 2), "a, b and 2 more");
  EXPECT_EQ(joinLabels({"a", "b", "c"}), "a, b and c");
}

TEST(Compare, RowsForEveryStrategy) {
  const auto rows = compareStrategies(presetScenes()[0]);
  std::vector<std::string> names;
  for (const auto& r : rows) names.push_back(r.strategy);
  EXPECT_EQ(names, (std::vector<std::string>{"first", "fewest", "balanced", "random", "optimal"}));
  EXPECT_EQ(rows[4].pieces, 5);
  EXPECT_EQ(rows[4].depth, 4);
  for (const auto& r : rows) EXPECT_GE(r.pieces, rows[4].pieces) << r.strategy;
  // A scene too large for the exhaustive search has no optimal row.
  EXPECT_EQ(compareStrategies(crossingWalls(1, 12)).size(), 4u);
}

}  // namespace
}  // namespace kolvar::bsp
