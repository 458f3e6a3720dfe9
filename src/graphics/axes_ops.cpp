// Operations on an axes: its view, its grid, and clearing what was drawn into it.
#include "graphics/geometry.hpp"
#include "graphics/model.hpp"

namespace kolvar::graphics {

using namespace detail;

namespace {

void requireAxes(Handle ax, const char* operation) {
  if (!ishandle(ax) || typeOf(ax) != "axes")
    throw Error(std::string(operation) + ": the handle does not name an axes.", ErrorKind::Property);
}

}  // namespace

Value view(Handle ax) {
  requireAxes(ax, "view");
  return get(ax, "View");
}

void view(Handle ax, const Value& v) {
  requireAxes(ax, "view");
  if (v.isScalar() && v.scalar() == 2) {
    set(ax, "View", Value::row({kDefault2dAzimuth, kDefault2dElevation}));
  } else if (v.isScalar() && v.scalar() == 3) {
    set(ax, "View", Value::row({kDefault3dAzimuth, kDefault3dElevation}));
  } else if (v.isNumeric() && v.numel() == 2) {
    set(ax, "View", v);
  } else {
    throw Error("view: expected 2, 3 or [azimuth elevation], got " + v.describe() + ".",
                ErrorKind::Property);
  }
}

void grid(Handle ax, bool on) {
  requireAxes(ax, "grid");
  const Value v(on ? "on" : "off");
  set(ax, {{"XGrid", v}, {"YGrid", v}, {"ZGrid", v}});
}

// Removes every child of `h` (hidden handles too). "reset" also gives an axes its default
// properties back, except where it stands. Options that are no words (a handle that a caller
// meant as the object to clear, say) ask for nothing more and are passed over.
void clo(Handle h, const std::vector<Value>& options) {
  Object& o = object(h);
  bool reset = false;
  for (const auto& opt : options) {
    if (!opt.isText()) continue;
    if (opt.text() == "reset") reset = true;
    else if (opt.text() != "hidden")
      throw Error("clo: unknown option \"" + opt.text() + "\"; expected \"hidden\" or \"reset\".",
                  ErrorKind::Property);
  }
  // Newest first: each leaves the end of the list (see eraseSilently).
  const std::vector<Handle> children = o.children;
  for (auto c = children.rbegin(); c != children.rend(); ++c)
    if (ishandle(*c)) deleteObject(*c);
  if (!reset || !ishandle(h)) return;
  Object& again = object(h);
  for (std::size_t i = 0; i < again.table->props.size(); ++i) {
    const PropSpec& spec = again.table->props[i];
    if (spec.readOnly || spec.computed) continue;
    if (spec.name == "Position" || spec.name == "OuterPosition" || spec.name == "Units" ||
        spec.name == "Tag" || spec.name == "UserData" || spec.name == "HandleVisibility")
      continue;
    if (!(again.values[i] == spec.initial)) {
      again.values[i] = spec.initial;
      notifyChanged(again, spec.name);
    }
  }
}

}  // namespace kolvar::graphics
