#pragma once
// guidata: one value kept with a window, stored and fetched through the window itself or any
// object inside it. The value lives in the figure's application data under "UsedByGUIData" and
// nowhere else, so it dies with the figure; values are copies both ways.
#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::gui {

using graphics::Handle;

// Fetch the value stored with the figure that owns `h` (the figure itself or any descendant).
// A figure on which nothing was stored yields the empty value. Raises "H must be the handle to a
// figure or figure descendent." for an invalid handle, the root, or an object with no figure above.
Value guidata(Handle h);
// Store `data` (any value, the empty one included) with the figure that owns `h`, replacing what
// was there. Same error as the fetch; nothing is stored then.
void guidata(Handle h, const Value& data);

// The call-by-name form: (h) fetches, (h, data) stores. `h` may be any value: only a single valid
// handle counts. Wrong input counts and an output asked of a store raise the runtime's standard
// errors before anything is read or stored.
runtime::Outputs guidataBody(const runtime::Args& args, int nargout);

// The figure that owns `h`: walk "Parent" until "Type" is exactly "figure". The empty value when
// `h` is empty or the chain ends without a figure (the root's parent is empty). An invalid
// handle raises the graphics runtime's error.
Value getParentFigure(const Value& h);

}  // namespace kolvar::gui
