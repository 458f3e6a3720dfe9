// Property access: validation by kind, the few computed properties, units of positions, and the
// get/set forms. What a property accepts is in the tables (property_tables.cpp).
#include <cctype>
#include <cmath>

#include "graphics/geometry.hpp"
#include "graphics/model.hpp"
#include "runtime/command.hpp"

namespace kolvar::graphics {

namespace detail {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const Value& Object::value(std::string_view name) const {
  auto slot = slotOf(*table, name);
  if (!slot) throw noSuchProperty(type(), name);
  return values[*slot];
}

Error noSuchProperty(std::string_view type, std::string_view name) {
  return Error("There is no \"" + std::string(name) + "\" property on the \"" + std::string(type) +
                   "\" object.",
               ErrorKind::Property);
}

namespace {

Error badValue(const Object& o, const PropSpec& spec, const std::string& expected) {
  return Error("Bad value for the \"" + spec.name + "\" property of the \"" + o.type() +
                   "\" object: " + expected,
               ErrorKind::Property);
}

std::string quotedChoices(const std::vector<std::string>& cs) {
  std::string s;
  for (std::size_t i = 0; i < cs.size(); ++i) {
    if (i > 0) s += i + 1 == cs.size() ? " or " : ", ";
    s += "\"" + cs[i] + "\"";
  }
  return s;
}

const char* const kColorExpected =
    "a colour: \"r\", \"g\", \"b\", \"c\", \"m\", \"y\", \"k\", \"w\", a long name such as "
    "\"red\", or [r g b] with values from 0 to 1";

// A colour spec as [r g b], or nothing when `v` is not one.
std::optional<Matrix> parseColor(const Value& v) {
  static const std::vector<std::tuple<std::string, std::string, Matrix>> names{
      {"y", "yellow", Matrix::row({1, 1, 0})}, {"m", "magenta", Matrix::row({1, 0, 1})},
      {"c", "cyan", Matrix::row({0, 1, 1})},   {"r", "red", Matrix::row({1, 0, 0})},
      {"g", "green", Matrix::row({0, 1, 0})},  {"b", "blue", Matrix::row({0, 0, 1})},
      {"w", "white", Matrix::row({1, 1, 1})},  {"k", "black", Matrix::row({0, 0, 0})},
  };
  if (v.isText()) {
    for (const auto& [shortName, longName, rgb] : names)
      if (v.text() == shortName || v.text() == longName) return rgb;
    return std::nullopt;
  }
  if (!v.isNumeric() || v.numel() != 3) return std::nullopt;
  const Matrix& m = v.matrix();
  for (double x : m.data)
    if (!(x >= 0 && x <= 1)) return std::nullopt;  // NaN fails too
  return Matrix::row(m.data);
}

std::optional<std::string> matchChoice(const Value& v, const std::vector<std::string>& choices) {
  if (!v.isText()) return std::nullopt;
  for (const auto& c : choices)
    if (equalsIgnoringCase(v.text(), c)) return c;
  return std::nullopt;
}

bool allFinite(const Matrix& m) {
  for (double x : m.data)
    if (!std::isfinite(x)) return false;
  return true;
}

bool isTextCell(const Value& v) { return v.isCell() && v.isTextList(); }

Value validateNumber(const Object& o, const PropSpec& spec, const Value& v) {
  std::string expected = "expected a number.";
  switch (spec.check) {
    case Check::Positive: expected = "expected a positive number."; break;
    case Check::NonNegative: expected = "expected a number of at least 0."; break;
    case Check::UnitInterval: expected = "expected a number from 0 to 1."; break;
    default: break;
  }
  if (!v.isScalar() || !std::isfinite(v.scalar())) throw badValue(o, spec, expected);
  const double x = v.scalar();
  if ((spec.check == Check::Positive && !(x > 0)) || (spec.check == Check::NonNegative && x < 0) ||
      (spec.check == Check::UnitInterval && (x < 0 || x > 1)))
    throw badValue(o, spec, expected);
  return Value(x);
}

Value validateVector(const Object& o, const PropSpec& spec, const Value& v) {
  const std::string n = std::to_string(spec.count);
  std::string expected = "expected a row of " + n + " numbers.";
  if (spec.check == Check::Increasing) expected = "expected " + n + " increasing numbers.";
  if (spec.check == Check::PositionSize)
    expected = "expected a row of " + n + " numbers [left bottom width height] with a width and height of at least 0.";
  if (!v.isNumeric() || !allFinite(v.matrix())) throw badValue(o, spec, expected);
  std::vector<double> xs = v.matrix().data;
  // A point may be given in two dimensions; it then lies in the plane z = 0.
  if (spec.count == 3 && xs.size() == 2) xs.push_back(0);
  if (xs.size() != spec.count) throw badValue(o, spec, expected);
  if (spec.check == Check::Increasing)
    for (std::size_t i = 1; i < xs.size(); ++i)
      if (!(xs[i] > xs[i - 1])) throw badValue(o, spec, expected);
  if (spec.check == Check::PositionSize && (xs[2] < 0 || xs[3] < 0)) throw badValue(o, spec, expected);
  return Value(Matrix::row(xs));
}

Value validateCallback(const Object& o, const PropSpec& spec, const Value& v) {
  if (v.isEmpty() && !v.isCell()) return v.isText() ? Value("") : Value();
  if (v.isCallable()) return v;
  if (v.isCell() && v.numel() >= 1 && v.at(0).isCallable()) return v;
  if (v.isText()) {
    try {
      runtime::parseCommand(v.text());
    } catch (const Error& e) {
      throw badValue(o, spec, e.what());
    }
    return v;
  }
  throw badValue(o, spec, "expected a function, a list beginning with one, or a callback text.");
}

Value validateHandle(const Object& o, const PropSpec& spec, const Value& v) {
  const std::string type = spec.choices.empty() ? "" : spec.choices.front();
  std::string expected = type.empty() ? "expected a handle or []." : "expected the handle of " +
                                        std::string(type == "axes" ? "an " : "a ") + type + " or [].";
  if (v.isEmpty() && !v.isText()) return Value(Matrix());
  if (!v.isScalar()) throw badValue(o, spec, expected);
  const Object* target = findObject(v.scalar());
  if (!target || (!type.empty() && target->type() != type)) throw badValue(o, spec, expected);
  // A figure's current axes and current object are its own.
  if (o.type() == "figure") {
    std::optional<Handle> fig = ancestor(target->handle, "figure");
    if (!fig || *fig != o.handle)
      throw badValue(o, spec, "expected an object of this figure or [].");
  }
  return Value(target->handle);
}

}  // namespace

Value validate(const Object& o, const PropSpec& spec, const Value& v) {
  switch (spec.kind) {
    case Kind::Any: return v;
    case Kind::Text:
      if (v.isText()) return v;
      if (v.isEmpty() && !v.isCell()) return Value("");
      throw badValue(o, spec, "expected a text.");
    case Kind::Texts:
      if (v.isText() || isTextCell(v)) return v;
      if (v.isEmpty()) return Value("");
      throw badValue(o, spec, "expected a text or a list of texts.");
    case Kind::TickLabels:
      if (v.isText() || isTextCell(v) || v.isNumeric()) return v;
      if (v.isEmpty()) return Value("");
      throw badValue(o, spec, "expected numbers, a text or a list of texts.");
    case Kind::Choice:
      if (auto c = matchChoice(v, spec.choices)) return Value(*c);
      throw badValue(o, spec, "expected " + quotedChoices(spec.choices) + ".");
    case Kind::Number: return validateNumber(o, spec, v);
    case Kind::Vector: return validateVector(o, spec, v);
    case Kind::Numbers:
      if (v.isNumeric() || v.kind() == Value::Kind::Empty) return Value(v.matrix());
      throw badValue(o, spec, "expected a numeric value.");
    case Kind::Ticks: {
      if (v.isEmpty() && !v.isText() && !v.isCell()) return Value(Matrix());
      const std::string expected = "expected an increasing row of numbers.";
      if (!v.isNumeric() || !allFinite(v.matrix())) throw badValue(o, spec, expected);
      const auto& xs = v.matrix().data;
      for (std::size_t i = 1; i < xs.size(); ++i)
        if (!(xs[i] > xs[i - 1])) throw badValue(o, spec, expected);
      return Value(Matrix::row(xs));
    }
    case Kind::Color:
      if (auto rgb = parseColor(v)) return Value(*rgb);
      throw badValue(o, spec, std::string("expected ") + kColorExpected + ".");
    case Kind::ColorOrChoice:
      if (auto c = matchChoice(v, spec.choices)) return Value(*c);
      if (auto rgb = parseColor(v)) return Value(*rgb);
      throw badValue(o, spec, "expected " + quotedChoices(spec.choices) + " or " + kColorExpected + ".");
    case Kind::Callback: return validateCallback(o, spec, v);
    case Kind::HandleOrEmpty: return validateHandle(o, spec, v);
  }
  return v;
}

void notifyChanged(const Object& o, const std::string& name) {
  Session& s = session();
  ++o.changes;
  // Also while the backend hears nothing: the kept list must never show an old value.
  if (propertyShows(name)) outdateDrawing(o);
  if (s.quiet == 0 && !o.beingDeleted) s.backend->changed(o.handle, name);
}

void notifyCreated(Handle h) {
  Session& s = session();
  if (s.quiet == 0) s.backend->created(h);
}

// ---------------------------------------------------------------------------------------------
// Units of positions. Figures measure from the screen's bottom-left corner, controls and axes
// from their figure's; "normalized" is a fraction of that reference.

namespace {

double pixelsPerUnit(const std::string& units) {
  if (units == "inches") return 96;
  if (units == "centimeters") return 96 / 2.54;
  if (units == "points") return 96.0 / 72;
  return 1;
}

// The reference size (width, height) in pixels that "normalized" positions of `o` refer to.
std::pair<double, double> referenceSize(const Object& o) {
  if (o.type() == "figure") return {session().backend->screenWidth(), session().backend->screenHeight()};
  std::optional<Handle> fig = o.parent ? ancestor(*o.parent, "figure") : std::nullopt;
  if (!fig) return {1, 1};
  Matrix p = pixelPosition(*fig);
  return {p[2], p[3]};
}

Matrix toPixels(const Matrix& pos, const std::string& units, std::pair<double, double> ref) {
  Matrix out = pos;
  if (units == "normalized") {
    for (std::size_t i = 0; i < out.numel(); ++i) out[i] *= (i % 2 == 0) ? ref.first : ref.second;
  } else {
    const double k = pixelsPerUnit(units);
    for (double& x : out.data) x *= k;
  }
  return out;
}

Matrix fromPixels(const Matrix& pos, const std::string& units, std::pair<double, double> ref) {
  Matrix out = pos;
  if (units == "normalized") {
    for (std::size_t i = 0; i < out.numel(); ++i) out[i] /= (i % 2 == 0) ? ref.first : ref.second;
  } else {
    const double k = pixelsPerUnit(units);
    for (double& x : out.data) x /= k;
  }
  return out;
}

bool hasMenus(const Object& fig) {
  for (Handle c : fig.children)
    if (const Object* k = findObject(c); k && k->type() == "uimenu") return true;
  return false;
}

// The window frame around a figure's client area, in pixels: borders and title bar, and the
// menu bar when the figure has menus.
Matrix frameSize(const Object& fig) { return Matrix::row({6, 24.0 + (hasMenus(fig) ? 32 : 0)}); }

Value computedValue(const Object& o, const PropSpec& spec) {
  Session& s = session();
  const std::string& n = spec.name;
  if (n == "Type") return Value(o.type());
  if (n == "Parent") return o.parent ? Value(*o.parent) : Value(Matrix());
  if (n == "Children") {
    std::vector<double> hs;
    for (Handle c : o.children)
      if (const Object* k = findObject(c); k && handleVisible(*k)) hs.push_back(c);
    return Value(Matrix::column(hs));
  }
  if (n == "ScreenSize") {
    const double w = s.backend->screenWidth(), h = s.backend->screenHeight();
    const std::string& units = o.value("Units").text();
    if (units == "pixels") return Value(Matrix::row({1, 1, w, h}));
    return Value(fromPixels(Matrix::row({0, 0, w, h}), units, {w, h}));
  }
  if (n == "ScreenPixelsPerInch") return Value(96.0);
  if (n == "CurrentFigure") {
    if (s.currentFigure && findObject(*s.currentFigure)) return Value(*s.currentFigure);
    return Value(Matrix());
  }
  if (n == "CallbackObject") return s.callbacks.empty() ? Value(Matrix()) : Value(s.callbacks.back().object);
  if (n == "Extent") return Value(textExtent(o.handle));
  if (n == "OuterPosition") {  // figure
    Matrix px = pixelPosition(o.handle);
    Matrix frame = frameSize(o);
    px[2] += frame[0];
    px[3] += frame[1];
    return Value(fromPixels(px, o.value("Units").text(), referenceSize(o)));
  }
  throw noSuchProperty(o.type(), n);
}

void store(Object& o, std::size_t slot, Value v) {
  // A value set again as it was changes nothing drawn: a program that draws a view afresh after
  // every step sets most of its axes' properties to what they were, and the axes need not be
  // drawn again for it. The backend still hears of it (a list told its top row again scrolls back
  // to it).
  if (o.values[slot] == v) {
    Session& s = session();
    if (s.quiet == 0 && !o.beingDeleted) s.backend->changed(o.handle, o.table->props[slot].name);
    return;
  }
  o.values[slot] = std::move(v);
  notifyChanged(o, o.table->props[slot].name);
}

// Setting a property: validation, then the few properties whose change means more than storing.
void setOne(Object& o, std::string_view name, const Value& raw) {
  auto slot = slotOf(*o.table, name);
  if (!slot) throw noSuchProperty(o.type(), name);
  const PropSpec& spec = o.table->props[*slot];
  if (spec.readOnly)
    throw Error("Cannot set the read-only \"" + spec.name + "\" property of the \"" + o.type() +
                    "\" object.",
                ErrorKind::Property);
  Value v = validate(o, spec, raw);
  Session& s = session();
  if (spec.name == "CurrentFigure") {  // root
    s.currentFigure = v.isEmpty() ? std::nullopt : std::optional<Handle>(v.scalar());
    notifyChanged(o, spec.name);
    return;
  }
  if (spec.name == "OuterPosition" && spec.computed) {  // figure: set through its client area
    const std::string& units = o.value("Units").text();
    Matrix px = toPixels(v.matrix(), units, referenceSize(o));
    Matrix frame = frameSize(o);
    px[2] = std::max(0.0, px[2] - frame[0]);
    px[3] = std::max(0.0, px[3] - frame[1]);
    store(o, *slotOf(*o.table, "Position"), Value(fromPixels(px, units, referenceSize(o))));
    return;
  }
  if (spec.name == "Units" && o.type() != "root") {
    // The position keeps its place on the screen: only the numbers that describe it change.
    const std::string old = o.values[*slot].text();
    const std::string& now = v.text();
    if (old != now)
      for (const char* p : {"Position", "OuterPosition"}) {
        auto ps = slotOf(*o.table, p);
        if (!ps || o.table->props[*ps].computed || o.table->props[*ps].kind != Kind::Vector) continue;
        const auto ref = referenceSize(o);
        o.values[*ps] = Value(fromPixels(toPixels(o.values[*ps].matrix(), old, ref), now, ref));
      }
  }
  store(o, *slot, std::move(v));
}

}  // namespace

void applyPairs(Object& o, const PropertyList& props) {
  for (const auto& p : props) setOne(o, p.name, p.value);
}

void setInternal(Handle h, std::string_view name, Value v) {
  Object& o = object(h);
  auto slot = slotOf(*o.table, name);
  if (!slot) throw noSuchProperty(o.type(), name);
  store(o, *slot, std::move(v));
}

}  // namespace detail

using namespace detail;

Matrix pixelPosition(Handle h) {
  Object& o = object(h);
  auto slot = slotOf(*o.table, "Position");
  auto units = slotOf(*o.table, "Units");
  if (!slot || !units || o.table->props[*slot].count != 4)
    throw Error("A \"" + o.type() + "\" object has no position in pixels.", ErrorKind::Property);
  const Matrix& pos = o.values[*slot].matrix();
  const std::string& u = o.values[*units].text();
  if (u == "pixels") return pos;
  return toPixels(pos, u, referenceSize(o));
}

Value get(Handle h, std::string_view name) {
  const Object& o = object(h);
  auto slot = slotOf(*o.table, name);
  if (!slot) throw noSuchProperty(o.type(), name);
  const PropSpec& spec = o.table->props[*slot];
  if (spec.computed) return computedValue(o, spec);
  return o.values[*slot];
}

Value get(const std::vector<Handle>& hs, std::string_view name) {
  std::vector<Value> out;
  out.reserve(hs.size());
  for (Handle h : hs) out.push_back(get(h, name));
  return Value::cellColumn(std::move(out));
}

void set(Handle h, const PropertyList& pairs) {
  object(h);
  for (const auto& p : pairs) setOne(object(h), p.name, p.value);
}

void set(Handle h, std::string_view name, const Value& value) { set(h, PropertyList{{std::string(name), value}}); }

void set(const std::vector<Handle>& hs, const PropertyList& pairs) {
  for (Handle h : hs) object(h);  // every handle valid before anything changes
  for (Handle h : hs) set(h, pairs);
}

void set(const std::vector<Handle>& hs, std::string_view name, const std::vector<Value>& values) {
  if (values.size() != hs.size())
    throw Error("Setting \"" + std::string(name) + "\" on " + std::to_string(hs.size()) +
                    " objects needs one value per object, not " + std::to_string(values.size()) + ".",
                ErrorKind::Property);
  for (Handle h : hs) object(h);
  for (std::size_t i = 0; i < hs.size(); ++i) set(hs[i], name, values[i]);
}

}  // namespace kolvar::graphics
