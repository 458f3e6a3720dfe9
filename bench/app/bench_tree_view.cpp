// The tree view of a large tree on Qt (offscreen platform): laying it out, drawing it and painting
// it, and one step of a zoom or a pan, each until painted. The tree is the walls generator's
// scene built whole (bsp::buildTree); the other two views keep the preset scene, so what is
// measured is the tree view's own work: its layout, its graphics objects, its display list and
// the painting of that list.
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <sstream>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "bsp/workload.hpp"
#include "diagram/tree_layout.hpp"
#include "graphics/geometry.hpp"
#include "graphics/qt/backend.hpp"
#include "graphics/qt/paint.hpp"
#include "graphics/render.hpp"
#include "scenes/generators.hpp"
#include "views/tree_view.hpp"

namespace {

using namespace kolvar;
namespace g = kolvar::graphics;

// The window with the tree of `walls` generated walls in its state (nothing drawn yet).
struct Window {
  std::shared_ptr<g::QtBackend> backend = std::make_shared<g::QtBackend>();
  g::Handle fig = 0;
  g::Handle tree = 0;
  std::size_t nodes = 0;
};

Window open(const g::ProgramInfo& info, std::size_t walls) {
  Window w;
  g::startSession({info.functions, w.backend});
  g::registerEmbeddedLayout("kolvar.fig", app::embeddedLayoutText());
  app::kolvar({}, 0);
  w.fig = app::kolvarWindow();
  app::ProgramState s = app::fetchState(w.fig);
  s.root = bsp::buildTree(scenes::walls(walls, 7));
  app::storeState(w.fig, s);
  w.tree = s.fixed->axes[2];
  w.nodes = diagram::layoutTree(s.root, diagram::Frame{}).nodes.size();
  return w;
}

// The tree view's display list painted into an image of the window's size.
void paintTreeView(g::Handle tree, QImage& image) {
  const g::DisplayList list = g::renderAxes(tree);
  QPainter painter(&image);
  g::paintDisplayList(painter, list);
}

// Layout, graphics objects, display list and painting of the whole tree view, from the state.
void BM_TreeViewLayoutAndPaint(benchmark::State& state) {
  const auto info = app::programInfo();
  Window w = open(info, static_cast<std::size_t>(state.range(0)));
  QImage image(1200, 800, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    graphics::asCallbackOf(w.fig, [&] { app::redrawTreeView(app::fetchState(w.fig)); });
    paintTreeView(w.tree, image);
  }
  state.counters["nodes"] = static_cast<double>(w.nodes);
  g::endSession();
}
BENCHMARK(BM_TreeViewLayoutAndPaint)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The layout alone.
void BM_TreeLayout(benchmark::State& state) {
  const bsp::NodeRef tree = bsp::buildTree(scenes::walls(static_cast<std::size_t>(state.range(0)), 7));
  for (auto _ : state) benchmark::DoNotOptimize(diagram::layoutTree(tree, diagram::Frame{}));
}
BENCHMARK(BM_TreeLayout)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One step of zooming (in and out in turn, about a point of the view) or panning, after `script`
// set the view, until painted.
void viewSteps(benchmark::State& state, const std::string& script, bool pan) {
  const auto info = app::programInfo();
  Window w = open(info, static_cast<std::size_t>(state.range(0)));
  std::istringstream in(script);
  std::ostringstream out;
  app::runScript(in, out, nullptr);
  QImage image(1200, 800, QImage::Format_ARGB32_Premultiplied);
  const g::Rect r = g::objectPixelRect(w.tree);
  const g::Point at{r.x + r.width * 0.3, r.y + r.height * 0.4};
  int step = 0;
  for (auto _ : state) {
    const double sign = step++ % 2 ? -1 : 1;
    if (pan) {
      app::panTreeView(w.fig, 12 * sign, 5 * sign);
    } else {
      app::zoomTreeView(w.fig, sign > 0 ? 1.15 : 1 / 1.15, at);
    }
    paintTreeView(w.tree, image);
  }
  state.counters["nodes"] = static_cast<double>(w.nodes);
  g::endSession();
}

// The whole tree in view (every node a dot).
void BM_TreeViewZoomStepWhole(benchmark::State& state) { viewSteps(state, "tree fit\n", false); }
void BM_TreeViewPanStepWhole(benchmark::State& state) { viewSteps(state, "tree fit\n", true); }
// Close enough to read the captions.
void BM_TreeViewZoomStepLegible(benchmark::State& state) { viewSteps(state, "tree zoom 1000\n", false); }
void BM_TreeViewPanStepLegible(benchmark::State& state) { viewSteps(state, "tree zoom 1000\n", true); }
BENCHMARK(BM_TreeViewZoomStepWhole)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeViewPanStepWhole)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeViewZoomStepLegible)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeViewPanStepLegible)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication qt(qtArgc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
