#include "app/session.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/app.hpp"
#include "app/files.hpp"
#include "app/learning.hpp"
#include "runtime/atomic_file.hpp"
#include "runtime/json_reader.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;
using runtime::Json;

namespace {

constexpr const char* kFormat = "kolvar session";

// Nesting: a history holds the one below it, so a session nests a little deeper for each
// session opened over another; nothing else in the file is deeper than a few levels.
constexpr std::size_t kMaxDepth = 64;

const char* const kKinds[] = {"text", "scanner", "scene", "reset", "option"};  // StepLog::Kind
// The choices of the Build popup and of Play's speed popup, in their order.
const char* const kStrategies[] = {"first", "fewest", "balanced", "random", "optimal"};
const char* const kSpeeds[] = {"slow", "normal", "fast"};

// The window's control tagged `tag`, or 0 when its layout has none.
Handle taggedControl(const ProgramState& s, const char* tag) {
  if (!s.record.hasField(tag)) return 0;
  const Value h = s.record.field(tag);
  return h.isScalar() && g::ishandle(h.scalar()) && g::typeOf(h.scalar()) == "uicontrol" ? h.scalar() : 0;
}

// The choice a popup shows (1-based), within 1..count.
std::size_t popupChoice(Handle popup, std::size_t count) {
  const Value v = g::get(popup, "Value");
  const double k = v.isScalar() ? v.scalar() : 1;
  return static_cast<std::size_t>(std::clamp(std::isfinite(k) ? k : 1.0, 1.0, static_cast<double>(count)));
}

// The window's check boxes by their tags, in the order of the record.
std::vector<std::pair<std::string, Handle>> checkBoxes(const ProgramState& s) {
  std::vector<std::pair<std::string, Handle>> out;
  for (const std::string& tag : s.record.fieldNames()) {
    const Value& v = s.record.field(tag);
    if (!v.isScalar() || !g::ishandle(v.scalar()) || g::typeOf(v.scalar()) != "uicontrol") continue;
    const Value style = g::get(v.scalar(), "Style");
    if (style.isText() && style.text() == "checkbox") out.emplace_back(tag, v.scalar());
  }
  return out;
}

void setCheckbox(Handle box, bool on) {
  const Value v = g::get(box, on ? "Max" : "Min");
  g::set(box, "Value", v.isScalar() ? v : Value(on ? 1.0 : 0.0));
}

bool placedIn(const bsp::NodeRef& root, const bsp::Polygon* p) {
  bool found = false;
  bsp::bspFarToNear(bsp::Vec3{0, 0, 0}, root, [&](const bsp::BspElement& e) { found = found || e.poly.get() == p; });
  return found;
}

std::size_t placedCount(const bsp::NodeRef& root) {
  std::size_t n = 0;
  bsp::bspFarToNear(bsp::Vec3{0, 0, 0}, root, [&](const bsp::BspElement&) { ++n; });
  return n;
}

std::string popupEntry(std::size_t number, const std::string& name, std::size_t polygons) {
  return "Scene " + std::to_string(number) + ": " + name + " (" + std::to_string(polygons) + " polygons)";
}

// ---------------------------------------------------------------------------------------------
// Writing. The text is written straight out, not built as a document first: a session of a
// large tree holds hundreds of thousands of numbers.

// A number that reads back as the same double; a whole one keeps its ".0", so that -0.0 stays
// negative zero.
void number(std::string& out, double x) {
  if (!std::isfinite(x)) {
    out += "null";  // never in a window's state; refused when read
    return;
  }
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  const std::string_view digits(buf, static_cast<std::size_t>(r.ptr - buf));
  out += digits;
  if (digits.find_first_of(".e") == std::string_view::npos) out += ".0";
}

void whole(std::string& out, std::size_t n) { out += std::to_string(n); }

void text(std::string& out, const std::string& s) {
  // Bytes that are not UTF-8 (a file name may hold them) become U+FFFD rather than a file that
  // no JSON reader takes.
  out += Json(s).dump(-1, ' ', false, Json::error_handler_t::replace);
}

void vec3(std::string& out, const bsp::Vec3& v) {
  out += '[';
  number(out, v.x);
  out += ',';
  number(out, v.y);
  out += ',';
  number(out, v.z);
  out += ']';
}

void flag(std::string& out, bool on) { out += on ? "true" : "false"; }

// A popup number as a whole number ("3", not "3.0").
void sceneNumberText(std::string& out, double n) {
  if (n >= 1 && n == std::floor(n) && n < 1e15)
    whole(out, static_cast<std::size_t>(n));
  else
    number(out, n);
}

// The tables of the file: one entry a line, each named by its place.
struct Table {
  std::string text;
  std::size_t count = 0;
  // Starts the next entry; returns its number.
  std::size_t next() {
    text += count ? ",\n  " : "\n  ";
    return count++;
  }
  std::string close() const { return "[" + text + (count ? "\n]" : "]"); }
};

class Writer {
 public:
  explicit Writer(const ProgramState& s) : state_(s) {
    for (const auto& [tag, box] : checkBoxes(s)) tags_[box] = tag;
  }

  std::size_t polygon(const bsp::Polygon& p) {
    const auto [it, fresh] = polygonIds_.try_emplace(&p, polygons_.count);
    if (fresh) {
      polygons_.next();
      std::string& out = polygons_.text;
      out += "{\"label\":";
      text(out, p.label);
      out += ",\"points\":[";
      for (std::size_t i = 0; i < p.points.size(); ++i) {
        if (i) out += ',';
        vec3(out, p.points[i]);
      }
      out += "],\"normal\":";
      vec3(out, p.normal);
      out += '}';
    }
    return it->second;
  }

