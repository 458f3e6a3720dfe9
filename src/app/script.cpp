#include "app/script.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <istream>
#include <limits>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <vector>

#include "app/app.hpp"
#include "app/files.hpp"
#include "app/guide.hpp"
#include "app/learning.hpp"
#include "app/session.hpp"
#include "app/state.hpp"
#include "graphics/geometry.hpp"
#include "graphics/render.hpp"
#include "guiruntime/guidata.hpp"
#include "runtime/json_reader.hpp"
#include "scenes/generators.hpp"
#include "views/partition.hpp"
#include "views/views.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

namespace {

std::string jsonText(const std::string& s) { return nlohmann::json(s).dump(); }

std::string jsonNumbers(const std::vector<double>& xs) {
  std::string out = "[";
  for (std::size_t i = 0; i < xs.size(); ++i) out += (i ? "," : "") + formatShortest(xs[i]);
  return out + "]";
}

std::string jsonTexts(const std::vector<std::string>& xs) {
  std::string out = "[";
  for (std::size_t i = 0; i < xs.size(); ++i) out += (i ? "," : "") + jsonText(xs[i]);
  return out + "]";
}

std::string jsonPolygon(const bsp::PolygonRef& p) {
  if (!p) return "null";
  std::string pts = "[";
  for (std::size_t i = 0; i < p->points.size(); ++i) {
    const auto& v = p->points[i];
    pts += (i ? "," : "") + jsonNumbers({v.x, v.y, v.z});
  }
  pts += "]";
  return "{\"label\":" + jsonText(p->label) + ",\"points\":" + pts +
         ",\"normal\":" + jsonNumbers({p->normal.x, p->normal.y, p->normal.z}) + "}";
}

std::string jsonList(const bsp::PolygonList& l) {
  std::string out = "[";
  for (std::size_t i = 0; i < l.size(); ++i) out += (i ? "," : "") + jsonPolygon(l[i]);
  return out + "]";
}

std::string jsonTree(const bsp::NodeRef& t) {
  if (!t) return "null";
  const bsp::BspElement e = t->element.value_or(bsp::BspElement{});
  return "{\"poly\":" + jsonPolygon(e.poly) + ",\"front\":" + jsonList(e.front) +
         ",\"back\":" + jsonList(e.back) + ",\"left\":" + jsonTree(t->left) +
         ",\"right\":" + jsonTree(t->right) + "}";
}

std::vector<std::string> linesOf(const Value& v) {
  if (v.isEmpty()) return {};
  if (v.isText()) return {v.text()};
  std::vector<std::string> lines;
  if (v.isCell())
    for (const auto& item : v.cell().items) lines.push_back(item.isText() ? item.text() : item.describe());
  return lines;
}

std::string textOf(const Value& v) { return v.isText() ? v.text() : std::string(); }

g::Handle tagged(const Value& handles, const std::string& tag) {
  if (!handles.hasField(tag)) throw ScriptError("the window has no object tagged \"" + tag + "\"");
  return handles.field(tag).matrix()[0];
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

double number(const std::string& w) {
  std::size_t used = 0;
  double x = 0;
  try {
    x = std::stod(w, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != w.size() || !std::isfinite(x)) throw ScriptError("\"" + w + "\" is not a number");
  return x;
}

void expectCount(const std::vector<std::string>& w, std::size_t lo, std::size_t hi, const char* usage) {
  if (w.size() < lo || w.size() > hi) throw ScriptError(std::string("usage: ") + usage);
}

// The centre of the on-screen box of every waiting-list item showing `label`, ordered top to
// bottom, then left to right.
// The centre of the on-screen box of every text showing `label` that `is` accepts, ordered top to
// bottom, then left to right.
template <class Accept>
std::vector<g::Point> textsShowing(g::Handle fig, const std::string& label, Accept is) {
  std::vector<g::Point> found;
  const g::DisplayList& list = g::figureDisplayList(fig);  // the list the press will hit test on
  for (const auto& p : list.items) {
    if (p.kind != g::Primitive::Kind::Text || !g::ishandle(p.source)) continue;
    if (g::typeOf(p.source) != "text" || !is(p.source)) continue;
    if (textOf(g::get(p.source, "String")) != label) continue;
    found.push_back({p.box.x + p.box.width / 2, p.box.y + p.box.height / 2});
  }
  std::stable_sort(found.begin(), found.end(), [](const g::Point& a, const g::Point& b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });
  return found;
}

// Waiting-list items carry (their position, their list); node captions carry their polygon.
bool isWaitingItem(g::Handle h) {
  const Value ud = g::get(h, "UserData");
  return ud.isCell() && ud.numel() == 2 && !g::get(h, "ButtonDownFcn").isEmpty();
}
bool isCaption(g::Handle h) { return g::get(h, "UserData").payload<bsp::Polygon>() != nullptr; }

// The K-th item (1-based) showing `label`, as `click` and `hover` name them.
g::Point waitingItem(g::Handle fig, const std::vector<std::string>& w) {
  const double k = w.size() == 3 ? number(w[2]) : 1;
  const auto items = textsShowing(fig, w[1], isWaitingItem);
  if (items.empty()) throw ScriptError("no waiting-list item shows \"" + w[1] + "\"");
  if (k < 1 || k > static_cast<double>(items.size()) || k != std::floor(k))
    throw ScriptError(std::to_string(items.size()) + " waiting-list item(s) show \"" + w[1] + "\"");
  return items[static_cast<std::size_t>(k) - 1];
}

// The text of `line` from its word number `n` (0-based) on, without the spaces around it.
std::string restOf(const std::string& line, std::size_t n) {
  std::size_t at = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    at = line.find_first_not_of(" \t\r", at);
    if (i < n) at = line.find_first_of(" \t\r", at);
  }
  const std::size_t end = line.find_last_not_of(" \t\r");
  return at == std::string::npos ? std::string() : line.substr(at, end + 1 - at);
}

void runLine(const std::string& line, const std::vector<std::string>& w, std::ostream& out,
             const SnapshotWriter& snapshot) {
  const std::string& cmd = w[0];
  const g::Handle fig = kolvarWindow();
  const Value handles = gui::guidata(fig);
  if (cmd == "scene") {
    expectCount(w, 2, 2, "scene N");
    const double n = number(w[1]);
    const Value entries = g::get(tagged(handles, "select_poly"), "String");
    const std::size_t count = entries.isCell() ? entries.numel() : 1;
    if (n < 1 || n > static_cast<double>(count) || n != std::floor(n))
      throw ScriptError("the scene popup has entries 1 to " + std::to_string(count));
    g::controlAction(tagged(handles, "select_poly"), Value(n));
  } else if (cmd == "reset") {
    expectCount(w, 1, 1, "reset");
    g::controlAction(tagged(handles, "reset"));
  } else if (cmd == "toggle") {
    expectCount(w, 2, 2, "toggle TAG");
    const g::Handle box = tagged(handles, w[1]);
    if (g::typeOf(box) != "uicontrol" || textOf(g::get(box, "Style")) != "checkbox")
      throw ScriptError("\"" + w[1] + "\" is not a check box");
    const bool on = views::isOn(box);
    g::controlAction(box, Value(on ? 0.0 : 1.0));
  } else if (cmd == "click") {
    expectCount(w, 2, 3, "click LABEL [K]");
    const g::Point at = waitingItem(fig, w);
    g::press(fig, at.x, at.y);
    g::release(fig, at.x, at.y);
  } else if (cmd == "press") {
    expectCount(w, 3, 3, "press X Y");
    const double x = number(w[1]), y = number(w[2]);
    g::press(fig, x, y);
    g::release(fig, x, y);
  } else if (cmd == "drag") {
    // With "hold" the button stays down, as mid-drag ("release X Y" lets go).
    const char* usage = "drag X1 Y1 X2 Y2 [hold]";
    expectCount(w, 5, 6, usage);
    if (w.size() == 6 && w[5] != "hold") throw ScriptError(std::string("usage: ") + usage);
    const double x1 = number(w[1]), y1 = number(w[2]), x2 = number(w[3]), y2 = number(w[4]);
    g::press(fig, x1, y1);
    g::drag(fig, x2, y2);
    if (w.size() == 5) g::release(fig, x2, y2);
  } else if (cmd == "release") {
    expectCount(w, 3, 3, "release X Y");
    g::release(fig, number(w[1]), number(w[2]));
  } else if (cmd == "scanner") {
    expectCount(w, 4, 4, "scanner X Y Z");
    const double x = number(w[1]), y = number(w[2]), z = number(w[3]);
    const g::Handle ax = tagged(handles, "axes2");
    Matrix cp(2, 3);
    for (std::size_t r = 0; r < 2; ++r) cp(r, 0) = x, cp(r, 1) = y, cp(r, 2) = z;
    g::set(ax, "CurrentPoint", cp);
    g::dispatchCallback(ax, "ButtonDownFcn");
    // A typed position is a press with no drag after it: nothing steers the scanner afterwards.
    ProgramState state = fetchState(fig);
    if (state.interaction.steering) {
      state.interaction.steering = false;
      storeState(fig, state);
    }
  } else if (cmd == "hover") {
    expectCount(w, 1, 3, "hover [LABEL [K]]");
    // The pointer rests on the item; "hover" alone moves it off everything, to the window's corner.
    const g::Point at = w.size() == 1 ? g::Point{1, 1} : waitingItem(fig, w);
    g::motion(fig, at.x, at.y);
  } else if (cmd == "point") {
    // The pointer rests at a window pixel with no button held: on a polygon of a 3-D view, it
    // names that polygon everywhere.
    expectCount(w, 3, 3, "point X Y");
    g::motion(fig, number(w[1]), number(w[2]));
  } else if (cmd == "select") {
    expectCount(w, 2, 2, "select LABEL");
    const auto captions = textsShowing(fig, w[1], isCaption);
    if (captions.empty()) throw ScriptError("no node of the tree shows \"" + w[1] + "\"");
    g::press(fig, captions[0].x, captions[0].y);
    g::release(fig, captions[0].x, captions[0].y);
  } else if (cmd == "view") {
    if (w.size() == 2) {
      if (!showNamedView(fig, w[1])) throw ScriptError("usage: view top|front|side|default|reset, or view AZ EL");
    } else {
      expectCount(w, 3, 3, "view AZ EL");
      g::view(tagged(handles, "axes1"), Value::row({number(w[1]), number(w[2])}));
      const g::Rect r = g::figurePixelRect(fig);
      g::release(fig, r.width / 2, r.height / 2);
    }
  } else if (cmd == "undo" || cmd == "redo") {
    expectCount(w, 1, 1, cmd == "undo" ? "undo" : "redo");
    g::menuAction(tagged(handles, cmd == "undo" ? "UndoMenuItem" : "RedoMenuItem"));
  } else if (cmd == "auto") {
    // auto STRATEGY [step|all], where random takes its seed: auto random 7 all. The strategy is
    // chosen in the popup (random's seed rides along as its "UserData") and the button pressed.
    const bool mode = w.size() >= 3 && (w.back() == "step" || w.back() == "all");
    if (w.size() < 2) throw ScriptError("usage: auto STRATEGY [step|all]");
    const bsp::Strategy s = bsp::parseStrategy({w.begin() + 1, mode ? w.end() - 1 : w.end()});
    const g::Handle popup = tagged(handles, "strategy");
    const g::Handle button = tagged(handles, mode && w.back() == "all" ? "auto_all" : "auto_step");
    g::set(popup, "Value", static_cast<double>(s.kind) + 1);
    g::set(popup, "UserData", s.kind == bsp::StrategyKind::Random ? Value(std::to_string(s.seed)) : Value());
    // Run as the button's callback, but with its errors (the optimal strategy's refusal) ending
    // the script.
    const auto clear = [&] { g::set(popup, "UserData", Value()); };
    try {
      if (textOf(g::get(button, "Enable")) == "on") g::runCallback(button, "Callback");
    } catch (...) {
      clear();
      throw;
    }
    clear();
  } else if (cmd == "compare") {
    expectCount(w, 1, 1, "compare");
    for (const bsp::Comparison& r : compareAction(fig))
      out << "{\"strategy\":" << jsonText(r.strategy) << ",\"pieces\":" << formatShortest(r.pieces)
          << ",\"depth\":" << formatShortest(r.depth) << ",\"avg_leaf_depth\":" << formatShortest(r.avgLeafDepth)
          << "}\n";
    out << std::flush;
  } else if (cmd == "paint") {
    const char* usage = "usage: paint step|back|reset|play [STEPS]|speed slow|normal|fast";
    if (w.size() < 2 || w.size() > 3) throw ScriptError(usage);
    if (w[1] == "play") {
      // The button, then the window's clock ticked by hand (a script has no time to wait):
      // STEPS polygons in all, or to the end. Still playing after STEPS, it goes on playing;
      // "paint play" again pauses it, as the button does.
      const bool was = paintPlaying(fig);
      std::size_t steps = std::numeric_limits<std::size_t>::max();
      if (w.size() == 3) {
        const double n = number(w[2]);
        if (n < 1 || n != std::floor(n)) throw ScriptError("\"" + w[2] + "\" is not a number of steps");
        steps = n < 1e15 ? static_cast<std::size_t>(n) : steps;
      }
      g::controlAction(tagged(handles, "paint_play"));
      for (std::size_t k = 1; !was && k < steps && paintPlaying(fig); ++k) g::tick(fig);
    } else if (w[1] == "speed") {
      const std::array<std::string, 3> speeds{"slow", "normal", "fast"};
      const auto at = w.size() == 3 ? std::find(speeds.begin(), speeds.end(), w[2]) : speeds.end();
      if (at == speeds.end()) throw ScriptError(usage);
      g::controlAction(tagged(handles, "paint_speed"), Value(static_cast<double>(at - speeds.begin() + 1)));
    } else {
      if (w.size() != 2 || (w[1] != "step" && w[1] != "back" && w[1] != "reset")) throw ScriptError(usage);
      g::controlAction(tagged(handles, "paint_" + w[1]));
    }
  } else if (cmd == "state") {
    expectCount(w, 1, 1, "state");
    out << stateJson(fig) << '\n' << std::flush;
  } else if (cmd == "snapshot") {
    expectCount(w, 2, 2, "snapshot FILE");
    if (!snapshot) throw ScriptError("snapshots need the window system, which is not available here");
    snapshot(fig, w[1]);
  } else if (cmd == "export") {
    // export FILE [VIEW] [SCALE]: the window or a view, as PNG, SVG or PDF by the file's name.
    if (w.size() < 2 || w.size() > 4) throw ScriptError("usage: export FILE [window|tree|scene|partition] [SCALE]");
    const double scale = w.size() == 4 ? number(w[3]) : 1;
    exportView(fig, w.size() >= 3 ? w[2] : "window", w[1], scale);
  } else if (cmd == "open") {
    // open FILE: a scene, a session or a layout, by its content. The file name is the rest of
    // the line, so that it may hold spaces.
    if (w.size() < 2) throw ScriptError("usage: open FILE");
    openFile(fig, restOf(line, 1));
  } else if (cmd == "save") {
    // save FILE: the session of the window (File > Save Session), named as `open` names files.
    if (w.size() < 2) throw ScriptError("usage: save FILE");
    saveSession(fig, restOf(line, 1));
  } else if (cmd == "generate") {
    showNewScene(fig, scenes::generate({w.begin() + 1, w.end()}), "generated");
  } else if (cmd == "tree") {
    // tree fit | zoom FACTOR [X Y] | pan DX DY | fold LABEL | unfold LABEL: the tree view as the
    // Fit button, the wheel (about pixel X Y, else the view's centre), a drag and the fold
    // markers change it.
    const char* usage = "tree fit|zoom FACTOR [X Y]|pan DX DY|fold LABEL|unfold LABEL";
    if (w.size() < 2) throw ScriptError(std::string("usage: ") + usage);
    if (w[1] == "fit") {
      expectCount(w, 2, 2, usage);
      fitTreeView(fig);
    } else if (w[1] == "zoom") {
      if (w.size() != 3 && w.size() != 5) throw ScriptError(std::string("usage: ") + usage);
      const double factor = number(w[2]);
      if (!(factor > 0)) throw ScriptError("the zoom factor must be above 0");
      std::optional<g::Point> at;
      if (w.size() == 5) at = g::Point{number(w[3]), number(w[4])};
      zoomTreeView(fig, factor, at);
    } else if (w[1] == "pan") {
      expectCount(w, 4, 4, usage);
      panTreeView(fig, number(w[2]), number(w[3]));
    } else if (w[1] == "fold" || w[1] == "unfold") {
      expectCount(w, 3, 3, usage);
      foldTreeView(fig, w[2], w[1] == "fold");
    } else {
      throw ScriptError(std::string("usage: ") + usage);
    }
  } else if (cmd == "help" || cmd == "tour") {
    runGuidanceCommand(fig, w);
  } else if (cmd == "cancel") {
    // cancel [AT]: the next long work (reading a scene file, building a large tree) is cancelled
    // once it has come this far, from 0 (at once, the default) to 1.
    expectCount(w, 1, 2, "cancel [AT]");
    const double at = w.size() == 2 ? number(w[1]) : 0;
    if (!(at >= 0 && at <= 1)) throw ScriptError("cancel: AT runs from 0 to 1");
    g::backend().dialogs().cancelAt.push_back(at);
  } else {
    throw ScriptError("unknown command \"" + cmd +
                      "\" (scene, reset, toggle, click, hover, point, select, press, drag, release, scanner, view, undo, redo, auto, "
                      "compare, paint, state, snapshot, export, open, save, generate, tree, help, tour, cancel)");
  }
}

}  // namespace

g::Handle kolvarWindow() {
  for (g::Handle f : g::findall(g::kRoot, std::string_view("figure")))
    if (g::get(f, "Tag").isText() && g::get(f, "Tag").text() == "figure1" && holdsProgramState(gui::guidata(f)))
      return f;
  throw ScriptError("the kolvar window is not open");
}

std::string stateJson(g::Handle fig) {
  const ProgramState state = fetchState(fig);
  const Controls& c = state.controls;
  const bsp::Vec3 s = state.scanner;
  std::string scan = "[";
  const auto lines = linesOf(g::get(c.scan_list, "String"));
  for (std::size_t i = 0; i < lines.size(); ++i) scan += (i ? "," : "") + jsonText(lines[i]);
  scan += "]";
  std::string readouts = "[";
  const g::Handle readout[] = {c.scanX, c.scanY, c.scanZ};
  for (int i = 0; i < 3; ++i) readouts += (i ? "," : "") + jsonText(textOf(g::get(readout[i], "String")));
  readouts += "]";
  const views::Options o = displayOptions(c);
  auto flag = [](bool on) { return on ? "true" : "false"; };
  const double scene = g::get(c.select_poly, "Value").scalar();
  // Appended piece by piece: a long chain of + makes g++ warn about copies it cannot see through.
  std::string out = "{\"scene\":";
  out += formatShortest(scene);
  out += ",\"scanner\":";
  out += jsonNumbers({s.x, s.y, s.z});
  out += ",\"scan\":";
  out += scan;
  out += ",\"readouts\":";
  out += readouts;
  out += ",\"options\":{\"labels\":";
  out += flag(o.labels);
  out += ",\"normals\":";
  out += flag(o.normals);
  out += ",\"scanner\":";
  out += flag(o.scanner);
  out += ",\"frame\":";
  out += flag(o.frame);
  out += ",\"planes\":";
  out += flag(o.planes);
  out += "},\"tree\":";
  out += jsonTree(state.root);
  out += ",\"preview\":";
  if (const auto& hover = state.interaction.hover) {
    const bsp::Preview p = bsp::previewSplit(hover->list, hover->index);
    out += "{\"splitter\":" + jsonText(p.splitter) + ",\"front\":" + jsonTexts(p.front) + ",\"back\":" +
           jsonTexts(p.back) + ",\"split\":" + jsonTexts(p.split) + "}";
  } else {
    out += "null";
  }
  out += ",\"cell\":";
  const geometry::Cell cell =
      state.interaction.selected
          ? views::cellOfNode(state.root, state.interaction.selected.get(), setupShown(state).limits[1])
          : geometry::Cell{};
  if (cell.empty()) {
    out += "null";
  } else {
    std::string pts = "[";
    // Corners closer than a few times the scene's tolerance are one.
    const auto corners = geometry::corners(cell, 10 * bsp::cutTolerance(cell));
    for (std::size_t i = 0; i < corners.size(); ++i) pts += (i ? "," : "") + jsonNumbers({corners[i].x, corners[i].y, corners[i].z});
    out += pts + "]";
  }
  const SceneInfo& info = sceneInfoShown(state);
  out += ",\"scene_info\":{\"name\":";
  out += jsonText(sceneName(state));
  out += ",\"polygons\":" + std::to_string(sceneShown(state).size());
  out += ",\"source\":" + jsonText(info.source) + "}";
  out += guidanceJson(fig);
  out += learningJson(state);
  out += ",\"treeview\":";
  out += treeViewJson(state);
  out += ",\"sketched\":[";  // the views drawn as a sketch while the mouse turns them
  bool firstSketch = true;
  for (const g::Handle ax : g::sketchedAxes(fig)) {
    out += (firstSketch ? "" : ",") + jsonText(textOf(g::get(ax, "Tag")));
    firstSketch = false;
  }
  out += "]";
  // How many polygons wait, and every how many-th the partition view shows (1: all of them).
  const std::size_t waiting = bsp::statistics(state.root, sceneShown(state).size()).waiting;
  out += ",\"ghosts\":{\"waiting\":" + std::to_string(waiting) + ",\"every\":" + std::to_string(views::ghostStride(waiting)) + "}";
  // The polygon pointed at (in a 3-D view, the tree view or the scan list) and the selected node.
  const auto labelOf = [](const bsp::PolygonRef& p) { return p ? jsonText(p->label) : std::string("null"); };
  out += ",\"focus\":{\"pointed\":" + labelOf(state.interaction.pointed) + ",\"selected\":" + labelOf(state.interaction.selected) + "}";
  out += ",\"status\":";  // what the status line says (why nothing happened, what was cancelled)
  out += jsonText(c.status_line ? textOf(g::get(c.status_line, "String")) : std::string());
  out += "}";
  return out;
}

namespace {

enum class LineRead { Line, End, TooLong };

// The next line of `in` without its line break, read no further than `max` characters: a file
// with no line breaks (a device, a binary file) must not be read whole into memory.
LineRead readLine(std::istream& in, std::string& line, std::size_t max) {
  line.clear();
  std::istream::sentry ok(in, true);
  if (!ok) return LineRead::End;
  std::streambuf& buf = *in.rdbuf();
  for (;;) {
    const int c = buf.sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      return line.empty() ? LineRead::End : LineRead::Line;
    }
    if (c == '\n') return LineRead::Line;
    if (line.size() >= max) return LineRead::TooLong;
    line.push_back(static_cast<char>(c));
  }
}

}  // namespace

void runScript(std::istream& in, std::ostream& out, const SnapshotWriter& snapshot) {
  std::string line;
  std::size_t total = 0;
  for (std::size_t number = 1;; ++number) {
    const LineRead r = readLine(in, line, kMaxScriptLine);
    if (r == LineRead::End) break;
    if (r == LineRead::TooLong)
      throw ScriptError("line " + std::to_string(number) + ": longer than " + std::to_string(kMaxScriptLine) +
                        " characters; a script holds one short command per line");
    total += line.size() + 1;
    if (total > kMaxScriptBytes)
      throw ScriptError("line " + std::to_string(number) + ": the script is longer than " +
                        std::to_string(kMaxScriptBytes >> 20) + " MiB");
    const auto w = words(line);
    if (w.empty() || w[0][0] == '#') continue;
    try {
      runLine(line, w, out, snapshot);
    } catch (const std::exception& e) {
      throw ScriptError("line " + std::to_string(number) + ": " + runtime::excerpt(e.what(), 300));
    }
    g::backend().settle();
  }
  if (in.bad()) throw ScriptError("the script could not be read to its end");
}

}  // namespace kolvar::app
