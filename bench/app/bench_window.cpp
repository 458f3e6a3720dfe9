// The window on Qt (offscreen platform): a click on a waiting-list item until the window is
// repainted, one step of a rotation drag until repainted, a press that changes nothing, opening
// a large model, the longest freeze of the window during large actions, and the start-up until
// the first paint.
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QMouseEvent>
#include <QStyleFactory>

#include "app/app.hpp"
#include "app/embedded_layout.hpp"
#include "app/program.hpp"
#include "app/script.hpp"
#include "graphics/geometry.hpp"
#include "graphics/qt/backend.hpp"
#include "graphics/qt/canvas.hpp"
#include "graphics/qt/figure_window.hpp"
#include "graphics/render.hpp"
#include "guiruntime/guidata.hpp"
#include "scenes/generators.hpp"
#include "scenes/mesh_files.hpp"

namespace {

using namespace kolvar;
namespace g = kolvar::graphics;

struct Window {
  std::shared_ptr<g::QtBackend> backend = std::make_shared<g::QtBackend>();
  g::Handle fig = 0;
  g::Canvas& canvas() { return backend->window(fig)->canvas(); }
};

Window open(const g::ProgramInfo& info) {
  Window w;
  g::startSession({info.functions, w.backend});
  g::registerEmbeddedLayout("kolvar.fig", app::embeddedLayoutText());
  app::kolvar({}, 0);
  w.fig = app::kolvarWindow();
  return w;
}

// Serve events until the canvas shows its latest display list, rebuilt after `before`.
void untilPainted(g::Canvas& c, long before) {
  while (c.renders() <= before || c.painted() != c.renders()) QCoreApplication::processEvents();
}

void send(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButtons held) {
  const Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, at, w.mapToGlobal(at), b, held, Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}

QPointF firstWaitingItem(g::Canvas& c) {
  for (const auto& p : c.displayList().items)
    if (p.kind == g::Primitive::Kind::Text && g::ishandle(p.source) && g::typeOf(p.source) == "text" &&
        !g::get(p.source, "ButtonDownFcn").isEmpty())
      return {p.box.x + p.box.width / 2, p.box.y + p.box.height / 2};
  throw std::runtime_error("no waiting item");
}

void runScript(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream out;
  app::runScript(in, out, nullptr);
}

// The first click after a reset of scene N: it splits the placeholder's whole list.
void BM_ClickToRepaintedWindow(benchmark::State& state) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript("scene " + std::to_string(state.range(0)) + "\n");
  for (auto _ : state) {
    state.PauseTiming();
    runScript("reset\n");
    untilPainted(w.canvas(), w.canvas().renders() - 1);
    const QPointF at = firstWaitingItem(w.canvas());
    const long before = w.canvas().renders();
    state.ResumeTiming();
    send(w.canvas(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(w.canvas(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    untilPainted(w.canvas(), before);
  }
  g::endSession();
}
BENCHMARK(BM_ClickToRepaintedWindow)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// Serve events until the figure's list is up to date and on screen.
void settleWindow(g::Canvas& c) {
  c.displayList();
  while (c.painted() != c.renders()) QCoreApplication::processEvents();
}

// Steps on a generated scene of N random walls, each until the window is repainted: a click on
// the first waiting polygon (the whole scene is filed by its plane), then undo of that click.
void BM_ClickAndUndoWalls(benchmark::State& state) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript("generate walls " + std::to_string(state.range(0)) + " 1\n");
  settleWindow(w.canvas());
  int k = 0;
  for (auto _ : state) {
    const long before = w.canvas().renders();
    runScript(k++ % 2 == 0 ? "click w1\n" : "undo\n");
    untilPainted(w.canvas(), before);
  }
  state.counters["polygons"] = static_cast<double>(state.range(0));
  g::endSession();
}
BENCHMARK(BM_ClickAndUndoWalls)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(4);

// Steps of a drag that starts at the centre of the axes tagged `tag`, after `script`, each until
// the window is repainted.
void dragSteps(benchmark::State& state, const char* script, const char* tag) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript(script);
  const g::Rect r = g::objectPixelRect(gui::guidata(w.fig).field(tag).scalar());
  const QPointF centre(r.x + r.width / 2, r.y + r.height / 2);
  send(w.canvas(), QEvent::MouseButtonPress, centre, Qt::LeftButton);
  // The first step builds the scene's depth tree, once per scene; the steps timed are those of a
  // drag under way.
  const long warm = w.canvas().renders();
  send(w.canvas(), QEvent::MouseMove, centre + QPointF(1, 0), Qt::LeftButton);
  untilPainted(w.canvas(), warm);
  int step = 0;
  for (auto _ : state) {
    const long before = w.canvas().renders();
    const double dx = (step++ % 20) - 10;
    send(w.canvas(), QEvent::MouseMove, centre + QPointF(dx * 3, dx), Qt::LeftButton);
    untilPainted(w.canvas(), before);
  }
  send(w.canvas(), QEvent::MouseButtonRelease, centre, Qt::NoButton);
  g::endSession();
}


// The release that ends a turn of the scene view of N random walls, until the window is
// repainted: both 3-D views drawn in full at the new angle (the turn itself was sketched, or drawn
// in full, step by step).
void BM_ReleaseAfterTurnWalls(benchmark::State& state) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript("generate walls " + std::to_string(state.range(0)) + " 1\n");
  const g::Rect r = g::objectPixelRect(gui::guidata(w.fig).field("axes1").scalar());
  const QPointF centre(r.x + r.width / 2, r.y + r.height / 2);
  settleWindow(w.canvas());
  double dx = 10;
  for (auto _ : state) {
    state.PauseTiming();
    send(w.canvas(), QEvent::MouseButtonPress, centre, Qt::LeftButton);
    const long moved = w.canvas().renders();
    dx = -dx;
    send(w.canvas(), QEvent::MouseMove, centre + QPointF(dx, 0), Qt::LeftButton);
    untilPainted(w.canvas(), moved);
    state.ResumeTiming();
    const long before = w.canvas().renders();
    send(w.canvas(), QEvent::MouseButtonRelease, centre + QPointF(dx, 0), Qt::NoButton);
    untilPainted(w.canvas(), before);
  }
  state.counters["polygons"] = static_cast<double>(state.range(0));
  g::endSession();
}
BENCHMARK(BM_ReleaseAfterTurnWalls)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// One mouse move of a drag in the scene view, with a tree of a few nodes in the partition view,
// their planes, the scanner's cell and a selected node's cell (both views turn).
void BM_RotationDragStep(benchmark::State& state) { dragSteps(state, "click 3\nclick 5a\nclick 1\nselect 5a\n", "axes1"); }
BENCHMARK(BM_RotationDragStep)->Unit(benchmark::kMillisecond);

// One mouse move of a drag in the scene view of a generated scene of N random walls (a fresh
// tree: the tree view shows the whole scene waiting at its root), until the window is repainted.
void BM_RotationDragStepWalls(benchmark::State& state) {
  dragSteps(state, ("generate walls " + std::to_string(state.range(0)) + " 1\n").c_str(), "axes1");
  state.counters["polygons"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RotationDragStepWalls)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotationDragStepWalls)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(4);

// The same without polygon labels, normals, planes and the scanner: the faces alone.
void BM_RotationDragStepWallsFacesOnly(benchmark::State& state) {
  dragSteps(state,
            ("generate walls " + std::to_string(state.range(0)) +
             " 1\ntoggle show_labels\ntoggle show_normals\ntoggle show_planes\ntoggle show_scanner\n")
                .c_str(),
            "axes1");
  state.counters["polygons"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RotationDragStepWallsFacesOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The pointer moving from one waiting item to the next on scene N (a tree of one node): each move
// shows another preview (its polygon, plane, side colours and status line) until repainted.
void BM_HoverPreviewStep(benchmark::State& state) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript("scene " + std::to_string(state.range(0)) + "\nclick 1\n");
  w.canvas().displayList();
  std::vector<QPointF> items;
  for (const auto& p : w.canvas().displayList().items)
    if (p.kind == g::Primitive::Kind::Text && g::ishandle(p.source) && g::get(p.source, "UserData").isCell())
      items.emplace_back(p.box.x + p.box.width / 2, p.box.y + p.box.height / 2);
  if (items.size() < 2) throw std::runtime_error("fewer than two waiting items");
  std::size_t next = 0;
  for (auto _ : state) {
    const long before = w.canvas().renders();
    send(w.canvas(), QEvent::MouseMove, items[next++ % items.size()], Qt::NoButton);
    untilPainted(w.canvas(), before);
  }
  if (app::stateJson(w.fig).find("\"preview\":null") != std::string::npos) state.SkipWithError("no preview showed");
  g::endSession();
}
BENCHMARK(BM_HoverPreviewStep)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// The pointer moving over an empty part of the tree view, or over the middle of the scene view,
// of a scene of N random walls: nothing changes, but each move asks what lies under the pointer
// (for the cursor and the preview).
void pointerMoves(benchmark::State& state, const char* tag, bool middle) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript("generate walls " + std::to_string(state.range(0)) + " 1\n");
  settleWindow(w.canvas());
  const g::Rect r = g::objectPixelRect(gui::guidata(w.fig).field(tag).scalar());
  const QPointF at = middle ? QPointF(r.x + r.width / 2, r.y + r.height / 2) : QPointF(r.x + r.width - 20, r.y + r.height - 20);
  int k = 0;
  for (auto _ : state) send(w.canvas(), QEvent::MouseMove, at + QPointF((k++ % 2) * 3, 0), Qt::NoButton);
  state.counters["polygons"] = static_cast<double>(state.range(0));
  g::endSession();
}
void BM_PointerMoveOverTreeWalls(benchmark::State& state) { pointerMoves(state, "axes3", false); }
BENCHMARK(BM_PointerMoveOverTreeWalls)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
void BM_PointerMoveOverSceneWalls(benchmark::State& state) { pointerMoves(state, "axes1", true); }
BENCHMARK(BM_PointerMoveOverSceneWalls)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One step of steering the scanner across the partition view, with planes and the scanner's
// cell drawn, until repainted.
void BM_ScannerDragStep(benchmark::State& state) { dragSteps(state, "click 3\nclick 5a\nclick 1\n", "axes2"); }
BENCHMARK(BM_ScannerDragStep)->Unit(benchmark::kMillisecond);


// A press on the label of a placed node in the tree view. The labels take no clicks, so it
// reaches the tree's axes, which takes no action either: nothing that shows changes. Only the
// press is timed; the release re-sets the partition view's "View" to what it was, which draws
// nothing again.
void BM_PressThatChangesNothing(benchmark::State& state) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript("click 3\nclick 5a\nclick 1\n");
  settleWindow(w.canvas());
  const g::Handle tree = gui::guidata(w.fig).field("axes3").scalar();
  std::optional<QPointF> at;
  for (const auto& p : w.canvas().displayList().items)
    if (p.kind == g::Primitive::Kind::Text && g::ishandle(p.source) && g::typeOf(p.source) == "text" &&
        g::get(p.source, "ButtonDownFcn").isEmpty() && g::ancestor(p.source, "axes") == tree) {
      at = QPointF(p.box.x + p.box.width / 2, p.box.y + p.box.height / 2);
      break;
    }
  if (!at) throw std::runtime_error("no node label");
  for (auto _ : state) {
    send(w.canvas(), QEvent::MouseButtonPress, *at, Qt::LeftButton);
    state.PauseTiming();
    send(w.canvas(), QEvent::MouseButtonRelease, *at, Qt::NoButton);
    settleWindow(w.canvas());
    state.ResumeTiming();
  }
  if (g::get(w.fig, "CurrentObject") != Value(tree)) state.SkipWithError("the press did not reach the tree view");
  g::endSession();
}
BENCHMARK(BM_PressThatChangesNothing)->Unit(benchmark::kMicrosecond);