  std::size_t list(const bsp::PolygonList& l) {
    // Lists never change, so the items' storage names a list; all empty lists are one.
    if (const auto it = listIds_.find(l.begin()); it != listIds_.end()) return it->second;
    std::vector<std::size_t> items;
    items.reserve(l.size());
    for (const bsp::PolygonRef& p : l) items.push_back(polygon(*p));
    const std::size_t id = lists_.next();
    std::string& out = lists_.text;
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i) out += ',';
      whole(out, items[i]);
    }
    out += ']';
    listIds_.emplace(l.begin(), id);
    return id;
  }

  // Children are written before their parents, so a reader meets every node it is pointed to
  // already built, and no chain of nodes can loop. Iterative: trees may be thousands deep.
  std::optional<std::size_t> node(const bsp::NodeRef& root) {
    if (!root) return std::nullopt;
    std::vector<std::pair<const bsp::BspNode*, bool>> stack{{root.get(), false}};
    while (!stack.empty()) {
      const auto [n, ready] = stack.back();
      stack.pop_back();
      if (nodeIds_.count(n)) continue;
      if (!ready) {
        stack.emplace_back(n, true);
        for (const bsp::NodeRef& child : {n->right, n->left})
          if (child && !nodeIds_.count(child.get())) stack.emplace_back(child.get(), false);
        continue;
      }
      std::optional<std::size_t> poly, front, back;
      if (n->element) {
        if (n->element->poly) poly = polygon(*n->element->poly);
        front = list(n->element->front);
        back = list(n->element->back);
      }
      const std::size_t id = nodes_.next();
      std::string& out = nodes_.text;
      const std::pair<const char*, std::optional<std::size_t>> fields[] = {
          {"{\"poly\":", poly},
          {",\"front\":", front},
          {",\"back\":", back},
          {",\"left\":", n->left ? std::optional(nodeIds_.at(n->left.get())) : std::nullopt},
          {",\"right\":", n->right ? std::optional(nodeIds_.at(n->right.get())) : std::nullopt}};
      for (const auto& [key, value] : fields) {
        out += key;
        if (value)
          whole(out, *value);
        else
          out += "null";
      }
      out += '}';
      nodeIds_.emplace(n, id);
    }
    return nodeIds_.at(root.get());
  }

  void tree(std::string& out, const bsp::NodeRef& root) {
    const auto id = node(root);
    if (id)
      whole(out, *id);
    else
      out += "null";
  }

  void snapshot(std::string& out, const Snapshot& s) {
    out += "{\"tree\":";
    tree(out, s.root);
    out += ",\"scanner\":";
    vec3(out, s.scanner);
    out += ",\"scene\":";
    sceneNumberText(out, s.scene);
    out += ",\"options\":{\"labels\":";
    flag(out, s.options.labels);
    out += ",\"normals\":";
    flag(out, s.options.normals);
    out += ",\"scanner\":";
    flag(out, s.options.scanner);
    out += ",\"frame\":";
    flag(out, s.options.frame);
    out += ",\"planes\":";
    flag(out, s.options.planes);
    out += "}}";
  }

  void step(std::string& out, const Step& step) {
    StepLog l = step.log;
    // An option's check box is named by its tag; one the window no longer has keeps its words.
    if (l.kind == StepLog::Kind::Option && !tags_.count(l.control)) {
      const auto said = sentencesOf(step);
      l = StepLog::of(StepLog::Kind::Text);
      std::string& lead = l.edit().lead;
      for (const std::string& s : said) lead += (lead.empty() ? "" : " ") + s;
    }
    out += "{\"after\":";
    snapshot(out, step.after);
    out += ",\"log\":{\"kind\":\"";
    out += kKinds[static_cast<int>(l.kind)];
    out += '"';
    const StepLog::Words& words = l.words();
    if (!words.lead.empty()) {
      out += ",\"lead\":";
      text(out, words.lead);
    }
    if (!words.reasons.empty()) {
      out += ",\"reasons\":[";
      for (std::size_t i = 0; i < words.reasons.size(); ++i) {
        if (i) out += ',';
        text(out, words.reasons[i]);
      }
      out += ']';
    }
    if (!l.expansions.empty()) {
      out += ",\"expansions\":[";
      for (std::size_t i = 0; i < l.expansions.size(); ++i) {
        const Expansion& e = l.expansions[i];
        out += i ? ",{\"list\":" : "{\"list\":";
        whole(out, list(e.list));
        out += ",\"index\":";
        whole(out, e.index);
        out += ",\"node\":";
        tree(out, e.node);
        out += '}';
      }
      out += ']';
    }
    if (l.kind == StepLog::Kind::Option) {
      out += ",\"control\":";
      text(out, tags_.at(l.control));
      out += ",\"on\":";
      flag(out, l.on);
    }
    if (!words.verdict.empty()) {
      out += ",\"verdict\":";
      text(out, words.verdict);
    }
    out += "}}";
  }

  // A history, a step a line.
  void history(std::string& out, const History& h, std::size_t layer) {
    out += "{\"base\":";
    snapshot(out, h.base);
    out += ",\n \"current\":";
    snapshot(out, h.current);
    std::vector<const Step*> taken;
    for (const StepCell* c = h.done.get(); c; c = c->next.get()) taken.push_back(&c->step);
    out += ",\n \"done\":[";
    for (auto it = taken.rbegin(); it != taken.rend(); ++it) {  // oldest first
      out += it == taken.rbegin() ? "\n  " : ",\n  ";
      step(out, **it);
    }
    out += taken.empty() ? "]" : "\n ]";
    out += ",\n \"undone\":[";
    for (const StepCell* c = h.undone.get(); c; c = c->next.get()) {
      out += c == h.undone.get() ? "\n  " : ",\n  ";
      step(out, c->step);
    }
    out += h.undone ? "\n ]" : "]";
    // The window never holds more layers than kHistoryLayers; a file holds no more either.
    const bool deeper = layer + 1 < kHistoryLayers;
    for (const auto& [key, other] : {std::pair{",\n \"below\":", h.below.get()}, std::pair{",\n \"above\":", h.above.get()}}) {
      out += key;
      if (other && deeper)
        history(out, *other, layer + 1);
      else
        out += "null";
    }
    out += '}';
  }

  std::string document() {
    const ProgramState& s = state_;
    const Fixed& f = *s.fixed;
    Table scenes;
    for (std::size_t i = 0; i < f.scenes.size(); ++i) {
      const SceneInfo& info = i < f.info.size() ? f.info[i] : SceneInfo{"", "preset", std::nullopt};
      const std::size_t id = list(f.scenes[i]);
      scenes.next();
      std::string& out = scenes.text;
      out += "{\"name\":";
      text(out, info.name);
      out += ",\"source\":";
      text(out, info.source);
      out += ",\"polygons\":";
      whole(out, id);
      out += '}';
    }

    std::string window = "{\"scene\":";
    whole(window, sceneNumber(s));
    window += ",\"tree\":";
    tree(window, s.root);
    window += ",\"scanner\":";
    vec3(window, s.scanner);
    window += ",\"options\":{";
    bool first = true;
    for (const auto& [tag, box] : checkBoxes(s)) {
      if (!first) window += ',';
      first = false;
      text(window, tag);
      window += ':';
      flag(window, views::isOn(box));
    }
    window += "},\"views\":[";
    for (std::size_t i = 0; i < 2; ++i) {
      const Matrix v = g::view(f.axes[i]).matrix();
      window += i ? ",{\"azimuth\":" : "{\"azimuth\":";
      number(window, v[0]);
      window += ",\"elevation\":";
      number(window, v[1]);
      window += ",\"zoom\":";
      number(window, s.interaction.zoom[i]);
      window += '}';
    }
    window += "],\"selected\":";
    const bsp::PolygonRef& selected = s.interaction.selected;
    if (selected && placedIn(s.root, selected.get()))
      whole(window, polygon(*selected));
    else
      window += "null";
    window += ",\"paint\":";
    whole(window, std::min(s.learning.paintStep, placedCount(s.root)));
    // Where the tree view looks and what it folds; folds name their polygons, which the tables
    // above hold (or gain here: a fold that lapsed may come back with an undo).
    const views::TreeView& tv = s.interaction.tree;
    window += ",\"tree_view\":{\"limits\":";
    if (tv.window) {
      window += '[';
      const double limits[] = {tv.window->x0, tv.window->x1, tv.window->y0, tv.window->y1};
      for (std::size_t i = 0; i < 4; ++i) {
        if (i) window += ',';
        number(window, limits[i]);
      }
      window += ']';
    } else {
      window += "null";
    }
    window += ",\"layout\":";
    window += tv.kind == diagram::LayoutKind::Compact ? "\"compact\"" : "\"classic\"";
    for (const auto& [key, folds] : {std::pair{",\"collapsed\":[", &tv.collapsed}, std::pair{",\"unfolded\":[", &tv.unfolded}}) {
      window += key;
      bool firstFold = true;
      for (const bsp::PolygonRef& p : *folds) {
        if (!p) continue;
        if (!firstFold) window += ',';
        firstFold = false;
        whole(window, polygon(*p));
      }
      window += ']';
    }
    window += '}';
    if (const Handle popup = taggedControl(s, "strategy")) {
      window += ",\"strategy\":\"";
      window += kStrategies[popupChoice(popup, std::size(kStrategies)) - 1];
      window += '"';
    }
    if (const Handle popup = taggedControl(s, "paint_speed")) {
      window += ",\"paint_speed\":\"";
      window += kSpeeds[popupChoice(popup, std::size(kSpeeds)) - 1];
      window += '"';
    }
    window += '}';

    std::string hist;
    history(hist, s.learning.history, 0);

    std::string doc = "{\n\"format\": \"";
    doc += kFormat;
    doc += "\",\n\"version\": " + std::to_string(kSessionVersion);
    doc += ",\n\"polygons\": " + polygons_.close();
    doc += ",\n\"lists\": " + lists_.close();
    doc += ",\n\"nodes\": " + nodes_.close();
    doc += ",\n\"scenes\": " + scenes.close();
    doc += ",\n\"window\": " + window;
    doc += ",\n\"history\": " + hist;
    doc += "\n}\n";
    return doc;
  }

 private:
  const ProgramState& state_;
  std::unordered_map<Handle, std::string> tags_;
  std::unordered_map<const bsp::Polygon*, std::size_t> polygonIds_;
  std::unordered_map<const bsp::PolygonRef*, std::size_t> listIds_;
  std::unordered_map<const bsp::BspNode*, std::size_t> nodeIds_;
  Table polygons_;
  Table lists_;
  Table nodes_;
};

