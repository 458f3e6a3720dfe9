#include "bsp/statistics.hpp"

#include <algorithm>
#include <unordered_set>

#include "bsp/expand.hpp"

namespace kolvar::bsp {

Statistics statistics(const NodeRef& tree, std::size_t sceneSize) {
  Statistics s;
  std::size_t leaves = 0;
  std::size_t leafDepths = 0;
  std::vector<std::pair<const BspNode*, std::size_t>> stack;  // a node and the placed nodes above it
  if (tree) stack.push_back({tree.get(), 0});
  while (!stack.empty()) {
    const auto [n, above] = stack.back();
    stack.pop_back();
    std::size_t depth = above;
    if (n->element) {
      if (n->element->poly) {
        ++s.nodes;
        depth = above + 1;
        if (!n->left && !n->right) ++leaves, leafDepths += depth;
      }
      s.waiting += n->element->front.size() + n->element->back.size();
    }
    s.depth = std::max(s.depth, depth);
    if (n->left) stack.push_back({n->left.get(), depth});
    if (n->right) stack.push_back({n->right.get(), depth});
  }
  s.pieces = s.nodes + s.waiting;
  s.splits = s.pieces > sceneSize ? s.pieces - sceneSize : 0;
  s.complete = s.waiting == 0;
  s.avgLeafDepth = leaves ? static_cast<double>(leafDepths) / static_cast<double>(leaves) : 0.0;
  return s;
}

namespace {

// joinLabels of `n` labels of which `labels` holds at least the first `max` (all, when fewer).
std::string joinFirst(const std::vector<std::string>& labels, std::size_t n, std::size_t max) {
  const std::size_t shown = n > max ? max : n;
  std::string out;
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) out += (i + 1 == n && shown == n) ? " and " : ", ";
    out += labels[i];
  }
  if (shown < n) out += " and " + std::to_string(n - shown) + " more";
  return out;
}

}  // namespace

std::string joinLabels(const std::vector<std::string>& labels, std::size_t max) {
  return joinFirst(labels, labels.size(), max);
}

std::vector<std::string> describeExpansion(const PolygonList& list, std::size_t index, const BspNode& node) {
  using geometry::Side;
  const PolygonRef& splitter = list.at(index);
  const std::string& name = splitter->label;
  // A sentence names a few polygons on each side and counts the rest: of a list of thousands
  // only the first labels are kept.
  constexpr std::size_t kNamed = 6;
  struct Named {
    std::vector<std::string> first;
    std::size_t count = 0;
    void add(const std::string& label) {
      if (first.size() < kNamed) first.push_back(label);
      ++count;
    }
    std::string said() const { return count == 0 ? "nothing" : joinFirst(first, count, kNamed); }
  } front, back;
  std::vector<const Polygon*> split;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i == index) continue;
    switch (sideOf(*list[i], *splitter)) {
      case Side::Front:
      case Side::On: front.add(list[i]->label); break;
      case Side::Back: back.add(list[i]->label); break;
      case Side::Straddling: split.push_back(list[i].get()); break;
    }
  }

  std::string sentence = name + " chosen as splitter: " + front.said() + " in front, " + back.said() + " behind";
  if (!split.empty()) {
    // Which pieces of the first few split polygons the new node's sides hold (a piece with no
    // area is dropped).
    const std::size_t named = std::min(split.size(), kNamed);
    std::unordered_set<std::string> wanted;
    for (std::size_t k = 0; k < named; ++k) wanted.insert({split[k]->label + "a", split[k]->label + "b"});
    const auto found = [&](const PolygonList& l, const NodeRef& leaf) {
      std::unordered_set<std::string> out;
      for (const PolygonRef& p : l)
        if (wanted.count(p->label)) out.insert(p->label);
      if (leaf && leaf->element && leaf->element->poly && wanted.count(leaf->element->poly->label))
        out.insert(leaf->element->poly->label);
      return out;
    };
    const auto onFront = found(node.element->front, node.left);
    const auto onBack = found(node.element->back, node.right);
    for (std::size_t k = 0; k < named; ++k) {
      const std::string& l = split[k]->label;
      const bool f = onFront.count(l + "a") > 0, b = onBack.count(l + "b") > 0;
      sentence += "; " + l + " straddles its plane and ";
      if (f && b)
        sentence += "is split into " + l + "a (front) and " + l + "b (back)";
      else
        sentence += std::string("is cut, leaving only ") + (f ? l + "a (front)" : b ? l + "b (back)" : "nothing");
    }
    if (split.size() > kNamed)
      sentence += "; " + std::to_string(split.size() - kNamed) + " more straddle it and are split";
  }
  std::vector<std::string> out{sentence + "."};
  if (node.left && node.left->element && node.left->element->poly)
    out.push_back(node.left->element->poly->label + " was alone in front of " + name + " and became a leaf.");
  if (node.right && node.right->element && node.right->element->poly)
    out.push_back(node.right->element->poly->label + " was alone behind " + name + " and became a leaf.");
  return out;
}

std::vector<Comparison> compareStrategies(const PolygonList& scene) {
  std::vector<Comparison> rows;
  const NodeRef fresh = freshRoot(scene);
  const auto row = [&](const Strategy& s) {
    const Statistics st = statistics(buildWith(fresh, s), scene.size());
    return Comparison{strategyName(s), static_cast<double>(st.nodes), static_cast<double>(st.depth), st.avgLeafDepth};
  };
  for (StrategyKind k : {StrategyKind::First, StrategyKind::Fewest, StrategyKind::Balanced})
    rows.push_back(row({k, 0}));
  Comparison random{"random", 0, 0, 0};
  for (std::size_t seed = 1; seed <= kCompareSeeds; ++seed) {
    const Comparison r = row({StrategyKind::Random, seed});
    random.pieces += r.pieces;
    random.depth += r.depth;
    random.avgLeafDepth += r.avgLeafDepth;
  }
  for (double* mean : {&random.pieces, &random.depth, &random.avgLeafDepth}) *mean /= kCompareSeeds;
  rows.push_back(random);
  if (scene.size() <= kMaxOptimalPolygons) rows.push_back(row({StrategyKind::Optimal, 0}));
  return rows;
}

}  // namespace kolvar::bsp