// Undo, then redo, of the last step on scene N (two nodes placed by the `first` strategy), each
// timed from the Edit menu's command to the repainted window.
void BM_UndoRedoToRepaintedWindow(benchmark::State& state) {
  const auto info = app::programInfo();
  Window w = open(info);
  runScript("scene " + std::to_string(state.range(0)) + "\nauto first\nauto first\n");
  settleWindow(w.canvas());
  const Value handles = gui::guidata(w.fig);
  const g::Handle menus[] = {handles.field("UndoMenuItem").scalar(), handles.field("RedoMenuItem").scalar()};
  int k = 0;
  for (auto _ : state) {
    const long before = w.canvas().renders();
    g::menuAction(menus[k++ % 2]);
    untilPainted(w.canvas(), before);
  }
  g::endSession();
}
BENCHMARK(BM_UndoRedoToRepaintedWindow)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// A terrain of `size` x `size` cells (two triangles each) as an OBJ file, each vertex written once
// and the faces by vertex numbers, as modelling programs write them. Returns its path.
std::string terrainObj(std::size_t size) {
  const bsp::PolygonList tris = scenes::terrain(size);
  std::ostringstream out;
  out.precision(17);
  std::map<std::tuple<double, double, double>, std::size_t> numbers;
  std::string faces;
  for (const bsp::PolygonRef& t : tris) {
    faces += "f";
    for (const geometry::Vec3& p : t->points) {
      auto [it, added] = numbers.try_emplace({p.x, p.y, p.z}, numbers.size() + 1);
      if (added) out << "v " << p.x << ' ' << p.y << ' ' << p.z << '\n';
      faces += ' ' + std::to_string(it->second);
    }
    faces += '\n';
  }
  const std::string path = (std::filesystem::temp_directory_path() / ("kolvar-bench-terrain-" + std::to_string(size) + ".obj")).string();
  std::ofstream(path) << out.str() << faces;
  return path;
}

