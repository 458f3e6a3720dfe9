#include "guiruntime/movegui.hpp"

#include "guiruntime/guidata.hpp"

#include <algorithm>
#include <optional>
#include <string>

namespace kolvar::gui {

namespace {

bool isPositionWord(std::string_view s) {
  return std::find(POSITIONS.begin(), POSITIONS.end(), s) != POSITIONS.end();
}

// Puts the figure's "Units" and "ActivePositionProperty" back however the move ends, so that a
// failure half-way never leaves the window in pixel units.
class FigureSettingsGuard {
 public:
  explicit FigureSettingsGuard(Handle fig)
      : fig_(fig),
        posMode_(graphics::get(fig, "ActivePositionProperty")),
        units_(graphics::get(fig, "Units")) {}
  FigureSettingsGuard(const FigureSettingsGuard&) = delete;
  FigureSettingsGuard& operator=(const FigureSettingsGuard&) = delete;
  ~FigureSettingsGuard() {
    if (done_) return;
    try {
      restore();
    } catch (...) {  // already unwinding from another error; that one is the one to report
    }
  }
  void restore() {
    done_ = true;
    if (!graphics::ishandle(fig_)) return;
    graphics::set(fig_, "Units", units_);
    graphics::set(fig_, "ActivePositionProperty", posMode_);
  }

 private:
  Handle fig_;
  Value posMode_;
  Value units_;
  bool done_ = false;
};

// The screen's [left bottom width height] in pixels; the root's units are changed only for the
// length of the read.
Matrix screenSizeInPixels() {
  const Value old0units = graphics::get(graphics::kRoot, "Units");
  graphics::set(graphics::kRoot, "Units", Value("pixels"));
  Value screensize;
  try {
    screensize = graphics::get(graphics::kRoot, "ScreenSize");
  } catch (...) {
    graphics::set(graphics::kRoot, "Units", old0units);
    throw;
  }
  graphics::set(graphics::kRoot, "Units", old0units);
  return screensize.matrix();
}

// Left and bottom for a position, given the free room and the window's own left and bottom.
std::pair<double, double> placement(const Value& position, double rwidth, double rheight,
                                    double fleft, double fbottom) {
  if (position.isNumeric()) {
    const double x = position.matrix()[0], y = position.matrix()[1];
    return {x < 0 ? rwidth + x : x, y < 0 ? rheight + y : y};
  }
  const std::string& p = position.text();
  if (p == "north") return {rwidth / 2, rheight};
  if (p == "south") return {rwidth / 2, 0};
  if (p == "east") return {rwidth, rheight / 2};
  if (p == "west") return {0, rheight / 2};
  if (p == "northeast") return {rwidth, rheight};
  if (p == "southeast") return {rwidth, 0};
  if (p == "northwest") return {0, rheight};
  if (p == "southwest") return {0, 0};
  if (p == "center") return {rwidth / 2, rheight / 2};
  // "onscreen": the left and bottom edges first, then the right and top ones, so that a window
  // that does not fit is pinned to the right or top edge.
  if (fleft < 0) fleft = 0;
  if (fbottom < 0) fbottom = 0;
  if (fleft > rwidth) fleft = rwidth;
  if (fbottom > rheight) fbottom = rheight;
  return {fleft, fbottom};
}

}  // namespace

// The same walk up "parent" as guidata's.
Value get_parent_fig(const Value& h) { return getParentFigure(h); }

FrameAllowance unixFrameAllowance(Handle fig) {
  FrameAllowance a{6, 24};
  if (!graphics::findall(fig, "uimenu").empty()) a.height += 32;
  // This runtime has no tool bars, so the count is 0 here; it is kept so that the estimate
  // stays right for a runtime that has them.
  a.height += 24.0 * static_cast<double>(graphics::findall(fig, "uitoolbar").size());
  return a;
}

void movegui(const runtime::Args& args) {
  if (args.size() > 3) throw errors::tooManyInputs();

  // Every argument is read and checked before anything changes.
  Value position;
  std::optional<Handle> fig;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Value& a = args[i];
    if (a.isNumeric() && a.numel() == 1 && graphics::ishandle(a)) {
      const Value f = get_parent_fig(a);
      if (f.isEmpty()) throw Error("handle of figure or descendant required");
      fig = f.scalar();
    } else if (a.isText()) {
      if (!isPositionWord(a.text())) throw Error("unrecognized position");
      position = a;
    } else if (a.isNumeric() && a.numel() == 2) {
      position = a;
    } else if (i == 1 && graphics::gcbo()) {
      // The event data of a callback that names movegui directly.
    } else {
      throw Error("unrecognized input argument");
    }
  }
  if (!fig) fig = graphics::gcbf() ? *graphics::gcbf() : graphics::gcf();
  if (position.isEmpty()) position = Value("onscreen");

  // The window's size and place must be up to date before they are read.
  graphics::drawnow();

  FigureSettingsGuard guard(*fig);
  graphics::set(*fig, "Units", Value("pixels"));

  const bool onUnix = graphics::isunix();
  FrameAllowance fudge;
  Matrix oldpos;
  if (onUnix) {
    oldpos = graphics::get(*fig, "Position").matrix();
    fudge = unixFrameAllowance(*fig);
    oldpos[2] += fudge.width;
    oldpos[3] += fudge.height;
  } else {
    oldpos = graphics::get(*fig, "OuterPosition").matrix();
  }
  const double fleft = oldpos[0], fbottom = oldpos[1];
  double fwidth = oldpos[2], fheight = oldpos[3];

  const Matrix screensize = screenSizeInPixels();
  const double swidth = screensize[2], sheight = screensize[3];

  fwidth = std::min(fwidth, swidth);
  fheight = std::min(fheight, sheight);
  const double rwidth = swidth - fwidth, rheight = sheight - fheight;

  const auto [left, bottom] = placement(position, rwidth, rheight, fleft, fbottom);
  Matrix newpos = Matrix::row({left, bottom, fwidth, fheight});
  if (onUnix) {
    newpos[2] -= fudge.width;
    newpos[3] -= fudge.height;
    graphics::set(*fig, "Position", Value(newpos));
  } else {
    graphics::set(*fig, "OuterPosition", Value(newpos));
  }
  guard.restore();
}

void movegui(Handle h, std::string_view position) {
  movegui(runtime::Args{Value(h), Value(position)});
}

void movegui(Handle h, double x, double y) {
  movegui(runtime::Args{Value(h), Value::row({x, y})});
}

runtime::Outputs moveguiBody(const runtime::Args& args, int) {
  movegui(args);
  return {};
}

}  // namespace kolvar::gui
