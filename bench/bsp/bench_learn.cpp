// Strategies on the presets and on large scenes: comparing every strategy on a preset (the
// exhaustive optimal search included), and a whole build with `fewest` on 10,000 random walls,
// the scene `make-walls 10000 7` writes.
#include <benchmark/benchmark.h>

#include "bsp/bsp.hpp"
#include "scenes/generators.hpp"

namespace {

using namespace kolvar::bsp;

void BM_ComparePreset(benchmark::State& state) {
  const PolygonList scene = presetScenes()[static_cast<std::size_t>(state.range(0)) - 1];
  for (auto _ : state) benchmark::DoNotOptimize(compareStrategies(scene).size());
}
BENCHMARK(BM_ComparePreset)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_OptimalPreset(benchmark::State& state) {
  const PolygonList scene = presetScenes()[static_cast<std::size_t>(state.range(0)) - 1];
  for (auto _ : state) benchmark::DoNotOptimize(optimalOutcome(scene).pieces);
}
BENCHMARK(BM_OptimalPreset)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// The whole tree with a strategy, from the fresh root; the tree is released outside the timing.
void buildAll(benchmark::State& state, StrategyKind kind) {
  const PolygonList walls = kolvar::scenes::walls(static_cast<std::size_t>(state.range(0)), 7);
  const NodeRef fresh = freshRoot(walls);
  std::size_t pieces = 0;
  for (auto _ : state) {
    NodeRef tree = buildWith(fresh, {kind, 1});
    state.PauseTiming();
    pieces = statistics(tree, walls.size()).pieces;
    tree.reset();
    state.ResumeTiming();
  }
  state.counters["pieces"] = static_cast<double>(pieces);
}
void BM_AutoFewestAll(benchmark::State& state) { buildAll(state, StrategyKind::Fewest); }
void BM_AutoBalancedAll(benchmark::State& state) { buildAll(state, StrategyKind::Balanced); }
BENCHMARK(BM_AutoFewestAll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoBalancedAll)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
