#pragma once
// The graphics runtime's object model, without Qt. A tree of objects under the root (handle 0):
// figure, axes, uicontrol, uimenu, line, patch, text, light. Each object has a numeric handle,
// a type, a parent, children, named properties (names compared without regard to case) with
// per-type defaults and validation, named application data, and callbacks.
//
// The object tables are the one piece of process-wide mutable state of the program (the
// session below). Everything the program draws and every interaction goes through here; the Qt
// backend mirrors the model into windows and feeds user input back through the event API.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/display_list.hpp"
#include "runtime/progress.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::graphics {

using Handle = double;
inline constexpr Handle kRoot = 0;

struct Property {
  std::string name;
  Value value;
};
using PropertyList = std::vector<Property>;

// ---------------------------------------------------------------------------------------------
// Objects and properties

// Create an object of `type` ("figure", "axes", "uicontrol", "uimenu", "line", "patch", "text",
// "light") under `parent`, then apply `props` in order. Validation failure: an error naming the
// property and the type; nothing is created.
Handle create(std::string_view type, Handle parent, const PropertyList& props = {});

// Convenience creators that follow the runtime's conventions: figure() makes the new figure
// current; axes() makes the new axes current in its figure; line/patch/text/light create in the
// current axes (made if there is none).
Handle figure(const PropertyList& props = {});
Handle axes(Handle figure, const PropertyList& props);  // (no default: axes(h) makes current)
void axes(Handle ax);  // make `ax` the current axes and its figure the current figure
Handle line(const Matrix& x, const Matrix& y, const Matrix& z, const PropertyList& props = {});
Handle patch(const Matrix& x, const Matrix& y, const Matrix& z, const Value& color,
             const PropertyList& props = {});
Handle text(double x, double y, double z, const Value& string, const PropertyList& props = {});
Handle text(double x, double y, const Value& string, const PropertyList& props = {});
Handle light(const PropertyList& props = {});

bool ishandle(Handle h);
bool ishandle(const Value& v);  // every element names a live object; empty is not valid
// Delete `h` and everything below it. Their callbacks never run afterwards.
void deleteObject(Handle h);

Value get(Handle h, std::string_view name);
// One value per handle, as a column cell.
Value get(const std::vector<Handle>& hs, std::string_view name);
// Apply pairs in order; the first failure raises and leaves earlier pairs applied.
void set(Handle h, const PropertyList& pairs);
void set(Handle h, std::string_view name, const Value& value);
void set(const std::vector<Handle>& hs, const PropertyList& pairs);
// A one-name list with one value per handle, matched by position.
void set(const std::vector<Handle>& hs, std::string_view name, const std::vector<Value>& values);

// "Position" of a figure, axes or control in pixels, [left bottom width height]: a figure's from
// the screen's bottom-left corner, an axes' or control's from its figure's. Raises for objects
// without a rectangle (text "Position" is a point in data units).
Matrix pixelPosition(Handle h);

std::string typeOf(Handle h);  // "figure", "axes", ...; raises for an invalid handle
std::optional<Handle> parentOf(Handle h);  // nothing for the root; raises for an invalid handle
std::optional<Handle> ancestor(Handle h, std::string_view type);  // h itself counts
std::vector<Handle> childrenOf(Handle h);  // creation order, all (hidden handles included)

// findobj: `h` and everything below it whose handles are visible, in pre-order (an object before
// its children, children in creation order), that match every name/value pair.
std::vector<Handle> findobj(Handle h, const PropertyList& criteria = {});
// findall: the same, hidden handles included; optionally only objects of one type.
std::vector<Handle> findall(Handle h, std::optional<std::string_view> type = std::nullopt);

// A number that changes whenever `h`, anything below it or anything above it changes in a way
// that shows (made, a property set, deleted; a figure's size places its axes): while it stays
// the same, so does the drawing of `h`.
std::uint64_t drawingRevision(Handle h);
// A number that changes whenever a property of `h` changes value, drawn or not (a control's
// text too): while it stays the same, so do all of `h`'s properties.
std::uint64_t changeCount(Handle h);

// Application data: named values on any object.
Value getappdata(Handle h, std::string_view name);  // empty when absent
void setappdata(Handle h, std::string_view name, const Value& value);
bool isappdata(Handle h, std::string_view name);
void rmappdata(Handle h, std::string_view name);

