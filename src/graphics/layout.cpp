// Layout files: a window's object tree as JSON, written to be read and edited by a person.
//
// A file holds one object, or a list of objects, each a JSON object with these keys:
//
//   "type"        required: "figure", "axes", "uicontrol", "uimenu", "line", "patch", "text" or
//                 "light". Top-level objects are figures; axes, controls and menus go in a
//                 figure, submenus in a menu, lines, patches, texts and lights in an axes.
//   "properties"  optional: property names (any case) and values, applied in the order written,
//                 except that "Units" comes first so that positions are read in the units named.
//   "appdata"     optional: named application data of the object, e.g.
//                 "GUIOptions": {"syscolorfig": 1, "singleton": 1}.
//   "children"    optional: a list of objects placed in this one, in creation order.
//   "comment"     optional: any text, for the reader; ignored.
//
// Values: a string is a text (a callback text in a callback property); a number a number; true
// and false are 1 and 0; null is []; a list of numbers is a row; a list of equal-length lists of
// numbers is a matrix, one inner list per row; a list of strings is a column list of texts (one
// line of a list box or entry of a popup each); other lists are rows of values; a JSON object is
// a record with its fields in the order written.
//
// Example:
//   {"type": "figure", "properties": {"Tag": "figure1", "Name": "demo"},
//    "children": [{"type": "uicontrol", "properties": {"Style": "pushbutton", "String": "OK",
//                  "Callback": "demo('ok_Callback',gcbo,[],guidata(gcbo))"}}]}
//
// Loading is all or nothing: the first fault (not JSON, a wrong key, an unknown type or
// property, a bad value, a wrong nesting) raises an error naming the file, the JSON path of the
// fault (e.g. /children/2/properties/Visible) and what was expected, and leaves no object behind.
// "CreateFcn" callbacks run after the whole tree exists.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

#include "graphics/model.hpp"
#include "runtime/json_reader.hpp"

