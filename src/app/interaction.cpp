// What the student does besides choosing splitters: pointing at things (a preview of a waiting
// polygon, the highlight of a placed one), selecting a node, steering the scanner, zooming and
// turning the 3-D views. These are the program's own callbacks: no layout names them, so they
// are installed by the program itself and reached by nothing but the window.
#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "app/app.hpp"
#include "app/files.hpp"
#include "app/learning.hpp"
#include "app/session.hpp"
#include "graphics/camera.hpp"
#include "graphics/geometry.hpp"
#include "views/tree_view.hpp"
#include "guiruntime/guidata.hpp"
#include "views/views.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

Value privateCallback(const char* name, void (*f)(Handle)) {
  return Value(runtime::privateFunction(std::string("kolvar: ") + name, [f](const runtime::Args& a, int) {
    if (!a.empty() && a[0].isScalar()) f(a[0].scalar());
    return runtime::Outputs{};
  }));
}
Value privateCallback(const char* name, void (*f)(Handle, const Value&)) {
  return Value(runtime::privateFunction(std::string("kolvar: ") + name, [f](const runtime::Args& a, int) {
    if (!a.empty() && a[0].isScalar()) f(a[0].scalar(), a.size() > 1 ? a[1] : Value());
    return runtime::Outputs{};
  }));
}

