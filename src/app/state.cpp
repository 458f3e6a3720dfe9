#include "app/state.hpp"

#include <cmath>

#include "guiruntime/guidata.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

namespace {

// The program's own fields of the record, in the order the first opening adds them.
constexpr const char* kAxes = "hAxes";
constexpr const char* kLimits = "scene_limits";
constexpr const char* kTicks = "ticks";
constexpr const char* kFirstLook = "first_look";
constexpr const char* kButtonUp = "WindowButtonUpFcn";
constexpr const char* kFrame = "gFrame";
constexpr const char* kScenes = "faces";
constexpr const char* kRoot = "root";
constexpr const char* kScanner = "scanner";
constexpr const char* kLearning = "learning";
constexpr const char* kSceneInfo = "scene_info";

Handle handleField(const Value& record, const char* name) {
  const Value& v = record.field(name);
  if (!v.isNumeric() || v.numel() < 1)
    throw Error("The field '" + std::string(name) + "' holds no graphics handle.", ErrorKind::Type);
  return v.matrix()[0];
}

std::vector<double> numbersOf(const Value& v) {
  if (v.isEmpty()) return {};
  return v.matrix().data;
}

Value numbersValue(const std::vector<double>& xs) { return xs.empty() ? Value(Matrix()) : Value::row(xs); }

// The ticks table is 3x3, entry (k, i) the ticks of coordinate k of axes i, stored column-major.
constexpr std::size_t tickSlot(std::size_t axes, std::size_t coordinate) { return axes * 3 + coordinate; }

std::shared_ptr<const Fixed> fixedOf(const Value& record) {
  auto fixed = std::make_shared<Fixed>();
  const Matrix& axes = record.field(kAxes).matrix();
  if (axes.numel() != 3) throw Error("The field 'hAxes' must hold three axes.", ErrorKind::Type);
  for (std::size_t i = 0; i < 3; ++i) fixed->axes[i] = axes[i];

  const Value& limits = record.field(kLimits);
  for (std::size_t i = 0; i < 3; ++i) {
    const Matrix& row = limits.at(i).matrix();
    if (row.numel() != 6) throw Error("Axes limits are rows of six numbers.", ErrorKind::Type);
    for (std::size_t k = 0; k < 6; ++k) fixed->setup.limits[i][k] = row[k];
  }
  const Value& ticks = record.field(kTicks);
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t k = 0; k < 3; ++k) fixed->setup.ticks[i][k] = numbersOf(ticks.at(tickSlot(i, k)));

  const Matrix& frame = record.field(kFrame).matrix();
  if (frame.rows != 3 || frame.cols != 4)
    throw Error("The coordinate frame is a 3x4 matrix of points.", ErrorKind::Type);
  for (std::size_t c = 0; c < 4; ++c) fixed->setup.frame[c] = {frame(0, c), frame(1, c), frame(2, c)};

  const Value& scenes = record.field(kScenes);
  if (!scenes.isCell()) throw Error("The field 'faces' must hold a list of scenes.", ErrorKind::Type);
  for (const Value& scene : scenes.cell().items) fixed->scenes.push_back(views::polygonListOf(scene));
  if (record.hasField(kSceneInfo))
    if (auto info = record.field(kSceneInfo).payload<std::vector<SceneInfo>>()) fixed->info = *info;
  // A record made by a caller by name, or with scenes added by name: those are presets.
  fixed->info.resize(fixed->scenes.size(), SceneInfo{"", "preset", std::nullopt});
  return fixed;
}

Value limitsValue(const views::AxesSetup& setup) {
  std::vector<Value> rows;
  for (const views::Limits& l : setup.limits) rows.emplace_back(Matrix::row({l[0], l[1], l[2], l[3], l[4], l[5]}));
  return Value::cellRow(std::move(rows));
}

Value ticksValue(const views::AxesSetup& setup) {
  Cell ticks;
  ticks.rows = ticks.cols = 3;
  ticks.items.assign(9, Value(Matrix()));
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t k = 0; k < 3; ++k) ticks.items[tickSlot(i, k)] = numbersValue(setup.ticks[i][k]);
  return Value(std::move(ticks));
}

