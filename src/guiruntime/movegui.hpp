#pragma once
// movegui: move a window to a named place on the screen, to given pixel coordinates, or (the
// default, "onscreen") just far enough to lie wholly on the screen. A window larger than the
// screen is cut to the screen's size. The figure's "Units" and "ActivePositionProperty" are the
// same afterwards as before.
#include <array>
#include <string_view>

#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::gui {

using graphics::Handle;

// The position words, compared exactly.
inline constexpr std::array<std::string_view, 10> POSITIONS = {
    "north",     "south",     "east",      "west",   "northeast",
    "southeast", "northwest", "southwest", "center", "onscreen"};

// Up to three arguments in any order: a single valid handle (its figure is moved), a position
// word, or a numeric [x y] in pixels (a negative coordinate counts from the right or top edge).
// While a callback runs, a second argument of any other kind (the event data) is ignored. No
// handle: the figure whose callback runs, else the current figure. No position: "onscreen".
// Raises "handle of figure or descendant required", "unrecognized position" or "unrecognized
// input argument" before anything changes; more than three arguments: the runtime's
// too-many-inputs error.
void movegui(const runtime::Args& args);
void movegui(Handle h, std::string_view position = "onscreen");
void movegui(Handle h, double x, double y);
runtime::Outputs moveguiBody(const runtime::Args& args, int nargout);

// The figure at or above `h`, or the empty value (the walk of "Parent" ends at the root).
Value get_parent_fig(const Value& h);

// Frame allowances added to a figure's inner size on Unix, where the window's outer size is
// estimated rather than read: the width allowance and the height allowance (base, a menu bar,
// 24 per tool bar).
struct FrameAllowance {
  double width = 0;
  double height = 0;
};
FrameAllowance unixFrameAllowance(Handle fig);

}  // namespace kolvar::gui