// ---------------------------------------------------------------------------------------------
// Reading. Everything is read and checked before the window is touched.

struct WindowPart {
  std::size_t scene = 1;  // the popup's number in this window
  bsp::NodeRef tree;
  bsp::Vec3 scanner;
  std::vector<std::pair<Handle, bool>> boxes;
  Handle logBox = 0;  // the step log's check box, when the file sets it
  std::array<std::array<double, 3>, 2> views{};  // azimuth, elevation, zoom
  bsp::PolygonRef selected;
  std::size_t paint = 0;
  // What files of the first sessions leave out: the tree view as it starts, and the popups as
  // they are.
  std::optional<views::TreeView> treeView;
  std::optional<std::size_t> strategy;    // the Build popup's choice, 1-based
  std::optional<std::size_t> paintSpeed;  // Play's speed popup's, 1-based
};

struct Session {
  std::vector<bsp::PolygonList> added;  // the scenes of its own, in the popup's order
  std::vector<SceneInfo> addedInfo;
  WindowPart window;
  History history;
};

class Reader {
 public:
  Reader(const ProgramState& s, const std::string& path) : state_(s), path_(path) {
    for (const auto& [tag, box] : checkBoxes(s)) boxes_[tag] = box;
  }

  Session read(const std::string& text) {
    runtime::JsonLimits limits;
    limits.maxDepth = kMaxDepth;
    const Json doc = runtime::parseJson(text, path_, limits);
    if (!doc.is_object()) fail("a session is a JSON object");
    const Json& format = member(doc, "format");
    if (!format.is_string() || format.get<std::string>() != kFormat) {
      const Step s(where_, "format");
      fail(std::string("is not \"") + kFormat + "\"");
    }
    {
      const Step s(where_, "version");
      const std::size_t version = whole(member(doc, "version"), 1, SIZE_MAX);
      if (version > static_cast<std::size_t>(kSessionVersion))
        throw Error(path_ + ": was saved by a newer kolvar (session version " + std::to_string(version) +
                        "); this one opens sessions up to version " + std::to_string(kSessionVersion),
                    ErrorKind::Input);
    }
    readPolygons(member(doc, "polygons"));
    const std::vector<std::vector<std::size_t>> rawLists = readListItems(member(doc, "lists"));
    readScenes(member(doc, "scenes"), rawLists);
    makeLists(rawLists);
    readNodes(member(doc, "nodes"));
    Session out;
    for (std::size_t i = presets_; i < scenes_.size(); ++i) {
      out.added.push_back(scenes_[i]);
      out.addedInfo.push_back(infos_[i]);
    }
    out.window = readWindow(member(doc, "window"));
    const Step h(where_, "history");
    out.history = readHistory(member(doc, "history"), 0);
    return out;
  }