Value frameValue(const views::AxesSetup& setup) {
  Matrix m(3, 4);
  for (std::size_t c = 0; c < 4; ++c) {
    m(0, c) = setup.frame[c].x;
    m(1, c) = setup.frame[c].y;
    m(2, c) = setup.frame[c].z;
  }
  return m;
}

Value scenesValue(const std::vector<bsp::PolygonList>& scenes) {
  std::vector<Value> items;
  for (const auto& s : scenes) items.push_back(views::polygonListValue(s));
  return Value::cellRow(std::move(items));
}

// lower, lower + 4, ... while not above upper.
std::vector<double> tickRange(double lower, double upper) {
  std::vector<double> ticks;
  for (double t = lower; t <= upper; t += 4) ticks.push_back(t);
  return ticks;
}

}  // namespace

Snapshot shownNow(const ProgramState& s) {
  const Value scene = g::get(s.controls.select_poly, "Value");
  return {s.root, s.scanner, scene.isScalar() ? scene.scalar() : 1.0, displayOptions(s.controls)};
}

void checkLayout(const Value& record) {
  struct Need {
    const char* tag;
    const char* type;
    const char* style;  // for a control: the style it must have (null: any)
    const char* what;
  };
  static const Need needs[] = {
      {"figure1", "figure", nullptr, "the window"},
      {"axes1", "axes", nullptr, "the scene view"},
      {"axes2", "axes", nullptr, "the partition view"},
      {"axes3", "axes", nullptr, "the tree view"},
      {"select_poly", "uicontrol", "popupmenu", "the scene popup"},
      {"show_labels", "uicontrol", "checkbox", "the labels check box"},
      {"show_normals", "uicontrol", "checkbox", "the normals check box"},
      {"show_scanner", "uicontrol", "checkbox", "the scanner check box"},
      {"show_coordinate_frame", "uicontrol", "checkbox", "the coordinate frame check box"},
      {"scanX", "uicontrol", nullptr, "the scanner's x read-out"},
      {"scanY", "uicontrol", nullptr, "the scanner's y read-out"},
      {"scanZ", "uicontrol", nullptr, "the scanner's z read-out"},
      {"scan_list", "uicontrol", "listbox", "the scan list"},
      // What the handlers of learning read whenever they run: a layout without them would load
      // and then fail at the first Step, Play or Step log click.
      {"strategy", "uicontrol", "popupmenu", "the strategy popup"},
      {"paint_play", "uicontrol", "pushbutton", "the Play button"},
      {"paint_speed", "uicontrol", "popupmenu", "Play's speed popup"},
      {"log_list", "uicontrol", "listbox", "the step log"},
  };
  std::string file = "the layout file";
  if (record.isRecord() && record.hasField("figure1")) {
    const Value& f = record.field("figure1");
    if (f.isScalar() && g::ishandle(f.scalar())) {
      const Value name = g::get(f.scalar(), "FileName");
      if (name.isText() && !name.text().empty()) file = "the layout file " + name.text();
    }
  }
  for (const Need& n : needs) {
    auto fault = [&](const std::string& why) {
      return Error("Cannot open the kolvar window from " + file + ": " + why + ".", ErrorKind::Input);
    };
    if (!record.isRecord() || !record.hasField(n.tag))
      throw fault(std::string("it has no object tagged \"") + n.tag + "\" (" + n.what + ")");
    const Value& h = record.field(n.tag);
    if (!h.isNumeric() || h.numel() != 1)
      throw fault(std::string("the tag \"") + n.tag + "\" is given to more than one object");
    const std::string type = g::typeOf(h.scalar());
    const Value style = type == "uicontrol" ? g::get(h.scalar(), "Style") : Value();
    if (type != n.type || (n.style && !(style.isText() && style.text() == n.style)))
      throw fault(std::string("the object tagged \"") + n.tag + "\" (" + n.what + ") must be " +
                  (n.style ? std::string("a ") + n.style + " control" : std::string("a ") + n.type) +
                  ", not " + (style.isText() ? "a " + style.text() + " control" : "a " + type));
  }
}

