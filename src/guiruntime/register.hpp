#pragma once
// Call-by-name entries of the GUI runtime's modules and their local functions, with the declared
// counts and the lines their argument checks name.
#include "runtime/registry.hpp"

namespace kolvar::gui {

// Every module of this layer, in the order of the program's function table: cla, gui_mainfcn,
// guidata, guihandles, openfig, isvarname, movegui, iskeyword.
void registerGuiRuntime(runtime::Registry& registry);

// One module each, for a registry that brings its own version of another module of this layer
// (a GUI whose opening function takes two inputs registers its own "openfig").
void registerCla(runtime::Registry& registry);
void registerGuiMainfcn(runtime::Registry& registry);
void registerGuidata(runtime::Registry& registry);
void registerGuihandles(runtime::Registry& registry);
void registerOpenfig(runtime::Registry& registry);
void registerIsvarname(runtime::Registry& registry);
void registerMovegui(runtime::Registry& registry);
void registerIskeyword(runtime::Registry& registry);

}  // namespace kolvar::gui