 private:
  using Step = runtime::JsonPath::Step;

  [[noreturn]] void fail(const std::string& what) const {
    const std::string place = where_.str();
    throw Error(path_ + ": " + (place.empty() ? "" : place + ": ") + what, ErrorKind::Input);
  }

  const Json& member(const Json& object, const char* key) {
    if (!object.is_object()) fail("must be a JSON object");
    const auto it = object.find(key);
    if (it == object.end()) fail(std::string("has no \"") + key + "\"");
    return *it;
  }

  const Json& array(const Json& j, const char* what) {
    if (!j.is_array()) fail(std::string("must be a list of ") + what);
    return j;
  }

  std::size_t whole(const Json& j, std::size_t lo, std::size_t hi) {
    if (j.is_number_unsigned()) {
      const auto n = j.get<std::uint64_t>();
      if (n >= lo && n <= hi) return static_cast<std::size_t>(n);
    } else if (j.is_number_float()) {
      const double d = j.get<double>();
      if (d == std::floor(d) && d >= static_cast<double>(lo) && d <= static_cast<double>(hi) && d < 1e15)
        return static_cast<std::size_t>(d);
    }
    if (hi == SIZE_MAX) fail("must be a whole number from " + std::to_string(lo));
    fail("must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
  }

  // An entry naming one of `count` things (0-based), or null where `nullable`.
  std::optional<std::size_t> id(const Json& j, std::size_t count, const char* what, bool nullable) {
    if (j.is_null() && nullable) return std::nullopt;
    if (!j.is_number_unsigned()) fail(std::string("must be the number of a ") + what + (nullable ? ", or null" : ""));
    const auto n = j.get<std::uint64_t>();
    if (n >= count)
      fail("there is no " + std::string(what) + " " + std::to_string(n) + " (the file has " + std::to_string(count) + ")");
    return static_cast<std::size_t>(n);
  }

  double finite(const Json& j) {
    if (!j.is_number()) fail("must be a number");
    const double d = j.get<double>();
    if (!std::isfinite(d)) fail("must be a finite number");
    return d;
  }

  bool flag(const Json& j) {
    if (!j.is_boolean()) fail("must be true or false");
    return j.get<bool>();
  }

  std::string text(const Json& j) {
    if (!j.is_string()) fail("must be a text");
    return j.get<std::string>();
  }

  bsp::Vec3 point(const Json& j) {
    if (!j.is_array() || j.size() != 3) fail("must be a point [x, y, z]");
    bsp::Vec3 v;
    for (std::size_t k = 0; k < 3; ++k) {
      const Step s(where_, k);
      v[k] = finite(j[k]);
      if (std::abs(v[k]) > bsp::kMaxCoordinate) fail("is beyond what kolvar computes with");
    }
    return v;
  }

  void readPolygons(const Json& j) {
    const Step at(where_, "polygons");
    array(j, "polygons");
    polygons_.reserve(j.size());
    for (std::size_t i = 0; i < j.size(); ++i) {
      const Step s(where_, i);
      const Json& p = j[i];
      std::string label;
      {
        const Step l(where_, "label");
        label = text(member(p, "label"));
      }
      std::vector<bsp::Vec3> points;
      {
        const Step pts(where_, "points");
        const Json& list = array(member(p, "points"), "points");
        for (std::size_t k = 0; k < list.size(); ++k) {
          const Step s2(where_, k);
          points.push_back(point(list[k]));
        }
        if (auto fault = bsp::polygonFault(points)) fail(*fault);
      }
      bsp::Vec3 normal;
      {
        const Step n(where_, "normal");
        normal = point(member(p, "normal"));
        if (std::abs(norm(normal) - 1) > 1e-9) fail("must be a unit vector");
        // The normal must be the polygon's: pieces of a split keep their own, which agrees with
        // their points up to rounding.
        const auto own = bsp::polygonNormal(points);
        if (!own || dot(*own, normal) < 1 - 1e-6) fail("is not the normal of the polygon's points");
      }
      const double m = geometry::magnitude(points);
      polygons_.push_back(std::make_shared<const bsp::Polygon>(bsp::Polygon{std::move(label), m, std::move(points), normal}));
    }
  }

  std::vector<std::vector<std::size_t>> readListItems(const Json& j) {
    const Step at(where_, "lists");
    array(j, "lists");
    std::vector<std::vector<std::size_t>> out(j.size());
    for (std::size_t i = 0; i < j.size(); ++i) {
      const Step s(where_, i);
      array(j[i], "polygon numbers");
      out[i].reserve(j[i].size());
      for (std::size_t k = 0; k < j[i].size(); ++k) {
        const Step s2(where_, k);
        out[i].push_back(*id(j[i][k], polygons_.size(), "polygon", false));
      }
    }
    lists_.assign(out.size(), bsp::PolygonList());
    made_.assign(out.size(), false);
    return out;
  }

  // The scenes: the presets first, which must be this kolvar's own (their polygons become the
  // window's, so that the session's trees share them as trees made here do), then the scenes of
  // the session's own.
  void readScenes(const Json& j, const std::vector<std::vector<std::size_t>>& rawLists) {
    const Step at(where_, "scenes");
    array(j, "scenes");
    if (j.empty()) fail("a session has at least one scene");
    const Fixed& window = *state_.fixed;
    std::vector<const bsp::Polygon*> substituted(polygons_.size(), nullptr);
    std::vector<std::size_t> ids;
    for (std::size_t i = 0; i < j.size(); ++i) {
      const Step s(where_, i);
      SceneInfo info;
      {
        const Step n(where_, "name");
        info.name = text(member(j[i], "name"));
      }
      {
        const Step n(where_, "source");
        info.source = text(member(j[i], "source"));
      }
      std::size_t listId = 0;
      {
        const Step n(where_, "polygons");
        listId = *id(member(j[i], "polygons"), rawLists.size(), "list", false);
        if (rawLists[listId].empty()) fail("must name a list that is not empty: a scene has polygons");
      }
      const bool preset = info.source == "preset";
      if (preset && i != presets_) fail("a preset scene comes before the scenes of the session's own");
      if (preset) {
        if (i >= window.scenes.size() || window.info.size() <= i || window.info[i].source != "preset")
          fail("this kolvar has no preset scene " + std::to_string(i + 1));
        const bsp::PolygonList& own = window.scenes[i];
        const auto& items = rawLists[listId];
        bool same = own.size() == items.size() && !made_[listId];
        for (std::size_t k = 0; same && k < items.size(); ++k) {
          const bsp::Polygon& a = *polygons_[items[k]];
          const bsp::Polygon& b = *own[k];
          same = a.label == b.label && a.points == b.points && a.normal == b.normal &&
                 (!substituted[items[k]] || substituted[items[k]] == &b);
        }
        if (!same) fail("is not this kolvar's preset scene " + std::to_string(i + 1));
        for (std::size_t k = 0; k < items.size(); ++k) {
          substituted[items[k]] = own[k].get();
          polygons_[items[k]] = own[k];
        }
        lists_[listId] = own;
        made_[listId] = true;
        ++presets_;
      }
      ids.push_back(listId);
      infos_.push_back(std::move(info));
    }
    sceneLists_ = std::move(ids);
  }

  void makeLists(const std::vector<std::vector<std::size_t>>& rawLists) {
    for (std::size_t i = 0; i < rawLists.size(); ++i) {
      if (made_[i]) continue;
      std::vector<bsp::PolygonRef> items;
      items.reserve(rawLists[i].size());
      for (std::size_t k : rawLists[i]) items.push_back(polygons_[k]);
      lists_[i] = bsp::PolygonList::from(std::move(items));
    }
    for (std::size_t i = 0; i < sceneLists_.size(); ++i) {
      scenes_.push_back(lists_[sceneLists_[i]]);
      if (i >= presets_) {
        SceneInfo& info = infos_[i];
        info.setup = views::setupAround(scenes_.back(), state_.fixed->setup);
      }
    }
  }

  void readNodes(const Json& j) {
    const Step at(where_, "nodes");
    array(j, "nodes");
    nodes_.reserve(j.size());
    // How many nodes each tree has, counting a node as often as it hangs in it. A tree holds no
    // node twice, so none has more nodes than the file; nodes hung in two places of one tree,
    // again and again, would make a tree that a walk could not finish.
    std::vector<std::size_t> sizes;
    sizes.reserve(j.size());
    for (std::size_t i = 0; i < j.size(); ++i) {
      const Step s(where_, i);
      const Json& n = j[i];
      std::optional<std::size_t> poly, front, back;
      {
        const Step k(where_, "poly");
        poly = id(member(n, "poly"), polygons_.size(), "polygon", true);
      }
      {
        const Step k(where_, "front");
        front = id(member(n, "front"), lists_.size(), "list", true);
      }
      {
        const Step k(where_, "back");
        back = id(member(n, "back"), lists_.size(), "list", true);
      }
      if (front.has_value() != back.has_value() || (poly && !front))
        fail("a node has both waiting lists (its element), or neither and no polygon");
      bsp::NodeRef child[2];
      std::size_t size = 1;
      const char* keys[] = {"left", "right"};
      for (std::size_t c = 0; c < 2; ++c) {
        const Step k(where_, keys[c]);
        const Json& to = member(n, keys[c]);
        if (to.is_null()) continue;
        if (!to.is_number_unsigned() || to.get<std::uint64_t>() >= i)
          fail("must be null or the number of a node written before this one (a child comes before its parent)");
        child[c] = nodes_[to.get<std::size_t>()];
        size += sizes[to.get<std::size_t>()];
        // Only the top of a tree may wait with no splitter.
        if (!child[c]->element || !child[c]->element->poly) fail("names a node with no polygon, which only tops a tree");
      }
      if (size > j.size()) fail("its tree has more nodes than the file: some node hangs in it twice");
      sizes.push_back(size);
      std::optional<bsp::BspElement> element;
      if (front) element = bsp::bspElement(poly ? polygons_[*poly] : nullptr, lists_[*front], lists_[*back]);
      nodes_.push_back(bsp::bspNode(std::move(element), std::move(child[0]), std::move(child[1])));
    }
  }

  bsp::NodeRef tree(const Json& j) {
    const auto n = id(j, nodes_.size(), "node", true);
    return n ? nodes_[*n] : nullptr;
  }

  // The scene number of the file (1-based) and the popup's number it has in this window.
  std::size_t sceneOf(const Json& j, std::size_t& inFile) {
    inFile = whole(j, 1, scenes_.size());
    const std::size_t oldCount = state_.fixed->scenes.size();
    return inFile <= presets_ ? inFile : oldCount + (inFile - presets_);
  }

  // A snapshot; `fileScene` gets its scene's number in the file.
  Snapshot snapshot(const Json& j, std::size_t* fileScene = nullptr) {
    Snapshot s;
    std::size_t scene = 0;
    {
      const Step k(where_, "scene");
      s.scene = static_cast<double>(sceneOf(member(j, "scene"), scene));
    }
    {
      const Step k(where_, "tree");
      s.root = tree(member(j, "tree"));
      checkTree(s.root, scene);
    }
    {
      const Step k(where_, "scanner");
      s.scanner = point(member(j, "scanner"));
    }
    const Step k(where_, "options");
    const Json& o = member(j, "options");
    const std::pair<const char*, bool*> options[] = {{"labels", &s.options.labels},
                                                     {"normals", &s.options.normals},
                                                     {"scanner", &s.options.scanner},
                                                     {"frame", &s.options.frame}};
    for (const auto& [name, to] : options) {
      const Step k2(where_, name);
      *to = flag(member(o, name));
    }
    // Sessions saved before the planes were an option of their own showed them.
    {
      const Step k2(where_, "planes");
      s.options.planes = o.is_object() && o.contains("planes") ? flag(o["planes"]) : true;
    }
    if (fileScene) *fileScene = scene;
    return s;
  }

  StepLog log(const Json& j, std::size_t scene) {
    StepLog l;
    {
      const Step k(where_, "kind");
      const std::string kind = text(member(j, "kind"));
      const auto it = std::find(std::begin(kKinds), std::end(kKinds), kind);
      if (it == std::end(kKinds)) fail("\"" + kind + "\" is no kind of step (text, scanner, scene, reset, option)");
      l.kind = static_cast<StepLog::Kind>(it - std::begin(kKinds));
    }
    const auto optionalText = [&](const char* key, std::string StepLog::Words::*to) {
      if (!j.contains(key)) return;
      const Step k(where_, key);
      std::string said = text(j.at(key));
      if (!said.empty()) l.edit().*to = std::move(said);
    };
    optionalText("lead", &StepLog::Words::lead);
    optionalText("verdict", &StepLog::Words::verdict);
    if (j.contains("reasons")) {
      const Step k(where_, "reasons");
      const Json& reasons = array(j.at("reasons"), "texts");
      for (std::size_t i = 0; i < reasons.size(); ++i) {
        const Step k2(where_, i);
        l.edit().reasons.push_back(text(reasons[i]));
      }
    }
    if (j.contains("expansions")) {
      const Step k(where_, "expansions");
      const Json& ex = array(j.at("expansions"), "expansions");
      for (std::size_t i = 0; i < ex.size(); ++i) {
        const Step k2(where_, i);
        Expansion e;
        std::size_t listId = 0;
        {
          const Step k3(where_, "list");
          listId = *id(member(ex[i], "list"), lists_.size(), "list", false);
          e.list = lists_[listId];
          checkList(listId, scene);
        }
        {
          const Step k3(where_, "index");
          e.index = whole(member(ex[i], "index"), 0, e.list.empty() ? 0 : e.list.size() - 1);
          if (e.list.empty()) fail("chooses from an empty list");
        }
        const Step k3(where_, "node");
        e.node = tree(member(ex[i], "node"));
        if (!e.node || !e.node->element || e.node->element->poly != e.list[e.index])
          fail("must be the node made of the polygon chosen in the list");
        checkTree(e.node, scene);
        l.expansions.push_back(std::move(e));
      }
    }
    if (l.kind == StepLog::Kind::Option) {
      {
        const Step k(where_, "control");
        const std::string tag = text(member(j, "control"));
        const auto it = boxes_.find(tag);
        if (it == boxes_.end()) fail("this window has no check box tagged \"" + tag + "\"");
        l.control = it->second;
      }
      const Step k(where_, "on");
      l.on = flag(member(j, "on"));
    }
    return l;
  }

  StepStack steps(const Json& j, bool oldestFirst, std::size_t& count) {
    array(j, "steps");
    count = j.size();
    StepStack stack;
    for (std::size_t n = 0; n < j.size(); ++n) {
      // The stack is built from its bottom: the oldest step taken, or the last one to redo.
      const std::size_t i = oldestFirst ? n : j.size() - 1 - n;
      const Step s(where_, i);
      app::Step step;
      std::size_t scene = 0;
      {
        const Step k(where_, "after");
        step.after = snapshot(member(j[i], "after"), &scene);
      }
      {
        const Step k(where_, "log");
        step.log = log(member(j[i], "log"), scene);
      }
      stack = std::make_shared<StepCell>(std::move(step), std::move(stack));
    }
    return stack;
  }

  // The history at the place in the file the caller stands at.
  History readHistory(const Json& j, std::size_t layer) {
    if (layer >= kHistoryLayers) fail("histories lie more than " + std::to_string(kHistoryLayers) + " deep");
    History h;
    {
      const Step k(where_, "base");
      h.base = snapshot(member(j, "base"));
    }
    {
      const Step k(where_, "current");
      h.current = snapshot(member(j, "current"));
    }
    {
      const Step k(where_, "done");
      h.done = steps(member(j, "done"), true, h.doneCount);
      if (h.done && !(h.done->step.after == h.current)) fail("the newest step taken must lead to \"current\"");
    }
    if (!h.done && !(h.base == h.current)) fail("with no step taken, \"current\" must be \"base\"");
    {
      const Step k(where_, "undone");
      h.undone = steps(member(j, "undone"), false, h.undoneCount);
    }
    for (const char* key : {"below", "above"}) {
      const Step k(where_, key);
      const Json& other = member(j, key);
      if (other.is_null()) continue;
      auto read = std::make_shared<const History>(readHistory(other, layer + 1));
      (std::string(key) == "below" ? h.below : h.above) = std::move(read);
    }
    return h;
  }

  WindowPart readWindow(const Json& j) {
    const Step at(where_, "window");
    WindowPart w;
    std::size_t scene = 0;
    {
      const Step k(where_, "scene");
      w.scene = sceneOf(member(j, "scene"), scene);
    }
    {
      const Step k(where_, "tree");
      w.tree = tree(member(j, "tree"));
      if (!w.tree) fail("must name a node: the window always shows a tree");
      checkTree(w.tree, scene);
    }
    {
      const Step k(where_, "scanner");
      w.scanner = point(member(j, "scanner"));
    }
    {
      const Step k(where_, "options");
      const Json& o = member(j, "options");
      if (!o.is_object()) fail("must be a JSON object of check boxes");
      for (const auto& [tag, on] : o.items()) {
        const Step k2(where_, tag);
        const auto it = boxes_.find(tag);
        if (it == boxes_.end()) fail("this window has no check box tagged \"" + tag + "\"");
        w.boxes.emplace_back(it->second, flag(on));
        if (tag == "show_log") w.logBox = it->second;
      }
    }
    {
      const Step k(where_, "views");
      const Json& v = member(j, "views");
      if (!v.is_array() || v.size() != 2) fail("must be a list of the two 3-D views");
      for (std::size_t i = 0; i < 2; ++i) {
        const Step k2(where_, i);
        const char* keys[] = {"azimuth", "elevation", "zoom"};
        for (std::size_t c = 0; c < 3; ++c) {
          const Step k3(where_, keys[c]);
          w.views[i][c] = finite(member(v[i], keys[c]));
        }
        if (std::abs(w.views[i][1]) > 90) fail("the elevation lies from -90 to 90 degrees");
        if (!(w.views[i][2] >= 0.5 && w.views[i][2] <= 10)) fail("the zoom lies from 0.5 to 10");
      }
    }
    {
      const Step k(where_, "selected");
      if (const auto p = id(member(j, "selected"), polygons_.size(), "polygon", true)) {
        w.selected = polygons_[*p];
        if (!placedIn(w.tree, w.selected.get())) fail("the selected polygon is not placed in the tree");
      }
    }
    {
      const Step k(where_, "paint");
      w.paint = whole(member(j, "paint"), 0, placedCount(w.tree));
    }
    if (j.contains("tree_view")) w.treeView = readTreeView(j.at("tree_view"));
    w.strategy = choiceOf(j, "strategy", kStrategies);
    w.paintSpeed = choiceOf(j, "paint_speed", kSpeeds);
    return w;
  }

  views::TreeView readTreeView(const Json& j) {
    const Step at(where_, "tree_view");
    views::TreeView v;
    {
      const Step k(where_, "limits");
      const Json& l = member(j, "limits");
      if (!l.is_null()) {
        if (!l.is_array() || l.size() != 4) fail("must be null or the view's limits [x0, x1, y0, y1]");
        double x[4];
        for (std::size_t i = 0; i < 4; ++i) {
          const Step k2(where_, i);
          x[i] = finite(l[i]);
        }
        if (!(x[0] < x[1] && x[2] < x[3])) fail("each pair of limits must rise: x0 < x1 and y0 < y1");
        v.window = views::TreeWindow{x[0], x[1], x[2], x[3]};
      }
    }
    {
      const Step k(where_, "layout");
      const std::string layout = text(member(j, "layout"));
      if (layout != "classic" && layout != "compact") fail("must be \"classic\" or \"compact\"");
      v.kind = layout == "compact" ? diagram::LayoutKind::Compact : diagram::LayoutKind::Spread;
    }
    for (const auto& [key, to] : {std::pair{"collapsed", &v.collapsed}, std::pair{"unfolded", &v.unfolded}}) {
      const Step k(where_, key);
      const Json& folds = array(member(j, key), "polygon numbers");
      for (std::size_t i = 0; i < folds.size(); ++i) {
        const Step k2(where_, i);
        to->push_back(polygons_[*id(folds[i], polygons_.size(), "polygon", false)]);
      }
    }
    return v;
  }

  // The 1-based choice named by `key` among `names`, when the file has one.
  template <std::size_t N>
  std::optional<std::size_t> choiceOf(const Json& j, const char* key, const char* const (&names)[N]) {
    if (!j.contains(key)) return std::nullopt;
    const Step k(where_, key);
    const std::string name = text(j.at(key));
    const auto it = std::find(std::begin(names), std::end(names), name);
    if (it == std::end(names)) {
      std::string all;
      for (const char* n : names) all += (all.empty() ? "" : ", ") + std::string(n);
      fail("\"" + name + "\" is none of " + all);
    }
    return static_cast<std::size_t>(it - std::begin(names)) + 1;
  }

  // ---- whether trees and lists belong to their scene ----
  // Every polygon in a tree is one of its scene's or a piece split from one: its label is the
  // label of a scene polygon followed by the "a"s and "b"s of its splits, and its points lie in
  // that polygon's plane. Each tree, list and polygon is checked once per scene.

  const std::unordered_map<std::string, std::vector<const bsp::Polygon*>>& labelsOf(std::size_t scene) {
    auto& byLabel = labels_[scene];
    if (byLabel.empty())
      for (const bsp::PolygonRef& p : scenes_[scene - 1]) byLabel[p->label].push_back(p.get());
    return byLabel;
  }

  bool inPlane(const bsp::Polygon& piece, const bsp::Polygon& of) {
    const double tolerance = 1e-6 * std::max({1.0, of.magnitude, piece.magnitude});
    for (const bsp::Vec3& v : piece.points)
      if (std::abs(dot(v - of.points[0], of.normal)) > tolerance) return false;
    return true;
  }

  void checkPolygon(const bsp::Polygon* p, std::size_t scene) {
    if (!checkedPolygons_.insert({p, scene}).second) return;
    const auto& byLabel = labelsOf(scene);
    std::string label = p->label;
    for (;;) {
      if (const auto it = byLabel.find(label); it != byLabel.end())
        for (const bsp::Polygon* of : it->second)
          if (inPlane(*p, *of)) return;
      if (label.empty() || (label.back() != 'a' && label.back() != 'b')) break;
      label.pop_back();
    }
    fail("polygon \"" + p->label + "\" is neither a polygon of scene " + std::to_string(scene) +
         " nor a piece of one: the tree does not belong to its scene");
  }

  void checkList(std::size_t listId, std::size_t scene) {
    const bsp::PolygonList& l = lists_[listId];
    if (!checkedLists_.insert({l.begin(), scene}).second) return;
    for (const bsp::PolygonRef& p : l) checkPolygon(p.get(), scene);
  }

  void checkTree(const bsp::NodeRef& root, std::size_t scene) {
    std::vector<const bsp::BspNode*> stack{root.get()};
    while (!stack.empty()) {
      const bsp::BspNode* n = stack.back();
      stack.pop_back();
      if (!n || !checkedNodes_.insert({n, scene}).second) continue;
      if (n->element) {
        if (n->element->poly) checkPolygon(n->element->poly.get(), scene);
        for (const bsp::PolygonList* l : {&n->element->front, &n->element->back})
          if (checkedLists_.insert({l->begin(), scene}).second)
            for (const bsp::PolygonRef& p : *l) checkPolygon(p.get(), scene);
      }
      stack.push_back(n->left.get());
      stack.push_back(n->right.get());
    }
  }

  template <class T>
  struct PairHash {
    std::size_t operator()(const std::pair<T, std::size_t>& p) const {
      return std::hash<T>()(p.first) * 31 + p.second;
    }
  };

  const ProgramState& state_;
  const std::string& path_;
  runtime::JsonPath where_;
  std::unordered_map<std::string, Handle> boxes_;
  std::vector<bsp::PolygonRef> polygons_;
  std::vector<bsp::PolygonList> lists_;
  std::vector<bool> made_;
  std::vector<bsp::NodeRef> nodes_;
  std::vector<std::size_t> sceneLists_;
  std::vector<bsp::PolygonList> scenes_;
  std::vector<SceneInfo> infos_;
  std::size_t presets_ = 0;
  std::unordered_map<std::size_t, std::unordered_map<std::string, std::vector<const bsp::Polygon*>>> labels_;
  std::unordered_set<std::pair<const bsp::Polygon*, std::size_t>, PairHash<const bsp::Polygon*>> checkedPolygons_;
  std::unordered_set<std::pair<const bsp::PolygonRef*, std::size_t>, PairHash<const bsp::PolygonRef*>> checkedLists_;
  std::unordered_set<std::pair<const bsp::BspNode*, std::size_t>, PairHash<const bsp::BspNode*>> checkedNodes_;
};

}  // namespace

