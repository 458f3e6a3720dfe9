// Display lists of one 3-D axes holding about 2,000 faces, and painting them into a 1200x800
// image. Two scenes (fixed seed): a terrain of 2,048 triangles, a height field whose face planes
// slice through each other's neighbourhood, and 2,000 small walls standing about at random
// (the program's own kind of scene, grown). "cold" builds the depth order from nothing on every
// frame; "turning" keeps it in a RenderCache and changes the view each frame, as mouse rotation
// does.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <random>

#include "graphics/geometry.hpp"
#include "graphics/headless.hpp"
#include "graphics/qt/paint.hpp"
#include "graphics/qt/snapshot.hpp"
#include "graphics/render.hpp"

namespace {

using namespace kolvar;
using namespace kolvar::graphics;

enum Scene { kTerrain = 0, kWalls = 1 };

// A fresh session with one 1200x800 figure and a 3-D axes lit from above; returns the axes.
Handle makeAxes() {
  startSession({std::make_shared<runtime::Registry>(), std::make_shared<HeadlessBackend>()});
  Handle fig = figure({{"Position", Value::row({0, 0, 1200, 800})}});
  Handle ax = axes(fig, {{"Position", Value::row({0.05, 0.05, 0.9, 0.9})},
                         {"XLim", Value::row({-4, 4})},
                         {"YLim", Value::row({-4, 4})},
                         {"ZLim", Value::row({-4, 4})},
                         {"XTick", Value::row({-4, 0, 4})},
                         {"YTick", Value::row({-4, 0, 4})},
                         {"ZTick", Value::row({-4, 0, 4})}});
  grid(ax, true);
  view(ax, Value(3));
  light({{"Position", Value::row({-4, -4, 10})}});
  return ax;
}

// One patch object per face, as the program draws them.
void addFace(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& z) {
  Handle p = patch(Matrix::column(x), Matrix::column(y), Matrix::column(z), Value("b"));
  set(p, {{"FaceColor", Value::row({0.5, 0.5, 0.9})}, {"FaceLighting", Value("gouraud")}});
}

void buildTerrain() {
  constexpr int n = 32;  // 32 x 32 cells, two triangles each
  auto height = [](double x, double y) { return 1.5 * std::sin(0.9 * x) * std::cos(0.7 * y); };
  auto at = [](int i) { return -3.5 + 7.0 * i / n; };
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double x0 = at(i), x1 = at(i + 1), y0 = at(j), y1 = at(j + 1);
      addFace({x0, x1, x1}, {y0, y0, y1}, {height(x0, y0), height(x1, y0), height(x1, y1)});
      addFace({x0, x1, x0}, {y0, y1, y1}, {height(x0, y0), height(x1, y1), height(x0, y1)});
    }
  }
}

void buildWalls() {
  std::mt19937 rng(20240601);
  std::uniform_real_distribution<double> pos(-3.7, 3.7), angle(0, 6.283185307179586), len(0.1, 0.35),
      base(-3.5, 3.0);
  for (int k = 0; k < 2000; ++k) {
    double cx = pos(rng), cy = pos(rng), a = angle(rng), h = len(rng), z = base(rng);
    double dx = h * std::cos(a), dy = h * std::sin(a);
    addFace({cx - dx, cx + dx, cx + dx, cx - dx}, {cy - dy, cy + dy, cy + dy, cy - dy}, {z, z, z + 0.4, z + 0.4});
  }
}

Handle sceneAxes(Scene scene) {
  Handle ax = makeAxes();
  if (scene == kTerrain) {
    buildTerrain();
  } else {
    buildWalls();
  }
  return ax;
}

void reportList(benchmark::State& state, const DisplayList& list, std::size_t faces) {
  state.counters["primitives"] = static_cast<double>(list.items.size());
  state.counters["face_pieces"] = static_cast<double>(faces);
}

std::size_t facePieces(const DisplayList& list) {
  std::size_t n = 0;
  for (const Primitive& p : list.items) n += p.kind == Primitive::Kind::Face;
  return n;
}

void BM_DisplayListCold(benchmark::State& state) {
  Handle ax = sceneAxes(static_cast<Scene>(state.range(0)));
  DisplayList list;
  for (auto _ : state) {
    list = renderAxes(ax);
    benchmark::DoNotOptimize(list);
  }
  reportList(state, list, facePieces(list) - 1);  // less the box's background
  endSession();
}

void BM_DisplayListTurning(benchmark::State& state) {
  Handle ax = sceneAxes(static_cast<Scene>(state.range(0)));
  RenderCache cache;
  renderAxes(ax, cache);
  double az = -37.5;
  DisplayList list;
  for (auto _ : state) {
    az += 1;
    view(ax, Value::row({az, 30}));
    list = renderAxes(ax, cache);
    benchmark::DoNotOptimize(list);
  }
  reportList(state, list, facePieces(list) - 1);
  state.counters["tree_builds"] = cache.builds;
  endSession();
}

void BM_Paint1200x800(benchmark::State& state) {
  ensureGuiApplication();
  Handle ax = sceneAxes(static_cast<Scene>(state.range(0)));
  const DisplayList list = renderFigure(*ancestor(ax, "figure"));
  QImage image(1200, 800, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    paintDisplayList(painter, list);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["primitives"] = static_cast<double>(list.items.size());
  endSession();
}

// Clearing an axes of N patches, as every redraw of a large scene does first (the patches are
// made again, untimed, before each clearing).
void BM_ClearAxesOfPatches(benchmark::State& state) {
  const Handle ax = makeAxes();
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t k = 0; k < n; ++k) {
      const double x = static_cast<double>(k % 100) * 0.05 - 2.5, y = static_cast<double>(k / 100 % 100) * 0.05 - 2.5;
      patch(Matrix::column({x, x + 0.04, x}), Matrix::column({y, y, y + 0.04}), Matrix::column({0, 0, 0}), Value("b"));
    }
    state.ResumeTiming();
    clo(ax);
  }
}
BENCHMARK(BM_ClearAxesOfPatches)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DisplayListCold)->Arg(kTerrain)->Arg(kWalls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DisplayListTurning)->Arg(kTerrain)->Arg(kWalls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paint1200x800)->Arg(kTerrain)->Arg(kWalls)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
