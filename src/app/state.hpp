#pragma once
// Everything kolvar remembers, in one place.
//
// The window keeps the program's state as its GUI data: the record `handles` that guidata fetches
// and stores, holding the handles of the window's tagged objects and the program's own fields.
// That record, with its text keys, is what callers of guidata and of the program's functions by
// name see, field for field, in the order they always saw. Inside the program it is read once
// into a ProgramState and written back from one, so every field has a type and a misspelt one
// does not compile.
//
// A ProgramState is a value: copying it costs O(1) (scenes, trees and the fixed set-up are shared
// and never change), and a change counts only when it is stored with storeState.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/history.hpp"
#include "bsp/bsp.hpp"
#include "graphics/graphics.hpp"
#include "runtime/value.hpp"
#include "views/tree_view.hpp"
#include "views/views.hpp"

namespace kolvar::app {

using graphics::Handle;

// The window's tagged objects that the program reads, as guihandles collected them. The record
// may hold further tags (menus, buttons, captions); the program does not read them.
struct Controls {
  Handle figure1 = 0;      // the window
  Handle axes1 = 0;        // the scene view
  Handle axes2 = 0;        // the partition view: a click there places the scanner
  Handle axes3 = 0;        // the tree view
  Handle select_poly = 0;  // the scene popup: its "Value" is the number of the scene shown
  Handle show_labels = 0;  // the display options: check boxes, read at every redraw
  Handle show_normals = 0;
  Handle show_scanner = 0;
  Handle show_coordinate_frame = 0;
  Handle scanX = 0;  // the scanner's read-outs
  Handle scanY = 0;
  Handle scanZ = 0;
  Handle scan_list = 0;  // the far-to-near list
  // Controls a layout may leave out (0 then): the planes check box and the status line.
  Handle show_planes = 0;
  Handle status_line = 0;
};

// Where a scene of the popup came from. The presets share the window's limits and ticks; a scene
// the student opened or generated brings its own, made from its bounding box.
struct SceneInfo {
  std::string name;    // the scene's own name (a file's, or the generator's words)
  std::string source;  // "preset", the path of the file it was read from, or "generated"
  std::optional<views::AxesSetup> setup;
};

// What the first opening sets up, and the scenes of the popup, which only ever grow: a scene
// opened from a file joins them after the presets. A change makes a new Fixed; states that hold
// the old one keep it.
struct Fixed {
  std::array<Handle, 3> axes{};             // scene, partition and tree view ("hAxes")
  views::AxesSetup setup;                   // limits, ticks, coordinate frame
  std::vector<bsp::PolygonList> scenes;     // the scenes of the popup, in its order ("faces")
  std::vector<SceneInfo> info;              // one per scene ("scene_info")
};

// A waiting polygon: its list as the tree holds it, and its position there (0-based).
struct WaitingItem {
  bsp::PolygonList list;
  std::size_t index = 0;
  const bsp::Polygon& polygon() const { return *list[index]; }
};

struct Interaction {
  std::optional<WaitingItem> hover;    // the waiting polygon under the pointer: its preview shows
  bsp::PolygonRef pointed;             // a placed polygon under the pointer (caption, face, scan row)
  bsp::PolygonRef selected;            // the placed node the student selected: its cell shows
  std::array<double, 2> zoom{1, 1};    // of the scene and the partition view
  bool steering = false;               // the scanner follows the pointer (a press in the partition
                                       // view until its release)
  bool steeringStepped = false;        // the press that started it moved the scanner, as a step of
                                       // the history that the release then amends
  views::TreeView tree;                // where the tree view looks and what it folds
  std::optional<graphics::Point> panning;  // the pointer at the last step of a drag that pans the
                                           // tree view (a middle-button or Space drag), if one runs
  // The tree view's layout of `root` with the folds `collapsed`, kept for the pans and zooms that
  // follow, which move the view and not the tree: laid out again only when the tree, its folds
  // or the frame change.
  struct LaidOut {
    bsp::NodeRef root;  // keeps alive the nodes the layout points into
    std::vector<bsp::PolygonRef> collapsed;
    diagram::Frame frame;
    diagram::TreeLayout layout;
  };
  std::shared_ptr<const LaidOut> laidOut;
};

struct ProgramState {
  // The record as fetched: the tags, and any field a caller added by name, in their order.
  // Storing writes the fields below into it and keeps everything else.
  Value record;
  Controls controls;
  Handle output = 0;  // the window, the start's output

  std::shared_ptr<const Fixed> fixed;

  bsp::NodeRef root;          // the tree built so far for the scene shown
  bsp::Vec3 scanner{0, 4, 0};  // the viewer whose far-to-near order the scan list shows
  bool firstLook = true;      // until the first redraw: the 3-D views get their default view
  Value windowButtonUpFcn;    // the rotation mode's button-up command, which the window's own
                              // button-up handler runs first; empty until the first redraw
  Learning learning;          // the undo history, the step log and the painter's step

  // What the student points at and has chosen. Kept beside the record (as application data of
  // the window), since no caller by name ever saw it; fetched and stored with the rest.
  Interaction interaction;
};

// The state of the window that `h` lies in (any object of it). Raises the runtime's missing-field
// error naming the first field the record lacks, and a type error for a field of the wrong kind.
ProgramState fetchState(Handle h);
// The same for a record in hand.
ProgramState stateOf(const Value& record);
// Store `state` as the GUI data of the window that `h` lies in.
void storeState(Handle h, const ProgramState& state);
// The record that stands for `state` at the call-by-name boundary.
Value recordOf(const ProgramState& state);
// Whether `record` holds the program's own fields, that is, the first opening has run.
bool holdsProgramState(const Value& record);

// Whether the window's record holds every tagged object the program needs, each of the kind it
// needs: raises an Input error naming the layout file and the first object missing or amiss.
void checkLayout(const Value& record);
// The tagged controls of a record (a missing tag: the missing-field error naming it).
Controls controlsOf(const Value& record);
// The display options as the check boxes show them now.
views::Options displayOptions(const Controls& controls);

// First-opening initialisation: a state from the record of a freshly opened window (its tags
// and "output"): limits, ticks, frame, the preset scenes, the fresh tree of the scene chosen in
// the popup and the scanner at (0, 4, 0). Stores nothing.
ProgramState initialState(const Value& record);

// What the window shows now, as an undo would put it back: tree, scanner, scene and options.
Snapshot shownNow(const ProgramState& state);

// The scene the popup shows: an index error for a "Value" that names no scene.
const bsp::PolygonList& sceneShown(const ProgramState& state);
// Its number in the popup (1-based), its description, and the limits, ticks and frame of the
// 3-D views while it shows.
std::size_t sceneNumber(const ProgramState& state);
const SceneInfo& sceneInfoShown(const ProgramState& state);
const views::AxesSetup& setupShown(const ProgramState& state);
// The scanner stays where it is if the box of the scene shown holds it; otherwise it goes where
// it starts in a preset: above the middle of the box, at its far side.
void keepScannerInScene(ProgramState& state);
// The name of the scene shown: its own, or for a preset what the popup says of it.
std::string sceneName(const ProgramState& state);

}  // namespace kolvar::app