namespace {

// The pointer in pixels from the window's top-left corner (the figure's "CurrentPoint" counts from
// its bottom-left).
g::Point pointerOf(Handle fig) {
  const Matrix cp = g::get(fig, "CurrentPoint").matrix();
  return {cp[0], g::figurePixelRect(fig).height - cp[1]};
}

bool shiftHeld(Handle fig) {
  const Value mods = g::get(fig, "CurrentModifier");
  if (!mods.isCell()) return false;
  for (const Value& m : mods.cell().items)
    if (m.isText() && m.text() == "shift") return true;
  return false;
}

// What lies under the pointer: a waiting polygon of the tree view, or a placed polygon (a node's
// caption, or a face in either 3-D view).
struct Under {
  std::optional<WaitingItem> item;
  bsp::PolygonRef placed;
};

Under underPointer(Handle fig, g::Point p) {
  Under under;
  const Handle hit = g::hitTest(fig, p.x, p.y);
  if (hit != fig && g::ishandle(hit) && g::typeOf(hit) == "text") {
    const Value ud = g::get(hit, "UserData");
    if (ud.isCell() && ud.numel() == 2 && ud.at(0).isScalar()) {
      const bsp::PolygonList list = views::polygonListOf(ud.at(1));
      const double i = ud.at(0).scalar();
      if (i >= 1 && i <= static_cast<double>(list.size())) under.item = WaitingItem{list, static_cast<std::size_t>(i) - 1};
      return under;
    }
    if (auto poly = ud.payload<bsp::Polygon>()) {
      under.placed = poly;
      return under;
    }
  }
  // The topmost face that names its polygon: a face of its own, or one of a patch of many faces
  // of one colour (a large scene's), which names the polygon of each face.
  const auto names = [](Handle h) {
    if (g::typeOf(h) != "patch") return false;
    const Value ud = g::get(h, "UserData");
    return ud.payload<bsp::Polygon>() || ud.payload<views::FacePolygons>();
  };
  const g::DrawnFace face = g::faceDrawnAt(fig, p.x, p.y, names);
  if (face.object == fig) return under;
  const Value ud = g::get(face.object, "UserData");
  if (auto many = ud.payload<views::FacePolygons>()) {
    if (face.face < many->polygons.size()) under.placed = many->polygons[face.face];
  } else {
    under.placed = ud.payload<bsp::Polygon>();
  }
  return under;
}

bool sameItem(const std::optional<WaitingItem>& a, const std::optional<WaitingItem>& b) {
  if (!a || !b) return !a && !b;
  return a->index == b->index && &a->polygon() == &b->polygon();
}

// The scanner follows the pointer over the horizontal plane at its height, or, with Shift held,
// up and down the vertical plane through it that faces the viewer. It stays inside the limits.
bsp::Vec3 steered(const ProgramState& s, Handle fig) {
  const Handle ax = s.fixed->axes[1];
  const g::Point p = pointerOf(fig);
  const auto [nearPoint, farPoint] = g::lineOfSight(g::axesCamera(ax), p.x, p.y);
  const bsp::Vec3 d = farPoint - nearPoint;
  bsp::Vec3 to = s.scanner;
  if (shiftHeld(fig)) {
    const bsp::Vec3 n{d.x, d.y, 0};
    const double along = dot(d, n);
    if (std::abs(along) > 1e-12) to.z = (nearPoint + (dot(s.scanner - nearPoint, n) / along) * d).z;
  } else if (std::abs(d.z) > 1e-12) {
    const bsp::Vec3 at = nearPoint + ((s.scanner.z - nearPoint.z) / d.z) * d;
    to.x = at.x;
    to.y = at.y;
  }
  const views::Limits& lim = setupShown(s).limits[1];
  return {std::clamp(to.x, lim[0], lim[1]), std::clamp(to.y, lim[2], lim[3]), std::clamp(to.z, lim[4], lim[5])};
}

// Above this many polygons in the scene, the partition view takes the scene view's view when
// the drag ends rather than at every step of it: turning both views at once would halve the
// rate at which the one being dragged follows the pointer.
constexpr std::size_t kMostTurnedTogether = 2000;

void pointerMoved(Handle fig) {
  // While the scene view turns, the partition view turns with it.
  if (g::rotationDragActive(fig)) {
    const ProgramState s = fetchState(fig);
    if (sceneShown(s).size() > kMostTurnedTogether) return;
    const Value v = g::view(s.fixed->axes[0]);
    if (!(g::view(s.fixed->axes[1]) == v)) g::view(s.fixed->axes[1], v);
    return;
  }
  ProgramState s = fetchState(fig);
  if (s.interaction.panning) {
    const g::Point p = pointerOf(fig);
    const g::Point from = *s.interaction.panning;
    s.interaction.panning = p;
    storeState(fig, s);
    panTreeView(fig, p.x - from.x, p.y - from.y);
    return;
  }
  if (s.interaction.steering) {
    const bsp::Vec3 to = steered(s, fig);
    if (to == s.scanner) return;
    s.scanner = to;
    storeState(fig, s);
    redraw(std::move(s));
    return;
  }
  const Under now = underPointer(fig, pointerOf(fig));
  if (sameItem(now.item, s.interaction.hover) && now.placed == s.interaction.pointed) return;
  s.interaction.hover = now.item;
  s.interaction.pointed = now.placed;
  storeState(fig, s);
  redraw(std::move(s));
}

void wheelTurned(Handle fig, const Value& event) {
  if (!event.isRecord() || !event.hasField("VerticalScrollCount")) return;
  // A notch of the wheel magnifies by 1.15; a pinch says by how much itself.
  const double factor = event.hasField("Magnification") ? event.field("Magnification").scalar()
                                                        : std::pow(1.15, -event.field("VerticalScrollCount").scalar());
  if (!(factor > 0) || !std::isfinite(factor) || factor == 1) return;
  ProgramState s = fetchState(fig);
  const g::Point p = pointerOf(fig);
  // Over the tree view the wheel zooms the tree about the pointer.
  if (g::objectPixelRect(s.fixed->axes[2]).contains(p)) {
    zoomTreeView(fig, factor, p);
    return;
  }
  for (std::size_t i = 0; i < 2; ++i) {
    const Handle ax = s.fixed->axes[i];
    if (!g::objectPixelRect(ax).contains(p)) continue;
    s.interaction.zoom[i] = std::clamp(s.interaction.zoom[i] * factor, 0.5, 10.0);
    g::set(ax, "Zoom", Value(s.interaction.zoom[i]));
    storeState(fig, s);
    return;
  }
}

// A press with the middle button, or with Space held, in the tree view starts to pan it; the
// press is then no click on whatever lies under the pointer.
bool spaceHeld(Handle fig) {
  const Value mods = g::get(fig, "CurrentModifier");
  if (!mods.isCell()) return false;
  for (const Value& m : mods.cell().items)
    if (m.isText() && m.text() == "space") return true;
  return false;
}

void buttonPressed(Handle fig) {
  ProgramState s = fetchState(fig);
  const g::Point p = pointerOf(fig);
  const Value kind = g::get(fig, "SelectionType");
  const bool middle = kind.isText() && kind.text() == "extend";
  const bool pans = (middle || spaceHeld(fig)) && g::objectPixelRect(s.fixed->axes[2]).contains(p);
  if (pans == s.interaction.panning.has_value()) return;
  s.interaction.panning = pans ? std::optional<g::Point>(p) : std::nullopt;
  storeState(fig, s);
}

bool panning(Handle h) { return fetchState(h).interaction.panning.has_value(); }

// A fold marker: "+ N more" under a long list, "fold the list" at the end of an unfolded one, the
// switch by a node's caption and the count under a collapsed node.
void foldClicked(Handle marker) {
  if (panning(marker)) return;
  const auto m = g::get(marker, "UserData").payload<views::FoldMarker>();
  if (!m || !m->polygon) return;
  ProgramState s = fetchState(marker);
  auto& keys = m->list ? s.interaction.tree.unfolded : s.interaction.tree.collapsed;
  const auto at = std::find(keys.begin(), keys.end(), m->polygon);
  if (at == keys.end()) {
    keys.push_back(m->polygon);
  } else {
    keys.erase(at);
  }
  storeState(marker, s);
  redrawTreeView(s);
}

void treeFitChosen(Handle h) { fitTreeView(h); }

void captionClicked(Handle caption) {
  if (panning(caption)) return;
  ProgramState s = fetchState(caption);
  auto poly = g::get(caption, "UserData").payload<bsp::Polygon>();
  // A second click on the selected node lets it go.
  s.interaction.selected = poly == s.interaction.selected ? nullptr : poly;
  storeState(caption, s);
  redraw(std::move(s));
}

// The placed polygon labelled `label`, or null.
bsp::PolygonRef placedLabelled(const bsp::NodeRef& root, const std::string& label) {
  bsp::PolygonRef found;
  bsp::bspFarToNear(bsp::Vec3{0, 0, 0}, root, [&](const bsp::BspElement& e) {
    if (!found && e.poly->label == label) found = e.poly;
  });
  return found;
}

void scanRowChosen(Handle list) {
  ProgramState s = fetchState(list);
  const Value rows = g::get(list, "Value"), lines = g::get(list, "String");
  bsp::PolygonRef poly;
  if (rows.isScalar() && rows.scalar() >= 1) {
    const auto row = static_cast<std::size_t>(rows.scalar()) - 1;
    const Value line = lines.isCell() && row < lines.numel() ? lines.at(row) : lines;
    if (line.isText()) poly = placedLabelled(s.root, line.text());
  }
  if (poly == s.interaction.selected) return;
  s.interaction.selected = poly;
  storeState(list, s);
  redraw(std::move(s));
}

// The views the menu and the buttons offer: from above, from the front, from the side, and the
// default; "reset" also undoes the zoom.
void setView(Handle h, double az, double el, bool resetZoom) {
  ProgramState s = fetchState(h);
  for (std::size_t i = 0; i < 2; ++i) {
    g::view(s.fixed->axes[i], Value::row({az, el}));
    if (resetZoom) {
      s.interaction.zoom[i] = 1;
      g::set(s.fixed->axes[i], "Zoom", Value(1.0));
    }
  }
  storeState(h, s);
}
void viewTop(Handle h) { setView(h, 0, 90, false); }
void viewFront(Handle h) { setView(h, 0, 0, false); }
void viewSide(Handle h) { setView(h, 90, 0, false); }
void viewDefault(Handle h) { setView(h, g::kDefault3dAzimuth, g::kDefault3dElevation, false); }
void viewReset(Handle h) { setView(h, g::kDefault3dAzimuth, g::kDefault3dElevation, true); }

// A typed coordinate of the scanner: a number moves it (kept inside the limits), anything else
// shows the coordinate it has.
void scannerTyped(Handle edit) {
  ProgramState s = fetchState(edit);
  const Value tag = g::get(edit, "Tag");
  const int k = tag.isText() && !tag.text().empty() ? tag.text().back() - 'x' : -1;
  if (k < 0 || k > 2) return;
  const Value text = g::get(edit, "String");
  char* end = nullptr;
  const std::string t = text.isText() ? text.text() : std::string();
  const double v = std::strtod(t.c_str(), &end);
  if (!t.empty() && end && *end == '\0' && std::isfinite(v)) {
    const views::Limits& lim = setupShown(s).limits[1];
    const bsp::Vec3 before = s.scanner;
    s.scanner[k] = std::clamp(v, lim[2 * k], lim[2 * k + 1]);
    // A typed move is a step of its own, undone like a click in the partition view.
    if (!(s.scanner == before)) commitStep(s, StepLog::of(StepLog::Kind::Scanner));
    storeState(edit, s);
  }
  // The entry empties again: the read-out beside it shows where the scanner is.
  g::set(edit, "String", "");
  redraw(std::move(s));
}

// File > Export: the window or one view, as the file's extension says (PNG, SVG or PDF).
void exportChosen(Handle h, const char* what) {
  const auto fig = g::ancestor(h, "figure");
  if (!fig) return;
  const auto path = g::backend().dialogs().saveFile(std::string("Export the ") + what, std::string("kolvar-") + what + ".png");
  if (!path) return;
  try {
    exportView(*fig, what, *path, 1);
  } catch (const Error& e) {
    g::errordlg(e.what(), "Export");
  }
}
void exportWindow(Handle h) { exportChosen(h, "window"); }
void exportTree(Handle h) { exportChosen(h, "tree"); }
void exportScene(Handle h) { exportChosen(h, "scene"); }
void exportPartition(Handle h) { exportChosen(h, "partition"); }

}  // namespace

