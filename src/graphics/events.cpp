// User input entering the model: mouse presses, drags and releases in figure pixels, control and
// menu actions, and close requests. The Qt backend and the tests use the same entry points.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <unordered_set>

#include "graphics/display_list.hpp"
#include "graphics/geometry.hpp"
#include "graphics/hit_grid.hpp"
#include "graphics/model.hpp"
#include "graphics/render.hpp"

namespace kolvar::graphics {

using namespace detail;

namespace {

// How far from a thin line or a point a press still counts as on it, in pixels.
constexpr double kPickTolerance = 3;

double distanceToSegment(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::fmax(0.0, std::fmin(1.0, t));
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool insidePolygon(Point p, const std::vector<Point>& poly) {
  bool inside = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point a = poly[i], b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

bool nearPolyline(Point p, const std::vector<Point>& pts, double tolerance) {
  if (pts.size() == 1) return std::hypot(p.x - pts[0].x, p.y - pts[0].y) <= tolerance;
  for (std::size_t i = 1; i < pts.size(); ++i)
    if (distanceToSegment(p, pts[i - 1], pts[i]) <= tolerance) return true;
  return false;
}

// Whether a face is less than a pixel wide on screen on average: a wall seen edge-on.
bool thinOnScreen(const std::vector<Point>& pts) {
  const Rect box = boundsOf(pts);
  return std::fabs(twiceArea(pts)) / 2 < std::fmax(box.width, box.height);
}

// Whether `p` lies within `margin` of the box around `pts`: most items of a large scene are
// turned away by this alone, before the distances to their edges are measured.
bool nearBoxOf(Point p, const std::vector<Point>& pts, double margin) {
  if (pts.empty()) return false;
  const Rect r = boundsOf(pts);
  return p.x >= r.x - margin && p.x <= r.x + r.width + margin && p.y >= r.y - margin && p.y <= r.y + r.height + margin;
}

bool covers(const Primitive& item, Point p) {
  if (item.clipped && !item.clip.contains(p)) return false;
  switch (item.kind) {
    case Primitive::Kind::Face: {
      if (item.points.size() < 3 || !nearBoxOf(p, item.points, kPickTolerance)) return false;
      if (insidePolygon(p, item.points)) return true;
      // Near its outline counts, within half the tolerance of a line so as not to take presses
      // meant for the lines beside it; a face seen edge-on is a line on screen and is picked as one.
      const double tolerance = thinOnScreen(item.points) ? kPickTolerance : kPickTolerance / 2;
      return nearPolyline(p, item.points, tolerance) ||
             distanceToSegment(p, item.points.back(), item.points.front()) <= tolerance;
    }
    case Primitive::Kind::Line: {
      const double tol = std::fmax(kPickTolerance, item.lineWidth * 96.0 / 72.0 / 2 + 2);
      return nearBoxOf(p, item.points, tol) && nearPolyline(p, item.points, tol);
    }
    case Primitive::Kind::Marker: {
      const double r = item.annotation().markerSize * 96.0 / 72.0 / 2 + 2;
      for (const Point& q : item.points)
        if (std::hypot(p.x - q.x, p.y - q.y) <= r) return true;
      return false;
    }
    case Primitive::Kind::Text:
    case Primitive::Kind::Rect: return item.box.contains(p);
  }
  return false;
}

bool takesClicks(const Object& o) {
  return o.value("HitTest").text() == "on" && o.value("Visible").text() == "on";
}

// What a hit test forgives beyond where an item reaches, in pixels.
constexpr double kSlack = 2 * kPickTolerance;

// The items of one axes that may cover a point, topmost first: all of them, or of a large one
// only those its grid finds near the point.
class ItemsNear {
 public:
  ItemsNear(std::span<const Primitive> items, HitGrid* grid, Point p) : items_(items) {
    if (grid && items.size() >= HitGrid::kFewest) {
      near_ = grid->near(items, p, kSlack);
      gridded_ = true;
    }
  }
  std::size_t size() const { return gridded_ ? near_.size() : items_.size(); }
  bool gridded() const { return gridded_; }
  // The k-th from the top.
  const Primitive& fromTop(std::size_t k) const {
    const std::size_t i = size() - 1 - k;
    return items_[gridded_ ? near_[i] : i];
  }

 private:
  std::span<const Primitive> items_;
  std::span<const std::uint32_t> near_;
  bool gridded_ = false;
};

// Calls `visit(items, axes)` with the items of `list` that may cover `p`, axes by axes, topmost
// first, until it returns true: those of each axes whose reach (widened by what a hit test
// forgives) holds the point. A list without spans gives its runs, of no axes (0).
template <class Visit>
void rangesNear(const DisplayList& list, Point p, Visit visit) {
  if (!spansCoverItems(list)) {  // a list without spans (or an odd one): every item
    for (std::size_t k = list.items.runCount(); k > 0; --k)
      if (visit(ItemsNear(list.items.run(k - 1), nullptr, p), Handle{0})) return;
    return;
  }
  for (auto s = list.spans.rbegin(); s != list.spans.rend(); ++s) {
    const Rect near{s->reach.x - kSlack, s->reach.y - kSlack, s->reach.width + 2 * kSlack, s->reach.height + 2 * kSlack};
    if (near.contains(p) && visit(ItemsNear(list.items.slice(s->first, s->count), s->hits.get(), p), s->axes)) return;
  }
}

// A set of objects, asked about every item of a large list: most such sets hold a handful (the
// axes, a few items that take clicks), which a look along them answers fastest.
class HandleSet {
 public:
  void insert(Handle h) {
    if (few_.size() < kFew) {
      few_.push_back(h);
    } else {
      if (many_.empty()) many_.insert(few_.begin(), few_.end());
      many_.insert(h);
    }
  }
  bool empty() const { return few_.empty(); }
  bool contains(Handle h) const {
    if (!many_.empty()) return many_.count(h) > 0;
    return std::find(few_.begin(), few_.end(), h) != few_.end();
  }

 private:
  static constexpr std::size_t kFew = 16;
  std::vector<Handle> few_;
  std::unordered_set<Handle> many_;  // all of them, once there are more than kFew
};

// The objects `wanted` among an axes and everything under it.
template <class Wanted>
HandleSet wantedUnder(Handle axes, Wanted& wanted) {
  HandleSet out;
  std::vector<Handle> todo{axes};
  while (!todo.empty()) {
    const Object* o = findObject(todo.back());
    todo.pop_back();
    if (!o) continue;
    if (wanted(*o)) out.insert(o->handle);
    todo.insert(todo.end(), o->children.begin(), o->children.end());
  }
  return out;
}

// The topmost object drawn at `p` in `list` for which `wanted` holds, or none. Which objects of
// an axes are wanted is asked first, once each: a large scene's thousands of faces are seldom
// wanted (they take no clicks), and then its axes' items need not be looked at one by one. Of an
// axes whose grid finds the few items near the point, those few are asked.
template <class Wanted>
const Primitive* topmostWanted(const DisplayList& list, Point p, Wanted wanted) {
  const Primitive* hit = nullptr;
  rangesNear(list, p, [&](const ItemsNear& items, Handle axes) {
    if (axes == 0 || items.gridded()) {  // objects of no known axes, or a few near the point: each asked
      for (std::size_t k = 0; k < items.size() && !hit; ++k) {
        const Primitive& item = items.fromTop(k);
        const Object* o = findObject(item.source);
        if (o && wanted(*o) && covers(item, p)) hit = &item;
      }
      return hit != nullptr;
    }
    const HandleSet candidates = wantedUnder(axes, wanted);
    for (std::size_t k = 0; k < items.size() && !candidates.empty(); ++k) {
      const Primitive& item = items.fromTop(k);
      if (candidates.contains(item.source) && covers(item, p)) {
        hit = &item;
        return true;
      }
    }
    return false;
  });
  return hit;
}

// The object under figure pixel (x, y) of `list`: the topmost drawn object that takes clicks,
// else the axes under the pointer, else the figure itself.
Handle hitObject(Handle fig, const DisplayList& list, double x, double y) {
  const Point p{x, y};
  if (const Primitive* hit = topmostWanted(list, p, [](const Object& o) { return o.type() != "figure" && takesClicks(o); }))
    return hit->source;
  const Object& f = object(fig);
  for (auto it = f.children.rbegin(); it != f.children.rend(); ++it) {
    const Object* o = findObject(*it);
    if (o && o->type() == "axes" && takesClicks(*o) && objectPixelRect(o->handle).contains(p))
      return o->handle;
  }
  return fig;
}

// Events may reach an object that an earlier event of the same turn deleted: such an event is
// dropped. A live object of the wrong type is a caller's mistake.
bool live(Handle h) { return ishandle(h); }

void requireType(Handle h, const char* type, const char* operation) {
  if (typeOf(h) != type)
    throw Error(std::string(operation) + ": the handle does not name a " + type + ".", ErrorKind::Property);
}

// The figure's "CurrentPoint" is in pixels from its bottom-left corner.
void setFigurePoint(Handle fig, double x, double y) {
  const double height = pixelPosition(fig)[3];
  setInternal(fig, "CurrentPoint", Value::row({x, height - y}));
}

void setModifiers(Handle fig, Modifiers mods) {
  std::vector<Value> held;
  if (mods.shift) held.emplace_back("shift");
  if (mods.control) held.emplace_back("control");
  if (mods.alt) held.emplace_back("alt");
  if (mods.space) held.emplace_back("space");
  setInternal(fig, "CurrentModifier", Value::cellRow(std::move(held)));
}

const char* selectionType(MouseButton b) {
  switch (b) {
    case MouseButton::Left: return "normal";
    case MouseButton::Middle: return "extend";
    case MouseButton::Right: return "alt";
  }
  return "normal";
}

}  // namespace

Handle hitTest(Handle fig, double x, double y) {
  object(fig);
  requireType(fig, "figure", "hitTest");
  return hitObject(fig, figureDisplayList(fig), x, y);
}

std::vector<Handle> drawnAt(Handle fig, double x, double y) {
  object(fig);
  requireType(fig, "figure", "drawnAt");
  const DisplayList& list = figureDisplayList(fig);
  const Point p{x, y};
  std::vector<Handle> found;
  rangesNear(list, p, [&](const ItemsNear& items, Handle) {
    for (std::size_t k = 0; k < items.size(); ++k) {
      const Primitive& item = items.fromTop(k);
      if (!covers(item, p)) continue;
      const Object* o = findObject(item.source);
      if (!o || o->type() == "figure" || o->type() == "axes" || o->value("Visible").text() != "on") continue;
      if (std::find(found.begin(), found.end(), o->handle) == found.end()) found.push_back(o->handle);
    }
    return false;
  });
  return found;
}

DrawnFace faceDrawnAt(Handle fig, double x, double y, const std::function<bool(Handle)>& wanted) {
  object(fig);
  requireType(fig, "figure", "drawnAt");
  const Primitive* hit = topmostWanted(figureDisplayList(fig), {x, y}, [&](const Object& o) {
    return o.type() != "figure" && o.type() != "axes" && o.value("Visible").text() == "on" && wanted(o.handle);
  });
  if (!hit) return {fig, 0};
  return {hit->source, hit->kind == Primitive::Kind::Face ? hit->part : 0};
}

void press(Handle fig, double x, double y, MouseButton button, Modifiers mods) {
  if (!live(fig)) return;
  requireType(fig, "figure", "press");
  setFigurePoint(fig, x, y);
  setModifiers(fig, mods);
  setInternal(fig, "SelectionType", Value(selectionType(button)));
  session().buttonDown[fig] = true;
  endRotationDrag(fig);  // a drag whose button-up command never ran ends with the next press
  if (startRotationDrag(fig, x, y)) return;  // the rotation mode owns this press

  // The list the window shows: made again only if the figure changed since it was made.
  const Handle hit = hitObject(fig, figureDisplayList(fig), x, y);
  if (auto ax = ancestor(hit, "axes")) {
    setInternal(*ax, "CurrentPoint", Value(currentPointAt(*ax, x, y)));
    setInternal(fig, "CurrentAxes", Value(*ax));
  }
  setInternal(fig, "CurrentObject", Value(hit));
  dispatchCallback(fig, "WindowButtonDownFcn");
  // The window's handler may have deleted the object; then its handler does not run.
  dispatchCallback(hit, "ButtonDownFcn");
}

void drag(Handle fig, double x, double y, Modifiers mods) {
  if (!live(fig)) return;
  requireType(fig, "figure", "drag");
  setFigurePoint(fig, x, y);
  setModifiers(fig, mods);
  Session& s = session();
  if (s.buttonDown[fig]) continueRotationDrag(fig, x, y);
  dispatchCallback(fig, "WindowButtonMotionFcn");
}

void motion(Handle fig, double x, double y, Modifiers mods) {
  if (!live(fig)) return;
  requireType(fig, "figure", "motion");
  setFigurePoint(fig, x, y);
  setModifiers(fig, mods);
  dispatchCallback(fig, "WindowButtonMotionFcn");
}

void scroll(Handle fig, double x, double y, double steps, Modifiers mods) {
  if (!live(fig)) return;
  requireType(fig, "figure", "scroll");
  setFigurePoint(fig, x, y);
  setModifiers(fig, mods);
  Record event;
  event.set("VerticalScrollCount", Value(steps));
  dispatchCallback(fig, "WindowScrollWheelFcn", Value(std::move(event)));
}

void pinch(Handle fig, double x, double y, double factor, Modifiers mods) {
  if (!live(fig)) return;
  requireType(fig, "figure", "pinch");
  if (!(factor > 0) || !std::isfinite(factor)) return;  // no magnification a view could take
  setFigurePoint(fig, x, y);
  setModifiers(fig, mods);
  Record event;
  event.set("VerticalScrollCount", Value(0.0));
  event.set("Magnification", Value(factor));
  dispatchCallback(fig, "WindowScrollWheelFcn", Value(std::move(event)));
}

void dropFiles(Handle fig, const std::vector<std::string>& paths) {
  if (!live(fig)) return;
  requireType(fig, "figure", "dropFiles");
  std::vector<Value> files;
  for (const std::string& p : paths) files.emplace_back(p);
  Record event;
  event.set("Files", Value::cellRow(std::move(files)));
  dispatchCallback(fig, "FileDropFcn", Value(std::move(event)));
}

void tick(Handle fig) {
  if (!live(fig)) return;
  requireType(fig, "figure", "tick");
  dispatchCallback(fig, "TimerFcn", Value());
}

void release(Handle fig, double x, double y, Modifiers mods) {
  if (!live(fig)) return;
  requireType(fig, "figure", "release");
  setFigurePoint(fig, x, y);
  setModifiers(fig, mods);
  session().buttonDown[fig] = false;
  dispatchCallback(fig, "WindowButtonUpFcn");
}

void controlAction(Handle control, const std::optional<Value>& newValue) {
  if (!live(control)) return;
  requireType(control, "uicontrol", "controlAction");
  if (get(control, "Enable").text() != "on") return;
  if (newValue) set(control, "Value", *newValue);
  dispatchCallback(control, "Callback");
}

void menuAction(Handle menu) {
  if (!live(menu)) return;
  requireType(menu, "uimenu", "menuAction");
  if (get(menu, "Enable").text() != "on") return;
  dispatchCallback(menu, "Callback");
}

void closeRequest(Handle fig) {
  if (!live(fig)) return;
  requireType(fig, "figure", "closeRequest");
  dispatchCallback(fig, "CloseRequestFcn");
}

void resized(Handle fig) {
  if (!live(fig)) return;
  requireType(fig, "figure", "resized");
  dispatchCallback(fig, "ResizeFcn");
}

}  // namespace kolvar::graphics
