#pragma once
// Figures and axes as display lists, and the one list the model keeps of each figure.
//
// The kept list of a figure is made when first asked for and made again only after something in
// the figure that shows has changed: an object in it created or deleted, or a property that shows
// set (turning an axes' view is such a change). The window paints that list, presses and the
// cursor hit test on it, snapshots and the script driver read it; so a press on a figure that
// has not changed draws nothing. It is made with the figure's RenderCache: while the user turns
// an axes, its content is not read again and the depth order of its faces is only walked again,
// not built again; and an axes in which nothing changed keeps its primitives from the last list.
//
// renderFigure and renderAxes without a cache build everything afresh, for comparison.
#include <cstddef>
#include <optional>
#include <vector>

#include "graphics/display_list.hpp"
#include "graphics/graphics.hpp"
#include "graphics/render_cache.hpp"

namespace kolvar::graphics {

// The figure's kept display list, made first when it is out of date. The reference stays valid
// until the list is made again or the figure is deleted: read it, do not keep it.
const DisplayList& figureDisplayList(Handle fig);

// How often the figure's kept list and the depth orders of its axes have been made (0 and 0
// before the first list); for tests and the benchmarks.
struct DrawingCounts {
  long lists = 0;
  long depthTrees = 0;
};
DrawingCounts drawingCounts(Handle fig);

// The axes whose primitives the figure's latest kept list made anew; the others it kept from the
// list before, unchanged. Nothing (meaning: the whole figure) when the figure itself changed or
// has no list yet. What a window must repaint.
std::optional<std::vector<Handle>> redrawnAxes(Handle fig);
// Where the figure's latest kept list may look different from the one before, in pixels: for
// each axes drawn anew, where its primitives reached before and where they reach now. Nothing
// when the whole figure may have changed, as above.
std::optional<std::vector<Rect>> changedAreas(Handle fig);
// Where an axes' drawing may reach without working it out: its rectangle with room for the tick
// labels and axis names around it.
Rect axesReach(Handle ax);

// While the mouse turns a view (a rotation drag) whose depth order has more face pieces than
// kSketchPieces, the kept list holds a sketch of it so that the view follows the mouse: every
// k-th face, about kSketchFaces of them, in a depth order of their own. When the drag ends,
// finishSketches has the views sketched drawn whole again.
inline constexpr std::size_t kSketchPieces = 100000;
inline constexpr std::size_t kSketchFaces = 10000;
void finishSketches(Handle fig);
// The axes the figure's kept list (made current first) draws as sketches.
std::vector<Handle> sketchedAxes(Handle fig);

// Drawing aside, for a window a person uses: with it on, the depth order of an axes' content of
// more than kAsideFaces faces is built on a thread of its own, so that opening or building a
// large scene never freezes the window for long. Until it is ready the kept list draws what the
// axes last showed whole when its limits stayed (a click shows a moment late), else a sketch of
// about kAsideSketchFaces of the faces (a new scene shows at once, thinned). The same thread
// draws the content whole with its order, as the view stands, for the list to take over. A view
// sketched while it turned is drawn whole on such a thread too when the turn ends, its sketch
// standing in meanwhile. The window asks
// finishAsideDrawings now and then while drawingPending; whatever reads the list for keeps (a
// snapshot, an export, printing) calls awaitDrawings first. Off, as scripts and tests have it,
// every list is whole at once.
inline constexpr std::size_t kAsideFaces = 5000;
inline constexpr std::size_t kAsideSketchFaces = 2000;
void drawAside(bool on);
// Whether the figure's kept list stands in for an axes whose depth order is still being built.
bool drawingPending(Handle fig);
// The axes whose depth order is now ready are drawn again, whole, at the next list (the
// window hears of them as of a turn of their view). Returns whether builds still run.
bool finishAsideDrawings(Handle fig);
// Waits for every build of the figure and has its axes drawn again: the next list is whole.
void awaitDrawings(Handle fig);

DisplayList renderFigure(Handle fig, RenderCache& cache);
DisplayList renderAxes(Handle ax, RenderCache& cache);
DisplayList renderFigure(Handle fig);
// Only one axes, in figure pixels.
DisplayList renderAxes(Handle ax);

}  // namespace kolvar::graphics
