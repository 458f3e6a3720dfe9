#include "bsp/scene_file.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "runtime/error.hpp"
#include "runtime/json_reader.hpp"

namespace kolvar::bsp {

namespace {

using json = runtime::Json;
using runtime::excerpt;

// A value as a message quotes it: short, however large the value.
std::string shown(const json& v) { return excerpt(v.dump(), 60); }

[[noreturn]] void fail(const std::string& message) { throw Error(message + ".", ErrorKind::Input); }

// "line L, column C" of the byte `position` (1-based, as the parser counts) in `text`.
std::string lineAndColumn(const std::string& text, std::size_t position) {
  std::size_t line = 1;
  std::size_t column = 0;
  for (std::size_t i = 0; i < position && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 0;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The parser's own description of a fault, without its exception prefix and position.
std::string parserReason(const std::string& what) {
  std::size_t at = what.find("column ");
  if (at != std::string::npos) at = what.find(": ", at);
  if (at != std::string::npos) return what.substr(at + 2);
  at = what.find("] ");
  return at == std::string::npos ? what : what.substr(at + 2);
}

// Reading the text a second time, only after the parser gave up: follows the JSON path to the
// point where it did, and the label of the polygon it was in, so that the message can name them.
class Locator {
 public:
  using number_integer_t = json::number_integer_t;
  using number_unsigned_t = json::number_unsigned_t;
  using number_float_t = json::number_float_t;
  using string_t = json::string_t;
  using binary_t = json::binary_t;

  bool null() { return value(); }
  bool boolean(bool) { return value(); }
  bool number_integer(number_integer_t) { return value(); }
  bool number_unsigned(number_unsigned_t) { return value(); }
  bool number_float(number_float_t, const string_t&) { return value(); }
  bool binary(binary_t&) { return value(); }
  bool string(string_t& s) {
    if (inPolygon() && frames_.size() == 3 && frames_[2].key == "label") label_ = s;
    return value();
  }
  bool start_object(std::size_t) {
    if (frames_.size() == 2 && frames_[0].key == "polygons") label_.reset();
    frames_.push_back({false, 0, {}});
    return true;
  }
  bool key(string_t& k) {
    frames_.back().key = k;
    return true;
  }
  bool end_object() { return end(); }
  bool start_array(std::size_t) {
    frames_.push_back({true, 0, {}});
    return true;
  }
  bool end_array() { return end(); }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) {
    position_ = position;
    what_ = e.what();
    return false;
  }

  std::size_t position() const { return position_; }
  const std::string& what() const { return what_; }
  // "polygons[2] (label "3")" for a fault inside a polygon, or empty.
  std::string polygon() const {
    if (!inPolygon()) return {};
    return "polygons[" + std::to_string(frames_[1].index) + "]" + labelText(label_);
  }
  // The path below the polygon ("points[1][0]"), or the whole path outside polygons.
  std::string path() const {
    std::string out;
    for (std::size_t i = inPolygon() ? 2 : 0; i < frames_.size(); ++i) {
      const Frame& f = frames_[i];
      if (f.array) {
        out += "[" + std::to_string(f.index) + "]";
      } else if (!f.key.empty()) {
        out += (out.empty() ? "" : ".") + f.key;
      }
    }
    return out;
  }
  static std::string labelText(const std::optional<std::string>& label) {
    return label ? " (label " + json(excerpt(*label, 40)).dump() + ")" : " (no label)";
  }

 private:
  struct Frame {
    bool array;
    std::size_t index;
    std::string key;
  };
  bool inPolygon() const {
    return frames_.size() >= 2 && !frames_[0].array && frames_[0].key == "polygons" && frames_[1].array;
  }
  bool value() {
    if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    return true;
  }
  bool end() {
    frames_.pop_back();
    return value();
  }

  std::vector<Frame> frames_;
  std::optional<std::string> label_;
  std::size_t position_ = 0;
  std::string what_;
};

[[noreturn]] void failParse(const std::string& text, const std::string& origin) {
  Locator where;
  json::sax_parse(text, &where);
  const std::string at = lineAndColumn(text, where.position());
  std::string inside = where.polygon();
  const std::string path = excerpt(where.path(), 80);
  if (!path.empty()) inside += (inside.empty() ? "" : ", ") + path;
  fail(origin + ": not valid JSON at " + at + (inside.empty() ? "" : " (in " + inside + ")") + ": " +
       parserReason(where.what()));
}

const json& field(const json& object, const char* name, const std::string& where) {
  const auto it = object.find(name);
  if (it == object.end()) fail(where + ": field \"" + name + "\" is missing");
  return *it;
}

Vec3 vertex(const json& point, std::size_t k, const std::string& where) {
  const std::string path = "points[" + std::to_string(k) + "]";
  if (!point.is_array() || point.size() != 3)
    fail(where + ": " + path + " must be a list of three numbers [x, y, z], not " + shown(point));
  double xyz[3];
  for (std::size_t c = 0; c < 3; ++c) {
    const std::string at = path + "[" + std::to_string(c) + "]";
    if (!point[c].is_number()) fail(where + ": " + at + " is not a number: " + shown(point[c]));
    xyz[c] = point[c].get<double>();
    if (!std::isfinite(xyz[c])) fail(where + ": " + at + " is not a finite number");
  }
  return {xyz[0], xyz[1], xyz[2]};
}

}  // namespace

Scene parseScene(const std::string& text, const std::string& origin) {
  // Text that is not JSON is placed in the polygon it spoils; then the limits on what is JSON
  // (nesting, size, a key given twice).
  if (!json::accept(text)) failParse(text, origin);
  const json doc = runtime::parseJson(text, origin);
  if (!doc.is_object())
    fail(origin + ": a scene must be a JSON object with \"name\" and \"polygons\", not " +
         std::string(doc.type_name()));

  Scene scene;
  const json& name = field(doc, "name", origin);
  if (!name.is_string()) fail(origin + ": field \"name\" must be a string, not " + shown(name));
  scene.name = name.get<std::string>();

  const json& polys = field(doc, "polygons", origin);
  if (!polys.is_array()) fail(origin + ": field \"polygons\" must be a list, not " + shown(polys));
  std::vector<PolygonRef> list;
  list.reserve(polys.size());
  for (std::size_t i = 0; i < polys.size(); ++i) {
    const json& p = polys[i];
    std::string where = origin + ": polygons[" + std::to_string(i) + "]";
    if (!p.is_object())
      fail(where + ": a polygon must be an object with \"label\" and \"points\", not " + shown(p));
    if (!p.contains("label")) fail(where + " (no label): field \"label\" is missing");
    const json& label = p["label"];
    if (!label.is_string()) fail(where + ": field \"label\" must be a string, not " + shown(label));
    where += Locator::labelText(label.get<std::string>());

    const json& points = field(p, "points", where);
    if (!points.is_array()) fail(where + ": field \"points\" must be a list of points, not " + shown(points));
    std::vector<Vec3> pts;
    pts.reserve(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) pts.push_back(vertex(points[k], k, where));
    if (auto fault = faceFault(pts, "polygon")) fail(where + ": " + *fault);
    list.push_back(newPolygon(std::move(pts), label.get<std::string>()));
  }
  scene.polygons = PolygonList::from(std::move(list));
  return scene;
}

Scene loadScene(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) fail(path + ": is a folder, not a scene file");
  std::ifstream in(path, std::ios::binary);
  if (!in) fail(path + ": cannot open the scene file: " + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) fail(path + ": cannot read the scene file");
  return parseScene(text.str(), path);
}

std::string sceneToJson(const Scene& scene) {
  std::string out = "{\"name\": " + json(scene.name).dump() + ", \"polygons\": [";
  bool first = true;
  for (const PolygonRef& p : scene.polygons) {
    json points = json::array();
    for (const Vec3& v : p->points) points.push_back({v.x, v.y, v.z});
    out += first ? "\n" : ",\n";
    out += "  {\"label\": " + json(p->label).dump() + ", \"points\": " + points.dump() + "}";
    first = false;
  }
  out += first ? "]}\n" : "\n]}\n";
  return out;
}

}  // namespace kolvar::bsp
