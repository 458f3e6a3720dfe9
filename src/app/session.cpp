#include "app/session.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/app.hpp"
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
// Writing.

Json vec3(const bsp::Vec3& v) { return Json::array({v.x, v.y, v.z}); }

// A popup number as a whole number ("3", not "3.0").
Json sceneJson(double n) {
  return n >= 1 && n == std::floor(n) && n < 1e15 ? Json(static_cast<std::uint64_t>(n)) : Json(n);
}

class Writer {
 public:
  explicit Writer(const ProgramState& s) : state_(s) {
    for (const auto& [tag, box] : checkBoxes(s)) tags_[box] = tag;
  }

  Json polygon(const bsp::PolygonRef& p) {
    if (!p) return nullptr;
    const auto [it, fresh] = polygonIds_.try_emplace(p.get(), polygons_.size());
    if (fresh) {
      Json points = Json::array();
      for (const bsp::Vec3& v : p->points) points.push_back(vec3(v));
      Json j;
      j["label"] = p->label;
      j["points"] = std::move(points);
      j["normal"] = vec3(p->normal);
      polygons_.push_back(std::move(j));
    }
    return it->second;
  }

  Json list(const bsp::PolygonList& l) {
    // Lists never change, so the items' storage names a list; all empty lists are one.
    const auto [it, fresh] = listIds_.try_emplace(l.begin(), lists_.size());
    if (fresh) {
      Json items = Json::array();
      for (const bsp::PolygonRef& p : l) items.push_back(polygon(p));
      lists_.push_back(std::move(items));
    }
    return it->second;
  }