// Current objects. gcf/gca make a figure/axes when there is none.
Handle gcf();
Handle gca();
std::optional<Handle> currentFigure();  // without creating one
std::optional<Handle> gco();  // the figure's "CurrentObject", or nothing
// The object and figure whose callback runs now, or nothing.
std::optional<Handle> gcbo();
std::optional<Handle> gcbf();

bool ispc();
bool isunix();

// ---------------------------------------------------------------------------------------------
// Callbacks. A callback property holds a callable, a list {callable, extra...}, or a callback
// text. Callables are called with (source, event data, extra...); texts are evaluated with gcbo
// and gcbf naming the source.

// Run a callback property of `h` with the callback stack set. Errors propagate.
void runCallback(Handle h, std::string_view property, const Value& eventData = Value());
// The same, for events: an error ends this callback only and is reported on stderr.
void dispatchCallback(Handle h, std::string_view property, const Value& eventData = Value());
// Run `f` as if it were a callback of `h`: objects whose handles only callbacks see are seen, and
// gcbo and gcbf name `h` and its window. For a program's own actions started from outside the
// window's events (a script, the command line). Errors propagate.
void asCallbackOf(Handle h, const std::function<void()>& f);
// Command evaluation of a callback text (`eval`).
void eval(std::string_view text);

// ---------------------------------------------------------------------------------------------
// Axes operations.

// The view: get returns [azimuth elevation] in degrees; setting it back restores the view.
Value view(Handle ax);
void view(Handle ax, const Value& v);  // [az el], or 2 / 3 for the default 2-D / 3-D view
void grid(Handle ax, bool on);
// Remove the objects drawn into an axes (its children, hidden ones included). The options are
// words ("hidden", "reset"); anything else among them is passed over.
void clo(Handle ax, const std::vector<Value>& options = {});
// Interactive rotation of `ax`: a drag that starts on it changes its view. Puts the mode's own
// button-up callback text into the figure's "WindowButtonUpFcn" at every call.
void rotate3d(Handle ax);
// Whether a rotation drag of the figure is in progress (from a press on the rotated axes until
// the mode's button-up command runs).
bool rotationDragActive(Handle fig);
// Flush pending changes to the screen (no-op without a backend).
void drawnow();

// ---------------------------------------------------------------------------------------------
// Events, in figure pixels measured from the top-left corner of the figure's client area.

enum class MouseButton { Left, Middle, Right };
// The keys held during a mouse event; the figure's "CurrentModifier" names them ({"shift",
// "control", "alt"}, those held) from each event until the next.
struct Modifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;
  bool space = false;  // the space bar held, which turns a drag into a pan where a view offers one
};
// The object a press at (x, y) would reach: the topmost drawn object whose "HitTest" and
// "Visible" are "on", else the axes under the pointer, else the figure.
Handle hitTest(Handle fig, double x, double y);
// Every drawn object under (x, y), topmost first, whatever its "HitTest" (what the pointer is
// over, rather than what a click would reach); the figure's kept list is read, as a press does.
std::vector<Handle> drawnAt(Handle fig, double x, double y);
// The topmost of those for which `wanted` holds (the figure when there is none), and which of
// its faces lies there: a patch of many faces (one per column of its data) tells them apart by
// their column, counted from 0; anything else has face 0. `wanted` is asked once per object,
// before whether the object's drawing covers the point, so that the thousands of faces of a large
// scene that are not wanted cost little.
struct DrawnFace {
  Handle object = 0;
  std::size_t face = 0;
};
DrawnFace faceDrawnAt(Handle fig, double x, double y, const std::function<bool(Handle)>& wanted);
void press(Handle fig, double x, double y, MouseButton button = MouseButton::Left, Modifiers mods = {});
void drag(Handle fig, double x, double y, Modifiers mods = {});
void release(Handle fig, double x, double y, Modifiers mods = {});
// The pointer moved with no button held: runs the figure's "WindowButtonMotionFcn" (a drag runs
// it too).
void motion(Handle fig, double x, double y, Modifiers mods = {});
// The wheel turned by `steps` notches (positive: away from the user... down the page, as a
// scroll) over (x, y): runs "WindowScrollWheelFcn" with a record {VerticalScrollCount: steps}.
void scroll(Handle fig, double x, double y, double steps, Modifiers mods = {});
// Two fingers spread (or pinched) over (x, y), magnifying by `factor` (above 1: closer): runs
// "WindowScrollWheelFcn", as the wheel does, with {VerticalScrollCount: 0, Magnification: factor},
// so that a pinch and the wheel zoom alike.
void pinch(Handle fig, double x, double y, double factor, Modifiers mods = {});
// Files dropped on the window: runs the figure's "FileDropFcn" with a record {Files: {paths}}.
void dropFiles(Handle fig, const std::vector<std::string>& paths);
// One tick of the figure's clock: runs its "TimerFcn". The window ticks every "TimerPeriod"
// seconds while that is above 0; a program without a screen ticks by calling this.
void tick(Handle fig);
// A user action on a control: set "Value" (when given) as the widget did, then run "Callback".
void controlAction(Handle control, const std::optional<Value>& newValue = std::nullopt);
void menuAction(Handle menu);
// The window manager asks to close a figure (runs "CloseRequestFcn", by default deleting it).
void closeRequest(Handle fig);
// The user gave a figure a new size (its "Position" already holds it): runs "ResizeFcn", so that
// what was laid out for the old size can be laid out again.
void resized(Handle fig);

