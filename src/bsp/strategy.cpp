#include "bsp/strategy.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "bsp/expand.hpp"
#include "runtime/error.hpp"

namespace kolvar::bsp {

namespace {

const char* const kNames[] = {"first", "fewest", "balanced", "random", "optimal"};

std::size_t absDiff(std::size_t a, std::size_t b) { return a > b ? a - b : b - a; }

std::uint64_t splitmix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::uint64_t hashText(const std::string& s) {
  std::uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a: fixed on every machine, unlike std::hash
  for (unsigned char c : s) h = (h ^ c) * 0x100000001B3ull;
  return h;
}

std::string plural(std::size_t n, const char* one, const char* many) {
  if (n == 0) return std::string("no ") + one;
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The candidates fewest and balanced score: all of a short list, 64 spread evenly through a long one.
std::vector<std::size_t> candidates(std::size_t n) {
  std::vector<std::size_t> out;
  if (n <= kMaxCandidates) {
    for (std::size_t i = 0; i < n; ++i) out.push_back(i);
  } else {
    for (std::size_t i = 0; i < kMaxCandidates; ++i) out.push_back(i * n / kMaxCandidates);
  }
  return out;
}

// Scores the candidates of `list` by `key` (smaller is better, ties to the earlier candidate).
template <class Key>
std::pair<std::size_t, SideCounts> best(const PolygonList& list, Key key) {
  std::size_t bestIndex = 0;
  SideCounts bestCounts;
  bool any = false;
  for (std::size_t i : candidates(list.size())) {
    const SideCounts c = sideCounts(list, i);
    if (!any || key(c) < key(bestCounts)) {
      bestIndex = i;
      bestCounts = c;
      any = true;
    }
  }
  return {bestIndex, bestCounts};
}

// fewest: the candidate whose plane splits the fewest, ties to the smaller |front - back|. A
// candidate is given up as soon as it splits more than the best so far: on large scenes most
// planes split many polygons, and this is what keeps whole builds fast.
std::pair<std::size_t, SideCounts> fewestSplits(const PolygonList& list) {
  using geometry::Side;
  std::size_t bestIndex = 0;
  SideCounts bestCounts;
  bool any = false;
  for (std::size_t i : candidates(list.size())) {
    SideCounts c;
    bool givenUp = false;
    for (std::size_t j = 0; j < list.size() && !givenUp; ++j) {
      if (j == i) continue;
      const Side s = sideOf(*list[j], *list[i]);
      c.front += s != Side::Back;
      c.back += s == Side::Back || s == Side::Straddling;
      c.split += s == Side::Straddling;
      givenUp = any && c.split > bestCounts.split;
    }
    if (givenUp) continue;
    if (!any || std::pair{c.split, absDiff(c.front, c.back)} < std::pair{bestCounts.split,
                                                                          absDiff(bestCounts.front, bestCounts.back)}) {
      bestIndex = i;
      bestCounts = c;
      any = true;
    }
  }
  return {bestIndex, bestCounts};
}

// --- the exhaustive search -------------------------------------------------------------------

// A list is known by its polygons' labels and exact vertices, in any order: the same pieces
// reached by different orders of choices are solved once.
std::string listKey(const PolygonList& list) {
  std::vector<std::string> keys;
  keys.reserve(list.size());
  for (const PolygonRef& p : list) {
    std::string k = p->label;
    k.push_back('\0');
    const std::size_t bytes = p->points.size() * sizeof(Vec3);
    k.append(reinterpret_cast<const char*>(p->points.data()), bytes);
    keys.push_back(std::move(k));
  }
  std::sort(keys.begin(), keys.end());
  std::string key;
  for (const std::string& k : keys) key += std::to_string(k.size()) + ":" + k;
  return key;
}

class Search {
 public:
  // The best outcome of the list, and the first choice that reaches it.
  std::pair<Outcome, std::size_t> solve(const PolygonList& list) {
    const std::string key = listKey(list);
    if (auto it = memo_.find(key); it != memo_.end()) return it->second;
    Outcome bestOutcome{std::numeric_limits<std::size_t>::max(), 0};
    std::size_t bestIndex = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const NodeRef node = expandNode(list, i);
      const Outcome f = side(node->element->front, node->left);
      const Outcome b = side(node->element->back, node->right);
      const Outcome o{1 + f.pieces + b.pieces, 1 + std::max(f.depth, b.depth)};
      if (o.pieces < bestOutcome.pieces || (o.pieces == bestOutcome.pieces && o.depth < bestOutcome.depth)) {
        bestOutcome = o;
        bestIndex = i;
      }
    }
    memo_.emplace(key, std::pair{bestOutcome, bestIndex});
    return {bestOutcome, bestIndex};
  }

 private:
  // A side of a new node: a waiting list to solve, a leaf, or nothing.
  Outcome side(const PolygonList& list, const NodeRef& leaf) {
    if (!list.empty()) return solve(list).first;
    return leaf ? Outcome{1, 1} : Outcome{0, 0};
  }

  std::unordered_map<std::string, std::pair<Outcome, std::size_t>> memo_;
};

void checkOptimalSize(const PolygonList& list) {
  if (list.size() > kMaxOptimalPolygons)
    throw Error("The optimal strategy tries every order of choices, which is offered for at most " +
                std::to_string(kMaxOptimalPolygons) + " polygons; this list has " + std::to_string(list.size()) + ".");
}

}  // namespace

std::string strategyName(const Strategy& s) {
  std::string name = kNames[static_cast<int>(s.kind)];
  if (s.kind == StrategyKind::Random) name += " " + std::to_string(s.seed);
  return name;
}

Strategy parseStrategy(const std::vector<std::string>& words) {
  const auto fault = [&] {
    std::string given;
    for (const auto& w : words) given += (given.empty() ? "" : " ") + w;
    return Error("\"" + given + "\" is not a strategy: first, fewest, balanced, random SEED or optimal.",
                 ErrorKind::Input);
  };
  if (words.empty()) throw fault();
  for (int k = 0; k < 5; ++k) {
    if (words[0] != kNames[k]) continue;
    Strategy s{static_cast<StrategyKind>(k), 0};
    if (s.kind != StrategyKind::Random) {
      if (words.size() != 1) throw fault();
      return s;
    }
    if (words.size() != 2 || words[1].empty() || words[1].size() > 19 ||
        words[1].find_first_not_of("0123456789") != std::string::npos)
      throw fault();
    s.seed = std::stoull(words[1]);
    return s;
  }
  throw fault();
}

std::optional<WaitingList> firstWaitingList(const NodeRef& tree) {
  std::vector<std::pair<const BspNode*, std::size_t>> stack;  // nodes to look at, and their depth
  if (tree) stack.push_back({tree.get(), 0});
  while (!stack.empty()) {
    const auto [n, above] = stack.back();
    stack.pop_back();
    const std::size_t depth = above + (n->element && n->element->poly ? 1 : 0);
    if (n->element) {
      if (!n->element->front.empty()) return WaitingList{n->element->front, n, true, depth};
      if (!n->element->back.empty()) return WaitingList{n->element->back, n, false, depth};
    }
    if (n->right) stack.push_back({n->right.get(), depth});
    if (n->left) stack.push_back({n->left.get(), depth});
  }
  return std::nullopt;
}

SideCounts sideCounts(const PolygonList& list, std::size_t index) {
  using geometry::Side;
  const Polygon& splitter = *list.at(index);
  SideCounts c;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i == index) continue;
    const Side s = sideOf(*list[i], splitter);
    c.front += s != Side::Back;
    c.back += s == Side::Back || s == Side::Straddling;
    c.split += s == Side::Straddling;
  }
  return c;
}

