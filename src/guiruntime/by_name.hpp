#pragma once
// Calls between the modules of this layer (gui_mainfcn -> openfig, guihandles, guidata;
// openfig -> movegui; guihandles -> isvarname -> iskeyword) go by name through the session's
// registry, so that the callee's argument checks apply exactly as for any other call by name, and
// so that a GUI may supply its own version of a module (for instance a two-input opening
// function). A session whose registry does not hold the module gets the direct C++ call instead.
#include <string_view>

#include "runtime/registry.hpp"

namespace kolvar::gui::detail {

// The entry registered under `path` in the current session's registry, or null.
runtime::EntryPtr sessionEntry(std::string_view path);

// Text comparison of the first `n` characters without regard to case. A text shorter than `n`
// takes part with its whole length, so the two compare equal only when their (cut) prefixes are
// equally long and alike: ("on", "on", 3) is true, ("ons", "on", 3) is false.
bool prefixEqualIgnoringCase(std::string_view a, std::string_view b, std::size_t n);

std::string lowered(std::string_view s);

}  // namespace kolvar::gui::detail