// ---------------------------------------------------------------------------------------------
// Layout files (JSON). Loads the object tree of `path`, applying `overrides` to each top-level
// object, and returns the top-level handles with, for each, the previous values of the
// overridden properties as a record. All or nothing: a bad file creates nothing and raises a
// message naming the file, the JSON path of the fault and what was expected.
// `built`, when given, runs once the whole tree exists, before the objects' "CreateFcn"
// callbacks: a caller that keeps a list of open windows records the new ones there, so that a
// "CreateFcn" asking for the window finds it instead of loading it again. A "CreateFcn" that
// fails ends only itself, unless callbacks were calling themselves without end: then the loaded
// objects are removed again and the error goes on.
struct LoadedLayout {
  std::vector<Handle> handles;
  std::vector<Value> previous;  // one record per handle
};
using LayoutBuilt = std::function<void(const LoadedLayout&)>;
LoadedLayout loadfig(const std::string& path, const PropertyList& overrides = {}, const LayoutBuilt& built = {});
// The same from text already read (`origin` names it in messages).
LoadedLayout loadfigText(const std::string& text, const std::string& origin,
                         const PropertyList& overrides = {}, const LayoutBuilt& built = {});

// ---------------------------------------------------------------------------------------------
// Dialogs, through the backend (answered by script in the headless one).

// The text of the pressed button, or "" when the dialog was dismissed.
std::string questdlg(const std::string& question, const std::string& title,
                     const std::vector<std::string>& buttons, const std::string& defaultButton);
// The chosen file's name (without its folder), or the number 0 when cancelled.
Value uigetfile(const std::string& filter, const std::string& title = "Select a file");
void printdlg(Handle fig);
// Writes the window of `fig`, or one of its axes `what` with its decoration, into `path`; the
// extension says how: .svg (vector, texts as text; works without a screen), .png (at `scale`
// times the screen's pixels) or .pdf. Written whole or not at all.
void exportPicture(Handle fig, Handle what, const std::string& path, double scale = 1);
// A message that something the user asked for failed.
void errordlg(const std::string& message, const std::string& title);

// ---------------------------------------------------------------------------------------------
// The platform behind the model: fonts, dialogs, and the window system. Without a backend the
// session uses a headless one with fixed font metrics and dialogs answered by script.

struct TextSize {
  double width = 0;   // pixels
  double height = 0;  // pixels (line height)
  double ascent = 0;  // pixels above the baseline
};

class FontMetrics {
 public:
  virtual ~FontMetrics() = default;
  virtual TextSize measure(std::string_view text, double fontSizePoints,
                           std::string_view fontName) const = 0;
};

