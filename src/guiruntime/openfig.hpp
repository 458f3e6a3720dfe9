#pragma once
// openfig: open a window from a layout file (".fig"), or bring back the open one. The figures
// opened from each layout file are listed on the root object under a key made from the file's
// path, so that a single-instance GUI finds its window again; stale entries are pruned on every
// call. The window is always moved wholly onto the screen.
#include <string>
#include <string_view>

#include "graphics/graphics.hpp"
#include "runtime/registry.hpp"
#include "runtime/value.hpp"

namespace kolvar::gui {

using graphics::Handle;

// Open `filename` (folder optional, ".fig" added when there is no extension) by `policy`: "new"
// always loads another copy; "reuse" returns the most recent open copy and loads one only when
// none is open. `visible` ("invisible", "visible", "auto", any case; empty: the visibility the
// file stored, or for a reused window the root's default) settles "Visible"; "auto" leaves a fresh
// load hidden and gives a reused window the root's default. Argument errors are raised before
// anything is loaded or stored; loader errors reach the caller with the list unchanged.
Handle openfig(std::string_view filename, std::string_view policy = "new",
               std::string_view visible = "");
// The call-by-name form: (filename [, policy [, visible]]).
runtime::Outputs openfigBody(const runtime::Args& args, int nargout);

// The file name a layout file is loaded from: folder, base name and extension joined with the
// platform's separator, ".fig" added when the extension is empty. Another extension (compared
// without regard to case; its own case is kept) raises "Argument must be a .fig file".
std::string normalisedFigName(std::string_view filename);

// The root application-data key of a normalised file name's instance list: its letters, digits
// and "_" reversed, between "OpenFig_" and "_SINGLETON", cut to 31 characters. Reversing first
// keeps the characters nearest the end of a long path (extension, base name, inner folders).
std::string openfigToken(std::string_view normalisedName);

}  // namespace kolvar::gui
