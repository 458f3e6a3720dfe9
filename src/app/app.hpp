#pragma once
// The kolvar program on top of the views and the GUI runtime: the handlers of the window's
// controls, the opening and output functions, the redraw, the main GUI function and the table
// that makes all of it callable by name. What the program remembers is in app/state.hpp.
#include <functional>
#include <optional>
#include <string>

#include "app/state.hpp"
#include "graphics/geometry.hpp"
#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::app {

// Handlers. Those that change the state fetch it from the window themselves.
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
// `handles` is the record as the GUI runtime fetched it.
void kolvar_OpeningFcn(Handle hObject, Value handles);
Value kolvar_OutputFcn(const Value& handles);

// The redraw of the window that `hObject` lies in, from its stored state.
void drawFigure(Handle hObject);
// The same from a state in hand (just stored by the caller); stores what the redraw changes.
void redraw(ProgramState state);
// Says `text` in the status line of the window of `h` until the next redraw: why an action did
// nothing, or that it was cancelled.
void tellStatus(Handle h, const std::string& text);
// Only the tree view, from a state in hand: what panning, zooming and folding change.
// `layout`, when given, is the tree of `state` laid out with its folds.
void redrawTreeView(const ProgramState& state, const diagram::TreeLayout* layout = nullptr);
// The same into `axes`, another than the window's tree view (a picture's page).
void drawTreeViewInto(const ProgramState& state, Handle axes);
// The window's button-release handler: the rotation mode finishes its drag, then the partition
// view takes the scene view's view.
void wrapWindowButtonUpFcn(Handle hObject);

// The function references a redraw installs: the handlers of the table for what the layout and
// the diagram offer, and the program's own callbacks for what only the window does (the pointer,
// the wheel, a new size, a node's caption).
views::Callbacks programCallbacks();
// Installs the program's own callbacks on the layout's controls that have no callback text (the
// scan list, the view buttons, the scanner's entries). A layout without them lacks those actions.
void installProgramCallbacks(const ProgramState& state);
// A press in the partition view at `currentPoint` (its line of sight): the scanner jumps to the
// far point, kept inside the scene, unless the press was on its marker; then it follows the
// pointer until the release.
void startSteering(ProgramState& state, const Matrix& currentPoint, bool nearMarker);
bool nearScannerMarker(const ProgramState& state, Handle partitionAxes);
// Turns both 3-D views of the window of `h` to a named view: "top", "front", "side", "default",
// or "reset" (the default, and no zoom). False for any other name.
bool showNamedView(Handle h, std::string_view name);
// Writes the window or one of its views ("window", "tree", "scene", "partition") into `path`,
// a PNG (at `scale`), SVG or PDF file by its extension. The tree view exports whole, on a page
// large enough for every caption.
void exportView(Handle fig, std::string_view what, const std::string& path, double scale);

// A callback of the program's own, named `name` in messages: `f(hObject)`, or `f(hObject,
// eventData)`. Unlike a function reference it goes through no table: no layout can name it.
Value privateCallback(const char* name, void (*f)(Handle));
Value privateCallback(const char* name, void (*f)(Handle, const Value&));
// The tree view's own actions on the window of `h`, as the wheel, a middle-button or Space drag,
// the Fit button and the fold markers do them. Each stores the view and draws the tree view anew.
void fitTreeView(Handle h);
// Zoom by `factor` (above 1: closer) about the figure pixel `at`, by default the view's centre.
void zoomTreeView(Handle h, double factor, std::optional<graphics::Point> at = std::nullopt);
// Move the tree by (dx, dy) pixels, y downwards, as a drag does.
void panTreeView(Handle h, double dx, double dy);
// Fold (or unfold) what `label` names: the subtree of the placed node labelled so, or the long
// waiting list that holds the polygon labelled so. An Input error says why nothing could fold.
void foldTreeView(Handle h, const std::string& label, bool fold);
// The tree view's state as the "treeview" field of the state line.
std::string treeViewJson(const ProgramState& state);

// The main GUI function: every start and every callback text of the layout passes through it.
runtime::Outputs kolvar(const runtime::Args& args, int nargout);

// Register every module of the program (kolvar and its local functions, the tree-diagram
// functions, and the GUI runtime) into `registry`, in the order of the program's table.
void registerProgram(runtime::Registry& registry);

// A function reference to one of the main GUI function's local functions, named by the C++
// function behind it (`functionRef(&NodeListItem_ButtonDownFcn)`), as a callback property holds
// it: calling the reference goes through the function's entry in the table, so its argument
// checks apply. An error names a function that is not in the table.
using AnyFunction = void (*)();
Value functionRefTo(AnyFunction symbol);
template <class F>
Value functionRef(F* symbol) {
  return functionRefTo(reinterpret_cast<AnyFunction>(symbol));
}

}  // namespace kolvar::app
