#pragma once
// The script driver: user actions, one per line, run against the open window through the same
// event API a mouse uses. Used by `kolvar --script FILE` and by the end-to-end tests.
//
//   scene N               choose entry N of the scene popup
//   reset                 press the reset button
//   toggle TAG            click the check box tagged TAG
//   click LABEL [K]       press on the K-th (default 1st) waiting-list item showing LABEL,
//                         counted top to bottom, then left to right, on screen
//   hover [LABEL [K]]     move the pointer onto that waiting-list item (its preview shows);
//                         alone: move it onto nothing
//   select LABEL          click the caption of the node showing LABEL (again: let it go)
//   press X Y             press and release at figure pixel (X, Y) from the top-left corner
//   drag X1 Y1 X2 Y2      press, drag and release
//   scanner X Y Z         a click in the partition view whose line of sight ends at (X, Y, Z)
//   view AZ EL            rotate the scene view to that view and release the mouse
//   view NAME             top, front, side, default or reset: both 3-D views
//   undo, redo            step back or forward through the history of changes
//   auto STRATEGY [MODE]  let a strategy choose the next splitter (MODE step, the default) or
//                         every splitter to the end (MODE all); STRATEGY is first, fewest,
//                         balanced, random SEED or optimal
//   compare               print one JSON line per strategy: its finished tree's pieces, depth and
//                         average leaf depth (and the student's tree, "yours", when complete)
//   paint step|back|reset step through the far-to-near walk from the scanner
//   paint play [STEPS]    Play: paint STEPS polygons (or to the end) in turn; again: pause
//   paint speed slow|normal|fast   Play's speed
//   state                 print the state as one line of JSON
//   snapshot FILE         write a PNG of the window
//   export FILE [VIEW] [SCALE]  write the window or a view (tree, scene, partition) as a PNG
//                         (SCALE times its pixels), SVG or PDF file, by FILE's extension
//   save FILE             save the window's session (File > Save Session)
//   help PAGE [FILE]      open a help page (guide, bsp, keys, about); with FILE, paint its window
//   help close            close the help pages
//   tour start|next|leave|never   start the tour, skip a step, leave it (never: and do not offer
//                         it again)
//   # ...                 a comment; blank lines are skipped
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>

#include "graphics/graphics.hpp"

namespace kolvar::app {

// A bad line: the script stops with this error; its message names the line.
struct ScriptError : Error {
  using Error::Error;
};

// Writes a PNG of the whole window; supplied by the platform (Qt) since the model cannot paint.
using SnapshotWriter = std::function<void(graphics::Handle fig, const std::string& path)>;

// Run every line of `in` against the kolvar window. `out` receives the `state` lines. Raises
// ScriptError for the first bad line ("line N: ..."), a line longer than kMaxScriptLine and a
// script longer than kMaxScriptBytes.
inline constexpr std::size_t kMaxScriptLine = 10000;
inline constexpr std::size_t kMaxScriptBytes = std::size_t{256} << 20;
void runScript(std::istream& in, std::ostream& out, const SnapshotWriter& snapshot);

// The state of the kolvar window as one line of JSON.
std::string stateJson(graphics::Handle fig);

// The kolvar window, or an error when none is open.
graphics::Handle kolvarWindow();

}  // namespace kolvar::app
