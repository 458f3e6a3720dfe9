#pragma once
// Serving the windows: Qt's event loop runs until no window of the program is left on screen.
namespace kolvar::graphics {

class QtBackend;

// Delivers window events until the last shown window has gone (deleted, or hidden with none
// other left); returns the exit status, 0. Returns at once when no window is shown. Needs the
// QApplication the backend was made under.
int serveWindows(QtBackend& backend);

}  // namespace kolvar::graphics
