// Benchmarks of the BSP core on generated scenes of random short vertical walls (1,000, 10,000
// and 100,000 walls over 100 x 100 units, fixed seed). Trees are those that repeated clicks on
// the first waiting polygon build (buildTree).
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "bsp/bsp.hpp"
#include "scenes/generators.hpp"
#include "runtime/value.hpp"

namespace {

using namespace kolvar::bsp;

constexpr std::uint64_t kSeed = 20240601;

struct Workload {
  PolygonList scene;
  NodeRef tree;
  TreeStats stats;
};

// Scenes and their trees, built once per size on first use.
const Workload& workload(std::size_t walls) {
  static std::map<std::size_t, Workload> cache;
  auto it = cache.find(walls);
  if (it == cache.end()) {
    Workload w;
    w.scene = kolvar::scenes::walls(walls, kSeed);
    w.tree = buildTree(w.scene);
    w.stats = treeStats(w.tree);
    it = cache.emplace(walls, std::move(w)).first;
  }
  return it->second;
}

void BM_SideTestPolygon(benchmark::State& state) {
  const PolygonList s = presetScenes()[0];
  for (auto _ : state) {
    benchmark::DoNotOptimize(inFront(s[2]->points, *s[1]));  // straddles: all four points read
  }
}
BENCHMARK(BM_SideTestPolygon);

void BM_SideTestPoint(benchmark::State& state) {
  const PolygonList s = presetScenes()[2];
  Vec3 viewer{0, 4, 0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(viewer);
    benchmark::DoNotOptimize(inFront(viewer, *s[1]));
  }
}
BENCHMARK(BM_SideTestPoint);

void BM_Split(benchmark::State& state) {
  const PolygonList s = presetScenes()[2];
  for (auto _ : state) benchmark::DoNotOptimize(splitPoly(*s[0], *s[1]));
}
BENCHMARK(BM_Split);

// The tree as clicks leave it when the first waiting list 30 levels down is clicked, and the
// node that click expands: expanding lists first to last, depth first, on the largest scene.
struct DeepClick {
  NodeRef tree;
  NodeRef node;
};
DeepClick clickAtDepth(const PolygonList& scene, std::size_t depth) {
  struct Waiting {
    PolygonList list;
    std::size_t depth;  // the side tests an insertion from this list makes
  };
  NodeRef root = freshRoot(scene);
  std::vector<Waiting> waiting{{scene, 0}};
  while (!waiting.empty()) {
    const Waiting w = waiting.back();
    waiting.pop_back();
    NodeRef node = expandNode(w.list, 0);
    if (w.depth == depth) return {root, node};
    root = bspInsertNode(root, node);
    if (!node->element->back.empty()) waiting.push_back({node->element->back, w.depth + 1});
    if (!node->element->front.empty()) waiting.push_back({node->element->front, w.depth + 1});
  }
  return {};
}

// Inserting the node a click on a waiting list 30 levels down expands: the walk compares it
// with 30 splitters and copies 30 nodes.
void BM_InsertDepth30(benchmark::State& state) {
  const DeepClick click = clickAtDepth(workload(100000).scene, 30);
  if (!click.tree) {
    state.SkipWithError("no waiting list at depth 30");
    return;
  }
  const NodeRef& tree = click.tree;
  const NodeRef& node = click.node;
  for (auto _ : state) {
    NodeRef t = bspInsertNode(tree, node);  // the new tree, released again at once
    benchmark::DoNotOptimize(t);
  }
  // The nodes the insertion copied: those of the new tree that the old one does not share.
  const NodeRef t = bspInsertNode(tree, node);
  std::size_t copied = 0;
  const BspNode* a = t.get();
  const BspNode* b = tree.get();
  while (a != node.get()) {
    ++copied;
    const bool left = a->left != b->left;
    a = left ? a->left.get() : a->right.get();
    b = left ? b->left.get() : b->right.get();
  }
  state.counters["copied_nodes"] = static_cast<double>(copied);
}
BENCHMARK(BM_InsertDepth30);

void BM_Build(benchmark::State& state) {
  const PolygonList scene = workload(static_cast<std::size_t>(state.range(0))).scene;
  std::size_t pieces = 0;
  for (auto _ : state) {
    NodeRef tree = buildTree(scene);
    state.PauseTiming();  // releasing the tree is not part of the build
    pieces = treeStats(tree).placed;
    tree.reset();
    state.ResumeTiming();
  }
  state.counters["pieces"] = static_cast<double>(pieces);
}
BENCHMARK(BM_Build)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void farToNearCounters(benchmark::State& state, const Workload& w) {
  state.counters["nodes"] = static_cast<double>(w.stats.placed);
  state.counters["depth"] = static_cast<double>(w.stats.depth);
  state.counters["per_node"] = benchmark::Counter(static_cast<double>(w.stats.placed),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void BM_FarToNear(benchmark::State& state) {
  const Workload& w = workload(static_cast<std::size_t>(state.range(0)));
  std::size_t visited = 0;
  for (auto _ : state) {
    bspFarToNear(Vec3{50, 50, 0.5}, w.tree, [&](const BspElement&) { ++visited; });
  }
  benchmark::DoNotOptimize(visited);
  farToNearCounters(state, w);
}
BENCHMARK(BM_FarToNear)->Arg(1000)->Arg(10000)->Arg(100000);

void BM_FarToNearStdFunction(benchmark::State& state) {
  const Workload& w = workload(static_cast<std::size_t>(state.range(0)));
  std::size_t visited = 0;
  const std::function<void(const BspElement&)> f = [&](const BspElement&) { ++visited; };
  for (auto _ : state) bspFarToNear(Vec3{50, 50, 0.5}, w.tree, f);
  benchmark::DoNotOptimize(visited);
  farToNearCounters(state, w);
}
BENCHMARK(BM_FarToNearStdFunction)->Arg(1000)->Arg(10000)->Arg(100000);

// A state record like the program's: about 30 fields, one of them the tree.
kolvar::Value stateRecord(const NodeRef& tree) {
  kolvar::Value s;
  for (int i = 0; i < 29; ++i) s.setField("field_" + std::to_string(i), kolvar::Value::row({1.0 * i, 2, 3}));
  s.setField("root", kolvar::Value::wrap(tree));
  return s;
}

void BM_StateCopy(benchmark::State& state) {
  const kolvar::Value record = stateRecord(workload(static_cast<std::size_t>(state.range(0))).tree);
  for (auto _ : state) {
    kolvar::Value copy = record;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_StateCopy)->Arg(1000)->Arg(100000);

// What a handler does with its copy: change the tree field (the record's fields are copied once,
// the tree is not) and let the old copy go.
void BM_StateCopyAndStoreTree(benchmark::State& state) {
  const Workload& w = workload(static_cast<std::size_t>(state.range(0)));
  const kolvar::Value record = stateRecord(w.tree);
  const kolvar::Value root = kolvar::Value::wrap(w.tree);
  for (auto _ : state) {
    kolvar::Value copy = record;
    copy.setField("root", root);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_StateCopyAndStoreTree)->Arg(1000)->Arg(100000);

}  // namespace

BENCHMARK_MAIN();