// Parsing and checking an OBJ file of a terrain of 224 x 224 cells (100,352 triangles), from its
// text in memory.
void BM_ParseObjTerrain(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t faces = 0;
  for (auto _ : state) faces = scenes::parseObj(text, path).size();
  state.counters["triangles"] = static_cast<double>(faces);
  std::filesystem::remove(path);
}
BENCHMARK(BM_ParseObjTerrain)->Arg(224)->Unit(benchmark::kMillisecond);

// Opening that file in the window ("open FILE", as File > Open does): reading, parsing, checking,
// the new scene in the popup and the views, until the window is repainted.
void BM_OpenObjTerrainToPaintedWindow(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  const auto info = app::programInfo();
  Window w = open(info);
  settleWindow(w.canvas());
  for (auto _ : state) {
    const long before = w.canvas().renders();
    runScript("open " + path + "\n");
    untilPainted(w.canvas(), before);
    state.PauseTiming();
    runScript("scene 1\n");  // back to a preset, so that the next open starts as this one did
    settleWindow(w.canvas());
    state.ResumeTiming();
  }
  state.counters["triangles"] = static_cast<double>(2 * state.range(0) * state.range(0));
  g::endSession();
  std::filesystem::remove(path);
}
BENCHMARK(BM_OpenObjTerrainToPaintedWindow)->Arg(224)->Unit(benchmark::kMillisecond)->Iterations(3);