std::string sessionText(Handle h) {
  const ProgramState state = fetchState(h);
  return Writer(state).document();
}

void saveSession(Handle h, const std::string& path) {
  const std::string text = sessionText(h);
  runtime::writeFileAtomically(path, [&](const std::string& temporary) {
    std::ofstream out(temporary, std::ios::binary);
    out << text;
    out.flush();
    if (!out) throw Error("Cannot write " + path + ": the disk refused the session.", ErrorKind::Input);
  });
}

void openSession(Handle h, const std::string& text, const std::string& path) {
  ProgramState state = fetchState(h);
  Session session = Reader(state, path).read(text);

  // Nothing above can have changed the window; from here on nothing fails.
  auto fixed = std::make_shared<Fixed>(*state.fixed);
  std::vector<std::string> entries = popupEntries(state.controls.select_poly);
  entries.resize(fixed->scenes.size());
  for (std::size_t i = 0; i < session.added.size(); ++i) {
    fixed->scenes.push_back(session.added[i]);
    fixed->info.push_back(session.addedInfo[i]);
    entries.push_back(popupEntry(fixed->scenes.size(), session.addedInfo[i].name, session.added[i].size()));
  }
  state.fixed = fixed;
  std::vector<Value> items(entries.begin(), entries.end());
  g::set(state.controls.select_poly, "String", Value::cellRow(std::move(items)));
  g::set(state.controls.select_poly, "Value", static_cast<double>(session.window.scene));

  const WindowPart& w = session.window;
  state.root = w.tree;
  state.scanner = w.scanner;
  for (const auto& [box, on] : w.boxes) setCheckbox(box, on);
  // The log panel shows as its check box says only when told; the other boxes are read by the redraw.
  if (w.logBox) show_log_Callback(w.logBox);
  for (std::size_t i = 0; i < 2; ++i) {
    g::view(fixed->axes[i], Value::row({w.views[i][0], w.views[i][1]}));
    state.interaction.zoom[i] = w.views[i][2];
    g::set(fixed->axes[i], "Zoom", Value(w.views[i][2]));
  }
  state.interaction.hover.reset();
  state.interaction.pointed = nullptr;
  state.interaction.selected = w.selected;
  state.interaction.steering = false;
  state.learning.history = openedOver(std::move(session.history), state.learning.history);
  state.learning.paintStep = w.paint;
  // A file without the tree view's fields shows the tree as a fresh window would.
  state.interaction.tree = w.treeView.value_or(views::TreeView{});
  state.interaction.panning.reset();
  if (const Handle popup = taggedControl(state, "strategy"); popup && w.strategy) {
    g::set(popup, "Value", static_cast<double>(*w.strategy));
    g::set(popup, "UserData", Value());
  }
  if (const Handle popup = taggedControl(state, "paint_speed"); popup && w.paintSpeed) {
    g::set(popup, "Value", static_cast<double>(*w.paintSpeed));
    paint_speed_Callback(popup);  // Play, if it runs, goes on at the speed restored
  }
  state.firstLook = false;  // the views are the session's
  storeState(h, state);
  g::asCallbackOf(h, [&] { redraw(std::move(state)); });
}

void SaveSessionMenuItem_Callback(Handle hObject) {
  const auto path = g::backend().dialogs().saveFile("Save the session", "lesson.kolvar");
  if (!path) return;
  try {
    saveSession(hObject, *path);
  } catch (const Error& e) {
    g::errordlg(e.what(), "Cannot save " + std::filesystem::path(*path).filename().string());
    throw;
  }
}

}  // namespace kolvar::app