  // Children are written before their parents, so a reader meets every node it is pointed to
  // already built, and no chain of nodes can loop. Iterative: trees may be thousands deep.
  Json node(const bsp::NodeRef& root) {
    if (!root) return nullptr;
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
      Json j;
      j["poly"] = n->element ? polygon(n->element->poly) : Json(nullptr);
      j["front"] = n->element ? list(n->element->front) : Json(nullptr);
      j["back"] = n->element ? list(n->element->back) : Json(nullptr);
      j["left"] = n->left ? Json(nodeIds_.at(n->left.get())) : Json(nullptr);
      j["right"] = n->right ? Json(nodeIds_.at(n->right.get())) : Json(nullptr);
      nodeIds_.emplace(n, nodes_.size());
      nodes_.push_back(std::move(j));
    }
    return nodeIds_.at(root.get());
  }

  Json snapshot(const Snapshot& s) {
    Json j;
    j["tree"] = node(s.root);
    j["scanner"] = vec3(s.scanner);
    j["scene"] = sceneJson(s.scene);
    j["options"] = {{"labels", s.options.labels}, {"normals", s.options.normals}, {"scanner", s.options.scanner},
                    {"frame", s.options.frame}};
    return j;
  }

  Json step(const Step& step) {
    Json log;
    StepLog l = step.log;
    // An option's check box is named by its tag; one the window no longer has keeps its words.
    if (l.kind == StepLog::Kind::Option && !tags_.count(l.control)) {
      const auto said = sentencesOf(step);
      l = StepLog::of(StepLog::Kind::Text);
      for (const std::string& s : said) l.lead += (l.lead.empty() ? "" : " ") + s;
    }
    log["kind"] = kKinds[static_cast<int>(l.kind)];
    if (!l.lead.empty()) log["lead"] = l.lead;
    if (!l.reasons.empty()) log["reasons"] = l.reasons;
    if (!l.expansions.empty()) {
      Json ex = Json::array();
      for (const Expansion& e : l.expansions)
        ex.push_back({{"list", list(e.list)}, {"index", e.index}, {"node", node(e.node)}});
      log["expansions"] = std::move(ex);
    }
    if (l.kind == StepLog::Kind::Option) {
      log["control"] = tags_.at(l.control);
      log["on"] = l.on;
    }
    if (!l.verdict.empty()) log["verdict"] = l.verdict;
    Json j;
    j["after"] = snapshot(step.after);
    j["log"] = std::move(log);
    return j;
  }

  Json history(const History& h, std::size_t layer) {
    Json j;
    j["base"] = snapshot(h.base);
    j["current"] = snapshot(h.current);
    std::vector<const Step*> taken;
    for (const StepCell* c = h.done.get(); c; c = c->next.get()) taken.push_back(&c->step);
    Json done = Json::array();
    for (auto it = taken.rbegin(); it != taken.rend(); ++it) done.push_back(step(**it));  // oldest first
    j["done"] = std::move(done);
    Json undone = Json::array();
    for (const StepCell* c = h.undone.get(); c; c = c->next.get()) undone.push_back(step(c->step));
    j["undone"] = std::move(undone);
    // The window never holds more layers than kHistoryLayers; a file holds no more either.
    const bool deeper = layer + 1 < kHistoryLayers;
    j["below"] = h.below && deeper ? history(*h.below, layer + 1) : Json(nullptr);
    j["above"] = h.above && deeper ? history(*h.above, layer + 1) : Json(nullptr);
    return j;
  }

  Json document() {
    const ProgramState& s = state_;
    const Fixed& f = *s.fixed;
    Json scenes = Json::array();
    for (std::size_t i = 0; i < f.scenes.size(); ++i) {
      const SceneInfo& info = i < f.info.size() ? f.info[i] : SceneInfo{"", "preset", std::nullopt};
      scenes.push_back({{"name", info.name}, {"source", info.source}, {"polygons", list(f.scenes[i])}});
    }
    Json window;
    window["scene"] = sceneNumber(s);
    window["tree"] = node(s.root);
    window["scanner"] = vec3(s.scanner);
    Json options = Json::object();
    for (const auto& [tag, box] : checkBoxes(s)) options[tag] = views::isOn(box);
    window["options"] = std::move(options);
    Json views = Json::array();
    for (std::size_t i = 0; i < 2; ++i) {
      const Matrix v = g::view(f.axes[i]).matrix();
      views.push_back({{"azimuth", v[0]}, {"elevation", v[1]}, {"zoom", s.interaction.zoom[i]}});
    }
    window["views"] = std::move(views);
    const bsp::PolygonRef& selected = s.interaction.selected;
    window["selected"] = selected && placedIn(s.root, selected.get()) ? polygon(selected) : Json(nullptr);
    window["paint"] = std::min(s.learning.paintStep, placedCount(s.root));
    Json hist = history(s.learning.history, 0);

    Json doc;
    doc["format"] = kFormat;
    doc["version"] = kSessionVersion;
    doc["polygons"] = std::move(polygons_);
    doc["lists"] = std::move(lists_);
    doc["nodes"] = std::move(nodes_);
    doc["scenes"] = std::move(scenes);
    doc["window"] = std::move(window);
    doc["history"] = std::move(hist);
    return doc;
  }

 private:
  const ProgramState& state_;
  std::unordered_map<Handle, std::string> tags_;
  std::unordered_map<const bsp::Polygon*, std::size_t> polygonIds_;
  std::unordered_map<const bsp::PolygonRef*, std::size_t> listIds_;
  std::unordered_map<const bsp::BspNode*, std::size_t> nodeIds_;
  Json polygons_ = Json::array();
  Json lists_ = Json::array();
  Json nodes_ = Json::array();
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
    const auto optionalText = [&](const char* key, std::string& to) {
      if (!j.contains(key)) return;
      const Step k(where_, key);
      to = text(j.at(key));
    };
    optionalText("lead", l.lead);
    optionalText("verdict", l.verdict);
    if (j.contains("reasons")) {
      const Step k(where_, "reasons");
      const Json& reasons = array(j.at("reasons"), "texts");
      for (std::size_t i = 0; i < reasons.size(); ++i) {
        const Step k2(where_, i);
        l.reasons.push_back(text(reasons[i]));
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
    const Step k(where_, "paint");
    w.paint = whole(member(j, "paint"), 0, placedCount(w.tree));
    return w;
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

std::vector<std::string> popupEntries(Handle popup) {
  const Value v = g::get(popup, "String");
  std::vector<std::string> out;
  if (v.isText()) out.push_back(v.text());
  if (v.isCell())
    for (const Value& item : v.cell().items) out.push_back(item.isText() ? item.text() : std::string());
  return out;
}

// The document as text: the tables one entry a line, so that a session reads (and compares)
// line by line; the rest compact.
std::string layoutText(const Json& doc) {
  std::string out = "{";
  bool first = true;
  for (const auto& [key, value] : doc.items()) {
    out += first ? "\n" : ",\n";
    first = false;
    out += Json(key).dump() + ": ";
    if (value.is_array() && key != "version") {
      out += "[";
      for (std::size_t i = 0; i < value.size(); ++i) out += (i ? ",\n  " : "\n  ") + value[i].dump();
      out += value.empty() ? "]" : "\n]";
    } else {
      out += value.dump();
    }
  }
  return out + "\n}\n";
}

}  // namespace

std::string sessionText(Handle h) {
  const ProgramState state = fetchState(h);
  return layoutText(Writer(state).document());
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
