// Objects: creation with defaults, deletion, the tree, find, application data and the current
// figure, axes and object.
#include <algorithm>
#include <iterator>
#include <cctype>
#include <cmath>

#include "graphics/model.hpp"

namespace kolvar::graphics {

namespace detail {

namespace {

std::string article(std::string_view type) { return type == "axes" ? "an" : "a"; }

Handle newHandle(Session& s, std::string_view type) {
  // Figures get the smallest free whole number, so that a person can type them; other objects get
  // numbers that can never be a figure's.
  if (type == "figure") {
    Handle h = 1;
    while (s.objects.count(h)) h += 1;
    return h;
  }
  s.nextHandle += 1;
  return 1000.5 + s.nextHandle;
}

}  // namespace

std::optional<std::string> nestingFault(std::string_view type, std::string_view parentType) {
  std::vector<std::string> allowed;
  if (type == "figure") allowed = {"root"};
  else if (type == "axes" || type == "uicontrol") allowed = {"figure"};
  else if (type == "uimenu") allowed = {"figure", "uimenu"};
  else allowed = {"axes"};
  if (std::find(allowed.begin(), allowed.end(), parentType) != allowed.end()) return std::nullopt;
  std::string where;
  for (std::size_t i = 0; i < allowed.size(); ++i)
    where += (i ? " or " : "") + article(allowed[i]) + " \"" + allowed[i] + "\" object";
  return article(type) + " \"" + std::string(type) + "\" object cannot be placed in " +
         article(parentType) + " \"" + std::string(parentType) + "\" object; it belongs in " + where + ".";
}

Object& makeObject(std::string_view type, Handle parent) {
  Session& s = session();
  const TypeTable* table = typeTable(type);
  if (!table || type == "root") {
    std::string known;
    const auto& ts = creatableTypes();
    for (std::size_t i = 0; i < ts.size(); ++i)
      known += (i ? (i + 1 == ts.size() ? " or " : ", ") : "") + ("\"" + ts[i] + "\"");
    throw Error("There is no \"" + std::string(type) + "\" object type; expected " + known + ".",
                ErrorKind::Property);
  }
  Object& p = object(parent);
  if (auto fault = nestingFault(type, p.type())) {
    std::string m = *fault;
    m[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(m[0])));
    throw Error(m, ErrorKind::Property);
  }
  Object o;
  o.handle = newHandle(s, type);
  o.table = table;
  o.parent = parent;
  o.values.reserve(table->props.size());
  for (const auto& spec : table->props) o.values.push_back(spec.initial);
  const Object& root = object(kRoot);
  for (const auto& [own, fromRoot] : table->rootDefaults) o.values[own] = root.values[fromRoot];
  if (type == "figure") {
    const double w = 560, h = 420;
    o.values[*slotOf(*table, "Position")] =
        Value(Matrix::row({std::floor((s.backend->screenWidth() - w) / 2),
                           std::floor((s.backend->screenHeight() - h) / 2), w, h}));
  }
  if (type == "uimenu") {
    double n = 1;
    for (Handle c : p.children)
      if (const Object* k = findObject(c); k && k->type() == "uimenu") n += 1;
    o.values[*slotOf(*table, "Position")] = Value(n);
  }
  const Handle h = o.handle;
  s.objects.emplace(h, std::move(o));
  object(parent).children.push_back(h);
  outdateDrawing(object(h));
  if (type == "figure") s.currentFigure = h;
  if (type == "axes") {
    Object& fig = object(parent);
    const std::size_t slot = *slotOf(*fig.table, "CurrentAxes");
    if (fig.values[slot].isEmpty()) fig.values[slot] = Value(h);
  }
  return s.objects.at(h);
}

void eraseSilently(Handle h) {
  Session& s = session();
  Object* o = findObject(h);
  if (!o) return;
  o->beingDeleted = true;  // its children need not leave its list one by one
  for (Handle c : std::vector<Handle>(o->children)) eraseSilently(c);
  outdateDrawing(*o);
  // Unlinked from a parent that stays, searched from the newest child: an axes cleared of a
  // hundred thousand children, newest first, then costs no more than their number.
  if (o->parent)
    if (Object* p = findObject(*o->parent); p && !p->beingDeleted) {
      const auto at = std::find(p->children.rbegin(), p->children.rend(), h);
      if (at != p->children.rend()) p->children.erase(std::next(at).base());
    }
  if (s.currentFigure == h) s.currentFigure.reset();
  s.rotation.erase(h);
  s.buttonDown.erase(h);
  s.drawings.erase(h);
  s.objects.erase(h);
}

bool handleVisible(const Object& o) {
  if (o.type() == "root") return true;
  const std::string& hv = o.value("HandleVisibility").text();
  if (hv == "on") return true;
  const Session& s = session();
  if (hv == "callback" && !s.callbacks.empty()) return true;
  return object(kRoot).value("ShowHiddenHandles").text() == "on";
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------------------------

Handle create(std::string_view type, Handle parent, const PropertyList& props) {
  Session& s = session();
  const std::optional<Handle> previousFigure = s.currentFigure;
  Handle h;
  {
    ++s.quiet;
    try {
      Object& o = makeObject(type, parent);
      h = o.handle;
      try {
        applyPairs(o, props);
      } catch (...) {
        eraseSilently(h);
        s.currentFigure = previousFigure;
        throw;
      }
    } catch (...) {
      --s.quiet;
      throw;
    }
    --s.quiet;
  }
  notifyCreated(h);
  dispatchCallback(h, "CreateFcn");
  return h;
}

Handle figure(const PropertyList& props) { return create("figure", kRoot, props); }

Handle axes(Handle fig, const PropertyList& props) {
  Handle ax = create("axes", fig, props);
  axes(ax);
  return ax;
}

void axes(Handle ax) {
  if (typeOf(ax) != "axes") throw Error("axes: the handle does not name an axes.", ErrorKind::Property);
  Handle fig = *ancestor(ax, "figure");
  setInternal(fig, "CurrentAxes", Value(ax));
  session().currentFigure = fig;
}

Handle line(const Matrix& x, const Matrix& y, const Matrix& z, const PropertyList& props) {
  PropertyList all{{"XData", Value(x)}, {"YData", Value(y)}, {"ZData", Value(z)}};
  all.insert(all.end(), props.begin(), props.end());
  return create("line", gca(), all);
}

Handle patch(const Matrix& x, const Matrix& y, const Matrix& z, const Value& color,
             const PropertyList& props) {
  PropertyList all{{"XData", Value(x)}, {"YData", Value(y)}, {"ZData", Value(z)}};
  // A colour given by name or as [r g b] is the face colour; other numbers are colour data.
  if (color.isText() || (color.isNumeric() && color.numel() == 3 && color.rows() == 1)) {
    all.push_back({"FaceColor", color});
  } else if (!color.isEmpty()) {
    all.push_back({"CData", color});
    all.push_back({"FaceColor", Value("flat")});
  }
  all.insert(all.end(), props.begin(), props.end());
  return create("patch", gca(), all);
}

Handle text(double x, double y, double z, const Value& string, const PropertyList& props) {
  PropertyList all{{"Position", Value(Matrix::row({x, y, z}))}, {"String", string}};
  all.insert(all.end(), props.begin(), props.end());
  return create("text", gca(), all);
}

Handle text(double x, double y, const Value& string, const PropertyList& props) {
  return text(x, y, 0, string, props);
}

Handle light(const PropertyList& props) { return create("light", gca(), props); }

bool ishandle(Handle h) { return findObject(h) != nullptr; }

bool ishandle(const Value& v) {
  if (!v.isNumeric() || v.isEmpty()) return false;
  for (double h : v.matrix().data)
    if (!findObject(h)) return false;
  return true;
}

namespace {

void deleteTree(Handle h) {
  Object* o = findObject(h);
  if (!o || o->beingDeleted) return;
  // The object's own farewell runs first, while it and everything below it still exist.
  dispatchCallback(h, "DeleteFcn");
  o = findObject(h);
  if (!o) return;  // its DeleteFcn deleted it
  o->beingDeleted = true;
  for (Handle c : std::vector<Handle>(o->children)) deleteTree(c);
  Session& s = session();
  if (s.quiet == 0) s.backend->deleting(h);
  o = findObject(h);
  if (!o) return;
  const std::optional<Handle> parent = o->parent;
  eraseSilently(h);
  if (!parent) return;
  Object* p = findObject(*parent);
  if (!p || p->beingDeleted) return;  // a parent on its way out keeps no current objects
  if (p->type() == "root" && !s.currentFigure) {
    // The most recent remaining figure becomes current.
    for (auto it = p->children.rbegin(); it != p->children.rend(); ++it) {
      s.currentFigure = *it;
      break;
    }
  }
  if (auto fig = ancestor(*parent, "figure")) {
    Object& f = object(*fig);
    const std::size_t axSlot = *slotOf(*f.table, "CurrentAxes");
    if (f.values[axSlot].isScalar() && f.values[axSlot].scalar() == h) {
      f.values[axSlot] = Value(Matrix());
      for (auto it = f.children.rbegin(); it != f.children.rend(); ++it)
        if (object(*it).type() == "axes") {
          f.values[axSlot] = Value(*it);
          break;
        }
    }
    const std::size_t objSlot = *slotOf(*f.table, "CurrentObject");
    if (f.values[objSlot].isScalar() && !findObject(f.values[objSlot].scalar()))
      f.values[objSlot] = Value(Matrix());
  }
}

}  // namespace

void deleteObject(Handle h) {
  if (h == kRoot) throw Error("The root object cannot be deleted.", ErrorKind::Property);
  if (!findObject(h)) throw invalidHandle();
  deleteTree(h);
}

std::string typeOf(Handle h) { return object(h).type(); }

std::optional<Handle> parentOf(Handle h) { return object(h).parent; }

std::optional<Handle> ancestor(Handle h, std::string_view type) {
  const Object* o = &object(h);
  for (;;) {
    if (o->type() == type) return o->handle;
    if (!o->parent) return std::nullopt;
    o = findObject(*o->parent);
    if (!o) return std::nullopt;
  }
}

std::vector<Handle> childrenOf(Handle h) { return object(h).children; }

namespace {

bool matches(const Object& o, const PropertyList& criteria) {
  for (const auto& c : criteria) {
    if (!slotOf(*o.table, c.name)) return false;
    if (!(get(o.handle, c.name) == c.value)) return false;
  }
  return true;
}

void collect(Handle h, bool hidden, const PropertyList& criteria, std::optional<std::string_view> type,
             std::vector<Handle>& out) {
  const Object& o = object(h);
  if ((!type || o.type() == *type) && matches(o, criteria)) out.push_back(h);
  for (Handle c : o.children) {
    const Object* k = findObject(c);
    if (k && (hidden || handleVisible(*k))) collect(c, hidden, criteria, type, out);
  }
}

}  // namespace

std::vector<Handle> findobj(Handle h, const PropertyList& criteria) {
  std::vector<Handle> out;
  collect(h, false, criteria, std::nullopt, out);
  return out;
}

std::vector<Handle> findall(Handle h, std::optional<std::string_view> type) {
  std::vector<Handle> out;
  collect(h, true, {}, type, out);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Application data: named values on any object; names are compared exactly.

Value getappdata(Handle h, std::string_view name) {
  for (const auto& [n, v] : object(h).appdata)
    if (n == name) return v;
  return Value();
}

void setappdata(Handle h, std::string_view name, const Value& value) {
  auto& data = object(h).appdata;
  for (auto& [n, v] : data)
    if (n == name) {
      v = value;
      return;
    }
  data.emplace_back(std::string(name), value);
}

std::uint64_t drawingRevision(Handle h) {
  const Object& o = object(h);
  return std::max(o.contentRevision, ownRevision(o));
}

std::uint64_t changeCount(Handle h) { return object(h).changes; }

bool isappdata(Handle h, std::string_view name) {
  for (const auto& entry : object(h).appdata)
    if (entry.first == name) return true;
  return false;
}

void rmappdata(Handle h, std::string_view name) {
  std::erase_if(object(h).appdata, [&](const auto& entry) { return entry.first == name; });
}

// ---------------------------------------------------------------------------------------------
// Current objects. A figure or axes whose handle is hidden is passed over, as findobj passes it.

std::optional<Handle> currentFigure() {
  Session& s = session();
  if (s.currentFigure)
    if (const Object* f = findObject(*s.currentFigure); f && handleVisible(*f)) return f->handle;
  const Object& root = object(kRoot);
  for (auto it = root.children.rbegin(); it != root.children.rend(); ++it)
    if (const Object* f = findObject(*it); f && handleVisible(*f)) return f->handle;
  return std::nullopt;
}

Handle gcf() {
  if (auto f = currentFigure()) {
    session().currentFigure = *f;
    return *f;
  }
  return figure();
}

Handle gca() {
  Handle fig = gcf();
  Object& f = object(fig);
  const Value& current = f.value("CurrentAxes");
  if (current.isScalar())
    if (const Object* ax = findObject(current.scalar()); ax && handleVisible(*ax)) return ax->handle;
  for (auto it = f.children.rbegin(); it != f.children.rend(); ++it)
    if (const Object* k = findObject(*it); k && k->type() == "axes" && handleVisible(*k)) {
      setInternal(fig, "CurrentAxes", Value(k->handle));
      return k->handle;
    }
  return axes(fig, {});
}

std::optional<Handle> gco() {
  auto fig = currentFigure();
  if (!fig) return std::nullopt;
  const Value& v = object(*fig).value("CurrentObject");
  if (v.isScalar() && findObject(v.scalar())) return v.scalar();
  return std::nullopt;
}

bool ispc() {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

bool isunix() { return !ispc(); }

}  // namespace kolvar::graphics