views::Callbacks programCallbacks() {
  views::Callbacks c;
  c.itemClick = functionRef(&NodeListItem_ButtonDownFcn);
  c.partitionClick = functionRef(&axes2_ButtonDownFcn);
  c.buttonUp = functionRef(&wrapWindowButtonUpFcn);
  c.resize = privateCallback("redraw for the new window size", &drawFigure);
  c.captionClick = privateCallback("select the node", &captionClicked);
  c.motion = privateCallback("follow the pointer", &pointerMoved);
  c.wheel = privateCallback("zoom the view", &wheelTurned);
  c.fold = privateCallback("fold or unfold in the tree view", &foldClicked);
  c.buttonDown = privateCallback("pan the tree view", &buttonPressed);
  return c;
}

bool showNamedView(Handle h, std::string_view name) {
  const struct {
    const char* name;
    void (*f)(Handle);
  } views[] = {{"top", &viewTop}, {"front", &viewFront}, {"side", &viewSide}, {"default", &viewDefault}, {"reset", &viewReset}};
  for (const auto& v : views)
    if (name == v.name) {
      v.f(h);
      return true;
    }
  return false;
}

void installProgramCallbacks(const ProgramState& s) {
  // Controls the layout may hold, each with what it does; a layout without one simply lacks it.
  const struct {
    const char* tag;
    const char* name;
    void (*f)(Handle);
  } controls[] = {
      {"scan_list", "select the polygon of a scan row", &scanRowChosen},
      {"view_top", "view from above", &viewTop},
      {"view_front", "view from the front", &viewFront},
      {"view_side", "view from the side", &viewSide},
      {"view_default", "the default view", &viewDefault},
      {"view_reset", "reset the view", &viewReset},
      {"view_top_menu", "view from above", &viewTop},
      {"view_front_menu", "view from the front", &viewFront},
      {"view_side_menu", "view from the side", &viewSide},
      {"view_default_menu", "the default view", &viewDefault},
      {"view_reset_menu", "reset the view", &viewReset},
      {"ExportWindowMenuItem", "export the window", &exportWindow},
      {"ExportTreeMenuItem", "export the tree view", &exportTree},
      {"ExportSceneMenuItem", "export the scene view", &exportScene},
      {"ExportPartitionMenuItem", "export the partition view", &exportPartition},
      {"GenerateMenuItem", "generate a scene", &GenerateMenuItem_Callback},
      {"tree_fit", "fit the tree view", &treeFitChosen},
      {"tree_fit_menu", "fit the tree view", &treeFitChosen},
      {"SaveSessionMenuItem", "save the session", &SaveSessionMenuItem_Callback},
      {"scanner_x", "type the scanner's x", &scannerTyped},
      {"scanner_y", "type the scanner's y", &scannerTyped},
      {"scanner_z", "type the scanner's z", &scannerTyped},
  };
  for (const auto& c : controls) {
    if (!s.record.hasField(c.tag)) continue;
    const Value h = s.record.field(c.tag);
    if (h.isScalar() && g::ishandle(h.scalar())) g::set(h.scalar(), "Callback", privateCallback(c.name, c.f));
  }
  // Files dropped on the window open as File > Open opens them.
  g::set(s.controls.figure1, "FileDropFcn", privateCallback("open the dropped files", &fileDropped));
  showRecentFiles(s.controls.figure1);
}