Outcome optimalOutcome(const PolygonList& list) {
  checkOptimalSize(list);
  if (list.empty()) return {};
  return Search().solve(list).first;
}

Choice chooseSplitter(const PolygonList& list, const Strategy& s) {
  const std::size_t n = list.size();
  if (n == 0) throw errors::indexOutOfBounds(1, 0);
  const std::string sampled = n > kMaxCandidates ? " of the " + std::to_string(kMaxCandidates) + " scored" : "";
  switch (s.kind) {
    case StrategyKind::First:
      return {0, "it comes first in its list"};
    case StrategyKind::Fewest: {
      const auto [i, c] = fewestSplits(list);
      return {i, "its plane splits " + plural(c.split, "polygon", "polygons") + ", the fewest" + sampled};
    }
    case StrategyKind::Balanced: {
      const auto [i, c] = best(list, [](const SideCounts& c) {
        return std::pair{absDiff(c.front, c.back), c.split};
      });
      return {i, "it leaves " + std::to_string(c.front) + " in front and " + std::to_string(c.back) +
                     " behind, the best balance" + sampled};
    }
    case StrategyKind::Random: {
      const std::uint64_t h = splitmix(s.seed ^ splitmix(hashText(list[0]->label) + n));
      return {static_cast<std::size_t>(h % n), "drawn at random with seed " + std::to_string(s.seed)};
    }
    case StrategyKind::Optimal: {
      checkOptimalSize(list);
      const auto [o, i] = Search().solve(list);
      return {i, "it starts a finished subtree of " + plural(o.pieces, "piece", "pieces") + ", the fewest possible"};
    }
  }
  return {0, ""};
}

std::optional<AutoStep> nextStep(const NodeRef& tree, const Strategy& strategy) {
  auto where = firstWaitingList(tree);
  if (!where) return std::nullopt;
  Choice choice = chooseSplitter(where->list, strategy);
  NodeRef node = expandNode(where->list, choice.index);
  return AutoStep{std::move(*where), std::move(choice), std::move(node)};
}

NodeRef buildWith(NodeRef tree, const Strategy& strategy, runtime::Progress* progress) {
  // Every list waiting now, then the lists of each new node: depth first, front before back.
  std::vector<PolygonList> waiting;
  std::size_t polygonsWaiting = 0;
  const auto wait = [&](const PolygonList& list) {
    if (list.empty()) return;
    waiting.push_back(list);
    polygonsWaiting += list.size();
  };
  {
    std::vector<const BspNode*> stack;
    if (tree) stack.push_back(tree.get());
    while (!stack.empty()) {
      const BspNode* n = stack.back();
      stack.pop_back();
      if (n->element) {
        wait(n->element->back);
        wait(n->element->front);
      }
      if (n->left) stack.push_back(n->left.get());
      if (n->right) stack.push_back(n->right.get());
    }
  }
  // How far: the nodes placed of those placed and still to place (each waiting polygon is one at
  // least; splits to come add more, and the bar waits for the count to catch up).
  std::size_t placed = 0;
  while (!waiting.empty()) {
    const PolygonList list = std::move(waiting.back());
    waiting.pop_back();
    polygonsWaiting -= list.size();
    const NodeRef node = expandNode(list, chooseSplitter(list, strategy).index);
    tree = bspInsertNode(std::move(tree), node);
    wait(node->element->back);
    wait(node->element->front);
    if (progress && ++placed % 64 == 0)
      progress->report(static_cast<double>(placed), static_cast<double>(placed + polygonsWaiting));
  }
  return tree;
}

}  // namespace kolvar::bsp
