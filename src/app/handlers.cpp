#include <algorithm>
#include <filesystem>

#include "app/app.hpp"
#include "app/files.hpp"
#include "app/guide.hpp"
#include "app/learning.hpp"
#include "guiruntime/guidata.hpp"
#include "views/partition.hpp"
#include "views/tree_view.hpp"
#include "views/views.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

void select_poly_CreateFcn(Handle hObject) {
  if (g::ispc()) {
    g::set(hObject, "BackgroundColor", "white");
  } else {
    g::set(hObject, "BackgroundColor", g::get(g::kRoot, "defaultUicontrolBackgroundColor"));
  }
}

namespace {

// The scene popup and the reset button both start the tree afresh for the scene shown in the
// popup; the view and the options stay as they are, and so does the scanner unless it lies
// outside the scene's box (a scene of the student's own has a box of its own).
void startSceneAfresh(Handle hObject, StepLog::Kind kind) {
  ProgramState state = fetchState(hObject);
  state.root = recentFreshRoot(state.learning.history, sceneShown(state));
  if (!state.root) state.root = bsp::freshRoot(sceneShown(state));
  keepScannerInScene(state);
  commitStep(state, StepLog::of(kind));
  storeState(hObject, state);
  redraw(std::move(state));
}

}  // namespace

void select_poly_Callback(Handle hObject) { startSceneAfresh(hObject, StepLog::Kind::Scene); }
void reset_Callback(Handle hObject) { startSceneAfresh(hObject, StepLog::Kind::Reset); }
void show_option_Callback(Handle hObject) {
  ProgramState state = fetchState(hObject);
  commitStep(state, optionLog(hObject));
  storeState(hObject, state);
  redraw(std::move(state));
}

void axes2_ButtonDownFcn(Handle hObject) {
  ProgramState state = fetchState(hObject);
  const Matrix cp = g::get(hObject, "CurrentPoint").matrix();
  if (cp.rows != 2 || cp.cols != 3)
    throw Error("The partition view's \"CurrentPoint\" is not two points.", ErrorKind::Type);
  // The far point of the line of sight: the scanner lands on the far side of the box. A click
  // beside the drawn box gives a point outside the scene's limits, where no marker could show it:
  // the scanner stays inside them. A press on the marker itself grabs it where it is; either way
  // it follows the pointer until the button is released (which records the drag as a step).
  const bsp::Vec3 before = state.scanner;
  startSteering(state, cp, nearScannerMarker(state, hObject));
  state.interaction.steeringStepped = !(state.scanner == before);
  if (state.interaction.steeringStepped) commitStep(state, StepLog::of(StepLog::Kind::Scanner));
  storeState(hObject, state);
  redraw(std::move(state));
}

void NodeListItem_ButtonDownFcn(Handle hObject) {
  ProgramState state = fetchState(hObject);
  // A press that pans the tree view (middle button, or Space held) chooses nothing.
  if (state.interaction.panning) return;
  // The item carries its position and the whole list it belongs to, as the diagram drew them.
  const Value udata = g::get(hObject, "UserData");
  const double index = udata.at(0).scalar();
  const bsp::PolygonList polyList = views::polygonListOf(udata.at(1));
  if (!(index >= 1 && index <= static_cast<double>(polyList.size()) && index == static_cast<std::size_t>(index)))
    throw errors::indexOutOfBounds(static_cast<std::size_t>(index), polyList.size());
  const auto i = static_cast<std::size_t>(index) - 1;
  // The same choice made before in this very list (undone, or before a reset) made this node.
  bsp::NodeRef node = recentExpansion(state.learning.history, polyList, i);
  if (!node) node = bsp::expandNode(polyList, i);
  state.root = bsp::bspInsertNode(state.root, node);
  StepLog log;
  log.expansions.push_back({polyList, i, node});
  commitStep(state, std::move(log));
  storeState(hObject, state);
  redraw(std::move(state));
}

void FileMenu_Callback() {}

void OpenMenuItem_Callback() {
  // The dialog gives the folder as well as the name (uigetfile's answer would be the name alone).
  std::string patterns;
  for (const std::string& ext : openedExtensions()) patterns += (patterns.empty() ? "*" : " *") + ext;
  const auto choice = g::backend().dialogs().getFile("Scenes, sessions and window layouts (" + patterns + ")", "Open");
  if (!choice) return;
  // The chosen file is opened by its full path: by name alone a file from another folder would
  // not be found, or a different file of the same name would open.
  const std::filesystem::path full = choice->folder.empty()
                                         ? std::filesystem::path(choice->name)
                                         : std::filesystem::path(choice->folder) / choice->name;
  // Whatever the file holds goes to the window whose menu opened it.
  const auto fig = g::gcbf();
  reportInDialog("Cannot open " + full.filename().string(), [&] { openFile(fig ? *fig : 0, full.string()); });
}

void PrintMenuItem_Callback(const Value& handles) {
  g::printdlg(handles.field("figure1").scalar());
}