void startSteering(ProgramState& s, const Matrix& currentPoint, bool nearMarker) {
  if (!nearMarker) {
    // The far point of the line of sight, kept inside the scene.
    const views::Limits& lim = setupShown(s).limits[1];
    s.scanner = {std::clamp(currentPoint(1, 0), lim[0], lim[1]), std::clamp(currentPoint(1, 1), lim[2], lim[3]),
                 std::clamp(currentPoint(1, 2), lim[4], lim[5])};
  }
  s.interaction.steering = true;
}

bool nearScannerMarker(const ProgramState& s, Handle axes) {
  if (!views::isOn(s.controls.show_scanner)) return false;
  const auto fig = g::ancestor(axes, "figure");
  if (!fig) return false;
  const g::Point p = pointerOf(*fig);
  const g::Point m = g::dataToPixel(g::axesCamera(axes), s.scanner);
  return std::hypot(p.x - m.x, p.y - m.y) <= 10;
}

namespace {

// The tree view's window as it shows now, and what it needs to change it.
struct TreeNow {
  ProgramState state;
  Handle axes;
  std::shared_ptr<const Interaction::LaidOut> laid;
  diagram::Frame frame;
  g::Rect pixels;
  views::TreeWindow window;
  const diagram::TreeLayout& layout() const { return laid->layout; }
};

TreeNow treeNow(Handle h) {
  TreeNow t{fetchState(h), 0, {}, {}, {}, {}};
  t.axes = t.state.fixed->axes[2];
  t.frame = views::treeFrame(t.state.fixed->setup);
  Interaction& in = t.state.interaction;
  const auto same = [&](const Interaction::LaidOut& l) {
    return l.root == t.state.root && l.collapsed == in.tree.collapsed && l.frame.x0 == t.frame.x0 &&
           l.frame.x1 == t.frame.x1 && l.frame.y0 == t.frame.y0 && l.frame.y1 == t.frame.y1;
  };
  if (!in.laidOut || !same(*in.laidOut))
    in.laidOut = std::make_shared<const Interaction::LaidOut>(Interaction::LaidOut{
        t.state.root, in.tree.collapsed, t.frame, views::treeLayout(t.state.root, t.state.fixed->setup, in.tree)});
  t.laid = in.laidOut;
  t.pixels = views::treePlotBox(t.axes);
  t.window = views::shownWindow(in.tree, t.layout(), t.frame, t.pixels);
  return t;
}

void showTreeWindow(Handle h, TreeNow& t, const views::TreeWindow& w) {
  t.state.interaction.tree.window = w;
  t.state.interaction.tree.kind = t.layout().kind;
  storeState(h, t.state);
  redrawTreeView(t.state, &t.layout());
}

// Every polygon of the tree, placed or waiting, with where it is.
struct Found {
  const bsp::BspNode* node = nullptr;  // placed: its node
  bsp::PolygonRef placed;
  bsp::PolygonList list;               // waiting: its list
};

std::optional<Found> findLabelled(const bsp::NodeRef& root, const std::string& label) {
  std::vector<const bsp::BspNode*> stack;
  if (root) stack.push_back(root.get());
  while (!stack.empty()) {
    const bsp::BspNode* n = stack.back();
    stack.pop_back();
    if (n->element) {
      const bsp::BspElement& e = *n->element;
      if (e.poly && e.poly->label == label) return Found{n, e.poly, {}};
      for (const bsp::PolygonList* l : {&e.front, &e.back})
        for (const auto& p : *l)
          if (p->label == label) return Found{nullptr, nullptr, *l};
    }
    if (n->right) stack.push_back(n->right.get());
    if (n->left) stack.push_back(n->left.get());
  }
  return std::nullopt;
}

std::string jsonLabels(const std::vector<bsp::PolygonRef>& polygons) {
  std::string out = "[";
  for (std::size_t i = 0; i < polygons.size(); ++i) out += (i ? "," : "") + nlohmann::json(polygons[i]->label).dump();
  return out + "]";
}

}  // namespace

