// Sessions of a large tree: saving the window's session to a file, and opening it again (read,
// checked, and the window redrawn with it). The tree is that of random walls (generate walls N 1)
// built to the end with the first strategy; its node count is reported.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/files.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "app/session.hpp"
#include "program_support.hpp"

namespace {

using namespace kolvar;
namespace g = kolvar::graphics;

using bench::script;
using bench::startProgram;

std::string benchFile() { return (std::filesystem::temp_directory_path() / "kolvar-bench-session.kolvar").string(); }

// A window holding the built tree; returns its placed node count.
std::size_t buildWalls(const graphics::ProgramInfo& info, std::int64_t walls) {
  startProgram(info);
  script("generate walls " + std::to_string(walls) + " 1\nauto first all\n");
  const app::ProgramState s = app::fetchState(app::kolvarWindow());
  return bsp::statistics(s.root, app::sceneShown(s).size()).nodes;
}

void BM_SaveSession(benchmark::State& state) {
  const auto info = app::programInfo();
  const std::size_t nodes = buildWalls(info, state.range(0));
  const g::Handle fig = app::kolvarWindow();
  for (auto _ : state) app::saveSession(fig, benchFile());
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(benchFile()));
  g::endSession();
}

void BM_OpenSession(benchmark::State& state) {
  const auto info = app::programInfo();
  const std::size_t nodes = buildWalls(info, state.range(0));
  app::saveSession(app::kolvarWindow(), benchFile());
  g::endSession();
  startProgram(info);
  const g::Handle fig = app::kolvarWindow();
  for (auto _ : state) app::openFile(fig, benchFile());
  state.counters["nodes"] = static_cast<double>(nodes);
  g::endSession();
  std::remove(benchFile().c_str());
}

// 5,600 walls build to a little over 10,000 nodes.
BENCHMARK(BM_SaveSession)->Arg(5600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSession)->Arg(5600)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