// Serve events until the window shows its views whole (none of them a sketch while its depth
// order is built aside).
void settleWhole(Window& w) {
  w.canvas().displayList();
  while (g::drawingPending(w.fig) || w.canvas().renders() == 0 || w.canvas().painted() != w.canvas().renders())
    QCoreApplication::processEvents();
}

// The longest time the window serves no events while an action runs until its result is on
// screen: a timer that fires as often as it can, and the widest gap between its firings (the
// first counted from the action's start). Reported as the counter "freeze_ms"; the time itself
// is that of the whole action.
class FreezeWatch {
 public:
  FreezeWatch() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] { lap(); });
  }
  void start() {
    clock_.start();
    timer_.start();
  }
  void stop() {
    lap();
    timer_.stop();
  }
  double longestMs() const { return static_cast<double>(longest_) / 1e6; }

 private:
  void lap() {
    longest_ = std::max(longest_, clock_.nsecsElapsed());
    clock_.restart();
  }
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

// The longest freeze of the window while it runs the script line `action` (after `setup`, each
// time afresh) until its result is on screen whole.
void longestFreeze(benchmark::State& state, const std::string& setup, const std::string& action) {
  const auto info = app::programInfo();
  Window w = open(info);
  g::drawAside(true);  // as the program has it with a person at the window
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    runScript(setup);
    settleWhole(w);
    state.ResumeTiming();
    FreezeWatch watch;
    watch.start();
    const long before = w.canvas().renders();
    runScript(action + "\n");
    untilPainted(w.canvas(), before);
    settleWhole(w);
    watch.stop();
    longest = std::max(longest, watch.longestMs());
  }
  state.counters["freeze_ms"] = longest;
  g::endSession();
}