namespace {
void foldByLabel(Handle h, const std::string& label, bool fold);
}  // namespace


void fitTreeView(Handle h) {
  g::asCallbackOf(h, [&] {
    TreeNow t = treeNow(h);
    showTreeWindow(h, t, views::fitWindow(t.layout(), t.frame, t.pixels, &t.state.interaction.tree));
  });
}

void zoomTreeView(Handle h, double factor, std::optional<g::Point> at) {
  g::asCallbackOf(h, [&] {
    TreeNow t = treeNow(h);
    const g::Point centre{t.pixels.x + t.pixels.width / 2, t.pixels.y + t.pixels.height / 2};
    showTreeWindow(h, t,
                   views::zoomWindow(t.window, t.layout(), t.frame, t.state.interaction.tree, t.pixels,
                                     at.value_or(centre), factor));
  });
}

void panTreeView(Handle h, double dx, double dy) {
  g::asCallbackOf(h, [&] {
    TreeNow t = treeNow(h);
    showTreeWindow(h, t, views::panWindow(t.window, t.layout(), t.state.interaction.tree, t.pixels, dx, dy));
  });
}

void foldTreeView(Handle h, const std::string& label, bool fold) {
  g::asCallbackOf(h, [&] { foldByLabel(h, label, fold); });
}

