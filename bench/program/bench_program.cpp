// The program without a screen: one click on a waiting-list item (expansion, full redraw and the
// display list of the window), and the start-up to the first complete redraw.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <sstream>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "graphics/render.hpp"
#include "guiruntime/guidata.hpp"
#include "program_support.hpp"

namespace {

using namespace kolvar;
namespace g = kolvar::graphics;

using bench::script;
using bench::startProgram;

// Scene s, then clicks on its first waiting item: the click that is timed is the first one after
// a reset, which expands the placeholder's whole list.
void BM_Click(benchmark::State& state) {
  const auto info = app::programInfo();
  startProgram(info);
  const std::string scene = "scene " + std::to_string(state.range(0)) + "\n";
  script(scene);
  const g::Handle fig = app::kolvarWindow();
  for (auto _ : state) {
    state.PauseTiming();
    script("reset\n");
    state.ResumeTiming();
    script("click 2\n");
    benchmark::DoNotOptimize(g::figureDisplayList(fig).items.size());
  }
  g::endSession();
}
BENCHMARK(BM_Click)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// The memory 10,000 steps of history hold on scene 3: expansions, scanner moves and resets in
// turn, each a full step of the program with its redraw. The figure is the growth of the heap in
// use from before the first step to after the last, reported as counters (the time is that of
// the whole run).
void BM_HistoryOf10000Steps(benchmark::State& state) {
  const auto info = app::programInfo();
  for (auto _ : state) {
    startProgram(info);
    script("scene 3\n");
    const std::size_t before = mallinfo2().uordblks;
    std::string steps;
    for (int i = 0; i < 2500; ++i)
      steps += "click 2\nclick 3\nscanner " + std::to_string(i % 7 - 3) + " 3 0.5\nreset\n";
    script(steps);
    const std::size_t after = mallinfo2().uordblks;
    state.counters["MB"] = static_cast<double>(after - before) / (1 << 20);
    state.counters["bytes_per_step"] = static_cast<double>(after - before) / 10000;
    state.PauseTiming();
    g::endSession();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_HistoryOf10000Steps)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_StartUp(benchmark::State& state) {
  const auto info = app::programInfo();
  for (auto _ : state) {
    startProgram(info);
    benchmark::DoNotOptimize(g::figureDisplayList(app::kolvarWindow()).items.size());
    state.PauseTiming();
    g::endSession();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
