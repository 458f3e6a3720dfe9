#pragma once
// The kolvar program on top of the views and the GUI runtime: the state record with the preset
// scenes, the handlers of the window's controls, the opening and output functions, the main GUI
// function and the tables that make all of it callable by name.
#include <memory>

#include "bsp/bsp.hpp"
#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::app {

using graphics::Handle;

// First-opening initialisation: the state record `handles` (holding at least the control fields)
// with limits, ticks, frame, the three preset scenes, the fresh root of the scene chosen in the
// popup and the scanner at (0, 4, 0). Stores nothing.
Value initialState(Value handles);
// The placeholder root for scene `s` (1-based) of `faces`; an index error outside the scenes.
Value freshRootValue(const Value& faces, double s);

// Handlers. `handles` is the record the caller passed; handlers that change the state fetch it
// from the window themselves and never read the argument.
void select_poly_CreateFcn(Handle hObject);
void select_poly_Callback(Handle hObject);
void reset_Callback(Handle hObject);
void show_option_Callback(Handle hObject);
void axes2_ButtonDownFcn(Handle hObject);
void NodeListItem_ButtonDownFcn(Handle hObject);
void FileMenu_Callback();
void OpenMenuItem_Callback();
void PrintMenuItem_Callback(const Value& handles);
void CloseMenuItem_Callback(const Value& handles);
void kolvar_OpeningFcn(Handle hObject, Value handles);
Value kolvar_OutputFcn(const Value& handles);

// The main GUI function: every start and every callback text of the layout passes through it.
runtime::Outputs kolvar(const runtime::Args& args, int nargout);

// Register every module of the program (kolvar and its 28 local functions, the tree-diagram
// functions, and the GUI runtime) into `registry`.
void registerProgram(runtime::Registry& registry);

}  // namespace kolvar::app
