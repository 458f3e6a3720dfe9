#pragma once
// Files the student brings and keeps: scenes (the program's JSON, Wavefront OBJ and OFF), saved
// sessions and window layouts, told apart by their content rather than by their names; scenes
// made by the generators; and the list of recent files in the File menu.
#include <functional>
#include <string>
#include <vector>

#include "app/state.hpp"
#include "bsp/bsp.hpp"

namespace kolvar::app {

enum class FileKind { Scene, Obj, Off, Session, Layout };

// The extensions of the files kolvar opens, lower case with their dot: scenes (.json, and .kscene,
// the name the desktop gives the program's own scene files, .obj and .off), sessions (.kolvar)
// and window layouts (.fig). What a file is, is still told by its content; the names are what the
// command line and File > Open go by.
const std::vector<std::string>& openedExtensions();

// What the text of a file is: JSON with "polygons" a scene, with "type" a layout, with the
// session's "format" a session; text whose first statement is "OFF" an OFF file; text of OBJ
// statements (v, f, o, g, ...) an OBJ file. Raises an Input error naming `path` for anything else.
FileKind kindOf(const std::string& text, const std::string& path);

// The text of the file at `path`, of at most 512 MiB: an Input error naming it for a folder, a
// file that cannot be read, or one larger than that.
std::string readFileText(const std::string& path);

// A scene from the text of a scene file of any kind, named after the file where it names itself
// nowhere (OBJ and OFF). With `progress`, reports as it reads and stops when asked to.
bsp::Scene sceneOf(const std::string& text, const std::string& path, FileKind kind,
                   runtime::Progress* progress = nullptr);

// Opens `path` in the window that `h` lies in, whatever it holds: a scene joins the scene popup
// and shows; a session replaces what the window shows (one undo away); a layout opens as a window
// of its own, a working kolvar window when it is kolvar's. The file then heads the recent files.
// A long read shows its progress and can be cancelled, which the status line then says. Raises
// the file's fault, having changed nothing.
void openFile(Handle h, const std::string& path);

// Adds `scene` to the popup of the window of `h` and shows it with a fresh tree, its views fitted
// to it, as one step of the history. The scanner moves into the scene's box if it was outside.
void showNewScene(Handle h, const bsp::Scene& scene, const std::string& source);

// The entries of a popup menu (the Scene list), in order.
std::vector<std::string> popupEntries(Handle popup);

// The recent files of this run, latest first (at most 8). They are not kept when the program ends.
std::vector<std::string> recentFiles();
// The File menu's "Open Recent" items brought up to date in the window of `h`.
void showRecentFiles(Handle h);

// Runs `work`, which the student asked for from a dialog or with the mouse and may not be watching
// a console for: whatever it raises (the file's fault, or the machine out of memory) is shown in
// an error dialog titled `title`, then raised again for the console.
void reportInDialog(const std::string& title, const std::function<void()>& work);

// Handlers of the File menu and the window.
void GenerateMenuItem_Callback(Handle hObject);
// A file dropped on the window: opened as File > Open would open it.
void fileDropped(Handle fig, const Value& event);

}  // namespace kolvar::app