namespace kolvar::graphics {

using namespace detail;
using runtime::Json;
using runtime::JsonPath;

namespace {

std::map<std::string, std::string>& embeddedLayouts() {
  static std::map<std::string, std::string> layouts;
  return layouts;
}

std::vector<std::string>& layoutFolders() {
  static std::vector<std::string> folders;
  return folders;
}

// A fault at a place in the file: carries the JSON path until the loader names the file.
struct Fault {
  std::string path;
  std::string what;
};

Value toValue(const Json& j, JsonPath& path) {
  switch (j.type()) {
    case Json::value_t::null: return Value(Matrix());
    case Json::value_t::boolean: return Value::boolean(j.get<bool>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return Value(j.get<double>());
    case Json::value_t::string: return Value(j.get<std::string>());
    case Json::value_t::object: {
      Record r;
      for (auto it = j.begin(); it != j.end(); ++it) {
        JsonPath::Step at(path, it.key());
        r.set(it.key(), toValue(it.value(), path));
      }
      return Value(std::move(r));
    }
    case Json::value_t::array: {
      if (j.empty()) return Value(Matrix());
      bool numbers = true, strings = true, rows = true;
      for (const auto& e : j) {
        numbers = numbers && e.is_number();
        strings = strings && e.is_string();
        rows = rows && e.is_array() && !e.empty() && std::all_of(e.begin(), e.end(), [](const Json& x) { return x.is_number(); });
      }
      if (numbers) {
        std::vector<double> xs;
        for (const auto& e : j) xs.push_back(e.get<double>());
        return Value(Matrix::row(xs));
      }
      if (strings) {
        std::vector<std::string> lines;
        for (const auto& e : j) lines.push_back(e.get<std::string>());
        return Value::textColumn(lines);
      }
      if (rows) {
        const std::size_t cols = j[0].size();
        Matrix m(j.size(), cols);
        for (std::size_t r = 0; r < j.size(); ++r) {
          if (j[r].size() != cols) {
            JsonPath::Step at(path, r);
            throw Fault{path.str(), "expected rows of equal length (" + std::to_string(cols) + " numbers)."};
          }
          for (std::size_t c = 0; c < cols; ++c) m(r, c) = j[r][c].get<double>();
        }
        return Value(std::move(m));
      }
      std::vector<Value> items;
      for (std::size_t i = 0; i < j.size(); ++i) {
        JsonPath::Step at(path, i);
        items.push_back(toValue(j[i], path));
      }
      return Value::cellRow(std::move(items));
    }
    default: break;
  }
  throw Fault{path.str(), "expected a text, a number, a list, an object, true, false or null."};
}

class Builder {
 public:
  std::vector<Handle> topLevel;

  void node(const Json& j, Handle parent, JsonPath& path) {
    if (!j.is_object()) throw Fault{path.str(), "expected an object with a \"type\"."};
    for (auto it = j.begin(); it != j.end(); ++it) {
      const std::string& k = it.key();
      if (k != "type" && k != "properties" && k != "appdata" && k != "children" && k != "comment") {
        JsonPath::Step at(path, k);
        throw Fault{path.str(), "unknown key; expected \"type\", \"properties\", \"appdata\", \"children\" or \"comment\"."};
      }
    }
    if (!j.contains("type")) throw Fault{path.str(), "missing \"type\": expected the object's type."};
    const Json& t = j["type"];
    Object* made = nullptr;
    {
      JsonPath::Step at(path, "type");
      if (!t.is_string()) throw Fault{path.str(), "expected the object's type as a text."};
      try {
        made = &makeObject(t.get<std::string>(), parent);
      } catch (const Error& e) {
        throw Fault{path.str(), e.what()};
      }
    }
    const Handle h = made->handle;
    if (parent == kRoot) topLevel.push_back(h);
    if (j.contains("properties")) {
      JsonPath::Step at(path, "properties");
      properties(j["properties"], h, path);
    }
    if (j.contains("appdata")) {
      JsonPath::Step at(path, "appdata");
      const Json& a = j["appdata"];
      if (!a.is_object()) throw Fault{path.str(), "expected an object of names and values."};
      for (auto it = a.begin(); it != a.end(); ++it) {
        JsonPath::Step name(path, it.key());
        setappdata(h, it.key(), toValue(it.value(), path));
      }
    }
    if (j.contains("children")) {
      JsonPath::Step at(path, "children");
      const Json& c = j["children"];
      if (!c.is_array()) throw Fault{path.str(), "expected a list of objects."};
      for (std::size_t i = 0; i < c.size(); ++i) {
        JsonPath::Step child(path, i);
        node(c[i], h, path);
      }
    }
    if (j.contains("comment") && !j["comment"].is_string()) {
      JsonPath::Step at(path, "comment");
      throw Fault{path.str(), "expected a text."};
    }
  }

 private:
  void properties(const Json& p, Handle h, JsonPath& path) {
    if (!p.is_object()) throw Fault{path.str(), "expected an object of property names and values."};
    // Units first, so that positions are read in the units the file names.
    for (int pass = 0; pass < 2; ++pass)
      for (auto it = p.begin(); it != p.end(); ++it) {
        if ((pass == 0) != equalsIgnoringCase(it.key(), "Units")) continue;
        JsonPath::Step at(path, it.key());
        Value v = toValue(it.value(), path);
        try {
          applyPairs(object(h), {{it.key(), v}});
        } catch (const Error& e) {
          throw Fault{path.str(), runtime::excerpt(e.what(), 300)};
        }
      }
  }
};

std::string exeFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

// The text of the layout file at `p`, or nothing when there is none. Something at `p` that is no
// readable file (a folder, a pipe, a file without read permission) is passed over with a note on
// the console, so that a stray kolvar.fig in the working folder cannot stop the program silently.
std::optional<std::string> readFile(const std::filesystem::path& p) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(p, ec);
  if (ec || !fs::exists(st)) return std::nullopt;
  auto passOver = [&](const std::string& why) {
    std::cerr << "Layout file " << p.string() << " " << why << "; looking further." << std::endl;
    return std::nullopt;
  };
  if (fs::is_directory(st)) return passOver("is a folder, not a file");
  if (!fs::is_regular_file(st)) return passOver("is not a regular file");
  std::ifstream in(p, std::ios::binary);
  if (!in) return passOver(std::string("cannot be read (") + std::strerror(errno) + ")");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return passOver("cannot be read to its end");
  return text.str();
}

Error layoutError(const std::string& origin, const std::string& path, const std::string& what) {
  return Error("Layout file \"" + origin + "\": at " + (path.empty() ? "/" : path) + ": " + what,
               ErrorKind::Input);
}

}  // namespace

void registerEmbeddedLayout(std::string name, std::string text) {
  embeddedLayouts()[std::move(name)] = std::move(text);
}

void registerLayoutFolder(std::string folder) {
  auto& folders = layoutFolders();
  if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(std::move(folder));
}

LoadedLayout loadfigText(const std::string& text, const std::string& origin, const PropertyList& overrides,
                         const LayoutBuilt& built) {
  const Json doc = runtime::parseJson(text, "Layout file \"" + origin + "\"");

  Session& s = session();
  const std::optional<Handle> previousFigure = s.currentFigure;
  Builder b;
  LoadedLayout out;
  ++s.quiet;
  try {
    JsonPath path;
    if (doc.is_array()) {
      if (doc.empty()) throw Fault{"", "expected at least one object."};
      for (std::size_t i = 0; i < doc.size(); ++i) {
        JsonPath::Step at(path, i);
        b.node(doc[i], kRoot, path);
      }
    } else {
      b.node(doc, kRoot, path);
    }
    for (Handle h : b.topLevel) {
      Value previous{Record{}};
      for (const auto& o : overrides) {
        // The value the file gave, or the default: what the object held before the override.
        const Object& obj = object(h);
        auto slot = slotOf(*obj.table, o.name);
        if (!slot) throw noSuchProperty(obj.type(), o.name);
        previous.setField(obj.table->props[*slot].name, get(h, o.name));
        set(h, o.name, o.value);
      }
      out.previous.push_back(std::move(previous));
      if (typeOf(h) == "figure" && get(h, "FileName").text().empty()) setInternal(h, "FileName", Value(origin));
    }
  } catch (const Fault& f) {
    for (Handle h : b.topLevel) eraseSilently(h);
    s.currentFigure = previousFigure;
    --s.quiet;
    throw layoutError(origin, f.path, f.what);
  } catch (...) {
    for (Handle h : b.topLevel) eraseSilently(h);
    s.currentFigure = previousFigure;
    --s.quiet;
    throw;
  }
  --s.quiet;
  out.handles = b.topLevel;

  std::vector<Handle> all;
  for (Handle h : out.handles)
    for (Handle d : findall(h)) all.push_back(d);
  for (Handle h : all) notifyCreated(h);
  try {
    if (built) built(out);
    for (Handle h : all) dispatchCallback(h, "CreateFcn");
  } catch (...) {
    for (Handle h : out.handles)
      if (ishandle(h)) deleteObject(h);
    throw;
  }
  return out;
}

LoadedLayout loadfig(const std::string& path, const PropertyList& overrides, const LayoutBuilt& built) {
  namespace fs = std::filesystem;
  const fs::path given(path);
  std::vector<fs::path> places;
  if (given.is_absolute()) {
    places.push_back(given);
  } else {
    places.push_back(fs::current_path() / given);
    if (auto exe = exeFolder(); !exe.empty()) places.push_back(fs::path(exe) / given);
    for (const std::string& folder : layoutFolders()) places.push_back(fs::path(folder) / given);
  }
  for (const auto& p : places)
    if (auto text = readFile(p)) return loadfigText(*text, p.string(), overrides, built);
  if (!given.is_absolute()) {
    const auto& layouts = embeddedLayouts();
    auto it = layouts.find(path);
    if (it == layouts.end()) it = layouts.find(given.filename().string());
    if (it != layouts.end()) return loadfigText(it->second, it->first + " (built into the program)", overrides, built);
  }
  std::string looked;
  for (const auto& p : places) looked += (looked.empty() ? "" : ", ") + p.string();
  throw Error("Layout file \"" + path + "\" not found (looked at " + looked +
                  (given.is_absolute() ? "" : " and among the layouts built into the program") + ").",
              ErrorKind::Input);
}

}  // namespace kolvar::graphics
