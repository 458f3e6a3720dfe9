#pragma once
// Sessions: what a kolvar window shows and remembers, kept in one file (.kolvar) so that a
// half-built tree can be taken up again in the next lesson, or handed to someone else.
//
// A session is JSON: {"format": "kolvar session", "version": 1, ...} with the scenes of the popup,
// the tree, the scanner, the options, the two 3-D views, the selected node, the painter's step
// and the whole undo history. Trees in the history share most of their nodes and lists, so every
// polygon, list and node is written once, in a table, and named by its place there: a long
// history costs a line per step, not a tree per step, and what was shared stays shared when read.
#include <string>

#include "app/state.hpp"

namespace kolvar::app {

// The newest session version this program writes and reads.
inline constexpr int kSessionVersion = 1;

// The session of the window of `h`, as the text of a .kolvar file.
std::string sessionText(Handle h);

// Writes the session of the window of `h` to `path`. The file is written whole or not at all:
// a failure leaves what was at `path` before and raises an Input error naming it.
void saveSession(Handle h, const std::string& path);

// Opens the session `text`, read from `path`, in the window of `h`: its scenes of their own join
// the popup, and the tree, the scanner, the options, the views, the selection and the history
// become the session's. The history it replaces lies below the session's: undoing past the
// session's oldest step brings back the window as it was. A file of a newer version, or one
// with any fault (bad JSON, a missing or mistyped entry, a number naming nothing, a tree whose
// polygons do not come from its scene...), is refused whole: an Input error "PATH: PLACE: fault"
// and the window unchanged.
void openSession(Handle h, const std::string& text, const std::string& path);

// File > Save Session...: asks for a file and saves; a failure is shown in a message box.
void SaveSessionMenuItem_Callback(Handle hObject);

}  // namespace kolvar::app