Controls controlsOf(const Value& record) {
  Controls c;
  c.figure1 = handleField(record, "figure1");
  c.axes1 = handleField(record, "axes1");
  c.axes2 = handleField(record, "axes2");
  c.axes3 = handleField(record, "axes3");
  c.select_poly = handleField(record, "select_poly");
  c.show_labels = handleField(record, "show_labels");
  c.show_normals = handleField(record, "show_normals");
  c.show_scanner = handleField(record, "show_scanner");
  c.show_coordinate_frame = handleField(record, "show_coordinate_frame");
  c.scanX = handleField(record, "scanX");
  c.scanY = handleField(record, "scanY");
  c.scanZ = handleField(record, "scanZ");
  c.scan_list = handleField(record, "scan_list");
  if (record.hasField("show_planes")) c.show_planes = handleField(record, "show_planes");
  if (record.hasField("status_line")) c.status_line = handleField(record, "status_line");
  return c;
}

views::Options displayOptions(const Controls& c) {
  views::Options o;
  o.labels = views::isOn(c.show_labels);
  o.normals = views::isOn(c.show_normals);
  o.scanner = views::isOn(c.show_scanner);
  o.frame = views::isOn(c.show_coordinate_frame);
  o.planes = c.show_planes != 0 && views::isOn(c.show_planes);
  return o;
}

bool holdsProgramState(const Value& record) { return record.isRecord() && record.hasField(kRoot); }

ProgramState stateOf(const Value& record) {
  ProgramState s;
  s.record = record;
  s.controls = controlsOf(record);
  if (record.hasField("output")) s.output = handleField(record, "output");
  s.fixed = fixedOf(record);
  s.firstLook = record.field(kFirstLook).isTrue();
  s.windowButtonUpFcn = record.field(kButtonUp);
  s.root = views::treeOf(record.field(kRoot));
  s.scanner = views::vec3Of(record.field(kScanner));
  if (auto learning = record.hasField(kLearning) ? record.field(kLearning).payload<Learning>() : nullptr)
    s.learning = *learning;
  else  // a record made by a caller by name: its history starts here
    s.learning.history = startHistory(shownNow(s));
  return s;
}

Value recordOf(const ProgramState& s) {
  Value r = s.record;
  const Fixed& f = *s.fixed;
  r.setField("output", s.output);
  r.setField(kAxes, Value::row({f.axes[0], f.axes[1], f.axes[2]}));
  r.setField(kLimits, limitsValue(f.setup));
  r.setField(kTicks, ticksValue(f.setup));
  r.setField(kFirstLook, s.firstLook ? 1.0 : 0.0);
  r.setField(kButtonUp, s.windowButtonUpFcn);
  r.setField(kFrame, frameValue(f.setup));
  r.setField(kScenes, scenesValue(f.scenes));
  r.setField(kRoot, Value::wrap(s.root));
  r.setField(kScanner, Value(Matrix::column({s.scanner.x, s.scanner.y, s.scanner.z})));
  r.setField(kLearning, Value::wrap(std::make_shared<const Learning>(s.learning)));
  r.setField(kSceneInfo, Value::wrap(std::make_shared<const std::vector<SceneInfo>>(f.info)));
  return r;
}

namespace {

// The application data of the window that holds what ProgramState keeps beside the record.
constexpr const char* kInteraction = "KolvarInteraction";

Handle windowOf(Handle h) {
  const auto fig = g::ancestor(h, "figure");
  if (!fig) throw Error("H must be the handle to a figure or figure descendent.");
  return *fig;
}

}  // namespace

ProgramState fetchState(Handle h) {
  ProgramState s = stateOf(gui::guidata(h));
  if (auto kept = g::getappdata(windowOf(h), kInteraction).payload<Interaction>()) s.interaction = *kept;
  return s;
}

