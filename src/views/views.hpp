#pragma once
// The window's views, redrawn whole after every change: the scene view (axes 1), the partition
// view with the scanner (axes 2), the tree view with its clickable waiting lists (axes 3), the
// scanner read-outs and the scan list.
//
// The views draw what they are given; they neither fetch nor store the program's state. The
// program (app/) reads its state, hands the views what to draw and the function references to
// install, and keeps what the redraw gives back.
#include <array>
#include <functional>
#include <vector>

#include "bsp/bsp.hpp"
#include "diagram/tree_diagram.hpp"
#include "diagram/tree_layout.hpp"
#include "graphics/graphics.hpp"
#include "runtime/value.hpp"
#include "views/palette.hpp"

namespace kolvar::views {

using graphics::Handle;

// The display options, as their check boxes show them.
struct Options {
  bool labels = false;   // polygon labels
  bool normals = false;  // normal arrows
  bool scanner = false;  // the scanner marker, its read-outs and the scan list
  bool frame = false;    // the coordinate frame
  bool planes = false;   // the splitting planes and the scanner's cell in the partition view
  // Not a check box: how long a normal is drawn, in scene units (1 for the presets; a scene
  // of its own has its size's).
  double unit = 1;
  friend bool operator==(const Options&, const Options&) = default;
};

// How the three views are set up, per axes (scene, partition, tree view): its limits
// [xmin xmax ymin ymax zmin zmax] and its tick positions along x, y and z (the tree view has
// none); and the coordinate frame: its origin, then the tips of its x, y and z arms.
using Limits = std::array<double, 6>;
using TickRows = std::array<std::vector<double>, 3>;
struct AxesSetup {
  std::array<Limits, 3> limits{};
  std::array<TickRows, 3> ticks;
  std::array<bsp::Vec3, 4> frame{};
  double unit = 1;  // how long normals are drawn: an eighth of the 3-D views' side
};

// The set-up of `base` with the two 3-D views fitted to `scene`: both show the same cube around
// the scene's bounding box (with a margin of a twentieth of its size), its sides rounded outward to a tidy tick step (1, 2 or 5 times a
// power of ten, four to eight ticks a side), so the scene keeps its proportions (its bottom on
// the cube's floor, sideways in the middle); the coordinate
// frame's arms are one tick step long, at the origin when the origin is inside, else at the
// cube's lowest corner. The tree view keeps the limits of `base`. An empty scene gives `base`.
AxesSetup setupAround(const bsp::PolygonList& scene, const AxesSetup& base);

// The function references a redraw installs. They come from the program, so that the views need
// not know the handlers behind them.
struct Callbacks {
  Value itemClick;       // on every waiting-list item: choose it as the next splitter
  Value partitionClick;  // on the partition view: move the scanner there
  Value buttonUp;        // the window's button-release handler (see followRotation)
  Value resize;          // the window's handler of a new size: the views are laid out again
  Value captionClick;    // on every node's caption: select that node (empty: captions ignore clicks)
  Value motion;          // the window's pointer motion (empty: none)
  Value wheel;           // the window's wheel (empty: none)
  Value buttonDown;      // the window's button press (empty: none)
  Value fold;            // on the tree view's fold markers: fold or unfold a list or a subtree
                         // (empty: the markers ignore clicks)
};

struct Preview;
struct TreeView;

// What the teaching layers add to a redraw; all of it optional.
struct Focus {
  bool planes = false;                        // every placed node's plane within its cell
  const Preview* preview = nullptr;           // a waiting polygon under the pointer
  const bsp::Polygon* highlighted = nullptr;  // a placed polygon pointed at or selected
  const bsp::Polygon* selected = nullptr;     // the selected node, whose cell is drawn
  const bsp::Polygon* pointed = nullptr;      // the polygon under the pointer, named on the status line
  std::array<double, 2> zoom{1, 1};           // of the scene and partition views
  Handle status = 0;                          // the status line, or 0
};

// Everything one redraw draws.
struct Picture {
  std::array<Handle, 3> axes{};      // scene, partition and tree view
  Handle partition = 0;              // the object that gets `partitionClick` (the partition view)
  Handle scanList = 0;               // the far-to-near list
  std::array<Handle, 3> readouts{};  // the scanner's x, y and z
  const AxesSetup* setup = nullptr;
  bsp::PolygonList scene;            // the polygons of the scene shown
  bsp::NodeRef root;                 // the tree built so far
  bsp::Vec3 scanner;
  Options options;
  bool firstLook = false;            // give the 3-D views their default view (else keep the user's)
  // The painter's step: the node being visited (null when not stepping). The partition view then
  // shows the polygons drawn so far, the tree view and the scan list mark the node.
  const bsp::BspElement* painted = nullptr;
  Callbacks callbacks;
  Focus focus;
  const TreeView* treeView = nullptr;  // where the tree view looks and what it folds (null: the
                                       // default view, nothing folded)
  const diagram::TreeLayout* treeLayout = nullptr;  // the tree laid out with those folds, when the
                                                    // caller has it (else the drawing makes it)
};

// Clears and redraws the three views from `picture`, then switches mouse rotation on for the
// scene view without losing the tree view's click handlers. Returns the rotation mode's own
// button-up command, which the window's button-up handler runs first (see followRotation).
Value drawFigure(const Picture& picture);

// The window's button-release work: run the rotation mode's command `buttonUp` (a callback text,
// a callable, or empty), then give the partition view the scene view's view.
void followRotation(Handle hObject, const Value& buttonUp, Handle sceneAxes, Handle partitionAxes);

// One polygon as a lit face in the current axes, with its normal and label when those options
// are on. The empty polygon draws nothing. `colour` [r g b] replaces the default face colour;
// `highlighted` draws the polygon's outline thick in the highlight colour, `shaded` (with a
// colour) in a darker shade of the face's colour instead of black.
void plotPolygon(const bsp::PolygonRef& polygon, const Options& options, const Value& colour = Value(),
                 bool highlighted = false, bool shaded = false);

// Above this many polygons a view outlines them in a darker shade of their colour: black outlines
// of polygons a few pixels across would turn the whole scene grey.
inline constexpr std::size_t kShadedOutlinesAbove = 1000;

// The outline of a face of colour `c` [r g b] in a scene of many polygons.
Rgb outlineShade(const Rgb& c);

// Above this many polygons a view draws them by colour, one patch of many faces per colour (see
// plotPolygons): an object per polygon would hold the window for seconds.
inline constexpr std::size_t kManyPolygons = 10000;

// Polygons as lit faces in the current axes, those of one colour (`colourOf`, [r g b]) as one
// patch of many faces, outlined in a darker shade of it (outlineShade): for scenes so large that
// an object per polygon would hold the window. No normals or labels. Each patch names its
// polygons, one per face, in its "UserData" (FacePolygons), so that pointing at a face can name
// its polygon.
struct FacePolygons {
  std::vector<bsp::PolygonRef> polygons;  // the polygon of each face, by column of the data
};
void plotPolygons(const std::vector<bsp::PolygonRef>& polygons, const std::function<Rgb(const bsp::Polygon&)>& colourOf);

// The vertex loops of `polygons` as the columns of patch data (each loop closed by repeating its
// first vertex, shorter ones padded with NaN, which the renderer leaves out).
struct LoopColumns {
  Matrix x, y, z;
};
LoopColumns loopColumns(const std::vector<const bsp::Polygon*>& polygons);

// One node of the tree view: its waiting lists as columns of clickable items, then its caption.
void bspPlotElement(const diagram::NodePos& pos, const bsp::BspElement& element, const Value& itemClick);
// A waiting list as a column of clickable items starting at (pos[0], pos[2]) and growing down;
// each item carries (its position, the list) as "UserData" and `itemClick` as its handler.
void bspPlotList(const diagram::NodePos& pos, const bsp::PolygonList& polyList, const Value& itemClick);

// Append the element's label as the last line of the list control `scanList`.
void updateScanList(Handle scanList, const bsp::BspElement& element);
// The scan list showing the splitters of `elements` in order, as a walk calling updateScanList on
// an emptied list leaves it, set at once: appending line by line costs the square of the lines.
void showScanList(Handle scanList, const std::vector<const bsp::BspElement*>& elements);

// The values that carry trees, lists and points through properties and records.
bool isOn(Handle checkbox);  // a check box's "Value" is nonzero
Value polygonListValue(const bsp::PolygonList& list);
bsp::PolygonList polygonListOf(const Value& v);  // raises a Type error for anything else
bsp::NodeRef treeOf(const Value& v);             // the empty value is the empty tree
bsp::Vec3 vec3Of(const Value& v);                // a 3-element column or row

}  // namespace kolvar::views
