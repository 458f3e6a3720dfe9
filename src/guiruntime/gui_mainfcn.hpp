#pragma once
// gui_mainfcn: the one entry through which a GUI's main function runs. A call that names a
// callback (a text, then a valid handle, with at least four further arguments) is dispatched to
// the handler in gui_State.gui_Callback; any other call creates (or, for a single-instance GUI,
// reuses) the window: it is opened hidden from its layout file, its `handles` record is built
// and stored, property pairs are applied, the opening function runs, the window is shown and the
// output function's outputs are returned.
//
// gui_State is a record with the fields gui_Name (text), gui_Singleton (truth value),
// gui_OpeningFcn and gui_OutputFcn (function references), gui_LayoutFcn and gui_Callback
// (function references or empty). The functions are called through their call-by-name entries,
// so their argument checks apply.
#include <string>

#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::gui {

using graphics::Handle;

// Returns exactly `nargout` outputs (none when 0): the handler's or the output function's.
// A missing gui_State field raises "Could not find field F in the gui_State struct in GUI file N"
// before anything is opened. Errors of the functions called are not caught: a window whose start
// failed keeps its "InGUIInitialization" mark and is replaced by the next start.
runtime::Outputs gui_mainfcn(const Value& state, runtime::Args args, int nargout);
// The call-by-name form: (gui_State, further arguments...).
runtime::Outputs gui_mainfcnBody(const runtime::Args& args, int nargout);

// Open the GUI's window hidden through the session's "openfig": with three inputs declared it is
// asked for ("auto" visibility); an opening function of two inputs is called with the root's
// default figure visibility set to "off" for the length of the call.
Handle local_openfig(const Value& name, const Value& singleton);

// The option pairs that decide whether the window is shown at the end of a start: a name that
// is a prefix of "visible" (or begins with it), any case, with a value of at least two characters
// that begins "off" (hide) or is "on" (show); later pairs override earlier ones. A single
// trailing argument is no pair.
bool makeVisibleFromPairs(const runtime::Args& further);

}  // namespace kolvar::gui
