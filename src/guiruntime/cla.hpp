#pragma once
// cla: clear an axes, so that a view can be drawn afresh. It only decides which axes; the
// graphics runtime's clo does the clearing.
#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::gui {

using graphics::Handle;

// Clear the axes named by a first argument that is a single valid handle of type "axes", passing
// the other arguments to clo as options; otherwise clear the current axes and pass every argument
// on, the first included (so that clo decides what a figure handle or a word means). Returns the
// axes cleared. Errors of clo reach the caller unchanged.
Handle cla(const runtime::Args& args = {});
Handle cla(Handle ax);
// The call-by-name form: the axes is returned only when a result is asked for.
runtime::Outputs claBody(const runtime::Args& args, int nargout);

}  // namespace kolvar::gui