std::string walls(benchmark::State& state) { return "generate walls " + std::to_string(state.range(0)) + " 1\n"; }

// Opening an OBJ terrain of N x N cells (2 N^2 triangles).
void BM_FreezeOpeningTerrain(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  longestFreeze(state, "scene 1\n", "open " + path);
  std::filesystem::remove(path);
}
BENCHMARK(BM_FreezeOpeningTerrain)->Arg(71)->Arg(224)->Unit(benchmark::kMillisecond)->Iterations(3);
// A strategy run to the end on N random walls.
void BM_FreezeAutoFirstWalls(benchmark::State& state) { longestFreeze(state, walls(state), "auto first all"); }
BENCHMARK(BM_FreezeAutoFirstWalls)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);
void BM_FreezeAutoFewestWalls(benchmark::State& state) { longestFreeze(state, walls(state), "auto fewest all"); }
BENCHMARK(BM_FreezeAutoFewestWalls)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);
// The first click on an OBJ terrain of N x N cells (2 N^2 triangles), and then pointing at a
// waiting triangle: a model's scale.
void BM_FreezeClickTerrain(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  longestFreeze(state, "open " + path + "\n", "click 1");
  std::filesystem::remove(path);
}
BENCHMARK(BM_FreezeClickTerrain)->Arg(224)->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_FreezeHoverTerrain(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  longestFreeze(state, "open " + path + "\nclick 1\n", "hover 2");
  std::filesystem::remove(path);
}
BENCHMARK(BM_FreezeHoverTerrain)->Arg(224)->Unit(benchmark::kMillisecond)->Iterations(3);
// Pointing at a triangle of the terrain in the scene view, seen from above: the status line names
// it and it lights up in every view.
// The centre of a view of the window, as a script's "X Y".
std::string centreOf(const char* view) {
  Window w = open(app::programInfo());
  const g::Rect r = g::objectPixelRect(gui::guidata(w.fig).field(view).scalar());
  g::endSession();
  return std::to_string(static_cast<int>(r.x + r.width / 2)) + " " + std::to_string(static_cast<int>(r.y + r.height / 2));
}
void BM_FreezePointTerrain(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  longestFreeze(state, "open " + path + "\nview top\n", "point " + centreOf("axes1"));
  std::filesystem::remove(path);
}
BENCHMARK(BM_FreezePointTerrain)->Arg(72)->Arg(224)->Unit(benchmark::kMillisecond)->Iterations(3);
// The same in the partition view of the finished tree (the first strategy), whose pieces are
// drawn by colour.
void BM_FreezePointBuiltTerrain(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  longestFreeze(state, "open " + path + "\nview top\nauto first all\n", "point " + centreOf("axes2"));
  std::filesystem::remove(path);
}
BENCHMARK(BM_FreezePointBuiltTerrain)->Arg(72)->Unit(benchmark::kMillisecond)->Iterations(3);
// The pointer going from polygon to polygon over the partition view of a finished tree, seen from
// above, each step until the window shows it whole (a depth order built aside included): of the
// terrain above (about 72,000 pieces), and of N random walls built with the fewest splits.
void pointSteps(benchmark::State& state, const std::string& setup) {
  const auto info = app::programInfo();
  Window w = open(info);
  g::drawAside(true);
  runScript(setup + "view top\n");
  settleWhole(w);
  const g::Rect r = g::objectPixelRect(gui::guidata(w.fig).field("axes2").scalar());
  int k = 0;
  for (auto _ : state) {
    const double x = r.x + r.width * (0.3 + 0.04 * (k % 10)), y = r.y + r.height * (0.3 + 0.03 * (k % 7));
    ++k;
    const long before = w.canvas().renders();
    runScript("point " + std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)) + "\n");
    if (w.canvas().renders() != before || g::drawingPending(w.fig)) untilPainted(w.canvas(), before);
    settleWhole(w);
  }
  g::endSession();
}
void BM_PointStepBuiltTerrain(benchmark::State& state) {
  const std::string path = terrainObj(static_cast<std::size_t>(state.range(0)));
  pointSteps(state, "open " + path + "\nauto first all\n");
  std::filesystem::remove(path);
}
BENCHMARK(BM_PointStepBuiltTerrain)->Arg(72)->Unit(benchmark::kMillisecond);
void BM_PointStepBuiltWalls(benchmark::State& state) { pointSteps(state, walls(state) + "auto fewest all\n"); }
BENCHMARK(BM_PointStepBuiltWalls)->Arg(10000)->Unit(benchmark::kMillisecond);
// Letting go of the scene view of N walls after turning it (its sketch on screen): the whole
// scene comes back.
void BM_FreezeReleaseAfterTurnWalls(benchmark::State& state) {
  g::Rect r;
  {
    Window w = open(app::programInfo());
    r = g::objectPixelRect(gui::guidata(w.fig).field("axes1").scalar());
    g::endSession();
  }
  const int x = static_cast<int>(r.x + r.width / 2), y = static_cast<int>(r.y + r.height / 2);
  const std::string at = std::to_string(x) + " " + std::to_string(y);
  const std::string turned = std::to_string(x + 10) + " " + std::to_string(y);
  longestFreeze(state, walls(state) + "drag " + at + " " + turned + " hold\n", "release " + turned);
}
BENCHMARK(BM_FreezeReleaseAfterTurnWalls)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
// The first click, which files every other wall.
void BM_FreezeClickWalls(benchmark::State& state) { longestFreeze(state, walls(state), "click w1"); }
BENCHMARK(BM_FreezeClickWalls)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
// Pointing at a waiting polygon after the first click: the preview of its list of thousands.
void BM_FreezeHoverWalls(benchmark::State& state) { longestFreeze(state, walls(state) + "click w1\n", "hover w2"); }
BENCHMARK(BM_FreezeHoverWalls)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
// On the finished tree of N walls (the first strategy): the scanner moved, a step back, and a
// step of the painter's order.
void BM_FreezeScannerOnTreeWalls(benchmark::State& state) {
  longestFreeze(state, walls(state) + "auto first all\n", "scanner 10 20 5");
}
BENCHMARK(BM_FreezeScannerOnTreeWalls)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);
void BM_FreezeUndoOnTreeWalls(benchmark::State& state) { longestFreeze(state, walls(state) + "auto first all\n", "undo"); }
BENCHMARK(BM_FreezeUndoOnTreeWalls)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);
void BM_FreezePaintStepOnTreeWalls(benchmark::State& state) {
  longestFreeze(state, walls(state) + "auto first all\n", "paint step");
}
BENCHMARK(BM_FreezePaintStepOnTreeWalls)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);

// From the program's start (the application object already made) to the first painted window.
void BM_StartUpToFirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    const auto info = app::programInfo();
    Window w = open(info);
    untilPainted(w.canvas(), 0);
    state.PauseTiming();
    g::endSession();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  if (QStyle* style = QStyleFactory::create("Fusion")) QApplication::setStyle(style);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