void CloseMenuItem_Callback(const Value& handles) {
  const Handle fig = handles.field("figure1").scalar();
  const Value nameValue = g::get(fig, "Name");
  const std::string name = nameValue.isText() ? nameValue.text() : std::string();
  const std::string answer = g::questdlg("Close " + name + "?", "Close " + name + "...", {"Yes", "No"}, "Yes");
  // Only a "Yes" may discard the tree the student built; "No" or a dismissed dialog keeps it.
  if (answer != "Yes") return;
  g::deleteObject(fig);
}

void kolvar_OpeningFcn(Handle hObject, Value handles) {
  handles.setField("output", hObject);
  gui::guidata(hObject, handles);
  const Value visible = g::get(hObject, "Visible");
  // A hidden window is being opened afresh in this start: build the state. So is a window whose
  // record holds only its tags, as after a hidden first start: a window on screen that has its
  // state keeps its tree, scanner and view.
  if ((visible.isText() && visible.text() == "off") || !holdsProgramState(handles)) {
    checkLayout(handles);
    const ProgramState state = initialState(handles);
    storeState(hObject, state);
    installProgramCallbacks(state);
  }
  drawFigure(hObject);
}

Value kolvar_OutputFcn(const Value& handles) { return handles.field("output"); }

void drawFigure(Handle hObject) { redraw(fetchState(hObject)); }

namespace {

constexpr std::size_t kMostLabelled = 50;

// What a redraw of `state` shows; `preview` holds the preview the picture points to.
views::Picture pictureOf(const ProgramState& state, views::Preview& preview) {
  const Fixed& fixed = *state.fixed;
  views::Picture picture;
  picture.axes = fixed.axes;
  picture.partition = state.controls.axes2;
  picture.scanList = state.controls.scan_list;
  picture.readouts = {state.controls.scanX, state.controls.scanY, state.controls.scanZ};
  picture.setup = &setupShown(state);
  picture.scene = sceneShown(state);
  picture.root = state.root;
  picture.scanner = state.scanner;
  picture.options = displayOptions(state.controls);
  picture.options.unit = setupShown(state).unit;
  // Labels and normals of thousands of polygons are a blot, not a help: a large scene shows none.
  if (picture.scene.size() > kMostLabelled) picture.options.labels = picture.options.normals = false;
  picture.firstLook = state.firstLook;
  picture.callbacks = programCallbacks();
  if (state.interaction.hover) {
    const WaitingItem& item = *state.interaction.hover;
    preview = {&item.polygon(), item.list, bsp::previewSplit(item.list, item.index)};
  }
  picture.focus.planes = picture.options.planes;
  picture.focus.preview = state.interaction.hover ? &preview : nullptr;
  picture.focus.highlighted = state.interaction.pointed ? state.interaction.pointed.get() : state.interaction.selected.get();
  picture.focus.selected = state.interaction.selected.get();
  picture.focus.pointed = state.interaction.pointed.get();
  picture.focus.zoom = state.interaction.zoom;
  picture.focus.status = state.controls.status_line;
  picture.painted = paintedElement(state);
  picture.treeView = &state.interaction.tree;
  return picture;
}

}  // namespace

void redrawTreeView(const ProgramState& state, const diagram::TreeLayout* layout) {
  views::Preview preview;
  views::Picture picture = pictureOf(state, preview);
  picture.treeLayout = layout;
  views::drawTreeView(picture);
}

void drawTreeViewInto(const ProgramState& state, Handle axes) {
  views::Preview preview;
  views::Picture picture = pictureOf(state, preview);
  picture.axes[2] = axes;
  views::drawTreeView(picture);
}

void redraw(ProgramState state) {
  // A kept tree view layout of another tree would only hold that tree in memory.
  if (state.interaction.laidOut && state.interaction.laidOut->root != state.root) state.interaction.laidOut.reset();
  views::Preview preview;
  const views::Picture picture = pictureOf(state, preview);
  state.windowButtonUpFcn = views::drawFigure(picture);
  state.firstLook = false;
  showLearning(state);
  // On the window of the current axes: the object whose callback asked for the redraw may be a
  // list item that the redraw removed.
  storeState(g::gca(), state);
  followTour(state);
}

void wrapWindowButtonUpFcn(Handle hObject) {
  ProgramState state = fetchState(hObject);
  views::followRotation(hObject, state.windowButtonUpFcn, state.fixed->axes[0], state.fixed->axes[1]);
  if (state.interaction.panning) {
    state.interaction.panning.reset();
    storeState(hObject, state);
  }
  // The release ends the steering of the scanner.
  if (state.interaction.steering) {
    state.interaction.steering = false;
    // Where the drag left the scanner is one step of the history: the press's own step, when it
    // made one, becomes that step, so a single undo takes the whole drag back.
    if (!(state.scanner == state.learning.history.current.scanner)) {
      if (state.interaction.steeringStepped) state.learning.history = undoStep(state.learning.history);
      commitStep(state, StepLog::of(StepLog::Kind::Scanner));
    }
    state.interaction.steeringStepped = false;
    storeState(hObject, state);
    showLearning(state);
  }
}

}  // namespace kolvar::app