namespace {

void foldByLabel(Handle h, const std::string& label, bool fold) {
  ProgramState s = fetchState(h);
  const auto found = findLabelled(s.root, label);
  if (!found) throw Error("no polygon of the tree is labelled \"" + label + "\"", ErrorKind::Input);
  views::TreeView& view = s.interaction.tree;
  std::vector<bsp::PolygonRef>& keys = found->placed ? view.collapsed : view.unfolded;
  bsp::PolygonRef key = found->placed;
  if (found->placed) {
    if (!found->node->left && !found->node->right)
      throw Error("node " + label + " has no subtree to fold", ErrorKind::Input);
  } else {
    if (!diagram::foldable(found->list.size()))
      throw Error("the waiting list of " + label + " is too short to fold", ErrorKind::Input);
    key = found->list[0];
  }
  // A subtree folds by collapsing; a list folds by dropping its unfolding.
  const bool add = found->placed ? fold : !fold;
  const auto at = std::find(keys.begin(), keys.end(), key);
  if (add && at == keys.end()) keys.push_back(key);
  if (!add && at != keys.end()) keys.erase(at);
  storeState(h, s);
  redrawTreeView(s);
}

}  // namespace

std::string treeViewJson(const ProgramState& s) {
  const views::TreeView& view = s.interaction.tree;
  const Handle ax = s.fixed->axes[2];
  const diagram::TreeLayout layout = views::treeLayout(s.root, s.fixed->setup, view);
  const diagram::Frame frame = views::treeFrame(s.fixed->setup);
  const g::Rect px = views::treePlotBox(ax);
  const views::TreeWindow w = views::shownWindow(view, layout, frame, px);
  // The zoom counts from the layout's own default view: the axes' limits, or the whole tree.
  const views::TreeWindow home = views::shownWindow(views::TreeView{}, layout, frame, px);
  std::string out = "{\"layout\":";
  out += layout.kind == diagram::LayoutKind::Spread ? "\"classic\"" : "\"compact\"";
  out += ",\"zoom\":" + formatShortest((home.x1 - home.x0) / (w.x1 - w.x0));
  out += ",\"center\":[" + formatShortest((w.x0 + w.x1) / 2) + "," + formatShortest((w.y0 + w.y1) / 2) + "]";
  out += ",\"limits\":[" + formatShortest(w.x0) + "," + formatShortest(w.x1) + "," + formatShortest(w.y0) + "," +
         formatShortest(w.y1) + "]";
  // Folds whose polygons the tree no longer holds have lapsed and are not shown.
  std::vector<bsp::PolygonRef> collapsed, unfolded;
  for (const auto& p : view.collapsed)
    if (auto f = findLabelled(s.root, p->label); f && f->placed == p) collapsed.push_back(p);
  for (const auto& p : view.unfolded)
    if (auto f = findLabelled(s.root, p->label); f && !f->list.empty() && f->list[0] == p) unfolded.push_back(p);
  out += ",\"collapsed\":" + jsonLabels(collapsed);
  out += ",\"unfolded\":" + jsonLabels(unfolded);
  out += ",\"nodes\":" + std::to_string(layout.nodes.size()) + "}";
  return out;
}