void storeState(Handle h, const ProgramState& s) {
  gui::guidata(h, recordOf(s));
  g::setappdata(windowOf(h), kInteraction, Value::wrap(std::make_shared<const Interaction>(s.interaction)));
}

ProgramState initialState(const Value& record) {
  ProgramState s;
  s.record = record;
  s.controls = controlsOf(record);
  if (record.hasField("output")) s.output = handleField(record, "output");

  auto fixed = std::make_shared<Fixed>();
  fixed->axes = {s.controls.axes1, s.controls.axes2, s.controls.axes3};
  views::AxesSetup& setup = fixed->setup;
  setup.limits = {views::Limits{-4, 4, -4, 4, -4, 4}, views::Limits{-4, 4, -4, 4, -4, 4},
                  views::Limits{-20, 20, -10, 10, -1, 1}};
  // The two 3-D views have ticks every 4 units; the tree view has none.
  for (std::size_t i = 0; i < 2; ++i)
    for (std::size_t k = 0; k < 3; ++k) setup.ticks[i][k] = tickRange(setup.limits[i][2 * k], setup.limits[i][2 * k + 1]);
  setup.frame = {bsp::Vec3{0, 0, 0}, bsp::Vec3{1, 0, 0}, bsp::Vec3{0, 1, 0}, bsp::Vec3{0, 0, 1}};
  const auto presets = bsp::presetScenes();
  fixed->scenes.assign(presets.begin(), presets.end());
  fixed->info.assign(fixed->scenes.size(), SceneInfo{"", "preset", std::nullopt});
  s.fixed = std::move(fixed);

  s.firstLook = true;
  s.windowButtonUpFcn = Value();
  s.root = bsp::freshRoot(sceneShown(s));
  s.scanner = {0, 4, 0};
  s.learning.history = startHistory(shownNow(s));
  return s;
}

std::size_t sceneNumber(const ProgramState& s) {
  const double v = g::get(s.controls.select_poly, "Value").scalar();
  if (!(v >= 1 && v == std::floor(v)))
    throw Error("Index must be a positive integer; the scene popup's value is " + formatShortest(v) + ".",
                ErrorKind::Index);
  const auto& scenes = s.fixed->scenes;
  if (v > static_cast<double>(scenes.size()))
    throw errors::indexOutOfBounds(static_cast<std::size_t>(v), scenes.size());
  return static_cast<std::size_t>(v);
}

const bsp::PolygonList& sceneShown(const ProgramState& s) { return s.fixed->scenes[sceneNumber(s) - 1]; }

const SceneInfo& sceneInfoShown(const ProgramState& s) { return s.fixed->info[sceneNumber(s) - 1]; }

void keepScannerInScene(ProgramState& state) {
  const views::Limits& lim = setupShown(state).limits[1];
  const bsp::Vec3 s = state.scanner;
  if (!(lim[0] <= s.x && s.x <= lim[1] && lim[2] <= s.y && s.y <= lim[3] && lim[4] <= s.z && s.z <= lim[5]))
    state.scanner = {(lim[0] + lim[1]) / 2, lim[3], (lim[4] + lim[5]) / 2};
}

std::string sceneName(const ProgramState& s) {
  const SceneInfo& info = sceneInfoShown(s);
  if (!info.name.empty()) return info.name;
  const Value entries = g::get(s.controls.select_poly, "String");
  const std::size_t n = sceneNumber(s);
  const Value entry = entries.isCell() && n <= entries.numel() ? entries.at(n - 1) : entries;
  std::string text = entry.isText() ? entry.text() : std::string();
  // "Scene 1: five vertical walls" names the scene "five vertical walls".
  if (text.rfind("Scene ", 0) == 0)
    if (const auto colon = text.find(": "); colon != std::string::npos) text = text.substr(colon + 2);
  return text;
}

const views::AxesSetup& setupShown(const ProgramState& s) {
  const SceneInfo& info = sceneInfoShown(s);
  return info.setup ? *info.setup : s.fixed->setup;
}

}  // namespace kolvar::app