// Dialogs. A file choice is a name and its folder, or nothing when cancelled.
struct FileChoice {
  std::string name;
  std::string folder;
};
// One field of a form: a choice among `choices` when there are any, else a line of text.
struct FormField {
  std::string label;
  std::vector<std::string> choices;
  std::string value;    // the text, or the choice, shown at first
  std::string tooltip;  // what the field means
};
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Returns the text of the pressed button, or "" when dismissed without an answer.
  virtual std::string question(const std::string& question, const std::string& title,
                               const std::vector<std::string>& buttons,
                               const std::string& defaultButton) = 0;
  virtual std::optional<FileChoice> getFile(const std::string& filter, const std::string& title) = 0;
  // A file to write: its full path, or nothing when cancelled (and wherever there is no one to ask).
  virtual std::optional<std::string> saveFile(const std::string& /*title*/, const std::string& /*suggested*/) {
    return std::nullopt;
  }
  // A small form: the values of its fields in their order when confirmed, nothing when cancelled
  // (and wherever there is no one to ask).
  virtual std::optional<std::vector<std::string>> form(const std::string& /*title*/,
                                                       const std::vector<FormField>& /*fields*/) {
    return std::nullopt;
  }
  virtual void print(Handle fig) = 0;
  // Tells the user that something they asked for failed, and waits until they have read it.
  virtual void error(const std::string& message, const std::string& title) = 0;
  // Runs `work` to its end. Where there is a screen, a dialog titled `title` shows how far it has
  // come, with a Cancel button, once it lasts longer than a moment, and the window stays live
  // meanwhile: `work` runs on another thread, so it must not touch graphics objects. Throws what
  // the work threw (runtime::Cancelled when the user cancelled).
  virtual void runWithProgress(const std::string& /*title*/, const std::function<void(runtime::Progress&)>& work) {
    runtime::Progress progress;
    progress.watch(cancelWatch(progress));
    work(progress);
  }
  // Long work to come, one entry each: Cancel is pressed for it once it has come this far (0 to
  // 1; 0: at once, before it reports anything). What a script or a test asks for; none left:
  // the work runs until it ends or the user cancels.
  std::deque<double> cancelAt;

 protected:
  // For the next long work: what watches `progress` and presses Cancel when cancelAt says so
  // (pressed at once for 0).
  std::function<void(double)> cancelWatch(runtime::Progress& progress) {
    if (cancelAt.empty()) return {};
    const double at = cancelAt.front();
    cancelAt.pop_front();
    if (at <= 0) progress.cancel();
    return [&progress, at](double fraction) {
      if (fraction >= at) progress.cancel();
    };
  }
};

// Whether a change of `property` (its canonical name) can change what a figure shows. The
// runtime's bookkeeping ("CurrentPoint", "CurrentObject", ...), tags, application data, callbacks
// and "HitTest" cannot; a backend need not redraw for them.
bool propertyShows(std::string_view property);

class Guidance;  // help pages, a tour's pointer and settings: graphics/guidance.hpp

class Backend {
 public:
  virtual ~Backend() = default;
  virtual void created(Handle) {}
  virtual void changed(Handle, std::string_view /*property, canonical name*/) {}
  virtual void deleting(Handle) {}
  virtual void flush() {}
  // Between two actions of a script, which runs with no event loop: what a window system handles
  // between two user actions (work it queued for later, objects it gave up) is handled now, so
  // that a long script does not pile it up.
  virtual void settle() {}
  virtual const FontMetrics& fontMetrics() const = 0;
  virtual Dialogs& dialogs() = 0;
  virtual Guidance& guidance() = 0;
  // Writes the figure's window (`window`: controls and all) or the part `area` (figure pixels)
  // of its display list as a PNG (`scale` device pixels per pixel) or PDF file, a part on a page
  // of its own size. Without a window system there is nothing to paint them with.
  virtual void exportPicture(Handle fig, const Rect& area, bool window, const std::string& path, double scale);
  virtual double screenWidth() const { return 1920; }
  virtual double screenHeight() const { return 1080; }
};

// ---------------------------------------------------------------------------------------------
// The session: the object tables and what goes with them. One per process; tests start a fresh
// one for every case.
struct SessionOptions {
  std::shared_ptr<runtime::Registry> registry;  // functions that callback texts may call
  std::shared_ptr<Backend> backend;             // null: headless
};
void startSession(SessionOptions options);
void endSession();  // deletes every figure, runs nothing further
runtime::Registry& registry();
Backend& backend();
// A layout compiled into the program, found by `loadfig` under `name` (a file name such as
// "kolvar.fig") when no file of that name exists. Kept across sessions.
void registerEmbeddedLayout(std::string name, std::string text);
// A folder where `loadfig` looks for a layout given by a relative name, after the working folder
// and the program's own folder (an installed program's data folder). Kept across sessions.
void registerLayoutFolder(std::string folder);

}  // namespace kolvar::graphics