namespace {

// The tree exports whole, however the student zoomed or moved it, and large enough for every
// caption: a tree of hundreds of nodes that the window shows as dots is drawn for the picture on
// a page of its own, a window that never shows, as large as the tree needs, which then goes. The
// window's tree view is not touched.
void exportWholeTree(Handle fig, const ProgramState& s, const std::string& path, double scale) {
  const Handle shown = s.fixed->axes[2];
  const views::TreeView& view = s.interaction.tree;
  const diagram::TreeLayout layout = views::treeLayout(s.root, s.fixed->setup, view);
  const auto [width, height] = views::legibleSize(layout, views::treePlotBox(shown), &view);
  constexpr double kMargin = 24;  // what the export takes around a view
  const Handle page = g::create("figure", g::kRoot,
                                {{"Visible", "off"}, {"Units", "pixels"},
                                 {"Position", Value::row({0, 0, width + 2 * kMargin, height + 2 * kMargin})},
                                 {"Color", g::get(fig, "Color")}});
  const auto gone = [page, fig] {
    if (g::ishandle(page)) g::deleteObject(page);
    if (g::ishandle(fig)) g::set(g::kRoot, "CurrentFigure", fig);
  };
  try {
    g::PropertyList look{{"Units", "pixels"}, {"Position", Value::row({kMargin, kMargin, width, height})}};
    for (const char* p : {"Color", "Box", "FontSize", "FontName", "LineWidth", "XColor", "YColor", "XTick", "YTick",
                          "XTickLabel", "YTickLabel"})
      look.push_back({p, g::get(shown, p)});
    const Handle ax = g::create("axes", page, look);
    ProgramState whole = s;
    whole.interaction.tree.window =
        views::fitWindow(layout, views::treeFrame(s.fixed->setup), g::Rect{0, 0, width, height}, &view);
    whole.interaction.tree.kind = layout.kind;
    g::asCallbackOf(page, [&] { drawTreeViewInto(whole, ax); });
    g::exportPicture(page, ax, path, scale);
  } catch (...) {
    gone();
    throw;
  }
  gone();
}

}  // namespace

void exportView(Handle fig, std::string_view what, const std::string& path, double scale) {
  const ProgramState s = fetchState(fig);
  Handle view = fig;
  if (what == "scene") {
    view = s.fixed->axes[0];
  } else if (what == "partition") {
    view = s.fixed->axes[1];
  } else if (what == "tree") {
    exportWholeTree(fig, s, path, scale);
    return;
  } else if (what != "window") {
    throw Error("export: no view \"" + std::string(what) + "\" (window, tree, scene or partition).", ErrorKind::Input);
  }
  g::exportPicture(fig, view, path, scale);
}

}  // namespace kolvar::app
